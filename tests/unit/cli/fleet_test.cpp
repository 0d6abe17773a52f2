// SPDX-License-Identifier: MIT
// Driving fleets: which screens share a lane, the live display, and the commands with --to
// against simulated screens (results, table, JSON read back, exit statuses, --only, --retry,
// status).
#include "fleet.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <nlohmann/json.hpp>
#include <set>
#include <thread>

#include "commands.h"
#include "common/status_text.h"
#include "fleet_display.h"
#include "protocol/fleet.h"
#include "screen_commands.h"
#include "sim/screen.h"
#include "sim/simulator.h"
#include "support/non_serial_paths.h"
#include "support/screen_harness.h"
#include "support/test_programs.h"

namespace veltrane::cli {
namespace {

using ::testing::internal::CaptureStderr;
using ::testing::internal::CaptureStdout;
using ::testing::internal::GetCapturedStderr;
using ::testing::internal::GetCapturedStdout;

struct Captured {
  int status;
  std::string out;
  std::string err;
};

template <class Command>
Captured Capture(Command command) {
  CaptureStdout();
  CaptureStderr();
  const int status = command();
  return {status, GetCapturedStdout(), GetCapturedStderr()};
}

std::filesystem::path TempPath(const std::string& name) {
  return std::filesystem::temp_directory_path() /
         ("veltrane_fleet_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
          "_" + name);
}

std::vector<tools::FleetScreen> Fleet(const std::string& text) {
  auto parsed = tools::ParseFleetFile(text, "fleet");
  if (!parsed) {
    ADD_FAILURE() << StatusText(parsed.error());
    return {};
  }
  return *std::move(parsed);
}

TEST(FleetLanes, ScreensOnOneLineOrEndpointTakeTurns) {
  const auto device = TempPath("tty");
  const auto alias = TempPath("tty-alias");
  std::ofstream(device) << "";
  std::filesystem::remove(alias);
  std::filesystem::create_symlink(device, alias);
  struct Case {
    std::string fleet;
    std::vector<std::vector<size_t>> lanes;
  };
  const Case cases[] = {
      {"udp 10.0.0.1\nudp 10.0.0.2\nudp 10.0.0.1:7000\n", {{0}, {1}, {2}}},
      {"udp 10.0.0.1\nudp 10.0.0.2\nudp 10.0.0.1 --address 2\n", {{0, 2}, {1}}},
      {"serial /dev/ttyS0\nudp 10.0.0.1\nserial /dev/ttyS0 --address 2\nserial /dev/ttyS1\n",
       {{0, 2}, {1}, {3}}},
      // One device however its path is spelled.
      {"serial " + device.string() + "\nserial " + alias.string() + " --address 2\n", {{0, 1}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.fleet);
    std::vector<link::Target> targets;
    for (const tools::FleetScreen& screen : Fleet(c.fleet)) targets.push_back(screen.target);
    EXPECT_EQ(protocol::FleetLanes(targets), c.lanes);
  }
  std::filesystem::remove(alias);
  std::filesystem::remove(device);
}

TEST(LiveLine, ShowsWhereEachScreenIs) {
  const auto screens = Fleet("udp 10.0.0.1 name=Lobby\n");
  TurnProgress progress;
  EXPECT_EQ(LiveLine(screens[0], progress, 79), "Lobby  udp 10.0.0.1:6666  waiting");
  progress.phase = TurnProgress::Running;
  EXPECT_EQ(LiveLine(screens[0], progress, 79), "Lobby  udp 10.0.0.1:6666  running");
  progress.packetsTotal = 4;
  progress.packetsDone = 1;
  EXPECT_EQ(LiveLine(screens[0], progress, 79),
            "Lobby  udp 10.0.0.1:6666  [#####...............] 25%");
  progress.status = Status::Timeout;
  progress.phase = TurnProgress::Done;
  EXPECT_EQ(LiveLine(screens[0], progress, 79), "Lobby  udp 10.0.0.1:6666  no answer");
}

TEST(LiveLine, FitsTheWidthGivingUpTheNameFirstThenTheTarget) {
  const auto screens = Fleet("udp 10.0.0.1 name=The screen above the main entrance hall\n");
  TurnProgress progress;
  progress.phase = TurnProgress::Running;
  progress.packetsTotal = 4;
  progress.packetsDone = 2;
  const std::string bar = "[##########..........] 50%";
  const std::pair<size_t, std::string> cases[] = {
      {120, "The screen above the main entrance hall  udp 10.0.0.1:6666  " + bar},
      {70, "The screen ab...  udp 10.0.0.1:6666  " + bar},
      {60, "The screen ab...  udp 10.0.0....  " + bar},
      {40, "The screen ab...  " + bar.substr(0, 22)},
      {10, "The screen"},
  };
  for (const auto& [width, line] : cases) {
    SCOPED_TRACE(width);
    EXPECT_EQ(LiveLine(screens[0], progress, width), line);
    EXPECT_LE(LiveLine(screens[0], progress, width).size(), width);
  }
}

sim::Faults SilentFaults() {
  sim::Faults faults;
  faults.silent = true;
  return faults;
}

sim::Faults RefusingFaults() {
  sim::Faults faults;
  faults.refusePrograms = true;
  return faults;
}

// What a live display wrote to a file while `progress` stood still for a few redraws.
std::string DisplayOutput(const std::vector<tools::FleetScreen>& screens,
                          const std::vector<TurnProgress>& progress) {
  std::FILE* file = std::tmpfile();
  {
    LiveDisplay display(screens, progress, file);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
  }
  std::string text(static_cast<size_t>(std::ftell(file)), '\0');
  std::rewind(file);
  text.resize(std::fread(text.data(), 1, text.size(), file));
  std::fclose(file);
  return text;
}

TEST(LiveDisplay, RedrawsItsBlockInPlaceAndWipesItAtTheEnd) {
  struct Case {
    size_t screens;
    size_t running;     // the index of the one screen running
    size_t blockLines;  // screens shown and the count
    const char* count;
  };
  const Case cases[] = {
      {3, 1, 4, "0 of 3 done, 1 running, 0 failed"},
      {LiveDisplay::kMaxLiveScreens + 4, 7, 2, "0 of 20 done, 1 running, 0 failed"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.screens);
    std::string text;
    for (size_t i = 0; i < c.screens; ++i) text += "udp 10.0.1." + std::to_string(i) + "\n";
    const auto screens = Fleet(text);
    std::vector<TurnProgress> progress(screens.size());
    progress[c.running].phase = TurnProgress::Running;
    const std::string out = DisplayOutput(screens, progress);
    EXPECT_NE(out.find(c.count), std::string::npos) << out;
    EXPECT_NE(out.find("-  udp 10.0.1." + std::to_string(c.running) + ":6666  running"),
              std::string::npos);
    // Every redraw after the first goes back up over the block; the last wipes it.
    const std::string up = "\x1b[" + std::to_string(c.blockLines) + "A";
    EXPECT_NE(out.find(up), std::string::npos);
    EXPECT_TRUE(out.ends_with(up + "\r\x1b[J")) << out;
  }
}

constexpr Reporting kJson{.json = true};

// A real program, which the command's own check before sending passes.
const std::filesystem::path kHello =
    std::filesystem::path(VELTRANE_SOURCE_DIR) / "examples/hello.json";

std::vector<uint8_t> HelloBlock() {
  auto built = LoadProgramBlock(kHello);
  return *std::move(built);
}

// Simulated screens for fleet runs: `ok` accepts any block, `refusing` refuses every program at
// its end packet (whatever its validator says), `silent` answers nothing.
class FleetCommands : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(ok_.started() && other_.started() && refusing_.started() && silent_.started());
    for (testing::ScreenHarness* harness : {&ok_, &other_, &refusing_, &silent_})
      harness->screen().SetValidator(sim::CheckProgramLength);
  }
  void TearDown() override { std::filesystem::remove(fleetFile_); }

