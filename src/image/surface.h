// SPDX-License-Identifier: MIT
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace veltrane::image {

// A colour as the host gives it: 0x00BBGGRR. The top byte is ignored.
using Color = uint32_t;
constexpr Color kBlack = 0;
constexpr Color kColorMask = 0x00FFFFFF;

constexpr uint8_t RedOf(Color c) { return static_cast<uint8_t>(c); }
constexpr uint8_t GreenOf(Color c) { return static_cast<uint8_t>(c >> 8); }
constexpr uint8_t BlueOf(Color c) { return static_cast<uint8_t>(c >> 16); }
constexpr Color MakeColor(uint8_t red, uint8_t green, uint8_t blue) {
  return static_cast<Color>(red) | (static_cast<Color>(green) << 8) |
         (static_cast<Color>(blue) << 16);
}

struct Point {
  int32_t x = 0;
  int32_t y = 0;
  friend bool operator==(const Point&, const Point&) = default;
};

// A rectangle of pixels: [left, right) x [top, bottom).
struct Box {
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = 0;
  int32_t bottom = 0;
  friend bool operator==(const Box&, const Box&) = default;
};

// A picture the host drew in its own memory: rows top-down, `stride` bytes apart, each pixel
// 3 bytes (blue, green, red) or 4 bytes (blue, green, red, unused).
struct PixelView {
  const uint8_t* pixels = nullptr;
  int32_t width = 0;
  int32_t height = 0;
  int64_t stride = 0;
  int32_t bytesPerPixel = 3;
};

// A picture of 24-bit colours that the items draw on, with the pixel rules of the Windows drawing
// services their geometry assumes: rectangles and ellipse boxes exclude their right and bottom
// edges, a line leaves out its last pixel. Everything is clipped to the picture; pixels read
// outside it are black. A new surface is black.
class Surface {
 public:
  Surface() = default;
  // A negative width or height counts as 0. A picture with no pixels still keeps its other side
  // (a line of text without characters is 0 pixels wide but as high as its font).
  Surface(int32_t width, int32_t height);

  // Copies `width` x `height` pixels from the top-left of a host picture; pixels beyond the host
  // picture's own size are black. The view must describe memory that really holds its rows.
  static Surface FromPixels(const PixelView& view, int32_t width, int32_t height);

  int32_t width() const { return width_; }
  int32_t height() const { return height_; }

  Color Pixel(int32_t x, int32_t y) const;
  void SetPixel(int32_t x, int32_t y, Color color);

  // Row y (0 <= y < height) as `width` colours, for code that walks whole rows.
  std::span<const Color> Row(int32_t y) const {
    return {pixels_.data() + static_cast<size_t>(y) * static_cast<size_t>(width_),
            static_cast<size_t>(width_)};
  }
  std::span<Color> MutableRow(int32_t y) {
    return {pixels_.data() + static_cast<size_t>(y) * static_cast<size_t>(width_),
            static_cast<size_t>(width_)};
  }

  // Fills [left, right) x [top, bottom).
  void FillRect(int32_t left, int32_t top, int32_t right, int32_t bottom, Color color);

  // The ellipse inscribed in the box [left, right) x [top, bottom): its one-pixel outline in
  // `pen`, its inside in `brush`. The box's corners may come in any order.
  void Ellipse(int32_t left, int32_t top, int32_t right, int32_t bottom, Color pen, Color brush);

  // A one-pixel line from `from` towards `to`, leaving out the pixel at `to`.
  void Line(Point from, Point to, Color pen);

  // Fills the 4-connected region around `start` that is bounded by pixels of `border`.
  // Nothing happens when `start` is outside the picture or itself has the border colour.
  void FloodFill(Point start, Color border, Color fill);

  // Maps the whole of `source` onto the parallelogram whose corners receive the source's
  // top-left, top-right and bottom-left corners (`corners` in that order); every destination
  // pixel whose centre falls inside takes the source pixel under its centre.
  void ParallelogramBlit(const Surface& source, const std::array<Point, 3>& corners);
  // The same mapping, writing only the destination pixels that take their colour from inside
  // `sourceBox`. Returns a box holding every pixel written (empty when none).
  Box ParallelogramBlit(const Surface& source, const std::array<Point, 3>& corners,
                        const Box& sourceBox);

  // Copies the `width` x `height` pixels at (sourceX, sourceY) of `source` to (x, y).
  void Blit(int32_t x, int32_t y, int32_t width, int32_t height, const Surface& source,
            int32_t sourceX, int32_t sourceY);

 private:
  bool Contains(int32_t x, int32_t y) const {
    return x >= 0 && y >= 0 && x < width_ && y < height_;
  }
  Color& At(int32_t x, int32_t y) {
    return pixels_[static_cast<size_t>(y) * static_cast<size_t>(width_) + static_cast<size_t>(x)];
  }
  // Fills [x0, x1] of row y, clipped.
  void FillSpan(int32_t y, int64_t x0, int64_t x1, Color color);

  int32_t width_ = 0;
  int32_t height_ = 0;
  std::vector<Color> pixels_;
};

}  // namespace veltrane::image
