// SPDX-License-Identifier: MIT
// Why an export failed: every failure leaves its own code and text for the calling thread, and a
// success leaves none.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <thread>

#include "platform/font.h"
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
  std::function<void()> restore = [] {};  // puts back what the call changed, once checked
};

DevParam NoDeviceType() {
  DevParam p{};
  p.devType = 2;
  return p;
}

constexpr LedRect kArea = {0, 0, 64, 16};

// A program slot with one open page, in the shared library's slots.
int32_t SlotWithPage() {
  const int32_t slot = MakeRoot(1, VELTRANE_COLOR_ONE_BIT);
  EXPECT_EQ(AddLeaf(slot, 1), 1);
  return slot;
}

// A slot whose program is `bytes` long or a little longer, of string areas.
int32_t SlotOfAtLeast(size_t bytes) {
  const int32_t slot = SlotWithPage();
  const std::string longest(2047, 'x');
  for (size_t length = 12 + 16; length < bytes; length += 36 + 2048)
    EXPECT_EQ(AddString(slot, kArea, 0, longest.c_str(), 0, 0, 0, 0), 1);
  return slot;
}

int32_t AddBitmap(int32_t slot, const LedBitmap& bitmap) {
  return AddWindow(slot, &bitmap, bitmap.width, bitmap.height, kArea, 0, 0, 0);
}

// Runs each failing call after a success and checks what it left for this thread. Every row
// starts with all program slots free.
void ExpectEachFailureSaysWhy(const FailureCase* cases, size_t count,
                              const sim::Faults& faults = {}) {
  ExportedScreen screen(faults);
  ASSERT_TRUE(screen.started());
  ASSERT_EQ(LED_Init(), 1);
  for (size_t i = 0; i < count; ++i) {
    const FailureCase& row = cases[i];
    SCOPED_TRACE(row.name);
    for (int32_t slot = 1; slot <= 16; ++slot) LED_ReleaseMem(slot);
    ASSERT_EQ(LED_SetComPortPath(1, nullptr), 1);  // a success first, so the row's call sets it
    ASSERT_EQ(LED_GetLastError(), VELTRANE_ERROR_NONE);
    row.call(screen);
    EXPECT_EQ(LED_GetLastError(), row.code);
    EXPECT_NE(std::string(LED_GetLastErrorText()).find(row.textFragment), std::string::npos)
        << LED_GetLastErrorText();
    row.restore();
  }
  LED_Cleanup();
}

