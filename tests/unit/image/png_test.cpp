#include "image/png.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

namespace veltrane::image {
namespace {

std::filesystem::path TempFile(const char* name) {
  return std::filesystem::temp_directory_path() /
         (std::string("veltrane_png_test_") +
          std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + name);
}

std::vector<uint8_t> FileBytes(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

TEST(Png, WrittenPicturesReadBackExactly) {
  RgbImage image;
  image.width = 5;
  image.height = 3;
  for (int i = 0; i < 15; ++i) {
    image.rgb.push_back(static_cast<uint8_t>(i * 17));
    image.rgb.push_back(static_cast<uint8_t>(255 - i));
    image.rgb.push_back(static_cast<uint8_t>(i % 2 ? 0 : 200));
  }
  const auto file = TempFile("roundtrip.png");
  ASSERT_EQ(WritePngFile(file, image), "");
  const auto read = ReadPng(FileBytes(file));
  std::filesystem::remove(file);
  ASSERT_TRUE(std::holds_alternative<RgbImage>(read)) << std::get<std::string>(read);
  const RgbImage& back = std::get<RgbImage>(read);
  EXPECT_EQ(back.width, 5);
  EXPECT_EQ(back.height, 3);
  EXPECT_EQ(back.rgb, image.rgb);
  EXPECT_EQ(back.PixelAt(4, 2)[0], 14 * 17);
}

TEST(Png, UnreadableInputIsOneSentence) {
  const uint8_t garbage[] = {0x89, 'P', 'N', 'G', 0, 1, 2, 3};
  const auto bad = ReadPng(garbage);
  ASSERT_TRUE(std::holds_alternative<std::string>(bad));
  EXPECT_NE(std::get<std::string>(bad).find("not a readable PNG"), std::string::npos);
  EXPECT_TRUE(std::holds_alternative<std::string>(ReadPng({})));
}

TEST(Png, NothingIsWrittenForAnInconsistentPicture) {
  RgbImage image;
  image.width = 2;
  image.height = 2;
  image.rgb.resize(5);
  EXPECT_NE(WritePngFile(TempFile("bad.png"), image), "");
  EXPECT_FALSE(std::filesystem::exists(TempFile("bad.png")));
}

}  // namespace
}  // namespace veltrane::image
