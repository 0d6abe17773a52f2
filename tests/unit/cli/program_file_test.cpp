// SPDX-License-Identifier: MIT
#include "program_file/program_file.h"

#include <gtest/gtest.h>

#include "commands.h"
#include "common/status_text.h"

namespace veltrane::cli {
namespace {

ProgramFile Parse(std::string_view text) {
  auto result = ParseProgramFile(text, "/base");
  if (!result) {
    ADD_FAILURE() << StatusText(result.error());
    return {};
  }
  return *std::move(result);
}

std::string ErrorOf(std::string_view text) {
  auto result = ParseProgramFile(text, "/base");
  if (!result) return StatusText(result.error());
  return "(accepted)";
}

TEST(ProgramFile, ReadsEveryAreaKind) {
  const ProgramFile program = Parse(R"({
    "rootType": 3, "colorMode": 1,
    "pages": [
      {"param": 7, "areas": [
        {"kind": "text", "rect": [0, 0, 64, 16], "text": "Hi", "font": "DejaVu Serif", "size": 9,
         "color": "#00ff00", "areaParam": 1, "paramA": 2, "paramB": 3},
        {"kind": "string", "rect": [0, 16, 64, 32], "text": "raw", "stringParamA": 4, "stringParamB": 5},
        {"kind": "image", "rect": [0, 0, 8, 8], "file": "logo.png"},
        {"kind": "datetime", "rect": [0, 0, 64, 16], "format": "time-seconds", "color": "yellow"},
        {"kind": "datetime", "rect": [0, 0, 64, 16], "format": 10},
        {"kind": "clock", "rect": [0, 0, 64, 64], "colors": {"ring": "white", "face": 255}}
      ]},
      {}
    ]})");
  EXPECT_EQ(program.rootType, 3);
  EXPECT_EQ(program.colorMode, 1);
  ASSERT_EQ(program.pages.size(), 2u);
  EXPECT_EQ(program.pages[0].pageParam, 7);
  EXPECT_TRUE(program.pages[1].areas.empty());
  const auto& areas = program.pages[0].areas;
  ASSERT_EQ(areas.size(), 6u);

  const auto& text = std::get<TextArea>(areas[0].content);
  EXPECT_EQ(text.text, "Hi");
  EXPECT_EQ(text.font.face, "DejaVu Serif");
  EXPECT_EQ(text.font.pointSize, 9);
  EXPECT_EQ(text.font.color, 0x00FF00u);
  EXPECT_EQ(areas[0].params.areaParam, 1);
  EXPECT_EQ(areas[0].params.paramB, 3);
  EXPECT_EQ(areas[0].rect.right, 64);

  const auto& string = std::get<StringArea>(areas[1].content);
  EXPECT_EQ(string.stringParamA, 4);
  EXPECT_EQ(string.stringParamB, 5);
  EXPECT_EQ(std::get<ImageArea>(areas[2].content).file, std::filesystem::path("/base/logo.png"));
  EXPECT_EQ(std::get<DateTimeArea>(areas[3].content).dateTimeType, 3);
  EXPECT_EQ(std::get<DateTimeArea>(areas[3].content).font.color, 0x00FFFFu);
  EXPECT_EQ(std::get<DateTimeArea>(areas[4].content).dateTimeType, 10);
  const auto& clock = std::get<ClockArea>(areas[5].content);
  EXPECT_EQ(clock.ringColor, 0xFFFFFFu);
  EXPECT_EQ(clock.faceColor, 255u);

  // Each area is named back by the kind the file gave it.
  std::vector<std::string_view> kinds;
  for (const Area& area : areas) kinds.push_back(AreaKindName(area));
  EXPECT_EQ(kinds, (std::vector<std::string_view>{"text", "string", "image", "datetime", "datetime",
                                                  "clock"}));
}

// "$schema" tells editors where the file's schema is; the reader takes it as a string only.
TEST(ProgramFile, SchemaReferenceIsAString) {
  EXPECT_EQ(ErrorOf(R"({"$schema": "../docs/program.schema.json", "pages": []})"), "(accepted)");
  EXPECT_EQ(ErrorOf(R"({"$schema": 1, "pages": []})"),
            "$schema: expected a string, found a number");
}

TEST(ProgramFile, TheScreenAndAPicturesFitAreKeptAsGiven) {
  const ProgramFile program = Parse(R"({"screen": {"width": 128, "height": 64}, "pages": [
      {"areas": [{"kind": "image", "rect": [0, 0, 8, 8], "file": "a.png"},
                 {"kind": "image", "rect": [0, 0, 8, 8], "file": "a.png", "fit": "crop"},
                 {"kind": "image", "rect": [0, 0, 8, 8], "file": "a.png", "fit": "scale"}]}]})");
  ASSERT_TRUE(program.screen.has_value());
  EXPECT_EQ(program.screen->width, 128);
  EXPECT_EQ(program.screen->height, 64);
  const auto& areas = program.pages[0].areas;
  EXPECT_EQ(std::get<ImageArea>(areas[0].content).fit, PictureFit::AsIs);
  EXPECT_EQ(std::get<ImageArea>(areas[1].content).fit, PictureFit::Crop);
  EXPECT_EQ(std::get<ImageArea>(areas[2].content).fit, PictureFit::Scale);
  EXPECT_FALSE(Parse(R"({"pages": []})").screen.has_value());
}

