// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "image/png.h"
#include "platform/clock.h"
#include "program/program_tree.h"

namespace veltrane::render {

// How a screen shows a lit pixel: one bit per pixel lights red; two bits give red, green or both.
constexpr uint8_t kLitLevel = 255;

// Pages are pictured up to this many pixels on a side (areas beyond are cut off), and scaled
// pictures up to kMaxPictureSide, so that a program's rectangles cannot ask for gigabytes.
constexpr int32_t kMaxPageSide = 4096;
constexpr int32_t kMaxPictureSide = 16384;

// An area whose lit pixels reach past the right or bottom of its rectangle: by how many pixels
// (0 on a side they stay within). The screen cuts what lies beyond, so this is what a preview
// loses of the area's picture.
struct Spill {
  size_t page = 0;  // 0-based, as the tree lists them
  size_t area = 0;
  int32_t right = 0;
  int32_t bottom = 0;
};

// A picture's size in pixels, wide enough to add up any number of pages, so that a picture can
// be measured and refused before it is drawn.
struct PictureSize {
  int64_t width = 1;
  int64_t height = 1;
  int64_t Pixels() const { return width * height; }
};

// The size RenderPage gives a page: the screen's when it is given, else as far as its areas
// reach; at least 1 x 1 and at most kMaxPageSide on a side.
PictureSize PageSizeOf(const program::Program& program, size_t pageIndex,
                       const std::optional<PictureSize>& screen = std::nullopt);

// The scale ScaleUp and DrawLeds use for a `width` x `height` picture asked at `scale`: lowered
// so that no side passes kMaxPictureSide, and at least 1.
int32_t FittedScale(int64_t width, int64_t height, int32_t scale);

// One page as a screen would show it at `time`: every area drawn at its place, clipped to its
// rectangle, on black. The page is PageSizeOf's size (a screen of `screen`'s, when given). With
// `spills`, every area that lit pixels beyond its rectangle is added there.
//   windows:    their picture;
//   strings:    the text in the default font, lit red;
//   date-time:  the glyphs the descriptor names for that time, left to right;
//   clocks:     the face under the hour, minute and second pictures for that time.
// `block` is the program block the tree was read from.
image::RgbImage RenderPage(const program::Program& program, std::span<const uint8_t> block,
                           size_t pageIndex, const platform::LocalTime& time,
                           std::vector<Spill>* spills = nullptr,
                           const std::optional<PictureSize>& screen = std::nullopt);

// Every page, in order.
std::vector<image::RgbImage> RenderProgram(const program::Program& program,
                                           std::span<const uint8_t> block,
                                           const platform::LocalTime& time,
                                           std::vector<Spill>* spills = nullptr,
                                           const std::optional<PictureSize>& screen = std::nullopt);

// Each pixel becomes a `scale` x `scale` square (scale 1 keeps the picture); the scale is lowered
// where the picture would pass kMaxPictureSide.
image::RgbImage ScaleUp(const image::RgbImage& image, int32_t scale);

// The pages side by side with a one-pixel grey gap, for a single picture of a whole program.
image::RgbImage JoinPages(const std::vector<image::RgbImage>& pages);

// The size of JoinPages' picture for pages of these sizes.
PictureSize JoinedSize(std::span<const PictureSize> pages);

}  // namespace veltrane::render
