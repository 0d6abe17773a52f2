// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "common/result.h"

namespace veltrane::builder {

// One area a caller adds to the current page. Both calls run while the program is being built,
// so an item may draw in them.
class AreaItem {
 public:
  virtual ~AreaItem() = default;
  // The whole record's length for the program's colour mode, or why the item cannot be built.
  virtual Result<size_t> RecordLength(uint16_t colorMode) = 0;
  // Fills the zeroed record of RecordLength bytes and gives how many bytes it wrote (the end of
  // its last field), or why a part did not fit. The record length field is set afterwards.
  virtual Result<size_t> Write(std::span<uint8_t> record, uint16_t colorMode) = 0;
};

// One program: its root record, then each page's record followed by its areas' records, in call
// order, each record its own block of exactly its length. Every call keeps the counts and lengths
// of the tree up to date, and a refused call leaves the program exactly as it was. A program is
// used by one thread at a time; whoever holds several (the library's slots) keeps them apart.
class Program {
 public:
  // A program of the root record alone. A page or area that would take the program past
  // `maxBytes` is refused before its record is allocated (a caller that only sends can pass
  // format::kMaxProgramBytes and never build what it cannot send); by default programs grow as
  // far as their 32-bit length goes. Throws std::bad_alloc when the root cannot be allocated.
  Program(int32_t rootType, int32_t colorMode,
          size_t maxBytes = std::numeric_limits<uint32_t>::max());
  ~Program();
  Program(Program&&) noexcept;
  Program& operator=(Program&&) noexcept;

  // Adds a page; later areas go on it.
  Status AddLeaf(int32_t pageParam);

  // Adds an area record to the current page: Ok, or why not (no page yet, the page's area count
  // full, the item's own reason, past the size ceiling, no memory, or the item wrote other than
  // the length it asked for).
  Status AppendArea(AreaItem& item);

  // The length of the program as it would be sent.
  uint32_t length() const { return length_; }

  // A copy of the program as it would be sent.
  std::vector<uint8_t> Bytes() const;

  // Flattens the program into one block, consuming it: each record is freed as soon as it is
  // copied, and only destroying or assigning the program is left. Nothing, with the program as
  // it was, when the block cannot be allocated.
  std::optional<std::vector<uint8_t>> TakeBytes() &&;

 private:
  struct Chunk;

  // Ok when `length` more bytes keep the program within the ceiling; otherwise how far past it.
  Status WithinCeiling(size_t length) const;
  // Adds a record's length to the program length kept in the root and here.
  void Grow(uint32_t length);

  std::vector<Chunk> chunks_;          // the root record first, then pages and areas in call order
  std::optional<size_t> currentLeaf_;  // index of the last page's chunk
  uint32_t length_ = 0;
  size_t maxBytes_;
};

}  // namespace veltrane::builder
