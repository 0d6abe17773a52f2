// SPDX-License-Identifier: MIT
// The veltrane subcommands against a simulated screen in this process: what they print, what they
// say on stderr and the exit status.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <variant>

#include "capture.h"
#include "commands.h"
#include "image/png.h"
#include "link/target.h"
#include "program/program_reader.h"
#include "screen_commands.h"
#include "shared/input_file.h"
#include "shared/time_text.h"
#include "sim/screen.h"
#include "simulated_screen.h"
#include "support/non_serial_paths.h"
#include "support/screen_harness.h"

namespace veltrane::cli {
namespace {

using testing::Capture;
using testing::Outcome;
using testing::TempPath;

const std::filesystem::path kExamples = std::filesystem::path(VELTRANE_SOURCE_DIR) / "examples";

class Subcommands : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(harness_.started());
    harness_.screen().SetValidator(sim::CheckProgram);
    connection_.udp = "127.0.0.1:" + std::to_string(harness_.screen().udpPort());
  }
  veltrane::testing::ScreenHarness harness_;
  Connection connection_;
};

TEST_F(Subcommands, DeviceCommandsPrintWhatTheScreenSays) {
  struct Case {
    std::function<int()> command;
    std::string out;
  };
  const Case cases[] = {
      {[&] { return Power(connection_, "off"); }, "power off\n"},
      {[&] { return Power(connection_, std::nullopt); }, "off\n"},
      {[&] { return Power(connection_, "on"); }, "power on\n"},
      {[&] { return Power(connection_, std::nullopt); }, "on\n"},
      {[&] { return Brightness(connection_, 12); }, "brightness 12\n"},
      {[&] { return Brightness(connection_, std::nullopt); }, "12\n"},
      {[&] { return Reset(connection_); }, "reset\n"},
  };
  for (const Case& c : cases) {
    const Outcome run = Capture(c.command);
    EXPECT_EQ(run.status, kExitOk) << run.err;
    EXPECT_EQ(run.out, c.out);
    EXPECT_EQ(run.err, "");
  }
  const Outcome sync = Capture([&] { return SyncTime(connection_); });
  EXPECT_EQ(sync.status, kExitOk);
  EXPECT_EQ(sync.out.rfind("clock set to ", 0), 0u);
  EXPECT_TRUE(harness_.screen().State().clock.has_value());
}

TEST_F(Subcommands, AHostNameIsFoundBeforeAnythingIsSent) {
  Connection named = connection_;
  named.udp = "LOCALHOST:" + std::to_string(harness_.screen().udpPort());
  const Outcome run = Capture([&] { return Power(named, "off"); });
  EXPECT_EQ(run.status, kExitOk) << run.err;
  EXPECT_EQ(run.out, "power off\n");
}

