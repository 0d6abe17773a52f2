// SPDX-License-Identifier: MIT
// What the command says beside its results: warnings and --strict, the summary, JSON output and
// the preview's choice of file, time and page.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "capture.h"
#include "commands.h"
#include "image/png.h"
#include "program/program_reader.h"
#include "shared/input_file.h"
#include "shared/time_text.h"

namespace veltrane::cli {
namespace {

using nlohmann::json;
using testing::Capture;
using testing::Outcome;
using testing::TempPath;

const std::filesystem::path kHello =
    std::filesystem::path(VELTRANE_SOURCE_DIR) / "examples" / "hello.json";

// A program file in a scratch folder, removed with the object.
class ScratchProgram {
 public:
  ScratchProgram(const std::string& name, const std::string& text) : path_(TempPath(name)) {
    std::ofstream(path_) << text;
  }
  ~ScratchProgram() { std::filesystem::remove(path_); }
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

std::string OnePage(const std::string& areas) {
  return R"({"pages": [{"areas": [)" + areas + "]}]}";
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

TEST(Warnings, EachOddityOfAProgramIsOneSentenceAndStrictFailsOnIt) {
  struct Case {
    const char* name;
    std::string program;
    std::vector<std::string> warnings;  // each warning line contains its text, in order
  };
  const Case cases[] = {
      {"fits", OnePage(R"({"kind": "text", "rect": [0, 0, 64, 32], "text": "Hi"})"), {}},
      {"no pages", R"({"pages": []})", {"the program has no pages, so the screen shows nothing"}},
      {"empty page",
       R"({"pages": [{"areas": [{"kind": "clock", "rect": [0, 0, 32, 32]}]}, {}]})",
       {"page 2 has no areas, so it shows nothing"}},
      {"inverted rectangle",
       OnePage(R"({"kind": "string", "rect": [40, 0, 0, 16], "text": "x"})"),
       {"page 1 area 1 (string) has an inverted rectangle (40, 0, 0, 16), so it shows nothing"}},
      {"empty rectangle",
       OnePage(R"({"kind": "text", "rect": [0, 0, 40, 0], "text": "x"})"),
       {"page 1 area 1 (window) has an empty rectangle (0, 0, 40, 0), so it shows nothing"}},
      {"face not installed",
       OnePage(R"({"kind": "text", "rect": [0, 0, 64, 32], "text": "Hi",
                   "font": "No Such Face 4711"})"),
       {"page 1 area 1 asks for the face \"No Such Face 4711\", which is not installed, and is "
        "drawn in \""}},
      {"date-time face not installed",
       OnePage(R"({"kind": "datetime", "rect": [0, 0, 64, 32], "format": "hour",
                   "font": "No Such Face 4711"})"),
       {"page 1 area 1 asks for the face \"No Such Face 4711\""}},
      {"CJK text taller than its area",
       OnePage(R"({"kind": "text", "rect": [0, 0, 64, 16], "text": "\u661f\u671f\u4e09"})"),
       {"page 1 area 1 (window) draws ",
        " taller than its rectangle (0, 0, 64, 16), and the "
        "screen cuts what lies outside"}},
      {"text wider than its area",
       OnePage(R"({"kind": "text", "rect": [0, 0, 20, 32], "text": "Hello, world"})"),
       {" wider than its rectangle (0, 0, 20, 32)"}},
      {"strings are the screen's to draw",
       OnePage(R"({"kind": "string", "rect": [0, 0, 8, 8], "text": "a long line of text"})"),
       {}},
      {"areas sharing pixels",
       OnePage(R"({"kind": "clock", "rect": [0, 0, 32, 32]},
                  {"kind": "string", "rect": [32, 0, 64, 16], "text": "x"},
                  {"kind": "string", "rect": [31, 31, 40, 40], "text": "y"})"),
       {"page 1 areas 1 and 3 overlap, so the screen draws one over the other"}},
      {"areas side by side",
       OnePage(R"({"kind": "clock", "rect": [0, 0, 32, 32]},
                  {"kind": "string", "rect": [32, 0, 64, 16], "text": "x"},
                  {"kind": "string", "rect": [0, 32, 32, 48], "text": "y"})"),
       {}},
      {"past the screen",
       R"({"screen": {"width": 64, "height": 32}, "pages": [{"areas": [
           {"kind": "string", "rect": [0, 0, 64, 32], "text": "x"},
           {"kind": "string", "rect": [64, 0, 70, 34], "text": "y"}]}]})",
       {"page 1 area 2 reaches 6 pixels to the right and 2 pixels below past the 64 x 32 screen, "
        "which shows only what lies on it"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const ScratchProgram file("warned.json", c.program);
    const Outcome lenient = Capture([&] { return Inspect(file.path()); });
    EXPECT_EQ(lenient.status, kExitOk) << lenient.err;
    EXPECT_FALSE(lenient.out.empty());
    const std::vector<std::string> lines = Lines(lenient.err);
    ASSERT_EQ(lines.size(), c.warnings.empty() ? 0u : 1u) << lenient.err;
    for (const std::string& part : c.warnings) {
      EXPECT_EQ(lines[0].rfind("veltrane: warning: ", 0), 0u) << lines[0];
      EXPECT_NE(lines[0].find(part), std::string::npos) << lines[0];
    }

    const Outcome strict = Capture([&] { return Inspect(file.path(), {.strict = true}); });
    EXPECT_EQ(strict.status, c.warnings.empty() ? kExitOk : kExitUsage);
    EXPECT_EQ(strict.err, lenient.err);
    EXPECT_EQ(strict.out.empty(), !c.warnings.empty());  // nothing but the warnings
  }
}

