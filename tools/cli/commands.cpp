#include "commands.h"

#include <cstdio>
#include <fstream>
#include <iterator>

#include "preview.h"
#include "program/program_reader.h"
#include "program/program_text.h"
#include "program_builder.h"
#include "program_file/program_file.h"

namespace veltrane::cli {

CheckedProgram LoadAndRead(const std::filesystem::path& file) {
  CheckedProgram checked;
  // Reading a folder fails deep inside the stream or JSON library, in words that name neither.
  if (std::error_code error; std::filesystem::is_directory(file, error)) {
    SayError(file.string() + ": is a folder, not a file");
    return checked;
  }
  auto loaded = LoadProgramBlock(file);
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

std::variant<std::vector<uint8_t>, std::string> LoadProgramBlock(
    const std::filesystem::path& file) {
  if (file.extension() == ".json") {
    ProgramFileResult parsed = LoadProgramFile(file);
    if (auto* error = std::get_if<ProgramFileError>(&parsed))
      return file.string() + ": " + error->Describe();
    BuiltProgram built = BuildProgram(std::get<ProgramFile>(parsed));
    if (auto* error = std::get_if<std::string>(&built)) return file.string() + ": " + *error;
    return std::get<std::vector<uint8_t>>(std::move(built));
  }
  std::ifstream in(file, std::ios::binary);
  if (!in) return "cannot read " + file.string();
  return std::vector<uint8_t>{std::istreambuf_iterator<char>(in), {}};
}

std::optional<platform::LocalTime> ParseTimeOfDay(const std::string& text,
                                                  const platform::LocalTime& today) {
  unsigned hour = 0, minute = 0, second = 0;
  char extra = 0;
  const int fields = std::sscanf(text.c_str(), "%2u:%2u:%2u%c", &hour, &minute, &second, &extra);
  if ((fields != 2 && fields != 3) || hour > 23 || minute > 59 || second > 59) return std::nullopt;
  if (fields == 2 && text.size() != 5) return std::nullopt;
  platform::LocalTime time = today;
  time.hour = static_cast<uint16_t>(hour);
  time.minute = static_cast<uint16_t>(minute);
  time.second = static_cast<uint16_t>(second);
  return time;
}

int Inspect(const std::filesystem::path& file) {
  const CheckedProgram checked = LoadAndRead(file);
  if (!checked.read || !checked.read->ok()) return kExitUsage;
  std::printf("%s", program::DescribeProgram(checked.read->program()).c_str());
  return kExitOk;
}

int Preview(const std::filesystem::path& file, const std::filesystem::path& out,
            const platform::LocalTime& time, const PreviewLook& look) {
  const CheckedProgram checked = LoadAndRead(file);
  if (!checked.read || !checked.read->ok()) return kExitUsage;
  const program::Program& program = checked.read->program();
  const image::RgbImage picture = PictureProgram(program, checked.block, time, look);
  if (const std::string error = image::WritePngFile(out, picture); !error.empty()) {
    SayError(error);
    return kExitUsage;
  }
  std::printf("wrote %s (%d x %d pixels, %zu page%s)\n", out.string().c_str(), picture.width,
              picture.height, program.pages.size(), program.pages.size() == 1 ? "" : "s");
  return kExitOk;
}

}  // namespace veltrane::cli
