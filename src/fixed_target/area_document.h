// SPDX-License-Identifier: MIT
#pragma once

#include <functional>
#include <string_view>

#include "common/messages.h"

namespace veltrane::fixed_target {

// Receives the text of one box. The view is valid only for the duration of the call.
using BoxSink = std::function<void(std::string_view text)>;

// Shows each box's text as one message in `messages` (which must outlive the sink).
BoxSink ShowBoxesAsMessages(const MessageSink& messages);

// Walks an area document and shows, one box per field, the text of every field it looks for.
//
// The document is a run of "<Area>" … "</Area>" blocks of tagged fields. Each area shows 15 boxes
// in this fixed order: Left, Top, Width, Height, AreaType, FontName, FontSize, FontColor,
// FontBold, FontItalic, FontUnderLine, ShowMode, ShowSpeed, StayTime, RowCount; then, when the
// row count is above 0, one box per counted row ("<RowRec>" … "</RowRec>").
//
// Tags are found by plain, case-sensitive substring search, not by parsing, and a search runs on
// to the end of the document rather than stopping at its area's "</Area>":
//  - the eight plain fields search both their tags from the area's "<Area>";
//  - "<Font>" is searched from the area, each font field's opening tag from the previous font
//    field's opening tag (FontName from "<Font>"), and each closing tag from its own opening tag;
//  - "<RowCount>" follows the area's "<RowsData>", the first row follows "</RowCount>" and each
//    further row follows the previous "</RowRec>";
//  - the next area is the first "<Area>" after this area's "</Area>".
// A failed search makes every search that starts from its result fail as well.
//
// A field's text runs from the end of its opening tag to the start of its closing tag. When a tag
// is missing the box is still shown, with the text cut to the document: a missing closing tag, or
// one found before the opening tag, gives an empty box; a plain field whose opening tag is
// missing but whose closing tag is found shows the document from offset L - 1 (L being the
// opening tag's length) up to that closing tag, the value start of a tag "found" at -1.
//
// The row count is read like C's atoi (leading white space, an optional sign, then digits; no
// digits gives 0) except that a value beyond the 32-bit range saturates instead of wrapping. Rows
// the document lacks show as empty boxes, but a count never makes more row boxes per area than
// the document has bytes: no document holds more rows than that, so every row present is still
// shown, while a count of two billion cannot turn a short document into two billion boxes.
//
// The scan works on its own copy of the document, so a sink that changes or frees the caller's
// text between boxes cannot disturb it. It reads nothing outside `document`, whatever its bytes;
// a caller holding a possibly null C string passes an empty view for null.
void ScanAreaDocument(std::string_view document, const BoxSink& showBox);

}  // namespace veltrane::fixed_target
