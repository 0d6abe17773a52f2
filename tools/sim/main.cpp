// veltrane-screen: a simulated screen on UDP and/or a serial line, until SIGINT or SIGTERM.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "sim/command_line.h"
#include "sim/serve.h"
#include "veltrane/veltrane.h"

namespace {

constexpr int kExitOk = 0;
constexpr int kExitUsage = 2;

void LogToStderr(const std::string& line) { std::fprintf(stderr, "%s\n", line.c_str()); }

// Writes each program to folder/program-N.bin, N counting from 1. One it cannot write is reported
// on stderr, and the screen serves on.
std::function<void(std::span<const uint8_t>)> ProgramWriter(const std::filesystem::path& folder) {
  return [folder, count = 0](std::span<const uint8_t> program) mutable {
    const std::filesystem::path file = folder / ("program-" + std::to_string(++count) + ".bin");
    std::ofstream out(file, std::ios::binary);
    out.write(reinterpret_cast<const char*>(program.data()),
              static_cast<std::streamsize>(program.size()));
    if (!out.flush())
      std::fprintf(stderr, "veltrane-screen: cannot write %s.\n", file.string().c_str());
  };
}

}  // namespace

int main(int argc, char** argv) {
  using namespace veltrane;
  sim::CommandLine line = sim::ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
  if (line.help) {
    std::fputs(sim::HelpText().c_str(), stdout);
    return kExitOk;
  }
  if (line.version) {
    std::puts("veltrane-screen " VELTRANE_VERSION_STRING);
    return kExitOk;
  }
  if (!line.error.empty()) {
    std::fprintf(stderr, "veltrane-screen: %s (see --help).\n", line.error.c_str());
    return kExitUsage;
  }
  if (line.verbose) line.options.log = LogToStderr;
  if (!line.saveFolder.empty()) line.options.keepProgram = ProgramWriter(line.saveFolder);

  return sim::ServeUntilSignalled(line.options, "veltrane-screen");
}