TEST_F(Subcommands, DeviceResultsAsJson) {
  const Reporting json{.json = true};
  const std::string where = "udp " + connection_.udp;
  struct Case {
    std::function<int()> command;
    nlohmann::json value;
  };
  const Case cases[] = {
      {[&] { return Power(connection_, "off", json); }, "off"},
      {[&] { return Power(connection_, std::nullopt, json); }, "off"},
      {[&] { return Power(connection_, "on", json); }, "on"},
      {[&] { return Power(connection_, std::nullopt, json); }, "on"},
      {[&] { return Brightness(connection_, 12, json); }, 12},
      {[&] { return Brightness(connection_, std::nullopt, json); }, 12},
      {[&] { return Reset(connection_, json); }, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value.dump());
    const Outcome run = Capture(c.command);
    EXPECT_EQ(run.status, kExitOk) << run.err;
    const nlohmann::json screens = nlohmann::json::parse(run.out);
    ASSERT_EQ(screens.size(), 1u);
    EXPECT_EQ(screens[0]["value"], c.value);
    EXPECT_EQ(screens[0]["target"], where);
    EXPECT_EQ(screens[0]["result"], "ok");
    EXPECT_EQ(screens[0]["packets"], 1);
    EXPECT_EQ(run.err, "");
  }
  // A screen's power value that is neither on nor off is given as the number it is.
  harness_.screen().SetPower(7);
  const Outcome seven = Capture([&] { return Power(connection_, std::nullopt, json); });
  EXPECT_EQ(nlohmann::json::parse(seven.out)[0]["value"], 7);
  const Outcome sync = Capture([&] { return SyncTime(connection_, json); });
  ASSERT_EQ(sync.status, kExitOk);
  // The screen's clock has run on since it was set, across a second's turn at most.
  const std::string setTo = nlohmann::json::parse(sync.out)[0]["value"];
  const std::string screenNow = tools::DateTimeText(harness_.screen().State().clock.value());
  const auto set = tools::ParseDateTime(setTo);
  ASSERT_TRUE(set.has_value()) << setTo;
  EXPECT_TRUE(screenNow == setTo ||
              screenNow == tools::DateTimeText(sim::AdvanceLocalTime(*set, 1000)))
      << setTo << " then " << screenNow;
  const Outcome sent = Capture([&] { return Send(connection_, kExamples / "hello.json", json); });
  const nlohmann::json upload = nlohmann::json::parse(sent.out)[0];
  EXPECT_EQ(upload["packets"], 94);
  EXPECT_EQ(upload["bytes"], 47012);

  // A screen that did not answer is in the JSON too, beside the sentence on stderr.
  Connection nobody;
  nobody.udp = "127.0.0.1:9";
  ScreenChoice briefly(nobody);
  briefly.tries = {1, 50};
  const Outcome silent = Capture([&] { return Reset(briefly, json); });
  EXPECT_EQ(silent.status, kExitScreen);
  const nlohmann::json failed = nlohmann::json::parse(silent.out)[0];
  EXPECT_EQ(failed["result"], "no answer");
  EXPECT_EQ(failed["error"], "the screen did not answer");
  EXPECT_NE(silent.err.find("the screen did not answer"), std::string::npos);
}

TEST_F(Subcommands, UnusualBrightnessIsWarnedAboutAndStrictSendsNothing) {
  struct Case {
    int32_t value;
    bool warned;
  };
  const Case cases[] = {{0, false}, {15, false}, {16, true}, {-1, true}, {1000, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    harness_.screen().SetBrightness(8);
    const Outcome lenient = Capture([&] { return Brightness(connection_, c.value); });
    EXPECT_EQ(lenient.status, kExitOk);
    EXPECT_EQ(harness_.screen().State().brightness, c.value);  // sent as it is
    EXPECT_EQ(lenient.err.empty(), !c.warned) << lenient.err;
    if (c.warned) {
      EXPECT_EQ(lenient.err, "veltrane: warning: brightness " + std::to_string(c.value) +
                                 " is outside 0..15, the levels screens usually take, so a "
                                 "screen may ignore or misread it\n");
    }

    harness_.screen().SetBrightness(8);
    const Outcome strict =
        Capture([&] { return Brightness(connection_, c.value, {.strict = true}); });
    EXPECT_EQ(strict.status, c.warned ? kExitUsage : kExitOk);
    EXPECT_EQ(harness_.screen().State().brightness, c.warned ? 8 : c.value);
    EXPECT_EQ(strict.err, lenient.err);
  }
}

TEST_F(Subcommands, StrictSendSendsNothingWhenWarned) {
  const auto file = TempPath("empty_page.json");
  std::ofstream(file) << R"({"pages": [{}]})";
  const Outcome strict = Capture([&] { return Send(connection_, file, {.strict = true}); });
  EXPECT_EQ(strict.status, kExitUsage);
  EXPECT_EQ(strict.err, "veltrane: warning: page 1 has no areas, so it shows nothing\n");
  EXPECT_EQ(strict.out, "");
  EXPECT_TRUE(harness_.screen().LastProgram().empty());
  const Outcome lenient = Capture([&] { return Send(connection_, file); });
  std::filesystem::remove(file);
  EXPECT_EQ(lenient.status, kExitOk) << lenient.err;
  EXPECT_EQ(lenient.err, strict.err);
  EXPECT_FALSE(harness_.screen().LastProgram().empty());
}

TEST_F(Subcommands, BadOptionsAreUsageErrorsInOneSentence) {
  struct Case {
    Connection connection;
    const char* error;
  };
  const Case cases[] = {
      {{"", 0, "", 57600, 1}, "say where the screen is"},
      {{"sign.invalid", 0, "", 57600, 1}, "cannot find an IPv4 address for \"sign.invalid\""},
      {{"127.0.0.1:99999", 0, "", 57600, 1}, "bad port"},
      {{"127.0.0.1:", 0, "", 57600, 1}, "bad port"},
      {{"127.0.0.1", 0, "", 57600, 300}, "--address: expected 0..255"},
      {{"", 0, "/dev/null", 1200, 1}, "--baud"},
      {{"127.0.0.1", 70000, "", 57600, 1}, "--local-port"},
      {{"127.0.0.1", 0, "/dev/null", std::nullopt, 1},
       "--udp and --serial cannot be used together"},
      {{"127.0.0.1", 0, "", 9600, 1}, "--baud sets a serial line's speed"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.error);
    const Outcome run = Capture([&] { return Reset(c.connection); });
    EXPECT_EQ(run.status, kExitUsage);
    EXPECT_NE(run.err.find(c.error), std::string::npos) << run.err;
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1);
  }
  const Outcome badState = Capture([&] { return Power(connection_, "dim"); });
  EXPECT_EQ(badState.status, kExitUsage);
  Connection absent;
  absent.serial = "/nonexistent/ttyUSB9";
  const Outcome noDevice = Capture([&] { return Reset(absent); });
  EXPECT_EQ(noDevice.status, kExitUsage);
  EXPECT_NE(noDevice.err.find("cannot open /nonexistent/ttyUSB9"), std::string::npos);
  // What the system said, not a guess.
  EXPECT_NE(noDevice.err.find(": no such file or directory"), std::string::npos) << noDevice.err;
}

