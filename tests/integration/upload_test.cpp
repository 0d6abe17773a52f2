// SPDX-License-Identifier: MIT
// Program uploads end to end: the library's upload against the simulated screen over loopback UDP
// and a pseudo-terminal, under each fault the screen can inject.
#include "protocol/upload.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "support/screen_harness.h"
#include "support/test_programs.h"

namespace veltrane {
namespace {

using namespace std::chrono_literals;
using testing::ScreenHarness;
using testing::TestProgram;

class Uploads : public ::testing::TestWithParam<bool> {
 protected:
  Uploads() { EXPECT_TRUE(harness_.started()); }
  link::Target Target() const {
    return GetParam() ? harness_.UdpTarget() : harness_.SerialTarget();
  }
  ScreenHarness harness_;
};

TEST_P(Uploads, ScreenKeepsTheProgramByteForByte) {
  for (size_t length : {12u, 512u, 513u, 1024u, 20000u}) {
    SCOPED_TRACE(length);
    const auto program = TestProgram(length, static_cast<uint32_t>(length));
    EXPECT_EQ(protocol::UploadProgram(harness_.Devices(), Target(), program), Status::Ok);
    EXPECT_EQ(harness_.screen().LastProgram(), program);
  }
  EXPECT_EQ(harness_.screen().State().programsAccepted, 5u);
}

TEST_P(Uploads, ScreenAddressOfAllScreensIsAccepted) {
  link::Target target = Target();
  target.devAddr = 0xFF;
  const auto program = TestProgram(100);
  EXPECT_EQ(protocol::UploadProgram(harness_.Devices(), target, program), Status::Ok);
  EXPECT_EQ(harness_.screen().LastProgram(), program);
}

// Faults the upload gets through: each costs at most one extra window.
struct RecoverableFault {
  const char* name;
  sim::Faults faults;
};

sim::Faults PacketFault(uint32_t sequence, sim::AckFault fault) {
  sim::Faults f;
  f.packetFaults = {{sequence, fault, 1}};
  return f;
}

sim::Faults With(void (*set)(sim::Faults&)) {
  sim::Faults f;
  set(f);
  return f;
}

const RecoverableFault kRecoverable[] = {
    {"start acknowledgement dropped", PacketFault(0, sim::AckFault::Drop)},
    {"data 2 acknowledgement dropped", PacketFault(2, sim::AckFault::Drop)},
    {"end acknowledgement dropped", PacketFault(4, sim::AckFault::Drop)},
    {"data 1 acknowledged with status 0", PacketFault(1, sim::AckFault::StatusZero)},
    {"data 2 acknowledged late", PacketFault(2, sim::AckFault::Late)},
    {"stale acknowledgements", With([](sim::Faults& f) { f.staleAcks = true; })},
    {"duplicate acknowledgements", With([](sim::Faults& f) { f.answerTwice = true; })},
    {"latency", With([](sim::Faults& f) { f.delayMs = 300; })},
};

TEST_P(Uploads, RecoversFromEachSingleFault) {
  uint32_t seed = 100;
  for (const RecoverableFault& c : kRecoverable) {
    SCOPED_TRACE(c.name);
    harness_.screen().SetFaults(c.faults);
    const auto program = TestProgram(1300, ++seed);  // start, data 1..3, end 4
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(protocol::UploadProgram(harness_.Devices(), Target(), program), Status::Ok);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 2900ms);  // at most one lost window
    EXPECT_EQ(harness_.screen().LastProgram(), program);
    ASSERT_TRUE(harness_.AwaitQuiet());
  }
}

INSTANTIATE_TEST_SUITE_P(Transports, Uploads, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Udp" : "Serial"; });

// ---- Uploads that fail: each waits out three 1 s windows (labelled slow) ------------------

struct BrokenUpload {
  const char* name;
  sim::Faults faults;
  bool rejectingValidator;
  // Only the end packet's acknowledgement was lost: the screen has the whole program and keeps
  // it, though the sender cannot know.
  bool screenKeepsNewProgram;
};

void PrintTo(const BrokenUpload& upload, std::ostream* out) { *out << upload.name; }

class SlowBrokenUploads : public ::testing::TestWithParam<BrokenUpload> {};

TEST_P(SlowBrokenUploads, FailAndLeaveThePreviousProgram) {
  ScreenHarness harness;
  const auto previous = TestProgram(700, 1);
  ASSERT_EQ(protocol::UploadProgram(harness.Devices(), harness.UdpTarget(), previous), Status::Ok);
  harness.screen().SetFaults(GetParam().faults);
  if (GetParam().rejectingValidator)
    harness.screen().SetValidator([](std::span<const uint8_t>) { return "refused by the test"; });
  const auto start = std::chrono::steady_clock::now();
  const auto next = TestProgram(1300, 2);
  // A screen that answered with a refusal is told apart from one that did not answer.
  EXPECT_EQ(protocol::UploadProgram(harness.Devices(), harness.UdpTarget(), next),
            GetParam().rejectingValidator ? Status::Refused : Status::Timeout);
  const auto elapsed = std::chrono::steady_clock::now() - start;
  EXPECT_GE(elapsed, 3000ms);
  EXPECT_LT(elapsed, 3900ms);  // not a fourth window
  EXPECT_EQ(harness.screen().LastProgram(), GetParam().screenKeepsNewProgram ? next : previous);
}

sim::Faults NeverAcknowledged(uint32_t sequence) {
  sim::Faults f;
  f.packetFaults = {{sequence, sim::AckFault::Drop, 3}};
  return f;
}

INSTANTIATE_TEST_SUITE_P(
    SlowFaults, SlowBrokenUploads,
    ::testing::Values(BrokenUpload{"data_3_never_acknowledged", NeverAcknowledged(3), false, false},
                      BrokenUpload{"end_never_acknowledged", NeverAcknowledged(4), false, true},
                      BrokenUpload{"every_reply_corrupted",
                                   With([](sim::Faults& f) { f.corruptReplyShare = 1; }), false,
                                   false},
                      BrokenUpload{"replies_from_another_port",
                                   With([](sim::Faults& f) { f.otherSourcePort = true; }), false,
                                   false},
                      BrokenUpload{"program_refused", {}, true, false}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- The lossy-link soak ----------------------------------------------------------------

// Several senders at once, each to its own simulated screen that loses 10 % and damages 5 % of
// the frames in each direction. Every upload that reports success must have left exactly its
// program on the screen.
TEST(SlowSoak, LossyLinksNeverReportAFalseSuccess) {
  constexpr int kSenders = 8;
  constexpr int kUploadsEach = 15;
  std::atomic<int> successes{0};
  std::atomic<int> failures{0};
  std::atomic<int> mismatches{0};
  std::atomic<uint32_t> acceptedBySenders{0};
  std::vector<std::thread> senders;
  for (int s = 0; s < kSenders; ++s) {
    senders.emplace_back([&, s] {
      sim::Faults faults;
      faults.seed = 1000 + static_cast<uint32_t>(s);
      faults.dropRequestShare = 0.10;
      faults.corruptRequestShare = 0.05;
      faults.dropReplyShare = 0.10;
      faults.corruptReplyShare = 0.05;
      ScreenHarness harness(faults);
      // Half the senders use the serial line, half UDP.
      const link::Target target = s % 2 == 0 ? harness.UdpTarget() : harness.SerialTarget();
      for (int u = 0; u < kUploadsEach; ++u) {
        const uint32_t seed = static_cast<uint32_t>(s * 1000 + u);
        const auto program = TestProgram(12 + (seed * 7919) % 3000, seed);
        if (protocol::UploadProgram(harness.Devices(), target, program) == Status::Ok) {
          ++successes;
          if (harness.screen().LastProgram() != program) ++mismatches;
        } else {
          ++failures;
        }
      }
      acceptedBySenders += harness.screen().State().programsAccepted;
    });
  }
  for (std::thread& t : senders) t.join();
  std::printf("soak: %d uploads, %d succeeded, %d failed, %d mismatches, %u accepted by screens\n",
              kSenders * kUploadsEach, successes.load(), failures.load(), mismatches.load(),
              acceptedBySenders.load());
  EXPECT_EQ(successes + failures, kSenders * kUploadsEach);
  EXPECT_EQ(mismatches, 0);
  EXPECT_GT(successes, 0);
  EXPECT_GT(failures, 0);  // the faults were real enough to break some uploads
  // A screen may keep a program whose final acknowledgement never arrived, never the reverse.
  EXPECT_GE(static_cast<int>(acceptedBySenders.load()), successes.load());
}

}  // namespace
}  // namespace veltrane
