// SPDX-License-Identifier: MIT
// A screen named on the command line or on a fleet-file line is checked by one set of rules; only
// the words naming its parts follow where it was written.
#include "shared/screen_words.h"

#include <gtest/gtest.h>

#include "common/status_text.h"
#include "platform/ipv4.h"

namespace veltrane::tools {
namespace {

ScreenWords Udp(std::string place) { return {link::Transport::Udp, std::move(place), {}, {}, 0}; }
ScreenWords Serial(std::string path) {
  return {link::Transport::Serial, std::move(path), {}, {}, 0};
}

TEST(ScreenWords, NamesTheTargetWithItsDefaults) {
  for (const WordsSource source : {WordsSource::CommandLine, WordsSource::FleetFile}) {
    const auto udp = ScreenTarget(Udp("10.0.0.5"), source);
    ASSERT_TRUE(udp) << StatusText(udp.error());
    EXPECT_EQ(udp->transport, link::Transport::Udp);
    EXPECT_EQ(udp->remoteAddress, platform::ParseIpv4("10.0.0.5"));
    EXPECT_EQ(udp->remotePort, 6666);
    EXPECT_EQ(udp->devAddr, 1);

    ScreenWords fast = Serial("/dev/ttyUSB0");
    fast.baud = "115200";
    fast.address = "255";
    const auto serial = ScreenTarget(fast, source);
    ASSERT_TRUE(serial) << StatusText(serial.error());
    EXPECT_EQ(serial->devicePath, "/dev/ttyUSB0");
    EXPECT_EQ(serial->bitsPerSecond, 115200);
    EXPECT_EQ(serial->devAddr, 255);
    EXPECT_EQ(ScreenTarget(Serial("/dev/ttyS0"), source)->bitsPerSecond, 57600);
  }
}

TEST(ScreenWords, RefusalsAreTheSameRuleInTheWordsOfTheirSource) {
  struct Case {
    ScreenWords words;
    const char* commandLine;
    const char* fleetFile;
  };
  ScreenWords baudOnUdp = Udp("10.0.0.1");
  baudOnUdp.baud = "9600";
  ScreenWords slow = Serial("/dev/ttyS0");
  slow.baud = "1200";
  ScreenWords noBaud = Serial("/dev/ttyS0");
  noBaud.baud = "";
  ScreenWords farAddress = Udp("10.0.0.1");
  farAddress.address = "256";
  ScreenWords signedAddress = Serial("/dev/ttyS0");
  signedAddress.address = "-1";
  ScreenWords highPort = Udp("10.0.0.1");
  highPort.localPort = 65536;
  const std::string speeds = "--baud: expected 9600, 19200, 38400, 57600 or 115200";
  const Case cases[] = {
      {Udp("10.0.0.1:70000"), "--udp: bad port \"70000\"", "udp: bad port \"70000\""},
      {Udp("somewhere"), "--udp: \"somewhere\" is not an IPv4 address",
       "udp: \"somewhere\" is not an IPv4 address"},
      {baudOnUdp, "--baud sets a serial line's speed: it needs --serial DEVICE, not --udp",
       "--baud is for serial lines only"},
      {slow, speeds.c_str(), speeds.c_str()},
      {noBaud, speeds.c_str(), speeds.c_str()},
      {farAddress, "--address: expected 0..255, got \"256\"",
       "--address: expected 0..255, got \"256\""},
      {signedAddress, "--address: expected 0..255, got \"-1\"",
       "--address: expected 0..255, got \"-1\""},
      {highPort, "--local-port: expected 0..65535", "--local-port: expected 0..65535"},
      {ScreenWords{}, "say where the screen is: --udp HOST[:PORT] or --serial DEVICE",
       "say where the screen is: --udp HOST[:PORT] or --serial DEVICE"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.commandLine);
    const auto fromCommandLine = ScreenTarget(c.words, WordsSource::CommandLine);
    ASSERT_FALSE(fromCommandLine);
    EXPECT_EQ(StatusText(fromCommandLine.error()), c.commandLine);
    const auto fromFleetFile = ScreenTarget(c.words, WordsSource::FleetFile);
    ASSERT_FALSE(fromFleetFile);
    EXPECT_EQ(StatusText(fromFleetFile.error()), c.fleetFile);
  }
}

TEST(ScreenWords, DescribesWhereAScreenIsAndWhatDidNotOpen) {
  ScreenWords second = Udp("127.0.0.1:7000");
  second.address = "2";
  second.localPort = 5000;
  const link::Target udp = *ScreenTarget(second, WordsSource::CommandLine);
  EXPECT_EQ(PlaceText(udp), "udp 127.0.0.1:7000");
  EXPECT_EQ(ScreenText(udp), "udp 127.0.0.1:7000 address 2");
  EXPECT_EQ(NotOpenedText(udp), "cannot bind local UDP port 5000 for udp 127.0.0.1:7000");
  const link::Target anyPort = *ScreenTarget(Udp("10.0.0.5"), WordsSource::FleetFile);
  EXPECT_EQ(ScreenText(anyPort), "udp 10.0.0.5:6666");
  EXPECT_EQ(NotOpenedText(anyPort), "cannot bind a local UDP port for udp 10.0.0.5:6666");
  const link::Target serial = *ScreenTarget(Serial("/dev/ttyUSB0"), WordsSource::FleetFile);
  EXPECT_EQ(ScreenText(serial), "serial /dev/ttyUSB0");
  EXPECT_EQ(NotOpenedText(serial), "cannot open /dev/ttyUSB0");
}

TEST(SerialSpeed, EverySpeedTheLinkRunsAtAndNothingElse) {
  for (const int32_t baud : {9600, 19200, 38400, 57600, 115200})
    EXPECT_TRUE(IsScreenLineSpeed(baud)) << baud;
  for (const int32_t baud : {0, -9600, 1200, 57601, 230400})
    EXPECT_FALSE(IsScreenLineSpeed(baud)) << baud;
  EXPECT_EQ(BaudChoices(), "9600, 19200, 38400, 57600 or 115200");
}

}  // namespace
}  // namespace veltrane::tools
