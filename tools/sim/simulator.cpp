#include "sim/simulator.h"

#include <algorithm>
#include <array>

#include "link/frame_codec.h"
#include "platform/ipv4.h"
#include "platform/serial_port.h"
#include "platform/system_error.h"
#include "platform/wait.h"
#include "protocol/packets.h"

namespace veltrane::sim {
namespace {

using namespace veltrane::protocol;

// How long the serving thread sleeps when it has nothing queued; a stop wakes it at once.
constexpr uint32_t kIdleWaitMs = 1000;
constexpr uint64_t kNsPerMs = 1000000;

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

}  // namespace

Simulator::ReplyFrame Simulator::EncodeReply(const ReplyHeader& reply) {
  ReplyFrame frame{};
  frame.length = static_cast<size_t>(link::EncodeFrame(EncodeReplyHeader(reply), frame.bytes));
  return frame;
}

Simulator::Simulator(SimulatorOptions options)
    : options_(std::move(options)),
      clock_(platform::SystemClock()),
      lineIn_(options_.pty ? options_.ptyBitsPerSecond : 0),
      faults_(options_.faults),
      lineOut_(options_.pty ? options_.ptyBitsPerSecond : 0) {
  const size_t count = std::max<uint32_t>(options_.screens, 1);
  screens_.reserve(count);
  for (size_t i = 0; i < count; ++i) {
    screens_.emplace_back(address(i));
    ResetFaultState(i);
  }
}

Simulator::~Simulator() { Stop(); }

uint8_t Simulator::address(size_t screen) const {
  return static_cast<uint8_t>(options_.address + (options_.consecutiveAddresses ? screen : 0));
}

bool Simulator::Start(std::string& error) {
  if (options_.udp) {
    Status bound = BindUdpPorts();
    if (bound == Status::Ok) bound = otherUdp_.Open(options_.udpAddress, 0);
    if (bound != Status::Ok) {
      error = "cannot bind " + PortsText() + " on " + platform::FormatIpv4(options_.udpAddress);
      if (const std::string reason = platform::SystemErrorText(bound.systemError());
          !reason.empty())
        error += ": " + reason;
      return false;
    }
  }
  if (options_.pty) {
    pty_ = platform::OpenPseudoTerminal();
    if (pty_.terminalPath.empty()) {
      error = "cannot create a pseudo-terminal";
      return false;
    }
    terminalPath_ = pty_.terminalPath;
  } else if (!options_.serialPath.empty()) {
    if (const Status opened = serial_.Open(options_.serialPath, options_.serialSpeed);
        opened != Status::Ok) {
      error = "cannot open serial device " + options_.serialPath;
      if (const std::string reason = platform::SystemErrorText(opened.systemError());
          !reason.empty())
        error += ": " + reason;
      return false;
    }
  }
  if (!wakeup_.valid() || !timer_.valid()) {
    error = "cannot create the wake-up event and timer";
    return false;
  }
  stopping_ = false;
  thread_ = std::thread(&Simulator::Serve, this);
  return true;
}

std::string Simulator::PortsText() const {
  const std::string port = std::to_string(options_.udpPort);
  if (screens_.size() == 1) return "UDP port " + port;
  return std::to_string(screens_.size()) + " consecutive UDP ports" +
         (options_.udpPort == 0 ? "" : " from " + port);
}

Status Simulator::BindUdpPorts() {
  // Port 0 lets the system pick the first screen's port and the others follow it; when one of
  // those is taken, the run starts again from another first port. The socket that led the failed
  // run stays open until the next one is bound, so the system does not hand out its port again.
  constexpr int kTries = 32;
  Status status;
  for (int attempt = 0; attempt < kTries; ++attempt) {
    const platform::UdpSocket previous = std::move(screens_[0].udp);
    status = screens_[0].udp.Open(options_.udpAddress, options_.udpPort);
    if (status != Status::Ok) return status;
    boundUdpPort_ = screens_[0].udp.LocalPort();
    status = BindFollowingPorts(boundUdpPort_);
    if (status == Status::Ok || options_.udpPort != 0) return status;
  }
  return status;
}

Status Simulator::BindFollowingPorts(uint16_t firstPort) {
  constexpr uint32_t kLastPort = 65535;
  for (size_t i = 1; i < screens_.size(); ++i) {
    if (firstPort + i > kLastPort) return Status::Refused;
    const Status status =
        screens_[i].udp.Open(options_.udpAddress, static_cast<uint16_t>(firstPort + i));
    if (status != Status::Ok) return status;
  }
  return Status::Ok;
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
  // Watched under these keys: the wake-up event, the timer, the serial line, then each screen's
  // socket.
  enum Key : uint32_t { kWakeup, kTimer, kSerial, kFirstScreen };
  platform::InputWatch watch;
  watch.Add(wakeup_, kWakeup);
  watch.Add(timer_, kTimer);
  watch.Add(SerialLine(), kSerial);
  for (size_t i = 0; i < screens_.size(); ++i)
    watch.Add(screens_[i].udp, static_cast<uint32_t>(kFirstScreen + i));
  const size_t keys = kFirstScreen + screens_.size();
  const std::unique_ptr<bool[]> ready(new bool[keys]);
  while (!stopping_) {
    watch.Wait({ready.get(), keys}, kIdleWaitMs);
    // One reading of the clock for the whole wake: all that is ready had arrived by then.
    const uint64_t nowNs = platform::MonotonicNs();
    if (ready[kWakeup]) wakeup_.Clear();
    if (ready[kTimer]) timer_.Clear();
    if (ready[kSerial] && !ReceiveSerial(nowNs)) watch.Remove(SerialLine());
    for (size_t i = 0; i < screens_.size(); ++i)
      if (ready[kFirstScreen + i]) ReceiveUdp(i, nowNs);
    RunDue(nowNs);
  }
}

void Simulator::ReceiveUdp(size_t screen, uint64_t nowNs) {
  // One datagram a wake: the wait reports the socket again while more are queued, so no screen
  // starves the others, and none costs a read that finds nothing.
  link::FrameBuffer datagram;
  platform::Endpoint from;
  const int32_t n = screens_[screen].udp.Receive(datagram, from);
  if (n > 0)
    HandleFrame(screen, {datagram.data(), static_cast<size_t>(n)}, Route::Udp, from, nowNs);
}

bool Simulator::ReceiveSerial(uint64_t nowNs) {
  link::FrameBuffer bytes;
  const size_t n = SerialLine().ReadAvailable(bytes);
  if (n == 0) {
    // Readable yet empty: the device hung up. Stop listening to it rather than spin.
    Log("serial line hung up");
    return false;
  }
  // On a paced line each byte arrives once the line has carried it, so a request is handled when
  // its last byte is through; the bytes are fed one by one to know which byte that is.
  for (size_t i = 0; i < n; ++i) {
    const uint64_t arrivedNs = lineIn_.Carry(nowNs, 1);
    assembler_.Feed(std::span<const uint8_t>(&bytes[i], 1), [&](std::span<const uint8_t> frame) {
      if (!lineIn_.paced()) {
        HandleFrame(0, frame, Route::Serial, {}, nowNs);
        return false;
      }
      std::lock_guard lock(mutex_);
      pending_.Push(arrivedNs, {true, 0, Route::Serial, {}, {}, {frame.begin(), frame.end()}});
      return false;
    });
  }
  return true;
}

void Simulator::HandleFrame(size_t screen, std::span<const uint8_t> frame, Route route,
                            platform::Endpoint from, uint64_t nowNs) {
  std::lock_guard lock(mutex_);
  Served& served = screens_[screen];
  if (Chance(served, faults_.dropRequestShare)) return;
  std::vector<uint8_t> damaged;
  if (Chance(served, faults_.corruptRequestShare)) {
    damaged.assign(frame.begin(), frame.end());
    Corrupt(served, damaged);
    frame = damaged;
  }
  link::FrameBuffer body;
  const int32_t length = link::DecodeFrame(frame, body);
  if (length <= 0) return;
  const std::span<const uint8_t> request(body.data(), static_cast<size_t>(length));
  const auto header = DecodePacketHeader(request);
  const uint32_t acceptedBefore = served.screen.programsAccepted();
  const uint32_t rejectedBefore = served.screen.programsRejected();
  const auto reply = served.screen.Handle(request, clock_.NowMs());
  if (options_.keepProgram && served.screen.programsAccepted() != acceptedBefore)
    options_.keepProgram(served.screen.LastProgram());
  if (!header) return;
  const bool answered = reply && !faults_.silent;
  if (options_.log) {
    const bool refused = served.screen.programsRejected() != rejectedBefore;
    LogRequest(screen, *header, route, from, answered ? &*reply : nullptr,
               refused ? &served.screen.lastRejection() : nullptr);
  }
  if (answered) Answer(served, *reply, *header, {false, screen, route, from, {}, {}}, nowNs);
}

void Simulator::LogRequest(size_t screen, const PacketHeader& request, Route route,
                           platform::Endpoint from, const ReplyHeader* reply,
                           const std::string* refusal) {
  const std::string source = route == Route::Serial
                                 ? "serial"
                                 : "udp " + platform::FormatIpv4(from.address) + ":" +
                                       std::to_string(platform::PortFromNetwork(from.port));
  const std::string to =
      screens_.size() > 1 ? "screen " + std::to_string(screen) + " " : std::string();
  Log(to + source + " " + CommandName(request.cmd) + " address " + std::to_string(request.devAddr) +
      " value " + std::to_string(request.value) +
      (reply != nullptr ? " -> answered " + std::to_string(reply->value) : " -> not answered") +
      (refusal != nullptr ? "; refused the program: " + *refusal : ""));
}

void Simulator::Answer(Served& served, const ReplyHeader& reply, const PacketHeader& request,
                       const Pending& replyTo, uint64_t nowNs) {
  ReplyHeader sent = reply;
  uint32_t delayMs = faults_.delayMs + Jitter(served);
  if (IsUploadCommand(request.cmd)) {
    const auto fault = TakePacketFault(served, request.value);
    if (fault == AckFault::Drop) return;
    if (fault == AckFault::StatusZero) sent.status = 0;
    if (fault == AckFault::Late) delayMs += faults_.lateAckMs;
    if (faults_.staleAcks && served.lastAck)
      Queue(EncodeReply(*served.lastAck), delayMs, replyTo, nowNs);
    served.lastAck = reply;
  }
  ReplyFrame frame = EncodeReply(sent);
  if (Chance(served, faults_.dropReplyShare)) return;
  if (Chance(served, faults_.corruptReplyShare)) Corrupt(served, frame.span());
  Pending to = replyTo;
  if (faults_.otherSourcePort && to.route == Route::Udp) to.route = Route::OtherUdp;
  if (faults_.answerTwice) Queue(frame, delayMs + faults_.duplicateGapMs, to, nowNs);
  Queue(frame, delayMs, to, nowNs);
}

uint32_t Simulator::Jitter(Served& served) {
  // Drawn only when asked for, so that the other faults draw the same numbers as without it.
  if (faults_.jitterMs == 0) return 0;
  return std::uniform_int_distribution<uint32_t>(0, faults_.jitterMs)(served.random);
}

std::optional<AckFault> Simulator::TakePacketFault(Served& served, uint32_t sequence) {
  for (size_t i = 0; i < faults_.packetFaults.size(); ++i) {
    const PacketFault& fault = faults_.packetFaults[i];
    if (fault.sequence != sequence || served.packetFaultHits[i] >= fault.times) continue;
    ++served.packetFaultHits[i];
    return fault.fault;
  }
  return std::nullopt;
}

void Simulator::Queue(const ReplyFrame& frame, uint32_t delayMs, const Pending& to,
                      uint64_t nowNs) {
  uint64_t dueNs = nowNs + uint64_t{delayMs} * kNsPerMs;
  if (to.route == Route::Serial) dueNs = lineOut_.Carry(dueNs, frame.length);
  if (dueNs <= nowNs && pending_.empty()) {
    Send(to.screen, to.route, to.peer, frame.span());
    return;
  }
  Pending reply = to;
  reply.reply = frame;
  pending_.Push(dueNs, std::move(reply));
}

void Simulator::Send(size_t screen, Route route, platform::Endpoint to,
                     std::span<const uint8_t> frame) {
  switch (route) {
    case Route::Udp:
      screens_[screen].udp.Send(frame, to);
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

void Simulator::RunDue(uint64_t nowNs) {
  while (std::optional<Pending> due = TakeDue(nowNs)) {
    if (due->isRequest)
      HandleFrame(due->screen, due->request, due->route, due->peer, nowNs);
    else
      Send(due->screen, due->route, due->peer, due->reply.span());
  }
  std::lock_guard lock(mutex_);
  // Set only when the earliest due time changed: with many screens this runs for every few
  // requests, and the timer keeps its setting until it fires.
  const auto next = pending_.NextDueNs();
  if (next && *next != timerDueNs_) timer_.SetFor(*next);
  if (next) timerDueNs_ = *next;
}

std::optional<Simulator::Pending> Simulator::TakeDue(uint64_t nowNs) {
  std::lock_guard lock(mutex_);
  return pending_.PopDue(nowNs);
}

void Simulator::ResetFaultState(size_t screen) {
  Served& served = screens_[screen];
  // The first screen draws what a lone screen draws; the others are seeded apart from it.
  constexpr uint32_t kSeedSpread = 0x9E3779B9;
  served.random.seed(faults_.seed ^ static_cast<uint32_t>(screen * kSeedSpread));
  served.packetFaultHits.assign(faults_.packetFaults.size(), 0);
  served.lastAck.reset();
}

bool Simulator::Chance(Served& served, double share) {
  if (share <= 0) return false;
  return std::uniform_real_distribution<double>(0.0, 1.0)(served.random) < share;
}

// Changes one byte between the markers that is neither a marker nor an escape into another such
// byte, so the damage is a single wrong body or CRC byte, which the CRC always catches.
void Simulator::Corrupt(Served& served, std::span<uint8_t> frame) {
  if (frame.size() < 3) return;
  const size_t inner = frame.size() - 2;
  const size_t start = std::uniform_int_distribution<size_t>(0, inner - 1)(served.random);
  for (size_t step = 0; step < inner; ++step) {
    uint8_t& b = frame[1 + (start + step) % inner];
    if (IsReserved(b)) continue;
    uint8_t mask = static_cast<uint8_t>(std::uniform_int_distribution<int>(1, 255)(served.random));
    while (IsReserved(static_cast<uint8_t>(b ^ mask))) mask = static_cast<uint8_t>(mask % 255 + 1);
    b ^= mask;
    return;
  }
}

void Simulator::Log(const std::string& line) {
  if (options_.log) options_.log(line);
}

ScreenState Simulator::State(size_t screen) {
  std::lock_guard lock(mutex_);
  return screens_.at(screen).screen.State(clock_.NowMs());
}

std::vector<uint8_t> Simulator::LastProgram(size_t screen) {
  std::lock_guard lock(mutex_);
  return screens_.at(screen).screen.LastProgram();
}

void Simulator::SetValidator(ProgramValidator validator) {
  std::lock_guard lock(mutex_);
  for (Served& served : screens_) served.screen.SetValidator(validator);
}

void Simulator::SetFaults(const Faults& faults) {
  std::lock_guard lock(mutex_);
  faults_ = faults;
  for (size_t i = 0; i < screens_.size(); ++i) ResetFaultState(i);
}

void Simulator::SetPower(int32_t value, size_t screen) {
  std::lock_guard lock(mutex_);
  screens_.at(screen).screen.SetPower(value);
}

void Simulator::SetBrightness(int32_t value, size_t screen) {
  std::lock_guard lock(mutex_);
  screens_.at(screen).screen.SetBrightness(value);
}

}  // namespace veltrane::sim
