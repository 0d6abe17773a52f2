// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>

#include "common/status.h"
#include "image/surface.h"
#include "veltrane/veltrane.h"

namespace veltrane::api {

// The layouts the calling interface fixes.
static_assert(sizeof(LedRect) == 16);
static_assert(offsetof(LedRect, left) == 0);
static_assert(offsetof(LedRect, top) == 4);
static_assert(offsetof(LedRect, right) == 8);
static_assert(offsetof(LedRect, bottom) == 12);
static_assert(offsetof(LedBitmap, width) == 0);
static_assert(offsetof(LedBitmap, height) == 4);
static_assert(offsetof(LedBitmap, stride) == 8);
static_assert(offsetof(LedBitmap, format) == 12);
static_assert(offsetof(LedBitmap, pixels) == 16);
static_assert(sizeof(LedBitmap) == 16 + sizeof(void*));

// The host's picture as the drawing surface reads it, in `view`. Refused, saying which, for a
// null bitmap, an unknown format, a negative size, or a picture with pixels whose pointer is null
// or whose rows are shorter than its width.
Status ToPixelView(const LedBitmap* bitmap, image::PixelView& view);

}  // namespace veltrane::api
