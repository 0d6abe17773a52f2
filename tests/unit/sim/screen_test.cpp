// SPDX-License-Identifier: MIT
#include "sim/screen.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <vector>

#include "common/busy_count.h"
#include "common/byte_writer.h"
#include "platform/ipv4.h"
#include "protocol/packets.h"
#include "protocol/upload.h"
#include "sim/command_line.h"
#include "sim/serve.h"
#include "sim/simulator.h"

namespace veltrane::sim {
namespace {

using namespace veltrane::protocol;
using Bytes = std::vector<uint8_t>;

Bytes Request(uint16_t cmd, uint8_t devAddr, uint32_t value, const Bytes& rest = {}) {
  Bytes body(kPacketHeaderBytes + rest.size());
  ByteWriter out(body);
  out.Bytes(EncodePacketHeader({cmd, 0, devAddr, value}));
  out.Bytes(rest);
  return body;
}

// A program block of `length` (at least 12) bytes whose root record declares that length.
Bytes Program(uint32_t length, uint8_t fill = 0x5A) {
  Bytes p(length, fill);
  ByteWriter root(p);
  root.U16(1);       // rootType
  root.U16(0);       // pageCount
  root.U32(length);  // programLength
  root.U16(1);       // colorMode
  root.U16(0);
  return p;
}

TEST(Screen, AnswersItsAddressAndEveryScreenOnly) {
  Screen screen(7);
  screen.SetValidator(CheckProgramLength);
  for (uint8_t address : {7, 255}) {
    const auto reply = screen.Handle(Request(CMD_GET_POWER, address, 0), 0);
    ASSERT_TRUE(reply) << int(address);
    EXPECT_EQ(reply->cmd, CMD_REPLY);
    EXPECT_EQ(reply->devAddr, 0);
    EXPECT_EQ(reply->answeredCmd, CMD_GET_POWER);
    EXPECT_EQ(reply->status, 1);
  }
  EXPECT_FALSE(screen.Handle(Request(CMD_GET_POWER, 1, 0), 0));
  EXPECT_FALSE(screen.Handle(Bytes{0x09, 0x00, 0x00}, 0));  // too short for a header
  EXPECT_FALSE(screen.Handle(Request(0x4242, 7, 0), 0));    // unknown command
  EXPECT_EQ(screen.State(0).requests, 3u);
}

TEST(Screen, HoldsPowerBrightnessAndResets) {
  Screen screen(1);
  screen.SetValidator(CheckProgramLength);
  EXPECT_EQ(screen.Handle(Request(CMD_SET_POWER, 1, 0), 0)->value, 0u);
  EXPECT_EQ(screen.Handle(Request(CMD_GET_POWER, 1, 0), 0)->value, 0u);
  screen.Handle(Request(CMD_SET_BRIGHT, 1, 1000), 0);
  EXPECT_EQ(screen.Handle(Request(CMD_GET_BRIGHT, 1, 0), 0)->value, 1000u);
  screen.Handle(Request(CMD_RESET, 1, 0), 0);
  const ScreenState state = screen.State(0);
  EXPECT_EQ(state.power, 0);
  EXPECT_EQ(state.brightness, 1000);
  EXPECT_EQ(state.resets, 1u);
}

TEST(Screen, ClockRunsOnFromTheTimeItWasGiven) {
  Screen screen(1);
  screen.SetValidator(CheckProgramLength);
  platform::LocalTime t;
  t.year = 2024;
  t.month = 12;
  t.dayOfWeek = 2;  // Tuesday 31 December
  t.day = 31;
  t.hour = 23;
  t.minute = 59;
  t.second = 59;
  t.milliseconds = 500;
  const auto block = EncodeTimeBlock(t);
  EXPECT_FALSE(screen.Handle(Request(CMD_SET_TIME, 1, 0, Bytes(block.begin(), block.end() - 1)),
                             0));  // the time block is cut short
  EXPECT_FALSE(screen.State(0).clock);
  ASSERT_TRUE(
      screen.Handle(Request(CMD_SET_TIME, 1, 0, Bytes(block.begin(), block.end())), 0xFFFFFF00));
  const auto later = screen.State(0xFFFFFF00 + 600).clock;  // across the tick's wrap
  ASSERT_TRUE(later);
  EXPECT_EQ(later->year, 2025);
  EXPECT_EQ(later->month, 1);
  EXPECT_EQ(later->day, 1);
  EXPECT_EQ(later->dayOfWeek, 3);
  EXPECT_EQ(later->hour, 0);
  EXPECT_EQ(later->minute, 0);
  EXPECT_EQ(later->second, 0);
  EXPECT_EQ(later->milliseconds, 100);
}

// Feeds a whole upload of `program` to the screen, returning the status of each acknowledgement
// (-1 for none).
std::vector<int> Upload(Screen& screen, const Bytes& program) {
  std::vector<int> statuses;
  const auto status = [&](const Bytes& body) {
    const auto reply = screen.Handle(body, 0);
    statuses.push_back(reply ? reply->status : -1);
  };
  const uint32_t pieces = UploadPieceCount(program.size());
  status(Request(CMD_UPLOAD_START, 1, 0));
  for (uint32_t i = 1; i <= pieces; ++i) {
    const size_t offset = (i - 1) * format::kUploadPieceBytes;
    status(Request(
        CMD_UPLOAD_DATA, 1, i,
        Bytes(program.begin() + offset,
              program.begin() + std::min(program.size(), offset + format::kUploadPieceBytes))));
  }
  status(Request(CMD_UPLOAD_END, 1, pieces + 1));
  return statuses;
}

TEST(ScreenUpload, ReassemblesAndKeepsAGoodProgram) {
  for (uint32_t length : {12u, 512u, 513u, 1024u, 5000u}) {
    SCOPED_TRACE(length);
    Screen screen(1);
    screen.SetValidator(CheckProgramLength);
    const Bytes program = Program(length);
    const auto statuses = Upload(screen, program);
    EXPECT_EQ(statuses, std::vector<int>(statuses.size(), 1));
    EXPECT_EQ(statuses.size(), UploadPieceCount(length) + 2);
    EXPECT_EQ(screen.LastProgram(), program);
    EXPECT_EQ(screen.State(0).programsAccepted, 1u);
  }
}

TEST(ScreenUpload, ResentPacketsAreAcknowledgedAgainButKeptOnce) {
  Screen screen(1);
  screen.SetValidator(CheckProgramLength);
  const Bytes program = Program(1024);
  ASSERT_TRUE(screen.Handle(Request(CMD_UPLOAD_START, 1, 0), 0));
  const Bytes first(program.begin(), program.begin() + 512);
  const Bytes second(program.begin() + 512, program.end());
  ASSERT_EQ(screen.Handle(Request(CMD_UPLOAD_DATA, 1, 1, first), 0)->status, 1);
  ASSERT_EQ(screen.Handle(Request(CMD_UPLOAD_DATA, 1, 1, first), 0)->status, 1);
  EXPECT_FALSE(screen.Handle(Request(CMD_UPLOAD_DATA, 1, 3, second), 0));  // out of order
  ASSERT_EQ(screen.Handle(Request(CMD_UPLOAD_DATA, 1, 2, second), 0)->value, 2u);
  ASSERT_EQ(screen.Handle(Request(CMD_UPLOAD_END, 1, 3), 0)->status, 1);
  ASSERT_EQ(screen.Handle(Request(CMD_UPLOAD_END, 1, 3), 0)->status, 1);  // its ack was lost
  EXPECT_EQ(screen.LastProgram(), program);
  EXPECT_EQ(screen.State(0).programsAccepted, 1u);
}

TEST(ScreenUpload, BrokenOrBadUploadsKeepThePreviousProgram) {
  Screen screen(1);
  screen.SetValidator(CheckProgramLength);
  const Bytes good = Program(700, 0x11);
  Upload(screen, good);
  // Breaks off after the first piece, then a new upload starts over.
  screen.Handle(Request(CMD_UPLOAD_START, 1, 0), 0);
  screen.Handle(Request(CMD_UPLOAD_DATA, 1, 1, Bytes(512, 0x22)), 0);
  EXPECT_EQ(screen.LastProgram(), good);
  // Declares another length than it has: refused with status 0.
  Bytes lying = Program(600, 0x33);
  lying[4] = 0x10;
  const auto statuses = Upload(screen, lying);
  EXPECT_EQ(statuses.back(), 0);
  EXPECT_EQ(screen.LastProgram(), good);
  EXPECT_EQ(screen.State(0).programsRejected, 1u);
  EXPECT_NE(screen.State(0).lastRejection.find("programLength"), std::string::npos);
  // Packets without a start, and an end without data, do not count.
  Screen fresh(1);
  fresh.SetValidator(CheckProgramLength);
  EXPECT_FALSE(fresh.Handle(Request(CMD_UPLOAD_DATA, 1, 1, Bytes(12, 0)), 0));
  EXPECT_FALSE(fresh.Handle(Request(CMD_UPLOAD_END, 1, 2), 0));
  fresh.Handle(Request(CMD_UPLOAD_START, 1, 0), 0);
  EXPECT_EQ(fresh.Handle(Request(CMD_UPLOAD_END, 1, 1), 0)->status, 0);
  EXPECT_TRUE(fresh.LastProgram().empty());
}

TEST(ScreenUpload, InstalledValidatorDecides) {
  Screen screen(1);
  screen.SetValidator(CheckProgramLength);
  std::vector<size_t> seen;
  screen.SetValidator([&](std::span<const uint8_t> p) -> std::optional<std::string> {
    seen.push_back(p.size());
    if (p.size() > 100) return "too big for this test";
    return std::nullopt;
  });
  Bytes odd(50, 0);  // no valid root, yet the installed validator accepts it
  EXPECT_EQ(Upload(screen, odd).back(), 1);
  EXPECT_EQ(Upload(screen, Program(300)).back(), 0);
  EXPECT_EQ(seen, (std::vector<size_t>{50, 300}));
  EXPECT_EQ(screen.LastProgram(), odd);
  EXPECT_EQ(screen.State(0).lastRejection, "too big for this test");
}

TEST(ScreenUpload, DefaultValidatorWantsTheDeclaredLength) {
  EXPECT_FALSE(CheckProgramLength(Program(12)));
  EXPECT_FALSE(CheckProgramLength(Program(4096)));
  EXPECT_TRUE(CheckProgramLength(Bytes(7, 0)));
  Bytes off = Program(40);
  off[4] = 41;
  EXPECT_TRUE(CheckProgramLength(off));
}

// Waits out the refused end packet's last two receive windows.
TEST(SimulatorLog, SaysWhyItRefusedAProgramOnTheRequestsLine) {
  std::mutex mutex;
  std::vector<std::string> lines;
  SimulatorOptions options;
  options.udpPort = 0;
  options.log = [&](const std::string& line) {
    const std::lock_guard lock(mutex);
    lines.push_back(line);
  };
  Simulator simulator(options);
  std::string error;
  ASSERT_TRUE(simulator.Start(error)) << error;
  link::Target target;
  target.transport = link::Transport::Udp;
  target.remoteAddress = platform::ParseIpv4("127.0.0.1");
  target.remotePort = simulator.udpPort();
  target.devAddr = 1;
  BusyCount busy;
  const Status sent = UploadProgram({platform::SystemClock(), busy}, target, Program(40));
  simulator.Stop();
  EXPECT_EQ(sent.code(), Status::Refused);
  const std::string why = *CheckProgram(Program(40));  // no pages
  ASSERT_EQ(lines.size(), 5u);  // start, data, and the end packet three times
  EXPECT_EQ(lines[2].substr(lines[2].find(" upload-end")),
            " upload-end seq 2 address 1 -> answered 2; refused the program: " + why);
  EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                          [](const std::string& l) { return l.find("refused") != l.npos; }),
            1);
}

