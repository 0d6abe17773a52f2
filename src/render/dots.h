// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <string_view>

#include "image/png.h"
#include "render/renderer.h"

namespace veltrane::render {

// A dark LED as a panel shows it under room light: its lens, not the black between lenses.
constexpr uint8_t kUnlitLedGrey = 40;

// Each pixel becomes a round LED in a `pitch` x `pitch` cell on black, as a real panel looks: lit
// LEDs in the pixel's colour, dark ones kUnlitLedGrey. The LED spans four fifths of the cell, so
// a dark gap stays between neighbours from pitch 3 on. The pitch is lowered as ScaleUp's is.
image::RgbImage DrawLeds(const image::RgbImage& image, int32_t pitch);

// The picture with a row below it that names it, e.g. "page 2", in grey on black; the picture as
// it is when no face can draw the label.
image::RgbImage AddLabelRow(const image::RgbImage& image, std::string_view label);

// The size AddLabelRow gives a picture of `size`, measured without drawing.
PictureSize LabelledSize(const PictureSize& size, std::string_view label);

}  // namespace veltrane::render
