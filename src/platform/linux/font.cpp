// SPDX-License-Identifier: MIT
#include "platform/font.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>

#include FT_FREETYPE_H

#include <limits>
#include <map>
#include <mutex>
#include <unordered_map>
#include <utility>
#include <vector>

#include "common/mul_div.h"

namespace veltrane::platform {

using image::Color;
using image::kColorMask;
using image::Surface;

namespace {

constexpr int32_t kDefaultEmPixels = 16;
constexpr int32_t kMaxEmPixels = 0xFFFF;  // FreeType's largest pixel size
constexpr char32_t kLastCodePoint = 0x10FFFF;

// Cache bounds. Each is checked when a call starts, so that everything a call looks up stays
// valid until it returns; a call may pass a bound by what one line needs.
constexpr size_t kMaxFontSets = 64;                 // distinct face names
constexpr size_t kMaxOpenFaces = 16;                // FreeType faces kept open
constexpr size_t kMaxGlyphCacheBytes = 4u << 20;    // rendered glyphs, bookkeeping included
constexpr size_t kMaxCachedGlyphBytes = 64u << 10;  // larger glyph pictures are not kept
constexpr size_t kGlyphEntryBytes = 96;  // what one cache entry costs besides its picture

// One installed face that may draw characters for a request.
struct Candidate {
  std::string file;
  int index = 0;
  std::string family;
  FcCharSet* charset = nullptr;  // owned; null when fontconfig did not say
};

// The faces for one face name: the chosen face first, then fontconfig's fallback order.
struct FontSet {
  FontSet() = default;
  FontSet(FontSet&& other) noexcept : candidates(std::move(other.candidates)) {
    other.candidates.clear();
  }
  FontSet(const FontSet&) = delete;
  FontSet& operator=(const FontSet&) = delete;
  ~FontSet() {
    for (Candidate& c : candidates) {
      if (c.charset != nullptr) FcCharSetDestroy(c.charset);
    }
  }
  std::vector<Candidate> candidates;
};

// The size of a request in its chosen face.
struct LineMetrics {
  size_t chosen = 0;  // the candidate whose line height the text takes
  int32_t emPixels = 0;
  int32_t ascent = 0;
  int32_t descent = 0;
};

// A glyph's ink, one byte per pixel (1 = lit), placed relative to the pen on the baseline.
struct GlyphPicture {
  int32_t left = 0;
  int32_t top = 0;
  int32_t width = 0;
  int32_t rows = 0;
  std::vector<uint8_t> ink;
};

// A character at one size: where it comes from, how far it advances the pen, and once drawn
// (and small enough to keep) its picture.
struct Glyph {
  size_t candidate = 0;
  FT_UInt index = 0;
  int32_t advance = 0;
  std::optional<GlyphPicture> picture;
};

// Ink of a rendered FreeType bitmap: mono bits, or grey/colour pixels at half coverage and more.
GlyphPicture PictureOf(const FT_GlyphSlot slot) {
  const FT_Bitmap& bitmap = slot->bitmap;
  GlyphPicture picture{slot->bitmap_left,
                       slot->bitmap_top,
                       static_cast<int32_t>(bitmap.width),
                       static_cast<int32_t>(bitmap.rows),
                       {}};
  picture.ink.assign(static_cast<size_t>(bitmap.width) * bitmap.rows, 0);
  const auto pitch = static_cast<ptrdiff_t>(bitmap.pitch);
  for (unsigned row = 0; row < bitmap.rows; ++row) {
    // A negative pitch stores the rows bottom-up.
    const unsigned char* in =
        bitmap.buffer + (pitch >= 0 ? row * pitch : (bitmap.rows - 1 - row) * -pitch);
    uint8_t* out = picture.ink.data() + static_cast<size_t>(row) * bitmap.width;
    for (unsigned x = 0; x < bitmap.width; ++x) {
      switch (bitmap.pixel_mode) {
        case FT_PIXEL_MODE_MONO:
          out[x] = (in[x / 8] >> (7 - x % 8)) & 1;
          break;
        case FT_PIXEL_MODE_GRAY:
          out[x] = in[x] >= 128;
          break;
        case FT_PIXEL_MODE_BGRA:
          out[x] = in[4 * x + 3] >= 128;
          break;
        default:
          out[x] = 0;
      }
    }
  }
  return picture;
}

void Paint(Surface& surface, const GlyphPicture& picture, int64_t penX, int32_t baseline,
           Color color) {
  for (int32_t row = 0; row < picture.rows; ++row) {
    const int64_t y = int64_t{baseline} - picture.top + row;
    if (y < 0 || y >= surface.height()) continue;
    std::span<Color> out = surface.MutableRow(static_cast<int32_t>(y));
    const uint8_t* ink = picture.ink.data() + static_cast<size_t>(row) * picture.width;
    for (int32_t column = 0; column < picture.width; ++column) {
      const int64_t x = penX + picture.left + column;
      if (ink[column] != 0 && x >= 0 && x < surface.width()) {
        out[static_cast<size_t>(x)] = color & kColorMask;
      }
    }
  }
}

class FontEngine {
 public:
  FontEngine() {
    if (FT_Init_FreeType(&library_) != 0) library_ = nullptr;
    config_ = FcInitLoadConfigAndFonts();
  }
  FontEngine(const FontEngine&) = delete;
  FontEngine& operator=(const FontEngine&) = delete;
  ~FontEngine() {
    CloseFaces();
    if (library_ != nullptr) FT_Done_FreeType(library_);
    if (config_ != nullptr) FcConfigDestroy(config_);
  }

