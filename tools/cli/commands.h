#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "platform/clock.h"
#include "preview.h"
#include "program/program_reader.h"

namespace veltrane::cli {

// Exit statuses of the veltrane command.
constexpr int kExitOk = 0;
constexpr int kExitScreen = 1;  // the screen did not answer or refused
constexpr int kExitUsage = 2;   // bad usage or unusable input

// Says what went wrong in one sentence on stderr, as "veltrane: ...".
void SayError(const std::string& sentence);

// A program given on the command line: a program file (.json) built here, or a raw block.
// Gives the block, or one sentence saying why there is none.
std::variant<std::vector<uint8_t>, std::string> LoadProgramBlock(const std::filesystem::path& file);

// A program given on the command line, loaded and read back into its tree.
struct CheckedProgram {
  std::vector<uint8_t> block;
  std::optional<program::ReadResult> read;  // absent when the file could not be loaded
};

// Loads `file` and reads it with the program reader. Says on stderr why it could not be loaded,
// or "FILE: defect at byte N: ..." for the first defect.
CheckedProgram LoadAndRead(const std::filesystem::path& file);

// "HH:MM:SS" (or "HH:MM") on today's date; nothing for anything else.
std::optional<platform::LocalTime> ParseTimeOfDay(const std::string& text,
                                                  const platform::LocalTime& today);

// `veltrane inspect FILE`: the record tree, or the first defect with its offset.
int Inspect(const std::filesystem::path& file);

// `veltrane preview FILE -o OUT`: every page at `time`, side by side, scaled up, as a PNG.
int Preview(const std::filesystem::path& file, const std::filesystem::path& out,
            const platform::LocalTime& time, const PreviewLook& look);

}  // namespace veltrane::cli
