#include "commands.h"

#include <cstdio>
#include <fstream>
#include <iterator>

#include "json_output.h"
#include "preview.h"
#include "program/program_reader.h"
#include "program/program_text.h"
#include "program_builder.h"
#include "program_file/program_file.h"
#include "summary.h"

namespace veltrane::cli {

CheckedProgram LoadAndRead(const std::filesystem::path& file, Warnings& warnings) {
  CheckedProgram checked;
  // Reading a folder fails deep inside the stream or JSON library, in words that name neither.
  if (std::error_code error; std::filesystem::is_directory(file, error)) {
    SayError(file.string() + ": is a folder, not a file");
    return checked;
  }
  auto loaded = LoadProgramBlock(file, &warnings);
  if (auto* error = std::get_if<std::string>(&loaded)) {
    SayError(*error);
    return checked;
  }
  checked.block = std::get<std::vector<uint8_t>>(std::move(loaded));
  checked.read = program::ReadProgram(checked.block);
  if (!checked.read->ok()) {
    SayError(file.string() + ": defect at byte " + std::to_string(checked.read->defect().offset) +
             ": " + checked.read->defect().message);
  }
  return checked;
}

void SayError(const std::string& sentence) {
  std::fprintf(stderr, "veltrane: %s\n", sentence.c_str());
}

std::variant<std::vector<uint8_t>, std::string> LoadProgramBlock(const std::filesystem::path& file,
                                                                 Warnings* warnings) {
  if (file.extension() == ".json") {
    ProgramFileResult parsed = LoadProgramFile(file);
    if (auto* error = std::get_if<ProgramFileError>(&parsed))
      return file.string() + ": " + error->Describe();
    if (warnings != nullptr) CheckFaces(std::get<ProgramFile>(parsed), *warnings);
    BuiltProgram built = BuildProgram(std::get<ProgramFile>(parsed));
    if (auto* error = std::get_if<std::string>(&built)) return file.string() + ": " + *error;
    return std::get<std::vector<uint8_t>>(std::move(built));
  }
  std::ifstream in(file, std::ios::binary);
  if (!in) return "cannot read " + file.string();
  return std::vector<uint8_t>{std::istreambuf_iterator<char>(in), {}};
}

std::optional<std::filesystem::path> DefaultPreviewPath(const std::filesystem::path& program) {
  if (program == "-") return std::nullopt;
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
    PrintJson(SummaryJson(Summarize(program)));
  else if (summary)
    std::printf("%s", SummaryText(Summarize(program)).c_str());
  else if (reporting.json)
    PrintJson(ProgramJson(program));
  else
    std::printf("%s", program::DescribeProgram(program).c_str());
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
  const image::RgbImage picture = PictureProgram(program, checked.block, time, look, &spills);
  CheckProgramTree(program, spills, warnings);
  if (warnings.Report(strict)) return kExitUsage;
  if (const std::string error = image::WritePngFile(out, picture); !error.empty()) {
    SayError(error);
    return kExitUsage;
  }
  const size_t pages = look.page ? 1 : program.pages.size();
  std::printf("wrote %s (%d x %d pixels, %zu page%s)\n", out.string().c_str(), picture.width,
              picture.height, pages, pages == 1 ? "" : "s");
  return kExitOk;
}

}  // namespace veltrane::cli
