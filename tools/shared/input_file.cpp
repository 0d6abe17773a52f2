// SPDX-License-Identifier: MIT
#include "shared/input_file.h"

#include <algorithm>
#include <fstream>
#include <iostream>
#include <optional>
#include <system_error>

#include "common/status_text.h"
#include "platform/system_error.h"
#include "shared/refusal.h"

namespace veltrane::tools {
namespace {

namespace fs = std::filesystem;

// Why a file of this type cannot be read whole as `kind`; nothing for the types that can.
std::optional<std::string> RefusedType(const fs::path& file, fs::file_type type,
                                       const InputKind& kind) {
  switch (type) {
    case fs::file_type::regular:
      return std::nullopt;
    case fs::file_type::fifo:  // a pipe, e.g. a shell's <(...): read with the same bound
      if (kind.pipe) return std::nullopt;
      return file.string() + " is a pipe, not a regular file";
    case fs::file_type::directory:
      return file.string() + " is a directory, not a file";
    case fs::file_type::character:
    case fs::file_type::block:
      return file.string() + " is a device, not a regular file";
    default:
      return file.string() + " is not a regular file";
  }
}

// Reads at most `limit` + 1 bytes, so that an input over the limit shows itself without being
// read to its end.
std::vector<uint8_t> ReadAtMost(std::istream& in, size_t limit) {
  std::vector<uint8_t> bytes;
  constexpr size_t kPiece = 64 * 1024;
  while (in && bytes.size() <= limit) {
    const size_t want = std::min(kPiece, limit + 1 - bytes.size());
    const size_t before = bytes.size();
    bytes.resize(before + want);
    in.read(reinterpret_cast<char*>(bytes.data() + before), static_cast<std::streamsize>(want));
    bytes.resize(before + static_cast<size_t>(in.gcount()));
  }
  return bytes;
}

std::string CannotRead(const fs::path& file, const std::error_code& error) {
  return "cannot read " + file.string() + ": " + platform::SystemErrorText(error.value());
}

}  // namespace

bool IsStandardInput(const fs::path& file) { return file == fs::path(kStandardInputName); }

std::string InputName(const fs::path& file) {
  return IsStandardInput(file) ? "standard input" : file.string();
}

std::string TooLargeSentence(const fs::path& file, std::optional<uintmax_t> size,
                             const InputKind& kind) {
  const std::string limit =
      std::to_string(kind.maxBytes) + " bytes " + std::string(kind.name) + " may have";
  if (!size) return InputName(file) + " has more than the " + limit;
  return InputName(file) + " has " + std::to_string(*size) + " bytes, more than the " + limit;
}

Result<std::vector<uint8_t>> ReadBoundedInput(const fs::path& file, const InputKind& kind) {
  std::vector<uint8_t> bytes;
  if (IsStandardInput(file)) {
    bytes = ReadAtMost(std::cin, kind.maxBytes);
  } else {
    std::error_code error;
    const fs::file_status status = fs::status(file, error);
    if (error) return Refusal(CannotRead(file, error));
    if (auto refused = RefusedType(file, status.type(), kind)) return Refusal(*std::move(refused));
    if (status.type() == fs::file_type::regular) {
      const uintmax_t size = fs::file_size(file, error);
      if (error) return Refusal(CannotRead(file, error));
      if (size > kind.maxBytes) return Refusal(TooLargeSentence(file, size, kind));
    }
    std::ifstream in(file, std::ios::binary);
    if (!in) return Refusal("cannot read " + file.string());
    bytes = ReadAtMost(in, kind.maxBytes);
  }
  // Read one byte past the limit: the whole size is unknown.
  if (bytes.size() > kind.maxBytes) return Refusal(TooLargeSentence(file, std::nullopt, kind));
  return bytes;
}

Result<image::RgbImage> ReadPngInput(const fs::path& file) {
  auto bytes = ReadBoundedInput(file, {"a PNG image", image::kMaxPngFileBytes});
  if (!bytes) return Failure(bytes.error());
  auto png = image::ReadPng(*bytes);
  if (!png) return Refusal(InputName(file) + ": " + StatusText(png.error()));
  return std::move(*png);
}

}  // namespace veltrane::tools