TEST(Warnings, OverlapsAreSaidUpToTheirBoundAndThenOnceMore) {
  std::string areas;
  for (int i = 0; i < 20; ++i)
    areas +=
        std::string(i == 0 ? "" : ",") + R"({"kind": "string", "rect": [0, 0, 8, 8], "text": "x"})";
  const ScratchProgram file("stacked.json", OnePage(areas));
  const Outcome outcome = Capture([&] { return Inspect(file.path()); });
  const std::vector<std::string> lines = Lines(outcome.err);
  ASSERT_EQ(lines.size(), kMaxOverlapWarnings + 1) << outcome.err;
  EXPECT_NE(lines[0].find("page 1 areas 1 and 2 overlap"), std::string::npos) << lines[0];
  EXPECT_EQ(lines.back(), "veltrane: warning: page 1 has more overlapping areas than these");
}

TEST(Warnings, StrictPreviewWritesNoPicture) {
  const ScratchProgram file("empty.json", R"({"pages": [{}]})");
  const auto out = TempPath("strict.png");
  const Outcome strict =
      Capture([&] { return Preview(file.path(), out, {}, {.scale = 1}, /*strict=*/true); });
  EXPECT_EQ(strict.status, kExitUsage);
  EXPECT_EQ(strict.err, "veltrane: warning: page 1 has no areas, so it shows nothing\n");
  EXPECT_FALSE(std::filesystem::exists(out));
}

TEST(Summary, OneLinePerPageAndAreaAgreeingWithTheTree) {
  const Outcome text = Capture([] { return Inspect(kHello, {}, /*summary=*/true); });
  ASSERT_EQ(text.status, kExitOk) << text.err;
  EXPECT_EQ(Lines(text.out),
            (std::vector<std::string>{
                "program: 1 page, 47012 bytes, 2 bits per pixel", "page 1: 6 areas, 47000 bytes",
                "  area 1 text (0, 0, 96, 16), 408 bytes: picture 92 x 16",
                "  area 2 datetime (0, 16, 56, 32), 500 bytes: time-seconds, 11 glyphs",
                "  area 3 datetime (56, 16, 96, 32), 588 bytes: weekday, 8 glyphs",
                "  area 4 clock (96, 0, 128, 32), 45328 bytes: 169 pictures",
                "  area 5 image (112, 32, 128, 48), 104 bytes: picture 16 x 16",
                "  area 6 string (0, 32, 112, 48), 56 bytes: \"shown by the screen\""}));

  // The JSON summary says the same as the full tree, field for field.
  const Outcome summary = Capture([] { return Inspect(kHello, {.json = true}, true); });
  const Outcome tree = Capture([] { return Inspect(kHello, {.json = true}); });
  ASSERT_EQ(summary.status, kExitOk);
  ASSERT_EQ(tree.status, kExitOk);
  const json s = json::parse(summary.out);
  const json t = json::parse(tree.out);
  EXPECT_EQ(s["bytes"], t["programLength"]);
  ASSERT_EQ(s["pages"].size(), t["pages"].size());
  for (size_t p = 0; p < s["pages"].size(); ++p) {
    EXPECT_EQ(s["pages"][p]["bytes"], t["pages"][p]["pageLength"]);
    const json& areas = s["pages"][p]["areas"];
    ASSERT_EQ(areas.size(), t["pages"][p]["areas"].size());
    for (size_t a = 0; a < areas.size(); ++a) {
      const json& area = t["pages"][p]["areas"][a];
      EXPECT_EQ(areas[a]["kind"], area["kind"]);
      EXPECT_EQ(areas[a]["rect"], area["rect"]);
      EXPECT_EQ(areas[a]["bytes"], area["recordLength"]);
    }
  }
  EXPECT_EQ(s["pages"][0]["areas"][5]["content"], "\"shown by the screen\"");
}

