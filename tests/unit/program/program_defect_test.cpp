// SPDX-License-Identifier: MIT
// One defect per check: each case spoils one field of an otherwise valid program (keeping every
// other count and length consistent) and names the byte and the message the reader must report.
#include <gtest/gtest.h>

#include <functional>

#include "program/program_reader.h"
#include "program_samples.h"

namespace veltrane::program {
namespace {

using namespace testing;

struct Defective {
  Bytes block;
  size_t offset;
};

const ProgramPlan kSample = SampleProgram();
const Bytes kBlock = kSample.Flatten();
const size_t kEnd = kBlock.size();

// The sample with its bytes edited; `offset` is where the edit shows.
Defective Edited(const std::function<void(Bytes&)>& edit, size_t offset) {
  Bytes block = kBlock;
  edit(block);
  return {block, offset};
}

// The sample with `bytes` appended and programLength raised to match.
Defective Appended(const Bytes& bytes) {
  Bytes block = kBlock;
  block.insert(block.end(), bytes.begin(), bytes.end());
  Put32(block, 4, static_cast<uint32_t>(block.size()));
  return {block, kEnd};
}

// The sample with one area record replaced; `at` is the defect's offset within the record.
Defective WithArea(size_t page, size_t area, const Bytes& record, size_t at) {
  ProgramPlan plan = kSample;
  plan.pages[page - 1].areas[area - 1] = record;
  return {plan.Flatten(), plan.AreaOffset(page, area) + at};
}

Bytes Set8(Bytes bytes, size_t at, uint8_t value) {
  bytes.at(at) = value;
  return bytes;
}
Bytes Set16(Bytes bytes, size_t at, uint16_t value) {
  Put16(bytes, at, value);
  return bytes;
}
Bytes Set32(Bytes bytes, size_t at, uint32_t value) {
  Put32(bytes, at, value);
  return bytes;
}
// The record grown by `extra` zero bytes with its recordLength (and `listAt`'s length) updated.
Bytes Grown(Bytes record, size_t extra, size_t listAt = 0) {
  record.resize(record.size() + extra);
  Put32(record, 4, static_cast<uint32_t>(record.size()));
  if (listAt != 0) Put32(record, listAt + 4, static_cast<uint32_t>(record.size() - listAt));
  return record;
}

const Bytes kWindow = kSample.pages[0].areas[0];
const Bytes kString = kSample.pages[0].areas[1];
const Bytes kMonth = kSample.pages[1].areas[0];
const Bytes kClock = kSample.pages[1].areas[1];
const Bytes kDigit = Raster(1, 32, 1);
const size_t kMonthAt = kSample.AreaOffset(2, 1);
const size_t kClockAt = kSample.AreaOffset(2, 2);

Bytes Cut(Bytes bytes, size_t size) {
  bytes.resize(size);
  return bytes;
}

std::vector<Bytes> Digits(size_t count) { return std::vector<Bytes>(count, kDigit); }

std::vector<Bytes> ClockPictures(size_t changed, const Bytes& picture) {
  std::vector<Bytes> pictures(169, Raster(2, 32, 1));
  pictures[changed] = picture;
  return pictures;
}

struct DefectCase {
  const char* name;
  std::function<Defective()> make;
  std::string message;
};

// One case per line group; the formatter would spread each lambda over several lines.
// clang-format off
const DefectCase kCases[] = {
    // The root and the block.
    {"empty block", [] { return Defective{{}, 0}; },
     "root: the block is 0 bytes, too short for the 12-byte root record"},
    {"11 bytes", [] { return Defective{Bytes(kBlock.begin(), kBlock.begin() + 11), 0}; },
     "root: the block is 11 bytes, too short for the 12-byte root record"},
    {"programLength too large", [] { return Edited([](Bytes& b) { Put32(b, 4, 3765); }, 4); },
     "root: programLength 3765, but the block is 3764 bytes"},
    {"last byte lost", [] { return Edited([](Bytes& b) { b.pop_back(); }, 4); },
     "root: programLength 3764, but the block is 3763 bytes"},
    {"root reserved", [] { return Edited([](Bytes& b) { b[11] = 1; }, 11); },
     "root: reserved byte 11 is 0x01, not 0"},
    {"pageCount", [] { return Edited([](Bytes& b) { Put16(b, 2, 3); }, 2); },
     "root: pageCount 3, but the program holds 2 pages"},

    // Pages.
    {"stray byte", [] { return Appended({0x30}); }, "page 2: 1 stray byte after the last record"},
    {"area before the first page",
     [] {
       Bytes block = ProgramPlan{}.Flatten();
       block.insert(block.end(), kString.begin(), kString.end());
       Put32(block, 4, static_cast<uint32_t>(block.size()));
       return Defective{block, 12};
     },
     "page 1: expected a page record (tag 0x30), found tag 0x33"},
    {"page record cut short", [] { return Appended({0x30, 0, 0, 0, 0, 0, 0, 0, 0, 0}); },
     "page 3: page record runs past the end of the program (10 bytes left)"},
    {"page reserved", [] { return Edited([](Bytes& b) { b[21] = 7; }, 21); },
     "page 1: reserved byte 9 is 0x07, not 0"},
    {"itemCount", [] { return Edited([](Bytes& b) { Put16(b, 14, 3); }, 14); },
     "page 1: itemCount 3, but the page holds 2 area records"},
    {"pageLength of a middle page", [] { return Edited([](Bytes& b) { Put32(b, 24, 99); }, 24); },
     "page 1: pageLength 99, but the page and its areas take 100 bytes"},
    {"pageLength one too large", [] { return Edited([](Bytes& b) { Put32(b, 24, 101); }, 24); },
     "page 1: pageLength 101, but the page and its areas take 100 bytes"},
    {"pageLength of the last page", [] { return Edited([](Bytes& b) { Put32(b, 124, 16); }, 124); },
     "page 2: pageLength 16, but the page and its areas take 3652 bytes"},

    // Area headers.
    {"area header cut short", [] { return Appended({0x33, 0, 8, 0, 0, 0, 0, 0}); },
     "page 2 area 3: area header runs past the end of the program (8 bytes left)"},
    {"unknown tag", [] { return WithArea(1, 2, Set16(kString, 0, 0x35), 0); },
     "page 1 area 2: unknown record tag 0x35"},
    {"raster image as an area", [] { return WithArea(1, 2, Set16(kString, 0, 0x36), 0); },
     "page 1 area 2: tag 0x36 (a raster image) belongs inside an area record"},
    {"recordLength below the kind's least", [] { return WithArea(1, 2, Set32(kString, 4, 36), 4); },
     "page 1 area 2: recordLength 36 is shorter than the smallest string record (40 bytes)"},
    {"recordLength past the end", [] { return WithArea(2, 2, Set32(kClock, 4, 3420), 4); },
     "page 2 area 2: recordLength 3420 runs past the end of the program (3416 bytes left)"},

    // Window records and their raster.
    {"window reserved", [] { return WithArea(1, 1, Set8(kWindow, 27, 1), 27); },
     "page 1 area 1: reserved byte 27 is 0x01, not 0"},
    {"window longer than its raster", [] { return WithArea(1, 1, Grown(kWindow, 4), 4); },
     "page 1 area 1: recordLength 48, but its raster ends at byte 44"},
    {"raster tag", [] { return WithArea(1, 1, Set16(kWindow, 28, 0x37), 28); },
     "page 1 area 1 raster: expected a raster image (tag 0x36), found tag 0x37"},
    {"depthCode", [] { return WithArea(1, 1, Set16(kWindow, 34, 4), 34); },
     "page 1 area 1 raster: depthCode 4, but colorMode 1 packs 1 bit per pixel (depthCode 1)"},
    {"paddedHeight", [] { return WithArea(1, 1, Set16(kWindow, 32, 20), 32); },
     "page 1 area 1 raster: paddedHeight 20 is not a multiple of 32 rows"},
    {"picture over the limit",
     [] { return WithArea(1, 1, Set16(Set16(kWindow, 30, 2049), 32, 4096), 30); },
     "page 1 area 1 raster: width 2049 x paddedHeight 4096 needs 1049088 pixel bytes, over the "
     "limit of 1048576"},
    {"raster length", [] { return WithArea(1, 1, Set32(kWindow, 36, 20), 36); },
     "page 1 area 1 raster: length 20, but width 1 x paddedHeight 32 at 1 bit per pixel needs 16"},
    {"raster past its record",
     [] { return WithArea(1, 1, WindowRecord(Cut(Raster(1, 64, 1), 16)), 36); },
     "page 1 area 1 raster: length 20 runs past the end of its record (16 bytes left)"},

    // String records.
    {"text room not a multiple of 4", [] { return WithArea(1, 2, Grown(kString, 1), 4); },
     "page 1 area 2: recordLength 41 leaves 5 text bytes, not a multiple of 4"},
    {"string reserved", [] { return WithArea(1, 2, Set8(kString, 20, 9), 20); },
     "page 1 area 2: reserved byte 20 is 0x09, not 0"},
    {"no terminator", [] { return WithArea(1, 2, Set8(kString, 39, 'd'), 36); },
     "page 1 area 2: text has no terminating zero inside the record"},
    {"text too long", [] { return WithArea(1, 2, StringRecord(std::string(2048, 'x')), 36); },
     "page 1 area 2: text of 2048 bytes is longer than 2047"},
    {"recordLength longer than the text", [] { return WithArea(1, 2, Grown(kString, 4), 4); },
     "page 1 area 2: recordLength 44, but a text of 3 bytes needs 40"},
    {"fill byte", [] { return WithArea(1, 2, Set8(StringRecord("a"), 38, 'X'), 38); },
     "page 1 area 2: fill byte after the text is 0x58, not 0"},

    // Date-time records.
    {"date-time reserved", [] { return WithArea(2, 1, Set8(kMonth, 17, 1), 17); },
     "page 2 area 1: reserved byte 17 is 0x01, not 0"},
    {"descriptor of no type",
     [] { return WithArea(2, 1, DateTimeRecord({2, 0, 2, 2}, Digits(10)), 23); },
     "page 2 area 1: descriptor byte 3 is 0x02, which fits no date-time type"},
    {"year digit over 9",
     [] { return WithArea(2, 1, DateTimeRecord({8, 10, 8, 0, 1, 0, 1, 1}, Digits(10)), 21); },
     "page 2 area 1: descriptor byte 1 is 0x0A, which fits no date-time type"},
    {"pair after the last",
     [] { return WithArea(2, 1, DateTimeRecord({2, 0, 2, 1, 5, 0}, Digits(10)), 24); },
     "page 2 area 1: descriptor byte 4 is 0x05, which fits no date-time type"},
    {"glyph list tag", [] { return WithArea(2, 1, Set16(kMonth, 52, 0x36), 52); },
     "page 2 area 1: expected a raster list (tag 0x37), found tag 0x36"},
    {"glyph count", [] { return WithArea(2, 1, DateTimeRecord({2, 0, 2, 1}, Digits(9)), 54); },
     "page 2 area 1: raster list count 9, but a date-time field of type 5 has 10 glyphs"},
    {"glyph list length", [] { return WithArea(2, 1, Set32(kMonth, 56, 100), 56); },
     "page 2 area 1: raster list length 100, but the record leaves 168 bytes for it"},
    {"bytes after the last glyph", [] { return WithArea(2, 1, Grown(kMonth, 4, 52), 220); },
     "page 2 area 1: the list's 10 glyphs end 4 bytes before the record does"},
    {"glyph missing",
     [] { return WithArea(2, 1, Set16(DateTimeRecord({2, 0, 2, 1}, Digits(9)), 54, 10), 54); },
     "page 2 area 1: raster list count 10, but the record ends after 9 glyphs"},
    {"glyph cut short",
     [] {
       const Bytes nine = Grown(DateTimeRecord({2, 0, 2, 1}, Digits(9)), 4, 52);
       return WithArea(2, 1, Set16(nine, 54, 10), 60 + 9 * 16);
     },
     "page 2 area 1 glyph 9: raster header runs past the end of its record (4 bytes left)"},
    {"glyph depth",
     [] {
       std::vector<Bytes> glyphs = Digits(10);
       glyphs[3] = Raster(1, 32, 4);
       return WithArea(2, 1, DateTimeRecord({2, 0, 2, 1}, glyphs), 60 + 3 * 16 + 6);
     },
     "page 2 area 1 glyph 3: depthCode 4, but colorMode 1 packs 1 bit per pixel (depthCode 1)"},

    // Clock records.
    {"imageCount", [] { return WithArea(2, 2, Set32(kClock, 16, 168), 16); },
     "page 2 area 2: imageCount 168, but a clock has 169 pictures"},
    {"clock reserved", [] { return WithArea(2, 2, Set8(kClock, 27, 1), 27); },
     "page 2 area 2: reserved byte 27 is 0x01, not 0"},
    {"picture count", [] { return WithArea(2, 2, Set16(kClock, 30, 168), 30); },
     "page 2 area 2: raster list count 168, but a clock has 169 pictures"},
    {"picture of another size",
     [] { return WithArea(2, 2, ClockRecord(ClockPictures(5, Raster(3, 32, 1))), 36 + 100 + 2); },
     "page 2 area 2 picture 5: size 3 x 32, but the face is 2 x 32"},
    {"pictures not square",
     [] { return WithArea(2, 2, ClockRecord(std::vector<Bytes>(169, Raster(2, 64, 1))), 36 + 4); },
     "page 2 area 2 picture 0: paddedHeight 64, but a square picture 2 wide pads to 32"},
};
// clang-format on

TEST(ProgramDefects, ReportEachCheckAtItsByte) {
  ASSERT_TRUE(ReadProgram(kBlock).ok());
  for (const DefectCase& c : kCases) {
    SCOPED_TRACE(c.name);
    const Defective defective = c.make();
    const ReadResult result = ReadProgram(defective.block);
    ASSERT_FALSE(result.ok());
    EXPECT_EQ(result.defect().message, c.message);
    EXPECT_EQ(result.defect().offset, defective.offset);
  }
}

}  // namespace
}  // namespace veltrane::program