TEST(LastError, EachFailureSaysWhy) {
  static const uint8_t kPixels[8] = {};
  const FailureCase cases[] = {
      // Descriptors and settings.
      {"a descriptor of no device type",
       [](const ExportedScreen&) { LED_SetPower(NoDeviceType(), 1); }, VELTRANE_ERROR_BAD_ARGUMENT,
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
         p.devType = VELTRANE_DEV_SERIAL;
         p.locPort = 43;
         p.devAddr = 1;
         LED_Reset(p);
       },
       VELTRANE_ERROR_NO_DEVICE, "no such device"},
      {"a COM port number out of range",
       [](const ExportedScreen&) { LED_SetComPortPath(0, "/dev/null"); },
       VELTRANE_ERROR_BAD_ARGUMENT, "COM port 0 is out of range: ports are numbered 1 to 255"},
      {"an unknown text encoding",
       [](const ExportedScreen&) { LED_SetTextEncoding("no-such-charset"); },
       VELTRANE_ERROR_BAD_ARGUMENT, "unknown text encoding \"no-such-charset\""},
      {"a fixed target without an address",
       [](const ExportedScreen&) { XR_LED_PowerOn(nullptr, 0, 0, 0, 0); },
       VELTRANE_ERROR_BAD_ARGUMENT, "address"},
      // Slots and pages.
      {"every slot taken",
       [](const ExportedScreen&) {
         for (int32_t i = 0; i < 16; ++i) ASSERT_NE(MakeRoot(1, 1), 0);
         MakeRoot(1, 1);
       },
       VELTRANE_ERROR_BUILD, "all 16 program slots hold a program"},
      {"a slot number that is no slot", [](const ExportedScreen&) { AddLeaf(17, 1); },
       VELTRANE_ERROR_BAD_ARGUMENT, "slot 17 is not a program slot: they are numbered 1 to 16"},
      {"a slot that holds no program", [](const ExportedScreen&) { AddLeaf(5, 1); },
       VELTRANE_ERROR_BAD_ARGUMENT, "slot 5 holds no program: MakeRoot starts one"},
      {"a page too many",
       [](const ExportedScreen&) {
         const int32_t slot = MakeRoot(1, 1);
         for (int32_t i = 0; i < 65535; ++i) ASSERT_EQ(AddLeaf(slot, i), 1);
         AddLeaf(slot, 0);
       },
       VELTRANE_ERROR_BUILD, "the program already has 65535 pages"},
      {"an area before any page",
       [](const ExportedScreen&) { AddString(MakeRoot(1, 1), kArea, 0, "x", 0, 0, 0, 0); },
       VELTRANE_ERROR_BAD_ARGUMENT, "the program has no page yet: AddLeaf adds one"},
      {"an area too many",
       [](const ExportedScreen&) {
         const int32_t slot = SlotWithPage();
         for (int32_t i = 0; i < 65535; ++i)
           ASSERT_EQ(AddString(slot, kArea, 0, "", 0, 0, 0, 0), 1);
         AddString(slot, kArea, 0, "", 0, 0, 0, 0);
       },
       VELTRANE_ERROR_BUILD, "the page already has 65535 areas"},
      // Texts and fonts.
      {"a null string text",
       [](const ExportedScreen&) { AddString(SlotWithPage(), kArea, 0, nullptr, 0, 0, 0, 0); },
       VELTRANE_ERROR_BAD_ARGUMENT, "the text is a null pointer"},
      {"a null text to draw",
       [](const ExportedScreen&) {
         AddText(SlotWithPage(), kArea, 0, nullptr, "DejaVu Sans", 12, 0xFF, 0, 0);
       },
       VELTRANE_ERROR_BAD_ARGUMENT, "the text is a null pointer"},
      {"a null face name",
       [](const ExportedScreen&) {
         AddText(SlotWithPage(), kArea, 0, "x", nullptr, 12, 0xFF, 0, 0);
       },
       VELTRANE_ERROR_BAD_ARGUMENT, "the face name is a null pointer"},
      {"a null date-time face name",
       [](const ExportedScreen&) {
         AddDateTime(SlotWithPage(), kArea, nullptr, 12, 0xFF, VELTRANE_DATETIME_TIME, 0);
       },
       VELTRANE_ERROR_BAD_ARGUMENT, "the face name is a null pointer"},
      {"a point size beyond what fonts are drawn at",
       [](const ExportedScreen&) {
         AddText(SlotWithPage(), kArea, 0, "x", "DejaVu Sans", 100000, 0xFF, 0, 0);
       },
       VELTRANE_ERROR_BAD_ARGUMENT,
       "the font size is out of range: \"DejaVu Sans\" cannot be drawn 133333 pixels high"},
      {"a text wider than a picture may be",
       [](const ExportedScreen&) {
         const std::string wide(2047, 'W');
         AddText(SlotWithPage(), kArea, 0, wide.c_str(), "DejaVu Sans", 72, 0xFF, 0, 0);
       },
       VELTRANE_ERROR_BUILD, "pixels longer on a side than the 65535 a picture may have"},
      {"date-time glyphs too large to pack",
       [](const ExportedScreen&) {
         AddDateTime(SlotWithPage(), kArea, "DejaVu Sans", 5000, 0xFF, VELTRANE_DATETIME_DATE, 0);
       },
       VELTRANE_ERROR_BUILD, "more than the 1048576 a picture may hold"},
      // Pictures and areas.
      {"a null bitmap",
       [](const ExportedScreen&) { AddWindow(SlotWithPage(), nullptr, 1, 1, kArea, 0, 0, 3); },
       VELTRANE_ERROR_BAD_ARGUMENT, "the bitmap is a null pointer"},
      {"a bitmap of an unknown format",
       [](const ExportedScreen&) {
         AddBitmap(SlotWithPage(), {2, 1, 8, 7, kPixels});
       },
       VELTRANE_ERROR_BAD_ARGUMENT, "the bitmap format 7 is unknown"},
      {"a bitmap of a negative size",
       [](const ExportedScreen&) {
         AddBitmap(SlotWithPage(), {-2, 1, 8, 0, kPixels});
       },
       VELTRANE_ERROR_BAD_ARGUMENT, "the bitmap has a negative size: -2 x 1"},
      {"a bitmap without pixels",
       [](const ExportedScreen&) {
         AddBitmap(SlotWithPage(), {2, 1, 8, 0, nullptr});
       },
       VELTRANE_ERROR_BAD_ARGUMENT, "the bitmap pixels are a null pointer"},
      {"a bitmap of rows shorter than its width",
       [](const ExportedScreen&) {
         AddBitmap(SlotWithPage(), {3, 1, 8, 0, kPixels});
       },
       VELTRANE_ERROR_BAD_ARGUMENT,
       "the bitmap rows are 8 bytes apart, shorter than 3 pixels of 3 bytes"},
      {"a window picture wider than a picture may be",
       [](const ExportedScreen&) {
         const LedBitmap bitmap{1, 1, 3, VELTRANE_BITMAP_BGR, kPixels};
         AddWindow(SlotWithPage(), &bitmap, 100000, 1, kArea, 0, 0, 3);
       },
       VELTRANE_ERROR_BUILD,
       "a picture of 100000 x 1 pixels is 34465 pixels longer on a side than the 65535 a picture "
       "may have"},
      {"a window picture that packs past the cap",
       [](const ExportedScreen&) {
         const LedBitmap bitmap{1, 1, 3, VELTRANE_BITMAP_BGR, kPixels};
         AddWindow(SlotWithPage(), &bitmap, 2049, 4096, kArea, 0, 0, 3);
       },
       VELTRANE_ERROR_BUILD,
       "a picture of 2049 x 4096 pixels packs to 1049088 bytes, 512 more than the 1048576 a "
       "picture may hold"},
      {"a clock whose right lies left of its left",
       [](const ExportedScreen&) {
         AddClock(SlotWithPage(), {10, 0, 0, 64}, 0, 1, 1, 1, 1, 1, 1);
       },
       VELTRANE_ERROR_BAD_ARGUMENT,
       "the area is inverted: its right (0) lies left of its left (10)"},
      {"a clock whose bottom lies above its top",
       [](const ExportedScreen&) {
         AddClock(SlotWithPage(), {0, 10, 64, 0}, 0, 1, 1, 1, 1, 1, 1);
       },
       VELTRANE_ERROR_BAD_ARGUMENT, "the area is inverted: its bottom (0) lies above its top (10)"},
      {"a clock too large to pack",
       [](const ExportedScreen&) {
         AddClock(SlotWithPage(), {0, 0, 5000, 5000}, 0, 1, 1, 1, 1, 1, 1);
       },
       VELTRANE_ERROR_BUILD, "a picture of 5000 x 5000 pixels packs to"},
      {"a clock larger than any picture",
       [](const ExportedScreen&) {
         AddClock(SlotWithPage(), {INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX}, 0, 1, 1, 1, 1, 1,
                  1);
       },
       VELTRANE_ERROR_BUILD,
       "the clock's side of 4294967295 pixels is larger than any picture can be"},
      // Sending.
      {"a send from a slot number that is no slot",
       [](const ExportedScreen& screen) { LED_SendToScreen(screen.UdpParam(), 99); },
       VELTRANE_ERROR_BAD_ARGUMENT, "slot 99 is not a program slot"},
      {"a send from a slot that holds no program",
       [](const ExportedScreen& screen) { LED_SendToScreen(screen.UdpParam(), 3); },
       VELTRANE_ERROR_BAD_ARGUMENT, "slot 3 holds no program"},
      {"a program over 2 MiB",
       [](const ExportedScreen& screen) {
         const int32_t slot = SlotOfAtLeast(2 * 1024 * 1024 + 1);
         EXPECT_EQ(LED_SendToScreen(screen.UdpParam(), slot), 0);
       },
       VELTRANE_ERROR_BAD_ARGUMENT,
       "the program in slot 1 is 2098616 bytes, 1464 more than the 2097152 a screen accepts; it "
       "stays in its slot"},
      {"a send with sending switched off",
       [](const ExportedScreen& screen) {
         const int32_t slot = SlotWithPage();
         SetSenderEnable(0);
         LED_SendToScreen(screen.UdpParam(), slot);
       },
       VELTRANE_ERROR_BAD_ARGUMENT, "sending is switched off", [] { SetSenderEnable(1); }},
      {"the library stopped when it was not started",
       [](const ExportedScreen&) {
         LED_Cleanup();
         LED_Cleanup();
       },
       VELTRANE_ERROR_BAD_ARGUMENT, "the library was not started", [] { LED_Init(); }},
  };
  ExpectEachFailureSaysWhy(cases, std::size(cases));
}

// Run where fontconfig knows no font at all (ctest sets FONTCONFIG_FILE to
// tests/integration/no_fonts.conf): a face that cannot be found is named.
TEST(WithoutFonts, AFaceThatIsNotInstalledIsNamed) {
  if (!platform::ResolvedFamily({"DejaVu Sans", 0}).empty())
    GTEST_SKIP() << "fonts are installed: run with FONTCONFIG_FILE=tests/integration/no_fonts.conf";
  const FailureCase cases[] = {
      {"a text area",
       [](const ExportedScreen&) {
         AddText(SlotWithPage(), kArea, 0, "x", "Fira Nowhere", 12, 0xFF, 0, 0);
       },
       VELTRANE_ERROR_BUILD, "no installed font matches \"Fira Nowhere\""},
      {"a date-time area",
       [](const ExportedScreen&) {
         AddDateTime(SlotWithPage(), kArea, "Fira Nowhere", 12, 0xFF, VELTRANE_DATETIME_HOUR, 0);
       },
       VELTRANE_ERROR_BUILD, "no installed font matches \"Fira Nowhere\""},
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
  EXPECT_EQ(LED_GetLastError(), VELTRANE_ERROR_BAD_ARGUMENT);
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
