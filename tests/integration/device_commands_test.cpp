// SPDX-License-Identifier: MIT
// The six device commands end to end: the library's exports and command routines against the
// simulated screen over loopback UDP and a pseudo-terminal, and against a hand-driven socket where
// the exact bytes matter.
#include "protocol/device_commands.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <functional>
#include <future>
#include <memory>
#include <string>
#include <thread>

#include "common/busy_count.h"
#include "link/serial_channel.h"
#include "platform/ipv4.h"
#include "platform/serial_port.h"
#include "platform/tools/pseudo_terminal.h"
#include "platform/udp_socket.h"
#include "platform/wait.h"
#include "protocol/packets.h"
#include "support/exported_screen.h"
#include "support/fake_channel.h"
#include "support/non_serial_paths.h"
#include "support/raw_screen.h"
#include "support/screen_harness.h"
#include "support/udp_sockets.h"
#include "veltrane/veltrane.h"

namespace veltrane {
namespace {

using namespace std::chrono_literals;
using protocol::Reading;
using testing::Bytes;
using testing::ExportedScreen;
using testing::Frame;
using testing::RawScreen;
using testing::ReplyFrame;
using testing::ScreenHarness;

platform::LocalTime TuesdayAfternoon() {
  platform::LocalTime t;
  t.year = 2024;
  t.month = 3;
  t.dayOfWeek = 2;
  t.day = 5;
  t.hour = 14;
  t.minute = 7;
  t.second = 9;
  t.milliseconds = 250;
  return t;
}

// ---- Exact bytes, against a socket driven by hand ----------------------------------------

struct CommandCase {
  const char* name;
  std::function<Reading(const link::Target&)> run;
  Bytes requestBody;
  uint16_t cmd;
};

Reading AsReading(Status s) { return {s, -1}; }

// What device operations use in these tests: the system's clock and a busy count of the test's
// own.
struct TestDevices {
  BusyCount busy;

