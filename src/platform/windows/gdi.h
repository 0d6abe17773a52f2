// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

#include "image/surface.h"
#include "platform/device_picture.h"
#include "win32.h"

namespace veltrane::platform {

// Owns a GDI handle for the span of one call and gives it back with `Release` when it goes
// (locals go in the reverse order of their making, as GDI wants them).
template <class Handle, void (*Release)(Handle)>
class GdiOwner {
 public:
  explicit GdiOwner(Handle handle) : handle_(handle) {}
  ~GdiOwner() {
    if (handle_ != nullptr) Release(handle_);
  }
  GdiOwner(const GdiOwner&) = delete;
  GdiOwner& operator=(const GdiOwner&) = delete;
  Handle get() const { return handle_; }

 private:
  Handle handle_;
};

inline void DeleteGdiObject(HGDIOBJ object) { ::DeleteObject(object); }
inline void DeleteMemoryDc(HDC dc) { ::DeleteDC(dc); }
inline void ReleaseDisplayDc(HDC dc) { ::ReleaseDC(nullptr, dc); }

// A font, bitmap or brush.
using GdiObject = GdiOwner<HGDIOBJ, DeleteGdiObject>;

// A memory device context compatible with `model` (the display's when null).
class MemoryDc : public GdiOwner<HDC, DeleteMemoryDc> {
 public:
  explicit MemoryDc(HDC model = nullptr) : GdiOwner(::CreateCompatibleDC(model)) {}
};

// The display's device context.
class DisplayDc : public GdiOwner<HDC, ReleaseDisplayDc> {
 public:
  DisplayDc() : GdiOwner(::GetDC(nullptr)) {}
};

// Selects an object into a device context and selects the previous one back when it goes.
class Selection {
 public:
  Selection(HDC dc, HGDIOBJ object) : dc_(dc), previous_(::SelectObject(dc, object)) {}
  ~Selection() {
    if (previous_ != nullptr) ::SelectObject(dc_, previous_);
  }
  Selection(const Selection&) = delete;
  Selection& operator=(const Selection&) = delete;

 private:
  HDC dc_;
  HGDIOBJ previous_;
};

// A width x height bitmap compatible with `model`, black, selected into `dc` (a memory DC
// compatible with `model`) for as long as it lives; null inside when GDI refused.
class BlackBitmap {
 public:
  BlackBitmap(HDC model, HDC dc, int32_t width, int32_t height);
  bool ok() const { return bitmap_.get() != nullptr; }

  // Deselects the bitmap and reads its pixels with GetDIBits. Nothing drawn on it after this
  // shows.
  std::optional<PictureRows> Read();

 private:
  HDC dc_;
  int32_t width_;
  int32_t height_;
  GdiObject bitmap_;
  std::optional<Selection> selection_;
};

}  // namespace veltrane::platform
