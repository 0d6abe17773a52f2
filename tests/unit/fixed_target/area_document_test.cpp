// SPDX-License-Identifier: MIT
#include "fixed_target/area_document.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "common/messages.h"
#include "common/scope_exit.h"

namespace veltrane::fixed_target {
namespace {

using Boxes = std::vector<std::string>;

// Where each field's box stands among an area's boxes.
// clang-format off
enum BoxIndex : size_t {
  Left, Top, Width, Height, AreaType,
  FontName, FontSize, FontColor, FontBold, FontItalic, FontUnderLine,
  ShowMode, ShowSpeed, StayTime, RowCount, FirstRow,
};
// clang-format on

// Scans an exact-size heap copy without a terminator, so the sanitizers catch any read past it.
Boxes Scan(std::string_view document) {
  auto bytes = std::make_unique<char[]>(document.size());
  std::memcpy(bytes.get(), document.data(), document.size());
  Boxes boxes;
  ScanAreaDocument({bytes.get(), document.size()},
                   [&](std::string_view text) { boxes.emplace_back(text); });
  return boxes;
}

Boxes Concat(Boxes first, const Boxes& second) {
  first.insert(first.end(), second.begin(), second.end());
  return first;
}

std::string Tagged(const std::string& name, const std::string& value) {
  return "<" + name + ">" + value + "</" + name + ">";
}

// One area written in the usual layout, every field present; values indexed by BoxIndex.
struct Area {
  Boxes fields = {"10", "20", "64", "32", "1", "SimSun", "12", "255",
                  "1",  "0",  "0",  "3",  "5", "7",      "2"};
  Boxes rows = {"first row", "second row"};

  std::string Text() const {
    static const char* const names[] = {"Left",      "Top",        "Width",         "Height",
                                        "AreaType",  "FontName",   "FontSize",      "FontColor",
                                        "FontBold",  "FontItalic", "FontUnderLine", "ShowMode",
                                        "ShowSpeed", "StayTime",   "RowCount"};
    std::string text = "<Area>";
    for (size_t i = 0; i < FirstRow; ++i) {
      if (i == FontName) text += "<Font>";
      if (i == RowCount) text += "<RowsData>";
      text += Tagged(names[i], fields[i]);
      if (i == FontUnderLine) text += "</Font>";
    }
    for (const std::string& row : rows) text += Tagged("RowRec", row);
    return text + "</RowsData></Area>";
  }

