// SPDX-License-Identifier: MIT
#include "builder/program.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <string>

#include "builder/records.h"
#include "format/packets.h"

namespace veltrane::builder {
namespace {

// Allocates a zeroed record; nothing when the memory is not there.
std::unique_ptr<uint8_t[]> NewRecord(size_t size) {
  return std::unique_ptr<uint8_t[]>(new (std::nothrow) uint8_t[size]());
}

constexpr Status kNoMemory{Status::NoMemory, "out of memory"};

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
  WriteU16(root.bytes(), format::kRootTypeAt, static_cast<uint16_t>(rootType));
  WriteU32(root.bytes(), format::kRootProgramLengthAt, format::kRootSize);
  WriteU16(root.bytes(), format::kRootColorModeAt, static_cast<uint16_t>(colorMode));
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
  WriteU32(root, format::kRootProgramLengthAt,
           ReadU32(root, format::kRootProgramLengthAt) + length);
  length_ += length;
}

Status Program::AddLeaf(int32_t pageParam) {
  std::span<uint8_t> root = chunks_.front().bytes();
  // The page count is a 16-bit field: one more page would make the root lie about the tree.
  const uint16_t pages = ReadU16(root, format::kRootPageCountAt);
  if (pages == std::numeric_limits<uint16_t>::max())
    return {Status::CannotBuild, "the program already has 65535 pages, as many as it can count"};
  if (Status within = WithinCeiling(format::kLeafSize); within != Status::Ok) return within;
  Chunk leaf{format::kLeafSize, NewRecord(format::kLeafSize)};
  if (!leaf.data) return kNoMemory;
  WriteU16(leaf.bytes(), format::kTagAt, format::kLeafTag);
  WriteU32(leaf.bytes(), format::kLeafPageParamAt, static_cast<uint32_t>(pageParam));
  WriteU32(leaf.bytes(), format::kLeafPageLengthAt, format::kLeafSize);
  chunks_.push_back(std::move(leaf));  // may throw: nothing has changed yet
  currentLeaf_ = chunks_.size() - 1;
  WriteU16(chunks_.front().bytes(), format::kRootPageCountAt, static_cast<uint16_t>(pages + 1));
  Grow(format::kLeafSize);
  return Status::Ok;
}

Status Program::AppendArea(AreaItem& item) {
  if (!currentLeaf_)
    return {Status::BadArgument, "the program has no page yet: AddLeaf adds one before any area"};
  const uint16_t items = ReadU16(chunks_[*currentLeaf_].bytes(), format::kLeafItemCountAt);
  if (items == std::numeric_limits<uint16_t>::max())
    return {Status::CannotBuild, "the page already has 65535 areas, as many as it can count"};

  const uint16_t colorMode = ReadU16(chunks_.front().bytes(), format::kRootColorModeAt);
  size_t length = 0;
  if (Status measured = item.RecordLength(colorMode, length); measured != Status::Ok)
    return measured;
  if (length < format::kAreaHeaderSize)
    return {Status::CannotBuild, "the area measured shorter than its record header"};
  if (Status within = WithinCeiling(length); within != Status::Ok) return within;
  Chunk record{static_cast<uint32_t>(length), NewRecord(length)};
  if (!record.data) return kNoMemory;
  if (item.Write(record.bytes(), colorMode) != length)
    return {Status::CannotBuild, "the area's record came out other than its measured length"};
  WriteU32(record.bytes(), format::kRecordLengthAt, static_cast<uint32_t>(length));

  chunks_.push_back(std::move(record));  // may throw: nothing has changed yet
  std::span<uint8_t> leaf = chunks_[*currentLeaf_].bytes();
  WriteU16(leaf, format::kLeafItemCountAt, static_cast<uint16_t>(items + 1));
  WriteU32(leaf, format::kLeafPageLengthAt,
           ReadU32(leaf, format::kLeafPageLengthAt) + static_cast<uint32_t>(length));
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