TEST(ProgramFile, ColoursAreStoredBlueGreenRed) {
  const ProgramFile program = Parse(
      R"({"pages": [{"areas": [{"kind": "text", "rect": [0,0,1,1], "text": "x", "color": "#123456"}]}]})");
  EXPECT_EQ(std::get<TextArea>(program.pages[0].areas[0].content).font.color, 0x563412u);
}

// A fault in the JSON itself reads as the command's own sentence, placed as compilers place
// theirs, with nothing of the parser's exception names.
TEST(ProgramFile, JsonFaultsGiveLineColumnAndWhatWasExpected) {
  const std::pair<const char*, const char*> cases[] = {
      {"{", "1:2: unexpected end of input; expected a key in double quotes"},
      {"{\n  \"pages\": [\n    {\"areas\": [,]}", "3:16: unexpected ','; expected a value"},
      {"{\"pages\" []}", "1:10: unexpected '['; expected ':'"},
      {"{\"pages\": tru}", "1:14: not a value: '\"pages\": tru}'"},
      {"", "1:1: unexpected end of input; expected a value"},
      {"5555e5555555", "number too large to read: '5555e5555555'"},  // an error, not a crash
  };
  for (const auto& [text, error] : cases) {
    SCOPED_TRACE(text);
    EXPECT_EQ(ErrorOf(text), error);
    const auto named = ParseProgramFile(text, ".", "hello.json");
    ASSERT_FALSE(named);
    const bool placed = std::isdigit(static_cast<unsigned char>(error[0]));
    EXPECT_EQ(StatusText(named.error()), std::string("hello.json") + (placed ? ":" : ": ") + error);
  }
}

TEST(ProgramFile, ErrorsNameThePathAndTheProblem) {
  struct Case {
    const char* json;
    const char* error;
  };
  const Case cases[] = {
      {"[1]", "expected an object, found an array"},
      {R"({})", "pages: missing"},
      {R"({"pages": 3})", "pages: expected an array, found a number"},
      {R"({"pages": [], "colourMode": 1})", "colourMode: unknown key"},
      {R"({"pages": [{"areas": [{"kind": "text", "rect": [0,0,1,1], "text": "x"}]},
                     {"areas": [{"kind": "string", "rect": [0,0,1], "text": "x"}]}]})",
       "pages[1].areas[0].rect: expected 4 integers"},
      {R"({"pages": [{"areas": [{"kind": "movie", "rect": [0,0,1,1]}]}]})",
       "pages[0].areas[0].kind: expected text, string, image, datetime or clock"},
      {R"({"pages": [{"areas": [{"kind": "text", "rect": [0,0,1,1]}]}]})",
       "pages[0].areas[0].text: missing"},
      {R"({"pages": [{"areas": [{"kind": "text", "rect": [0,0,1,1], "text": "x", "size": 0}]}]})",
       "pages[0].areas[0].size: expected 1..1000, found 0"},
      {R"({"pages": [{"areas": [{"kind": "text", "rect": [0,0,1,1], "text": "x", "color": "#12"}]}]})",
       "pages[0].areas[0].color: expected a colour"},
      {R"({"pages": [{"param": 4294967296}]})", "pages[0].param: integer out of the 32-bit range"},
      {R"({"pages": [{"areas": [{"kind": "clock", "rect": [0,0,1,1], "colors": {"hands": 1}}]}]})",
       "pages[0].areas[0].colors.hands: unknown key"},
      {R"({"pages": [{"areas": [{"kind": "datetime", "rect": [0,0,1,1], "format": "century"}]}]})",
       "pages[0].areas[0].format: expected date, time"},
      {R"({"pages": [{"areas": [{"kind": "image", "rect": [0,0,1,1], "file": "a.png", "fit": "fill"}]}]})",
       "pages[0].areas[0].fit: expected crop or scale"},
      {R"({"pages": [{"areas": [{"kind": "image", "rect": [0,0,1,1], "file": "a.png", "fit": 1}]}]})",
       "pages[0].areas[0].fit: expected a string, found a number"},
      {R"({"screen": [128, 64], "pages": []})", "screen: expected an object, found an array"},
      {R"({"screen": {"width": 128}, "pages": []})", "screen.height: missing"},
      {R"({"screen": {"width": 128, "height": 64, "depth": 2}, "pages": []})",
       "screen.depth: unknown key"},
      {R"({"screen": {"width": 0, "height": 64}, "pages": []})",
       "screen.width: expected 1..65535, found 0"},
      {R"({"screen": {"width": 128, "height": 65536}, "pages": []})",
       "screen.height: expected 1..65535, found 65536"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.json);
    EXPECT_NE(ErrorOf(c.json).find(c.error), std::string::npos) << ErrorOf(c.json);
  }
}

