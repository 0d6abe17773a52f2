#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "image/png.h"
#include "platform/clock.h"
#include "program/program_reader.h"
#include "render/renderer.h"

namespace veltrane::cli {

// Screen pixels per side of a picture's pixel square, unless the user asks for another.
constexpr int kDefaultPreviewScale = 4;

// Squares show every pixel exactly, for pixel checks; dots look like the sign itself.
enum class PreviewStyle { Squares, Dots };

struct PreviewLook {
  int scale = kDefaultPreviewScale;
  PreviewStyle style = PreviewStyle::Squares;
  bool labels = false;                        // a "page N" row under each page
  std::optional<size_t> page = std::nullopt;  // only this page (0-based); else every page
};

// What a screen shows for `program` (read from `block`) at `time`: every page side by side (or
// the look's one page), each screen pixel drawn `look.scale` picture pixels wide in the look's
// style. With `spills`, the areas drawn that light pixels beyond their rectangles are added there.
image::RgbImage PictureProgram(const program::Program& program, std::span<const uint8_t> block,
                               const platform::LocalTime& time, const PreviewLook& look,
                               std::vector<render::Spill>* spills = nullptr);

}  // namespace veltrane::cli
