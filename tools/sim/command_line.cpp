#include "sim/command_line.h"

#include <charconv>
#include <cstdint>
#include <optional>
#include <string_view>

#include "platform/ipv4.h"

namespace veltrane::sim {
namespace {

template <class Number>
std::optional<Number> ParseNumber(std::string_view text, Number low, Number high) {
  Number value{};
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || value < low || value > high)
    return std::nullopt;
  return value;
}

std::optional<double> ParseShare(const std::string& text) {
  try {
    size_t used = 0;
    const double value = std::stod(text, &used);
    if (used != text.size() || !(value >= 0.0 && value <= 1.0)) return std::nullopt;
    return value;
  } catch (...) {
    return std::nullopt;
  }
}

// "ADDRESS:PORT", "ADDRESS" or "PORT".
bool ParseUdpEndpoint(const std::string& text, SimulatorOptions& options) {
  const size_t colon = text.rfind(':');
  std::string address = colon == std::string::npos ? text : text.substr(0, colon);
  std::string port = colon == std::string::npos ? "" : text.substr(colon + 1);
  if (colon == std::string::npos && address.find('.') == std::string::npos) {
    port = address;
    address.clear();
  }
  if (!address.empty()) {
    const uint32_t parsed = platform::ParseIpv4(address);
    if (parsed == 0xFFFFFFFF) return false;
    options.udpAddress = parsed;
  }
  if (!port.empty()) {
    const auto parsed = ParseNumber<uint16_t>(port, 0, 65535);
    if (!parsed) return false;
    options.udpPort = *parsed;
  }
  return true;
}

}  // namespace

std::string HelpText() {
  return R"(Usage: veltrane-screen [OPTIONS]

A simulated LED screen. It answers the device commands (power, brightness, reset, clock) and
takes program uploads over UDP and/or a serial line, until SIGINT or SIGTERM.

Transports:
  --udp [ADDRESS:]PORT     serve UDP there (default 127.0.0.1:6666)
  --no-udp                 no UDP
  --pty                    serve a pseudo-terminal; its path is printed for the library to open
  --serial DEVICE          serve this serial device instead
  --baud N                 the serial device's speed in bit/s (default 57600)
  --address N              the screen's address, 0..255 (default 1); 255 always reaches it

Faults (shares are 0..1, drawn from a generator seeded with --seed, so runs repeat):
  --seed N                 seed of the fault generator (default 1)
  --drop-requests SHARE    lose this share of requests
  --corrupt-requests SHARE damage this share of requests (they fail their CRC)
  --drop-replies SHARE     lose this share of replies
  --corrupt-replies SHARE  damage this share of replies
  --delay MS               send every reply MS milliseconds late
  --answer-twice           send every reply twice
  --other-port             send UDP replies from another port
  --silent                 answer nothing
  --drop-ack SEQ           do not acknowledge upload packet SEQ (0 = start) the first time
  --nak SEQ                acknowledge upload packet SEQ with status 0 the first time
  --late-ack SEQ           acknowledge upload packet SEQ 1300 ms late the first time
  --stale-acks             precede every upload acknowledgement by the previous one

  -v, --verbose            log each request on stderr
  -h, --help               show this text
)";
}

CommandLine ParseCommandLine(const std::vector<std::string>& args) {
  CommandLine line;
  SimulatorOptions& o = line.options;
  Faults& f = o.faults;
  for (size_t i = 0; i < args.size() && line.error.empty(); ++i) {
    const std::string& arg = args[i];
    const auto value = [&]() -> std::optional<std::string> {
      if (i + 1 >= args.size()) {
        line.error = arg + " needs a value";
        return std::nullopt;
      }
      return args[++i];
    };
    const auto bad = [&](const std::string& v) { line.error = "bad value for " + arg + ": " + v; };
    const auto share = [&](double& into) {
      if (const auto v = value()) {
        if (const auto s = ParseShare(*v)) into = *s;
        else bad(*v);
      }
    };
    const auto packetFault = [&](AckFault fault) {
      if (const auto v = value()) {
        if (const auto seq = ParseNumber<uint32_t>(*v, 0, UINT32_MAX))
          f.packetFaults.push_back({*seq, fault, 1});
        else bad(*v);
      }
    };
    if (arg == "-h" || arg == "--help") {
      line.help = true;
    } else if (arg == "-v" || arg == "--verbose") {
      line.verbose = true;
    } else if (arg == "--udp") {
      if (const auto v = value(); v && !ParseUdpEndpoint(*v, o)) bad(*v);
      o.udp = true;
    } else if (arg == "--no-udp") {
      o.udp = false;
    } else if (arg == "--pty") {
      o.pty = true;
    } else if (arg == "--serial") {
      if (const auto v = value()) o.serialPath = *v;
    } else if (arg == "--baud") {
      if (const auto v = value()) {
        if (const auto n = ParseNumber<int32_t>(*v, 1, 4000000)) o.serialSpeed = *n;
        else bad(*v);
      }
    } else if (arg == "--address") {
      if (const auto v = value()) {
        if (const auto n = ParseNumber<int>(*v, 0, 255)) o.address = static_cast<uint8_t>(*n);
        else bad(*v);
      }
    } else if (arg == "--seed") {
      if (const auto v = value()) {
        if (const auto n = ParseNumber<uint32_t>(*v, 0, UINT32_MAX)) f.seed = *n;
        else bad(*v);
      }
    } else if (arg == "--drop-requests") {
      share(f.dropRequestShare);
    } else if (arg == "--corrupt-requests") {
      share(f.corruptRequestShare);
    } else if (arg == "--drop-replies") {
      share(f.dropReplyShare);
    } else if (arg == "--corrupt-replies") {
      share(f.corruptReplyShare);
    } else if (arg == "--delay") {
      if (const auto v = value()) {
        if (const auto n = ParseNumber<uint32_t>(*v, 0, 600000)) f.delayMs = *n;
        else bad(*v);
      }
    } else if (arg == "--answer-twice") {
      f.answerTwice = true;
    } else if (arg == "--other-port") {
      f.otherSourcePort = true;
    } else if (arg == "--silent") {
      f.silent = true;
    } else if (arg == "--drop-ack") {
      packetFault(AckFault::Drop);
    } else if (arg == "--nak") {
      packetFault(AckFault::StatusZero);
    } else if (arg == "--late-ack") {
      packetFault(AckFault::Late);
    } else if (arg == "--stale-acks") {
      f.staleAcks = true;
    } else {
      line.error = "unknown option " + arg;
    }
  }
  if (line.error.empty() && o.pty && !o.serialPath.empty())
    line.error = "--pty and --serial cannot be used together";
  if (line.error.empty() && !o.udp && !o.pty && o.serialPath.empty())
    line.error = "nothing to serve: give --udp, --pty or --serial";
  return line;
}

}  // namespace veltrane::sim
