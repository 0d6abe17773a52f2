#include "builder/program_slot.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>

#include "builder/records.h"
#include "common/busy_count.h"

namespace veltrane::builder {
namespace {

// More device operations than this in progress and no new program is opened.
constexpr int32_t kMaxBusyForNewProgram = 16;

// One record: its own zero-filled block of exactly its length.
struct Chunk {
  uint32_t size = 0;
  std::unique_ptr<uint8_t[]> data;

  std::span<uint8_t> bytes() { return {data.get(), size}; }
};

// Allocates a zeroed record; nothing when the memory is not there.
std::optional<Chunk> NewChunk(size_t size) {
  if (size > std::numeric_limits<uint32_t>::max()) return std::nullopt;
  std::unique_ptr<uint8_t[]> data(new (std::nothrow) uint8_t[size]());
  if (!data) return std::nullopt;
  return Chunk{static_cast<uint32_t>(size), std::move(data)};
}

}  // namespace

struct ProgramSlots::Slot {
  std::mutex lock;            // guards the claim and the reset; taken under buildLock_ only
  std::vector<Chunk> chunks;  // the root record first, then pages and areas in call order
  std::atomic<int32_t> inUse{0};
  std::atomic<uint32_t> totalSize{0};
  std::optional<size_t> currentLeaf;  // index of the last page's chunk
  size_t lengthPastCeiling = 0;       // see ProgramSlots::LengthPastCeiling

