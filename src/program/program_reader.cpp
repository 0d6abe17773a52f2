// SPDX-License-Identifier: MIT
// The block is a sequence of self-delimiting records: the root, then each page record (16 bytes)
// followed by its area records (each recordLength bytes). The reader walks the records by their
// own sizes and then holds every count and length that summarises them (itemCount, pageLength,
// pageCount, programLength) against what it walked, so a stale summary is reported at the
// summary, not at the records after it.
#include "program/program_reader.h"

#include <numeric>

#include "common/byte_reader.h"
#include "format/records.h"
#include "program/area_readers.h"
#include "program/read_context.h"

namespace veltrane::program {
namespace {

using namespace format;

std::string Counted(size_t count, const std::string& noun) {
  return std::to_string(count) + " " + noun + (count == 1 ? "" : "s");
}

std::string BytesLeft(const Stretch& rest) { return "(" + Counted(rest.size(), "byte") + " left)"; }

Program RootFields(const Stretch& block) {
  Program program;
  program.rootType = block.U16(kRootTypeAt);
  program.pageCount = block.U16(kRootPageCountAt);
  program.programLength = block.U32(kRootProgramLengthAt);
  program.colorMode = block.U16(kRootColorModeAt);
  return program;
}

bool CheckRoot(ReadContext& context, const Stretch& block, const Program& program) {
  if (program.programLength != block.size()) {
    return context.Fail(kRootProgramLengthAt, Place{},
                        "programLength " + std::to_string(program.programLength) +
                            ", but the block is " + Counted(block.size(), "byte"));
  }
  return CheckReserved(context, block, kRootReservedAt, kRootReservedSize, Place{});
}

bool ReadLeaf(ReadContext& context, const Stretch& rest, const Place& place, Page& out) {
  if (rest.size() < kLeafSize) {
    return context.Fail(rest.offset(), place,
                        "page record runs past the end of the program " + BytesLeft(rest));
  }
  out.offset = rest.offset();
  out.itemCount = rest.U16(kLeafItemCountAt);
  out.pageParam = rest.U32(kLeafPageParamAt);
  out.pageLength = rest.U32(kLeafPageLengthAt);
  return CheckReserved(context, rest, kLeafReservedAt, kLeafReservedSize, place);
}

bool FailTag(ReadContext& context, const Stretch& rest, const Place& place, uint16_t tag) {
  if (tag == kRasterImageTag || tag == kRasterListTag) {
    return context.Fail(rest.offset(), place,
                        "tag " + Hex(tag) + " (a raster " +
                            (tag == kRasterImageTag ? "image" : "list") +
                            ") belongs inside an area record");
  }
  return context.Fail(rest.offset(), place, "unknown record tag " + Hex(tag));
}

bool ReadArea(ReadContext& context, const Stretch& rest, const Place& place, Area& out) {
  if (rest.size() < kAreaHeaderSize) {
    return context.Fail(rest.offset(), place,
                        "area header runs past the end of the program " + BytesLeft(rest));
  }
  out.offset = rest.offset();
  out.tag = rest.U16(kTagAt);
  const AreaKind* kind = FindAreaKind(out.tag);
  if (kind == nullptr) return FailTag(context, rest, place, out.tag);
  out.areaParam = rest.U16(kAreaParamAt);
  out.recordLength = rest.U32(kRecordLengthAt);
  out.rect = {rest.U16(kAreaLeftAt), rest.U16(kAreaTopAt), rest.U16(kAreaRightAt),
              rest.U16(kAreaBottomAt)};
  if (out.recordLength < kind->minimumLength) {
    return context.Fail(rest.At(kRecordLengthAt), place,
                        "recordLength " + std::to_string(out.recordLength) +
                            " is shorter than the smallest " + std::string(kind->name) +
                            " record (" + std::to_string(kind->minimumLength) + " bytes)");
  }
  if (out.recordLength > rest.size()) {
    return context.Fail(rest.At(kRecordLengthAt), place,
                        "recordLength " + std::to_string(out.recordLength) +
                            " runs past the end of the program " + BytesLeft(rest));
  }
  return kind->read(context, rest.First(out.recordLength), place, out.content);
}

// itemCount and pageLength sum up the area records that follow the page record.
bool CheckPageSummary(ReadContext& context, const Page& page, size_t pageNumber) {
  const Place place = PagePlace(pageNumber);
  if (page.itemCount != page.areas.size()) {
    return context.Fail(page.offset + kLeafItemCountAt, place,
                        "itemCount " + std::to_string(page.itemCount) + ", but the page holds " +
                            Counted(page.areas.size(), "area record"));
  }
  const uint64_t taken =
      std::accumulate(page.areas.begin(), page.areas.end(), uint64_t{kLeafSize},
                      [](uint64_t sum, const Area& area) { return sum + area.recordLength; });
  if (page.pageLength != taken) {
    return context.Fail(page.offset + kLeafPageLengthAt, place,
                        "pageLength " + std::to_string(page.pageLength) +
                            ", but the page and its areas take " + Counted(taken, "byte"));
  }
  return true;
}

bool ReadRecords(ReadContext& context, const Stretch& block, Program& program) {
  std::vector<Page>& pages = program.pages;
  size_t at = kRootSize;
  while (at < block.size()) {
    const Stretch rest = block.From(at);
    if (rest.size() < 2) {
      return context.Fail(at, PagePlace(pages.size()), "1 stray byte after the last record");
    }
    const uint16_t tag = rest.U16(kTagAt);
    if (tag == kLeafTag) {
      if (!pages.empty() && !CheckPageSummary(context, pages.back(), pages.size())) return false;
      const Place place = PagePlace(pages.size() + 1);
      if (!ReadLeaf(context, rest, place, pages.emplace_back())) return false;
      at += kLeafSize;
      continue;
    }
    if (pages.empty()) {
      return context.Fail(
          at, PagePlace(1),
          "expected a page record (tag " + Hex(kLeafTag) + "), found tag " + Hex(tag));
    }
    Page& page = pages.back();
    const Place place = AreaPlace(pages.size(), page.areas.size() + 1);
    Area& area = page.areas.emplace_back();
    if (!ReadArea(context, rest, place, area)) return false;
    at += area.recordLength;
  }
  if (!pages.empty() && !CheckPageSummary(context, pages.back(), pages.size())) return false;
  if (program.pageCount == pages.size()) return true;
  return context.Fail(kRootPageCountAt, Place{},
                      "pageCount " + std::to_string(program.pageCount) +
                          ", but the program holds " + Counted(pages.size(), "page"));
}

}  // namespace

ReadResult ReadProgram(std::span<const uint8_t> block) {
  if (block.size() < kRootSize) {
    return ReadResult(Defect{0, "root: the block is " + Counted(block.size(), "byte") +
                                    ", too short for the 12-byte root record"});
  }
  ReadContext context(ByteReader(block).U16(kRootColorModeAt).value_or(0));
  const Stretch whole(block, 0, context);
  Program program = RootFields(whole);
  // A reader that read past a stretch may have gone on as if it had not: its slip decides.
  if (!CheckRoot(context, whole, program) || !ReadRecords(context, whole, program) ||
      context.failed()) {
    return ReadResult(context.TakeDefect());
  }
  return ReadResult(std::move(program));
}

}  // namespace veltrane::program
