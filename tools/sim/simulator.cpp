// SPDX-License-Identifier: MIT
#include "sim/simulator.h"

#include <algorithm>
#include <array>
#include <system_error>

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
// A serving thread of its own pays for itself only with this many screens to keep it busy:
// fewer, and the threads spend more on waking than they save. Screens spread over addresses
// cost a thread less each, their datagrams moving many to a call, so a thread takes more of them.
constexpr size_t kScreensPerThread = 128;
constexpr size_t kAddressedScreensPerThread = 512;
// Datagrams one receive takes from the socket screens spread over addresses share, and what the
// socket holds for each screen: one request in flight, now and then another one beside it.
constexpr size_t kSharedReceiveBatch = 64;
constexpr size_t kSharedBufferBytesPerScreen = 2048;

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
    if (options_.keepProgram) screens_.back().screen.SetValidator(Keeping(CheckProgram));
    ResetFaultState(i);
  }
  MakeShards();
}

void Simulator::MakeShards() {
  const size_t cpus = std::max(1u, std::thread::hardware_concurrency());
  const size_t perThread = spreadOverAddresses() ? kAddressedScreensPerThread : kScreensPerThread;
  const size_t threads = std::clamp<size_t>(screens_.size() / perThread, 1, cpus);
  screensPerShard_ = (screens_.size() + threads - 1) / threads;
  for (size_t first = 0; first < screens_.size(); first += screensPerShard_) {
    auto shard = std::make_unique<Shard>();
    shard->index = shards_.size();
    shard->firstScreen = first;
    shard->screenCount = std::min(screensPerShard_, screens_.size() - first);
    if (spreadOverAddresses()) shard->incomingRoom.resize(kSharedReceiveBatch);
    shards_.push_back(std::move(shard));
  }
}

Simulator::~Simulator() { Stop(); }

uint32_t Simulator::udpAddress(size_t screen) const {
  if (!spreadOverAddresses()) return options_.udpAddress;
  return platform::AddressToNetwork(platform::AddressFromNetwork(options_.udpAddress) +
                                    static_cast<uint32_t>(screen));
}

uint8_t Simulator::address(size_t screen) const {
  return static_cast<uint8_t>(options_.address + (options_.consecutiveAddresses ? screen : 0));
}

bool Simulator::Start(std::string& error) {
  if (options_.udp) {
    Status bound = spreadOverAddresses() ? BindAddressShares() : BindUdpPorts();
    if (bound == Status::Ok) bound = otherUdp_.Open(options_.udpAddress, 0);
    if (bound != Status::Ok) {
      error = "cannot bind " + BindingText();
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
      if (const std::string reason = opened.reason() != nullptr
                                         ? opened.reason()
                                         : platform::SystemErrorText(opened.systemError());
          !reason.empty())
        error += ": " + reason;
      return false;
    }
  }
  for (const auto& shard : shards_) {
    if (!shard->wakeup.valid() || !shard->timer.valid()) {
      error = "cannot create the wake-up events and timers";
      return false;
    }
    if (!WatchInputs(*shard)) {
      error = "cannot watch the screens' sockets and lines for requests";
      return false;
    }
  }
  stopping_ = false;
  try {
    for (const auto& shard : shards_)
      shard->thread = std::thread(&Simulator::Serve, this, std::ref(*shard));
  } catch (const std::system_error&) {
    Stop();
    error = "cannot start the serving threads";
    return false;
  }
  return true;
}

std::string Simulator::BindingText() const {
  const std::string port = std::to_string(options_.udpPort);
  const std::string address = platform::FormatIpv4(options_.udpAddress);
  if (spreadOverAddresses())
    return "UDP port " + port + " on every local address, for " + std::to_string(screens_.size()) +
           " consecutive addresses from " + address;
  if (screens_.size() == 1) return "UDP port " + port + " on " + address;
  return std::to_string(screens_.size()) + " consecutive UDP ports" +
         (options_.udpPort == 0 ? "" : " from " + port) + " on " + address;
}