  std::span<uint8_t> root() { return chunks.front().bytes(); }
};

namespace {

using ProgramSlot = ProgramSlots::Slot;

// Adds a record's length to the program length kept in the root and in the slot.
void GrowProgram(ProgramSlot& s, uint32_t length) {
  WriteU32(s.root(), format::kRootProgramLengthAt,
           ReadU32(s.root(), format::kRootProgramLengthAt) + length);
  s.totalSize += length;
}

// Returns the slot to the free state and hands its records to the caller. Under the build lock.
std::vector<Chunk> ResetSlot(ProgramSlot& s) {
  std::lock_guard slotLock(s.lock);
  std::vector<Chunk> detached = std::move(s.chunks);
  s.chunks.clear();
  s.currentLeaf.reset();
  s.lengthPastCeiling = 0;
  s.totalSize = 0;
  s.inUse = 0;
  return detached;
}

}  // namespace

ProgramSlots::ProgramSlots(const BusyCount& busy, size_t maxProgramBytes)
    : busy_(busy),
      maxProgramBytes_(std::min<size_t>(maxProgramBytes, std::numeric_limits<uint32_t>::max())),
      slots_(std::make_unique<std::array<Slot, kSlotCount>>()) {}

ProgramSlots::~ProgramSlots() = default;

ProgramSlots::Slot& ProgramSlots::SlotAt(int32_t slot) const {
  return (*slots_)[static_cast<size_t>(slot - 1)];
}

bool ProgramSlots::WithinCeiling(Slot& s, size_t length) {
  const size_t total = s.totalSize.load();
  if (length <= maxProgramBytes_ - std::min(total, maxProgramBytes_)) return true;
  s.lengthPastCeiling = length > std::numeric_limits<size_t>::max() - total
                            ? std::numeric_limits<size_t>::max()
                            : total + length;
  return false;
}

int32_t ProgramSlots::MakeRoot(int32_t rootType, int32_t colorMode) {
  if (busy_.Read() > kMaxBusyForNewProgram) return 0;
  std::lock_guard build(buildLock_);
  std::optional<Chunk> root = NewChunk(format::kRootSize);
  if (!root) return 0;
  for (int32_t number = 1; number <= kSlotCount; ++number) {
    ProgramSlot& s = SlotAt(number);
    std::lock_guard slotLock(s.lock);
    if (s.inUse != 0) continue;
    WriteU16(root->bytes(), format::kRootTypeAt, static_cast<uint16_t>(rootType));
    WriteU32(root->bytes(), format::kRootProgramLengthAt, format::kRootSize);
    WriteU16(root->bytes(), format::kRootColorModeAt, static_cast<uint16_t>(colorMode));
    s.chunks.reserve(8);
    s.chunks.push_back(std::move(*root));
    s.totalSize = format::kRootSize;
    s.inUse = 1;
    return number;
  }
  return 0;
}

int32_t ProgramSlots::AddLeaf(int32_t slot, int32_t pageParam) {
  if (!ValidSlot(slot)) return 0;
  std::lock_guard build(buildLock_);
  ProgramSlot& s = SlotAt(slot);
  if (s.chunks.empty()) return 0;
  // The page count is a 16-bit field: one more page would make the root lie about the tree.
  const uint16_t pages = ReadU16(s.root(), format::kRootPageCountAt);
  if (pages == std::numeric_limits<uint16_t>::max()) return 0;
  if (!WithinCeiling(s, format::kLeafSize)) return 0;
  std::optional<Chunk> leaf = NewChunk(format::kLeafSize);
  if (!leaf) return 0;
  WriteU16(leaf->bytes(), format::kTagAt, format::kLeafTag);
  WriteU32(leaf->bytes(), format::kLeafPageParamAt, static_cast<uint32_t>(pageParam));
  WriteU32(leaf->bytes(), format::kLeafPageLengthAt, format::kLeafSize);
  s.chunks.push_back(std::move(*leaf));  // may throw: nothing has changed yet
  s.currentLeaf = s.chunks.size() - 1;
  WriteU16(s.root(), format::kRootPageCountAt, static_cast<uint16_t>(pages + 1));
  GrowProgram(s, format::kLeafSize);
  return 1;
}

int32_t ProgramSlots::AppendArea(int32_t slot, AreaItem& item) {
  if (!ValidSlot(slot)) return 0;
  std::lock_guard build(buildLock_);
  ProgramSlot& s = SlotAt(slot);
  if (!s.currentLeaf) return 0;
  std::span<uint8_t> leaf = s.chunks[*s.currentLeaf].bytes();
  const uint16_t items = ReadU16(leaf, format::kLeafItemCountAt);
  if (items == std::numeric_limits<uint16_t>::max()) return 0;

  const uint16_t colorMode = ReadU16(s.root(), format::kRootColorModeAt);
  const size_t length = item.RecordLength(colorMode);
  if (length < format::kAreaHeaderSize || !WithinCeiling(s, length)) return 0;
  std::optional<Chunk> record = NewChunk(length);
  if (!record) return 0;
  if (item.Write(record->bytes(), colorMode) != length) return 0;
  WriteU32(record->bytes(), format::kRecordLengthAt, static_cast<uint32_t>(length));

  s.chunks.push_back(std::move(*record));  // may throw: nothing has changed yet
  leaf = s.chunks[*s.currentLeaf].bytes();
  WriteU16(leaf, format::kLeafItemCountAt, static_cast<uint16_t>(items + 1));
  WriteU32(leaf, format::kLeafPageLengthAt,
           ReadU32(leaf, format::kLeafPageLengthAt) + static_cast<uint32_t>(length));
  GrowProgram(s, static_cast<uint32_t>(length));
  return 1;
}

size_t ProgramSlots::LengthPastCeiling(int32_t slot) {
  if (!ValidSlot(slot)) return 0;
  std::lock_guard build(buildLock_);
  return SlotAt(slot).lengthPastCeiling;
}

void ProgramSlots::ReleaseSlot(int32_t slot) {
  if (!ValidSlot(slot)) return;
  std::lock_guard build(buildLock_);
  ResetSlot(SlotAt(slot));  // the detached records are freed here, under the build lock
}

void ProgramSlots::ReleaseAllSlots() {
  for (int32_t slot = 1; slot <= kSlotCount; ++slot) ReleaseSlot(slot);
}

bool ProgramSlots::SendableSlot(int32_t slot) const {
  if (!ValidSlot(slot)) return false;
  ProgramSlot& s = SlotAt(slot);
  return s.inUse != 0 && s.totalSize <= format::kMaxProgramBytes;
}

std::optional<std::vector<uint8_t>> ProgramSlots::TakeProgram(int32_t slot) {
  if (!ValidSlot(slot)) return std::nullopt;
  std::lock_guard build(buildLock_);
  ProgramSlot& s = SlotAt(slot);
  // Checked again under the lock: another thread may have sent or released it meanwhile.
  if (s.chunks.empty() || s.totalSize > format::kMaxProgramBytes) return std::nullopt;
  std::vector<uint8_t> block;
  try {
    block.resize(s.totalSize);
  } catch (const std::bad_alloc&) {
    return std::nullopt;
  }
  std::vector<Chunk> chunks = ResetSlot(s);
  size_t position = 0;
  for (Chunk& chunk : chunks) {
    std::memcpy(block.data() + position, chunk.data.get(), chunk.size);
    position += chunk.size;
    chunk.data.reset();  // each record goes as soon as it is copied
  }
  return block;
}

std::optional<std::vector<uint8_t>> ProgramSlots::PeekProgram(int32_t slot) {
  if (!ValidSlot(slot)) return std::nullopt;
  std::lock_guard build(buildLock_);
  ProgramSlot& s = SlotAt(slot);
  if (s.chunks.empty()) return std::nullopt;
  std::vector<uint8_t> block;
  block.reserve(s.totalSize);
  for (Chunk& chunk : s.chunks) {
    block.insert(block.end(), chunk.data.get(), chunk.data.get() + chunk.size);
  }
  return block;
}

}  // namespace veltrane::builder