// Waits out the refused end packet's last two receive windows.
TEST(SavedPrograms, AProgramThatCannotBeSavedIsRefusedAndTheLogSaysWhy) {
  namespace fs = std::filesystem;
  const fs::path folder =
      fs::temp_directory_path() /
      ("veltrane_saved_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
  fs::create_directory(folder);
  const fs::path notAFolder = folder / "a file";
  std::ofstream(notAFolder) << "kept as it is";
  struct Case {
    fs::path saveFolder;
    Status::Code sent;
    std::string refusal;  // what the log says of the program, when it was refused
  };
  const Case cases[] = {
      {folder, Status::Ok, ""},
      {notAFolder, Status::Refused,
       "; refused the program: cannot write " + (notAFolder / "program-1.bin").string() +
           ": not a directory"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.saveFolder);
    std::vector<std::string> lines;
    SimulatorOptions options = ServingOptions(
        ParseCommandLine({"--save-programs", c.saveFolder.string(), "-v"}), "veltrane-screen");
    options.udpPort = 0;
    options.log = [&](const std::string& line) { lines.push_back(line); };
    Simulator simulator(options);
    simulator.SetValidator(CheckProgramLength);
    std::string error;
    ASSERT_TRUE(simulator.Start(error)) << error;
    link::Target target;
    target.transport = link::Transport::Udp;
    target.remoteAddress = platform::ParseIpv4("127.0.0.1");
    target.remotePort = simulator.udpPort();
    target.devAddr = 1;
    BusyCount busy;
    const Status sent = UploadProgram({platform::SystemClock(), busy}, target, Program(40));
    simulator.Stop();
    EXPECT_EQ(sent.code(), c.sent);
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[2].substr(lines[2].find(" upload-end")),
              " upload-end seq 2 address 1 -> answered 2" + c.refusal);
  }
  std::ifstream saved(folder / "program-1.bin", std::ios::binary);
  EXPECT_EQ(Bytes(std::istreambuf_iterator<char>(saved), {}), Program(40));
  std::ifstream untouched(notAFolder);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(untouched), {}), "kept as it is");
  fs::remove_all(folder);
}

