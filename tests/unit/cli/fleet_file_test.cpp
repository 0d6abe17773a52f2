// SPDX-License-Identifier: MIT
// Fleet files: what a good one gives, and every bad line refused with its line number.
#include "shared/fleet_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "common/status_text.h"
#include "fleet.h"
#include "platform/ipv4.h"
#include "shared/udp_endpoint.h"

namespace veltrane::tools {
namespace {

// Where a refusal says the text fails: "fleet:LINE: ", or "fleet: " for the text as a whole.
std::string Where(size_t line) {
  return line == 0 ? "fleet: " : "fleet:" + std::to_string(line) + ": ";
}

// The sentence refusing `text`, or what was read instead.
std::string RefusalOf(std::string_view text, const HostResolver& resolve = {}) {
  const auto parsed = ParseFleetFile(text, "fleet", resolve);
  if (parsed) return "read " + std::to_string(parsed->size()) + " screens";
  return StatusText(parsed.error());
}

TEST(FleetFile, ReadsTargetsOptionsNamesAndSkipsComments) {
  const char* text =
      "# the lobby\r\n"
      "\n"
      "udp 10.0.0.5 name=Lobby left\n"
      "  udp localhost:7000 --address 2   # the right one\n"
      "serial /dev/ttyUSB0 --baud 115200 --address 255 name=Hall #2\n"
      "\tserial /dev/ttyUSB0 --address 3";
  const auto parsed = ParseFleetFile(text, "fleet");
  ASSERT_TRUE(parsed) << StatusText(parsed.error());
  const auto& screens = *parsed;
  ASSERT_EQ(screens.size(), 4u);

  struct Expected {
    size_t line;
    const char* name;
    const char* where;
    link::Transport transport;
    uint8_t devAddr;
  };
  const Expected expected[] = {
      {3, "Lobby left", "udp 10.0.0.5:6666", link::Transport::Udp, 1},
      {4, "", "udp 127.0.0.1:7000 address 2", link::Transport::Udp, 2},
      {5, "Hall #2", "serial /dev/ttyUSB0 address 255", link::Transport::Serial, 255},
      {6, "", "serial /dev/ttyUSB0 address 3", link::Transport::Serial, 3},
  };
  for (size_t i = 0; i < screens.size(); ++i) {
    SCOPED_TRACE(expected[i].where);
    EXPECT_EQ(screens[i].line, expected[i].line);
    EXPECT_EQ(screens[i].name, expected[i].name);
    EXPECT_EQ(screens[i].where, expected[i].where);
    EXPECT_EQ(screens[i].target.transport, expected[i].transport);
    EXPECT_EQ(screens[i].target.devAddr, expected[i].devAddr);
  }
  EXPECT_EQ(screens[0].target.remoteAddress, platform::ParseIpv4("10.0.0.5"));
  EXPECT_EQ(screens[1].target.remotePort, 7000);
  EXPECT_EQ(screens[2].target.devicePath, "/dev/ttyUSB0");
  // The speeds go through the same table as --baud: 115200 given, 57600 by default.
  EXPECT_EQ(screens[2].target.bitsPerSecond, 115200);
  EXPECT_EQ(screens[3].target.bitsPerSecond, 57600);
}

TEST(FleetFile, NamesMayBeInAnyScript) {
  const std::string name = "Caf\xc3\xa9 \xe6\x9d\xb1 \xe2\x86\x92 \xd8\xa8";  // Café 東 → ب
  const auto parsed = ParseFleetFile("udp 10.0.0.1 name=" + name + "\n", "fleet");
  ASSERT_TRUE(parsed) << StatusText(parsed.error());
  EXPECT_EQ((*parsed)[0].name, name);
}

TEST(FleetFile, BadLinesAreNamedWithWhatIsWrong) {
  struct Case {
    std::string text;
    size_t line;
    const char* message;
  };
  const std::string tooLong = "udp 10.0.0.1 name=" + std::string(kMaxFleetLineBytes, 'x');
  const Case cases[] = {
      {"udp 10.0.0.1\ntcp 10.0.0.2\n", 2, "expected udp HOST[:PORT] or serial PATH, got \"tcp\""},
      {"udp\n", 1, "udp needs HOST[:PORT]"},
      {"# x\nserial # no path\n", 2, "serial needs a device path"},
      {"udp somewhere\n", 1, "udp: \"somewhere\" is not an IPv4 address"},
      {"udp 10.0.0.1:70000\n", 1, "udp: bad port \"70000\""},
      {"udp 10.0.0.1 --address 256\n", 1, "--address: expected 0..255, got \"256\""},
      {"udp 10.0.0.1 --address\n", 1, "--address: expected 0..255, got \"\""},
      {"udp 10.0.0.1 --address -1\n", 1, "--address: expected 0..255, got \"-1\""},
      {"udp 10.0.0.1 --address 2 --address 3\n", 1, "--address is given twice"},
      {"udp 10.0.0.1 --baud 9600\n", 1, "--baud is for serial lines only"},
      {"serial /dev/ttyS0 --baud 1200\n", 1, "--baud: expected 9600, 19200"},
      {"serial /dev/ttyS0 --baud 9600 --baud 9600\n", 1, "--baud is given twice"},
      {"udp 10.0.0.1 --local-port 5\n", 1, "unexpected \"--local-port\""},
      {"udp 10.0.0.1 lobby\n", 1, "unexpected \"lobby\""},
      {"udp 10.0.0.1 name=\n", 1, "name= needs a name"},
      {"udp 10.0.0.1 name=" + std::string(kMaxFleetNameBytes + 1, 'n') + "\n", 1,
       "a name has at most 64 bytes"},
      {"udp 10.0.0.1 name=a\x1b[2Jb\n", 1, "holds a control character (U+001B)"},
      // Those a UTF-8 terminal takes as controls or as marks that reorder or break the text.
      {"udp 10.0.0.1 name=a\x7f\n", 1, "holds a control character (U+007F)"},
      {"udp 10.0.0.1 name=a\xc2\x9b"
       "2J\n",
       1, "holds a control character (U+009B)"},
      {"udp 10.0.0.1 name=a\x9b\n", 1, "holds a control character (U+009B)"},
      {"udp 10.0.0.1 name=\xd8\x9c\n", 1, "holds a control character (U+061C)"},
      {"udp 10.0.0.1 name=lobby\xe2\x80\x8e\n", 1, "holds a control character (U+200E)"},
      {"udp 10.0.0.1 name=\xe2\x80\x8f\n", 1, "holds a control character (U+200F)"},
      {"udp 10.0.0.1 name=a\xe2\x80\xa8"
       "b\n",
       1, "holds a control character (U+2028)"},
      {"udp 10.0.0.1 name=\xe2\x80\xaa"
       "ab\n",
       1, "holds a control character (U+202A)"},
      {"udp 10.0.0.1 name=\xe2\x80\xae"
       "enil\n",
       1, "holds a control character (U+202E)"},
      {"udp 10.0.0.1 name=\xe2\x81\xa6x\n", 1, "holds a control character (U+2066)"},
      {"udp 10.0.0.1 name=\xe2\x81\xa9x\n", 1, "holds a control character (U+2069)"},
      {"udp 10.0.0.1\n" + tooLong + "\n", 2, "longer than 1024 bytes"},
      {"udp 10.0.0.1 name=A\nudp 10.0.0.2 name=A\n", 2, "the name \"A\" is taken by line 1"},
      {"udp 10.0.0.1\n\nudp 10.0.0.1:6666\n", 3, "the same screen as line 1"},
      {"serial /dev/ttyS0 --address 2\nserial /dev/ttyS0 --address 2\n", 2,
       "the same screen as line 1"},
      {"# nothing\n\n", 0, "lists no screens"},
      {"", 0, "lists no screens"},
      {std::string(kMaxFleetFileBytes + 1, '#'), 0, "larger than 1048576 bytes"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    const std::string refusal = RefusalOf(c.text);
    EXPECT_TRUE(refusal.starts_with(Where(c.line))) << refusal;
    EXPECT_NE(refusal.find(c.message), std::string::npos) << refusal;
  }
}

TEST(FleetFile, OneLineIsAScreenNothingOrWhatIsWrong) {
  const auto screen = ReadFleetLine("udp 10.0.0.5 name=Lobby");
  ASSERT_TRUE(screen && *screen);
  EXPECT_EQ((*screen)->where, "udp 10.0.0.5:6666");
  const auto comment = ReadFleetLine("  # none here");
  ASSERT_TRUE(comment);
  EXPECT_FALSE(*comment);
  // A second line is not a second screen.
  const auto two = ReadFleetLine("udp 10.0.0.5\nudp 10.0.0.6");
  ASSERT_FALSE(two);
  EXPECT_EQ(StatusText(two.error()), "holds a control character (U+000A)");
}

TEST(FleetFile, HoldsAtMostItsScreenCount) {
  std::string text;
  for (size_t i = 0; i <= kMaxFleetScreens; ++i)
    text += "udp 10.0." + std::to_string(i / 256) + "." + std::to_string(i % 256) + "\n";
  EXPECT_EQ(RefusalOf(text), Where(kMaxFleetScreens + 1) + "more than 4096 screens");
  text.resize(text.rfind("udp"));
  EXPECT_EQ(RefusalOf(text), "read 4096 screens");
}

TEST(FleetFile, HostNamesAreFoundOnceEachBeforeScreensAreCompared) {
  int asked = 0;
  const HostResolver counting = [&asked](std::string_view name) {
    ++asked;
    return platform::ResolveIpv4(name);
  };
  const auto named =
      ParseFleetFile("udp LOCALHOST:7000\nudp LOCALHOST:7001\nudp 127.0.0.1:7000 --address 2\n",
                     "fleet", counting);
  ASSERT_TRUE(named) << StatusText(named.error());
  EXPECT_EQ((*named)[0].where, "udp 127.0.0.1:7000");
  EXPECT_EQ(asked, 1);

  struct Case {
    const char* text;
    size_t line;
    const char* message;
  };
  const Case cases[] = {
      {"udp LOCALHOST:7000\nudp 127.0.0.1:7000\n", 2, "the same screen as line 1"},
      {"udp 127.0.0.1\nudp sign.invalid\n", 2,
       "udp: cannot find an IPv4 address for \"sign.invalid\""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(RefusalOf(c.text, platform::ResolveIpv4), Where(c.line) + c.message);
  }
}

TEST(FleetFile, TheCommandNamesTheFileAndLine) {
  const auto file = std::filesystem::temp_directory_path() /
                    ("veltrane_fleet_" +
                     std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + ".txt");
  std::ofstream(file) << "udp 127.0.0.1\nudp 127.0.0.1 --address x\n";
  const auto bad = cli::LoadFleet(file);
  ASSERT_FALSE(bad);
  EXPECT_EQ(StatusText(bad.error()), file.string() + ":2: --address: expected 0..255, got \"x\"");

  std::ofstream(file) << "udp sign.invalid\n";
  const auto unknown = cli::LoadFleet(file);
  ASSERT_FALSE(unknown);
  EXPECT_EQ(StatusText(unknown.error()),
            file.string() + ":1: udp: cannot find an IPv4 address for \"sign.invalid\"");

  std::ofstream(file) << std::string(kMaxFleetFileBytes + 1, '\n');
  const auto large = cli::LoadFleet(file);
  ASSERT_FALSE(large);
  EXPECT_EQ(
      StatusText(large.error()),
      file.string() + " has 1048577 bytes, more than the 1048576 bytes a fleet file may have");
  std::filesystem::remove(file);

  const auto missing = cli::LoadFleet(file);
  ASSERT_FALSE(missing);
  EXPECT_EQ(StatusText(missing.error()),
            "cannot read " + file.string() + ": no such file or directory");
}

}  // namespace
}  // namespace veltrane::tools
