// SPDX-License-Identifier: MIT
#include "previews.h"

#include "format/packets.h"
#include "image/png.h"
#include "preview.h"
#include "program/program_reader.h"
#include "program_builder.h"

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
std::variant<fs::path, std::string> PictureFolder(const StudioFolder& folder,
                                                  const std::string& programPath) {
  if (programPath.empty()) return folder.root();
  auto resolved = folder.Resolve(programPath);
  if (auto* file = std::get_if<fs::path>(&resolved)) return file->parent_path();
  return resolved;
}

cli::PreviewLook LookOf(const BuiltProgram& program, const PictureAsk& ask) {
  cli::PreviewLook look{ask.scale, cli::PreviewStyle::Dots, false, ask.page, std::nullopt};
  if (program.file.screen)
    look.screen = render::PictureSize{program.file.screen->width, program.file.screen->height};
  return look;
}

}  // namespace

std::variant<std::shared_ptr<const BuiltProgram>, std::string> BuildPageProgram(
    const StudioFolder& folder, const PageProgram& page) {
  if (page.text.size() > cli::kMaxProgramFileBytes)
    return "the program file would have " + std::to_string(page.text.size()) +
           " bytes, more than the " + std::to_string(cli::kMaxProgramFileBytes) +
           " a program file may have";
  auto base = PictureFolder(folder, page.path);
  if (auto* error = std::get_if<std::string>(&base)) return *error;
  cli::ProgramFileResult parsed = cli::ParseProgramFile(page.text, std::get<fs::path>(base));
  if (auto* error = std::get_if<cli::ProgramFileError>(&parsed)) return error->Describe();
  auto built = std::make_shared<BuiltProgram>();
  built->file = std::get<cli::ProgramFile>(std::move(parsed));
  if (auto outside = PictureOutside(folder, built->file)) return *outside;
  cli::BuiltProgram block = cli::BuildProgram(built->file);
  if (auto* error = std::get_if<std::string>(&block)) return *error;
  built->block = std::get<std::vector<uint8_t>>(std::move(block));
  program::ReadResult read = program::ReadProgram(built->block);
  if (!read.ok()) return "the program built reads back broken: " + read.defect().message;
  built->tree = read.program();
  cli::CheckProgramFile(built->file, built->fileWarnings);
  return built;
}

std::variant<Picture, std::string> PictureOf(const BuiltProgram& program, const PictureAsk& ask,
                                             image::PngEffort effort,
                                             std::vector<render::Spill>* spills) {
  if (ask.page && *ask.page >= program.tree.pages.size())
    return "the program has no page " + std::to_string(*ask.page + 1);
  auto drawn =
      cli::PictureProgram(program.tree, program.block, ask.at, LookOf(program, ask), spills);
  if (auto* error = std::get_if<std::string>(&drawn)) return *error;
  const image::RgbImage& image = std::get<image::RgbImage>(drawn);
  auto png = image::EncodePng(image, effort);
  if (!png) return png.error().reason();
  return Picture{std::move(*png), image.width, image.height};
}

std::variant<Preview, std::string> PreviewOf(const BuiltProgram& program, const PictureAsk& ask) {
  Preview preview;
  std::vector<render::Spill> spills;
  auto pictured = PictureOf(program, ask, image::PngEffort::Fast, &spills);
  if (auto* error = std::get_if<std::string>(&pictured)) return *error;
  preview.picture = std::get<Picture>(std::move(pictured));
  preview.bytes = program.block.size();
  preview.pages = program.tree.pages.size();
  cli::Warnings warnings = program.fileWarnings;
  cli::CheckProgramTree(program.tree, spills, warnings);
  preview.warnings = warnings.sentences();
  return preview;
}

}  // namespace veltrane::studio
