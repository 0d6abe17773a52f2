// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "folder.h"
#include "image/png.h"
#include "program/program_tree.h"
#include "program_file/program_file.h"
#include "requests.h"
#include "warnings.h"

namespace veltrane::studio {

// The freed memory the studio keeps for its next preview (see platform::KeepFreedMemory): each
// preview draws and encodes a few megabytes of picture; kept, they cost no page faults.
constexpr size_t kPreviewMemory = 128 * 1024 * 1024;

// A program of the page built as `veltrane send` builds its file, and read back.
struct BuiltProgram {
  cli::ProgramFile file;
  std::vector<uint8_t> block;
  program::Program tree;       // views `block`
  cli::Warnings fileWarnings;  // what the file itself is warned about: faces, the screen
};

// Reads the page's program as its file would be read (pictures relative to the file's folder)
// and builds it. Refused with one sentence: a path or picture outside the studio's folder, a
// program file the reader refuses, a program the builder refuses.
Result<std::shared_ptr<const BuiltProgram>> BuildPageProgram(const StudioFolder& folder,
                                                             const PageProgram& program);

// A picture of a program as a PNG.
struct Picture {
  std::vector<uint8_t> png;
  int32_t width = 0;
  int32_t height = 0;
};

// What the page shows of a program: its picture (which the design canvas shows too), how large
// it is, and the command's warnings about it at the time shown.
struct Preview {
  Picture picture;
  size_t bytes = 0;
  size_t pages = 0;
  std::vector<std::string> warnings;
};

// The program's picture as `veltrane preview --style dots` draws it at the ask's time, page and
// scale (the spills drawn are added to `spills`); one sentence when it cannot be drawn.
Result<Picture> PictureOf(const BuiltProgram& program, const PictureAsk& ask,
                          image::PngEffort effort, std::vector<render::Spill>* spills = nullptr);

// The picture, encoded for speed, with what goes beside it.
Result<Preview> PreviewOf(const BuiltProgram& program, const PictureAsk& ask);

}  // namespace veltrane::studio
