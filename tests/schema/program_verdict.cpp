// SPDX-License-Identifier: MIT
// The program-file reader's verdict on each file named on the command line, one line per file:
// "accepted", or "refused" and the reader's sentence. Reads nothing but the files, builds nothing:
// what the reader alone makes of them, for the schema test to compare with the schema's verdict.
#include <cstdio>
#include <string>

#include "common/status_text.h"
#include "program_file/program_file.h"
#include "shared/input_file.h"

int main(int argc, char** argv) {
  using namespace veltrane;
  for (int i = 1; i < argc; ++i) {
    const auto read =
        tools::ReadBoundedInput(argv[i], {"a program file", cli::kMaxProgramFileBytes});
    if (!read) {
      std::printf("unreadable\t%s\n", StatusText(read.error()).c_str());
      continue;
    }
    const std::vector<uint8_t>& bytes = *read;
    const auto parsed =
        cli::ParseProgramFile({reinterpret_cast<const char*>(bytes.data()), bytes.size()}, {});
    if (!parsed)
      std::printf("refused\t%s\n", StatusText(parsed.error()).c_str());
    else
      std::printf("accepted\n");
  }
  return 0;
}
