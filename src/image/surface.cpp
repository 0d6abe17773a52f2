// SPDX-License-Identifier: MIT
#include "image/surface.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <utility>

#include "image/wide_arithmetic.h"

namespace veltrane::image {
namespace {

// Narrows [from, to] to the columns x where value0 + perX * (x - x0) lies in [low, high).
// False when no column can.
bool NarrowToInside(double value0, double perX, int32_t low, int32_t high, int64_t x0, double& from,
                    double& to) {
  if (perX == 0) return value0 >= low && value0 < high;
  double atZero = static_cast<double>(x0) + (low - value0) / perX;
  double atLimit = static_cast<double>(x0) + (high - value0) / perX;
  if (atZero > atLimit) std::swap(atZero, atLimit);
  from = std::max(from, atZero);
  to = std::min(to, atLimit);
  return from <= to + 2;  // within the widening the caller adds
}

// Ellipse boxes beyond this many pixels across are not drawn: their squared terms would leave
// 128-bit arithmetic, and no picture the library makes comes near.
constexpr int64_t kMaxEllipseExtent = int64_t{1} << 30;

// Column span [first, last] (offsets from the box's left) of row `row` of the ellipse inscribed
// in a w x h box. A pixel belongs to the ellipse when its centre lies inside or on it; in
// half-pixel units from the box centre, u = 2i + 1 - w and v = 2j + 1 - h, that is
// u²h² + v²w² <= w²h².
struct Span {
  int64_t first;
  int64_t last;
};
std::optional<Span> EllipseRow(int64_t w, int64_t h, int64_t row) {
  if (row < 0 || row >= h) return std::nullopt;
  const int64_t v = 2 * row + 1 - h;
  // The largest u with u²h² <= w²(h² - v²), estimated in floating point and settled exactly.
  const Wide room =
      MultiplyWide(static_cast<uint64_t>(w * w), static_cast<uint64_t>(h * h - v * v));
  const auto inside = [&](int64_t u) {
    const auto uh = static_cast<uint64_t>(u * h);
    return MultiplyWide(uh, uh) <= room;
  };
  const double estimate = std::sqrt(static_cast<double>(w) * static_cast<double>(w) *
                                    (static_cast<double>(h) * static_cast<double>(h) -
                                     static_cast<double>(v) * static_cast<double>(v))) /
                          static_cast<double>(h);
  int64_t u = std::clamp<int64_t>(static_cast<int64_t>(estimate), 0, w);
  while (u > 0 && !inside(u)) --u;
  while (u < w && inside(u + 1)) ++u;
  if ((u & 1) != ((w + 1) & 1)) --u;  // u has the parity of w + 1
  if (u < 0) return std::nullopt;
  return Span{(w - 1 - u) / 2, (w - 1 + u) / 2};
}

// i * m / steps rounded half up, for 0 <= i < steps and 0 <= m <= steps. Lines across the
// whole coordinate range need more than 64 bits for the product.
int64_t RoundedShare(int64_t i, int64_t m, int64_t steps) {
  constexpr int64_t kNarrowSteps = int64_t{1} << 30;
  if (steps < kNarrowSteps) return (2 * i * m + steps) / (2 * steps);
  const Wide twice = MultiplyWide(static_cast<uint64_t>(2 * i), static_cast<uint64_t>(m));
  return static_cast<int64_t>(
      DivideWide(AddWide(twice, static_cast<uint64_t>(steps)), static_cast<uint64_t>(2 * steps)));
}

}  // namespace

Surface::Surface(int32_t width, int32_t height)
    : width_(std::max(width, 0)),
      height_(std::max(height, 0)),
      pixels_(static_cast<size_t>(width_) * static_cast<size_t>(height_), kBlack) {}

Surface Surface::FromPixels(const PixelView& view, int32_t width, int32_t height) {
  Surface surface(width, height);
  if (view.pixels == nullptr || view.bytesPerPixel < 3) return surface;
  const int32_t rows = std::min(surface.height_, view.height);
  const int32_t columns = std::min(surface.width_, view.width);
  for (int32_t y = 0; y < rows; ++y) {
    const uint8_t* in = view.pixels + static_cast<ptrdiff_t>(y) * view.stride;
    std::span<Color> out = surface.MutableRow(y);
    for (int32_t x = 0; x < columns; ++x, in += view.bytesPerPixel) {
      out[static_cast<size_t>(x)] = MakeColor(in[2], in[1], in[0]);
    }
  }
  return surface;
}

Color Surface::Pixel(int32_t x, int32_t y) const {
  if (!Contains(x, y)) return kBlack;
  return pixels_[static_cast<size_t>(y) * static_cast<size_t>(width_) + static_cast<size_t>(x)];
}

void Surface::SetPixel(int32_t x, int32_t y, Color color) {
  if (Contains(x, y)) At(x, y) = color & kColorMask;
}

void Surface::FillSpan(int32_t y, int64_t x0, int64_t x1, Color color) {
  if (y < 0 || y >= height_) return;
  x0 = std::max<int64_t>(x0, 0);
  x1 = std::min<int64_t>(x1, width_ - 1);
  if (x0 > x1) return;
  std::span<Color> row = MutableRow(y);
  std::fill(row.begin() + x0, row.begin() + x1 + 1, color & kColorMask);
}

void Surface::FillRect(int32_t left, int32_t top, int32_t right, int32_t bottom, Color color) {
  const int32_t y0 = std::max(top, 0);
  const int32_t y1 = std::min(bottom, height_);
  for (int32_t y = y0; y < y1; ++y) FillSpan(y, left, int64_t{right} - 1, color);
}

void Surface::Ellipse(int32_t left, int32_t top, int32_t right, int32_t bottom, Color pen,
                      Color brush) {
  if (left > right) std::swap(left, right);
  if (top > bottom) std::swap(top, bottom);
  const int64_t w = int64_t{right} - left;
  const int64_t h = int64_t{bottom} - top;
  if (w == 0 || h == 0 || w > kMaxEllipseExtent || h > kMaxEllipseExtent) return;

  const int64_t firstRow = std::max<int64_t>(0, -int64_t{top});
  const int64_t lastRow = std::min<int64_t>(h - 1, int64_t{height_} - 1 - top);
  for (int64_t row = firstRow; row <= lastRow; ++row) {
    const std::optional<Span> span = EllipseRow(w, h, row);
    if (!span) continue;
    const auto y = static_cast<int32_t>(top + row);
    FillSpan(y, left + span->first, left + span->last, pen);
    // Inside: pixels whose four neighbours all belong to the ellipse.
    const std::optional<Span> above = EllipseRow(w, h, row - 1);
    const std::optional<Span> below = EllipseRow(w, h, row + 1);
    if (!above || !below) continue;
    const int64_t first = std::max({span->first + 1, above->first, below->first});
    const int64_t last = std::min({span->last - 1, above->last, below->last});
    if (first <= last) FillSpan(y, left + first, left + last, brush);
  }
}

void Surface::Line(Point from, Point to, Color pen) {
  // Pixel i of n along the major axis sits at i steps from `from`, the minor axis rounded half up
  // from the exact line; i = n (the pixel at `to`) is left out.
  const int64_t dx = int64_t{to.x} - from.x;
  const int64_t dy = int64_t{to.y} - from.y;
  const bool xMajor = std::abs(dx) >= std::abs(dy);
  const int64_t major = xMajor ? dx : dy;
  const int64_t minor = xMajor ? dy : dx;
  const int64_t steps = std::abs(major);
  if (steps == 0) return;
  const int64_t majorStep = major > 0 ? 1 : -1;
  const int64_t minorStep = minor >= 0 ? 1 : -1;
  const int64_t majorStart = xMajor ? from.x : from.y;
  const int64_t minorStart = xMajor ? from.y : from.x;
  const int64_t majorLimit = xMajor ? width_ : height_;

  // Only the steps whose major coordinate lies inside the picture.
  int64_t first = majorStep > 0 ? -majorStart : majorStart - (majorLimit - 1);
  int64_t last = majorStep > 0 ? majorLimit - 1 - majorStart : majorStart;
  first = std::max<int64_t>(first, 0);
  last = std::min(last, steps - 1);
  for (int64_t i = first; i <= last; ++i) {
    const auto offset = RoundedShare(i, std::abs(minor), steps);
    const int64_t a = majorStart + majorStep * i;
    const int64_t b = minorStart + minorStep * offset;
    if (b < 0 || b >= (xMajor ? height_ : width_)) continue;
    const auto x = static_cast<int32_t>(xMajor ? a : b);
    const auto y = static_cast<int32_t>(xMajor ? b : a);
    At(x, y) = pen & kColorMask;
  }
}

void Surface::FloodFill(Point start, Color border, Color fill) {
  border &= kColorMask;
  if (!Contains(start.x, start.y) || Pixel(start.x, start.y) == border) return;
  std::vector<uint8_t> seen(pixels_.size(), 0);
  const auto index = [&](int32_t x, int32_t y) {
    return static_cast<size_t>(y) * static_cast<size_t>(width_) + static_cast<size_t>(x);
  };
  const auto open = [&](int32_t x, int32_t y) {
    return pixels_[index(x, y)] != border && seen[index(x, y)] == 0;
  };
  // Scanline fill: each popped seed grows into its whole run, which then seeds the rows above
  // and below once per run of open pixels.
  std::vector<Point> seeds{start};
  while (!seeds.empty()) {
    const Point seed = seeds.back();
    seeds.pop_back();
    if (!open(seed.x, seed.y)) continue;
    int32_t x0 = seed.x;
    int32_t x1 = seed.x;
    while (x0 > 0 && open(x0 - 1, seed.y)) --x0;
    while (x1 < width_ - 1 && open(x1 + 1, seed.y)) ++x1;
    for (int32_t x = x0; x <= x1; ++x) {
      seen[index(x, seed.y)] = 1;
      At(x, seed.y) = fill & kColorMask;
    }
    for (int32_t y : {seed.y - 1, seed.y + 1}) {
      if (y < 0 || y >= height_) continue;
      bool inRun = false;
      for (int32_t x = x0; x <= x1; ++x) {
        const bool isOpen = open(x, y);
        if (isOpen && !inRun) seeds.push_back({x, y});
        inRun = isOpen;
      }
    }
  }
}

void Surface::ParallelogramBlit(const Surface& source, const std::array<Point, 3>& corners) {
  ParallelogramBlit(source, corners, {0, 0, source.width_, source.height_});
}

Box Surface::ParallelogramBlit(const Surface& source, const std::array<Point, 3>& corners,
                               const Box& sourceBox) {
  if (&source == this) {
    const Surface copy = source;
    return ParallelogramBlit(copy, corners, sourceBox);
  }
  const Box inside{std::max(0, sourceBox.left), std::max(0, sourceBox.top),
                   std::min(source.width_, sourceBox.right),
                   std::min(source.height_, sourceBox.bottom)};
  Box visited{width_, height_, 0, 0};
  if (inside.left >= inside.right || inside.top >= inside.bottom) return {};
  // The destination is P0 + a·(P1 − P0) + b·(P2 − P0) for a source point (a·sw, b·sh).
  const double p0x = corners[0].x, p0y = corners[0].y;
  const double e1x = corners[1].x - p0x, e1y = corners[1].y - p0y;
  const double e2x = corners[2].x - p0x, e2y = corners[2].y - p0y;
  const double det = e1x * e2y - e1y * e2x;
  if (det == 0) return {};

  const double xs[] = {p0x, p0x + e1x, p0x + e2x, p0x + e1x + e2x};
  const double ys[] = {p0y, p0y + e1y, p0y + e2y, p0y + e1y + e2y};
  const auto x0 = static_cast<int64_t>(std::max(0.0, std::floor(*std::min_element(xs, xs + 4))));
  const auto y0 = static_cast<int64_t>(std::max(0.0, std::floor(*std::min_element(ys, ys + 4))));
  const auto x1 =
      static_cast<int64_t>(std::min<double>(width_ - 1, std::ceil(*std::max_element(xs, xs + 4))));
  const auto y1 =
      static_cast<int64_t>(std::min<double>(height_ - 1, std::ceil(*std::max_element(ys, ys + 4))));

  // u and v are linear along a row; only the columns where both can lie inside the source box
  // are visited (widened by a pixel so that rounding never drops one), and each is then tested
  // exactly.
  const double uPerX = e2y / det * source.width_;
  const double vPerX = -e1y / det * source.height_;
  for (int64_t y = y0; y <= y1; ++y) {
    const double cy = static_cast<double>(y) + 0.5 - p0y;
    const double cx0 = static_cast<double>(x0) + 0.5 - p0x;
    const double u0 = (cx0 * e2y - cy * e2x) / det * source.width_;
    const double v0 = (e1x * cy - e1y * cx0) / det * source.height_;
    double from = static_cast<double>(x0), to = static_cast<double>(x1);
    if (!NarrowToInside(u0, uPerX, inside.left, inside.right, x0, from, to) ||
        !NarrowToInside(v0, vPerX, inside.top, inside.bottom, x0, from, to)) {
      continue;
    }
    const auto first = std::max<int64_t>(x0, static_cast<int64_t>(std::floor(from)) - 1);
    const auto last = std::min<int64_t>(x1, static_cast<int64_t>(std::ceil(to)) + 1);
    if (first > last) continue;
    visited = {std::min<int32_t>(visited.left, static_cast<int32_t>(first)),
               std::min<int32_t>(visited.top, static_cast<int32_t>(y)),
               std::max<int32_t>(visited.right, static_cast<int32_t>(last + 1)),
               std::max<int32_t>(visited.bottom, static_cast<int32_t>(y + 1))};
    Color* row = &At(0, static_cast<int32_t>(y));
    for (int64_t x = first; x <= last; ++x) {
      const double step = static_cast<double>(x - x0);
      const double u = u0 + step * uPerX;
      const double v = v0 + step * vPerX;
      if (u < inside.left || v < inside.top || u >= inside.right || v >= inside.bottom) continue;
      row[x] = source.pixels_[static_cast<size_t>(v) * static_cast<size_t>(source.width_) +
                              static_cast<size_t>(u)];
    }
  }
  return visited.left < visited.right ? visited : Box{};
}

void Surface::Blit(int32_t x, int32_t y, int32_t width, int32_t height, const Surface& source,
                   int32_t sourceX, int32_t sourceY) {
  if (&source == this) {
    const Surface copy = source;
    Blit(x, y, width, height, copy, sourceX, sourceY);
    return;
  }
  const int64_t row0 = std::max<int64_t>(0, -int64_t{y});
  const int64_t row1 = std::min<int64_t>(height, int64_t{height_} - y);
  const int64_t col0 = std::max<int64_t>(0, -int64_t{x});
  const int64_t col1 = std::min<int64_t>(width, int64_t{width_} - x);
  for (int64_t row = row0; row < row1; ++row) {
    for (int64_t col = col0; col < col1; ++col) {
      const int64_t sx = sourceX + col;
      const int64_t sy = sourceY + row;
      const bool inside = sx >= 0 && sy >= 0 && sx < source.width_ && sy < source.height_;
      At(static_cast<int32_t>(x + col), static_cast<int32_t>(y + row)) =
          inside ? source.Pixel(static_cast<int32_t>(sx), static_cast<int32_t>(sy)) : kBlack;
    }
  }
}

}  // namespace veltrane::image
