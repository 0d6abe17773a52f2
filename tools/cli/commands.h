// SPDX-License-Identifier: MIT
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "preview.h"
#include "program/program_reader.h"
#include "program/program_text.h"
#include "warnings.h"

namespace veltrane::cli {

// Exit statuses of the veltrane command.
constexpr int kExitOk = 0;
constexpr int kExitScreen = 1;  // the screen did not answer or refused
constexpr int kExitUsage = 2;   // bad usage or unusable input

// How a subcommand reports.
struct Reporting {
  bool json = false;    // its result as one JSON document on stdout instead of lines of text
  bool strict = false;  // any warning fails it with kExitUsage, before it writes or sends anything
};

// Says what went wrong in one sentence on stderr, as "veltrane: ...".
void SayError(const std::string& sentence);

// What a program file says beyond the program it builds.
struct ProgramFileFacts {
  program::SourceKindNames kinds;    // what the file calls each area
  std::optional<ScreenSize> screen;  // the screen the file names
};

// A program given on the command line: a program file (.json) built here, or a raw block.
// Gives the block, or one sentence saying why there is none. With `warnings`, what a program
// file's faces and screen are warned about is added there; with `facts`, what else it says.
Result<std::vector<uint8_t>> LoadProgramBlock(const std::filesystem::path& file,
                                              Warnings* warnings = nullptr,
                                              ProgramFileFacts* facts = nullptr);

// A program given on the command line, loaded and read back into its tree.
struct CheckedProgram {
  std::vector<uint8_t> block;
  std::optional<program::ReadResult> read;  // absent when the file could not be loaded
  ProgramFileFacts facts;                   // empty for a raw block
};

// Loads `file` and reads it with the program reader. Says on stderr why it could not be loaded,
// or "FILE: defect at byte N: ..." for the first defect. What a program file's faces and screen
// are warned about is added to `warnings`.
CheckedProgram LoadAndRead(const std::filesystem::path& file, Warnings& warnings);

// Where `preview` writes when not told: the program's path with ".png" for its extension. Nothing
// for standard input ("-"), and nothing when that is the program's own path.
std::optional<std::filesystem::path> DefaultPreviewPath(const std::filesystem::path& program);

// `veltrane inspect FILE`: the record tree (with `summary`, a line per page and per area), or the
// first defect with its offset. Warnings about the program go to stderr first.
int Inspect(const std::filesystem::path& file, const Reporting& reporting = {},
            bool summary = false);

// `veltrane preview FILE -o OUT`: every page (or the look's one page) at `time`, side by side,
// scaled up, as a PNG. Warnings about the program go to stderr first.
int Preview(const std::filesystem::path& file, const std::filesystem::path& out,
            const platform::LocalTime& time, const PreviewLook& look, bool strict = false);

}  // namespace veltrane::cli
