// SPDX-License-Identifier: MIT
#include "options.h"

#include <string>

#include "format/link.h"
#include "shared/fleet_file.h"
#include "shared/number_option.h"

namespace veltrane::cli {
namespace {

using tools::NumberIn;

void AddConnectionOptions(CLI::App* command, Connection& connection) {
  command->add_option("--udp", connection.udp,
                      "the screen's address, HOST[:PORT] (port " +
                          std::to_string(format::kScreenPort) + " by default)");
  command
      ->add_option("--local-port", connection.localPort,
                   "local UDP port to send from (default: any)")
      ->transform(NumberIn(tools::kPorts));
  command->add_option("--serial", connection.serial,
                      "the serial device the screen is on, instead of UDP");
  command
      ->add_option("--baud", connection.baud,
                   "serial speed: 9600, 19200, 38400, 57600 (default) or 115200")
      ->transform(tools::LineSpeed());
  command
      ->add_option("--address", connection.address,
                   "the screen's address, 0..255 (default 1; 255: any)")
      ->transform(NumberIn(tools::kScreenAddresses));
  command->add_flag("-v,--verbose", connection.verbose,
                    "show each try, its receive window and each reply on stderr");
}

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
      ->transform(NumberIn({1, static_cast<int64_t>(tools::kMaxFleetScreens)}))
      ->needs(to);
  command
      ->add_option("--only", fleet.only,
                   "with --to: only the screens of these names (NAME[,NAME...])")
      ->delimiter(',')
      ->needs(to);
  command
      ->add_option("--retry", fleet.retry,
                   "with --to: only the screens that did not succeed in FILE, an earlier --json "
                   "result of the fleet")
      ->needs(to);
  return to;
}

void AddTryOptions(CLI::App* command, protocol::TryPolicy& tries) {
  command
      ->add_option("--tries", tries.tries,
                   "sends of each packet before a screen counts as not answering (default " +
                       std::to_string(protocol::kTries) + ")")
      ->transform(NumberIn({1, protocol::kMaxTries}));
  command
      ->add_option("--window", tries.windowMs,
                   "milliseconds each try waits for the answer (default: each command's own; "
                   "1000 for an upload packet)")
      ->transform(NumberIn({1, protocol::kMaxWindowMs}));
}

}  // namespace

CLI::Option* AddScreenOptions(CLI::App* command, ScreenChoice& screens) {
  AddConnectionOptions(command, screens.connection);
  CLI::Option* to = AddFleetOptions(command, screens.fleet);
  AddTryOptions(command, screens.tries);
  return to;
}

CLI::Option* AddJsonFlag(CLI::App* command, Reporting& reporting) {
  return command->add_flag("--json", reporting.json,
                           "print the result as one line of JSON (with --to: a JSON array)");
}

void AddStrictFlag(CLI::App* command, bool& strict, const char* before) {
  command->add_flag("--strict", strict,
                    std::string("treat any warning as an error: exit status 2, ") + before);
}

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

}  // namespace veltrane::cli
