// SPDX-License-Identifier: MIT
#include "shared/number_option.h"

#include <charconv>
#include <string>
#include <string_view>
#include <system_error>

#include "shared/screen_words.h"

namespace veltrane::tools {
namespace {

bool IsDecimal(std::string_view text) {
  const std::string_view digits = text.starts_with('-') ? text.substr(1) : text;
  return !digits.empty() && digits.find_first_not_of("0123456789") == std::string_view::npos;
}

// "" when `text` is a decimal whole number within `range`, which is then rewritten in plain
// decimal; else what is wrong, naming the numbers taken as `expected`.
std::string Check(std::string& text, NumberRange range, const std::string& expected) {
  if (!IsDecimal(text)) return "\"" + text + "\" is not a number";
  int64_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || value < range.low || value > range.high)
    return "expected " + expected + ", got " + text;
  text = std::to_string(value);
  return "";
}

}  // namespace

CLI::Validator NumberIn(NumberRange range) {
  const std::string expected = std::to_string(range.low) + ".." + std::to_string(range.high);
  return CLI::Validator(
      [range, expected](std::string& text) { return Check(text, range, expected); }, "");
}

CLI::Validator LineSpeed() {
  return CLI::Validator(
      [](std::string& text) {
        const std::string expected = BaudChoices();
        std::string problem = Check(text, {0, INT32_MAX}, expected);
        if (problem.empty() && !IsScreenLineSpeed(std::stoi(text)))
          problem = "expected " + expected + ", got " + text;
        return problem;
      },
      "");
}

}  // namespace veltrane::tools