  std::string UdpLine(const testing::ScreenHarness& harness) const {
    return "udp 127.0.0.1:" + std::to_string(harness.screen().udpPort());
  }
  FleetOptions WriteFleet(const std::string& text) {
    std::ofstream(fleetFile_) << text;
    FleetOptions fleet;
    fleet.file = fleetFile_.string();
    return fleet;
  }

  testing::ScreenHarness ok_, other_;
  testing::ScreenHarness refusing_{RefusingFaults()};
  testing::ScreenHarness silent_{SilentFaults()};
  std::filesystem::path fleetFile_ = TempPath("fleet.txt");
};

TEST_F(FleetCommands, SendReportsEachScreenAndFailsWhenOneDidNot) {
  const FleetOptions fleet =
      WriteFleet(UdpLine(ok_) + " name=first\n" + UdpLine(refusing_) + " name=refusing\n" +
                 UdpLine(silent_) + " name=silent\n" + "serial " + other_.screen().terminalPath() +
                 " --baud 115200 name=on the line\n");
  const std::vector<uint8_t> block = HelloBlock();
  const Captured run = Capture([&] { return Send(fleet, kHello, kJson); });

  EXPECT_EQ(run.status, kExitScreen);
  EXPECT_EQ(run.err, "veltrane: 2 of 4 screens did not succeed\n");
  const nlohmann::json results = nlohmann::json::parse(run.out);
  ASSERT_EQ(results.size(), 4u);
  const std::string ok = "ok";
  const std::string noAnswer = "no answer";
  EXPECT_EQ(results[0]["name"], "first");
  EXPECT_EQ(results[0]["result"], ok);
  EXPECT_EQ(results[0]["target"], UdpLine(ok_));
  EXPECT_EQ(results[0]["address"], 1);
  EXPECT_TRUE(results[0]["error"].is_null());
  EXPECT_EQ(results[1]["result"], "refused");
  EXPECT_EQ(results[2]["result"], noAnswer);
  EXPECT_EQ(results[2]["error"], "the screen did not answer");
  EXPECT_GE(results[2]["milliseconds"].get<double>(), 2900);  // three tries of a second each
  EXPECT_EQ(results[3]["name"], "on the line");
  EXPECT_EQ(results[3]["result"], ok);
  EXPECT_EQ(ok_.screen().LastProgram(), block);
  EXPECT_EQ(other_.screen().LastProgram(), block);
  EXPECT_TRUE(refusing_.screen().LastProgram().empty());
}

TEST_F(FleetCommands, AnUnansweredPacketIsTriedAgainAndOneEndpointTakesTurns) {
  sim::Faults dropOnce;
  dropOnce.packetFaults = {{3, sim::AckFault::Drop, 1}};
  testing::ScreenHarness dropping(dropOnce);
  dropping.screen().SetValidator(sim::CheckProgramLength);
  // The screen answers its address and 255: two screens at one endpoint, one after the other.
  const FleetOptions fleet =
      WriteFleet(UdpLine(dropping) + "\n" + UdpLine(dropping) + " --address 255\n");
  const std::vector<uint8_t> block = HelloBlock();
  const Captured run = Capture([&] { return Send(fleet, kHello, kJson); });
  ASSERT_EQ(run.status, kExitOk) << run.err;
  const nlohmann::json results = nlohmann::json::parse(run.out);
  EXPECT_EQ(results[0]["result"], "ok");
  EXPECT_GE(results[0]["milliseconds"].get<double>(), 950);  // the dropped packet's window ran out
  EXPECT_EQ(results[1]["result"], "ok");
  EXPECT_EQ(dropping.screen().State().programsAccepted, 2u);
  EXPECT_EQ(dropping.screen().LastProgram(), block);
}

TEST_F(FleetCommands, EachScreensWindowsCloseOnTheirOwnWhateverTheOrder) {
  // Four screens at once, whose unanswered windows close in another order than they opened.
  struct Case {
    uint32_t sequence;  // the packet whose acknowledgement is dropped
    uint32_t times;     // in that many of its windows
    const char* result;
    double atLeastSeconds;
    double underSeconds;
  };
  const Case cases[] = {
      {1, 2, "ok", 1.95, 2.9},        // two windows ran out, the third try was answered
      {3, 1, "ok", 0.95, 1.9},        // one window ran out
      {0, 3, "no answer", 2.9, 3.9},  // every try of the start packet went unanswered
      {99, 1, "ok", 0.0, 0.9},        // no such packet: nothing is dropped
  };
  std::vector<std::unique_ptr<testing::ScreenHarness>> screens;
  std::string text;
  for (const Case& c : cases) {
    sim::Faults faults;
    faults.packetFaults = {{c.sequence, sim::AckFault::Drop, c.times}};
    screens.push_back(std::make_unique<testing::ScreenHarness>(faults));
    screens.back()->screen().SetValidator(sim::CheckProgramLength);
    text += UdpLine(*screens.back()) + "\n";
  }
  const Captured run = Capture([&] { return Send(WriteFleet(text), kHello, kJson); });
  const nlohmann::json results = nlohmann::json::parse(run.out);
  ASSERT_EQ(results.size(), std::size(cases));
  for (size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(results[i]["result"], cases[i].result);
    EXPECT_GE(results[i]["milliseconds"].get<double>() / 1000, cases[i].atLeastSeconds);
    EXPECT_LT(results[i]["milliseconds"].get<double>() / 1000, cases[i].underSeconds);
  }
}

TEST_F(FleetCommands, QueriesAndSettingsShowInTheTable) {
  const FleetOptions fleet =
      WriteFleet(UdpLine(ok_) + " name=a\n" + UdpLine(other_) + "\n" + "serial " +
                 other_.screen().terminalPath() + " --address 255 name=c\n");
  ok_.screen().SetPower(0);
  struct Case {
    std::function<int()> command;
    std::vector<std::string> results;  // for a, the unnamed screen and c
  };
  const Case cases[] = {
      {[&] { return Power(fleet, std::nullopt); }, {"off", "on", "on"}},
      {[&] { return Brightness(fleet, 9); }, {"ok", "ok", "ok"}},
      {[&] { return Brightness(fleet, std::nullopt); }, {"9", "9", "9"}},
      {[&] { return SyncTime(fleet); }, {"ok", "ok", "ok"}},
      {[&] { return Reset(fleet); }, {"ok", "ok", "ok"}},
  };
  for (const Case& c : cases) {
    const Captured run = Capture(c.command);
    EXPECT_EQ(run.status, kExitOk) << run.err;
    EXPECT_EQ(run.err, "");
    // A heading, a row per screen in the fleet's order, the count.
    std::vector<std::string> lines;
    std::istringstream rows(run.out);
    for (std::string line; std::getline(rows, line);) lines.push_back(line);
    ASSERT_EQ(lines.size(), 5u) << run.out;
    EXPECT_EQ(lines[0].rfind("name", 0), 0u);
    const char* names[] = {"a ", "- ", "c "};
    for (size_t i = 0; i < 3; ++i) {
      SCOPED_TRACE(lines[i + 1]);
      EXPECT_EQ(lines[i + 1].rfind(names[i], 0), 0u);
      EXPECT_NE(lines[i + 1].find("  " + c.results[i] + "  "), std::string::npos);
    }
    EXPECT_EQ(lines[4].rfind("3 of 3 screens ok in ", 0), 0u);
  }
  EXPECT_TRUE(ok_.screen().State().clock.has_value());
}

TEST_F(FleetCommands, AScreenThatCannotBeTriedFailsTheRunWithTheSystemsReason) {
  const FleetOptions fleet =
      WriteFleet(UdpLine(ok_) + "\nserial /nonexistent/ttyUSB9 name=nowhere\n");
  const Captured run = Capture([&] { return Reset(fleet); });
  EXPECT_EQ(run.status, kExitUsage);
  EXPECT_NE(run.out.find("nowhere  serial /nonexistent/ttyUSB9  failed"), std::string::npos)
      << run.out;
  EXPECT_NE(run.err.find("veltrane: nowhere: cannot open /nonexistent/ttyUSB9: "),
            std::string::npos)
      << run.err;
  EXPECT_NE(run.err.find(": no such file or directory\n"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("veltrane: 1 of 2 screens did not succeed\n"), std::string::npos);
  EXPECT_EQ(ok_.screen().State().requests, 1u);  // the other screen was reset all the same
}

TEST_F(FleetCommands, AScreenThatCannotBeTriedDecidesTheExitWhereverItIs) {
  const std::string nowhere = "serial /nonexistent/ttyUSB9\n";
  for (const std::string& text :
       {nowhere + UdpLine(silent_) + "\n", UdpLine(silent_) + "\n" + nowhere}) {
    SCOPED_TRACE(text);
    ScreenChoice fleet(WriteFleet(text));
    fleet.tries = {1, 100};
    EXPECT_EQ(Capture([&] { return Reset(fleet); }).status, kExitUsage);
  }
}

TEST_F(FleetCommands, OneJobDrivesOneScreenAtATime) {
  // Two screens at two endpoints, each acknowledging 2 ms late: with one job the second screen
  // hears nothing until the first has taken its whole program.
  sim::SimulatorOptions options;
  options.screens = 2;
  options.udpPort = 0;
  options.faults.delayMs = 2;
  std::vector<std::string> requests;
  options.log = [&](const std::string& line) { requests.push_back(line); };
  sim::Simulator screens(options);
  std::string error;
  ASSERT_TRUE(screens.Start(error)) << error;
  screens.SetValidator(sim::CheckProgramLength);
  FleetOptions one = WriteFleet("udp 127.0.0.1:" + std::to_string(screens.udpPort(0)) +
                                "\nudp 127.0.0.1:" + std::to_string(screens.udpPort(1)) + "\n");
  one.jobs = 1;
  ASSERT_EQ(Capture([&] { return Send(one, kHello); }).status, kExitOk);
  screens.Stop();
  const auto firstOfSecond = std::find_if(requests.begin(), requests.end(), [](const auto& line) {
    return line.starts_with("screen 1 ");
  });
  ASSERT_NE(firstOfSecond, requests.end());
  EXPECT_TRUE(std::prev(firstOfSecond)->find("screen 0 ") == 0 &&
              std::prev(firstOfSecond)->find("upload-end") != std::string::npos)
      << *std::prev(firstOfSecond);
  EXPECT_TRUE(std::all_of(firstOfSecond, requests.end(),
                          [](const auto& line) { return line.starts_with("screen 1 "); }));
}

TEST_F(FleetCommands, APathThatIsNoSerialLineIsRefusedUntouched) {
  const testing::NonSerialPaths paths;
  std::string text = UdpLine(ok_) + "\n";
  for (const auto& entry : paths.entries()) text += "serial " + entry.path + "\n";
  const Captured run = Capture([&] { return Reset(WriteFleet(text)); });
  EXPECT_EQ(run.status, kExitUsage);
  for (const auto& entry : paths.entries()) {
    SCOPED_TRACE(entry.kind);
    const size_t row = run.out.find("serial " + entry.path + " ");
    ASSERT_NE(row, std::string::npos) << run.out;
    EXPECT_NE(run.out.substr(row, run.out.find('\n', row) - row).find("  failed  "),
              std::string::npos)
        << run.out;
    EXPECT_NE(run.err.find("veltrane: -: cannot open " + entry.path +
                           ": the device path is not a serial line\n"),
              std::string::npos)
        << run.err;
  }
  EXPECT_EQ(ok_.screen().State().requests, 1u);
  EXPECT_EQ(paths.WhatChanged(), "");
}

TEST_F(FleetCommands, UnusableInputTouchesNoScreen) {
  const FleetOptions bad = WriteFleet(UdpLine(ok_) + "\nudp 127.0.0.1:0\n");
  const Captured badFleet = Capture([&] { return Reset(bad); });
  EXPECT_EQ(badFleet.status, kExitUsage);
  EXPECT_EQ(badFleet.err, "veltrane: " + fleetFile_.string() + ":2: udp: bad port \"0\"\n");
  EXPECT_EQ(badFleet.out, "");

  const FleetOptions good = WriteFleet(UdpLine(ok_) + "\n");
  const Captured badState = Capture([&] { return Power(good, "dim"); });
  EXPECT_EQ(badState.status, kExitUsage);
  const auto empty = TempPath("empty.bin");
  std::ofstream(empty, std::ios::binary).flush();
  const Captured emptyProgram = Capture([&] { return Send(good, empty); });
  std::filesystem::remove(empty);
  EXPECT_EQ(emptyProgram.status, kExitUsage);
  EXPECT_NE(emptyProgram.err.find("defect at byte 0"), std::string::npos);
  EXPECT_EQ(ok_.screen().State().requests, 0u);
}

// Short tries for screens that do not answer.
ScreenChoice Briefly(const FleetOptions& fleet) {
  ScreenChoice choice(fleet);
  choice.tries = {1, 200};
  return choice;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream rows(text);
  for (std::string line; std::getline(rows, line);) lines.push_back(line);
  return lines;
}

TEST_F(FleetCommands, OnlyAndRetryPickTheScreens) {
  FleetOptions fleet = WriteFleet(UdpLine(ok_) + " name=a\n" + UdpLine(silent_) + " name=b\n" +
                                  UdpLine(other_) + " name=c\n");
  fleet.only = {"a", "c"};
  const Captured some = Capture([&] { return Reset(Briefly(fleet)); });
  EXPECT_EQ(some.status, kExitOk) << some.err;
  ASSERT_EQ(Lines(some.out).size(), 4u) << some.out;  // heading, a, c, count
  EXPECT_EQ(Lines(some.out)[2].rfind("c ", 0), 0u);
  EXPECT_EQ(silent_.screen().State().requests, 0u);
  fleet.only = {"a", "x"};
  const Captured unknown = Capture([&] { return Reset(Briefly(fleet)); });
  EXPECT_EQ(unknown.status, kExitUsage);
  EXPECT_EQ(unknown.err, "veltrane: --only: " + fleet.file + " has no screen named \"x\"\n");

  // A whole run's JSON, then a run of only what failed in it.
  fleet.only.clear();
  const Captured all = Capture([&] { return Reset(Briefly(fleet), kJson); });
  EXPECT_EQ(all.status, kExitScreen);
  const auto earlier = TempPath("earlier.json");
  std::ofstream(earlier) << all.out;
  fleet.retry = earlier.string();
  const uint32_t okRequests = ok_.screen().State().requests;
  const Captured again = Capture([&] { return Reset(Briefly(fleet), kJson); });
  EXPECT_EQ(again.status, kExitScreen);
  const nlohmann::json results = nlohmann::json::parse(again.out);
  ASSERT_EQ(results.size(), 1u);
  EXPECT_EQ(results[0]["name"], "b");
  EXPECT_EQ(ok_.screen().State().requests, okRequests);

  // Nothing failed: nothing to do. A screen the fleet does not have: nothing is done.
  std::ofstream(earlier) << R"([{"target": ")" << UdpLine(ok_)
                         << R"(", "address": 1, "result": "ok"}])";
  const Captured none = Capture([&] { return Reset(Briefly(fleet)); });
  EXPECT_EQ(none.status, kExitOk);
  EXPECT_EQ(none.err,
            "veltrane: every screen in " + earlier.string() + " succeeded: nothing to run again\n");
  std::ofstream(earlier)
      << R"([{"target": "udp 10.9.9.9:6666", "address": 1, "result": "no answer"}])";
  const Captured stranger = Capture([&] { return Reset(Briefly(fleet)); });
  EXPECT_EQ(stranger.status, kExitUsage);
  EXPECT_NE(stranger.err.find("names a screen " + fleet.file + " does not have: udp 10.9.9.9:6666"),
            std::string::npos)
      << stranger.err;
  for (const char* notJson : {"[[", "[1e999999999]"}) {
    std::ofstream(earlier) << notJson;
    EXPECT_EQ(Capture([&] { return Reset(Briefly(fleet)); }).err,
              "veltrane: --retry: " + earlier.string() + ": not JSON\n")
        << notJson;
  }
  std::filesystem::remove(earlier);
  EXPECT_EQ(ok_.screen().State().requests, okRequests);
}

