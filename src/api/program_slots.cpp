// SPDX-License-Identifier: MIT
#include "api/program_slots.h"

#include <new>
#include <string>

#include "format/packets.h"

namespace veltrane::api {
namespace {

// More device operations than this in progress and no new program is opened.
constexpr int32_t kMaxBusyForNewProgram = 16;

}  // namespace

ProgramSlots::ProgramSlots(const BusyCount& busy)
    : busy_(busy), slots_(std::make_unique<std::array<Slot, kSlotCount>>()) {}

ProgramSlots::~ProgramSlots() = default;

Status ProgramSlots::CheckNumber(int32_t slot) {
  if (slot >= 1 && slot <= kSlotCount) return Status::Ok;
  return {Status::BadArgument, "slot " + std::to_string(slot) +
                                   " is not a program slot: they are numbered 1 to " +
                                   std::to_string(kSlotCount)};
}

Status ProgramSlots::NoProgramIn(int32_t slot) {
  return {Status::BadArgument,
          "slot " + std::to_string(slot) + " holds no program: MakeRoot starts one"};
}

ProgramSlots::Slot& ProgramSlots::SlotAt(int32_t slot) const {
  return (*slots_)[static_cast<size_t>(slot - 1)];
}

void ProgramSlots::Reset(Slot& s) {
  std::lock_guard slotLock(s.lock);
  s.program.reset();
  s.length = 0;
  s.inUse = 0;
}

Claim ProgramSlots::MakeRoot(int32_t rootType, int32_t colorMode) {
  if (busy_.Read() > kMaxBusyForNewProgram)
    return {{Status::CannotBuild,
             "more than 16 device operations are running: no program is "
             "started until fewer are"}};
  std::lock_guard build(buildLock_);
  for (int32_t number = 1; number <= kSlotCount; ++number) {
    Slot& s = SlotAt(number);
    std::lock_guard slotLock(s.lock);
    if (s.inUse != 0) continue;
    try {
      s.program.emplace(rootType, colorMode);
    } catch (const std::bad_alloc&) {
      return {{Status::NoMemory, "out of memory"}};
    }
    s.length = s.program->length();
    s.inUse = 1;
    return {Status::Ok, number};
  }
  return {{Status::CannotBuild,
           "all 16 program slots hold a program: send or release one (LED_ReleaseMem) first"}};
}

Status ProgramSlots::AddLeaf(int32_t slot, int32_t pageParam) {
  return Build(slot, [&](builder::Program& program) { return program.AddLeaf(pageParam); });
}

void ProgramSlots::Release(int32_t slot) {
  if (CheckNumber(slot) != Status::Ok) return;
  std::lock_guard build(buildLock_);
  Reset(SlotAt(slot));  // the records are freed here, under the build lock
}

void ProgramSlots::ReleaseAll() {
  for (int32_t slot = 1; slot <= kSlotCount; ++slot) Release(slot);
}

Status ProgramSlots::CheckSendable(int32_t slot) const {
  if (Status number = CheckNumber(slot); number != Status::Ok) return number;
  const Slot& s = SlotAt(slot);
  if (s.inUse == 0) return NoProgramIn(slot);
  const uint32_t length = s.length;
  if (length > format::kMaxProgramBytes)
    return {Status::BadArgument, "the program in slot " + std::to_string(slot) + " is " +
                                     std::to_string(length) + " bytes, " +
                                     std::to_string(length - format::kMaxProgramBytes) +
                                     " more than the " + std::to_string(format::kMaxProgramBytes) +
                                     " a screen accepts; it stays in its slot"};
  return Status::Ok;
}

Status ProgramSlots::TakeProgram(int32_t slot, std::vector<uint8_t>& block) {
  std::lock_guard build(buildLock_);
  // Checked again under the lock: another thread may have sent or released it meanwhile.
  if (Status sendable = CheckSendable(slot); sendable != Status::Ok) return sendable;
  Slot& s = SlotAt(slot);
  std::optional<std::vector<uint8_t>> taken = std::move(*s.program).TakeBytes();
  if (!taken) return {Status::NoMemory, "out of memory: the program could not be flattened"};
  block = std::move(*taken);
  Reset(s);
  return Status::Ok;
}

std::optional<std::vector<uint8_t>> ProgramSlots::PeekProgram(int32_t slot) {
  if (CheckNumber(slot) != Status::Ok) return std::nullopt;
  std::lock_guard build(buildLock_);
  const Slot& s = SlotAt(slot);
  if (!s.program) return std::nullopt;
  return s.program->Bytes();
}

}  // namespace veltrane::api
