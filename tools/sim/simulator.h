// SPDX-License-Identifier: MIT
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "format/link.h"
#include "link/frame_assembler.h"
#include "link/frame_codec.h"
#include "platform/serial_port.h"
#include "platform/tools/addressed_udp_socket.h"
#include "platform/tools/input_watch.h"
#include "platform/tools/pseudo_terminal.h"
#include "platform/tools/timer.h"
#include "platform/tools/wakeup.h"
#include "platform/udp_socket.h"
#include "protocol/packets.h"
#include "sim/faults.h"
#include "sim/paced_line.h"
#include "sim/screen.h"
#include "sim/timer_queue.h"

namespace veltrane::sim {

// Where the screens of a simulator are found over UDP.
enum class UdpSpread {
  Ports,      // each at its own port, consecutive from udpPort, all at udpAddress
  Addresses,  // each at its own address, consecutive from udpAddress, all at udpPort: a socket
              // for each serving thread then serves its share of them, and the datagrams of
              // many move in one system call
};

struct SimulatorOptions {
  uint8_t address = 1;  // the first screen answers requests for this address and for 255
  // Screens served at once, each with its own state and fault generator, at consecutive UDP
  // ports or addresses (udpSpread). They all answer `address`, or address + their index when
  // consecutiveAddresses is set. The serial line reaches the first screen.
  uint32_t screens = 1;
  UdpSpread udpSpread = UdpSpread::Ports;
  bool consecutiveAddresses = false;
  bool udp = true;
  uint32_t udpAddress = 0x0100007F;        // 127.0.0.1 in network order
  uint16_t udpPort = format::kScreenPort;  // host order; 0 lets the system choose
  bool pty = false;                        // serve a pseudo-terminal it creates
  std::string serialPath;                  // or serve this serial device
  int32_t serialSpeed = format::kDefaultSerialSpeed;
  // The pseudo-terminal carries bytes both ways at this many bit/s, as a real line would
  // (0: as fast as the system moves them).
  uint32_t ptyBitsPerSecond = 0;
  Faults faults;
  // Receives one line per request when set.
  std::function<void(const std::string&)> log;
  // Receives each program that passed the screen's check, before the end packet is answered.
  // What it says when it could not keep the program refuses the program, as the reason why: the
  // sender is not told a program was taken that was not kept.
  std::function<std::optional<std::string>(std::span<const uint8_t> program)> keepProgram;
  // Both are called from the serving threads, one call at a time.
};

// A stand-in for one or many screens: answers device commands and takes uploads over UDP and/or a
// serial line, with reproducible fault injection. The screens are served by threads of their own
// (one for a few screens; for many, up to one per CPU), each thread answering its own share of
// them, so that the packets of many screens are not all handled on one CPU. Late replies wait in
// a queue, so that one screen's latency holds back no other.
class Simulator {
 public:
  explicit Simulator(SimulatorOptions options);
  ~Simulator();
  Simulator(const Simulator&) = delete;
  Simulator& operator=(const Simulator&) = delete;

  // Opens the transports and starts serving. False with `error` set when a transport cannot be
  // opened.
  bool Start(std::string& error);
  void Stop();

  size_t screenCount() const { return screens_.size(); }
  // The UDP port `screen` is served on (host order), once started.
  uint16_t udpPort(size_t screen = 0) const {
    return static_cast<uint16_t>(boundUdpPort_ + (spreadOverAddresses() ? 0 : screen));
  }
  // The IPv4 address `screen` is served at (network order).
  uint32_t udpAddress(size_t screen = 0) const;
  // The address `screen` answers to (besides 255).
  uint8_t address(size_t screen = 0) const;
  // The device path a program opens to reach its serial line (the pseudo-terminal's terminal
  // end).
  const std::string& terminalPath() const { return terminalPath_; }

  ScreenState State(size_t screen = 0);
  std::vector<uint8_t> LastProgram(size_t screen = 0);
  // The validator and the faults hold for every screen.
  void SetValidator(ProgramValidator validator);
  void SetFaults(const Faults& faults);
  void SetPower(int32_t value, size_t screen = 0);
  void SetBrightness(int32_t value, size_t screen = 0);
  // Replies (and duplicates) sent so far.
  uint32_t repliesSent() const { return repliesSent_.load(); }
  // True when no request waits to be handled and no reply (late, duplicate or paced) is still
  // due; one being sent counts as due until it is written.
  bool quiet() const { return queued_.load() == 0; }

