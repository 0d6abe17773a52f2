// SPDX-License-Identifier: MIT
#include "commands.h"

#include <algorithm>
#include <cstdio>

#include "common/status_text.h"
#include "format/packets.h"
#include "json_output.h"
#include "preview.h"
#include "program/program_reader.h"
#include "program/program_text.h"
#include "program_builder.h"
#include "program_file/program_file.h"
#include "shared/input_file.h"
#include "shared/refusal.h"
#include "summary.h"

namespace veltrane::cli {
namespace {

// The program a command is given may come through a pipe the shell made.
constexpr tools::InputKind kProgramBlockInput{"a program block", format::kMaxProgramBytes, true};
constexpr tools::InputKind kProgramFileInput{"a program file", kMaxProgramFileBytes, true};

// What a program file calls each of its areas, page by page.
program::SourceKindNames KindNames(const ProgramFile& file) {
  program::SourceKindNames names;
  for (const Page& page : file.pages) {
    std::vector<std::string>& pageNames = names.emplace_back();
    for (const Area& area : page.areas) pageNames.emplace_back(AreaKindName(area));
  }
  return names;
}

// The program a program file's text describes, built; errors name the file.
Result<std::vector<uint8_t>> BuildProgramFile(const std::vector<uint8_t>& text,
                                              const std::filesystem::path& file,
                                              const std::filesystem::path& baseFolder,
                                              Warnings* warnings, ProgramFileFacts* facts) {
  const std::string name = tools::InputName(file);
  const Result<ProgramFile> parsed =
      ParseProgramFile({reinterpret_cast<const char*>(text.data()), text.size()}, baseFolder, name);
  if (!parsed) return Failure(parsed.error());
  if (warnings != nullptr) CheckProgramFile(*parsed, *warnings);
  if (facts != nullptr) *facts = {KindNames(*parsed), parsed->screen};
  BuiltProgram built = BuildProgram(*parsed);
  if (!built) return tools::Refusal(name + ": " + StatusText(built.error()));
  return built;
}

// Standard input has no name to tell its kind, so its content does; it is read up to the larger
// limit and then held to its own kind's. Relative image paths are taken from the working folder.
Result<std::vector<uint8_t>> LoadStandardInput(Warnings* warnings, ProgramFileFacts* facts) {
  const std::filesystem::path input(tools::kStandardInputName);
  auto read = tools::ReadBoundedInput(
      input, {"a program", std::max(kProgramFileInput.maxBytes, kProgramBlockInput.maxBytes)});
  if (!read) return read;
  const std::vector<uint8_t>& bytes = *read;
  const bool programFile =
      LooksLikeProgramFile({reinterpret_cast<const char*>(bytes.data()), bytes.size()});
  const tools::InputKind& kind = programFile ? kProgramFileInput : kProgramBlockInput;
  if (bytes.size() > kind.maxBytes)
    return tools::Refusal(tools::TooLargeSentence(input, bytes.size(), kind));
  if (!programFile) return read;
  return BuildProgramFile(bytes, input, {}, warnings, facts);
}

}  // namespace

CheckedProgram LoadAndRead(const std::filesystem::path& file, Warnings& warnings) {
  CheckedProgram checked;
  auto loaded = LoadProgramBlock(file, &warnings, &checked.facts);
  if (!loaded) {
    SayError(StatusText(loaded.error()));
    return checked;
  }
  checked.block = *std::move(loaded);
  checked.read = program::ReadProgram(checked.block);
  if (!checked.read->ok()) {
    SayError(tools::InputName(file) + ": defect at byte " +
             std::to_string(checked.read->defect().offset) + ": " + checked.read->defect().message);
  }
  return checked;
}

void SayError(const std::string& sentence) {
  std::fprintf(stderr, "veltrane: %s\n", sentence.c_str());
}

Result<std::vector<uint8_t>> LoadProgramBlock(const std::filesystem::path& file, Warnings* warnings,
                                              ProgramFileFacts* facts) {
  if (tools::IsStandardInput(file)) return LoadStandardInput(warnings, facts);
  const bool programFile = file.extension() == ".json";
  auto read = tools::ReadBoundedInput(file, programFile ? kProgramFileInput : kProgramBlockInput);
  if (!programFile || !read) return read;
  return BuildProgramFile(*read, file, file.parent_path(), warnings, facts);
}

std::optional<std::filesystem::path> DefaultPreviewPath(const std::filesystem::path& program) {
  if (tools::IsStandardInput(program)) return std::nullopt;
  std::filesystem::path out = program;
  out.replace_extension(".png");
  if (out == program) return std::nullopt;
  return out;
}

int Inspect(const std::filesystem::path& file, const Reporting& reporting, bool summary) {
  Warnings warnings;
  const CheckedProgram checked = LoadAndRead(file, warnings);
  if (!checked.read || !checked.read->ok()) return kExitUsage;
  const program::Program& program = checked.read->program();
  CheckProgram(program, checked.block, platform::SystemClock().Local(), warnings);
  if (warnings.Report(reporting.strict)) return kExitUsage;
  if (summary && reporting.json)
    PrintJson(SummaryJson(Summarize(program, checked.facts.kinds)));
  else if (summary)
    std::printf("%s", SummaryText(Summarize(program, checked.facts.kinds)).c_str());
  else if (reporting.json)
    PrintJson(ProgramJson(program, checked.facts.kinds));
  else
    std::printf("%s", program::DescribeProgram(program, checked.facts.kinds).c_str());
  return kExitOk;
}

int Preview(const std::filesystem::path& file, const std::filesystem::path& out,
            const platform::LocalTime& time, const PreviewLook& look, bool strict) {
  Warnings warnings;
  const CheckedProgram checked = LoadAndRead(file, warnings);
  if (!checked.read || !checked.read->ok()) return kExitUsage;
  const program::Program& program = checked.read->program();
  if (look.page && *look.page >= program.pages.size()) {
    SayError("--page " + std::to_string(*look.page + 1) + ": the program has " +
             std::to_string(program.pages.size()) + " page" +
             (program.pages.size() == 1 ? "" : "s"));
    return kExitUsage;
  }
  std::vector<render::Spill> spills;
  PreviewLook fileLook = look;
  if (checked.facts.screen)
    fileLook.screen =
        render::PictureSize{checked.facts.screen->width, checked.facts.screen->height};
  const auto pictured = PictureProgram(program, checked.block, time, fileLook, &spills);
  if (!pictured) {
    SayError(tools::InputName(file) + ": " + StatusText(pictured.error()));
    return kExitUsage;
  }
  CheckProgramTree(program, spills, warnings);
  if (warnings.Report(strict)) return kExitUsage;
  const image::RgbImage& picture = *pictured;
  if (const std::string error = WritePicture(out, picture); !error.empty()) {
    SayError(error);
    return kExitUsage;
  }
  const size_t pages = look.page ? 1 : program.pages.size();
  std::printf("wrote %s (%d x %d pixels, %zu page%s)\n", out.string().c_str(), picture.width,
              picture.height, pages, pages == 1 ? "" : "s");
  return kExitOk;
}

}  // namespace veltrane::cli
