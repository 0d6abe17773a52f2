// SPDX-License-Identifier: MIT
#include "image/png.h"

#include <png.h>

#include <array>
#include <memory>
#include <optional>
#include <string>

namespace veltrane::image {
namespace {

Failure Unreadable(std::string why) { return Failure({Status::BadArgument, std::move(why)}); }
Failure Unwritable(std::string why) { return Failure({Status::CannotBuild, std::move(why)}); }

// Releases what libpng's simplified interface holds, on every path.
struct ImageGuard {
  png_image* image;
  ~ImageGuard() { png_image_free(image); }
};

// A picture as indexes into a palette of its colours, one byte a pixel.
struct PalettePicture {
  std::array<uint8_t, 3 * 256> colors{};  // red, green, blue of each entry
  uint32_t entries = 0;
  std::unique_ptr<uint8_t[]> indexes;
};

// The picture over its palette; nothing when it has more colours than a palette holds. Pixels
// mostly repeat their left neighbour's colour, so only a change of colour is looked up.
std::optional<PalettePicture> WithPalette(const RgbImage& image) {
  PalettePicture out;
  const size_t pixels = image.rgb.size() / 3;
  out.indexes = std::make_unique_for_overwrite<uint8_t[]>(pixels);
  const uint8_t* rgb = image.rgb.data();
  uint32_t last = UINT32_MAX;  // no colour packs to this
  uint8_t lastIndex = 0;
  for (size_t i = 0; i < pixels; ++i, rgb += 3) {
    const uint32_t color = uint32_t{rgb[0]} << 16 | uint32_t{rgb[1]} << 8 | rgb[2];
    if (color != last) {
      uint32_t entry = 0;
      while (entry < out.entries && !std::equal(rgb, rgb + 3, &out.colors[3 * entry])) ++entry;
      if (entry == out.entries) {
        if (entry == 256) return std::nullopt;
        std::copy(rgb, rgb + 3, &out.colors[3 * entry]);
        ++out.entries;
      }
      last = color;
      lastIndex = static_cast<uint8_t>(entry);
    }
    out.indexes[i] = lastIndex;
  }
  return out;
}

}  // namespace

Result<RgbImage> ReadPng(std::span<const uint8_t> bytes) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  ImageGuard guard{&image};
  if (png_image_begin_read_from_memory(&image, bytes.data(), bytes.size()) == 0)
    return Unreadable(std::string("not a readable PNG (") + image.message + ")");
  if (image.width == 0 || image.height == 0 || image.width > kMaxPngSide ||
      image.height > kMaxPngSide) {
    return Unreadable("PNG of " + std::to_string(image.width) + "x" + std::to_string(image.height) +
                      " pixels is outside 1.." + std::to_string(kMaxPngSide) + " on a side");
  }
  if (int64_t{image.width} * image.height > kMaxPngPixels) {
    return Unreadable("PNG of " + std::to_string(image.width) + "x" + std::to_string(image.height) +
                      " pixels has more than the " + std::to_string(kMaxPngPixels) +
                      " pixels read");
  }
  image.format = PNG_FORMAT_RGB;
  RgbImage out;
  out.width = static_cast<int32_t>(image.width);
  out.height = static_cast<int32_t>(image.height);
  out.rgb.resize(PNG_IMAGE_SIZE(image));
  const png_color black{0, 0, 0};
  if (png_image_finish_read(&image, &black, out.rgb.data(), 0, nullptr) == 0)
    return Unreadable(std::string("not a readable PNG (") + image.message + ")");
  return out;
}

Result<std::vector<uint8_t>> EncodePng(const RgbImage& image, PngEffort effort) {
  if (image.width <= 0 || image.height <= 0 ||
      image.rgb.size() !=
          static_cast<size_t>(image.width) * static_cast<size_t>(image.height) * 3) {
    return Unwritable("no picture to write");
  }
  png_image header{};
  header.version = PNG_IMAGE_VERSION;
  header.width = static_cast<png_uint_32>(image.width);
  header.height = static_cast<png_uint_32>(image.height);
  header.format = PNG_FORMAT_RGB;
  // Fast: a picture of few colours (a sign's) goes as palette indexes, a third of the bytes or
  // less to compress.
  std::optional<PalettePicture> palette;
  if (effort == PngEffort::Fast) {
    header.flags = PNG_IMAGE_FLAG_FAST;
    palette = WithPalette(image);
  }
  const void* pixels = image.rgb.data();
  const void* colormap = nullptr;
  if (palette) {
    header.format = PNG_FORMAT_RGB_COLORMAP;
    header.colormap_entries = palette->entries;
    pixels = palette->indexes.get();
    colormap = palette->colors.data();
  }
  ImageGuard guard{&header};
  // Written once into room for the largest stream the picture can make (about its raw size):
  // measuring first would compress it twice. The room is not cleared, so that only the pages the
  // stream takes are ever touched.
  png_alloc_size_t size = PNG_IMAGE_PNG_SIZE_MAX(header);
  const auto room = std::make_unique_for_overwrite<uint8_t[]>(size);
  if (png_image_write_to_memory(&header, room.get(), &size, 0, pixels, 0, colormap) == 0)
    return Unwritable(std::string("cannot encode the picture (") + header.message + ")");
  return std::vector<uint8_t>(room.get(), room.get() + size);
}

}  // namespace veltrane::image
