// SPDX-License-Identifier: MIT
// Programs built through the exported calls and sent to a simulated screen, which takes each one
// apart with the program reader before it keeps it.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

#include "api/program_sender.h"
#include "api/program_slots.h"
#include "builder/string_area.h"
#include "common/busy_count.h"
#include "program/program_reader.h"
#include "sim/screen.h"
#include "support/exported_screen.h"
#include "support/screen_harness.h"
#include "support/status_print.h"
#include "veltrane/veltrane.h"

namespace veltrane {
namespace {

using testing::ExportedScreen;
using testing::ScreenHarness;

// Program slots of the test's own, as the library keeps them.
struct TestSlots {
  BusyCount busy;
  api::ProgramSlots slots{busy};

  // A new program with one page; 0 when no slot was free.
  int32_t NewPage(int32_t rootType = 1, int32_t pageParam = 0) {
    const api::Claim claim = slots.MakeRoot(rootType, 1);
    if (claim.status != Status::Ok || slots.AddLeaf(claim.slot, pageParam) != Status::Ok) return 0;
    return claim.slot;
  }
  Status AddString(int32_t slot, const std::string& text) {
    return slots.Build(slot, [&](builder::Program& program) {
      return builder::AddString(program, {}, text.c_str());
    });
  }
};

class ProgramUpload : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(harness_.started());
    harness_.screen().SetValidator(sim::CheckProgram);
    ASSERT_EQ(LED_Init(), 1);
  }
  void TearDown() override { LED_Cleanup(); }

  // A program with one area of every kind the library builds, in the shared library's slots.
  static int32_t BuildEveryKind(int32_t colorMode) {
    const int32_t slot = MakeRoot(1, colorMode);
    EXPECT_NE(slot, 0);
    EXPECT_EQ(AddLeaf(slot, 1), 1);
    const uint8_t pixels[4 * 3 * 2] = {0, 0, 255, 0, 255, 0, 0, 255, 255, 0, 0, 255};
    const LedBitmap bitmap{4, 2, 12, 0, pixels};
    EXPECT_EQ(AddWindow(slot, &bitmap, 4, 2, {0, 0, 4, 2}, 0, 0, 3), 1);
    EXPECT_EQ(AddText(slot, {0, 2, 64, 18}, 4, "Veltrane", "DejaVu Sans", 9, 0x0000FF, 0, 0), 1);
    EXPECT_EQ(AddString(slot, {0, 18, 64, 34}, 5, "for the screen", 1, 2, 0, 0), 1);
    EXPECT_EQ(AddLeaf(slot, 2), 1);
    EXPECT_EQ(AddDateTime(slot, {0, 0, 64, 16}, "DejaVu Sans", 9, 0x00FF00, 3, 6), 1);
    EXPECT_EQ(
        AddClock(slot, {64, 0, 96, 32}, 7, 0x0000FF, 0x00FF00, 0x00FFFF, 0x00FF00, 0x0000FF, 0), 1);
    return slot;
  }

  ExportedScreen harness_;
};

TEST_F(ProgramUpload, EveryAreaKindArrivesAndReadsBack) {
  for (const bool serial : {false, true}) {
    for (const int32_t colorMode : {1, 2}) {
      SCOPED_TRACE(::testing::Message()
                   << (serial ? "serial" : "udp") << " colorMode " << colorMode);
      const int32_t slot = BuildEveryKind(colorMode);
      const uint32_t accepted = harness_.screen().State().programsAccepted;
      ASSERT_EQ(LED_SendToScreen(serial ? harness_.SerialParam() : harness_.UdpParam(), slot), 1);
      EXPECT_EQ(harness_.screen().State().programsAccepted, accepted + 1);

      const std::vector<uint8_t> program = harness_.screen().LastProgram();
      const program::ReadResult read = program::ReadProgram(program);
      ASSERT_TRUE(read.ok()) << read.defect().message;
      const program::Program& tree = read.program();
      EXPECT_EQ(tree.colorMode, colorMode);
      ASSERT_EQ(tree.pages.size(), 2u);
      ASSERT_EQ(tree.pages[0].areas.size(), 3u);
      ASSERT_EQ(tree.pages[1].areas.size(), 2u);
      EXPECT_EQ(tree.pages[0].areas[0].areaParam, 3);  // AddWindow's last argument
      EXPECT_EQ(tree.pages[0].areas[0].recordLength,
                28u + 12 + 4 * 4);  // one word a column either way
      EXPECT_EQ(tree.pages[1].areas[1].recordLength,
                36u + 169 * (colorMode == 1 ? 32 * 32 / 8 + 12 : 32 * 32 / 4 + 12));
      EXPECT_EQ(tree.programLength, program.size());
      EXPECT_EQ(MakeRoot(1, 1), slot);  // the slot was freed by the send
      LED_ReleaseMem(slot);
    }
  }
}

TEST_F(ProgramUpload, RefusedSendsAndConsumedPrograms) {
  const int32_t slot = BuildEveryKind(1);
  EXPECT_EQ(LED_SendToScreen(harness_.UdpParam(), 0), 0);
  EXPECT_EQ(LED_SendToScreen(harness_.UdpParam(), 17), 0);

  SetSenderEnable(0);
  const uint32_t accepted = harness_.screen().State().programsAccepted;
  EXPECT_EQ(LED_SendToScreen(harness_.UdpParam(), slot), 0);  // consumed, not sent
  SetSenderEnable(1);
  EXPECT_EQ(LED_SendToScreen(harness_.UdpParam(), slot), 0);  // the slot is free now
  EXPECT_EQ(harness_.screen().State().programsAccepted, accepted);

  const int32_t again = BuildEveryKind(1);
  DevParam unusable = harness_.UdpParam();
  unusable.devType = 2;
  EXPECT_EQ(LED_SendToScreen(unusable, again), 0);
  EXPECT_EQ(MakeRoot(1, 1), again);  // the program is gone all the same
}

