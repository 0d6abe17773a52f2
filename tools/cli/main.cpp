// veltrane: switch, set and feed LED screens from a terminal or a script.
#include <CLI/CLI.hpp>
#include <cstdio>

#include "commands.h"
#include "fleet.h"
#include "format/link.h"
#include "platform/clock.h"
#include "ports.h"
#include "preview.h"
#include "screen_commands.h"
#include "simulated_screen.h"
#include "veltrane/veltrane.h"

namespace {

using namespace veltrane::cli;

// The options every subcommand that talks to a screen takes.
void AddConnectionOptions(CLI::App* command, Connection& connection) {
  command->add_option("--udp", connection.udp,
                      "the screen's address, HOST[:PORT] (port " +
                          std::to_string(veltrane::format::kScreenPort) + " by default)");
  command->add_option("--local-port", connection.localPort,
                      "local UDP port to send from (default: any)");
  command->add_option("--serial", connection.serial,
                      "the serial device the screen is on, instead of UDP");
  command->add_option("--baud", connection.baud,
                      "serial speed: 9600, 19200, 38400, 57600 (default) or 115200");
  command->add_option("--address", connection.address,
                      "the screen's address, 0..255 (default 1; 255: any)");
}

// --to and what goes with it, for every subcommand that talks to a screen. A fleet names its
// screens itself, so the options for one screen cannot go with it.
void AddFleetOptions(CLI::App* command, FleetOptions& fleet) {
  CLI::Option* to = command->add_option(
      "--to", fleet.file,
      "a fleet file: every screen it lists (one a line: udp HOST[:PORT] or serial PATH, with "
      "--baud N, --address N and name=NAME)");
  for (const char* single : {"--udp", "--local-port", "--serial", "--baud", "--address"})
    to->excludes(command->get_option(single));
  command
      ->add_option("--jobs", fleet.jobs,
                   "with --to: screens driven at once (default: 512 per CPU, at most 1024; "
                   "screens on one serial device or UDP endpoint take turns)")
      ->check(CLI::Range(size_t{1}, veltrane::tools::kMaxFleetScreens))
      ->needs(to);
  command->add_flag("--json", fleet.json, "with --to: the results as a JSON array")->needs(to);
}

// --style: how a picture draws each screen pixel.
void AddStyleOption(CLI::App* command, PreviewStyle& style) {
  command
      ->add_option_function<std::string>(
          "--style",
          [&style](const std::string& name) {
            style = name == "dots" ? PreviewStyle::Dots : PreviewStyle::Squares;
          },
          "squares (default, exact pixels) or dots (round LEDs, as the sign looks)")
      ->check(CLI::IsMember({"squares", "dots"}));
}

int Run(int argc, char** argv) {
  CLI::App app{"veltrane: drive LED display controllers over UDP or a serial line"};
  app.require_subcommand(1);
  app.set_version_flag("--version", "veltrane " VELTRANE_VERSION_STRING);
  Connection connection;
  FleetOptions fleet;

  std::string powerState;
  CLI::App* power =
      app.add_subcommand("power", "Switch the screen on or off, or print whether it is on");
  power->add_option("STATE", powerState, "on or off; without it, print the state");
  AddConnectionOptions(power, connection);
  AddFleetOptions(power, fleet);

  int32_t brightness = 0;
  CLI::App* bright = app.add_subcommand("brightness", "Set the screen's brightness, or print it");
  CLI::Option* brightnessValue = bright->add_option("N", brightness, "the brightness to set");
  AddConnectionOptions(bright, connection);
  AddFleetOptions(bright, fleet);

  CLI::App* reset = app.add_subcommand("reset", "Reset the screen");
  AddConnectionOptions(reset, connection);
  AddFleetOptions(reset, fleet);
  CLI::App* syncTime =
      app.add_subcommand("sync-time", "Set the screen's clock to this computer's local time");
  AddConnectionOptions(syncTime, connection);
  AddFleetOptions(syncTime, fleet);

  std::string sendFile;
  CLI::App* send =
      app.add_subcommand("send", "Upload a program file (.json) or program block to the screen");
  send->add_option("PROGRAM", sendFile, "program file or raw program block")->required();
  AddConnectionOptions(send, connection);
  AddFleetOptions(send, fleet);

  std::string inspectFile;
  CLI::App* inspect = app.add_subcommand(
      "inspect", "Print the record tree of a program file (.json) or program block (.bin)");
  inspect->add_option("FILE", inspectFile, "program file or raw program block")->required();

  std::string previewFile, previewOut, previewTime;
  int scale = kDefaultPreviewScale;
  CLI::App* preview =
      app.add_subcommand("preview", "Render what a screen would show for a program, as a PNG");
  preview->add_option("PROGRAM", previewFile, "program file (.json) or raw program block")
      ->required();
  preview->add_option("-o,--output", previewOut, "the PNG to write")->required();
  preview->add_option("--time", previewTime, "time of day to show, HH:MM:SS (default: now)");
  preview->add_option("--scale", scale, "pixels per screen pixel (default 4)")
      ->check(CLI::Range(1, 32));
  PreviewLook look;
  AddStyleOption(preview, look.style);
  preview->add_flag("--labels", look.labels, "a \"page N\" row under each page");

  std::string renderFolder;
  CLI::App* screen = app.add_subcommand(
      "screen", "Run a simulated screen (options as veltrane-screen --help lists them)");
  screen->add_option("--render", renderFolder,
                     "write a PNG of each program received into this folder");
  PreviewStyle renderStyle = PreviewStyle::Squares;
  AddStyleOption(screen, renderStyle);
  screen->allow_extras();
  screen->set_help_flag();  // --help goes to the simulator's own help

  CLI::App* ports = app.add_subcommand(
      "ports", "List the serial devices a screen may be on (path, by-id name, USB id)");

  std::string demoOut = "demo.png";
  CLI::App* demo = app.add_subcommand(
      "demo", "Start a simulated screen, send it a demo program and picture what it shows");
  demo->add_option("-o,--output", demoOut, "the PNG to write (default demo.png)");

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    return app.exit(e) == 0 ? kExitOk : kExitUsage;
  }

  const bool toFleet = !fleet.file.empty();
  const auto state = powerState.empty() ? std::nullopt : std::optional(powerState);
  const auto level = brightnessValue->count() ? std::optional(brightness) : std::nullopt;
  if (*power) return toFleet ? FleetPower(fleet, state) : Power(connection, state);
  if (*bright) return toFleet ? FleetBrightness(fleet, level) : Brightness(connection, level);
  if (*reset) return toFleet ? FleetReset(fleet) : Reset(connection);
  if (*syncTime) return toFleet ? FleetSyncTime(fleet) : SyncTime(connection);
  if (*send)
    return toFleet ? FleetSend(fleet, sendFile) : Send(connection, std::filesystem::path(sendFile));
  if (*inspect) return Inspect(inspectFile);
  if (*preview) {
    const veltrane::platform::LocalTime now = veltrane::platform::SystemClock().Local();
    auto time = previewTime.empty() ? std::optional(now) : ParseTimeOfDay(previewTime, now);
    if (!time) {
      SayError("--time: expected HH:MM:SS, got \"" + previewTime + "\"");
      return kExitUsage;
    }
    look.scale = scale;
    return Preview(previewFile, previewOut, *time, look);
  }
  if (*screen) return RunScreen(screen->remaining(), renderFolder, renderStyle);
  if (*demo) return Demo(demoOut);
  if (*ports) return Ports();
  return kExitUsage;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    return Run(argc, argv);
  } catch (const std::exception& e) {
    SayError(e.what());
    return kExitUsage;
  }
}
