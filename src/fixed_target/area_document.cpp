// SPDX-License-Identifier: MIT
#include "fixed_target/area_document.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>

namespace veltrane::fixed_target {
namespace {

// A byte offset into the document, or NotFound. Wide enough for any document that fits in memory,
// so the position arithmetic below never wraps.
using Position = std::ptrdiff_t;
constexpr Position NotFound = -1;

struct Field {
  std::string_view openTag;
  std::string_view closeTag;
};

constexpr std::string_view AreaOpen = "<Area>";
constexpr std::string_view AreaClose = "</Area>";
constexpr std::string_view FontBlock = "<Font>";
constexpr std::string_view RowsBlock = "<RowsData>";
constexpr Field RowCount{"<RowCount>", "</RowCount>"};
constexpr Field Row{"<RowRec>", "</RowRec>"};

constexpr std::array<Field, 5> GeometryFields{{
    {"<Left>", "</Left>"},
    {"<Top>", "</Top>"},
    {"<Width>", "</Width>"},
    {"<Height>", "</Height>"},
    {"<AreaType>", "</AreaType>"},
}};

// In the order they must follow "<Font>": each is searched from the one before it.
constexpr std::array<Field, 6> FontFields{{
    {"<FontName>", "</FontName>"},
    {"<FontSize>", "</FontSize>"},
    {"<FontColor>", "</FontColor>"},
    {"<FontBold>", "</FontBold>"},
    {"<FontItalic>", "</FontItalic>"},
    {"<FontUnderLine>", "</FontUnderLine>"},
}};

constexpr std::array<Field, 3> ShowFields{{
    {"<ShowMode>", "</ShowMode>"},
    {"<ShowSpeed>", "</ShowSpeed>"},
    {"<StayTime>", "</StayTime>"},
}};

// The scanner's own copy of the document: the sink runs host code between searches, and that code
// may rewrite or free the text the caller passed in.
class DocumentCopy {
 public:
  explicit DocumentCopy(std::string_view document) : text_(document) {}

  Position Size() const { return static_cast<Position>(text_.size()); }

  // The first occurrence of `tag` that begins at or after `from`; NotFound when there is none,
  // and always when `from` is NotFound or lies past the end.
  Position Search(std::string_view tag, Position from) const {
    if (from < 0 || from > Size()) return NotFound;
    const std::size_t found = text_.find(tag, static_cast<std::size_t>(from));
    return found == std::string::npos ? NotFound : static_cast<Position>(found);
  }

  // The text between an opening tag found at `open` and a closing tag found at `close`, either of
  // which may be NotFound. The start and length are clamped independently, so any pair of results
  // gives a piece of the document, possibly empty.
  std::string_view Value(const Field& field, Position open, Position close) const {
    const auto openLength = static_cast<Position>(field.openTag.size());
    const Position start = std::max<Position>(open + openLength, 0);
    const Position length = std::max<Position>(close - open - openLength, 0);
    if (start >= Size()) return {};
    return std::string_view(text_).substr(
        static_cast<std::size_t>(start),
        static_cast<std::size_t>(std::min(length, Size() - start)));
  }

 private:
  std::string text_;
};

// The row count as C's atoi reads it, saturating at the 32-bit limits rather than wrapping.
int32_t ReadRowCount(std::string_view text) {
  constexpr std::string_view WhiteSpace = " \t\n\v\f\r";
  std::size_t at = 0;
  while (at < text.size() && WhiteSpace.find(text[at]) != std::string_view::npos) ++at;
  const bool negative = at < text.size() && text[at] == '-';
  if (at < text.size() && (text[at] == '-' || text[at] == '+')) ++at;
  // Accumulated towards the sign so that the negative limit, one larger than the positive, fits.
  constexpr int64_t Limit = int64_t{std::numeric_limits<int32_t>::max()} + 1;
  int64_t magnitude = 0;
  for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at) {
    magnitude = std::min(magnitude * 10 + (text[at] - '0'), Limit);
  }
  if (negative) return static_cast<int32_t>(-magnitude);
  return static_cast<int32_t>(std::min<int64_t>(magnitude, Limit - 1));
}

class AreaScan {
 public:
  AreaScan(const DocumentCopy& document, const BoxSink& showBox)
      : document_(document), showBox_(showBox) {}

  // Shows every box of the area whose "<Area>" is at `area`.
  void Run(Position area) {
    ShowFieldsFromArea(GeometryFields, area);
    ShowFontFields(area);
    ShowFieldsFromArea(ShowFields, area);
    ShowRows(area);
  }

 private:
  std::string_view Show(const Field& field, Position open, Position close) {
    const std::string_view text = document_.Value(field, open, close);
    showBox_(text);
    return text;
  }

  // Fields that may stand in any order: both tags are searched from the area's start.
  template <std::size_t N>
  void ShowFieldsFromArea(const std::array<Field, N>& fields, Position area) {
    for (const Field& field : fields) {
      Show(field, document_.Search(field.openTag, area), document_.Search(field.closeTag, area));
    }
  }

  void ShowFontFields(Position area) {
    Position from = document_.Search(FontBlock, area);
    for (const Field& field : FontFields) {
      const Position open = document_.Search(field.openTag, from);
      Show(field, open, document_.Search(field.closeTag, open));
      from = open;
    }
  }

  void ShowRows(Position area) {
    const Position countOpen =
        document_.Search(RowCount.openTag, document_.Search(RowsBlock, area));
    // Each row is searched from the closing tag before it: "</RowCount>", then "</RowRec>".
    Position after = document_.Search(RowCount.closeTag, countOpen);
    const int32_t count = ReadRowCount(Show(RowCount, countOpen, after));
    // No document holds more rows than it has bytes, so this bound drops no row that is there;
    // it only keeps a huge count from showing billions of empty boxes.
    const Position rows = std::min<Position>(count, document_.Size());
    for (Position row = 0; row < rows; ++row) {
      const Position open = document_.Search(Row.openTag, after);
      after = document_.Search(Row.closeTag, open);
      Show(Row, open, after);
    }
  }

  const DocumentCopy& document_;
  const BoxSink& showBox_;
};

// The next area starts at the first "<Area>" after this area's "</Area>". Both lie strictly after
// the current "<Area>", so the scan always moves forward and ends.
Position NextArea(const DocumentCopy& document, Position area) {
  return document.Search(AreaOpen, document.Search(AreaClose, area));
}

}  // namespace

BoxSink ShowBoxesAsMessages(const MessageSink& messages) {
  return [&messages](std::string_view text) { messages.Show(std::string(text)); };
}

void ScanAreaDocument(std::string_view document, const BoxSink& showBox) {
  const DocumentCopy copy(document);
  AreaScan scan(copy, showBox);
  for (Position area = copy.Search(AreaOpen, 0); area != NotFound; area = NextArea(copy, area)) {
    scan.Run(area);
  }
}

}  // namespace veltrane::fixed_target