Status Simulator::BindAddressShares() {
  addressShares_.resize(shards_.size());
  const Status status = addressShares_.size() == 1
                            ? addressShares_[0].Open(options_.udpPort)
                            : platform::AddressedUdpSocket::OpenShares(
                                  addressShares_, options_.udpPort, options_.udpAddress,
                                  static_cast<uint32_t>(screensPerShard_));
  if (status != Status::Ok) return status;
  for (platform::AddressedUdpSocket& share : addressShares_)
    share.SetReceiveBuffer(screensPerShard_ * kSharedBufferBytesPerScreen);
  boundUdpPort_ = addressShares_[0].LocalPort();
  return Status::Ok;
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
    if (firstPort + i > kLastPort) return Status::BadArgument;
    const Status status =
        screens_[i].udp.Open(options_.udpAddress, static_cast<uint16_t>(firstPort + i));
    if (status != Status::Ok) return status;
  }
  return Status::Ok;
}

void Simulator::Stop() {
  stopping_ = true;
  for (const auto& shard : shards_)
    if (shard->thread.joinable()) shard->wakeup.Signal();
  for (const auto& shard : shards_)
    if (shard->thread.joinable()) shard->thread.join();
}

const platform::SerialPort& Simulator::SerialLine() const {
  return serial_.valid() ? serial_ : pty_.controller;
}

// Watched under these keys: the wake-up event, the timer, the serial line (the first shard's),
// then each of the shard's screens' sockets.
enum WatchKey : uint32_t { kWakeup, kTimer, kSerial, kFirstScreen };

bool Simulator::WatchInputs(Shard& shard) {
  platform::InputWatch& watch = shard.watch;
  bool watched = watch.Add(shard.wakeup, kWakeup) && watch.Add(shard.timer, kTimer);
  if (shard.firstScreen == 0) watched = watched && watch.Add(SerialLine(), kSerial);
  // With the screens spread over addresses their own sockets are not open, and not watched.
  if (spreadOverAddresses())
    watched = watched && watch.Add(addressShares_[shard.index], kFirstScreen);
  for (size_t i = 0; i < shard.screenCount && watched; ++i)
    watched =
        watch.Add(screens_[shard.firstScreen + i].udp, static_cast<uint32_t>(kFirstScreen + i));
  return watched;
}

void Simulator::Serve(Shard& shard) {
  platform::InputWatch& watch = shard.watch;
  const size_t keys = kFirstScreen + shard.screenCount;
  const std::unique_ptr<bool[]> ready(new bool[keys]);
  while (!stopping_) {
    watch.Wait({ready.get(), keys}, kIdleWaitMs);
    // One reading of the clock for the whole wake: all that is ready had arrived by then.
    const uint64_t nowNs = platform::MonotonicNs();
    if (ready[kWakeup]) shard.wakeup.Clear();
    if (ready[kTimer]) shard.timer.Clear();
    if (ready[kSerial] && !ReceiveSerial(nowNs)) watch.Remove(SerialLine());
    if (spreadOverAddresses() && ready[kFirstScreen]) ReceiveShared(shard, nowNs);
    for (size_t i = 0; i < shard.screenCount; ++i)
      if (ready[kFirstScreen + i]) ReceiveUdp(shard.firstScreen + i, nowNs);
    RunDue(shard, nowNs);
    SendOutgoing(shard);
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

void Simulator::ReceiveShared(Shard& shard, uint64_t nowNs) {
  // One batch a wake, as with a socket of its own: the wait reports the socket again while more
  // are queued, and the timer's replies get their turn between batches.
  std::array<platform::AddressedDatagram, kSharedReceiveBatch> datagrams;
  for (size_t i = 0; i < kSharedReceiveBatch; ++i) datagrams[i].buffer = shard.incomingRoom[i];
  const size_t taken = addressShares_[shard.index].ReceiveBatch(datagrams);
  for (size_t i = 0; i < taken; ++i) {
    const platform::AddressedDatagram& datagram = datagrams[i];
    const std::optional<size_t> screen = ScreenAt(datagram.local);
    // The system hands the shard only its own screens' datagrams; one for an address the
    // simulator does not serve is not answered.
    if (screen && &ShardOf(*screen) == &shard && datagram.length > 0)
      HandleFrame(*screen, datagram.buffer.first(static_cast<size_t>(datagram.length)), Route::Udp,
                  datagram.from, nowNs);
  }
}

std::optional<size_t> Simulator::ScreenAt(uint32_t address) const {
  const uint32_t index =
      platform::AddressFromNetwork(address) - platform::AddressFromNetwork(options_.udpAddress);
  if (index >= screens_.size()) return std::nullopt;
  return index;
}

void Simulator::SendOutgoing(Shard& shard) {
  if (shard.outgoing.empty()) return;
  // Kept from wake to wake, as `outgoing` is: a wake allocates nothing.
  std::vector<platform::AddressedDatagram>& datagrams = shard.sending;
  datagrams.clear();
  for (Outgoing& reply : shard.outgoing)
    datagrams.push_back({reply.reply.bytes,
                         static_cast<int32_t>(reply.reply.length),
                         {},
                         reply.to,
                         udpAddress(reply.screen)});
  addressShares_[shard.index].SendBatch(datagrams);
  shard.outgoing.clear();
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
      Shard& shard = ShardOf(0);
      std::lock_guard lock(shard.mutex);
      Enqueue(shard, arrivedNs, {true, 0, Route::Serial, {}, {}, {frame.begin(), frame.end()}});
      return false;
    });
  }
  return true;
}