  // Its boxes when its count matches its rows.
  Boxes Shown() const { return Concat(fields, rows); }
};

std::string Without(std::string document, std::string_view piece) {
  const size_t at = document.find(piece);
  EXPECT_NE(at, std::string::npos) << piece;
  return document.erase(at, piece.size());
}

TEST(ScanAreaDocument, DocumentsWithoutAnAreaShowNoBox) {
  for (const char* document : {"", "<Left>1</Left><RowCount>2</RowCount><RowRec>a</RowRec>",
                               "<area><Left>1</Left></area>", "<Area", "</Area>", "< Area>"}) {
    SCOPED_TRACE(document);
    EXPECT_TRUE(Scan(document).empty());
  }
  // A default view, the form a null C string takes.
  ScanAreaDocument(std::string_view(), [](std::string_view) { ADD_FAILURE(); });
}

TEST(ScanAreaDocument, CompleteAreaShowsEveryFieldVerbatimInTheFixedOrder) {
  // Plain fields in a shuffled order, values with spaces and line breaks kept as they are.
  const std::string document =
      "<Areas>\r\n<Area>\r\n <StayTime>7</StayTime><Top> 20 </Top><AreaType>1</AreaType>"
      "<Left>0</Left><ShowSpeed>5</ShowSpeed><Height>\n32\n</Height><ShowMode>3</ShowMode>"
      "<Width>64</Width>\r\n <Font><FontName>Sim Sun</FontName><FontSize>12</FontSize>"
      "<FontColor>0x0000FF</FontColor><FontBold>1</FontBold><FontItalic>0</FontItalic>"
      "<FontUnderLine></FontUnderLine></Font>\r\n <RowsData><RowCount> 2</RowCount>"
      "<RowRec>Hello, world</RowRec>\r\n<RowRec>\tsecond line\r\n</RowRec></RowsData>\r\n"
      "</Area>\r\n</Areas>";
  const Boxes expected = {
      "0", " 20 ", "64", "\n32\n", "1", "Sim Sun", "12",           "0x0000FF",         "1",
      "0", "",     "3",  "5",      "7", " 2",      "Hello, world", "\tsecond line\r\n"};
  EXPECT_EQ(Scan(document), expected);
}

TEST(ScanAreaDocument, RowCountIsReadLikeAtoiAndMissingRowsShowEmpty) {
  const Boxes two = {"first row", "second row"};
  const struct {
    const char* count;
    Boxes present;
    Boxes shown;
  } cases[] = {
      {"2", two, two},
      {"0", two, {}},
      {"-1", two, {}},
      {"", two, {}},
      {"abc", two, {}},
      {" \t\r\n+1", two, {"first row"}},
      {"2 rows", two, two},
      {"1.9", two, {"first row"}},
      {"- 2", two, {}},
      {"0x2", two, {}},
      {"-2147483649", two, {}},  // saturates; a wrapping conversion would give 2^31 - 1
      {"3", {"only row"}, {"only row", "", ""}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.count);
    Area area;
    area.fields[RowCount] = c.count;
    area.rows = c.present;
    EXPECT_EQ(Scan(area.Text()), Concat(area.fields, c.shown));
  }
}

TEST(ScanAreaDocument, HugeCountSaturatesAndShowsAtMostOneRowBoxPerDocumentByte) {
  // 2^32 + 2 would wrap to 2 in a 32-bit conversion.
  for (const char* count : {"4294967298", "2147483647", "99999999999999999999"}) {
    SCOPED_TRACE(count);
    Area area;
    area.fields[RowCount] = count;
    const std::string document = area.Text();
    const Boxes boxes = Scan(document);
    ASSERT_EQ(boxes.size(), FirstRow + document.size());
    EXPECT_EQ(boxes[FirstRow], "first row");
    EXPECT_EQ(boxes[FirstRow + 1], "second row");
    EXPECT_TRUE(std::all_of(boxes.begin() + FirstRow + 2, boxes.end(),
                            [](const std::string& box) { return box.empty(); }));
  }
}

TEST(ScanAreaDocument, FontFieldsFollowEachOtherSoAMissingOneEmptiesTheRest) {
  const struct {
    const char* removed;
    size_t firstEmpty;
    size_t lastEmpty;
  } cases[] = {
      {"<Font>", FontName, FontUnderLine},
      {"<FontName>", FontName, FontUnderLine},
      {"<FontColor>", FontColor, FontUnderLine},
      // Only that box: the next field is searched from this one's opening tag, which is there.
      {"</FontBold>", FontBold, FontBold},
      {"<FontUnderLine>", FontUnderLine, FontUnderLine},
  };
  const Area area;
  const Boxes full = area.Shown();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.removed);
    Boxes expected = full;
    for (size_t i = c.firstEmpty; i <= c.lastEmpty; ++i) expected[i].clear();
    EXPECT_EQ(Scan(Without(area.Text(), c.removed)), expected);
  }
}

TEST(ScanAreaDocument, MissingRowsBlockShowsAnEmptyCountAndNoRows) {
  const Area area;
  Boxes expected = area.Shown();
  expected[RowCount].clear();
  expected.resize(FirstRow);
  EXPECT_EQ(Scan(Without(area.Text(), "<RowsData>")), expected);
}

