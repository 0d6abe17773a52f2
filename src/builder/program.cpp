// SPDX-License-Identifier: MIT
#include "builder/program.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <string>

#include "builder/records.h"
#include "common/byte_reader.h"
#include "format/packets.h"

namespace veltrane::builder {
namespace {

// Allocates a zeroed record; nothing when the memory is not there.
std::unique_ptr<uint8_t[]> NewRecord(size_t size) {
  return std::unique_ptr<uint8_t[]>(new (std::nothrow) uint8_t[size]());
}

constexpr Status kNoMemory{Status::NoMemory, "out of memory"};

// The counters and lengths of the root and page records, which the builder allocates at their
// fixed sizes: each field is checked against its record's size when compiled, so these accesses
// cannot miss.
template <size_t kRecordSize, size_t kAt>
uint16_t GetU16(std::span<const uint8_t> record) {
  static_assert(kAt + 2 <= kRecordSize);
  return ByteReader(record).U16(kAt).value_or(0);
}
template <size_t kRecordSize, size_t kAt>
uint32_t GetU32(std::span<const uint8_t> record) {
  static_assert(kAt + 4 <= kRecordSize);
  return ByteReader(record).U32(kAt).value_or(0);
}
template <size_t kRecordSize, size_t kAt>
void PutU16(std::span<uint8_t> record, uint16_t value) {
  static_assert(kAt + 2 <= kRecordSize);
  ByteWriter(record).U16At(kAt, value);
}
template <size_t kRecordSize, size_t kAt>
void PutU32(std::span<uint8_t> record, uint32_t value) {
  static_assert(kAt + 4 <= kRecordSize);
  ByteWriter(record).U32At(kAt, value);
}

}  // namespace

// One record: its own zero-filled block of exactly its length.
struct Program::Chunk {
  uint32_t size = 0;
  std::unique_ptr<uint8_t[]> data;