void Simulator::HandleFrame(size_t screen, std::span<const uint8_t> frame, Route route,
                            platform::Endpoint from, uint64_t nowNs) {
  std::lock_guard lock(ShardOf(screen).mutex);
  Served& served = screens_[screen];
  if (served.draws.Chance(faults_.dropRequestShare)) return;
  std::vector<uint8_t> damaged;
  if (served.draws.Chance(faults_.corruptRequestShare)) {
    damaged.assign(frame.begin(), frame.end());
    served.draws.Corrupt(damaged);
    frame = damaged;
  }
  link::FrameBuffer body;
  const int32_t length = link::DecodeFrame(frame, body);
  if (length <= 0) return;
  const std::span<const uint8_t> request(body.data(), static_cast<size_t>(length));
  const auto header = DecodePacketHeader(request);
  const uint32_t rejectedBefore = served.screen.programsRejected();
  const auto reply = served.screen.Handle(request, clock_.NowMs());
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
  // An upload packet's value is its sequence number, which its name already gives.
  const std::string value =
      IsUploadCommand(request.cmd) ? "" : " value " + std::to_string(request.value);
  Log(to + source + " " + PacketName(request.cmd, request.value) + " address " +
      std::to_string(request.devAddr) + value +
      (reply != nullptr ? " -> answered " + std::to_string(reply->value) : " -> not answered") +
      (refusal != nullptr ? "; refused the program: " + *refusal : ""));
}

void Simulator::Answer(Served& served, const ReplyHeader& reply, const PacketHeader& request,
                       const Pending& replyTo, uint64_t nowNs) {
  ReplyHeader sent = reply;
  uint32_t delayMs = faults_.delayMs + served.draws.Jitter(faults_);
  if (IsUploadCommand(request.cmd)) {
    const auto fault = served.draws.TakePacketFault(faults_, request.value);
    if (fault == AckFault::Drop) return;
    if (fault == AckFault::StatusZero) sent.status = 0;
    if (fault == AckFault::Late) delayMs += faults_.lateAckMs;
    if (faults_.staleAcks && served.lastAck)
      Queue(EncodeReply(*served.lastAck), delayMs, replyTo, nowNs);
    served.lastAck = reply;
  }
  ReplyFrame frame = EncodeReply(sent);
  if (served.draws.Chance(faults_.dropReplyShare)) return;
  if (served.draws.Chance(faults_.corruptReplyShare)) served.draws.Corrupt(frame.span());
  Pending to = replyTo;
  if (faults_.otherSourcePort && to.route == Route::Udp) to.route = Route::OtherUdp;
  if (faults_.answerTwice) Queue(frame, delayMs + faults_.duplicateGapMs, to, nowNs);
  Queue(frame, delayMs, to, nowNs);
}

void Simulator::Queue(const ReplyFrame& frame, uint32_t delayMs, const Pending& to,
                      uint64_t nowNs) {
  uint64_t dueNs = nowNs + uint64_t{delayMs} * kNsPerMs;
  if (to.route == Route::Serial) dueNs = lineOut_.Carry(dueNs, frame.length);
  Shard& shard = ShardOf(to.screen);
  if (dueNs <= nowNs && shard.pending.empty()) {
    Send(to.screen, to.route, to.peer, frame);
    return;
  }
  Pending reply = to;
  reply.reply = frame;
  Enqueue(shard, dueNs, std::move(reply));
}

