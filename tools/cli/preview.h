#pragma once

#include <cstdint>
#include <span>

#include "image/png.h"
#include "platform/clock.h"
#include "program/program_reader.h"

namespace veltrane::cli {

// Screen pixels per side of a picture's pixel square, unless the user asks for another.
constexpr int kDefaultPreviewScale = 4;

// Squares show every pixel exactly, for pixel checks; dots look like the sign itself.
enum class PreviewStyle { Squares, Dots };

struct PreviewLook {
  int scale = kDefaultPreviewScale;
  PreviewStyle style = PreviewStyle::Squares;
  bool labels = false;  // a "page N" row under each page
};

// What a screen shows for `program` (read from `block`) at `time`: every page side by side, each
// screen pixel drawn `look.scale` picture pixels wide in the look's style.
image::RgbImage PictureProgram(const program::Program& program, std::span<const uint8_t> block,
                               const platform::LocalTime& time, const PreviewLook& look);

}  // namespace veltrane::cli
