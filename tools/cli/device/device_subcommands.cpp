// SPDX-License-Identifier: MIT
#include "device_subcommands.h"

#include <memory>

#include "ports.h"
#include "sim/command_line.h"
#include "simulated_screen.h"
#include "warnings.h"

namespace veltrane::cli {
namespace {

// What a device subcommand reads from its command line.
struct DeviceOptions {
  ScreenChoice screens{Connection{}};
  Reporting reporting;
};

}  // namespace

Subcommand AddPower(CLI::App& app) {
  struct Options : DeviceOptions {
    std::string state;
  };
  auto o = std::make_shared<Options>();
  CLI::App* command =
      app.add_subcommand("power", "Switch the screen on or off, or print whether it is on");
  command->add_option("STATE", o->state, "on or off; without it, print the state");
  AddScreenOptions(command, o->screens);
  AddJsonFlag(command, o->reporting);
  return {command, [o] {
            const auto state = o->state.empty() ? std::nullopt : std::optional(o->state);
            return Power(o->screens, state, o->reporting);
          }};
}

Subcommand AddBrightness(CLI::App& app) {
  struct Options : DeviceOptions {
    int32_t value = 0;
  };
  auto o = std::make_shared<Options>();
  CLI::App* command = app.add_subcommand("brightness", "Set the screen's brightness, or print it");
  CLI::Option* value =
      command
          ->add_option("N", o->value,
                       "the brightness to set (screens usually take " +
                           std::to_string(kUsualBrightnessMin) + ".." +
                           std::to_string(kUsualBrightnessMax) + "; others are warned about)")
          ->transform(tools::NumberIn(kBrightnessValues));
  AddScreenOptions(command, o->screens);
  AddJsonFlag(command, o->reporting);
  AddStrictFlag(command, o->reporting.strict, "before anything is sent");
  return {command, [o, value] {
            const auto level = value->count() > 0 ? std::optional(o->value) : std::nullopt;
            return Brightness(o->screens, level, o->reporting);
          }};
}

Subcommand AddReset(CLI::App& app) {
  auto o = std::make_shared<DeviceOptions>();
  CLI::App* command = app.add_subcommand("reset", "Reset the screen");
  AddScreenOptions(command, o->screens);
  AddJsonFlag(command, o->reporting);
  return {command, [o] { return Reset(o->screens, o->reporting); }};
}

Subcommand AddSyncTime(CLI::App& app) {
  auto o = std::make_shared<DeviceOptions>();
  CLI::App* command =
      app.add_subcommand("sync-time", "Set the screen's clock to this computer's local time");
  AddScreenOptions(command, o->screens);
  AddJsonFlag(command, o->reporting);
  return {command, [o] { return SyncTime(o->screens, o->reporting); }};
}

Subcommand AddStatus(CLI::App& app) {
  auto o = std::make_shared<DeviceOptions>();
  CLI::App* command = app.add_subcommand(
      "status", "Print the power and brightness of the screen, or of every screen of a fleet");
  AddScreenOptions(command, o->screens);
  command->add_flag("--json", o->reporting.json, "print the results as a JSON array");
  return {command, [o] { return ShowStatus(o->screens, o->reporting); }};
}

Subcommand AddSend(CLI::App& app) {
  struct Options : DeviceOptions {
    std::string file;
  };
  auto o = std::make_shared<Options>();
  CLI::App* command =
      app.add_subcommand("send", "Upload a program file (.json) or program block to the screen");
  command
      ->add_option("PROGRAM", o->file, "program file or raw program block; - reads standard input")
      ->required();
  CLI::Option* to = AddScreenOptions(command, o->screens);
  AddStrictFlag(command, o->reporting.strict, "before anything is sent");
  command->add_flag("--json", o->reporting.json, "with --to: the results as a JSON array")
      ->needs(to);
  return {command, [o] { return Send(o->screens, std::filesystem::path(o->file), o->reporting); }};
}

Subcommand AddPorts(CLI::App& app) {
  CLI::App* command = app.add_subcommand(
      "ports", "List the serial devices a screen may be on (path, by-id name, USB id)");
  return {command, [] { return Ports(); }};
}

Subcommand AddScreen(CLI::App& app) {
  struct Options {
    sim::CommandLine line;
    std::string renderFolder;
    PreviewStyle style = PreviewStyle::Squares;
  };
  auto o = std::make_shared<Options>();
  CLI::App* command = app.add_subcommand(
      "screen", "Run a simulated screen (the options of veltrane-screen, and --render)");
  sim::AddSimulatorOptions(*command, o->line);
  command->add_option("--render", o->renderFolder,
                      "write a PNG of each program received into this folder");
  AddStyleOption(command, o->style);
  return {command, [o, command] {
            o->line.speedGiven = command->count("--baud") > 0;
            return RunScreen(o->line, o->renderFolder, o->style);
          }};
}

Subcommand AddDemo(CLI::App& app) {
  auto output = std::make_shared<std::string>("demo.png");
  CLI::App* command = app.add_subcommand(
      "demo", "Start a simulated screen, send it a demo program and picture what it shows");
  command->add_option("-o,--output", *output, "the PNG to write (default demo.png)");
  return {command, [output] { return Demo(*output); }};
}

}  // namespace veltrane::cli
