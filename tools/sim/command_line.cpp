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
      --version            show the version
)";
}

namespace {

// Walks the arguments, taking option values and recording the first error.
class ArgumentReader {
 public:
  ArgumentReader(const std::vector<std::string>& args, CommandLine& line)
      : args_(args), line_(line) {}

  bool Next() { return ++index_ < args_.size() && line_.error.empty(); }
  const std::string& option() const { return args_[index_]; }

  std::optional<std::string> Value() {
    if (index_ + 1 >= args_.size()) {
      line_.error = option() + " needs a value";
      return std::nullopt;
    }
    return args_[++index_];
  }

  template <class Number>
  void NumberInto(Number& into, Number low, Number high) {
    if (const auto v = Value()) {
      if (const auto n = ParseNumber<Number>(*v, low, high))
        into = *n;
      else
        Bad(*v);
    }
  }

  void ShareInto(double& into) {
    if (const auto v = Value()) {
      if (const auto share = ParseShare(*v))
        into = *share;
      else
        Bad(*v);
    }
  }

  void UdpEndpointInto(SimulatorOptions& options) {
    if (const auto v = Value(); v && !ParseUdpEndpoint(*v, options)) Bad(*v);
    options.udp = true;
  }

  void AddPacketFault(Faults& faults, AckFault fault) {
    uint32_t sequence = 0;
    const std::string before = line_.error;
    NumberInto<uint32_t>(sequence, 0, UINT32_MAX);
    if (line_.error == before) faults.packetFaults.push_back({sequence, fault, 1});
  }

  void Unknown() { line_.error = "unknown option " + option(); }

 private:
  void Bad(const std::string& value) { line_.error = "bad value for " + option() + ": " + value; }

  const std::vector<std::string>& args_;
  CommandLine& line_;
  size_t index_ = static_cast<size_t>(-1);
};

void ApplyOption(ArgumentReader& in, CommandLine& line) {
  SimulatorOptions& o = line.options;
  Faults& f = o.faults;
  const std::string& arg = in.option();
  if (arg == "-h" || arg == "--help")
    line.help = true;
  else if (arg == "--version")
    line.version = true;
  else if (arg == "-v" || arg == "--verbose")
    line.verbose = true;
  else if (arg == "--udp")
    in.UdpEndpointInto(o);
  else if (arg == "--no-udp")
    o.udp = false;
  else if (arg == "--pty")
    o.pty = true;
  else if (arg == "--serial")
    o.serialPath = in.Value().value_or("");
  else if (arg == "--baud")
    in.NumberInto<int32_t>(o.serialSpeed, 1, 4000000);
  else if (arg == "--address")
    in.NumberInto<uint8_t>(o.address, 0, 255);
  else if (arg == "--seed")
    in.NumberInto<uint32_t>(f.seed, 0, UINT32_MAX);
  else if (arg == "--drop-requests")
    in.ShareInto(f.dropRequestShare);
  else if (arg == "--corrupt-requests")
    in.ShareInto(f.corruptRequestShare);
  else if (arg == "--drop-replies")
    in.ShareInto(f.dropReplyShare);
  else if (arg == "--corrupt-replies")
    in.ShareInto(f.corruptReplyShare);
  else if (arg == "--delay")
    in.NumberInto<uint32_t>(f.delayMs, 0, 600000);
  else if (arg == "--answer-twice")
    f.answerTwice = true;
  else if (arg == "--other-port")
    f.otherSourcePort = true;
  else if (arg == "--silent")
    f.silent = true;
  else if (arg == "--drop-ack")
    in.AddPacketFault(f, AckFault::Drop);
  else if (arg == "--nak")
    in.AddPacketFault(f, AckFault::StatusZero);
  else if (arg == "--late-ack")
    in.AddPacketFault(f, AckFault::Late);
  else if (arg == "--stale-acks")
    f.staleAcks = true;
  else
    in.Unknown();
}

}  // namespace

CommandLine ParseCommandLine(const std::vector<std::string>& args) {
  CommandLine line;
  ArgumentReader in(args, line);
  while (in.Next()) ApplyOption(in, line);
  const SimulatorOptions& o = line.options;
  if (line.error.empty() && o.pty && !o.serialPath.empty())
    line.error = "--pty and --serial cannot be used together";
  if (line.error.empty() && !o.udp && !o.pty && o.serialPath.empty())
    line.error = "nothing to serve: give --udp, --pty or --serial";
  return line;
}

}  // namespace veltrane::sim
