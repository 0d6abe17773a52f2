// SPDX-License-Identifier: MIT
// Every numeric option of both tools is checked by one validator: what it takes, what it says of
// the rest, and that the number it hands on is the one it checked.
#include "shared/number_option.h"

#include <gtest/gtest.h>

#include <string>

#include "sim/command_line.h"

namespace veltrane::tools {
namespace {

struct Case {
  const char* text;
  NumberRange range;
  const char* handedOn;  // the text the option's own conversion reads, when taken
  const char* problem;   // "" when taken
};

TEST(NumberIn, TakesDecimalNumbersInRangeAndNamesTheRangeOtherwise) {
  const Case cases[] = {
      {"0", kScreenAddresses, "0", ""},
      {"255", kScreenAddresses, "255", ""},
      {"010", kScreenAddresses, "10", ""},  // decimal, not octal 8
      {"-0", kPorts, "0", ""},
      {"-5", {-10, 10}, "-5", ""},
      {"4294967295", {0, UINT32_MAX}, "4294967295", ""},
      {"256", kScreenAddresses, "", "expected 0..255, got 256"},
      {"-1", kScreenAddresses, "", "expected 0..255, got -1"},
      {"-1", {0, UINT32_MAX}, "", "expected 0..4294967295, got -1"},
      {"70000", kPorts, "", "expected 0..65535, got 70000"},
      {"99999999999999999999", kPorts, "", "expected 0..65535, got 99999999999999999999"},
      {"abc", kPorts, "", "\"abc\" is not a number"},
      {"", kPorts, "", "\"\" is not a number"},
      {"-", kPorts, "", "\"-\" is not a number"},
      {"0x10", kPorts, "", "\"0x10\" is not a number"},
      {"+1", kPorts, "", "\"+1\" is not a number"},
      {"1e3", kPorts, "", "\"1e3\" is not a number"},
      {" 1", kPorts, "", "\" 1\" is not a number"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    std::string text = c.text;
    EXPECT_EQ(NumberIn(c.range)(text), c.problem);
    if (*c.problem == '\0') {
      EXPECT_EQ(text, c.handedOn);
    }
  }
}

TEST(LineSpeed, TakesOnlyTheSpeedsScreensRunAt) {
  const std::string choices = "9600, 19200, 38400, 57600 or 115200";
  for (const char* taken : {"9600", "115200", "057600"}) {
    std::string text = taken;
    EXPECT_EQ(LineSpeed()(text), "") << taken;
  }
  for (const char* refused : {"1200", "-9600", "4294976896"}) {
    std::string text = refused;
    EXPECT_EQ(LineSpeed()(text), "expected " + choices + ", got " + refused);
  }
  std::string word = "fast";
  EXPECT_EQ(LineSpeed()(word), "\"fast\" is not a number");
}

TEST(NumberIn, TheSimulatorReadsWhatWasChecked) {
  const sim::CommandLine line =
      sim::ParseCommandLine({"--udp", "7000", "--address", "010", "--seed", "4294967295"});
  ASSERT_EQ(line.error, "");
  EXPECT_EQ(line.options.address, 10);
  EXPECT_EQ(line.options.faults.seed, 4294967295u);
  EXPECT_EQ(sim::ParseCommandLine({"--drop-ack", "-1"}).error,
            "--drop-ack: expected 0..4294967295, got -1");
}

}  // namespace
}  // namespace veltrane::tools
