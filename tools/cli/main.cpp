// veltrane: switch, set and feed LED screens from a terminal or a script.
#include <CLI/CLI.hpp>
#include <cstdio>

#include "commands.h"
#include "fleet.h"
#include "format/link.h"
#include "platform/clock.h"
#include "platform/terminal.h"
#include "ports.h"
#include "preview.h"
#include "screen_commands.h"
#include "shared/number_option.h"
#include "shared/output_file.h"
#include "shared/time_text.h"
#include "shared/usage_error.h"
#include "sim/command_line.h"
#include "simulated_screen.h"
#include "studio.h"
#include "veltrane/veltrane.h"
#include "warnings.h"

namespace {

using namespace veltrane::cli;
using veltrane::tools::kPorts;
using veltrane::tools::kScreenAddresses;
using veltrane::tools::LineSpeed;
using veltrane::tools::NumberIn;

// The options every subcommand that talks to a screen takes.
void AddConnectionOptions(CLI::App* command, Connection& connection) {
  command->add_option("--udp", connection.udp,
                      "the screen's address, HOST[:PORT] (port " +
                          std::to_string(veltrane::format::kScreenPort) + " by default)");
  command
      ->add_option("--local-port", connection.localPort,
                   "local UDP port to send from (default: any)")
      ->transform(NumberIn(kPorts));
  command->add_option("--serial", connection.serial,
                      "the serial device the screen is on, instead of UDP");
  command
      ->add_option("--baud", connection.baud,
                   "serial speed: 9600, 19200, 38400, 57600 (default) or 115200")
      ->transform(LineSpeed());
  command
      ->add_option("--address", connection.address,
                   "the screen's address, 0..255 (default 1; 255: any)")
      ->transform(NumberIn(kScreenAddresses));
  command->add_flag("-v,--verbose", connection.verbose,
                    "show each try, its receive window and each reply on stderr");
}

// --json: results as one JSON document on stdout (with --to, an array of every screen's).
void AddJsonFlag(CLI::App* command, Reporting& reporting) {
  command->add_flag("--json", reporting.json,
                    "print the result as one line of JSON (with --to: a JSON array)");
}

// --strict: warnings fail the command.
void AddStrictFlag(CLI::App* command, bool& strict, const char* before) {
  command->add_flag("--strict", strict,
                    std::string("treat any warning as an error: exit status 2, ") + before);
}

// --to and what goes with it, for every subcommand that talks to a screen. A fleet names its
// screens itself, so the options for one screen cannot go with it.
CLI::Option* AddFleetOptions(CLI::App* command, FleetOptions& fleet) {
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
      ->transform(NumberIn({1, static_cast<int64_t>(veltrane::tools::kMaxFleetScreens)}))
      ->needs(to);
  return to;
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

// One sentence for a command line CLI11 refused. A first word that names no command gets its own.
std::string UsageSentence(const CLI::App& app, const CLI::ParseError& error, int argc,
                          char** argv) {
  const std::vector<CLI::App*> given = app.get_subcommands();
  if (given.empty() && dynamic_cast<const CLI::RequiredError*>(&error) != nullptr) {
    std::string commands;
    for (const CLI::App* command : app.get_subcommands({}))
      commands += (commands.empty() ? "" : ", ") + command->get_name();
    if (argc > 1 && argv[1][0] != '-')
      return "no command \"" + std::string(argv[1]) + "\"; the commands are " + commands;
    return "say what to do: " + commands + " (see veltrane --help)";
  }
  const std::string where = given.empty() ? "" : given.front()->get_name() + ": ";
  return where + veltrane::tools::UsageSentence(error) + " (see veltrane " +
         (given.empty() ? "" : given.front()->get_name() + " ") + "--help)";
}

// The time a preview shows: --time on today's date, --at, or now when neither is given; nothing
// (said on stderr) for a value that cannot be read, an empty one included.
std::optional<veltrane::platform::LocalTime> PreviewTime(
    const std::optional<std::string>& timeOfDay, const std::optional<std::string>& at) {
  const veltrane::platform::LocalTime now = veltrane::platform::SystemClock().Local();
  if (at) {
    const auto time = veltrane::tools::ParseDateTime(*at);
    if (!time) SayError("--at: expected \"YYYY-MM-DD HH:MM:SS\", got \"" + *at + "\"");
    return time;
  }
  if (!timeOfDay) return now;
  const auto time = veltrane::tools::ParseTimeOfDay(*timeOfDay, now);
  if (!time) SayError("--time: expected HH:MM:SS, got \"" + *timeOfDay + "\"");
  return time;
}

// The value of `option` when the command line gave it, even as an empty word.
std::optional<std::string> GivenText(const CLI::Option* option, const std::string& value) {
  return option->count() > 0 ? std::optional(value) : std::nullopt;
}

int Run(int argc, char** argv) {
  CLI::App app{"veltrane: drive LED display controllers over UDP or a serial line"};
  app.require_subcommand(1);
  app.set_version_flag("--version", "veltrane " VELTRANE_VERSION_STRING);
  Connection connection;
  Reporting reporting;
  FleetOptions fleet;

  std::string powerState;
  CLI::App* power =
      app.add_subcommand("power", "Switch the screen on or off, or print whether it is on");
  power->add_option("STATE", powerState, "on or off; without it, print the state");
  AddConnectionOptions(power, connection);
  AddJsonFlag(power, reporting);
  AddFleetOptions(power, fleet);

  int32_t brightness = 0;
  CLI::App* bright = app.add_subcommand("brightness", "Set the screen's brightness, or print it");
  CLI::Option* brightnessValue =
      bright
          ->add_option("N", brightness,
                       "the brightness to set (screens usually take " +
                           std::to_string(kUsualBrightnessMin) + ".." +
                           std::to_string(kUsualBrightnessMax) + "; others are warned about)")
          ->transform(NumberIn(kBrightnessValues));
  AddConnectionOptions(bright, connection);
  AddJsonFlag(bright, reporting);
  AddStrictFlag(bright, reporting.strict, "before anything is sent");
  AddFleetOptions(bright, fleet);

  CLI::App* reset = app.add_subcommand("reset", "Reset the screen");
  AddConnectionOptions(reset, connection);
  AddJsonFlag(reset, reporting);
  AddFleetOptions(reset, fleet);
  CLI::App* syncTime =
      app.add_subcommand("sync-time", "Set the screen's clock to this computer's local time");
  AddConnectionOptions(syncTime, connection);
  AddJsonFlag(syncTime, reporting);
  AddFleetOptions(syncTime, fleet);

  std::string sendFile;
  CLI::App* send =
      app.add_subcommand("send", "Upload a program file (.json) or program block to the screen");
  send->add_option("PROGRAM", sendFile, "program file or raw program block; - reads standard input")
      ->required();
  AddConnectionOptions(send, connection);
  AddStrictFlag(send, reporting.strict, "before anything is sent");
  CLI::Option* sendTo = AddFleetOptions(send, fleet);
  send->add_flag("--json", reporting.json, "with --to: the results as a JSON array")->needs(sendTo);

  std::string inspectFile;
  CLI::App* inspect = app.add_subcommand(
      "inspect", "Print the record tree of a program file (.json) or program block (.bin)");
  inspect
      ->add_option("FILE", inspectFile, "program file or raw program block; - reads standard input")
      ->required();
  bool summary = false;
  inspect->add_flag("--summary", summary,
                    "one line per page and per area: kind, rectangle, bytes and content in short");
  AddJsonFlag(inspect, reporting);
  AddStrictFlag(inspect, reporting.strict, "printing nothing else");

  std::string previewFile, previewOut, previewTime, previewAt;
  int64_t previewPage = 0;  // signed, so that a negative page is refused as what it is
  int scale = kDefaultPreviewScale;
  CLI::App* preview =
      app.add_subcommand("preview", "Render what a screen would show for a program, as a PNG");
  preview
      ->add_option("PROGRAM", previewFile,
                   "program file (.json) or raw program block; - reads standard input")
      ->required();
  preview->add_option(
      "-o,--output", previewOut,
      "the PNG to write (default: the program's name ending in .png; needed for -)");
  CLI::Option* timeOption =
      preview->add_option("--time", previewTime, "time of day to show, HH:MM:SS (default: now)");
  CLI::Option* atOption =
      preview
          ->add_option("--at", previewAt,
                       "date and time to show, \"YYYY-MM-DD HH:MM:SS\" (default: now)")
          ->excludes(timeOption);
  CLI::Option* pageOption =
      preview->add_option("--page", previewPage, "draw only page N (from 1; default: every page)");
  preview->add_option("--scale", scale, "pixels per screen pixel (default 4)")
      ->transform(NumberIn({1, kMaxPreviewScale}));
  PreviewLook look;
  AddStyleOption(preview, look.style);
  preview->add_flag("--labels", look.labels, "a \"page N\" row under each page");
  AddStrictFlag(preview, reporting.strict, "writing no picture");

  std::string renderFolder;
  CLI::App* screen = app.add_subcommand(
      "screen", "Run a simulated screen (the options of veltrane-screen, and --render)");
  veltrane::sim::CommandLine screenLine;
  veltrane::sim::AddSimulatorOptions(*screen, screenLine);
  screen->add_option("--render", renderFolder,
                     "write a PNG of each program received into this folder");
  PreviewStyle renderStyle = PreviewStyle::Squares;
  AddStyleOption(screen, renderStyle);

  CLI::App* ports = app.add_subcommand(
      "ports", "List the serial devices a screen may be on (path, by-id name, USB id)");

  std::string demoOut = "demo.png";
  CLI::App* demo = app.add_subcommand(
      "demo", "Start a simulated screen, send it a demo program and picture what it shows");
  demo->add_option("-o,--output", demoOut, "the PNG to write (default demo.png)");

  veltrane::studio::StudioOptions studioOptions;
  CLI::App* studio = veltrane::studio::AddStudioCommand(app, studioOptions);

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    if (e.get_exit_code() == 0) return app.exit(e);  // --help and --version
    SayError(UsageSentence(app, e, argc, argv));
    return kExitUsage;
  }

  // A fleet reports as the single commands do: --json and --strict mean the same with --to.
  fleet.json = reporting.json;
  fleet.strict = reporting.strict;
  const bool toFleet = !fleet.file.empty();
  const auto state = powerState.empty() ? std::nullopt : std::optional(powerState);
  const auto level = brightnessValue->count() ? std::optional(brightness) : std::nullopt;
  if (*power) return toFleet ? FleetPower(fleet, state) : Power(connection, state, reporting);
  if (*bright)
    return toFleet ? FleetBrightness(fleet, level) : Brightness(connection, level, reporting);
  if (*reset) return toFleet ? FleetReset(fleet) : Reset(connection, reporting);
  if (*syncTime) return toFleet ? FleetSyncTime(fleet) : SyncTime(connection, reporting);
  if (*send)
    return toFleet ? FleetSend(fleet, sendFile)
                   : Send(connection, std::filesystem::path(sendFile), reporting.strict);
  if (*inspect) return Inspect(inspectFile, reporting, summary);
  if (*preview) {
    const auto time =
        PreviewTime(GivenText(timeOption, previewTime), GivenText(atOption, previewAt));
    if (!time) return kExitUsage;
    const auto out = previewOut.empty() ? DefaultPreviewPath(previewFile)
                                        : std::optional<std::filesystem::path>(previewOut);
    if (!out) {
      SayError(previewFile == "-"
                   ? "preview: the program comes from standard input; say where the picture "
                     "goes with -o"
                   : "preview: the picture would be written over " + previewFile +
                         "; say where it goes with -o");
      return kExitUsage;
    }
    if (pageOption->count() > 0 && previewPage < 1) {
      SayError("--page " + std::to_string(previewPage) + ": pages are counted from 1");
      return kExitUsage;
    }
    look.scale = scale;
    if (pageOption->count() > 0) look.page = static_cast<size_t>(previewPage - 1);
    return Preview(previewFile, *out, *time, look, reporting.strict);
  }
  if (*screen) {
    screenLine.speedGiven = screen->count("--baud") > 0;
    return RunScreen(screenLine, renderFolder, renderStyle);
  }
  if (*demo) return Demo(demoOut);
  if (*studio) return veltrane::studio::RunStudio(studioOptions);
  if (*ports) return Ports();
  return kExitUsage;
}

}  // namespace

int main(int argc, char** argv) {
  veltrane::platform::HoldClosedStandardStreams();
  int status = kExitUsage;
  try {
    status = Run(argc, argv);
  } catch (const std::exception& e) {
    SayError(e.what());
  }
  return veltrane::tools::FinishStandardOutput("veltrane", status);
}
