// SPDX-License-Identifier: MIT
// Pictures of program files as the builder takes them: at their own size, cut to their area, or
// scaled to fit it.
#include "program_builder.h"

#include <gtest/gtest.h>

#include "common/status_text.h"
#include "program/program_reader.h"

namespace veltrane::cli {
namespace {

const std::filesystem::path kLogo =  // 16 x 16 pixels
    std::filesystem::path(VELTRANE_SOURCE_DIR) / "examples" / "logo.png";

ProgramFile OnePicture(Rect rect, PictureFit fit) {
  ProgramFile file;
  file.pages.push_back({0, {{rect, {}, ImageArea{kLogo, fit}}}});
  return file;
}

TEST(PictureFit, TheRasterIsThePictureCutOrScaledToTheArea) {
  struct Case {
    const char* name;
    Rect rect;
    PictureFit fit;
    uint16_t width, paddedHeight;  // two bits a pixel: heights padded to 16 rows
  };
  const Case cases[] = {
      {"as it is, larger than its area", {0, 0, 10, 8}, PictureFit::AsIs, 16, 16},
      {"cut to its area", {4, 4, 14, 12}, PictureFit::Crop, 10, 16},
      {"cut, smaller than its area", {0, 0, 40, 40}, PictureFit::Crop, 16, 16},
      {"scaled up to its area", {0, 0, 40, 48}, PictureFit::Scale, 40, 48},
      {"scaled down to its area", {0, 0, 8, 4}, PictureFit::Scale, 8, 16},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const BuiltProgram built = BuildProgram(OnePicture(c.rect, c.fit));
    ASSERT_TRUE(built) << StatusText(built.error());
    const auto& block = *built;
    const program::ReadResult read = program::ReadProgram(block);
    ASSERT_TRUE(read.ok());
    const auto& window = std::get<program::WindowArea>(read.program().pages[0].areas[0].content);
    EXPECT_EQ(window.image.width, c.width);
    EXPECT_EQ(window.image.paddedHeight, c.paddedHeight);
  }
}

TEST(PictureFit, AnAreaTooLargeToScaleIntoIsRefusedBeforeThePictureIsMade) {
  const BuiltProgram built = BuildProgram(OnePicture({0, 0, 65535, 65535}, PictureFit::Scale));
  ASSERT_FALSE(built);
  EXPECT_EQ(StatusText(built.error()).rfind("pages[0].areas[0]: ", 0), 0u)
      << StatusText(built.error());
}

}  // namespace
}  // namespace veltrane::cli
