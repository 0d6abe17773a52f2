// SPDX-License-Identifier: MIT
#include "sim/screen.h"

#include <chrono>

#include "common/byte_reader.h"
#include "format/link.h"
#include "format/records.h"
#include "program/program_reader.h"
#include "protocol/upload.h"

namespace veltrane::sim {
namespace {

using namespace veltrane::protocol;

using format::kStatusRefused;

ReplyHeader Answer(uint16_t answeredCmd, uint32_t value,
                   uint16_t status = format::kStatusAcknowledged) {
  ReplyHeader reply;
  reply.value = value;
  reply.answeredCmd = answeredCmd;
  reply.status = status;
  return reply;
}

}  // namespace

std::optional<std::string> CheckProgram(std::span<const uint8_t> program) {
  const program::ReadResult read = program::ReadProgram(program);
  if (read.ok()) return std::nullopt;
  return "byte " + std::to_string(read.defect().offset) + ": " + read.defect().message;
}

std::optional<std::string> CheckProgramLength(std::span<const uint8_t> program) {
  const auto declared = ByteReader(program).U32(format::kRootProgramLengthAt);
  if (!declared) return "the program is shorter than its 12-byte root record";
  if (*declared != program.size())
    return "programLength " + std::to_string(*declared) + " differs from the " +
           std::to_string(program.size()) + " bytes received";
  return std::nullopt;
}

platform::LocalTime AdvanceLocalTime(const platform::LocalTime& time, uint32_t elapsedMs) {
  using namespace std::chrono;
  const year_month_day date{year{time.year}, month{time.month}, day{time.day}};
  const sys_time<milliseconds> start = sys_days{date} + hours{time.hour} + minutes{time.minute} +
                                       seconds{time.second} + milliseconds{time.milliseconds};
  const sys_time<milliseconds> now = start + milliseconds{elapsedMs};
  const sys_days nowDays = floor<days>(now);
  const year_month_day nowDate{nowDays};
  const hh_mm_ss<milliseconds> clock{now - nowDays};
  platform::LocalTime out;
  out.year = static_cast<uint16_t>(static_cast<int>(nowDate.year()));
  out.month = static_cast<uint16_t>(static_cast<unsigned>(nowDate.month()));
  out.day = static_cast<uint16_t>(static_cast<unsigned>(nowDate.day()));
  out.dayOfWeek = static_cast<uint16_t>(weekday{nowDays}.c_encoding());
  out.hour = static_cast<uint16_t>(clock.hours().count());
  out.minute = static_cast<uint16_t>(clock.minutes().count());
  out.second = static_cast<uint16_t>(clock.seconds().count());
  out.milliseconds = static_cast<uint16_t>(clock.subseconds().count());
  return out;
}

Screen::Screen(uint8_t address) : address_(address) {}

std::optional<ReplyHeader> Screen::Handle(std::span<const uint8_t> body, uint32_t nowMs) {
  const auto header = DecodePacketHeader(body);
  if (!header || (header->devAddr != address_ && header->devAddr != format::kEveryScreenAddress))
    return std::nullopt;
  ++state_.requests;
  const auto rest = body.subspan(kPacketHeaderBytes);
  switch (header->cmd) {
    case CMD_UPLOAD_START:
    case CMD_UPLOAD_DATA:
    case CMD_UPLOAD_END:
      return HandleUpload(*header, rest);
    default:
      return HandleCommand(*header, rest, nowMs);
  }
}

std::optional<ReplyHeader> Screen::HandleCommand(const PacketHeader& header,
                                                 std::span<const uint8_t> rest, uint32_t nowMs) {
  switch (header.cmd) {
    case CMD_SET_POWER:
      state_.power = static_cast<int32_t>(header.value);
      return Answer(header.cmd, header.value);
    case CMD_GET_POWER:
      return Answer(header.cmd, static_cast<uint32_t>(state_.power));
    case CMD_SET_BRIGHT:
      state_.brightness = static_cast<int32_t>(header.value);
      return Answer(header.cmd, header.value);
    case CMD_GET_BRIGHT:
      return Answer(header.cmd, static_cast<uint32_t>(state_.brightness));
    case CMD_RESET:
      ++state_.resets;
      return Answer(header.cmd, header.value);
    case CMD_SET_TIME: {
      const auto time = DecodeTimeBlock(rest);
      if (!time) return std::nullopt;
      clockSet_ = *time;
      clockSetAtMs_ = nowMs;
      state_.clock = *time;
      return Answer(header.cmd, header.value);
    }
    default:
      return std::nullopt;
  }
}

std::optional<ReplyHeader> Screen::HandleUpload(const PacketHeader& header,
                                                std::span<const uint8_t> piece) {
  const uint32_t sequence = header.value;
  if (header.cmd == CMD_UPLOAD_START) {
    if (sequence != 0) return std::nullopt;
    receiving_.clear();
    nextSequence_ = 1;
    finishedEnd_.reset();
    return Answer(header.cmd, sequence);
  }
  if (header.cmd == CMD_UPLOAD_END && finishedEnd_ == sequence) return Answer(header.cmd, sequence);
  if (nextSequence_ == 0) return std::nullopt;
  // A packet sent again because its acknowledgement was lost is acknowledged again, not kept twice.
  if (sequence + 1 == nextSequence_ && header.cmd == CMD_UPLOAD_DATA)
    return Answer(header.cmd, sequence);
  if (sequence != nextSequence_) return std::nullopt;
  if (header.cmd == CMD_UPLOAD_DATA) {
    // A longer program's reassembly is abandoned.
    if (piece.empty() || piece.size() > format::kUploadPieceBytes ||
        receiving_.size() + piece.size() > format::kMaxProgramBytes) {
      nextSequence_ = 0;  // not a program this screen can take
      return std::nullopt;
    }
    receiving_.insert(receiving_.end(), piece.begin(), piece.end());
    ++nextSequence_;
    return Answer(header.cmd, sequence);
  }
  nextSequence_ = 0;
  if (!FinishUpload()) return Answer(header.cmd, sequence, kStatusRefused);
  finishedEnd_ = sequence;
  return Answer(header.cmd, sequence);
}

bool Screen::FinishUpload() {
  const auto defect = refusingPrograms_ ? std::optional<std::string>("refusing every program")
                      : validator_      ? validator_(receiving_)
                                        : std::nullopt;
  if (defect) {
    ++state_.programsRejected;
    state_.lastRejection = *defect;
    receiving_.clear();
    return false;
  }
  ++state_.programsAccepted;
  lastProgram_.swap(receiving_);
  receiving_.clear();
  return true;
}

ScreenState Screen::State(uint32_t nowMs) const {
  ScreenState state = state_;
  if (state.clock)
    state.clock = AdvanceLocalTime(clockSet_, platform::ElapsedMs(clockSetAtMs_, nowMs));
  return state;
}

}  // namespace veltrane::sim