TEST(ProgramFile, RepeatedKeysAreErrorsAtTheirPlace) {
  struct Case {
    const char* json;
    const char* error;  // empty: accepted
  };
  const Case cases[] = {
      {R"({"pages": [], "pages": []})", "pages: duplicate key"},
      {R"({"colorMode": 1, "pages": [], "colorMode": 2})", "colorMode: duplicate key"},
      {R"({"pages": [{}, {"param": 1, "param": 2}]})", "pages[1].param: duplicate key"},
      {R"({"pages": [{"areas": [{"kind": "string", "rect": [0,0,1,1], "text": "x"},
                                {"kind": "text", "rect": [0,0,1,1], "text": "a", "text": "b"}]}]})",
       "pages[0].areas[1].text: duplicate key"},
      {R"({"pages": [{"areas": [{"kind": "clock", "rect": [0,0,8,8],
                                 "colors": {"hour": "red", "hour": "green"}}]}]})",
       "pages[0].areas[0].colors.hour: duplicate key"},
      {R"({"comment": [1, {"a": 1, "b": [{"c": 1, "c": 2}]}], "pages": []})",
       "comment[1].b[0].c: duplicate key"},
      // The same key in sibling objects or at another depth is no repetition.
      {R"({"pages": [{"param": 1}, {"param": 2}]})", ""},
      {R"({"comment": {"pages": 1}, "pages": [{"areas": [{"kind": "string", "rect": [0,0,1,1],
          "text": "x"}, {"kind": "string", "rect": [0,0,1,1], "text": "y"}]}]})",
       ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.json);
    EXPECT_EQ(ErrorOf(c.json), *c.error ? c.error : "(accepted)");
  }
}

// A document `levels` deep: the root object, then arrays in its comment.
std::string NestedDocument(size_t levels) {
  return R"({"pages": [], "comment": )" + std::string(levels - 1, '[') +
         std::string(levels - 1, ']') + "}";
}

TEST(ProgramFile, NestingDeeperThanTheBoundIsAnErrorWhereItPassesIt) {
  EXPECT_EQ(ErrorOf(NestedDocument(kMaxProgramFileDepth)), "(accepted)");
  std::string path = "comment";
  for (size_t i = 2; i <= kMaxProgramFileDepth; ++i) path += "[0]";
  const std::string tooDeep = path + ": nested deeper than 64 levels of objects and arrays";
  // However deep the rest goes, the reader stops where the bound is passed.
  for (const size_t levels : {kMaxProgramFileDepth + 1, size_t{20000}}) {
    SCOPED_TRACE(levels);
    EXPECT_EQ(ErrorOf(NestedDocument(levels)), tooDeep);
  }
}