  std::span<uint8_t> bytes() { return {data.get(), size}; }
};

Program::Program(int32_t rootType, int32_t colorMode, size_t maxBytes)
    : maxBytes_(std::min<size_t>(maxBytes, std::numeric_limits<uint32_t>::max())) {
  Chunk root{format::kRootSize, std::make_unique<uint8_t[]>(format::kRootSize)};
  PutU16<format::kRootSize, format::kRootTypeAt>(root.bytes(), static_cast<uint16_t>(rootType));
  PutU32<format::kRootSize, format::kRootProgramLengthAt>(root.bytes(), format::kRootSize);
  PutU16<format::kRootSize, format::kRootColorModeAt>(root.bytes(),
                                                      static_cast<uint16_t>(colorMode));
  chunks_.reserve(8);
  chunks_.push_back(std::move(root));
  length_ = format::kRootSize;
}

Program::~Program() = default;
Program::Program(Program&&) noexcept = default;
Program& Program::operator=(Program&&) noexcept = default;

Status Program::WithinCeiling(size_t length) const {
  if (length <= maxBytes_ - std::min<size_t>(length_, maxBytes_)) return Status::Ok;
  const std::string wanted = length > std::numeric_limits<size_t>::max() - length_
                                 ? "more than " + std::to_string(std::numeric_limits<size_t>::max())
                                 : std::to_string(length_ + length);
  return {Status::CannotBuild, "this takes the program to " + wanted +
                                   " bytes, past its limit of " + std::to_string(maxBytes_) +
                                   " bytes"};
}

void Program::Grow(uint32_t length) {
  std::span<uint8_t> root = chunks_.front().bytes();
  PutU32<format::kRootSize, format::kRootProgramLengthAt>(
      root, GetU32<format::kRootSize, format::kRootProgramLengthAt>(root) + length);
  length_ += length;
}

Status Program::AddLeaf(int32_t pageParam) {
  std::span<uint8_t> root = chunks_.front().bytes();
  // The page count is a 16-bit field: one more page would make the root lie about the tree.
  const uint16_t pages = GetU16<format::kRootSize, format::kRootPageCountAt>(root);
  if (pages == std::numeric_limits<uint16_t>::max())
    return {Status::CannotBuild, "the program already has 65535 pages, as many as it can count"};
  if (Status within = WithinCeiling(format::kLeafSize); within != Status::Ok) return within;
  Chunk leaf{format::kLeafSize, NewRecord(format::kLeafSize)};
  if (!leaf.data) return kNoMemory;
  PutU16<format::kLeafSize, format::kTagAt>(leaf.bytes(), format::kLeafTag);
  PutU32<format::kLeafSize, format::kLeafPageParamAt>(leaf.bytes(),
                                                      static_cast<uint32_t>(pageParam));
  PutU32<format::kLeafSize, format::kLeafPageLengthAt>(leaf.bytes(), format::kLeafSize);
  chunks_.push_back(std::move(leaf));  // may throw: nothing has changed yet
  currentLeaf_ = chunks_.size() - 1;
  PutU16<format::kRootSize, format::kRootPageCountAt>(chunks_.front().bytes(),
                                                      static_cast<uint16_t>(pages + 1));
  Grow(format::kLeafSize);
  return Status::Ok;
}

Status Program::AppendArea(AreaItem& item) {
  if (!currentLeaf_)
    return {Status::BadArgument, "the program has no page yet: AddLeaf adds one before any area"};
  const uint16_t items =
      GetU16<format::kLeafSize, format::kLeafItemCountAt>(chunks_[*currentLeaf_].bytes());
  if (items == std::numeric_limits<uint16_t>::max())
    return {Status::CannotBuild, "the page already has 65535 areas, as many as it can count"};

  const uint16_t colorMode =
      GetU16<format::kRootSize, format::kRootColorModeAt>(chunks_.front().bytes());
  const Result<size_t> measured = item.RecordLength(colorMode);
  if (!measured) return measured.error();
  const size_t length = *measured;
  if (length < format::kAreaHeaderSize)
    return {Status::CannotBuild, "the area measured shorter than its record header"};
  if (Status within = WithinCeiling(length); within != Status::Ok) return within;
  Chunk record{static_cast<uint32_t>(length), NewRecord(length)};
  if (!record.data) return kNoMemory;
  const Result<size_t> written = item.Write(record.bytes(), colorMode);
  if (!written) return written.error();
  if (*written != length)
    return {Status::CannotBuild, "the area's record came out other than its measured length"};
  ByteWriter(record.bytes()).U32At(format::kRecordLengthAt, static_cast<uint32_t>(length));

  chunks_.push_back(std::move(record));  // may throw: nothing has changed yet
  std::span<uint8_t> leaf = chunks_[*currentLeaf_].bytes();
  PutU16<format::kLeafSize, format::kLeafItemCountAt>(leaf, static_cast<uint16_t>(items + 1));
  PutU32<format::kLeafSize, format::kLeafPageLengthAt>(
      leaf,
      GetU32<format::kLeafSize, format::kLeafPageLengthAt>(leaf) + static_cast<uint32_t>(length));
  Grow(static_cast<uint32_t>(length));
  return Status::Ok;
}

std::vector<uint8_t> Program::Bytes() const {
  std::vector<uint8_t> block;
  block.reserve(length_);
  for (const Chunk& chunk : chunks_)
    block.insert(block.end(), chunk.data.get(), chunk.data.get() + chunk.size);
  return block;
}

std::optional<std::vector<uint8_t>> Program::TakeBytes() && {
  std::vector<uint8_t> block;
  try {
    block.resize(length_);
  } catch (const std::bad_alloc&) {
    return std::nullopt;
  }
  size_t position = 0;
  for (Chunk& chunk : chunks_) {
    std::memcpy(block.data() + position, chunk.data.get(), chunk.size);
    position += chunk.size;
    chunk.data.reset();  // each record goes as soon as it is copied
  }
  chunks_.clear();
  currentLeaf_.reset();
  length_ = 0;
  return block;
}

}  // namespace veltrane::builder
