// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>

namespace veltrane::tools {

// Writes `bytes` to the path a user named for a tool's output (a picture, a program the simulator
// keeps), so that a failed write leaves what was there as it was:
// - a regular file, or a path with nothing there yet, is replaced whole: the bytes go to a new
//   file beside it, which takes the name (and the old file's permissions) only once every byte is
//   written; on a failure that new file is removed and nothing else is touched;
// - a symbolic link is followed and the file it leads to is replaced that way; the link stays;
// - a device or a pipe (/dev/stdout, a FIFO) is written in place, since it cannot be replaced;
// - a folder is refused.
// Gives an empty string, or one sentence naming `file`: "cannot write out.png: no space left on
// device".
std::string WriteOutputFile(const std::filesystem::path& file, std::span<const uint8_t> bytes);

// The exit status a tool ends with once its standard output is flushed: `status` when all it
// printed was written; when some was lost (a full disk, a closed output) one sentence on stderr,
// prefixed with `programName`, and 1 in place of a success, so that lost results do not pass
// for results given.
int FinishStandardOutput(const char* programName, int status);

}  // namespace veltrane::tools