TEST(ProgramFile, ValuesOutsideTheirRangeAreErrorsAtTheirPlace) {
  // One area or root key at a time, on the edge of its range and just past it.
  struct Case {
    const char* root;   // keys of the root besides "pages"
    const char* area;   // keys of a string area besides "kind" and "text"
    const char* error;  // empty: accepted
  };
  const Case cases[] = {
      {"", R"("rect": [0, 0, 65535, 65535])", ""},
      {"", R"("rect": [0, 0, 65536, 1])",
       "pages[0].areas[0].rect[2]: expected 0..65535, found 65536"},
      {"", R"("rect": [0, 0, 2147483647, 1])", "pages[0].areas[0].rect[2]: expected 0..65535"},
      {"", R"("rect": [-1, 0, 1, 1])", "pages[0].areas[0].rect[0]: expected 0..65535, found -1"},
      {"", R"("rect": [5, 0, 4, 1])", ""},  // inverted: warned about by the command
      {"", R"("rect": [0, 5, 1, 4])", ""},
      {"", R"("rect": [3, 3, 3, 3])", ""},
      {"", R"("rect": [0,0,1,1], "areaParam": 65535, "paramA": 0, "paramB": 65535)", ""},
      {"", R"("rect": [0,0,1,1], "areaParam": 65536)",
       "pages[0].areas[0].areaParam: expected 0..65535"},
      {"", R"("rect": [0,0,1,1], "paramA": -1)", "pages[0].areas[0].paramA: expected 0..65535"},
      {"", R"("rect": [0,0,1,1], "paramB": 70000)", "pages[0].areas[0].paramB: expected 0..65535"},
      {R"("rootType": 65535, "colorMode": 0,)", R"("rect": [0,0,1,1])", ""},
      {R"("rootType": 65536,)", R"("rect": [0,0,1,1])", "rootType: expected 0..65535, found 65536"},
      {R"("colorMode": -1,)", R"("rect": [0,0,1,1])", "colorMode: expected 0..65535, found -1"},
  };
  for (const Case& c : cases) {
    const std::string json = std::string("{") + c.root +
                             R"( "pages": [{"areas": [{"kind": "string", "text": "x", )" + c.area +
                             "}]}]}";
    SCOPED_TRACE(json);
    const std::string error = ErrorOf(json);
    if (*c.error == '\0')
      EXPECT_EQ(error, "(accepted)");
    else
      EXPECT_EQ(error.rfind(c.error, 0), 0u) << error;
  }
}

TEST(ProgramFile, KindValuesOutsideTheirRangeAreErrorsAtTheirPlace) {
  struct Case {
    const char* area;   // a whole area
    const char* error;  // empty: accepted
  };
  const Case cases[] = {
      {R"({"kind": "datetime", "rect": [0,0,1,1], "format": 1})", ""},
      {R"({"kind": "datetime", "rect": [0,0,1,1], "format": 10})", ""},
      {R"({"kind": "datetime", "rect": [0,0,1,1], "format": 0})",
       "pages[0].areas[0].format: expected 1..10, found 0"},
      {R"({"kind": "datetime", "rect": [0,0,1,1], "format": 999})",
       "pages[0].areas[0].format: expected 1..10, found 999"},
      {R"({"kind": "text", "rect": [0,0,1,1], "text": "x", "size": 1000})", ""},
      {R"({"kind": "text", "rect": [0,0,1,1], "text": "x", "size": 1001})",
       "pages[0].areas[0].size: expected 1..1000, found 1001"},
      {R"({"kind": "datetime", "rect": [0,0,1,1], "format": 2, "size": -3})",
       "pages[0].areas[0].size: expected 1..1000, found -3"},
      {R"({"kind": "text", "rect": [0,0,1,1], "text": "x", "color": 16777215})", ""},
      {R"({"kind": "text", "rect": [0,0,1,1], "text": "x", "color": 16777216})",
       "pages[0].areas[0].color: expected 0..16777215, found 16777216"},
      {R"({"kind": "clock", "rect": [0,0,1,1], "colors": {"face": -1}})",
       "pages[0].areas[0].colors.face: expected 0..16777215, found -1"},
  };
  for (const Case& c : cases) {
    const std::string json = std::string(R"({"pages": [{"areas": [)") + c.area + "]}]}";
    SCOPED_TRACE(json);
    const std::string error = ErrorOf(json);
    if (*c.error == '\0')
      EXPECT_EQ(error, "(accepted)");
    else
      EXPECT_EQ(error, c.error);
  }
}

TEST(ProgramFile, StandardInputIsAProgramFileWhenItOpensAnObject) {
  EXPECT_TRUE(LooksLikeProgramFile("{}"));
  EXPECT_TRUE(LooksLikeProgramFile(" \r\n\t{\"pages\": []}"));
  EXPECT_FALSE(LooksLikeProgramFile(""));
  EXPECT_FALSE(LooksLikeProgramFile("  "));
  EXPECT_FALSE(LooksLikeProgramFile("[]"));
  EXPECT_FALSE(LooksLikeProgramFile(std::string_view("\x01\x00\x00\x00{", 5)));
}

TEST(ProgramFile, MissingFileIsAnError) {
  const auto result = LoadProgramBlock("/nonexistent/program.json");
  ASSERT_FALSE(result);
  EXPECT_NE(StatusText(result.error()).find("cannot read"), std::string::npos);
}

}  // namespace
}  // namespace veltrane::cli
