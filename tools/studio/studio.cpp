// SPDX-License-Identifier: MIT
#include "studio.h"

#include <cstdio>
#include <filesystem>
#include <memory>
#include <thread>

#include "access.h"
#include "commands.h"
#include "platform/ipv4.h"
#include "platform/tools/browser.h"
#include "platform/tools/process_limits.h"
#include "platform/tools/wakeup.h"
#include "previews.h"
#include "server.h"
#include "shared/number_option.h"

namespace veltrane::studio {
namespace {

constexpr const char* kLoopback = "127.0.0.1";

// The address to bind: --listen's, read as IPv4 text; nothing (said on stderr) when it is none.
std::optional<std::string> ListenAddress(const std::string& given) {
  if (given.empty()) return kLoopback;
  const uint32_t address = platform::ParseIpv4(given);
  if (address == 0xFFFFFFFF) {
    cli::SayError("studio: --listen: expected an IPv4 address, got \"" + given + "\"");
    return std::nullopt;
  }
  return platform::FormatIpv4(address);
}

// The address a browser on this machine opens: an "any address" bind is reached at loopback.
std::string Url(const std::string& address, int port, const std::string& token) {
  const std::string host = address == "0.0.0.0" ? kLoopback : address;
  return "http://" + host + ":" + std::to_string(port) + "/?" + std::string(kTokenQuery) + "=" +
         token;
}

}  // namespace

cli::Subcommand AddStudio(CLI::App& app) {
  auto options = std::make_shared<StudioOptions>();
  CLI::App* studio = app.add_subcommand(
      "studio", "Design, preview and send programs in the browser (a page served from here)");
  studio->add_option("FOLDER", options->folder,
                     "the folder whose program files, pictures and fleet files the page may use "
                     "(default: the current one)");
  studio
      ->add_option("--port", options->port,
                   "the port to listen on (default " + std::to_string(kDefaultStudioPort) +
                       "; 0: any free port)")
      ->transform(tools::NumberIn(tools::kPorts));
  studio->add_option("--listen", options->listen,
                     "listen on this IPv4 address instead of 127.0.0.1 alone (0.0.0.0: every "
                     "address); anyone who reaches it with the printed address can use the studio");
  studio->add_flag("--open", options->open, "open the page in the desktop's browser");
  return {studio, [options] { return RunStudio(*options); }};
}

int RunStudio(const StudioOptions& options) {
  std::error_code error;
  if (!std::filesystem::is_directory(options.folder, error)) {
    cli::SayError("studio: " + options.folder + " is not a folder");
    return cli::kExitUsage;
  }
  const std::optional<std::string> address = ListenAddress(options.listen);
  if (!address) return cli::kExitUsage;
  // Taken before any thread starts, so that only this thread sees the signals.
  platform::StopRequest stopRequest;
  if (stopRequest.Open() != Status::Ok) {
    cli::SayError("studio: cannot watch for SIGINT and SIGTERM");
    return cli::kExitScreen;
  }
  platform::KeepFreedMemory(kPreviewMemory);
  const std::string token = MakeToken();
  StudioServer server(options.folder, token);
  const std::optional<int> port = server.Bind(*address, options.port);
  if (!port) {
    cli::SayError("studio: cannot listen on " + *address + ":" + std::to_string(options.port) +
                  " (is another program using the port?)");
    return cli::kExitScreen;
  }
  const std::string url = Url(*address, *port, token);
  std::printf("veltrane studio: serving %s at\n  %s\n(Ctrl-C ends it)\n",
              std::filesystem::canonical(options.folder).c_str(), url.c_str());
  if (!address->starts_with("127."))
    std::printf(
        "veltrane studio: listening on %s: anyone who can reach it and has the address "
        "above can drive your screens\n",
        address->c_str());
  std::fflush(stdout);
  server.Start();
  // xdg-open may wait for the browser it starts, so the studio does not wait for it.
  if (options.open) std::thread([url] { platform::OpenInBrowser(url); }).detach();
  // One wait, as long as the system allows one, until a signal ends it: an idle studio never wakes.
  constexpr uint32_t kLongestWaitMs = UINT32_MAX;
  while (stopRequest.WaitReadable(kLongestWaitMs) == platform::WaitResult::TimedOut) {
  }
  server.Stop();
  return cli::kExitOk;
}

}  // namespace veltrane::studio
