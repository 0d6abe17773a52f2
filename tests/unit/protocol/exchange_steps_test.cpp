// SPDX-License-Identifier: MIT
// The conversation's steps as the blocking driver takes them over a scripted channel: what ends
// an upload how, the tries and windows a run asks for, and where a cancel stops.
#include "protocol/exchange_steps.h"

#include <gtest/gtest.h>

#include <map>

#include "protocol/exchange.h"
#include "support/fake_channel.h"
#include "support/fake_clock.h"
#include "support/test_programs.h"

namespace veltrane::protocol {
namespace {

using testing::Delivery;
using testing::FakeChannel;
using testing::HeaderOf;
using testing::ReplyFrame;

// How the scripted screen answers one send of an upload packet.
enum Answer { kAck, kRefuse, kSilent };

// Three data packets: sequences 0 (start) to 4 (end).
constexpr size_t kProgramBytes = 1300;

struct Driven {
  Outcome outcome;
  std::vector<uint32_t> sequencesSent;
  uint32_t elapsedMs = 0;
};

// Drives `steps` over a scripted channel whose screen answers the n-th send of packet `sequence`
// as `answer(sequence, n)` says (10 ms after it), and whose run is cancelled once `cancelAfter`
// frames went out.
template <class AnswerFn>
Driven Drive(ExchangeSteps& steps, AnswerFn answer, size_t cancelAfter = SIZE_MAX) {
  testing::FakeClock clock(100);
  FakeChannel channel(clock, true);
  CancelFlag cancel;
  std::map<uint32_t, int> sends;
  channel.respond = [&](std::span<const uint8_t> frame, int index) {
    if (static_cast<size_t>(index) + 1 >= cancelAfter) cancel.Request();
    const PacketHeader h = HeaderOf(frame);
    switch (answer(h.value, sends[h.value]++)) {
      case kAck:
        return std::vector<Delivery>{{10, ReplyFrame(h.cmd, h.value, 1)}};
      case kRefuse:
        return std::vector<Delivery>{{10, ReplyFrame(h.cmd, h.value, 0)}};
      case kSilent:
        break;
    }
    return std::vector<Delivery>{};
  };
  link::FrameBuffer reply{};
  Driven run;
  run.outcome = Converse(channel, steps, reply, clock, &cancel);
  for (const auto& frame : channel.sent) run.sequencesSent.push_back(HeaderOf(frame).value);
  run.elapsedMs = clock.NowMs() - 100;
  return run;
}

TEST(ExchangeSteps, ARefusalCountsOnlyForThePacketItAnswered) {
  const auto program = testing::TestProgram(kProgramBytes);
  struct Case {
    const char* name;
    std::function<Answer(uint32_t sequence, int send)> answer;
    Status::Code result;
    uint32_t packetsDone;
  };
  const Case cases[] = {
      // Packet 1 refused once, then acknowledged; packet 2 never answered: silence, not refusal.
      {"refused, acknowledged, then silent",
       [](uint32_t s, int n) {
         return s == 1 ? (n == 0 ? kRefuse : kAck) : s == 2 ? kSilent : kAck;
       },
       Status::Timeout, 2},
      {"refused to the end", [](uint32_t s, int) { return s == 2 ? kRefuse : kAck; },
       Status::Refused, 2},
      {"refused once, then everything acknowledged",
       [](uint32_t s, int n) { return s == 3 && n == 0 ? kRefuse : kAck; }, Status::Ok, 5},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ExchangeSteps steps(UploadJob{program, 1});
    const Driven run = Drive(steps, c.answer);
    EXPECT_EQ(run.outcome.status.code(), c.result);
    EXPECT_EQ(run.outcome.packetsDone, c.packetsDone);
    EXPECT_EQ(run.outcome.packetsTotal, 5u);
    EXPECT_EQ(run.outcome.bytesDone, std::min<size_t>(kProgramBytes, (c.packetsDone - 1) * 512));
  }
}

TEST(ExchangeSteps, ARunsPolicySetsTheTriesAndTheWindows) {
  const auto program = testing::TestProgram(kProgramBytes);
  const auto silentStart = [](uint32_t s, int) { return s == 0 ? kSilent : kAck; };
  const std::array<uint8_t, 8> getPower = {9, 0, 0, 1, 0, 0, 0, 0};
  struct Case {
    const char* name;
    bool upload;
    TryPolicy policy;
    size_t sends;
    uint32_t elapsedMs;
  };
  const Case cases[] = {
      {"the upload's own", true, {}, 3, 3 * kUploadWindowMs},
      {"five short tries of an upload", true, {5, 250}, 5, 5 * 250},
      {"one try of a request, its own window", false, {1, 0}, 1, 1500},
      {"a request's longer window", false, {2, 4000}, 2, 2 * 4000},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ExchangeSteps upload(UploadJob{program, 1}, c.policy);
    ExchangeSteps request(RequestJob{getPower, 1500, true}, c.policy);
    const Driven run = Drive(c.upload ? upload : request, silentStart);
    EXPECT_EQ(run.outcome.status, Status::Timeout);
    EXPECT_EQ(run.sequencesSent.size(), c.sends);
    EXPECT_EQ(run.elapsedMs, c.elapsedMs);
  }
}

TEST(ExchangeSteps, ACancelStopsAtOnceUnlessTheLastPacketIsOut) {
  const auto program = testing::TestProgram(kProgramBytes);
  const auto everyPacket = [](uint32_t, int) { return kAck; };
  const auto silentEnd = [](uint32_t s, int) { return s == 4 ? kSilent : kAck; };
  struct Case {
    const char* name;
    std::function<Answer(uint32_t, int)> answer;
    size_t cancelAfter;  // frames sent before the cancel
    Status::Code result;
    size_t sends;
    uint32_t packetsDone;
  };
  const Case cases[] = {
      {"while the second data packet waits", everyPacket, 3, Status::Cancelled, 3, 2},
      // The screen may have taken the program: its answer (or silence) is what is reported.
      {"once the end packet is out", everyPacket, 5, Status::Ok, 5, 5},
      {"while the end packet goes unanswered", silentEnd, 5, Status::Timeout, 7, 4},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ExchangeSteps steps(UploadJob{program, 1});
    const Driven run = Drive(steps, c.answer, c.cancelAfter);
    EXPECT_EQ(run.outcome.status.code(), c.result);
    EXPECT_EQ(run.sequencesSent.size(), c.sends);
    EXPECT_EQ(run.outcome.packetsDone, c.packetsDone);
  }
  // A request is its own last packet: once sent, it is seen through; before, nothing goes out.
  const std::array<uint8_t, 8> reset = {99, 0, 0, 1, 0, 0, 0, 0};
  ExchangeSteps sent(RequestJob{reset, 1500, false});
  EXPECT_EQ(Drive(sent, everyPacket, 1).outcome.status, Status::Ok);
  ExchangeSteps unsent(RequestJob{reset, 1500, false});
  unsent.Cancel();
  const Driven cancelled = Drive(unsent, everyPacket);
  EXPECT_EQ(cancelled.outcome.status, Status::Cancelled);
  EXPECT_TRUE(cancelled.sequencesSent.empty());
}

}  // namespace
}  // namespace veltrane::protocol
