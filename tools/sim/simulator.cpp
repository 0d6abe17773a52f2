#include "sim/simulator.h"

#include <algorithm>
#include <array>

#include "link/frame_codec.h"
#include "platform/ipv4.h"
#include "platform/serial_port.h"
#include "platform/wait.h"
#include "protocol/packets.h"

namespace veltrane::sim {
namespace {

using namespace veltrane::protocol;

// How long the serving thread sleeps when it has nothing queued; a stop wakes it at once.
constexpr uint32_t kIdleWaitMs = 1000;

bool IsUploadCommand(uint16_t cmd) {
  return cmd == CMD_UPLOAD_START || cmd == CMD_UPLOAD_DATA || cmd == CMD_UPLOAD_END;
}

bool IsReserved(uint8_t b) {
  return b == link::kFrameStart || b == link::kFrameEnd || b == link::kFrameEscape;
}

const char* CommandName(uint16_t cmd) {
  switch (cmd) {
    case CMD_UPLOAD_START:
      return "upload-start";
    case CMD_UPLOAD_END:
      return "upload-end";
    case CMD_UPLOAD_DATA:
      return "upload-data";
    case CMD_SET_TIME:
      return "set-time";
    case CMD_GET_POWER:
      return "get-power";
    case CMD_SET_POWER:
      return "set-power";
    case CMD_GET_BRIGHT:
      return "get-bright";
    case CMD_SET_BRIGHT:
      return "set-bright";
    case CMD_RESET:
      return "reset";
    default:
      return "unknown";
  }
}

// A reply's frame, built in place.
struct ReplyFrame {
  std::array<uint8_t, link::EncodedFrameBound(kReplyBytes)> bytes;
  size_t length;
  std::span<uint8_t> span() { return {bytes.data(), length}; }
};

ReplyFrame EncodeReply(const ReplyHeader& reply) {
  ReplyFrame frame{};
  frame.length = static_cast<size_t>(link::EncodeFrame(EncodeReplyHeader(reply), frame.bytes));
  return frame;
}

// True when `due` is not later than `now` on the wrapping tick.
bool IsDue(uint32_t due, uint32_t now) { return platform::ElapsedMs(due, now) < 0x80000000u; }

}  // namespace

Simulator::Simulator(SimulatorOptions options)
    : options_(std::move(options)),
      clock_(platform::SystemClock()),
      screen_(options_.address),
      faults_(options_.faults),
      random_(options_.faults.seed),
      packetFaultHits_(options_.faults.packetFaults.size(), 0) {}

Simulator::~Simulator() { Stop(); }

bool Simulator::Start(std::string& error) {
  if (options_.udp) {
    if (udp_.Open(options_.udpAddress, options_.udpPort) != Status::Ok ||
        otherUdp_.Open(options_.udpAddress, 0) != Status::Ok) {
      error = "cannot bind UDP port " + std::to_string(options_.udpPort) + " on " +
              platform::FormatIpv4(options_.udpAddress);
      return false;
    }
    boundUdpPort_ = udp_.LocalPort();
  }
  if (options_.pty) {
    pty_ = platform::OpenPseudoTerminal();
    if (pty_.terminalPath.empty()) {
      error = "cannot create a pseudo-terminal";
      return false;
    }
    terminalPath_ = pty_.terminalPath;
  } else if (!options_.serialPath.empty()) {
    if (serial_.Open(options_.serialPath, options_.serialSpeed) != Status::Ok) {
      error = "cannot open serial device " + options_.serialPath;
      return false;
    }
  }
  if (!wakeup_.valid()) {
    error = "cannot create the wake-up event";
    return false;
  }
  stopping_ = false;
  thread_ = std::thread(&Simulator::Serve, this);
  return true;
}

void Simulator::Stop() {
  if (!thread_.joinable()) return;
  stopping_ = true;
  wakeup_.Signal();
  thread_.join();
}

const platform::SerialPort& Simulator::SerialLine() const {
  return serial_.valid() ? serial_ : pty_.controller;
}

void Simulator::Serve() {
  enum Source : uint32_t { kWakeup, kUdp, kSerial, kSources };
  platform::InputWatch watch;
  watch.Add(wakeup_, kWakeup);
  watch.Add(udp_, kUdp);
  watch.Add(SerialLine(), kSerial);
  while (!stopping_) {
    std::array<bool, kSources> ready{};
    watch.Wait(ready, MsUntilNextDue());
    if (ready[kWakeup]) wakeup_.Clear();
    if (ready[kUdp]) ReceiveUdp();
    if (ready[kSerial] && !ReceiveSerial()) watch.Remove(SerialLine());
    SendDue();
  }
}

void Simulator::ReceiveUdp() {
  link::FrameBuffer datagram;
  platform::Endpoint from;
  const int32_t n = udp_.Receive(datagram, from);
  if (n > 0) HandleFrame({datagram.data(), static_cast<size_t>(n)}, Route::Udp, from);
}

bool Simulator::ReceiveSerial() {
  link::FrameBuffer bytes;
  const size_t n = SerialLine().ReadAvailable(bytes);
  if (n == 0) {
    // Readable yet empty: the device hung up. Stop listening to it rather than spin.
    Log("serial line hung up");
    return false;
  }
  assembler_.Feed(std::span<const uint8_t>(bytes.data(), n), [&](std::span<const uint8_t> frame) {
    HandleFrame(frame, Route::Serial, {});
    return false;
  });
  return true;
}

void Simulator::HandleFrame(std::span<const uint8_t> frame, Route route, platform::Endpoint from) {
  std::lock_guard lock(mutex_);
  if (Chance(faults_.dropRequestShare)) return;
  std::vector<uint8_t> damaged;
  if (Chance(faults_.corruptRequestShare)) {
    damaged.assign(frame.begin(), frame.end());
    Corrupt(damaged);
    frame = damaged;
  }
  link::FrameBuffer body;
  const int32_t length = link::DecodeFrame(frame, body);
  if (length <= 0) return;
  const std::span<const uint8_t> request(body.data(), static_cast<size_t>(length));
  const auto header = DecodePacketHeader(request);
  const uint32_t accepted = screen_.State(0).programsAccepted;
  const auto reply = screen_.Handle(request, clock_.NowMs());
  if (options_.keepProgram && screen_.State(0).programsAccepted != accepted)
    options_.keepProgram(screen_.LastProgram());
  if (!header) return;
  const bool answered = reply && !faults_.silent;
  if (options_.log) LogRequest(*header, route, from, answered ? &*reply : nullptr);
  if (answered) Answer(*reply, *header, route, from);
}

void Simulator::LogRequest(const PacketHeader& request, Route route, platform::Endpoint from,
                           const ReplyHeader* reply) {
  const std::string source = route == Route::Serial
                                 ? "serial"
                                 : "udp " + platform::FormatIpv4(from.address) + ":" +
                                       std::to_string(platform::PortFromNetwork(from.port));
  Log(source + " " + CommandName(request.cmd) + " address " + std::to_string(request.devAddr) +
      " value " + std::to_string(request.value) +
      (reply != nullptr ? " -> answered " + std::to_string(reply->value) : " -> not answered"));
}

void Simulator::Answer(const ReplyHeader& reply, const PacketHeader& request, Route route,
                       platform::Endpoint to) {
  ReplyHeader sent = reply;
  uint32_t delayMs = faults_.delayMs;
  if (IsUploadCommand(request.cmd)) {
    const auto fault = TakePacketFault(request.value);
    if (fault == AckFault::Drop) return;
    if (fault == AckFault::StatusZero) sent.status = 0;
    if (fault == AckFault::Late) delayMs += faults_.lateAckMs;
    if (faults_.staleAcks && lastAck_) Queue(EncodeReply(*lastAck_).span(), delayMs, route, to);
    lastAck_ = reply;
  }
  ReplyFrame frame = EncodeReply(sent);
  if (Chance(faults_.dropReplyShare)) return;
  if (Chance(faults_.corruptReplyShare)) Corrupt(frame.span());
  if (faults_.otherSourcePort && route == Route::Udp) route = Route::OtherUdp;
  if (faults_.answerTwice) Queue(frame.span(), delayMs + faults_.duplicateGapMs, route, to);
  Queue(frame.span(), delayMs, route, to);
}

std::optional<AckFault> Simulator::TakePacketFault(uint32_t sequence) {
  for (size_t i = 0; i < faults_.packetFaults.size(); ++i) {
    const PacketFault& fault = faults_.packetFaults[i];
    if (fault.sequence != sequence || packetFaultHits_[i] >= fault.times) continue;
    ++packetFaultHits_[i];
    return fault.fault;
  }
  return std::nullopt;
}

void Simulator::Queue(std::span<const uint8_t> frame, uint32_t delayMs, Route route,
                      platform::Endpoint to) {
  if (delayMs == 0 && outgoing_.empty()) {
    Send(route, to, frame);
    return;
  }
  outgoing_.push_back({clock_.NowMs() + delayMs, route, to, {frame.begin(), frame.end()}});
}

void Simulator::Send(Route route, platform::Endpoint to, std::span<const uint8_t> frame) {
  switch (route) {
    case Route::Udp:
      udp_.Send(frame, to);
      break;
    case Route::OtherUdp:
      otherUdp_.Send(frame, to);
      break;
    case Route::Serial:
      SerialLine().WriteAll(frame);
      break;
  }
  ++repliesSent_;
}

void Simulator::SendDue() {
  std::lock_guard lock(mutex_);
  if (outgoing_.empty()) return;
  const uint32_t now = clock_.NowMs();
  auto due = std::stable_partition(outgoing_.begin(), outgoing_.end(),
                                   [&](const Outgoing& o) { return IsDue(o.dueMs, now); });
  for (auto it = outgoing_.begin(); it != due; ++it) Send(it->route, it->to, it->frame);
  outgoing_.erase(outgoing_.begin(), due);
}

uint32_t Simulator::MsUntilNextDue() {
  std::lock_guard lock(mutex_);
  const uint32_t now = clock_.NowMs();
  uint32_t wait = kIdleWaitMs;
  for (const Outgoing& o : outgoing_)
    wait = std::min(wait, IsDue(o.dueMs, now) ? 0u : o.dueMs - now);
  return wait;
}

bool Simulator::Chance(double share) {
  if (share <= 0) return false;
  return std::uniform_real_distribution<double>(0.0, 1.0)(random_) < share;
}

// Changes one byte between the markers that is neither a marker nor an escape into another such
// byte, so the damage is a single wrong body or CRC byte, which the CRC always catches.
void Simulator::Corrupt(std::span<uint8_t> frame) {
  if (frame.size() < 3) return;
  const size_t inner = frame.size() - 2;
  const size_t start = std::uniform_int_distribution<size_t>(0, inner - 1)(random_);
  for (size_t step = 0; step < inner; ++step) {
    uint8_t& b = frame[1 + (start + step) % inner];
    if (IsReserved(b)) continue;
    uint8_t mask = static_cast<uint8_t>(std::uniform_int_distribution<int>(1, 255)(random_));
    while (IsReserved(static_cast<uint8_t>(b ^ mask))) mask = static_cast<uint8_t>(mask % 255 + 1);
    b ^= mask;
    return;
  }
}

void Simulator::Log(const std::string& line) {
  if (options_.log) options_.log(line);
}

ScreenState Simulator::State() {
  std::lock_guard lock(mutex_);
  return screen_.State(clock_.NowMs());
}

std::vector<uint8_t> Simulator::LastProgram() {
  std::lock_guard lock(mutex_);
  return screen_.LastProgram();
}

void Simulator::SetValidator(ProgramValidator validator) {
  std::lock_guard lock(mutex_);
  screen_.SetValidator(std::move(validator));
}

void Simulator::SetFaults(const Faults& faults) {
  std::lock_guard lock(mutex_);
  faults_ = faults;
  random_.seed(faults.seed);
  packetFaultHits_.assign(faults.packetFaults.size(), 0);
  lastAck_.reset();
}

void Simulator::SetPower(int32_t value) {
  std::lock_guard lock(mutex_);
  screen_.SetPower(value);
}

void Simulator::SetBrightness(int32_t value) {
  std::lock_guard lock(mutex_);
  screen_.SetBrightness(value);
}

}  // namespace veltrane::sim
