// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "protocol/packets.h"

namespace veltrane::sim {

// Checks a completely received program: nothing when it is good, else what is wrong with it.
using ProgramValidator =
    std::function<std::optional<std::string>(std::span<const uint8_t> program)>;

// A screen's check: the program reader takes the block apart and checks every record, length and
// count in it; the first defect comes back as "byte N: what is wrong".
std::optional<std::string> CheckProgram(std::span<const uint8_t> program);

// A looser check for raw test blocks: only the root's programLength must equal the block's length.
std::optional<std::string> CheckProgramLength(std::span<const uint8_t> program);

// What a simulated screen holds.
struct ScreenState {
  int32_t power = 1;
  int32_t brightness = 8;
  uint32_t resets = 0;
  std::optional<platform::LocalTime> clock;  // the screen's time now, once it was set
  uint32_t requests = 0;                     // requests addressed to this screen
  uint32_t programsAccepted = 0;
  uint32_t programsRejected = 0;
  std::string lastRejection;  // what the validator said about the last program it refused
};

// A screen's behaviour, without any transport: it takes request bodies and gives reply bodies.
// Not thread-safe; the simulator serialises calls.
class Screen {
 public:
  explicit Screen(uint8_t address);

  // Handles one decoded request body received at `nowMs`. Returns the reply, or nothing when the
  // screen does not answer (another address, unknown command, a malformed or out-of-order packet).
  std::optional<protocol::ReplyHeader> Handle(std::span<const uint8_t> body, uint32_t nowMs);

  ScreenState State(uint32_t nowMs) const;
  // The programs taken and refused so far, and why the last refused one was, without the copy
  // State makes: the simulator asks after every request.
  uint32_t programsAccepted() const { return state_.programsAccepted; }
  uint32_t programsRejected() const { return state_.programsRejected; }
  const std::string& lastRejection() const { return state_.lastRejection; }
  // The last program that arrived whole and passed the validator, byte for byte.
  const std::vector<uint8_t>& LastProgram() const { return lastProgram_; }
  void SetValidator(ProgramValidator validator) { validator_ = std::move(validator); }
  // Refuses every program whatever the validator says, as a screen without room for one would.
  void SetRefusingPrograms(bool refusing) { refusingPrograms_ = refusing; }
  void SetPower(int32_t value) { state_.power = value; }
  void SetBrightness(int32_t value) { state_.brightness = value; }

 private:
  std::optional<protocol::ReplyHeader> HandleCommand(const protocol::PacketHeader& header,
                                                     std::span<const uint8_t> body, uint32_t nowMs);
  std::optional<protocol::ReplyHeader> HandleUpload(const protocol::PacketHeader& header,
                                                    std::span<const uint8_t> piece);
  bool FinishUpload();

  uint8_t address_;
  ScreenState state_;
  platform::LocalTime clockSet_{};
  uint32_t clockSetAtMs_ = 0;

  // The upload in progress: the next sequence number wanted (0: none in progress) and the bytes
  // so far. `finishedEnd_` remembers the end packet of the upload that just completed, so that a
  // resent end packet (its acknowledgement was lost) is acknowledged again.
  uint32_t nextSequence_ = 0;
  std::vector<uint8_t> receiving_;
  std::optional<uint32_t> finishedEnd_;
  std::vector<uint8_t> lastProgram_;
  ProgramValidator validator_ = CheckProgram;
  bool refusingPrograms_ = false;
};

// `time` moved on by `elapsedMs`, calendar and day of week included.
platform::LocalTime AdvanceLocalTime(const platform::LocalTime& time, uint32_t elapsedMs);

}  // namespace veltrane::sim
