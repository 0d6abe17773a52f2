// veltrane: switch, set and feed LED screens from a terminal or a script.
#include <CLI/CLI.hpp>

#include <cstdio>

#include "commands.h"
#include "platform/clock.h"

namespace {

using namespace veltrane::cli;

int Run(int argc, char** argv) {
  CLI::App app{"veltrane: drive LED display controllers over UDP or a serial line"};
  app.require_subcommand(1);

  std::string inspectFile;
  CLI::App* inspect = app.add_subcommand("inspect", "Print the record tree of a program file (.json) or program block (.bin)");
  inspect->add_option("FILE", inspectFile, "program file or raw program block")->required();

  std::string previewFile, previewOut, previewTime;
  int scale = 4;
  CLI::App* preview = app.add_subcommand("preview", "Render what a screen would show for a program, as a PNG");
  preview->add_option("PROGRAM", previewFile, "program file (.json) or raw program block")->required();
  preview->add_option("-o,--output", previewOut, "the PNG to write")->required();
  preview->add_option("--time", previewTime, "time of day to show, HH:MM:SS (default: now)");
  preview->add_option("--scale", scale, "pixels per screen pixel")->check(CLI::Range(1, 32));

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    const int code = app.exit(e);
    return code == 0 ? kExitOk : kExitUsage;
  }

  if (*inspect) return Inspect(inspectFile);
  if (*preview) {
    const veltrane::platform::LocalTime now = veltrane::platform::CurrentClock().Local();
    auto time = previewTime.empty() ? std::optional(now) : ParseTimeOfDay(previewTime, now);
    if (!time) {
      std::fprintf(stderr, "veltrane: --time: expected HH:MM:SS, got \"%s\"\n", previewTime.c_str());
      return kExitUsage;
    }
    return Preview(previewFile, previewOut, *time, scale);
  }
  return kExitUsage;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    return Run(argc, argv);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "veltrane: %s\n", e.what());
    return kExitUsage;
  }
}
