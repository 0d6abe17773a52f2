// SPDX-License-Identifier: MIT
#pragma once

// Shared by the record readers of this folder: where a record sits (for messages), a bounded
// view of its bytes, and the first defect found.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "program/program_tree.h"

namespace veltrane::program {

// Where a record sits in the tree; Label turns it into the prefix of a defect message
// ("page 2 area 1 glyph 10").
struct Place {
  size_t page = 0;                  // 1-based; 0 for the root
  size_t area = 0;                  // 1-based within the page; 0 for the page record
  std::string_view item;            // "raster", "glyph" or "picture" inside an area
  std::optional<size_t> itemIndex;  // 0-based position in a raster list
};

inline Place PagePlace(size_t page) {
  Place place;
  place.page = page;
  return place;
}

inline Place AreaPlace(size_t page, size_t area) {
  Place place = PagePlace(page);
  place.area = area;
  return place;
}

std::string Label(const Place& place);

class ReadContext;

// A stretch of the block: its bytes and the offset of its first byte in the block. Field reads
// take offsets relative to the stretch. The readers check sizes before they read, so a read
// outside the stretch would be a reader's slip: it reads nothing, gives 0 (or an empty stretch)
// and fails the read at that byte, so the block is refused rather than misread.
class Stretch {
 public:
  Stretch(std::span<const uint8_t> bytes, size_t offset, ReadContext& context)
      : bytes_(bytes), offset_(offset), context_(&context) {}

  size_t size() const { return bytes_.size(); }
  size_t offset() const { return offset_; }
  size_t At(size_t relative) const { return offset_ + relative; }
  std::span<const uint8_t> bytes() const { return bytes_; }

  uint8_t U8(size_t relative) const;
  uint16_t U16(size_t relative) const;
  uint32_t U32(size_t relative) const;

  Stretch First(size_t count) const;    // count <= size()
  Stretch From(size_t relative) const;  // relative <= size()

 private:
  // Fails the read at the first byte that `count` bytes at `relative` would take past the end.
  void Overrun(size_t relative, size_t count) const;

  std::span<const uint8_t> bytes_;
  size_t offset_;
  ReadContext* context_;
};

// The state of one read: the program's colorMode and the first defect.
class ReadContext {
 public:
  explicit ReadContext(uint16_t colorMode) : colorMode_(colorMode) {}

  uint16_t colorMode() const { return colorMode_; }

  // Records the defect and returns false, so that a reader can `return Fail(...)`. Only the
  // first defect is kept: reading stops there, and a slip that read past a stretch (Stretch)
  // keeps its own place however the reader goes on.
  bool Fail(size_t offset, const Place& place, const std::string& message);
  bool failed() const { return failed_; }

  Defect TakeDefect() { return std::move(defect_); }

 private:
  friend class Stretch;
  void Fail(size_t offset, std::string message);

  uint16_t colorMode_;
  bool failed_ = false;
  Defect defect_;
};

// Fails at the first non-zero byte of `count` reserved bytes from `relative`.
bool CheckReserved(ReadContext& context, const Stretch& record, size_t relative, size_t count,
                   const Place& place);

std::string Hex(uint32_t value);

}  // namespace veltrane::program
