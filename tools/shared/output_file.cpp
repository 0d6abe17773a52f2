// SPDX-License-Identifier: MIT
#include "shared/output_file.h"

#include <cerrno>
#include <cstdio>
#include <iostream>
#include <optional>
#include <random>
#include <system_error>

#include "platform/system_error.h"

namespace veltrane::tools {
namespace {

namespace fs = std::filesystem;

// As many links as the system itself follows in one path before it gives up.
constexpr int kMaxLinksFollowed = 40;
// Names tried for the new file beside the target before the write is given up.
constexpr int kTemporaryNamesTried = 100;

std::string CannotWrite(const fs::path& file, int systemError) {
  const std::string said = platform::SystemErrorText(systemError);
  return "cannot write " + file.string() + (said.empty() ? "" : ": " + said);
}

// The path a chain of symbolic links ends at (a relative link is taken from its own folder);
// `file` itself when it is no link; nothing for a chain too long to be anything but a loop.
std::optional<fs::path> FollowLinks(fs::path file) {
  for (int followed = 0; followed < kMaxLinksFollowed; ++followed) {
    std::error_code error;
    if (!fs::is_symlink(fs::symlink_status(file, error))) return file;
    const fs::path target = fs::read_symlink(file, error);
    if (error) return std::nullopt;
    file = target.is_absolute() ? target : file.parent_path() / target;
  }
  return std::nullopt;
}

// Writes every byte and closes `out`: 0, or the system's error number for what failed first.
int WriteAndClose(std::FILE* out, std::span<const uint8_t> bytes) {
  errno = 0;
  int error = 0;
  if (std::fwrite(bytes.data(), 1, bytes.size(), out) != bytes.size() || std::fflush(out) != 0)
    error = errno != 0 ? errno : EIO;
  if (std::fclose(out) != 0 && error == 0) error = errno != 0 ? errno : EIO;
  return error;
}

// A device or a pipe: it cannot be replaced, and opening it takes nothing away from it.
std::string WriteInPlace(const fs::path& file, std::span<const uint8_t> bytes) {
  std::FILE* out = std::fopen(file.c_str(), "wb");
  if (out == nullptr) return CannotWrite(file, errno);
  if (const int error = WriteAndClose(out, bytes); error != 0) return CannotWrite(file, error);
  return {};
}

// A new file beside `target` takes its name once it holds every byte. Only that new file, made
// here, is ever removed.
std::string WriteReplacing(const fs::path& named, const fs::path& target,
                           std::optional<fs::perms> keptPermissions,
                           std::span<const uint8_t> bytes) {
  std::mt19937 draw{std::random_device{}()};
  for (int tried = 0; tried < kTemporaryNamesTried; ++tried) {
    const fs::path temporary = target.parent_path() / ("." + target.filename().string() + "." +
                                                       std::to_string(draw() % 1000000) + ".tmp");
    std::FILE* out = std::fopen(temporary.c_str(), "wbx");  // never one that is there already
    if (out == nullptr && errno == EEXIST) continue;
    if (out == nullptr) return CannotWrite(named, errno);
    int error = WriteAndClose(out, bytes);
    std::error_code renamed;
    if (error == 0 && keptPermissions) fs::permissions(temporary, *keptPermissions, renamed);
    if (error == 0) fs::rename(temporary, target, renamed);
    if (error == 0) error = renamed.value();
    if (error == 0) return {};
    std::error_code ignored;
    fs::remove(temporary, ignored);
    return CannotWrite(named, error);
  }
  return CannotWrite(named, EEXIST);
}

}  // namespace

std::string WriteOutputFile(const fs::path& file, std::span<const uint8_t> bytes) {
  std::error_code error;
  const fs::file_status status = fs::status(file, error);  // through links, as an open goes
  if (fs::is_directory(status)) return file.string() + " is a directory, not a file";
  if (fs::exists(status) && !fs::is_regular_file(status)) return WriteInPlace(file, bytes);
  const std::optional<fs::path> target = FollowLinks(file);
  if (!target) return CannotWrite(file, ELOOP);
  std::optional<fs::perms> permissions;
  if (fs::exists(status)) permissions = status.permissions();
  return WriteReplacing(file, *target, permissions, bytes);
}

int FinishStandardOutput(const char* programName, int status) {
  constexpr int kExitOutputLost = 1;
  errno = 0;
  std::cout.flush();
  const bool flushed = std::fflush(stdout) == 0;
  const int error = errno;  // from whichever flush failed, if one did
  if (flushed && !std::ferror(stdout) && std::cout.good()) return status;
  // A write that failed earlier leaves only its mark on the stream, not the reason.
  const std::string said = platform::SystemErrorText(error);
  std::fprintf(stderr, "%s: cannot write standard output%s\n", programName,
               said.empty() ? "" : (": " + said).c_str());
  return status == 0 ? kExitOutputLost : status;
}

}  // namespace veltrane::tools