TEST(CommandLine, OptionsAndErrors) {
  const CommandLine defaults = ParseCommandLine({});
  EXPECT_TRUE(defaults.error.empty());
  EXPECT_TRUE(defaults.options.udp);
  EXPECT_EQ(defaults.options.udpPort, 6666);

  const CommandLine line = ParseCommandLine({"--udp",
                                             "127.0.0.2:7000",
                                             "--pty",
                                             "--address",
                                             "9",
                                             "--seed",
                                             "5",
                                             "--drop-replies",
                                             "0.25",
                                             "--delay",
                                             "30",
                                             "--answer-twice",
                                             "--other-port",
                                             "--drop-ack",
                                             "3",
                                             "--nak",
                                             "0",
                                             "--late-ack",
                                             "2",
                                             "--stale-acks",
                                             "--save-programs",
                                             "kept",
                                             "-v"});
  ASSERT_TRUE(line.error.empty()) << line.error;
  EXPECT_EQ(line.options.udpPort, 7000);
  EXPECT_EQ(line.options.udpAddress, 0x0200007Fu);
  EXPECT_TRUE(line.options.pty);
  EXPECT_EQ(line.options.address, 9);
  EXPECT_EQ(line.options.faults.seed, 5u);
  EXPECT_DOUBLE_EQ(line.options.faults.dropReplyShare, 0.25);
  EXPECT_EQ(line.options.faults.delayMs, 30u);
  EXPECT_TRUE(line.options.faults.answerTwice);
  EXPECT_TRUE(line.options.faults.otherSourcePort);
  EXPECT_TRUE(line.options.faults.staleAcks);
  ASSERT_EQ(line.options.faults.packetFaults.size(), 3u);
  EXPECT_EQ(line.options.faults.packetFaults[1].fault, AckFault::StatusZero);
  EXPECT_TRUE(line.verbose);
  EXPECT_EQ(line.saveFolder, "kept");
  EXPECT_TRUE(ParseCommandLine({"--help"}).help);

  for (const std::vector<std::string>& bad :
       std::vector<std::vector<std::string>>{{"--address", "256"},
                                             {"--drop-replies", "1.5"},
                                             {"--udp", "nowhere:1"},
                                             {"--delay"},
                                             {"--save-programs"},
                                             {"--bogus"},
                                             {"--no-udp"},
                                             {"--pty", "--serial", "/dev/ttyS0"}}) {
    EXPECT_FALSE(ParseCommandLine(bad).error.empty()) << bad[0];
  }
  EXPECT_FALSE(HelpText().empty());
}

