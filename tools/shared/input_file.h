// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/result.h"
#include "image/png.h"

namespace veltrane::tools {

// The name that stands for standard input wherever a command reads a file.
constexpr std::string_view kStandardInputName = "-";

bool IsStandardInput(const std::filesystem::path& file);

// The file's name in sentences: "standard input" for "-".
std::string InputName(const std::filesystem::path& file);

// What an input is, for the sentence that refuses it ("a program block", "a PNG image").
struct InputKind {
  std::string_view name;
  size_t maxBytes = 0;
  // Whether a named pipe is read too: the input a user names on the command line may be a
  // shell's <(...); a path inside a file names a file, and a pipe there would wait for a writer
  // that never comes.
  bool pipe = false;
};

// Reads a whole input, never more than `kind.maxBytes` bytes of it. A regular file larger than
// that is refused by its size before anything is read; a directory or a device is refused by
// what it is, since reading one either fails late or never ends, and so is a named pipe unless
// the kind takes one. Standard input ("-") and pipes cannot tell their size, so they are read up
// to one byte past the limit. Gives the bytes or one sentence naming the file.
Result<std::vector<uint8_t>> ReadBoundedInput(const std::filesystem::path& file,
                                              const InputKind& kind);

// The sentence refusing `file` for passing `kind.maxBytes`: "big.bin has 3000000 bytes, more than
// the 2097152 bytes a program block may have", without the size when it is not known.
std::string TooLargeSentence(const std::filesystem::path& file, std::optional<uintmax_t> size,
                             const InputKind& kind);

// A PNG file read whole within image::kMaxPngFileBytes and decoded; errors name the file.
Result<image::RgbImage> ReadPngInput(const std::filesystem::path& file);

}  // namespace veltrane::tools