TEST_F(Subcommands, SendUploadsAProgramFileTheScreenReadsBack) {
  const Outcome run = Capture([&] { return Send(connection_, kExamples / "hello.json"); });
  ASSERT_EQ(run.status, kExitOk) << run.err;
  EXPECT_NE(run.out.find("sent 47012 bytes in 94 packets"), std::string::npos) << run.out;
  EXPECT_EQ(run.out.find('\r'), std::string::npos);  // no progress bar off a terminal
  const auto program = harness_.screen().LastProgram();
  EXPECT_EQ(program.size(), 47012u);
  EXPECT_TRUE(program::ReadProgram(program).ok());

  const auto broken = TempPath("broken.json");
  std::ofstream(broken) << R"({"pages": [{"areas": [{"kind": "clock", "rect": [0, 0, 1]}]}]})";
  const Outcome bad = Capture([&] { return Send(connection_, broken); });
  std::filesystem::remove(broken);
  EXPECT_EQ(bad.status, kExitUsage);
  EXPECT_NE(bad.err.find("pages[0].areas[0].rect: expected 4 integers"), std::string::npos)
      << bad.err;
}

TEST_F(Subcommands, SendReadsTheProgramBeforeItOpensAChannel) {
  const char block[] = "\x01\x00\x00\x00\x20\x00\x00\x00\x01\x00\x00\x00";
  const auto truncated = TempPath("send_truncated.bin");
  std::ofstream(truncated, std::ios::binary).write(block, 12);
  const std::string defect =
      program::ReadProgram(std::vector<uint8_t>(block, block + 12)).defect().message;
  Connection absent;
  absent.serial = "/nonexistent/ttyUSB9";
  for (const Connection& connection : {connection_, absent}) {
    const Outcome run = Capture([&] { return Send(connection, truncated); });
    EXPECT_EQ(run.status, kExitUsage);
    // Not "cannot open": the program was read first.
    EXPECT_EQ(run.err, "veltrane: " + truncated.string() + ": defect at byte 4: " + defect + "\n");
  }
  std::filesystem::remove(truncated);
  EXPECT_EQ(harness_.screen().State().requests, 0u);
}

