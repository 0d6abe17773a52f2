#pragma once

#include <cstdint>
#include <span>

#include "image/png.h"
#include "platform/clock.h"
#include "program/program_reader.h"

namespace veltrane::cli {

// Screen pixels per side of a picture's pixel square, unless the user asks for another.
constexpr int kDefaultPreviewScale = 4;

// What a screen shows for `program` (read from `block`) at `time`: every page side by side, each
// screen pixel drawn as a `scale` x `scale` square.
image::RgbImage PictureProgram(const program::Program& program, std::span<const uint8_t> block,
                               const platform::LocalTime& time, int scale);

}  // namespace veltrane::cli
