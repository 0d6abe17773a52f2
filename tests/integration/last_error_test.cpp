// Why an export failed: every failure leaves its own code and text for the calling thread, and a
// success leaves none.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <thread>

#include "platform/serial_port.h"
#include "support/exported_screen.h"
#include "veltrane/veltrane.h"

namespace veltrane {
namespace {

using testing::ExportedScreen;

struct FailureCase {
  const char* name;
  std::function<void(const ExportedScreen&)> call;
  int32_t code;
  const char* textFragment;
};

DevParam NoDeviceType() {
  DevParam p{};
  p.devType = 2;
  return p;
}

// A program slot with one open page, in the shared library's slots.
int32_t SlotWithPage() {
  const int32_t slot = MakeRoot(1, 1);
  EXPECT_EQ(AddLeaf(slot, 1), 1);
  return slot;
}

// Runs each failing call after a success and checks what it left for this thread.
void ExpectEachFailureSaysWhy(const FailureCase* cases, size_t count,
                              const sim::Faults& faults = {}) {
  ExportedScreen screen(faults);
  ASSERT_TRUE(screen.started());
  ASSERT_EQ(LED_Init(), 1);
  for (size_t i = 0; i < count; ++i) {
    const FailureCase& row = cases[i];
    SCOPED_TRACE(row.name);
    ASSERT_EQ(LED_SetComPortPath(1, nullptr), 1);  // a success first, so the row's call sets it
    ASSERT_EQ(LED_GetLastError(), VELTRANE_ERROR_NONE);
    row.call(screen);
    EXPECT_EQ(LED_GetLastError(), row.code);
    EXPECT_NE(std::string(LED_GetLastErrorText()).find(row.textFragment), std::string::npos)
        << LED_GetLastErrorText();
  }
  LED_Cleanup();
}

TEST(LastError, EachFailureSaysWhy) {
  const FailureCase cases[] = {
      {"a descriptor of no device type",
       [](const ExportedScreen&) { LED_SetPower(NoDeviceType(), 1); }, VELTRANE_ERROR_REFUSED,
       "device type"},
      {"a port held by another call",
       [](const ExportedScreen& screen) {
         platform::SerialPort holder;
         ASSERT_EQ(holder.Open(screen.screen().terminalPath(), 9600), Status::Ok);
         LED_GetBright(screen.SerialParam());
       },
       VELTRANE_ERROR_BUSY, "held by another call"},
      {"no such device",
       [](const ExportedScreen&) {
         ASSERT_EQ(LED_SetComPortPath(43, "/dev/veltrane-no-such-port"), 1);
         DevParam p{};
         p.devType = 0;
         p.locPort = 43;
         p.devAddr = 1;
         LED_Reset(p);
       },
       VELTRANE_ERROR_NO_DEVICE, "no such device"},
      {"a COM port number out of range",
       [](const ExportedScreen&) { LED_SetComPortPath(0, "/dev/null"); }, VELTRANE_ERROR_REFUSED,
       "out of range"},
      {"a send from a slot that holds no program",
       [](const ExportedScreen& screen) { LED_SendToScreen(screen.UdpParam(), 99); },
       VELTRANE_ERROR_REFUSED, "slot"},
      {"a page for a slot that holds no program", [](const ExportedScreen&) { AddLeaf(99, 1); },
       VELTRANE_ERROR_BUILD, "no program in that slot"},
      {"an area that does not fit",
       [](const ExportedScreen&) {
         const int32_t slot = SlotWithPage();
         const uint8_t pixels[3] = {0, 0, 0};
         const LedBitmap bitmap{1, 1, 3, 0, pixels};
         AddWindow(slot, &bitmap, 100000, 100000, {0, 0, 100000, 100000}, 0, 0, 3);
       },
       VELTRANE_ERROR_BUILD, "does not fit"},
      {"no bitmap",
       [](const ExportedScreen&) {
         AddWindow(1, nullptr, 1, 1, {0, 0, 1, 1}, 0, 0, 3);
       },
       VELTRANE_ERROR_REFUSED, "bitmap"},
      {"an unknown text encoding",
       [](const ExportedScreen&) { LED_SetTextEncoding("no-such-charset"); },
       VELTRANE_ERROR_REFUSED, "text encoding"},
      {"a fixed target without an address",
       [](const ExportedScreen&) { XR_LED_PowerOn(nullptr, 0, 0, 0, 0); }, VELTRANE_ERROR_REFUSED,
       "address"},
  };
  ExpectEachFailureSaysWhy(cases, std::size(cases));
}

TEST(LastError, SuccessesLeaveNone) {
  ExportedScreen screen;
  ASSERT_TRUE(screen.started());
  LED_SetPower(NoDeviceType(), 1);
  ASSERT_NE(LED_GetLastError(), VELTRANE_ERROR_NONE);
  const std::function<void()> successes[] = {
      [] { LED_Init(); },
      [&] { LED_SetPower(screen.UdpParam(), 1); },
      [&] { LED_GetBright(screen.SerialParam()); },
      [] { SetSenderEnable(1); },
      [] { XR_LED_SendData("127.0.0.1", 0, 0, 0, nullptr, 0); },
      [] { LED_Cleanup(); },
  };
  for (const auto& call : successes) {
    LED_SetPower(NoDeviceType(), 1);
    call();
    EXPECT_EQ(LED_GetLastError(), VELTRANE_ERROR_NONE);
    EXPECT_STREQ(LED_GetLastErrorText(), "");
  }
}

TEST(LastError, IsKeptPerThread) {
  LED_SetPower(NoDeviceType(), 1);
  std::thread([] {
    EXPECT_EQ(LED_GetLastError(), VELTRANE_ERROR_NONE);  // this thread has made no call yet
    EXPECT_EQ(LED_SetComPortPath(1, nullptr), 1);
  }).join();
  EXPECT_EQ(LED_GetLastError(), VELTRANE_ERROR_REFUSED);
  EXPECT_EQ(LED_SetComPortPath(1, nullptr), 1);
  std::thread([] { LED_SetPower(NoDeviceType(), 1); }).join();
  EXPECT_EQ(LED_GetLastError(), VELTRANE_ERROR_NONE);
}

// These wait out every try's receive window.
TEST(SlowLastError, SilentScreenDidNotAnswer) {
  sim::Faults silent;
  silent.silent = true;
  const FailureCase cases[] = {
      {"a silent screen", [](const ExportedScreen& screen) { LED_GetPower(screen.UdpParam()); },
       VELTRANE_ERROR_NO_ANSWER, "did not answer"},
  };
  ExpectEachFailureSaysWhy(cases, std::size(cases), silent);
}

// An address text that names no IPv4 address: the all-ones address it reads as reaches no
// screen, so the calls wait out their tries and say why nothing answered.
TEST(SlowLastError, UnreadableAddressIsNamed) {
  const auto unreadable = [](const ExportedScreen& screen) {
    DevParam param = screen.UdpParam();
    std::strcpy(param.RmtIP, "999.1.1.1");
    return param;
  };
  const FailureCase cases[] = {
      {"a query", [&](const ExportedScreen& s) { EXPECT_EQ(LED_GetPower(unreadable(s)), -1); },
       VELTRANE_ERROR_NO_ANSWER,
       "the screen did not answer; RmtIP \"999.1.1.1\" is not an IPv4 address"},
  };
  ExpectEachFailureSaysWhy(cases, std::size(cases));
}

// A screen that answered with refusals is not one that did not answer; the result is the same 0.
TEST(SlowLastError, RefusedUploadSaysTheScreenRefused) {
  sim::Faults refusing;
  refusing.packetFaults.push_back({0, sim::AckFault::StatusZero, 3});
  const FailureCase cases[] = {
      {"an upload the screen refuses",
       [](const ExportedScreen& screen) {
         const int32_t slot = SlotWithPage();
         const uint8_t pixels[3 * 4] = {};
         const LedBitmap bitmap{2, 2, 6, 0, pixels};
         ASSERT_EQ(AddWindow(slot, &bitmap, 2, 2, {0, 0, 2, 2}, 0, 0, 3), 1);
         EXPECT_EQ(LED_SendToScreen(screen.UdpParam(), slot), 0);
       },
       VELTRANE_ERROR_REFUSED, "the screen answered but refused the upload"},
  };
  ExpectEachFailureSaysWhy(cases, std::size(cases), refusing);
}

}  // namespace
}  // namespace veltrane
