// SPDX-License-Identifier: MIT
#pragma once

#include <CLI/CLI.hpp>
#include <functional>

#include "commands.h"
#include "device/screen_commands.h"
#include "program/preview.h"

// The options several subcommands share, each said once, and what a registered subcommand is.
namespace veltrane::cli {

// One subcommand of the command: where CLI11 reads it, and what runs when it is the one given.
struct Subcommand {
  CLI::App* app = nullptr;
  std::function<int()> run;
};

// The options every subcommand that talks to screens takes: one screen (--udp, --serial and what
// goes with them), -v, a fleet instead (--to, --jobs, --only, --retry), and how hard each packet
// is tried (--tries, --window). A fleet names its screens itself, so the options for one screen
// cannot go with it. Returns --to.
CLI::Option* AddScreenOptions(CLI::App* command, ScreenChoice& screens);

// --json: results as one JSON document on stdout (with --to, an array of every screen's).
CLI::Option* AddJsonFlag(CLI::App* command, Reporting& reporting);

// --strict: warnings fail the command.
void AddStrictFlag(CLI::App* command, bool& strict, const char* before);

// --style: how a picture draws each screen pixel.
void AddStyleOption(CLI::App* command, PreviewStyle& style);

}  // namespace veltrane::cli
