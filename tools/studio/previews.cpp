// SPDX-License-Identifier: MIT
#include "previews.h"

#include "format/packets.h"
#include "image/png.h"
#include "preview.h"
#include "program/program_reader.h"
#include "program_builder.h"
#include "shared/refusal.h"

namespace veltrane::studio {
namespace {

namespace fs = std::filesystem;

// The first picture the program names outside the studio's folder, as one sentence.
std::optional<std::string> PictureOutside(const StudioFolder& folder,
                                          const cli::ProgramFile& file) {
  for (size_t p = 0; p < file.pages.size(); ++p)
    for (size_t a = 0; a < file.pages[p].areas.size(); ++a) {
      const auto* image = std::get_if<cli::ImageArea>(&file.pages[p].areas[a].content);
      if (image == nullptr || folder.Contains(image->file)) continue;
      return "pages[" + std::to_string(p) + "].areas[" + std::to_string(a) +
             "].file: " + image->file.string() + " lies outside the studio's folder";
    }
  return std::nullopt;
}

// The folder a program's pictures are taken from: its file's, or the studio's own.
Result<fs::path> PictureFolder(const StudioFolder& folder, const std::string& programPath) {
  if (programPath.empty()) return folder.root();
  auto resolved = folder.Resolve(programPath);
  if (resolved) return resolved->parent_path();
  return resolved;
}

cli::PreviewLook LookOf(const BuiltProgram& program, const PictureAsk& ask) {
  cli::PreviewLook look{ask.scale, cli::PreviewStyle::Dots, false, ask.page, std::nullopt};
  if (program.file.screen)
    look.screen = render::PictureSize{program.file.screen->width, program.file.screen->height};
  return look;
}

}  // namespace

Result<std::shared_ptr<const BuiltProgram>> BuildPageProgram(const StudioFolder& folder,
                                                             const PageProgram& page) {
  if (page.text.size() > cli::kMaxProgramFileBytes)
    return tools::Refusal("the program file would have " + std::to_string(page.text.size()) +
                          " bytes, more than the " + std::to_string(cli::kMaxProgramFileBytes) +
                          " a program file may have");
  auto base = PictureFolder(folder, page.path);
  if (!base) return Failure(base.error());
  Result<cli::ProgramFile> parsed = cli::ParseProgramFile(page.text, *base);
  if (!parsed) return Failure(parsed.error());
  auto built = std::make_shared<BuiltProgram>();
  built->file = *std::move(parsed);
  if (auto outside = PictureOutside(folder, built->file)) return tools::Refusal(*outside);
  cli::BuiltProgram block = cli::BuildProgram(built->file);
  if (!block) return Failure(block.error());
  built->block = *std::move(block);
  program::ReadResult read = program::ReadProgram(built->block);
  if (!read.ok())
    return tools::Refusal("the program built reads back broken: " + read.defect().message);
  built->tree = read.program();
  cli::CheckProgramFile(built->file, built->fileWarnings);
  return std::shared_ptr<const BuiltProgram>(std::move(built));
}

Result<Picture> PictureOf(const BuiltProgram& program, const PictureAsk& ask,
                          image::PngEffort effort, std::vector<render::Spill>* spills) {
  if (ask.page && *ask.page >= program.tree.pages.size())
    return tools::Refusal("the program has no page " + std::to_string(*ask.page + 1));
  auto drawn =
      cli::PictureProgram(program.tree, program.block, ask.at, LookOf(program, ask), spills);
  if (!drawn) return Failure(drawn.error());
  const image::RgbImage& image = *drawn;
  auto png = image::EncodePng(image, effort);
  if (!png) return Failure(png.error());
  return Picture{std::move(*png), image.width, image.height};
}

Result<Preview> PreviewOf(const BuiltProgram& program, const PictureAsk& ask) {
  Preview preview;
  std::vector<render::Spill> spills;
  auto pictured = PictureOf(program, ask, image::PngEffort::Fast, &spills);
  if (!pictured) return Failure(pictured.error());
  preview.picture = *std::move(pictured);
  preview.bytes = program.block.size();
  preview.pages = program.tree.pages.size();
  cli::Warnings warnings = program.fileWarnings;
  cli::CheckProgramTree(program.tree, spills, warnings);
  preview.warnings = warnings.sentences();
  return preview;
}

}  // namespace veltrane::studio
