// SPDX-License-Identifier: MIT
// Arbitrary command lines for veltrane-screen: the bytes cut at each zero byte into arguments.
// Reading them never throws, and whatever is refused is refused in one sentence on one line.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "sim/command_line.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

// A command line longer than this says nothing more about the reader.
constexpr size_t kMaxArguments = 64;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<std::string> args(1);
  for (size_t i = 0; i < size && args.size() <= kMaxArguments; ++i) {
    if (data[i] == 0)
      args.emplace_back();
    else
      args.back() += static_cast<char>(data[i]);
  }
  const veltrane::sim::CommandLine line = veltrane::sim::ParseCommandLine(args);
  Check(line.error.find('\n') == std::string::npos);
  Check(line.error.empty() || line.error.back() != '.');
  if (line.error.empty() && !line.help) Check(line.options.screens >= 1);
  return 0;
}
