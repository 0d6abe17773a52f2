// SPDX-License-Identifier: MIT
#include "sim/command_line.h"

#include <CLI/CLI.hpp>
#include <cstdint>

#include "common/status_text.h"
#include "platform/ipv4.h"
#include "shared/number_option.h"
#include "shared/screen_words.h"
#include "shared/udp_endpoint.h"
#include "shared/usage_error.h"

namespace veltrane::sim {
namespace {

constexpr const char* kTransports = "Transports";
constexpr const char* kScreens = "Screens";
constexpr const char* kFaults = "Faults";
constexpr uint32_t kMaxDelayMs = 600000;
constexpr uint32_t kMaxScreens = 4096;

// A share of traffic to hit, 0..1 (NaN is refused too).
void AddShare(CLI::App& app, const std::string& name, double& into, const std::string& what) {
  app.add_option_function<double>(
         name,
         [&into, name](double share) {
           if (!(share >= 0.0 && share <= 1.0))
             throw CLI::ValidationError(name, "expected a share 0..1");
           into = share;
         },
         what)
      ->type_name("SHARE")
      ->group(kFaults);
}

// A fault on one upload packet's acknowledgement; the option may be given again for more packets.
void AddPacketFault(CLI::App& app, const std::string& name, Faults& faults, AckFault fault,
                    const std::string& what) {
  app.add_option_function<uint32_t>(
         name,
         [&faults, fault](uint32_t sequence) {
           faults.packetFaults.push_back({sequence, fault, 1});
         },
         what)
      ->type_name("SEQ")
      ->transform(tools::NumberIn({0, UINT32_MAX}))
      ->trigger_on_parse()
      ->group(kFaults);
}

void AddTransportOptions(CLI::App& app, SimulatorOptions& o) {
  const tools::UdpEndpoint fallback{o.udpAddress, o.udpPort};
  app.add_option_function<std::string>(
         "--udp",
         [&o, fallback](const std::string& text) {
           // An empty value is a mistake (an unset variable in a script), not the default.
           if (text.empty())
             throw CLI::ValidationError("--udp", "expected [ADDRESS:]PORT, got \"\"");
           const auto parsed = tools::ParseUdpEndpoint(text, fallback, tools::EndpointRole::Server);
           if (!parsed) throw CLI::ValidationError("--udp", StatusText(parsed.error()));
           o.udpAddress = parsed->address;
           o.udpPort = parsed->port;
           o.udp = true;
         },
         "serve UDP there (default " + platform::FormatIpv4(o.udpAddress) + ":" +
             std::to_string(o.udpPort) + "; port 0: any free port)")
      ->type_name("[ADDRESS:]PORT")
      ->trigger_on_parse()
      ->group(kTransports);
  app.add_flag_callback(
         "--no-udp", [&o] { o.udp = false; }, "no UDP")
      ->trigger_on_parse()
      ->group(kTransports);
  app.add_flag("--pty", o.pty,
               "serve a pseudo-terminal; its path is printed for the library to open")
      ->group(kTransports);
  app.add_option("--serial", o.serialPath, "serve this serial device instead")
      ->type_name("DEVICE")
      ->group(kTransports);
  app.add_option_function<int32_t>(
         "--baud",
         [&o](int32_t baud) {
           o.serialSpeed = baud;
           o.ptyBitsPerSecond = static_cast<uint32_t>(baud);
         },
         "the serial device's speed in bit/s: " + tools::BaudChoices() + " (default " +
             std::to_string(o.serialSpeed) +
             "); with --pty, the rate it carries bytes at both ways, 10 bits a byte (else "
             "unpaced)")
      ->type_name("N")
      ->transform(tools::LineSpeed())
      ->group(kTransports);
  app.add_option_function<int32_t>(
         "--address", [&o](int32_t address) { o.address = static_cast<uint8_t>(address); },
         "the screen's address, 0..255 (default " + std::to_string(o.address) +
             "); 255 always reaches it")
      ->type_name("N")
      ->transform(tools::NumberIn(tools::kScreenAddresses))
      ->group(kTransports);
}

void AddScreenOptions(CLI::App& app, SimulatorOptions& o) {
  app.add_option("--screens", o.screens,
                 "serve N screens (1.." + std::to_string(kMaxScreens) +
                     ", default 1) at consecutive UDP ports or addresses (--spread); the serial "
                     "line reaches the first")
      ->type_name("N")
      ->transform(tools::NumberIn({1, kMaxScreens}))
      ->group(kScreens);
  app.add_option_function<std::string>(
         "--addresses",
         [&o](const std::string& rule) {
           if (rule != "same" && rule != "consecutive")
             throw CLI::ValidationError("--addresses", "expected same or consecutive");
           o.consecutiveAddresses = rule == "consecutive";
         },
         "same (every screen answers --address; the default) or consecutive (screen i answers "
         "--address + i)")
      ->type_name("RULE")
      ->group(kScreens);
  app.add_option_function<std::string>(
         "--spread",
         [&o](const std::string& rule) {
           if (rule != "ports" && rule != "addresses")
             throw CLI::ValidationError("--spread", "expected ports or addresses");
           o.udpSpread = rule == "ports" ? UdpSpread::Ports : UdpSpread::Addresses;
         },
         "ports (screen i at --udp's port + i; the default) or addresses (screen i at --udp's "
         "address + i, all at its port, a socket for each serving thread serving its share of "
         "them: the datagrams of many screens move in one system call)")
      ->type_name("RULE")
      ->group(kScreens);
}

void AddFaultOptions(CLI::App& app, Faults& f) {
  app.add_option("--seed", f.seed, "seed of the fault generator (default 1)")
      ->type_name("N")
      ->transform(tools::NumberIn({0, UINT32_MAX}))
      ->group(kFaults);
  AddShare(app, "--drop-requests", f.dropRequestShare, "lose this share of requests");
  AddShare(app, "--corrupt-requests", f.corruptRequestShare,
           "damage this share of requests (they fail their CRC)");
  AddShare(app, "--drop-replies", f.dropReplyShare, "lose this share of replies");
  AddShare(app, "--corrupt-replies", f.corruptReplyShare, "damage this share of replies");
  app.add_option("--delay", f.delayMs,
                 "send every reply MS milliseconds late, without holding back other replies")
      ->type_name("MS")
      ->transform(tools::NumberIn({0, kMaxDelayMs}))
      ->group(kFaults);
  app.add_option("--jitter", f.jitterMs,
                 "send every reply up to MS milliseconds later again, drawn for each reply")
      ->type_name("MS")
      ->transform(tools::NumberIn({0, kMaxDelayMs}))
      ->group(kFaults);
  app.add_flag("--answer-twice", f.answerTwice, "send every reply twice")->group(kFaults);
  app.add_flag("--other-port", f.otherSourcePort, "send UDP replies from another port")
      ->group(kFaults);
  app.add_flag("--silent", f.silent, "answer nothing")->group(kFaults);
  AddPacketFault(app, "--drop-ack", f, AckFault::Drop,
                 "do not acknowledge upload packet SEQ (0 = start) the first time");
  AddPacketFault(app, "--nak", f, AckFault::StatusZero,
                 "acknowledge upload packet SEQ with status 0 the first time");
  AddPacketFault(
      app, "--late-ack", f, AckFault::Late,
      "acknowledge upload packet SEQ " + std::to_string(f.lateAckMs) + " ms late the first time");
  app.add_flag("--stale-acks", f.staleAcks,
               "precede every upload acknowledgement by the previous one")
      ->group(kFaults);
  app.add_flag("--refuse-programs", f.refusePrograms,
               "refuse every program at its end packet (status 0), as a screen without room would")
      ->group(kFaults);
}

// Transports that cannot be served together, or none at all; screens whose ports or addresses
// run out.
std::string CheckTransports(const SimulatorOptions& o) {
  if (o.pty && !o.serialPath.empty()) return "--pty and --serial cannot be used together";
  if (!o.udp && !o.pty && o.serialPath.empty())
    return "nothing to serve: give --udp, --pty or --serial";
  const bool byAddress = o.udpSpread == UdpSpread::Addresses;
  if (o.udp && byAddress && platform::AddressFromNetwork(o.udpAddress) > UINT32_MAX - o.screens + 1)
    return std::to_string(o.screens) + " screens from address " +
           platform::FormatIpv4(o.udpAddress) + " run past 255.255.255.255";
  if (o.udp && !byAddress && o.udpPort != 0 && o.udpPort + o.screens - 1 > tools::kPorts.high)
    return std::to_string(o.screens) + " screens from port " + std::to_string(o.udpPort) +
           " run past port " + std::to_string(tools::kPorts.high);
  if (o.consecutiveAddresses && o.address + o.screens - 1 > tools::kScreenAddresses.high)
    return std::to_string(o.screens) + " consecutive addresses from " + std::to_string(o.address) +
           " run past " + std::to_string(tools::kScreenAddresses.high);
  return "";
}

// The whole veltrane-screen command line, read into `line`.
void DescribeCommandLine(CLI::App& app, CommandLine& line) {
  app.name("veltrane-screen");
  app.description(
      "A simulated LED screen. It answers the device commands (power, brightness, reset, clock)\n"
      "and takes program uploads over UDP and/or a serial line, until SIGINT or SIGTERM.");
  AddSimulatorOptions(app, line);
}

}  // namespace

void AddSimulatorOptions(CLI::App& app, CommandLine& line) {
  app.footer(
      "Fault shares are 0..1, drawn from a generator seeded with --seed, so runs repeat; each\n"
      "screen has its own generator, seeded from --seed and its index.");
  // Every option may be given again; the last one counts, as in most Unix tools.
  app.option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
  AddTransportOptions(app, line.options);
  AddScreenOptions(app, line.options);
  AddFaultOptions(app, line.options.faults);
  app.add_option("--save-programs", line.saveFolder,
                 "write each program the screen accepts to DIR/program-N.bin (N counting from 1) "
                 "before acknowledging its end")
      ->type_name("DIR");
  app.add_flag("-v,--verbose", line.verbose, "log each request on stderr");
  app.add_flag("--version", line.version, "show the version");
}

std::string CheckCommandLine(const CommandLine& line) {
  if (std::string error = CheckTransports(line.options); !error.empty()) return error;
  if (line.speedGiven && !line.options.pty && line.options.serialPath.empty())
    return "--baud sets a serial line's speed: give --pty or --serial too";
  return "";
}

std::string HelpText() {
  CLI::App app;
  CommandLine unused;
  DescribeCommandLine(app, unused);
  return app.help();
}

CommandLine ParseCommandLine(const std::vector<std::string>& args) {
  CommandLine line;
  CLI::App app;
  DescribeCommandLine(app, line);
  // CLI11 takes a vector of arguments last one first.
  std::vector<std::string> reversed(args.rbegin(), args.rend());
  try {
    app.parse(reversed);
  } catch (const CLI::CallForHelp&) {
    line.help = true;
    return line;
  } catch (const CLI::ParseError& error) {
    line.error = tools::UsageSentence(error);
    return line;
  }
  line.speedGiven = app.count("--baud") > 0;
  line.error = CheckCommandLine(line);
  return line;
}

}  // namespace veltrane::sim