TEST(CommandLine, UsageErrorsAreOneSentence) {
  struct Case {
    std::vector<std::string> args;
    const char* error;
  };
  const Case cases[] = {
      {{"--udp", ""}, "--udp: expected [ADDRESS:]PORT, got \"\""},
      {{"--baud", "9600"}, "--baud sets a serial line's speed: give --pty or --serial too"},
      {{"--udp", "7000", "--baud", "5"},
       "--baud: expected 9600, 19200, 38400, 57600 or 115200, got 5"},
      {{"--seed", "abc"}, "--seed: \"abc\" is not a number"},
      {{"--bogus"}, "the following argument was not expected: --bogus"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args[0]);
    EXPECT_EQ(ParseCommandLine(c.args).error, c.error);
  }
  EXPECT_TRUE(ParseCommandLine({"--pty", "--baud", "9600"}).error.empty());
}

TEST(CommandLine, LaterOptionsWinAndPacketFaultsKeepTheirOrder) {
  const CommandLine line = ParseCommandLine(
      {"--no-udp", "--udp", "7000", "--address", "3", "--address", "255", "--nak", "4",
       "--drop-ack", "4", "--nak", "6", "--baud", "115200", "--serial", "/dev/ttyS0"});
  ASSERT_TRUE(line.error.empty()) << line.error;
  EXPECT_TRUE(line.options.udp);
  EXPECT_EQ(line.options.udpPort, 7000);
  EXPECT_EQ(line.options.udpAddress, 0x0100007Fu);
  EXPECT_EQ(line.options.address, 255);
  EXPECT_EQ(line.options.serialSpeed, 115200);
  ASSERT_EQ(line.options.faults.packetFaults.size(), 3u);
  EXPECT_EQ(line.options.faults.packetFaults[0].fault, AckFault::StatusZero);
  EXPECT_EQ(line.options.faults.packetFaults[1].fault, AckFault::Drop);
  EXPECT_EQ(line.options.faults.packetFaults[2].sequence, 6u);
  EXPECT_FALSE(ParseCommandLine({"--udp", "1", "--no-udp"}).options.udp);
}