 private:
  enum class Route { Udp, OtherUdp, Serial };
  // One screen with what it keeps between requests.
  struct Served {
    explicit Served(uint8_t address) : screen(address) {}
    Screen screen;
    platform::UdpSocket udp;
    FaultDraws draws;
    std::optional<protocol::ReplyHeader> lastAck;
  };
  // A reply's frame, held in place: one is queued for nearly every request, and none is long.
  struct ReplyFrame {
    std::array<uint8_t, link::EncodedFrameBound(protocol::kReplyBytes)> bytes;
    size_t length = 0;
    std::span<uint8_t> span() { return {bytes.data(), length}; }
    std::span<const uint8_t> span() const { return {bytes.data(), length}; }
  };
  // A reply that goes out at the end of the serving thread's wake, with the others then due.
  struct Outgoing {
    size_t screen;
    platform::Endpoint to;
    ReplyFrame reply;
  };
  // A reply to send, or a request that has crossed a paced serial line, once due.
  struct Pending {
    bool isRequest;
    size_t screen;
    Route route;
    platform::Endpoint peer;
    ReplyFrame reply;              // unless isRequest
    std::vector<uint8_t> request;  // when isRequest
  };
  // Consecutive screens and the thread that serves them. The first shard's thread serves the
  // serial line as well, which reaches the first screen.
  struct Shard {
    size_t index = 0;  // in shards_, and of its socket in addressShares_
    size_t firstScreen = 0;
    size_t screenCount = 0;
    platform::WakeupEvent wakeup;
    platform::Timer timer;
    uint64_t timerDueNs = 0;     // what the timer is set for; the shard's thread's alone
    platform::InputWatch watch;  // set up by Start, then the shard's thread's alone
    std::thread thread;
    // Guards the shard's screens and queue, and (taken with every other shard's) the faults;
    // shared between the shard's thread and the callers.
    std::mutex mutex;
    TimerQueue<Pending> pending;
    // With the screens spread over addresses: replies to send from the shard's socket in one
    // batch at the end of the wake, and room for the datagrams one receive takes. The shard's
    // thread's alone.
    std::vector<Outgoing> outgoing;
    std::vector<platform::AddressedDatagram> sending;  // outgoing's, as the system takes them
    std::vector<link::FrameBuffer> incomingRoom;
  };

  static ReplyFrame EncodeReply(const protocol::ReplyHeader& reply);
  bool spreadOverAddresses() const { return options_.udpSpread == UdpSpread::Addresses; }
  // Binds every screen's socket on consecutive ports.
  Status BindUdpPorts();
  Status BindFollowingPorts(uint16_t firstPort);
  // Binds the sockets of the screens spread over addresses, one for each shard's addresses.
  Status BindAddressShares();
  // What was to be bound, for an error message.
  std::string BindingText() const;
  // Shares the screens among the threads that will serve them.
  void MakeShards();
  Shard& ShardOf(size_t screen) { return *shards_[screen / screensPerShard_]; }
  // Puts the shard's wake-up, timer, line and sockets in its watch; false when the system refused.
  bool WatchInputs(Shard& shard);
  void Serve(Shard& shard);
  // Each takes the time the serving thread woke at, `nowNs`, as the time its input arrived.
  void ReceiveUdp(size_t screen, uint64_t nowNs);
  // A batch of datagrams from the shard's share of the addresses, each for the screen at its
  // address.
  void ReceiveShared(Shard& shard, uint64_t nowNs);
  std::optional<size_t> ScreenAt(uint32_t address) const;
  void SendOutgoing(Shard& shard);
  // False when the line hung up.
  bool ReceiveSerial(uint64_t nowNs);
  void HandleFrame(size_t screen, std::span<const uint8_t> frame, Route route,
                   platform::Endpoint from, uint64_t nowNs);
  void Answer(Served& served, const protocol::ReplyHeader& reply,
              const protocol::PacketHeader& request, const Pending& replyTo, uint64_t nowNs);
  // The serial line served: the device opened, or the pseudo-terminal's controller end.
  const platform::SerialPort& SerialLine() const;
  // One line for a request: what it asked, what was answered, and why a program it completed was
  // refused (`refusal`, when it was).
  void LogRequest(size_t screen, const protocol::PacketHeader& request, Route route,
                  platform::Endpoint from, const protocol::ReplyHeader* reply,
                  const std::string* refusal);
  // Sends `frame` once `delayMs` have passed since `nowNs` and a paced line has carried it.
  void Queue(const ReplyFrame& frame, uint32_t delayMs, const Pending& to, uint64_t nowNs);
  // Puts `work` on `shard`'s queue for `dueNs`; the caller holds the shard's mutex.
  void Enqueue(Shard& shard, uint64_t dueNs, Pending work);
  // A UDP reply of screens spread over addresses waits for the end of the wake (SendOutgoing).
  void Send(size_t screen, Route route, platform::Endpoint to, const ReplyFrame& frame);
  // Sends the replies and handles the requests that are due, then sets the timer for the next.
  void RunDue(Shard& shard, uint64_t nowNs);
  std::optional<Pending> TakeDue(Shard& shard, uint64_t nowNs);
  // Holds every shard's lock, for a change to what all screens share.
  std::vector<std::unique_lock<std::mutex>> LockAllShards();
  void ResetFaultState(size_t screen);
  void Log(const std::string& line);
  // `validator`, followed by the options' keepProgram when there is one.
  ProgramValidator Keeping(ProgramValidator validator);

  SimulatorOptions options_;
  platform::Clock& clock_;
  platform::UdpSocket otherUdp_;
  // With the screens spread over addresses: a socket for each shard's addresses, at one port.
  std::vector<platform::AddressedUdpSocket> addressShares_;
  platform::SerialPort serial_;
  platform::PseudoTerminal pty_;
  std::string terminalPath_;
  uint16_t boundUdpPort_ = 0;
  std::atomic<bool> stopping_{false};
  std::atomic<uint32_t> repliesSent_{0};
  std::atomic<size_t> queued_{0};  // requests and replies pushed and not yet handled or sent
  // The serial line's input side, the first shard's thread's alone.
  link::FrameAssembler assembler_;
  PacedLine lineIn_;
  // Calls to the options' log and keepProgram, one at a time.
  std::mutex callbackMutex_;

  std::vector<Served> screens_;  // each guarded by its shard's lock
  size_t screensPerShard_ = 1;
  std::vector<std::unique_ptr<Shard>> shards_;
  Faults faults_;      // guarded by all shards' locks together: any one of them reads it
  PacedLine lineOut_;  // guarded by the first shard's lock
};

}  // namespace veltrane::sim