void Simulator::Enqueue(Shard& shard, uint64_t dueNs, Pending work) {
  ++queued_;
  shard.pending.Push(dueNs, std::move(work));
}

void Simulator::Send(size_t screen, Route route, platform::Endpoint to, const ReplyFrame& frame) {
  switch (route) {
    case Route::Udp:
      if (spreadOverAddresses())
        ShardOf(screen).outgoing.push_back({screen, to, frame});
      else
        screens_[screen].udp.Send(frame.span(), to);
      break;
    case Route::OtherUdp:
      otherUdp_.Send(frame.span(), to);
      break;
    case Route::Serial:
      SerialLine().WriteAll(frame.span());
      break;
  }
  ++repliesSent_;
}

void Simulator::RunDue(Shard& shard, uint64_t nowNs) {
  while (std::optional<Pending> due = TakeDue(shard, nowNs)) {
    if (due->isRequest)
      HandleFrame(due->screen, due->request, due->route, due->peer, nowNs);
    else
      Send(due->screen, due->route, due->peer, due->reply);
    --queued_;
  }
  std::lock_guard lock(shard.mutex);
  // Set only when the earliest due time changed: with many screens this runs for every few
  // requests, and the timer keeps its setting until it fires.
  const auto next = shard.pending.NextDueNs();
  if (next && *next != shard.timerDueNs) shard.timer.SetFor(*next);
  if (next) shard.timerDueNs = *next;
}

std::optional<Simulator::Pending> Simulator::TakeDue(Shard& shard, uint64_t nowNs) {
  std::lock_guard lock(shard.mutex);
  return shard.pending.PopDue(nowNs);
}

std::vector<std::unique_lock<std::mutex>> Simulator::LockAllShards() {
  // Always in the same order, and a serving thread takes only its own: none waits on another.
  std::vector<std::unique_lock<std::mutex>> locks;
  locks.reserve(shards_.size());
  for (const auto& shard : shards_) locks.emplace_back(shard->mutex);
  return locks;
}

void Simulator::ResetFaultState(size_t screen) {
  Served& served = screens_[screen];
  served.draws.Reset(faults_, screen);
  served.lastAck.reset();
  served.screen.SetRefusingPrograms(faults_.refusePrograms);
}

void Simulator::Log(const std::string& line) {
  if (!options_.log) return;
  std::lock_guard lock(callbackMutex_);
  options_.log(line);
}

ProgramValidator Simulator::Keeping(ProgramValidator validator) {
  if (!options_.keepProgram) return validator;
  return [this, validator = std::move(validator)](std::span<const uint8_t> program) {
    if (validator)
      if (std::optional<std::string> defect = validator(program)) return defect;
    std::lock_guard lock(callbackMutex_);
    return options_.keepProgram(program);
  };
}

ScreenState Simulator::State(size_t screen) {
  const Served& served = screens_.at(screen);
  std::lock_guard lock(ShardOf(screen).mutex);
  return served.screen.State(clock_.NowMs());
}

std::vector<uint8_t> Simulator::LastProgram(size_t screen) {
  const Served& served = screens_.at(screen);
  std::lock_guard lock(ShardOf(screen).mutex);
  return served.screen.LastProgram();
}

void Simulator::SetValidator(ProgramValidator validator) {
  const auto locks = LockAllShards();
  for (Served& served : screens_) served.screen.SetValidator(Keeping(validator));
}

void Simulator::SetFaults(const Faults& faults) {
  const auto locks = LockAllShards();
  faults_ = faults;
  for (size_t i = 0; i < screens_.size(); ++i) ResetFaultState(i);
}

void Simulator::SetPower(int32_t value, size_t screen) {
  Served& served = screens_.at(screen);
  std::lock_guard lock(ShardOf(screen).mutex);
  served.screen.SetPower(value);
}

void Simulator::SetBrightness(int32_t value, size_t screen) {
  Served& served = screens_.at(screen);
  std::lock_guard lock(ShardOf(screen).mutex);
  served.screen.SetBrightness(value);
}

}  // namespace veltrane::sim