TEST_F(FleetCommands, StatusShowsPowerAndBrightnessInOneTable) {
  ok_.screen().SetPower(0);
  ok_.screen().SetBrightness(9);
  const FleetOptions fleet =
      WriteFleet(UdpLine(ok_) + " name=a\n" + UdpLine(silent_) + " name=b\n");
  const Captured table = Capture([&] { return ShowStatus(Briefly(fleet)); });
  EXPECT_EQ(table.status, kExitScreen);
  const std::vector<std::string> lines = Lines(table.out);
  ASSERT_EQ(lines.size(), 3u) << table.out;
  EXPECT_TRUE(lines[1].find(" off ") != std::string::npos && lines[1].ends_with("  9")) << lines[1];
  EXPECT_TRUE(lines[2].ends_with("  no answer  no answer")) << lines[2];
  EXPECT_EQ(silent_.screen().State().requests, 1u);  // asked its power only

  const Captured json = Capture([&] { return ShowStatus(Briefly(fleet), kJson); });
  const nlohmann::json results = nlohmann::json::parse(json.out);
  EXPECT_EQ(results[0]["value"]["power"], "off");
  EXPECT_EQ(results[0]["value"]["brightness"], 9);
  EXPECT_EQ(results[0]["result"], "ok");
  EXPECT_TRUE(results[1]["value"]["power"].is_null());
  EXPECT_EQ(results[1]["result"], "no answer");

  // One screen is a fleet of one.
  Connection one;
  one.udp = "127.0.0.1:" + std::to_string(ok_.screen().udpPort());
  const Captured single = Capture([&] { return ShowStatus(one); });
  EXPECT_EQ(single.status, kExitOk);
  ASSERT_EQ(Lines(single.out).size(), 2u) << single.out;
  EXPECT_TRUE(Lines(single.out)[1].ends_with("  9")) << single.out;
}

