// SPDX-License-Identifier: MIT
// ReadProgram on arbitrary bytes: it must stay inside the block (the sanitizers watch an exact-size
// copy), report every defect at a byte of the block, and any tree it accepts must agree with the
// block: the records tile it exactly, every view lies inside its own record, and the text dump
// works. An accepted program cut short by one byte must be refused.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "program/program_reader.h"
#include "program/program_text.h"

namespace {

using namespace veltrane::program;

void Check(bool condition) {
  if (!condition) std::abort();
}

// One area record of the block: every view its tree holds must lie inside it.
struct Record {
  const uint8_t* block;
  size_t begin;
  size_t end;

  // The fields of the area's kind (EachField): every view must lie inside the record.
  void Number(std::string_view, int64_t) const {}
  void DateTimeType(int) const {}
  void Descriptor(const std::vector<DescriptorPair>&) const {}
  void Text(std::span<const uint8_t> view) const {
    if (view.empty()) return;
    Check(view.data() >= block + begin && view.data() + view.size() <= block + end);
  }
  void Raster(std::string_view, const RasterView& raster) const {
    Check(raster.offset >= begin && raster.length >= 12 && raster.length <= end - raster.offset);
    Check(raster.pixelWords.size() == raster.length - 12);
    if (!raster.pixelWords.empty()) Check(raster.pixelWords.data() == block + raster.offset + 12);
  }
  void List(std::string_view, std::string_view, const RasterListView& list) const {
    Check(list.rasters.size() == list.count);
    for (const RasterView& raster : list.rasters) Raster({}, raster);
  }
};

void CheckTree(const uint8_t* block, size_t size, const Program& program) {
  Check(program.programLength == size && program.pageCount == program.pages.size());
  size_t at = 12;
  for (const Page& page : program.pages) {
    Check(page.offset == at && page.itemCount == page.areas.size());
    at += 16;
    for (const Area& area : page.areas) {
      Check(area.offset == at && area.recordLength <= size - at);
      const Record record{block, at, at + area.recordLength};
      EachField(area.content, record);
      at += area.recordLength;
    }
    Check(page.pageLength == at - page.offset);
  }
  Check(at == size);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  auto input = std::make_unique<uint8_t[]>(size);
  if (size != 0) std::memcpy(input.get(), data, size);

  const ReadResult result = ReadProgram({input.get(), size});
  if (!result.ok()) {
    Check(!result.defect().message.empty());
    Check(result.defect().offset < (size == 0 ? 1 : size));
    return 0;
  }
  CheckTree(input.get(), size, result.program());
  Check(!DescribeProgram(result.program()).empty());
  Check(!ReadProgram({input.get(), size - 1}).ok());
  return 0;
}
