#include "program_file/program_file.h"

#include <gtest/gtest.h>

#include "commands.h"

namespace veltrane::cli {
namespace {

ProgramFile Parse(std::string_view text) {
  auto result = ParseProgramFile(text, "/base");
  if (auto* error = std::get_if<ProgramFileError>(&result)) {
    ADD_FAILURE() << error->Describe();
    return {};
  }
  return std::get<ProgramFile>(result);
}

std::string ErrorOf(std::string_view text) {
  auto result = ParseProgramFile(text, "/base");
  if (auto* error = std::get_if<ProgramFileError>(&result)) return error->Describe();
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
}

TEST(ProgramFile, ColoursAreStoredBlueGreenRed) {
  const ProgramFile program = Parse(
      R"({"pages": [{"areas": [{"kind": "text", "rect": [0,0,1,1], "text": "x", "color": "#123456"}]}]})");
  EXPECT_EQ(std::get<TextArea>(program.pages[0].areas[0].content).font.color, 0x563412u);
}

TEST(ProgramFile, ErrorsNameThePathAndTheProblem) {
  struct Case {
    const char* json;
    const char* error;
  };
  const Case cases[] = {
      {"[1]", "expected an object, found an array"},
      {"{", "not valid JSON"},
      {"5555e5555555", "not valid JSON"},  // a number out of range is an error, not a crash
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
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.json);
    EXPECT_NE(ErrorOf(c.json).find(c.error), std::string::npos) << ErrorOf(c.json);
  }
}

TEST(ProgramFile, MissingFileIsAnError) {
  const auto result = LoadProgramBlock("/nonexistent/program.json");
  ASSERT_TRUE(std::holds_alternative<std::string>(result));
  EXPECT_NE(std::get<std::string>(result).find("cannot read"), std::string::npos);
}

}  // namespace
}  // namespace veltrane::cli
