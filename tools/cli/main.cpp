// SPDX-License-Identifier: MIT
// veltrane: switch, set and feed LED screens from a terminal or a script.
#include <CLI/CLI.hpp>
#include <cstdio>

#include "commands.h"
#include "device/device_subcommands.h"
#include "options.h"
#include "platform/tools/terminal.h"
#include "program/program_subcommands.h"
#include "shared/output_file.h"
#include "shared/usage_error.h"
#include "studio.h"
#include "veltrane/veltrane.h"

namespace {

using namespace veltrane::cli;

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

int Run(int argc, char** argv) {
  CLI::App app{"veltrane: drive LED display controllers over UDP or a serial line"};
  app.require_subcommand(1);
  app.set_version_flag("--version", "veltrane " VELTRANE_VERSION_STRING);
  const Subcommand subcommands[] = {
      AddPower(app),  AddBrightness(app), AddReset(app),   AddSyncTime(app),
      AddStatus(app), AddSend(app),       AddInspect(app), AddPreview(app),
      AddScreen(app), AddPorts(app),      AddDemo(app),    veltrane::studio::AddStudio(app),
  };
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    if (e.get_exit_code() == 0) return app.exit(e);  // --help and --version
    SayError(UsageSentence(app, e, argc, argv));
    return kExitUsage;
  }
  for (const Subcommand& subcommand : subcommands)
    if (*subcommand.app) return subcommand.run();
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