TEST(ScanAreaDocument, MissingOrMisplacedTagsShowClampedPieces) {
  const Area area;
  const struct {
    const char* name;
    std::string document;
    size_t box;
    const char* shown;
  } cases[] = {
      {"no Left tags", Without(Without(area.Text(), "<Left>"), "</Left>"), Left, ""},
      {"no closing Left", Without(area.Text(), "</Left>"), Left, ""},
      // A missing opening tag counts as found at -1: "<Left>" is 6 bytes, so offset 5 on.
      {"no opening Left", Without(area.Text(), "<Left>"), Left, ">10"},
      {"closing AreaType before offset 9",
       "<Area></AreaType>" + Without(Without(area.Text(), "<AreaType>"), "</AreaType>"), AreaType,
       ""},
      {"closing Top before opening",
       "<Area></Top><Top>20" + Without(Without(area.Text(), "<Top>"), "</Top>"), Top, ""},
      {"no opening RowRec", Without(area.Text(), "<RowRec>"), FirstRow + 1, ""},
      {"no opening RowCount", Without(area.Text(), "<RowCount>"), RowCount, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const Boxes boxes = Scan(c.document);
    ASSERT_GT(boxes.size(), c.box);
    EXPECT_EQ(boxes[c.box], c.shown);
  }
}

TEST(ScanAreaDocument, TwoAreasShowTheFirstAreasBoxesThenTheSeconds) {
  const Area first;
  Area second;
  second.fields[Left] = "100";
  second.fields[FontName] = "KaiTi";
  second.fields[StayTime] = "9";
  second.fields[RowCount] = "1";
  second.rows = {"third row"};
  EXPECT_EQ(Scan(first.Text() + "\r\n" + second.Text()), Concat(first.Shown(), second.Shown()));
}

TEST(ScanAreaDocument, SearchesRunPastTheEndOfTheArea) {
  Area first;
  first.fields[RowCount] = "3";
  first.rows = {"row one"};
  Area second;
  second.fields[Left] = "100";
  second.fields[FontName] = "KaiTi";
  second.fields[FontSize] = "16";
  second.rows = {"row two", "row three"};
  // The first area lacks Left and its font block; neither area has ShowMode.
  std::string document = Without(first.Text(), "<Left>10</Left>") + second.Text();
  document = Without(Without(document, "<Font>"), "<ShowMode>3</ShowMode>");
  document = Without(document, "<ShowMode>3</ShowMode>");

  Boxes firstShown = first.Shown();
  for (size_t i : {size_t{Left}, size_t{FontName}, size_t{FontSize}})
    firstShown[i] = second.fields[i];
  firstShown[ShowMode].clear();
  firstShown.insert(firstShown.end(), {"row two", "row three"});
  Boxes secondShown = second.Shown();
  secondShown[ShowMode].clear();
  EXPECT_EQ(Scan(document), Concat(firstShown, secondShown));
}

TEST(ScanAreaDocument, AreaWithoutClosingTagIsTheLastOneScanned) {
  const Area area;
  const std::string document = Without(area.Text(), "</Area>") + area.Text();
  EXPECT_EQ(Scan(document).size(), area.Shown().size());
}

TEST(ScanAreaDocument, ReadsOnlyTheGivenBytes) {
  const std::string bytes = "<Area><Left>10</Left>";
  Boxes boxes;
  ScanAreaDocument(std::string_view(bytes).substr(0, bytes.size() - 3),
                   [&](std::string_view text) { boxes.emplace_back(text); });
  ASSERT_EQ(boxes.size(), FirstRow);
  EXPECT_EQ(boxes[Left], "");  // its closing tag lies beyond the view
}

TEST(ScanAreaDocument, ASinkRewritingTheCallersTextDoesNotDisturbTheScan) {
  const Area area;
  std::string document = area.Text();
  Boxes boxes;
  ScanAreaDocument(document, [&](std::string_view text) {
    boxes.emplace_back(text);
    std::fill(document.begin(), document.end(), 'x');
  });
  EXPECT_EQ(boxes, area.Shown());
}

TEST(ScanAreaDocument, ShowsThroughTheMessageHandler) {
  Boxes shown;
  MessageSink messages;
  messages.Install(
      [](const char* text, void* context) { static_cast<Boxes*>(context)->emplace_back(text); },
      &shown);
  const Area area;
  ScanAreaDocument(area.Text(), ShowBoxesAsMessages(messages));
  EXPECT_EQ(shown, area.Shown());
}

}  // namespace
}  // namespace veltrane::fixed_target