// Waits out receive windows: the refused end packet's last two tries, a silent screen's three.
TEST_F(Subcommands, ARefusedUploadIsNotAnUnansweredOne) {
  const std::vector<uint8_t> notAProgram(600, 0x5A);  // two data packets: sequences 0..3
  Connection verbose = connection_;
  verbose.verbose = true;
  const Outcome refused = Capture([&] { return Send(verbose, notAProgram); });
  EXPECT_EQ(refused.status, kExitScreen);
  // The refusal shows as it arrives; the end packet is still tried three times.
  EXPECT_EQ(refused.err.substr(refused.err.rfind("reply")),
            "reply: address 0 answers upload-end seq 3, status 0, refused\n"
            "try 2 of 3: sent upload-end seq 3 (12 bytes), waiting 1000 ms\n"
            "try 3 of 3: sent upload-end seq 3 (12 bytes), waiting 1000 ms\n"
            "veltrane: the screen at " +
                connection_.udp +
                " answered but refused the end packet (4 of 4, status 0); it did not take the "
                "program\n");
  EXPECT_EQ(harness_.screen().State().programsRejected, 1u);

  sim::Faults silent;
  silent.silent = true;
  veltrane::testing::ScreenHarness quiet(silent);
  ASSERT_TRUE(quiet.started());
  Connection toQuiet;
  toQuiet.udp = "127.0.0.1:" + std::to_string(quiet.screen().udpPort());
  toQuiet.verbose = true;
  const Outcome unanswered = Capture([&] { return Send(toQuiet, notAProgram); });
  EXPECT_EQ(unanswered.status, kExitScreen);
  // Every try shows while it waits, then the one sentence.
  EXPECT_EQ(unanswered.err.substr(unanswered.err.find("try 2")),
            "try 2 of 3: sent upload-start seq 0 (12 bytes), waiting 1000 ms\n"
            "try 3 of 3: sent upload-start seq 0 (12 bytes), waiting 1000 ms\n"
            "veltrane: the screen at " +
                toQuiet.udp + ": the screen did not answer\n");

  // A data packet refused on every try is named by its sequence number too.
  sim::Faults refuseData;
  refuseData.packetFaults = {{2, sim::AckFault::StatusZero, 3}};
  veltrane::testing::ScreenHarness refusing(refuseData);
  ASSERT_TRUE(refusing.started());
  Connection toRefusing;
  toRefusing.udp = "127.0.0.1:" + std::to_string(refusing.screen().udpPort());
  const Outcome midway = Capture([&] { return Send(toRefusing, notAProgram); });
  EXPECT_EQ(midway.status, kExitScreen);
  EXPECT_EQ(midway.err, "veltrane: the screen at " + toRefusing.udp +
                            " answered but refused data packet 2 (3 of 4, status 0); it did not "
                            "take the program\n");
}

TEST_F(Subcommands, VerboseShowsTheTryAndTheReplyOnStderrOnly) {
  Connection verbose = connection_;
  verbose.verbose = true;
  const Outcome run = Capture([&] { return Brightness(verbose, 7); });
  EXPECT_EQ(run.status, kExitOk);
  EXPECT_EQ(run.out, "brightness 7\n");
  EXPECT_EQ(run.err,
            "try 1 of 3: sent set-bright (12 bytes), waiting 3000 ms\n"
            "reply: address 0 answers set-bright with value 7, status 1, accepted\n");
}

TEST_F(Subcommands, TriesAndWindowAreTheRunsToChoose) {
  sim::Faults silent;
  silent.silent = true;
  veltrane::testing::ScreenHarness quiet(silent);
  ASSERT_TRUE(quiet.started());
  Connection toQuiet;
  toQuiet.udp = "127.0.0.1:" + std::to_string(quiet.screen().udpPort());
  toQuiet.verbose = true;
  ScreenChoice briefly(toQuiet);
  briefly.tries = {2, 150};
  const Outcome run = Capture([&] { return Reset(briefly); });
  EXPECT_EQ(run.status, kExitScreen);
  EXPECT_EQ(run.err,
            "try 1 of 2: sent reset (12 bytes), waiting 150 ms\n"
            "try 2 of 2: sent reset (12 bytes), waiting 150 ms\n"
            "veltrane: the screen at " +
                toQuiet.udp + ": the screen did not answer\n");
  EXPECT_EQ(quiet.screen().State().requests, 2u);
}

