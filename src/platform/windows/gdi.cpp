// SPDX-License-Identifier: MIT
#include "gdi.h"

namespace veltrane::platform {

BlackBitmap::BlackBitmap(HDC model, HDC dc, int32_t width, int32_t height)
    : dc_(dc),
      width_(width),
      height_(height),
      bitmap_(::CreateCompatibleBitmap(model, width, height)) {
  if (!ok()) return;
  selection_.emplace(dc_, bitmap_.get());
  ::PatBlt(dc_, 0, 0, width_, height_, BLACKNESS);
}

std::optional<PictureRows> BlackBitmap::Read() {
  if (!ok()) return std::nullopt;
  selection_.reset();  // GetDIBits wants the bitmap out of every DC
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width_;
  info.bmiHeader.biHeight = -height_;  // rows top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  PictureRows rows{width_, height_, (static_cast<int64_t>(width_) * 24 + 31) / 32 * 4, {}};
  rows.bytes.resize(static_cast<size_t>(rows.stride) * static_cast<size_t>(height_));
  const int read =
      ::GetDIBits(dc_, static_cast<HBITMAP>(bitmap_.get()), 0, static_cast<UINT>(height_),
                  rows.bytes.data(), &info, DIB_RGB_COLORS);
  if (read != height_) return std::nullopt;
  return rows;
}

}  // namespace veltrane::platform