// A program file names its areas by their kinds; a program block only by its records, where text
// and pictures are both windows.
TEST(Summary, AreasOfABlockAreNamedByTheirRecords) {
  auto loaded = LoadProgramBlock(kHello);
  ASSERT_TRUE(loaded);
  const auto& block = *loaded;
  const ScratchProgram file("hello.bin", std::string(block.begin(), block.end()));
  const Outcome summary = Capture([&] { return Inspect(file.path(), {}, /*summary=*/true); });
  ASSERT_EQ(summary.status, kExitOk) << summary.err;
  const std::vector<std::string> lines = Lines(summary.out);
  ASSERT_EQ(lines.size(), 8u);
  EXPECT_EQ(lines[2].substr(0, 16), "  area 1 window ");
  EXPECT_EQ(lines[3].substr(0, 19), "  area 2 date-time ");
  EXPECT_EQ(lines[6].substr(0, 16), "  area 5 window ");
  const Outcome tree = Capture([&] { return Inspect(file.path()); });
  EXPECT_NE(tree.out.find("@28 area 1 window: "), std::string::npos) << tree.out;
}

TEST(ProgramJson, TheTreeAsTheReaderFindsIt) {
  const Outcome tree = Capture([] { return Inspect(kHello, {.json = true}); });
  ASSERT_EQ(tree.status, kExitOk) << tree.err;
  EXPECT_EQ(std::count(tree.out.begin(), tree.out.end(), '\n'), 1);  // one line
  const json t = json::parse(tree.out);
  auto loaded = LoadProgramBlock(kHello);
  const auto& block = *loaded;
  const program::ReadResult read = program::ReadProgram(block);
  ASSERT_TRUE(read.ok());
  const program::Program& program = read.program();
  EXPECT_EQ(t["programLength"], program.programLength);
  EXPECT_EQ(t["colorMode"], program.colorMode);
  const program::Page& page = program.pages[0];
  EXPECT_EQ(t["pages"][0]["offset"], page.offset);
  EXPECT_EQ(t["pages"][0]["itemCount"], page.itemCount);
  const json& areas = t["pages"][0]["areas"];
  ASSERT_EQ(areas.size(), page.areas.size());
  for (size_t a = 0; a < areas.size(); ++a) {
    EXPECT_EQ(areas[a]["offset"], page.areas[a].offset);
    EXPECT_EQ(areas[a]["tag"], page.areas[a].tag);
  }
  const auto& window = std::get<program::WindowArea>(page.areas[0].content);
  EXPECT_EQ(areas[0]["raster"]["width"], window.image.width);
  EXPECT_EQ(areas[0]["raster"]["offset"], window.image.offset);
  const auto& clock = std::get<program::ClockArea>(page.areas[3].content);
  EXPECT_EQ(areas[3]["pictures"]["rasters"].size(), clock.pictures.rasters.size());
  EXPECT_EQ(areas[5]["text"], "shown by the screen");
}

TEST(ProgramJson, BytesThatAreNotUtf8StillMakeValidJson) {
  const ScratchProgram file(
      "latin1.json", OnePage(R"({"kind": "string", "rect": [0, 0, 64, 16], "text": "abc"})"));
  auto loaded = LoadProgramBlock(file.path());
  auto block = *loaded;
  // Put a byte no UTF-8 text has into the string's text, as a host in another code page might.
  const auto at = std::search(block.begin(), block.end(), std::begin("abc"), std::end("abc") - 1);
  ASSERT_NE(at, block.end());
  *at = 0xFF;
  const auto raw = TempPath("latin1.bin");
  std::ofstream(raw, std::ios::binary)
      .write(reinterpret_cast<const char*>(block.data()),
             static_cast<std::streamsize>(block.size()));
  const Outcome run = Capture([&] { return Inspect(raw, {.json = true}); });
  std::filesystem::remove(raw);
  ASSERT_EQ(run.status, kExitOk) << run.err;
  const json t = json::parse(run.out);  // throws on invalid UTF-8
  const std::string text = t["pages"][0]["areas"][0]["text"];
  EXPECT_EQ(text.substr(text.size() - 2), "bc");
  EXPECT_EQ(t["pages"][0]["areas"][0]["textBytes"], 3);
}