TEST_F(Subcommands, SerialConnectionsReachTheScreenToo) {
  Connection serial;
  serial.serial = harness_.screen().terminalPath();
  serial.baud = 115200;
  const Outcome run = Capture([&] { return Brightness(serial, 3); });
  EXPECT_EQ(run.status, kExitOk) << run.err;
  EXPECT_EQ(harness_.screen().State().brightness, 3);
  // The device is opened by its path: no COM port number stands for it.
  const auto target = TargetFor(serial);
  ASSERT_TRUE(target);
  EXPECT_EQ(target->devicePath, harness_.screen().terminalPath());
  EXPECT_EQ(target->bitsPerSecond, 115200);
}

TEST(SerialOption, APathThatIsNoSerialLineIsRefusedUntouched) {
  const veltrane::testing::NonSerialPaths paths;
  for (const auto& entry : paths.entries()) {
    SCOPED_TRACE(entry.kind);
    Connection connection;
    connection.serial = entry.path;
    const Outcome run = Capture([&] { return Power(connection, std::nullopt); });
    EXPECT_EQ(run.status, kExitUsage);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err,
              "veltrane: cannot open " + entry.path + ": the device path is not a serial line\n");
  }
  EXPECT_EQ(paths.WhatChanged(), "");
}

TEST(Inspect, ShowsTheTreeOrPointsAtTheFirstDefect) {
  const Outcome good = Capture([] { return Inspect(kExamples / "hello.json"); });
  EXPECT_EQ(good.status, kExitOk);
  EXPECT_EQ(good.out.rfind("@0 root: rootType 1, pageCount 1, programLength 47012", 0), 0u)
      << good.out;

  const auto truncated = TempPath("truncated.bin");
  std::ofstream(truncated, std::ios::binary)
      .write("\x01\x00\x00\x00\x20\x00\x00\x00\x01\x00\x00\x00", 12);
  const Outcome bad = Capture([&] { return Inspect(truncated); });
  std::filesystem::remove(truncated);
  EXPECT_EQ(bad.status, kExitUsage);
  EXPECT_NE(bad.err.find("defect at byte 4"), std::string::npos) << bad.err;
}

TEST(Preview, PicturesTheLogoWhereItsAreaIs) {
  const auto out = TempPath("preview.png");
  const Outcome run = Capture([&] {
    return Preview(kExamples / "hello.json", out, {2026, 12, 3, 9, 10, 8, 30, 0}, {.scale = 1});
  });
  ASSERT_EQ(run.status, kExitOk) << run.err;
  const auto read = tools::ReadPngInput(out);
  std::filesystem::remove(out);
  ASSERT_TRUE(read);
  const auto& image = *read;
  EXPECT_EQ(image.width, 128);
  EXPECT_EQ(image.height, 48);
  // The logo sits at (112, 32): a yellow frame, a red diagonal, black elsewhere.
  const auto rgb = [&](int x, int y) {
    const uint8_t* p = image.PixelAt(x, y);
    return std::array<int, 3>{p[0], p[1], p[2]};
  };
  EXPECT_EQ(rgb(112, 32), (std::array<int, 3>{255, 255, 0}));
  EXPECT_EQ(rgb(117, 37), (std::array<int, 3>{255, 0, 0}));
  EXPECT_EQ(rgb(114, 40), (std::array<int, 3>{0, 0, 0}));
  EXPECT_EQ(tools::ParseTimeOfDay("25:00:00", {}), std::nullopt);
  EXPECT_EQ(tools::ParseTimeOfDay("10:08", {})->minute, 8);
}

TEST(Demo, SendsTheDemoProgramAndPicturesIt) {
  const auto out = TempPath("demo.png");
  const Outcome run = Capture([&] { return Demo(out); });
  ASSERT_EQ(run.status, kExitOk) << run.err;
  EXPECT_NE(run.out.find("the screen accepted the program"), std::string::npos) << run.out;
  const auto read = tools::ReadPngInput(out);
  std::filesystem::remove(out);
  ASSERT_TRUE(read);
  EXPECT_EQ(read->width, 160 * 4);
}

}  // namespace
}  // namespace veltrane::cli