TEST_F(ProgramUpload, TwoMebibytesGoButOneByteMoreStays) {
  // Slots of the test's own, sized by a string area chosen to hit the limit exactly.
  TestSlots bench;
  const auto build = [&](size_t total) {
    const int32_t slot = bench.NewPage();
    // Fill with string areas: 36 + 2048 bytes each, then one to land on `total`.
    size_t length = 12 + 16;
    const std::string full(2047, 'x');
    while (total - length > 2084 + 2084) {
      EXPECT_EQ(bench.AddString(slot, full), Status::Ok);
      length += 2084;
    }
    const size_t rest = total - length;  // one string record: 36 + text rounded up to 4
    const size_t first = rest - 2084 > 40 ? rest - 2084 : rest / 2 / 4 * 4;
    EXPECT_EQ(bench.AddString(slot, std::string(first - 37, 'y')), Status::Ok);
    EXPECT_EQ(bench.AddString(slot, std::string(rest - first - 37, 'z')), Status::Ok);
    return slot;
  };
  const int32_t exact = build(format::kMaxProgramBytes);
  ASSERT_EQ(bench.slots.PeekProgram(exact)->size(), format::kMaxProgramBytes);
  EXPECT_EQ(api::DoSendToScreen(bench.slots, harness_.Devices(), harness_.UdpTarget(), exact, true),
            Status::Ok);
  EXPECT_EQ(harness_.screen().LastProgram().size(), format::kMaxProgramBytes);

  const int32_t over = bench.NewPage();
  const std::string full(2047, 'x');
  while (bench.slots.PeekProgram(over)->size() <= format::kMaxProgramBytes)
    ASSERT_EQ(bench.AddString(over, full), Status::Ok);
  const int32_t busyBefore = harness_.busy().Read();
  EXPECT_EQ(api::DoSendToScreen(bench.slots, harness_.Devices(), harness_.UdpTarget(), over, true),
            Status::BadArgument);
  EXPECT_EQ(harness_.busy().Read(), busyBefore);
  EXPECT_TRUE(bench.slots.PeekProgram(over).has_value());  // kept for the caller
}

TEST_F(ProgramUpload, EverySendPathLowersTheBusyCountItRaised) {
  // Shutting down waits for the count to reach 0, so a path that left it raised would hold every
  // later LED_Cleanup for its whole wait.
  TestSlots bench;
  link::Target noTransport = harness_.UdpTarget();
  noTransport.transport = link::Transport::None;
  link::Target noPort = harness_.SerialTarget();
  noPort.devicePath.clear();
  struct SendCase {
    const char* name;
    link::Target target;
    bool senderEnabled;
    bool programInSlot;
    Status expected;
  };
  const SendCase cases[] = {
      {"sent", harness_.UdpTarget(), true, true, Status::Ok},
      {"sending disabled", harness_.UdpTarget(), false, true, Status::BadArgument},
      {"no transport", noTransport, true, true, Status::BadArgument},
      {"port does not open", noPort, true, true, Status::OsError},
      {"free slot", harness_.UdpTarget(), true, false, Status::BadArgument},
  };
  for (const SendCase& c : cases) {
    SCOPED_TRACE(c.name);
    const int32_t slot = bench.NewPage();
    ASSERT_NE(slot, 0);
    if (!c.programInSlot) bench.slots.Release(slot);
    const int32_t busyBefore = harness_.busy().Read();
    EXPECT_EQ(api::DoSendToScreen(bench.slots, harness_.Devices(), c.target, slot, c.senderEnabled),
              c.expected);
    EXPECT_EQ(harness_.busy().Read(), busyBefore);
    EXPECT_FALSE(bench.slots.PeekProgram(slot).has_value());
  }
}

TEST(ProgramUploadStress, ThreadsBuildAndSendToTheirOwnScreens) {
  // Several threads build in different slots and send to separate screens at once; every screen
  // ends with exactly the programs its thread sent.
  constexpr int kThreads = 4;
  constexpr int kRounds = 6;
  std::vector<std::unique_ptr<ScreenHarness>> screens;
  for (int i = 0; i < kThreads; ++i) {
    screens.push_back(std::make_unique<ScreenHarness>());
    ASSERT_TRUE(screens.back()->started());
  }
  TestSlots bench;  // one set of slots, built in by every thread
  std::atomic<int> failures{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      for (int round = 0; round < kRounds; ++round) {
        const int32_t slot = bench.NewPage(t + 1, round);
        const std::string text = "thread " + std::to_string(t) + " round " + std::to_string(round);
        if (slot == 0 || bench.AddString(slot, text) != Status::Ok) {
          ++failures;
          continue;
        }
        const std::vector<uint8_t> expected = *bench.slots.PeekProgram(slot);
        const link::Target target = t % 2 ? screens[t]->SerialTarget() : screens[t]->UdpTarget();
        if (api::DoSendToScreen(bench.slots, screens[t]->Devices(), target, slot, true) !=
                Status::Ok ||
            screens[t]->screen().LastProgram() != expected) {
          ++failures;
        }
      }
    });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(failures.load(), 0);
  for (int t = 0; t < kThreads; ++t)
    EXPECT_EQ(screens[t]->screen().State().programsAccepted, static_cast<uint32_t>(kRounds));
}

}  // namespace
}  // namespace veltrane
