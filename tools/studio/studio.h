// SPDX-License-Identifier: MIT
#pragma once

#include <CLI/CLI.hpp>
#include <string>

#include "options.h"

namespace veltrane::studio {

// The port the studio listens on unless told.
constexpr int kDefaultStudioPort = 6680;

// `veltrane studio [FOLDER] [--port N] [--listen ADDR] [--open]`.
struct StudioOptions {
  std::string folder = ".";
  int port = kDefaultStudioPort;
  std::string listen;  // an IPv4 address; empty: 127.0.0.1 only
  bool open = false;
};

// Adds the `studio` subcommand to `app`.
cli::Subcommand AddStudio(CLI::App& app);

// Serves the studio until SIGINT or SIGTERM: prints the address to open, with its token, and
// with `open` asks the desktop to open it. The exit status: 0 when stopped, 1 when the port
// could not be had, 2 for bad usage.
int RunStudio(const StudioOptions& options);

}  // namespace veltrane::studio