  std::optional<TextExtent> Measure(std::u32string_view text, const FontRequest& request) {
    std::lock_guard lock(mutex_);
    const std::optional<Line> line = LayOut(text, request);
    if (!line) return std::nullopt;
    return line->extent;
  }

  std::optional<Surface> Draw(std::u32string_view text, const FontRequest& request, Color color) {
    std::lock_guard lock(mutex_);
    const std::optional<Line> line = LayOut(text, request);
    if (!line) return std::nullopt;
    Surface surface(line->extent.width, line->extent.height);
    if (surface.width() == 0 || surface.height() == 0) return surface;
    int64_t penX = 0;
    for (Glyph* glyph : line->glyphs) {
      DrawGlyph(surface, *glyph, *line, penX, color);
      penX += glyph->advance;
    }
    return surface;
  }

  std::string FamilyFor(const FontRequest& request, char32_t character) {
    std::lock_guard lock(mutex_);
    const std::u32string_view text(&character, 1);
    const std::optional<Line> line = LayOut(text, request);
    if (!line) return {};
    return sets_[line->set].candidates[line->glyphs.front()->candidate].family;
  }

  std::string ChosenFamily(const FontRequest& request) {
    std::lock_guard lock(mutex_);
    const std::optional<Line> line = LayOut(std::u32string_view(), request);
    if (!line) return {};
    return sets_[line->set].candidates[line->metrics.chosen].family;
  }

 private:
  struct OpenFace {
    FT_Face face = nullptr;
    int32_t emPixels = 0;
  };
  struct Line {
    size_t set = 0;
    LineMetrics metrics;
    std::vector<Glyph*> glyphs;
    TextExtent extent;
  };

  std::optional<Line> LayOut(std::u32string_view text, const FontRequest& request) {
    if (library_ == nullptr || config_ == nullptr) return std::nullopt;
    TrimCaches();
    Line line;
    const std::optional<size_t> set = FontSetFor(request.faceName);
    if (!set) return std::nullopt;
    line.set = *set;
    const std::optional<LineMetrics> metrics = MetricsFor(*set, request.height);
    if (!metrics) return std::nullopt;
    line.metrics = *metrics;
    int64_t width = 0;
    line.glyphs.reserve(text.size());
    for (char32_t c : text) {
      Glyph* glyph = GlyphFor(*set, *metrics, c);
      line.glyphs.push_back(glyph);
      width += glyph->advance;
    }
    const int64_t height = int64_t{metrics->ascent} + metrics->descent;
    if (width < 0 || width > std::numeric_limits<int32_t>::max() ||
        height > std::numeric_limits<int32_t>::max()) {
      return std::nullopt;
    }
    line.extent = {static_cast<int32_t>(width), static_cast<int32_t>(height)};
    return line;
  }

  void TrimCaches() {
    if (sets_.size() > kMaxFontSets) {
      glyphs_.clear();
      glyphBytes_ = 0;
      metrics_.clear();
      setIds_.clear();
      sets_.clear();
    }
    if (faces_.size() > kMaxOpenFaces) CloseFaces();
    if (glyphBytes_ > kMaxGlyphCacheBytes) {
      glyphs_.clear();
      glyphBytes_ = 0;
    }
  }

  void CloseFaces() {
    for (auto& [name, open] : faces_) FT_Done_Face(open.face);
    faces_.clear();
  }

