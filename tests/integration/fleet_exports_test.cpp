// SPDX-License-Identifier: MIT
// The fleet exports as a host calls them: what they refuse, how a run counts as one device call
// for the sender switch and LED_Cleanup, and a run on one fleet at a time.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <future>
#include <thread>

#include "support/exported_screen.h"
#include "veltrane/veltrane.h"

namespace veltrane {
namespace {

using testing::ExportedScreen;

// Every test runs between LED_Init and LED_Cleanup, as a host's calls do.
class FleetExports : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(LED_Init(), 1); }
  void TearDown() override { LED_Cleanup(); }
};

sim::Faults Silent() {
  sim::Faults faults;
  faults.silent = true;
  return faults;
}

int32_t ProgramInASlot() {
  const int32_t slot = MakeRoot(1, 1);
  EXPECT_EQ(AddLeaf(slot, 1), 1);
  EXPECT_EQ(AddString(slot, LedRect{0, 0, 32, 16}, 1, "hello", 0, 0, 0, 0), 1);
  return slot;
}

TEST_F(FleetExports, ArgumentsOutOfRangeRunNothing) {
  ExportedScreen screen;
  const DevParam param = screen.UdpParam();
  const int32_t fleet = LED_FleetOpen(&param, 1);
  ASSERT_GT(fleet, 0);
  LedFleetResult results[1];
  struct Case {
    const char* name;
    LedFleetOptions options;
    int32_t code;
  };
  const Case cases[] = {
      {"jobs below 0", {-1, 0, 0, nullptr, nullptr}, VELTRANE_ERROR_BAD_ARGUMENT},
      {"jobs past the most screens", {4097, 0, 0, nullptr, nullptr}, VELTRANE_ERROR_BAD_ARGUMENT},
      {"eleven tries", {0, 11, 0, nullptr, nullptr}, VELTRANE_ERROR_BAD_ARGUMENT},
      {"a window over a minute", {0, 0, 60001, nullptr, nullptr}, VELTRANE_ERROR_BAD_ARGUMENT},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(LED_FleetCommand(fleet, VELTRANE_FLEET_RESET, 0, &c.options, results), -1);
    EXPECT_EQ(LED_GetLastError(), c.code);
  }
  EXPECT_EQ(LED_FleetCommand(fleet, VELTRANE_FLEET_RESET, 0, nullptr, nullptr), -1);
  EXPECT_EQ(LED_GetLastError(), VELTRANE_ERROR_BAD_ARGUMENT);
  EXPECT_EQ(LED_FleetCommand(fleet + 1000, VELTRANE_FLEET_RESET, 0, nullptr, results), -1);
  EXPECT_EQ(LED_GetLastError(), VELTRANE_ERROR_BAD_ARGUMENT);
  EXPECT_EQ(LED_FleetOpen(&param, VELTRANE_FLEET_MAX_SCREENS + 1), 0);
  EXPECT_EQ(screen.screen().State().requests, 0u);
  // A refused slot stays where it is.
  const int32_t slot = ProgramInASlot();
  const LedFleetOptions tooMany{0, 11, 0, nullptr, nullptr};
  EXPECT_EQ(LED_FleetSend(fleet, slot, &tooMany, results), -1);
  EXPECT_EQ(LED_FleetSend(fleet, slot, nullptr, results), 1);
  EXPECT_EQ(results[0].error, VELTRANE_ERROR_NONE);
  EXPECT_EQ(LED_FleetSend(fleet, slot, nullptr, results), -1);  // it left its slot
  EXPECT_EQ(LED_GetLastError(), VELTRANE_ERROR_BAD_ARGUMENT);
  EXPECT_EQ(LED_FleetClose(fleet), 1);
}

TEST_F(FleetExports, WithSendingOffTheProgramLeavesItsSlotAndNoScreenIsTried) {
  ExportedScreen screen;
  const DevParam params[2] = {screen.UdpParam(), screen.SerialParam()};
  const int32_t fleet = LED_FleetOpen(params, 2);
  const int32_t slot = ProgramInASlot();
  SetSenderEnable(0);
  LedFleetResult results[2];
  EXPECT_EQ(LED_FleetSend(fleet, slot, nullptr, results), 0);
  SetSenderEnable(1);
  for (const LedFleetResult& result : results) EXPECT_EQ(result.error, VELTRANE_ERROR_BAD_ARGUMENT);
  EXPECT_EQ(LED_SendToScreen(screen.UdpParam(), slot), 0);  // the slot is free
  EXPECT_EQ(screen.screen().State().requests, 0u);
  LED_FleetClose(fleet);
}

// As the single-screen calls do, the last error names an address text that names no address,
// the all-ones address it reads as reaching no screen.
TEST_F(FleetExports, TheLastErrorNamesAnAddressTextThatIsNoAddress) {
  ExportedScreen screen;
  DevParam params[2] = {screen.UdpParam(), screen.UdpParam()};
  std::strcpy(params[1].RmtIP, "999.1.1.1");
  const int32_t fleet = LED_FleetOpen(params, 2);
  const LedFleetOptions quick{0, 1, 100, nullptr, nullptr};
  LedFleetResult results[2];
  EXPECT_EQ(LED_FleetCommand(fleet, VELTRANE_FLEET_RESET, 0, &quick, results), 1);
  EXPECT_EQ(results[0].error, VELTRANE_ERROR_NONE);
  EXPECT_EQ(results[1].error, VELTRANE_ERROR_NO_ANSWER);
  EXPECT_EQ(LED_GetLastError(), VELTRANE_ERROR_NO_ANSWER);
  EXPECT_STREQ(LED_GetLastErrorText(),
               "the screen did not answer; RmtIP \"999.1.1.1\" is not an IPv4 address");
  LED_FleetClose(fleet);
}

TEST_F(FleetExports, ARunIsOneDeviceCallThatCleanupWaitsForAndTheFleetIsBusyMeanwhile) {
  ExportedScreen quiet(Silent());
  const DevParam param = quiet.UdpParam();
  const int32_t fleet = LED_FleetOpen(&param, 1);
  // One try with a window of two seconds: the run is surely waiting when the checks come.
  const LedFleetOptions waiting{0, 1, 2000, nullptr, nullptr};
  LedFleetResult results[1];
  auto run = std::async(std::launch::async, [&] {
    return LED_FleetCommand(fleet, VELTRANE_FLEET_GET_POWER, 0, &waiting, results);
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  LedFleetResult other[1];
  EXPECT_EQ(LED_FleetCommand(fleet, VELTRANE_FLEET_RESET, 0, nullptr, other), -1);
  EXPECT_EQ(LED_GetLastError(), VELTRANE_ERROR_BUSY);
  EXPECT_EQ(LED_FleetClose(fleet), 0);
  EXPECT_EQ(LED_GetLastError(), VELTRANE_ERROR_BUSY);
  const auto cleanupStart = std::chrono::steady_clock::now();
  EXPECT_EQ(LED_Cleanup(), 0);
  // The run was still waiting out its window: Cleanup waited for it to end.
  EXPECT_EQ(run.wait_for(std::chrono::seconds(0)), std::future_status::ready);
  EXPECT_GE(std::chrono::steady_clock::now() - cleanupStart, std::chrono::milliseconds(100));
  EXPECT_EQ(run.get(), 0);
  EXPECT_EQ(results[0].error, VELTRANE_ERROR_NO_ANSWER);
  ASSERT_EQ(LED_Init(), 1);
  EXPECT_EQ(LED_FleetClose(fleet), 1);
}

}  // namespace
}  // namespace veltrane
