#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <vector>

#include "common/busy_count.h"
#include "format/packets.h"

namespace veltrane::builder {

constexpr int32_t kSlotCount = 16;
constexpr bool ValidSlot(int32_t slot) { return slot >= 1 && slot <= kSlotCount; }

// One area an export adds to the current page. Both calls run with the build lock held, so an
// item may draw in them.
class AreaItem {
 public:
  virtual ~AreaItem() = default;
  // The whole record's length for the program's colour mode, or 0 to refuse the item.
  virtual size_t RecordLength(uint16_t colorMode) = 0;
  // Fills the zeroed record of RecordLength bytes and returns how many bytes it wrote: the end of
  // its last field, or 0 when a part did not fit. The record length field is set afterwards.
  virtual size_t Write(std::span<uint8_t> record, uint16_t colorMode) = 0;
};

// The 16 program slots, numbered 1..16, and the build lock that every change to them takes.
// Programs are built here by any thread and leave by TakeProgram.
class ProgramSlots {
 public:
  struct Slot;  // one slot's records and counts, kept in the source

  // `busy` is the count of device operations in progress that MakeRoot looks at. A page or area
  // that would take a program past `maxProgramBytes` is refused before its record is allocated
  // (a caller that only sends can pass format::kMaxProgramBytes and never build what it cannot
  // send); by default programs grow as far as their 32-bit length goes.
  explicit ProgramSlots(const BusyCount& busy,
                        size_t maxProgramBytes = std::numeric_limits<uint32_t>::max());
  ~ProgramSlots();
  ProgramSlots(const ProgramSlots&) = delete;
  ProgramSlots& operator=(const ProgramSlots&) = delete;

  // Claims the lowest free slot and writes its root record. Returns the slot number, or 0 when
  // none is free or more than 16 device operations are running.
  int32_t MakeRoot(int32_t rootType, int32_t colorMode);

  // Adds a page to a claimed slot. Returns 1, or 0 (nothing changed).
  int32_t AddLeaf(int32_t slot, int32_t pageParam);

  // Adds an area record to the slot's current page, keeping every count and length. Returns 1,
  // or 0 with nothing changed (bad slot, no page yet, item refused, past the size ceiling, no
  // memory, counts full, or the item wrote other than the length it asked for).
  int32_t AppendArea(int32_t slot, AreaItem& item);

  // The length the slot's program would have had with the last page or area refused for passing
  // the size ceiling, so that a refusal can say how large the program was going to be; 0 when
  // none was refused for that since the slot was claimed.
  size_t LengthPastCeiling(int32_t slot);

  // Frees the slot's program and makes the slot free.
  void ReleaseSlot(int32_t slot);

  // Frees every slot's program (start and stop of the library).
  void ReleaseAllSlots();

  // True when the slot holds a program small enough to send. Takes no lock: a check before the
  // send counts itself as busy.
  bool SendableSlot(int32_t slot) const;

  // Flattens the slot's program into one block and frees the slot. Nothing when the slot is not
  // sendable (any more) or the block cannot be allocated; the slot is then left as it was.
  std::optional<std::vector<uint8_t>> TakeProgram(int32_t slot);

  // A copy of the slot's program as it would be sent (for tests and tools); nothing for a free
  // slot.
  std::optional<std::vector<uint8_t>> PeekProgram(int32_t slot);

 private:
  Slot& SlotAt(int32_t slot) const;

  // True when `length` more bytes keep the slot's program within the ceiling; otherwise the
  // slot remembers the length it would have reached. Under the build lock.
  bool WithinCeiling(Slot& s, size_t length);

  const BusyCount& busy_;
  const size_t maxProgramBytes_;
  std::mutex buildLock_;
  std::unique_ptr<std::array<Slot, kSlotCount>> slots_;
};

}  // namespace veltrane::builder