  // Asks fontconfig for the faces of a name once: the best match at normal weight, upright,
  // followed by the faces that add characters to it, in fontconfig's order.
  std::optional<size_t> FontSetFor(const std::string& faceName) {
    const auto known = setIds_.find(faceName);
    if (known != setIds_.end()) return known->second;

    FcPattern* pattern = FcPatternCreate();
    if (pattern == nullptr) return std::nullopt;
    const std::string family = faceName.empty() ? "sans-serif" : faceName;
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    FcPatternAddInteger(pattern, FC_WEIGHT, FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pattern, FC_SLANT, FC_SLANT_ROMAN);
    FcConfigSubstitute(config_, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcFontSet* sorted = FcFontSort(config_, pattern, FcTrue, nullptr, &result);
    FcPatternDestroy(pattern);
    if (sorted == nullptr) return std::nullopt;

    FontSet set;
    for (int i = 0; i < sorted->nfont; ++i) {
      FcPattern* font = sorted->fonts[i];
      FcChar8* file = nullptr;
      if (FcPatternGetString(font, FC_FILE, 0, &file) != FcResultMatch) continue;
      Candidate candidate;
      candidate.file = reinterpret_cast<const char*>(file);
      FcPatternGetInteger(font, FC_INDEX, 0, &candidate.index);
      FcChar8* name = nullptr;
      if (FcPatternGetString(font, FC_FAMILY, 0, &name) == FcResultMatch) {
        candidate.family = reinterpret_cast<const char*>(name);
      }
      FcCharSet* charset = nullptr;
      if (FcPatternGetCharSet(font, FC_CHARSET, 0, &charset) == FcResultMatch) {
        candidate.charset = FcCharSetCopy(charset);
      }
      set.candidates.push_back(std::move(candidate));
    }
    FcFontSetDestroy(sorted);
    if (set.candidates.empty()) return std::nullopt;

    sets_.push_back(std::move(set));
    setIds_.emplace(faceName, sets_.size() - 1);
    return sets_.size() - 1;
  }

  // The face of a candidate, opened on first use; null when FreeType cannot open it.
  OpenFace* FaceOf(const Candidate& candidate) {
    const std::string key = candidate.file + '\n' + std::to_string(candidate.index);
    const auto found = faces_.find(key);
    if (found != faces_.end()) return &found->second;
    FT_Face face = nullptr;
    if (FT_New_Face(library_, candidate.file.c_str(), candidate.index, &face) != 0) return nullptr;
    return &faces_.emplace(key, OpenFace{face, 0}).first->second;
  }

  // The face of a candidate set to `emPixels`; null when it cannot be opened or sized.
  FT_Face SizedFace(const Candidate& candidate, int32_t emPixels) {
    OpenFace* found = FaceOf(candidate);
    if (found == nullptr) return nullptr;
    OpenFace& open = *found;
    if (open.emPixels != emPixels) {
      if (FT_Set_Pixel_Sizes(open.face, 0, static_cast<FT_UInt>(emPixels)) != 0) return nullptr;
      open.emPixels = emPixels;
    }
    return open.face;
  }

  // The pixels per em a Windows-style height asks for in `face`.
  static int32_t EmPixelsFor(FT_Face face, int32_t height) {
    if (height < 0)
      return height == std::numeric_limits<int32_t>::min() ? kMaxEmPixels + 1 : -height;
    if (height == 0) return kDefaultEmPixels;
    const int32_t cell = face->ascender - face->descender;
    if (!FT_IS_SCALABLE(face) || cell <= 0) return height;
    return std::max(1, MulDiv(height, face->units_per_EM, cell));
  }

  std::optional<LineMetrics> MetricsFor(size_t set, int32_t height) {
    const uint64_t key = (static_cast<uint64_t>(set) << 32) | static_cast<uint32_t>(height);
    const auto known = metrics_.find(key);
    if (known != metrics_.end()) return known->second;

    // The chosen face is the first one in the set's order that can be opened and sized.
    const std::vector<Candidate>& candidates = sets_[set].candidates;
    for (size_t i = 0; i < candidates.size(); ++i) {
      const OpenFace* open = FaceOf(candidates[i]);
      if (open == nullptr) continue;
      const int32_t emPixels = EmPixelsFor(open->face, height);
      if (emPixels > kMaxEmPixels) return std::nullopt;
      FT_Face face = SizedFace(candidates[i], emPixels);
      if (face == nullptr) continue;
      const FT_Size_Metrics& size = face->size->metrics;
      const LineMetrics metrics{i, emPixels, static_cast<int32_t>((size.ascender + 63) >> 6),
                                static_cast<int32_t>((-size.descender + 63) >> 6)};
      metrics_.emplace(key, metrics);
      return metrics;
    }
    return std::nullopt;
  }

  Glyph* GlyphFor(size_t set, const LineMetrics& metrics, char32_t character) {
    if (character > kLastCodePoint) character = 0xFFFD;
    const uint64_t key = (static_cast<uint64_t>(set) << 37) |
                         (static_cast<uint64_t>(metrics.emPixels) << 21) | character;
    const auto known = glyphs_.find(key);
    if (known != glyphs_.end()) return &known->second;

    Glyph glyph = ChooseFace(sets_[set].candidates, metrics, character);
    FT_Face face = SizedFace(sets_[set].candidates[glyph.candidate], metrics.emPixels);
    if (face != nullptr && FT_Load_Glyph(face, glyph.index, FT_LOAD_TARGET_MONO) == 0) {
      glyph.advance = static_cast<int32_t>((face->glyph->advance.x + 32) >> 6);
    }
    glyphBytes_ += kGlyphEntryBytes;
    return &glyphs_.emplace(key, std::move(glyph)).first->second;
  }

  // The chosen face if it has the character, else the first fallback that has it, else the
  // chosen face's missing-character glyph.
  Glyph ChooseFace(const std::vector<Candidate>& candidates, const LineMetrics& metrics,
                   char32_t character) {
    for (size_t i = metrics.chosen; i < candidates.size(); ++i) {
      const Candidate& candidate = candidates[i];
      if (candidate.charset != nullptr && !FcCharSetHasChar(candidate.charset, character)) {
        continue;
      }
      FT_Face face = SizedFace(candidate, metrics.emPixels);
      if (face == nullptr) continue;
      const FT_UInt index = FT_Get_Char_Index(face, character);
      if (index != 0) return Glyph{i, index, 0, std::nullopt};
    }
    return Glyph{metrics.chosen, 0, 0, std::nullopt};
  }

  void DrawGlyph(Surface& surface, Glyph& glyph, const Line& line, int64_t penX, Color color) {
    if (glyph.picture) {
      Paint(surface, *glyph.picture, penX, line.metrics.ascent, color);
      return;
    }
    FT_Face face = SizedFace(sets_[line.set].candidates[glyph.candidate], line.metrics.emPixels);
    if (face == nullptr ||
        FT_Load_Glyph(face, glyph.index, FT_LOAD_TARGET_MONO | FT_LOAD_RENDER) != 0) {
      return;
    }
    GlyphPicture picture = PictureOf(face->glyph);
    Paint(surface, picture, penX, line.metrics.ascent, color);
    if (picture.ink.size() > kMaxCachedGlyphBytes) return;
    glyphBytes_ += picture.ink.size();
    glyph.picture = std::move(picture);
  }

  std::mutex mutex_;
  FT_Library library_ = nullptr;
  FcConfig* config_ = nullptr;
  std::vector<FontSet> sets_;
  std::unordered_map<std::string, size_t> setIds_;
  std::map<std::string, OpenFace> faces_;
  std::unordered_map<uint64_t, LineMetrics> metrics_;
  std::unordered_map<uint64_t, Glyph> glyphs_;
  size_t glyphBytes_ = 0;
};

// One engine for the process: its FreeType and fontconfig handles and glyph caches are only a
// cache, and which font a text is drawn in is always the caller's to say.
FontEngine& engine() {
  static FontEngine instance;
  return instance;
}

}  // namespace

int32_t FontHeightForPoints(int32_t pointSize) {
  // Negated in 64 bits and wrapped back, as the 32-bit negation on Windows does.
  return static_cast<int32_t>(-int64_t{MulDiv(pointSize, kLogicalDpi, 72)});
}

std::optional<TextExtent> MeasureTextLine(std::u32string_view text, const FontRequest& font) {
  return engine().Measure(text, font);
}

std::optional<Surface> DrawTextLine(std::u32string_view text, const FontRequest& font,
                                    Color color) {
  return engine().Draw(text, font, color);
}

std::string FontFamilyFor(const FontRequest& font, char32_t character) {
  return engine().FamilyFor(font, character);
}

std::string ResolvedFamily(const FontRequest& font) { return engine().ChosenFamily(font); }

}  // namespace veltrane::platform
