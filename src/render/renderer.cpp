// SPDX-License-Identifier: MIT
#include "render/renderer.h"

#include <algorithm>
#include <optional>
#include <variant>

#include "format/clock.h"
#include "format/date_time.h"
#include "platform/font.h"
#include "platform/text_codec.h"
#include "raster/raster_decode.h"

namespace veltrane::render {
namespace {

using raster::Lit;

// Screens draw strings in their own font; a preview uses this one.
const platform::FontRequest kStringFont{"DejaVu Sans", -16};

// Where an area may draw on its page: its rectangle, clipped to the page.
struct Clip {
  int32_t left, top, right, bottom;
  bool Contains(int32_t x, int32_t y) const {
    return x >= left && x < right && y >= top && y < bottom;
  }
};

class PageCanvas {
 public:
  explicit PageCanvas(image::RgbImage& image) : image_(image) {}

  // Where the lit pixels cut off at the rectangle of the area being drawn are counted, if anywhere.
  void CountSpillInto(Spill* spill) { spill_ = spill; }

  void Put(const Clip& clip, int32_t x, int32_t y, Lit lit) {
    if (!clip.Contains(x, y)) {
      if (lit != Lit::Dark && spill_ != nullptr) {
        spill_->right = std::max(spill_->right, x + 1 - std::max(clip.right, clip.left));
        spill_->bottom = std::max(spill_->bottom, y + 1 - std::max(clip.bottom, clip.top));
      }
      return;
    }
    if (x >= image_.width || y >= image_.height) return;
    uint8_t* pixel = &image_.rgb[(static_cast<size_t>(y) * image_.width + x) * 3];
    const auto level = static_cast<uint8_t>(lit);
    pixel[0] = (level & 1) ? kLitLevel : 0;  // red
    pixel[1] = (level & 2) ? kLitLevel : 0;  // green
    pixel[2] = 0;
  }

  // Draws a packed picture with its top-left at (left, top). Dark pixels are drawn too unless
  // `litOnly`, which lays a picture over what is there.
  void Draw(const Clip& clip, int32_t left, int32_t top, const raster::RasterPicture& picture,
            bool litOnly) {
    for (int32_t y = 0; y < picture.height; ++y)
      for (int32_t x = 0; x < picture.width; ++x) {
        const Lit lit = picture.At(x, y);
        if (!litOnly || lit != Lit::Dark) Put(clip, left + x, top + y, lit);
      }
  }

 private:
  image::RgbImage& image_;
  Spill* spill_ = nullptr;
};

std::optional<raster::RasterPicture> Picture(std::span<const uint8_t> block,
                                             const program::RasterView& view) {
  if (view.offset >= block.size()) return std::nullopt;
  return raster::DecodeRaster(block.subspan(view.offset));
}

Clip ClipOf(const program::AreaRect& rect) {
  return {rect.left, rect.top, rect.right, rect.bottom};
}

void DrawString(PageCanvas& canvas, const Clip& clip, const program::StringArea& area) {
  const std::string_view bytes(reinterpret_cast<const char*>(area.text.data()), area.text.size());
  // A screen has no host to choose a code page: its text is read in the locale's default one.
  const std::optional<image::Surface> text =
      platform::DrawTextLine(platform::TextEncoding().Decode(bytes), kStringFont, 0x0000FF);
  if (!text) return;
  for (int32_t y = 0; y < text->height(); ++y)
    for (int32_t x = 0; x < text->width(); ++x) {
      if (image::RedOf(text->Pixel(x, y)) > format::kLitAbove)
        canvas.Put(clip, clip.left + x, clip.top + y, Lit::Red);
    }
}

// The glyph a descriptor position shows at `time`, or nothing for a position it cannot fill.
std::optional<size_t> GlyphIndex(const program::DescriptorPair& pair,
                                 const platform::LocalTime& time) {
  const auto digit = [&](int value) -> size_t {
    return static_cast<size_t>(pair.argument == 0 ? value / 10 % 10 : value % 10);
  };
  switch (pair.kind) {
    case format::kShowYear:
      return digit(time.year % 100);
    case format::kShowMonth:
      return digit(time.month);
    case format::kShowDay:
      return digit(time.day);
    case format::kShowWeekday:
      return static_cast<size_t>(time.dayOfWeek % 7);
    case format::kShowHour:
      return digit(time.hour);
    case format::kShowMinute:
      return digit(time.minute);
    case format::kShowSecond:
      return digit(time.second);
    case format::kShowGlyph:
    case format::kShowColon:
      return pair.argument;
    default:
      return std::nullopt;
  }
}

void DrawDateTime(PageCanvas& canvas, const Clip& clip, std::span<const uint8_t> block,
                  const program::DateTimeArea& area, const platform::LocalTime& time) {
  int32_t x = clip.left;
  for (const program::DescriptorPair& pair : area.descriptor) {
    const std::optional<size_t> index = GlyphIndex(pair, time);
    if (!index || *index >= area.glyphs.rasters.size()) continue;
    const program::RasterView& glyph = area.glyphs.rasters[*index];
    if (const auto picture = Picture(block, glyph)) canvas.Draw(clip, x, clip.top, *picture, false);
    x += glyph.width;
  }
}

void DrawClock(PageCanvas& canvas, const Clip& clip, std::span<const uint8_t> block,
               const program::ClockArea& area, const platform::LocalTime& time) {
  const size_t pictures[] = {format::kFacePicture, format::HourPicture(time.hour, time.minute),
                             format::MinutePicture(time.minute),
                             format::SecondPicture(time.second)};
  for (size_t i = 0; i < std::size(pictures); ++i) {
    if (pictures[i] >= area.pictures.rasters.size()) continue;
    if (const auto picture = Picture(block, area.pictures.rasters[pictures[i]]))
      canvas.Draw(clip, clip.left, clip.top, *picture, /*litOnly=*/i > 0);
  }
}

// Draws one area of each kind; a kind without its call here does not compile.
struct AreaPainter {
  PageCanvas& canvas;
  Clip clip;
  std::span<const uint8_t> block;
  const platform::LocalTime& time;

