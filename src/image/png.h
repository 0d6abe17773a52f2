#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <variant>
#include <vector>

namespace veltrane::image {

// A picture as 8-bit red, green, blue triples, rows top-down with no padding.
struct RgbImage {
  int32_t width = 0;
  int32_t height = 0;
  std::vector<uint8_t> rgb;  // width * height * 3 bytes

  const uint8_t* PixelAt(int32_t x, int32_t y) const {
    return rgb.data() +
           (static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)) * 3;
  }
};

// Pictures larger than this on either side are refused when read.
constexpr int32_t kMaxPngSide = 16384;

// Reads a PNG of any colour type; transparency is composed over black. An error is one sentence.
std::variant<RgbImage, std::string> ReadPng(std::span<const uint8_t> bytes);
std::variant<RgbImage, std::string> ReadPngFile(const std::filesystem::path& file);

// Writes an 8-bit RGB PNG. Returns an empty string, or what went wrong.
std::string WritePngFile(const std::filesystem::path& file, const RgbImage& image);

}  // namespace veltrane::image