  protocol::DeviceContext Context() { return {platform::SystemClock(), busy}; }
};

TEST(RequestBytes, EachCommandSendsItsFrameAndTakesItsReply) {
  const Bytes time = {0xE8, 0x07, 0x03, 0x00, 0x02, 0x00, 0x05, 0x00,
                      0x0E, 0x00, 0x07, 0x00, 0x09, 0x00, 0xFA, 0x00};
  Bytes setTime = {0x06, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00};
  setTime.insert(setTime.end(), time.begin(), time.end());
  TestDevices devices;
  const CommandCase cases[] = {
      {"set power 1",
       [&](auto& t) { return AsReading(protocol::DoSetPower(devices.Context(), t, 1)); },
       {0x0A, 0x00, 0x00, 0x01, 0x01, 0x00, 0x00, 0x00},
       protocol::CMD_SET_POWER},
      {"get power",
       [&](auto& t) { return protocol::DoGetPower(devices.Context(), t); },
       {0x09, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00},
       protocol::CMD_GET_POWER},
      {"set bright 1000",
       [&](auto& t) { return AsReading(protocol::DoSetBright(devices.Context(), t, 1000)); },
       {0x0C, 0x00, 0x00, 0x01, 0xE8, 0x03, 0x00, 0x00},
       protocol::CMD_SET_BRIGHT},
      {"get bright",
       [&](auto& t) { return protocol::DoGetBright(devices.Context(), t); },
       {0x0B, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00},
       protocol::CMD_GET_BRIGHT},
      {"reset",
       [&](auto& t) { return AsReading(protocol::DoReset(devices.Context(), t)); },
       {0x63, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00},
       protocol::CMD_RESET},
      {"set time",
       [&](auto& t) {
         return AsReading(protocol::DoAdjustTime(devices.Context(), t, TuesdayAfternoon()));
       },
       setTime, protocol::CMD_SET_TIME},
  };
  RawScreen screen;
  for (const CommandCase& c : cases) {
    SCOPED_TRACE(c.name);
    auto result = std::async(std::launch::async, c.run, screen.Target(1));
    platform::Endpoint from;
    const Bytes request = screen.NextRequest(from);
    EXPECT_EQ(request, Frame(c.requestBody));
    screen.Send(ReplyFrame(c.cmd, 0x01020304), from);
    const Reading reading = result.get();
    EXPECT_EQ(reading.status, Status::Ok);
    if (c.cmd == protocol::CMD_GET_POWER || c.cmd == protocol::CMD_GET_BRIGHT) {
      EXPECT_EQ(reading.value, 0x01020304);
    }
  }
}

TEST(IgnoredReplies, OnlyTheRightReplyFromTheRightEndEndsTheWindow) {
  RawScreen screen;
  RawScreen stranger;
  TestDevices devices;
  auto result = std::async(std::launch::async, [&] {
    return protocol::DoGetBright(devices.Context(), screen.Target(1));
  });
  platform::Endpoint from;
  ASSERT_FALSE(screen.NextRequest(from).empty());
  const auto body = [](uint16_t cmd, uint8_t devAddr, uint16_t answered, size_t length) {
    protocol::ReplyHeader r;
    r.cmd = cmd;
    r.devAddr = devAddr;
    r.value = 5;
    r.answeredCmd = answered;
    r.status = 1;
    const auto bytes = protocol::EncodeReplyHeader(r);
    return Frame(Bytes(bytes.begin(), bytes.begin() + static_cast<ptrdiff_t>(length)));
  };
  stranger.Send(ReplyFrame(protocol::CMD_GET_BRIGHT, 66), from);  // another source port
  screen.Send(body(3, 0, protocol::CMD_GET_POWER, 12), from);     // another command answered
  screen.Send(body(3, 1, protocol::CMD_GET_BRIGHT, 12), from);    // devAddr 1
  screen.Send(body(4, 0, protocol::CMD_GET_BRIGHT, 12), from);    // cmd 4
  screen.Send(body(3, 0, protocol::CMD_GET_BRIGHT, 9), from);     // body under 10 bytes
  screen.Send({}, from);                                          // empty datagram
  screen.Send(ReplyFrame(protocol::CMD_GET_BRIGHT, 77), from);    // the answer
  const Reading reading = result.get();
  EXPECT_EQ(reading.status, Status::Ok);
  EXPECT_EQ(reading.value, 77);
  EXPECT_TRUE(screen.QuietFor(50));  // answered within the first window: no second request
}

// ---- Against the simulated screen, over both transports ----------------------------------

class DeviceExports : public ::testing::TestWithParam<bool> {
 protected:
  DeviceExports() { EXPECT_TRUE(harness_.started()); }
  DevParam Param(int32_t devAddr = 1) const {
    return GetParam() ? harness_.UdpParam(devAddr) : harness_.SerialParam(devAddr);
  }
  ExportedScreen harness_;
};

TEST_P(DeviceExports, SwitchesAndReadsTheScreen) {
  EXPECT_EQ(LED_SetPower(Param(), 0), 1);
  EXPECT_EQ(harness_.screen().State().power, 0);
  EXPECT_EQ(LED_GetPower(Param()), 0);
  EXPECT_EQ(LED_SetPower(Param(), 1), 1);
  EXPECT_EQ(LED_GetPower(Param()), 1);
  EXPECT_EQ(LED_SetBright(Param(), 1000), 1);  // nothing is clamped
  EXPECT_EQ(LED_GetBright(Param()), 1000);
  EXPECT_EQ(LED_Reset(Param()), 1);
  EXPECT_EQ(harness_.screen().State().resets, 1u);
  EXPECT_EQ(LED_AdjustTime(Param()), 1);
  EXPECT_TRUE(harness_.screen().State().clock);
}

TEST_P(DeviceExports, AddressByteOfAllScreensIsAnswered) {
  EXPECT_EQ(LED_SetBright(Param(0x1FF), 3), 1);  // only the low byte counts: 0xFF
  EXPECT_EQ(harness_.screen().State().brightness, 3);
}

TEST_P(DeviceExports, LateReplyIsTakenInTheNextTry) {
  sim::Faults faults;
  faults.delayMs = 1200;  // past the 1000 ms window of the first try
  harness_.screen().SetFaults(faults);
  EXPECT_EQ(LED_SetPower(Param(), 0), 1);
  EXPECT_EQ(harness_.screen().State().requests, 2u);
}

TEST_P(DeviceExports, ScreenAnsweringTwiceStillGivesOneResult) {
  sim::Faults faults;
  faults.answerTwice = true;
  faults.duplicateGapMs = 500;
  harness_.screen().SetFaults(faults);
  harness_.screen().SetBrightness(11);
  EXPECT_EQ(LED_GetBright(Param()), 11);
  // The duplicate arrives after the call has returned; the next call must not take it.
  EXPECT_FALSE(harness_.screen().quiet());
  ASSERT_TRUE(harness_.AwaitQuiet());
  EXPECT_EQ(harness_.screen().repliesSent(), 2u);
  harness_.screen().SetBrightness(12);
  EXPECT_EQ(LED_GetBright(Param()), 12);
}

INSTANTIATE_TEST_SUITE_P(Transports, DeviceExports, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Udp" : "Serial"; });

// ---- Descriptors and channels that cannot be used ----------------------------------------

TEST(DeviceExports, UnknownDevTypeFailsWithoutOpeningAnything) {
  DevParam p{};
  p.devType = 2;
  EXPECT_EQ(LED_SetPower(p, 1), -1);
  EXPECT_EQ(LED_GetPower(p), -1);
  EXPECT_EQ(LED_SetBright(p, 1), -1);
  EXPECT_EQ(LED_GetBright(p), -1);
  EXPECT_EQ(LED_Reset(p), -1);
  EXPECT_EQ(LED_AdjustTime(p), -1);
}

TEST(DeviceExports, ChannelThatCannotOpenGivesMinusOne) {
  ExportedScreen harness;
  // The local port is held by another socket.
  const platform::UdpSocket holder = testing::BoundUdpSocket();
  DevParam udp = harness.UdpParam();
  udp.locPort = holder.LocalPort();
  EXPECT_EQ(LED_SetPower(udp, 1), -1);
  EXPECT_EQ(LED_GetBright(udp), -1);
  // The serial device does not exist.
  ASSERT_EQ(LED_SetComPortPath(7, "/nonexistent/ttyVELTRANE"), 1);
  DevParam serial = harness.SerialParam();
  serial.locPort = 7;
  EXPECT_EQ(LED_Reset(serial), -1);
  LED_SetComPortPath(7, nullptr);
  EXPECT_EQ(LED_SetComPortPath(0, "/dev/null"), 0);
  EXPECT_EQ(LED_SetComPortPath(256, nullptr), 0);
  // The port is held by another call.
  link::SerialChannel holderPort;
  ASSERT_EQ(holderPort.Open(harness.SerialTarget()), Status::Ok);
  EXPECT_EQ(LED_SetPower(harness.SerialParam(), 1), -1);
}

TEST(DeviceExports, APathThatIsNoSerialLineIsRefusedUntouched) {
  const testing::NonSerialPaths paths;
  constexpr int32_t kComPort = 43;
  DevParam p{};
  p.devType = 0;
  p.speed = 3;
  p.locPort = kComPort;
  p.devAddr = 1;
  for (const auto& entry : paths.entries()) {
    SCOPED_TRACE(entry.kind);
    ASSERT_EQ(LED_SetComPortPath(kComPort, entry.path.c_str()), 1);
    EXPECT_EQ(LED_GetPower(p), -1);
    EXPECT_EQ(LED_GetLastError(), VELTRANE_ERROR_NO_DEVICE);
    EXPECT_NE(std::string(LED_GetLastErrorText()).find("is not a serial line"), std::string::npos)
        << LED_GetLastErrorText();
    EXPECT_EQ(LED_SetPower(p, 0), -1);
  }
  LED_SetComPortPath(kComPort, nullptr);
  EXPECT_EQ(paths.WhatChanged(), "");
}

TEST(DeviceExports, DebugSwitchShowsTheDescriptorFirst) {
  std::vector<std::string> texts;
  LED_SetMessageHandler(
      [](const char* text, void* context) {
        static_cast<std::vector<std::string>*>(context)->push_back(text);
      },
      &texts);
  DevParam p{};
  p.devType = 9;
  p.speed = 3;
  p.locPort = 5000;
  p.rmtPort = 6666;
  std::strcpy(p.RmtIP, "10.1.2.3");
  EXPECT_EQ(LED_GetPower(p), -1);
  EXPECT_TRUE(texts.empty());
  LED_SetDebugFlag(5);
  EXPECT_EQ(LED_GetPower(p), -1);
  EXPECT_EQ(LED_GetBright(p), -1);  // only the power query shows it
  LED_SetDebugFlag(0);
  LED_SetMessageHandler(nullptr, nullptr);
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_EQ(texts[0], "devType=9\r\nlocPort=5000\r\nspeed=3\r\nrmtPort=6666\r\nRmtIP=10.1.2.3");
}

TEST(BusyCount, RaisedForTheWholeCommandAndRestoredOnEveryPath) {
  ScreenHarness harness;
  sim::Faults faults;
  faults.delayMs = 300;
  harness.screen().SetFaults(faults);
  BusyCount& busy = harness.busy();
  const int32_t before = busy.Read();
  auto result = std::async(std::launch::async, [&] {
    return protocol::DoGetBright(harness.Devices(), harness.UdpTarget());
  });
  bool seenBusy = false;
  while (result.wait_for(5ms) != std::future_status::ready) seenBusy |= busy.Read() == before + 1;
  EXPECT_EQ(result.get().status, Status::Ok);
  EXPECT_TRUE(seenBusy);
  EXPECT_EQ(busy.Read(), before);

  link::Target none;
  none.transport = link::Transport::None;
  EXPECT_EQ(protocol::DoSetPower(harness.Devices(), none, 1), Status::BadArgument);
  EXPECT_EQ(busy.Read(), before);
  link::Target absent = harness.SerialTarget();
  absent.devicePath.clear();
  EXPECT_EQ(protocol::DoReset(harness.Devices(), absent), Status::OsError);
  EXPECT_EQ(busy.Read(), before);
}

// ---- Serial byte streams, the screen driven by hand on the pseudo-terminal ---------------

TEST(SerialStream, ReplySplitOverReadsAfterNoiseIsAssembled) {
  platform::PseudoTerminal pty = platform::OpenPseudoTerminal();
  ASSERT_FALSE(pty.terminalPath.empty());
  TestDevices devices;
  link::Target target;
  target.transport = link::Transport::Serial;
  target.devicePath = pty.terminalPath;
  target.devAddr = 1;
  auto result = std::async(std::launch::async,
                           [&] { return protocol::DoGetBright(devices.Context(), target); });

  // Collect the request from the controller end.
  Bytes request;
  link::FrameBuffer chunk;
  while (request.empty() || request.back() != 0xAA) {
    ASSERT_EQ(pty.controller.WaitReadable(3000), platform::WaitResult::Ready);
    const size_t n = pty.controller.ReadAvailable(chunk);
    request.insert(request.end(), chunk.begin(), chunk.begin() + static_cast<ptrdiff_t>(n));
  }
  EXPECT_EQ(request, Frame(Bytes{0x0B, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00}));

  const Bytes reply = ReplyFrame(protocol::CMD_GET_BRIGHT, 23);
  pty.controller.WriteAll(Bytes{0x00, 0xAA, 0x13, 0x42});
  for (size_t at = 0; at < reply.size(); at += 3) {
    pty.controller.WriteAll(
        Bytes(reply.begin() + static_cast<ptrdiff_t>(at),
              reply.begin() + static_cast<ptrdiff_t>(std::min(reply.size(), at + 3))));
    std::this_thread::sleep_for(2ms);  // separate reads on the library's side
  }
  const Reading reading = result.get();
  EXPECT_EQ(reading.status, Status::Ok);
  EXPECT_EQ(reading.value, 23);
}

// ---- Each command's own receive window, on a fake clock ----------------------------------

// The far end of a command's channel, driven by hand: it takes requests, sends what can never be
// the reply (which makes the library look at its clock again), and answers.
class HandScreen {
 public:
  virtual ~HandScreen() = default;
  virtual link::Target Target() const = 0;
  // True when a whole request arrived in time.
  virtual bool TakeRequest() = 0;
  // True when no request arrives within `ms` of real time.
  virtual bool QuietFor(uint32_t ms) = 0;
  virtual void SendNoise(uint16_t cmd) = 0;
  virtual void Answer(uint16_t cmd) = 0;
};

class UdpHandScreen final : public HandScreen {
 public:
  link::Target Target() const override { return screen_.Target(1); }
  bool TakeRequest() override { return !screen_.NextRequest(from_).empty(); }
  bool QuietFor(uint32_t ms) override { return screen_.QuietFor(ms); }
  // The right reply from the wrong port.
  void SendNoise(uint16_t cmd) override { stranger_.Send(ReplyFrame(cmd, 0), from_); }
  void Answer(uint16_t cmd) override { screen_.Send(ReplyFrame(cmd, 0), from_); }

 private:
  RawScreen screen_;
  RawScreen stranger_;
  platform::Endpoint from_;
};

class SerialHandScreen final : public HandScreen {
 public:
  link::Target Target() const override {
    link::Target target;
    target.transport = link::Transport::Serial;
    target.devicePath = pty_.terminalPath;
    target.devAddr = 1;
    return target;
  }
  bool TakeRequest() override {
    link::FrameBuffer chunk;
    size_t n = 0;
    while (n == 0 || chunk[n - 1] != link::kFrameEnd) {
      if (!Readable(3000)) return false;
      n = pty_.controller.ReadAvailable(chunk);
    }
    return true;
  }
  bool QuietFor(uint32_t ms) override { return !Readable(ms); }
  // Bytes outside any frame.
  void SendNoise(uint16_t) override { pty_.controller.WriteAll(Bytes{0x13, 0x42}); }
  void Answer(uint16_t cmd) override { pty_.controller.WriteAll(ReplyFrame(cmd, 0)); }

 private:
  bool Readable(uint32_t ms) {
    return pty_.controller.WaitReadable(ms) == platform::WaitResult::Ready;
  }
  platform::PseudoTerminal pty_ = platform::OpenPseudoTerminal();
};

// Waits (in real time, boundedly) until other threads have read the clock `reads` times in all:
// a waiting exchange reads it when its window opens and each time it wakes.
void AwaitClockReads(const testing::FakeClock& clock, uint64_t reads) {
  for (int i = 0; i < 3000 && clock.reads() < reads; ++i) std::this_thread::sleep_for(1ms);
}

struct WindowCase {
  const char* name;
  std::function<Status(const protocol::DeviceContext&, const link::Target&)> run;
  uint16_t cmd;
  uint32_t serialMs;
  uint32_t udpMs;
};

TEST(CommandWindows, EachCommandWaitsItsOwnWindowOnEachTransport) {
  const WindowCase cases[] = {
      {"set power", [](auto& d, auto& t) { return protocol::DoSetPower(d, t, 1); },
       protocol::CMD_SET_POWER, 1000, 1000},
      {"get power", [](auto& d, auto& t) { return protocol::DoGetPower(d, t).status; },
       protocol::CMD_GET_POWER, 1500, 1500},
      {"set bright", [](auto& d, auto& t) { return protocol::DoSetBright(d, t, 1); },
       protocol::CMD_SET_BRIGHT, 5000, 3000},
      {"get bright", [](auto& d, auto& t) { return protocol::DoGetBright(d, t).status; },
       protocol::CMD_GET_BRIGHT, 1500, 1500},
      {"reset", [](auto& d, auto& t) { return protocol::DoReset(d, t); }, protocol::CMD_RESET, 1500,
       1500},
      {"set time",
       [](auto& d, auto& t) { return protocol::DoAdjustTime(d, t, TuesdayAfternoon()); },
       protocol::CMD_SET_TIME, 1000, 1000},
  };
  testing::FakeClock clock;
  BusyCount busy;
  const protocol::DeviceContext devices{clock, busy};
  for (const bool serial : {false, true}) {
    for (const WindowCase& c : cases) {
      SCOPED_TRACE(::testing::Message() << c.name << (serial ? " over serial" : " over udp"));
      const uint32_t windowMs = serial ? c.serialMs : c.udpMs;
      std::unique_ptr<HandScreen> screen;
      if (serial)
        screen = std::make_unique<SerialHandScreen>();
      else
        screen = std::make_unique<UdpHandScreen>();
      const uint64_t readsBefore = clock.reads();
      auto result = std::async(std::launch::async, c.run, devices, screen->Target());
      EXPECT_TRUE(screen->TakeRequest());
      AwaitClockReads(clock, readsBefore + 1);  // the window opened
      clock.Advance(windowMs - 1);
      const uint64_t readsBeforeNoise = clock.reads();
      screen->SendNoise(c.cmd);
      // Woken by the noise, the exchange reads the clock and then either sends again (reading it
      // as the next window opens) or waits on (reading it after the wait).
      AwaitClockReads(clock, readsBeforeNoise + 2);
      EXPECT_TRUE(screen->QuietFor(0)) << "tried again before its window ended";
      clock.Advance(1);
      screen->SendNoise(c.cmd);
      EXPECT_TRUE(screen->TakeRequest()) << "did not try again when its window ended";
      screen->Answer(c.cmd);  // ends the command on every path above
      EXPECT_EQ(result.get(), Status::Ok);
    }
  }
}

// ---- Whole receive windows (labelled slow) -----------------------------------------------

struct Timed {
  int32_t result;
  std::chrono::milliseconds elapsed;
};

template <class Fn>
Timed TimeCall(Fn&& fn) {
  const auto start = std::chrono::steady_clock::now();
  const int32_t result = fn();
  return {result, std::chrono::duration_cast<std::chrono::milliseconds>(
                      std::chrono::steady_clock::now() - start)};
}

// A UDP descriptor for a screen that the test plays by hand.
DevParam UdpParamTo(const RawScreen& screen) {
  DevParam p{};
  p.devType = 1;
  p.rmtPort = screen.port();
  std::strcpy(p.RmtIP, "127.0.0.1");
  return p;
}

TEST(SlowWindows, UnansweredQueryOverUdpEndsAfterThreeWindows) {
  RawScreen nobody;
  const DevParam p = UdpParamTo(nobody);
  const Timed t = TimeCall([&] { return LED_GetBright(p); });
  EXPECT_EQ(t.result, -1);
  EXPECT_GE(t.elapsed, 4500ms);
  EXPECT_LT(t.elapsed, 5900ms);  // not a fourth window
}

// Each window ends on its deadline, not on a coarse timer that can run a quarter of a second
// over on a 3 s wait.
TEST(SlowWindows, UnansweredBrightnessOverUdpEndsOnItsDeadlines) {
  RawScreen nobody;
  const DevParam p = UdpParamTo(nobody);
  const Timed t = TimeCall([&] { return LED_SetBright(p, 5); });
  EXPECT_EQ(t.result, 0);
  EXPECT_GE(t.elapsed, 9000ms);
  EXPECT_LT(t.elapsed, 9150ms);
}

TEST(SlowWindows, UnansweredBrightnessOverSerialEndsAfterFifteenSeconds) {
  sim::Faults silent;
  silent.silent = true;
  ExportedScreen harness(silent);
  const Timed t = TimeCall([&] { return LED_SetBright(harness.SerialParam(), 5); });
  EXPECT_EQ(t.result, 0);
  EXPECT_GE(t.elapsed, 15000ms);
  EXPECT_LT(t.elapsed, 19000ms);  // not a fourth window
  EXPECT_EQ(harness.screen().State().requests, 3u);
}

// Replies that never count: each case costs the power command's three 1 s windows.
class SlowUnanswered : public ::testing::TestWithParam<const char*> {};

TEST_P(SlowUnanswered, PowerCommandReturnsZeroAfterThreeTries) {
  sim::Faults faults;
  const std::string name = GetParam();
  if (name == "silent") faults.silent = true;
  if (name == "other source port") faults.otherSourcePort = true;
  if (name == "corrupted replies") faults.corruptReplyShare = 1.0;
  ExportedScreen harness(faults, name == "another address" ? 2 : 1);
  const Timed t = TimeCall([&] { return LED_SetPower(harness.UdpParam(1), 1); });
  EXPECT_EQ(t.result, 0);
  EXPECT_GE(t.elapsed, 3000ms);
  EXPECT_LT(t.elapsed, 3900ms);  // not a fourth window
}

INSTANTIATE_TEST_SUITE_P(SlowFaults, SlowUnanswered,
                         ::testing::Values("silent", "other source port", "corrupted replies",
                                           "another address"),
                         [](const auto& info) {
                           std::string n = info.param;
                           for (char& c : n)
                             if (c == ' ') c = '_';
                           return n;
                         });

}  // namespace
}  // namespace veltrane
