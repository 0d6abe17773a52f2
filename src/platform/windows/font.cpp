// SPDX-License-Identifier: MIT
// Text through GDI, so that hosts see the faces, sizes and code pages of Windows: the face is
// the host's name as CreateFont takes it, the character set the one that has the text's
// characters, the line measured with GetTextExtentPoint32 and drawn with TextOut in a memory DC.
#include "platform/font.h"

#include <limits>
#include <string>

#include "code_pages.h"
#include "gdi.h"
#include "platform/text_codec.h"

namespace veltrane::platform {
namespace {

std::wstring WideFromUtf8(const std::string& utf8) {
  if (utf8.empty()) return {};
  const int size = static_cast<int>(utf8.size());
  const int n = ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0);
  std::wstring wide(static_cast<size_t>(std::max(n, 0)), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, wide.data(), n);
  return wide;
}

// Normal weight, upright, default precision and quality, as the host's own CreateFont call.
HFONT CreateHostFont(const FontRequest& font, BYTE charset) {
  std::wstring face = WideFromUtf8(font.faceName);
  face.resize(std::min<size_t>(face.size(), LF_FACESIZE - 1));
  return ::CreateFontW(font.height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, charset, 0, 0, 0, 0,
                       face.c_str());
}

// A memory DC with the font of `font` for `text` selected; `ok` is false when GDI refused.
class TextDc {
 public:
  TextDc(const FontRequest& font, std::wstring_view text)
      : font_(CreateHostFont(font, CharsetForText(text))), selection_(dc_.get(), font_.get()) {}
  bool ok() const { return dc_.get() != nullptr && font_.get() != nullptr; }
  HDC get() const { return dc_.get(); }

  std::optional<TextExtent> Extent(std::wstring_view text) const {
    SIZE size{};
    if (!ok() || text.size() > static_cast<size_t>(std::numeric_limits<int>::max()) ||
        !::GetTextExtentPoint32W(dc_.get(), text.data(), static_cast<int>(text.size()), &size)) {
      return std::nullopt;
    }
    return TextExtent{size.cx, size.cy};
  }

 private:
  MemoryDc dc_;
  GdiObject font_;
  Selection selection_;
};

// The face GDI selected for `font` and the character set `text` needs.
std::string SelectedFace(const FontRequest& font, std::wstring_view text) {
  const TextDc dc(font, text);
  wchar_t face[LF_FACESIZE] = {};
  if (!dc.ok() || ::GetTextFaceW(dc.get(), LF_FACESIZE, face) == 0) return {};
  return EncodeUtf8(FromWide(face));
}

}  // namespace

int32_t FontHeightForPoints(int32_t pointSize) {
  const MemoryDc dc;
  const int dpi = dc.get() != nullptr ? ::GetDeviceCaps(dc.get(), LOGPIXELSY) : kLogicalDpi;
  // Negated in 64 bits and wrapped back, as the 32-bit negation does.
  return static_cast<int32_t>(-int64_t{::MulDiv(pointSize, dpi, 72)});
}

std::optional<TextExtent> MeasureTextLine(std::u32string_view text, const FontRequest& font) {
  const std::wstring wide = ToWide(text);
  return TextDc(font, wide).Extent(wide);
}

std::optional<image::Surface> DrawTextLine(std::u32string_view text, const FontRequest& font,
                                           image::Color color) {
  const std::wstring wide = ToWide(text);
  const TextDc dc(font, wide);
  const std::optional<TextExtent> extent = dc.Extent(wide);
  if (!extent) return std::nullopt;
  if (extent->width == 0 || extent->height == 0)
    return image::Surface(extent->width, extent->height);
  const DisplayDc display;
  BlackBitmap picture(display.get(), dc.get(), extent->width, extent->height);
  if (!picture.ok()) return std::nullopt;
  // Light text on black, the background drawn opaque in black as well.
  ::SetTextColor(dc.get(), color & image::kColorMask);
  ::SetBkColor(dc.get(), image::kBlack);
  ::SetBkMode(dc.get(), OPAQUE);
  ::TextOutW(dc.get(), 0, 0, wide.data(), static_cast<int>(wide.size()));
  const std::optional<PictureRows> rows = picture.Read();
  if (!rows) return std::nullopt;
  return image::Surface::FromPixels(rows->View(), rows->width, rows->height);
}

std::string FontFamilyFor(const FontRequest& font, char32_t character) {
  return SelectedFace(font, ToWide(std::u32string(1, character)));
}

std::string ResolvedFamily(const FontRequest& font) { return SelectedFace(font, {}); }

}  // namespace veltrane::platform