  void operator()(const program::WindowArea& window) const {
    if (const auto picture = Picture(block, window.image))
      canvas.Draw(clip, clip.left, clip.top, *picture, false);
  }
  void operator()(const program::StringArea& string) const { DrawString(canvas, clip, string); }
  void operator()(const program::DateTimeArea& dateTime) const {
    DrawDateTime(canvas, clip, block, dateTime, time);
  }
  void operator()(const program::ClockArea& clock) const {
    DrawClock(canvas, clip, block, clock, time);
  }
};

}  // namespace

PictureSize PageSizeOf(const program::Program& program, size_t pageIndex,
                       const std::optional<PictureSize>& screen) {
  PictureSize size;
  if (screen)
    return {std::clamp<int64_t>(screen->width, 1, kMaxPageSide),
            std::clamp<int64_t>(screen->height, 1, kMaxPageSide)};
  if (pageIndex >= program.pages.size()) return size;
  for (const program::Area& area : program.pages[pageIndex].areas) {
    size.width = std::max<int64_t>(size.width, std::min<int32_t>(area.rect.right, kMaxPageSide));
    size.height = std::max<int64_t>(size.height, std::min<int32_t>(area.rect.bottom, kMaxPageSide));
  }
  return size;
}

int32_t FittedScale(int64_t width, int64_t height, int32_t scale) {
  const int64_t fitting = kMaxPictureSide / std::max({width, height, int64_t{1}});
  return static_cast<int32_t>(std::max<int64_t>(1, std::min<int64_t>(scale, fitting)));
}

image::RgbImage RenderPage(const program::Program& program, std::span<const uint8_t> block,
                           size_t pageIndex, const platform::LocalTime& time,
                           std::vector<Spill>* spills, const std::optional<PictureSize>& screen) {
  const PictureSize size = PageSizeOf(program, pageIndex, screen);
  image::RgbImage image;
  image.width = static_cast<int32_t>(size.width);
  image.height = static_cast<int32_t>(size.height);
  image.rgb.assign(static_cast<size_t>(image.width) * image.height * 3, 0);
  if (pageIndex >= program.pages.size()) return image;
  const program::Page& page = program.pages[pageIndex];
  PageCanvas canvas(image);
  for (size_t a = 0; a < page.areas.size(); ++a) {
    Spill spill{pageIndex, a, 0, 0};
    canvas.CountSpillInto(&spill);
    std::visit(AreaPainter{canvas, ClipOf(page.areas[a].rect), block, time}, page.areas[a].content);
    if (spills != nullptr && (spill.right > 0 || spill.bottom > 0)) spills->push_back(spill);
  }
  return image;
}

std::vector<image::RgbImage> RenderProgram(const program::Program& program,
                                           std::span<const uint8_t> block,
                                           const platform::LocalTime& time,
                                           std::vector<Spill>* spills,
                                           const std::optional<PictureSize>& screen) {
  std::vector<image::RgbImage> pages;
  for (size_t i = 0; i < program.pages.size(); ++i)
    pages.push_back(RenderPage(program, block, i, time, spills, screen));
  return pages;
}

image::RgbImage ScaleUp(const image::RgbImage& image, int32_t scale) {
  scale = FittedScale(image.width, image.height, scale);
  if (scale == 1) return image;
  image::RgbImage out;
  out.width = image.width * scale;
  out.height = image.height * scale;
  out.rgb.resize(static_cast<size_t>(out.width) * out.height * 3);
  for (int32_t y = 0; y < out.height; ++y)
    for (int32_t x = 0; x < out.width; ++x) {
      const uint8_t* from = image.PixelAt(x / scale, y / scale);
      std::copy(from, from + 3, &out.rgb[(static_cast<size_t>(y) * out.width + x) * 3]);
    }
  return out;
}

image::RgbImage JoinPages(const std::vector<image::RgbImage>& pages) {
  constexpr uint8_t kGapGrey = 80;
  std::vector<PictureSize> sizes;
  for (const auto& page : pages) sizes.push_back({page.width, page.height});
  const PictureSize joined = JoinedSize(sizes);
  image::RgbImage out;
  out.width = static_cast<int32_t>(joined.width);
  out.height = static_cast<int32_t>(joined.height);
  out.rgb.assign(static_cast<size_t>(out.width) * out.height * 3, kGapGrey);
  int32_t left = 0;
  for (const auto& page : pages) {
    const size_t rowBytes = static_cast<size_t>(page.width) * 3;
    for (int32_t y = 0; y < out.height; ++y) {
      uint8_t* to = &out.rgb[(static_cast<size_t>(y) * out.width + left) * 3];
      if (y < page.height)
        std::copy(page.PixelAt(0, y), page.PixelAt(0, y) + rowBytes, to);
      else
        std::fill(to, to + rowBytes, 0);
    }
    left += page.width + 1;
  }
  return out;
}

PictureSize JoinedSize(std::span<const PictureSize> pages) {
  if (pages.empty()) return {};
  PictureSize joined{0, 0};
  for (const PictureSize& page : pages) {
    joined.width += page.width + (joined.width > 0 ? 1 : 0);
    joined.height = std::max(joined.height, page.height);
  }
  return joined;
}

}  // namespace veltrane::render
