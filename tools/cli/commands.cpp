#include "commands.h"

#include <algorithm>
#include <cstdio>

#include "format/packets.h"
#include "preview.h"
#include "program/program_reader.h"
#include "program/program_text.h"
#include "program_builder.h"
#include "program_file/program_file.h"
#include "shared/input_file.h"

namespace veltrane::cli {
namespace {

constexpr tools::InputKind kProgramBlockInput{"a program block", format::kMaxProgramBytes};
constexpr tools::InputKind kProgramFileInput{"a program file", kMaxProgramFileBytes};

// The program a program file's text describes, built; errors name the file.
std::variant<std::vector<uint8_t>, std::string> BuildProgramFile(
    const std::vector<uint8_t>& text, const std::filesystem::path& file,
    const std::filesystem::path& baseFolder) {
  const std::string name = tools::InputName(file);
  ProgramFileResult parsed =
      ParseProgramFile({reinterpret_cast<const char*>(text.data()), text.size()}, baseFolder);
  if (auto* error = std::get_if<ProgramFileError>(&parsed)) return name + ": " + error->Describe();
  BuiltProgram built = BuildProgram(std::get<ProgramFile>(parsed));
  if (auto* error = std::get_if<std::string>(&built)) return name + ": " + *error;
  return std::get<std::vector<uint8_t>>(std::move(built));
}

// Standard input has no name to tell its kind, so its content does; it is read up to the larger
// limit and then held to its own kind's. Relative image paths are taken from the working folder.
std::variant<std::vector<uint8_t>, std::string> LoadStandardInput() {
  const std::filesystem::path input(tools::kStandardInputName);
  auto read = tools::ReadBoundedInput(
      input, {"a program", std::max(kProgramFileInput.maxBytes, kProgramBlockInput.maxBytes)});
  if (std::holds_alternative<std::string>(read)) return read;
  const std::vector<uint8_t>& bytes = std::get<std::vector<uint8_t>>(read);
  const bool programFile =
      LooksLikeProgramFile({reinterpret_cast<const char*>(bytes.data()), bytes.size()});
  const tools::InputKind& kind = programFile ? kProgramFileInput : kProgramBlockInput;
  if (bytes.size() > kind.maxBytes) return tools::TooLargeSentence(input, bytes.size(), kind);
  if (!programFile) return read;
  return BuildProgramFile(bytes, input, {});
}

// A program given on the command line, loaded and read back into its tree.
struct CheckedProgram {
  std::vector<uint8_t> block;
  std::optional<program::ReadResult> read;  // absent when the file could not be loaded
};

CheckedProgram LoadAndRead(const std::filesystem::path& file) {
  CheckedProgram checked;
  auto loaded = LoadProgramBlock(file);
  if (auto* error = std::get_if<std::string>(&loaded)) {
    SayError(*error);
    return checked;
  }
  checked.block = std::get<std::vector<uint8_t>>(std::move(loaded));
  checked.read = program::ReadProgram(checked.block);
  if (!checked.read->ok()) {
    SayError(tools::InputName(file) + ": defect at byte " +
             std::to_string(checked.read->defect().offset) + ": " + checked.read->defect().message);
  }
  return checked;
}

}  // namespace

void SayError(const std::string& sentence) {
  std::fprintf(stderr, "veltrane: %s\n", sentence.c_str());
}

std::variant<std::vector<uint8_t>, std::string> LoadProgramBlock(
    const std::filesystem::path& file) {
  if (tools::IsStandardInput(file)) return LoadStandardInput();
  const bool programFile = file.extension() == ".json";
  auto read = tools::ReadBoundedInput(file, programFile ? kProgramFileInput : kProgramBlockInput);
  if (!programFile || std::holds_alternative<std::string>(read)) return read;
  return BuildProgramFile(std::get<std::vector<uint8_t>>(read), file, file.parent_path());
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
  const auto pictured = PictureProgram(program, checked.block, time, look);
  if (const auto* error = std::get_if<std::string>(&pictured)) {
    SayError(tools::InputName(file) + ": " + *error);
    return kExitUsage;
  }
  const image::RgbImage& picture = std::get<image::RgbImage>(pictured);
  if (const std::string error = image::WritePngFile(out, picture); !error.empty()) {
    SayError(error);
    return kExitUsage;
  }
  std::printf("wrote %s (%d x %d pixels, %zu page%s)\n", out.string().c_str(), picture.width,
              picture.height, program.pages.size(), program.pages.size() == 1 ? "" : "s");
  return kExitOk;
}

}  // namespace veltrane::cli