TEST(PreviewOptions, DateTimesAreWholeAndReal) {
  struct Case {
    const char* text;
    bool read;
    uint16_t dayOfWeek;
  };
  const Case cases[] = {
      {"2026-12-09 10:08:30", true, 3},                                       // a Wednesday
      {"2024-02-29 00:00:00", true, 4},                                       // a leap day
      {"2000-01-01 23:59:59", true, 6},   {"2026-02-29 10:00:00", false, 0},  // no such day
      {"2026-13-01 10:00:00", false, 0},  {"2026-12-09 24:00:00", false, 0},
      {"2026-12-09 10:08", false, 0},     {"2026-12-09T10:08:30", false, 0},
      {"2026-+1-09 10:08:30", false, 0},  {"2026-12-09 +1:08:30", false, 0},
      {"2026-12-09  1:08:30", false, 0},  {"0000-01-01 10:08:30", false, 0},
      {"2026-12-09 10:08:30x", false, 0}, {"", false, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    const auto time = tools::ParseDateTime(c.text);
    ASSERT_EQ(time.has_value(), c.read);
    if (!time) continue;
    EXPECT_EQ(time->dayOfWeek, c.dayOfWeek);
    EXPECT_EQ(tools::DateTimeText(*time), c.text);
  }
}

TEST(PreviewOptions, ThePictureGoesBesideTheProgramUnlessThatCannotBe) {
  struct Case {
    const char* program;
    std::optional<std::filesystem::path> out;
  };
  const Case cases[] = {
      {"hello.json", "hello.png"},
      {"dir/sign.v2.bin", "dir/sign.v2.png"},
      {"noextension", "noextension.png"},
      {"-", std::nullopt},          // standard input has no name to borrow
      {"image.png", std::nullopt},  // would write over the program
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.program);
    EXPECT_EQ(DefaultPreviewPath(c.program), c.out);
  }
}

TEST(PreviewOptions, OnePageIsDrawnAloneAndAPageBeyondTheCountIsNamed) {
  const ScratchProgram file("two_pages.json", R"({"pages": [
      {"areas": [{"kind": "clock", "rect": [0, 0, 32, 32]}]},
      {"areas": [{"kind": "clock", "rect": [0, 0, 48, 16]}]}]})");
  const auto out = TempPath("page.png");
  struct Case {
    std::optional<size_t> page;
    int width;
    int height;
  };
  for (const Case& c : {Case{std::nullopt, 32 + 1 + 48, 32}, Case{0, 32, 32}, Case{1, 48, 16}}) {
    SCOPED_TRACE(c.page.value_or(99));
    const Outcome run =
        Capture([&] { return Preview(file.path(), out, {}, {.scale = 1, .page = c.page}); });
    ASSERT_EQ(run.status, kExitOk) << run.err;
    const auto read = tools::ReadPngInput(out);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->width, c.width);
    EXPECT_EQ(read->height, c.height);
  }
  std::filesystem::remove(out);
  const Outcome beyond = Capture([&] { return Preview(file.path(), out, {}, {.page = 2}); });
  EXPECT_EQ(beyond.status, kExitUsage);
  EXPECT_EQ(beyond.err, "veltrane: --page 3: the program has 2 pages\n");
  EXPECT_FALSE(std::filesystem::exists(out));
}

TEST(PreviewOptions, APageIsTheSizeOfTheScreenTheFileNames) {
  const ScratchProgram file("screen.json", R"({"screen": {"width": 64, "height": 24}, "pages": [
      {"areas": [{"kind": "clock", "rect": [0, 0, 16, 16]}]}]})");
  const auto out = TempPath("screen.png");
  const Outcome run = Capture([&] { return Preview(file.path(), out, {}, {.scale = 2}); });
  ASSERT_EQ(run.status, kExitOk) << run.err;
  const auto read = tools::ReadPngInput(out);
  ASSERT_TRUE(read);
  EXPECT_EQ(read->width, 128);
  EXPECT_EQ(read->height, 48);
  std::filesystem::remove(out);
}

}  // namespace
}  // namespace veltrane::cli
