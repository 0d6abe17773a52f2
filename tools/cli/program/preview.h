// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "common/result.h"
#include "image/png.h"
#include "platform/clock.h"
#include "program/program_reader.h"
#include "render/renderer.h"

namespace veltrane::cli {

// Screen pixels per side of a picture's pixel square, unless the user asks for another.
constexpr int kDefaultPreviewScale = 4;
constexpr int kMaxPreviewScale = 32;  // what --scale takes at most

// Squares show every pixel exactly, for pixel checks; dots look like the sign itself.
enum class PreviewStyle { Squares, Dots };

struct PreviewLook {
  int scale = kDefaultPreviewScale;
  PreviewStyle style = PreviewStyle::Squares;
  bool labels = false;                        // a "page N" row under each page
  std::optional<size_t> page = std::nullopt;  // only this page (0-based); else every page
  // The screen's size, which each page then has; else a page is as large as its areas reach.
  std::optional<render::PictureSize> screen = std::nullopt;
};

// Pictures of more pixels than this are refused before anything is drawn: 4096 x 4096 pixels
// take 48 MiB as RGB, and a page a screen can address (65535 pixels a side) could ask for
// gigabytes.
constexpr int64_t kMaxPreviewPixels = int64_t{4096} * 4096;

// The size PictureProgram's picture has for `program` in `look`, measured without drawing.
render::PictureSize PreviewSize(const program::Program& program, const PreviewLook& look);

// What a screen shows for `program` (read from `block`) at `time`: every page side by side (or
// the look's one page), each screen pixel drawn `look.scale` picture pixels wide in the look's
// style. With `spills`, the areas drawn that light pixels beyond their rectangles are added there.
// Refused with one sentence, before anything is drawn, when the picture would pass
// kMaxPreviewPixels.
Result<image::RgbImage> PictureProgram(const program::Program& program,
                                       std::span<const uint8_t> block,
                                       const platform::LocalTime& time, const PreviewLook& look,
                                       std::vector<render::Spill>* spills = nullptr);

// Writes `picture` as a PNG to `file` as tools::WriteOutputFile does (what is there is replaced
// only once the whole picture is written); an empty string, or one sentence naming the file.
std::string WritePicture(const std::filesystem::path& file, const image::RgbImage& picture);

}  // namespace veltrane::cli