// Every subcommand's --json has one shape, for one screen as for a fleet: an array of objects with
// the same keys, whatever the screen answered.
TEST_F(FleetCommands, EveryCommandsJsonHasOneShape) {
  const std::set<std::string> keys = {"name",  "target",  "address", "result",      "error",
                                      "value", "packets", "bytes",   "milliseconds"};
  Connection one;
  one.udp = "127.0.0.1:" + std::to_string(ok_.screen().udpPort());
  ScreenChoice fleet =
      Briefly(WriteFleet(UdpLine(ok_) + " name=first\n" + UdpLine(silent_) + "\n"));
  const std::pair<ScreenChoice, size_t> runs[] = {{one, 1}, {fleet, 2}};
  for (const auto& [screens, count] : runs) {
    const std::function<int()> commands[] = {
        [&] { return Power(screens, std::nullopt, kJson); },
        [&] { return Power(screens, "on", kJson); },
        [&] { return Brightness(screens, std::nullopt, kJson); },
        [&] { return Brightness(screens, 5, kJson); },
        [&] { return Reset(screens, kJson); },
        [&] { return SyncTime(screens, kJson); },
        [&] { return Send(screens, kHello, kJson); },
        [&] { return ShowStatus(screens, kJson); },
    };
    for (size_t c = 0; c < std::size(commands); ++c) {
      SCOPED_TRACE("command " + std::to_string(c) + " of " + std::to_string(count) + " screens");
      const Captured run = Capture(commands[c]);
      const nlohmann::json results = nlohmann::json::parse(run.out);
      ASSERT_TRUE(results.is_array());
      ASSERT_EQ(results.size(), count);
      for (const nlohmann::json& screen : results) {
        std::set<std::string> found;
        for (const auto& [key, value] : screen.items()) found.insert(key);
        EXPECT_EQ(found, keys) << screen;
      }
      EXPECT_EQ(results[0]["result"], "ok") << run.err;
    }
  }
}

TEST(FleetExitStatus, TheWorstResultCountsWhateverTheOrder) {
  const auto result = [](Status::Code code) {
    protocol::ScreenResult r;
    r.outcome.status = code;
    return r;
  };
  struct Case {
    std::vector<Status::Code> codes;
    int status;
  };
  const Case cases[] = {
      {{Status::Ok, Status::Ok}, kExitOk},
      {{Status::Ok, Status::Cancelled}, kExitScreen},
      {{Status::Refused, Status::Ok}, kExitScreen},
      {{Status::OsError, Status::Timeout}, kExitUsage},  // one not even tried, then a silent one
      {{Status::Timeout, Status::OsError}, kExitUsage},
      {{Status::Timeout, Status::NoMemory, Status::Refused}, kExitUsage},
  };
  for (const Case& c : cases) {
    std::vector<protocol::ScreenResult> results;
    for (const Status::Code code : c.codes) results.push_back(result(code));
    EXPECT_EQ(FleetExitStatus(results), c.status) << c.codes.size() << " " << c.codes[0];
  }
}

}  // namespace
}  // namespace veltrane::cli
