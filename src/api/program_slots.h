// SPDX-License-Identifier: MIT
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "builder/program.h"
#include "common/busy_count.h"
#include "common/status.h"

namespace veltrane::api {

constexpr int32_t kSlotCount = 16;

// A slot claimed for a new program, or why none was.
struct Claim {
  Status status;
  int32_t slot = 0;  // 1..kSlotCount when claimed
};

// The 16 program slots a host builds in, numbered 1..16, and the build lock every change to them
// takes: builder calls run one at a time across all slots and may come from any thread. Which
// slot numbers exist and who holds them is decided here; each program's record tree is a
// builder::Program.
class ProgramSlots {
 public:
  // `busy` is the count of device operations in progress that MakeRoot looks at.
  explicit ProgramSlots(const BusyCount& busy);
  ~ProgramSlots();
  ProgramSlots(const ProgramSlots&) = delete;
  ProgramSlots& operator=(const ProgramSlots&) = delete;

  // Claims the lowest free slot for a new program of its root record alone. Refused when more
  // than 16 device operations are running or every slot holds a program.
  Claim MakeRoot(int32_t rootType, int32_t colorMode);

  // Runs `step(builder::Program&)` on the slot's program under the build lock and passes on
  // what it returns; refused, without running it, for a number outside 1..16 or a free slot.
  template <class Step>
  Status Build(int32_t slot, Step&& step) {
    if (Status number = CheckNumber(slot); number != Status::Ok) return number;
    std::lock_guard lock(buildLock_);
    Slot& s = SlotAt(slot);
    if (!s.program) return NoProgramIn(slot);
    Status built = step(*s.program);
    s.length = s.program->length();
    return built;
  }

  // Adds a page to the slot's program.
  Status AddLeaf(int32_t slot, int32_t pageParam);

  // Frees the slot's program and makes the slot free; nothing for a free slot or a number
  // outside 1..16.
  void Release(int32_t slot);

  // Frees every slot's program (start and stop of the library).
  void ReleaseAll();

  // Ok when the slot holds a program small enough to send; else why not. Takes no lock: a check
  // before the send counts itself as busy.
  Status CheckSendable(int32_t slot) const;

  // Flattens the slot's program into `block` and frees the slot. Refused when the slot is not
  // sendable (any more: another thread may have taken it); NoMemory, the slot left as it was,
  // when the block cannot be allocated.
  Status TakeProgram(int32_t slot, std::vector<uint8_t>& block);

  // A copy of the slot's program as it would be sent (for tests); nothing for a free slot.
  std::optional<std::vector<uint8_t>> PeekProgram(int32_t slot);

 private:
  struct Slot {
    std::mutex lock;  // guards the claim and the reset; taken under buildLock_ only
    std::optional<builder::Program> program;
    std::atomic<int32_t> inUse{0};
    std::atomic<uint32_t> length{0};  // the program's, for the lock-free check before a send
  };

  static Status CheckNumber(int32_t slot);
  static Status NoProgramIn(int32_t slot);
  Slot& SlotAt(int32_t slot) const;
  // Returns the slot to the free state. Under the build lock.
  static void Reset(Slot& s);

  const BusyCount& busy_;
  std::mutex buildLock_;
  std::unique_ptr<std::array<Slot, kSlotCount>> slots_;
};

}  // namespace veltrane::api