TEST(CommandLine, ManyScreensAndAPacedLine) {
  const CommandLine line =
      ParseCommandLine({"--udp", "7000", "--screens", "16", "--address", "3", "--addresses",
                        "consecutive", "--jitter", "5", "--pty", "--baud", "115200"});
  ASSERT_TRUE(line.error.empty()) << line.error;
  EXPECT_EQ(line.options.screens, 16u);
  EXPECT_TRUE(line.options.consecutiveAddresses);
  EXPECT_EQ(line.options.faults.jitterMs, 5u);
  EXPECT_EQ(line.options.ptyBitsPerSecond, 115200u);
  EXPECT_EQ(ParseCommandLine({}).options.ptyBitsPerSecond, 0u);
  EXPECT_FALSE(ParseCommandLine({"--addresses", "consecutive", "--addresses", "same"})
                   .options.consecutiveAddresses);
  // The last port and the last address are still served.
  EXPECT_TRUE(ParseCommandLine({"--udp", "65534", "--screens", "2"}).error.empty());
  EXPECT_TRUE(ParseCommandLine({"--address", "250", "--screens", "6", "--addresses", "consecutive"})
                  .error.empty());
  // Any free first port: the simulator finds a run of free ones.
  EXPECT_TRUE(ParseCommandLine({"--udp", "0", "--screens", "4096"}).error.empty());
  // Spread over addresses, the screens share the port, up to the last one; the last address
  // is still served.
  const CommandLine spread =
      ParseCommandLine({"--udp", "127.0.1.1:65535", "--screens", "4", "--spread", "addresses"});
  ASSERT_TRUE(spread.error.empty()) << spread.error;
  EXPECT_EQ(spread.options.udpSpread, UdpSpread::Addresses);
  EXPECT_EQ(ParseCommandLine({}).options.udpSpread, UdpSpread::Ports);
  EXPECT_TRUE(
      ParseCommandLine({"--udp", "255.255.255.254:1", "--screens", "2", "--spread", "addresses"})
          .error.empty());
}

TEST(CommandLine, RefusesValuesOutsideTheirRange) {
  for (const std::vector<std::string>& bad : std::vector<std::vector<std::string>>{
           {"--baud", "1200"},  // a speed the line cannot run at, not a silent 9600
           {"--drop-requests", "nan"},
           {"--corrupt-replies", "-0.1"},
           {"--delay", "600001"},
           {"--seed", "-1"},
           {"--seed", "4294967296"},
           {"--address", "-1"},
           {"--nak", "x"},
           {"--screens", "0"},
           {"--screens", "4097"},
           {"--jitter", "600001"},
           {"--addresses", "random"},
           {"--udp", "65535", "--screens", "2"},
           {"--address", "250", "--screens", "7", "--addresses", "consecutive"},
           {"--spread", "hosts"},
           {"--udp", "255.255.255.254:1", "--screens", "3", "--spread", "addresses"},
           {"stray"}}) {
    SCOPED_TRACE(bad[0] + (bad.size() > 1 ? " " + bad[1] : ""));
    EXPECT_FALSE(ParseCommandLine(bad).error.empty());
  }
}

}  // namespace
}  // namespace veltrane::sim
