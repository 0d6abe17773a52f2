// SPDX-License-Identifier: MIT
#include "shared/usage_error.h"

#include <cctype>
#include <string_view>

namespace veltrane::tools {
namespace {

// CLI11's words for a value its option could not take: "Could not convert: NAME = VALUE". Every
// option the tools convert holds a number.
std::string PlainConversion(std::string_view message) {
  constexpr std::string_view kPrefix = "Could not convert: ";
  const size_t equals = message.find(" = ");
  if (message.substr(0, kPrefix.size()) != kPrefix || equals == std::string_view::npos)
    return std::string(message);
  const std::string_view name = message.substr(kPrefix.size(), equals - kPrefix.size());
  const std::string_view value = message.substr(equals + 3);
  return std::string(name) + ": \"" + std::string(value) + "\" is not a number";
}

// `text` on one line, without a final full stop.
std::string OneLine(const std::string& text) {
  std::string line;
  for (const char c : text) {
    if (c != '\n') {
      line += c;
    } else if (!line.empty() && line.back() != ' ') {
      line += ' ';
    }
  }
  while (!line.empty() && (line.back() == ' ' || line.back() == '.')) line.pop_back();
  return line;
}

}  // namespace

std::string UsageSentence(const CLI::ParseError& error) {
  std::string sentence = OneLine(PlainConversion(error.what()));
  // A sentence after the tool's "name: " starts in lower case, unless it starts with a name.
  if (sentence.size() > 1 && std::isupper(static_cast<unsigned char>(sentence[0])) &&
      std::islower(static_cast<unsigned char>(sentence[1])))
    sentence[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(sentence[0])));
  return sentence;
}

}  // namespace veltrane::tools
