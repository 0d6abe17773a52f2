#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <random>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "format/link.h"
#include "link/frame_assembler.h"
#include "platform/serial_port.h"
#include "platform/udp_socket.h"
#include "platform/wakeup.h"
#include "sim/screen.h"

namespace veltrane::sim {

// What can go wrong with an upload packet's acknowledgement.
enum class AckFault {
  Drop,        // no acknowledgement
  StatusZero,  // acknowledged with status 0
  Late,        // acknowledged only after Faults::lateAckMs
};

// A fault on the acknowledgement of the upload packet with sequence number `sequence` (0 is the
// start packet). It hits the first `times` receptions of that packet.
struct PacketFault {
  uint32_t sequence = 0;
  AckFault fault = AckFault::Drop;
  uint32_t times = 1;
};

// The faults a simulated screen injects. Shares are probabilities (0..1) drawn from a generator
// seeded with `seed`, so a run is reproducible.
struct Faults {
  uint32_t seed = 1;
  double dropRequestShare = 0;     // requests lost on their way in
  double corruptRequestShare = 0;  // requests damaged on their way in (they fail their CRC)
  double dropReplyShare = 0;       // replies lost on their way out
  double corruptReplyShare = 0;    // replies damaged on their way out
  uint32_t delayMs = 0;            // every reply goes out this late
  bool answerTwice = false;        // every reply is sent again, duplicateGapMs after the first
  uint32_t duplicateGapMs = 20;
  bool otherSourcePort = false;  // UDP replies come from another port than the one asked
  bool silent = false;           // nothing is answered
  std::vector<PacketFault> packetFaults;
  uint32_t lateAckMs = 1300;  // after the next try's window has opened
  bool staleAcks = false;     // each acknowledgement is preceded by the previous one again
};

struct SimulatorOptions {
  uint8_t address = 1;  // the screen answers requests for this address and for 255
  bool udp = true;
  uint32_t udpAddress = 0x0100007F;        // 127.0.0.1 in network order
  uint16_t udpPort = format::kScreenPort;  // host order; 0 lets the system choose
  bool pty = false;                        // serve a pseudo-terminal it creates
  std::string serialPath;                  // or serve this serial device
  int32_t serialSpeed = 57600;
  Faults faults;
  // Receives one line per request when set.
  std::function<void(const std::string&)> log;
  // Receives each program the screen accepts, before the acknowledgement of its end goes out.
  std::function<void(std::span<const uint8_t> program)> keepProgram;
};

// A stand-in for a screen: answers device commands and takes uploads over UDP and/or a serial
// line, on a thread of its own, with reproducible fault injection.
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

  // The UDP port it serves (host order), once started.
  uint16_t udpPort() const { return boundUdpPort_; }
  // The device path a program opens to reach its serial line (the pseudo-terminal's terminal end).
  const std::string& terminalPath() const { return terminalPath_; }

  ScreenState State();
  std::vector<uint8_t> LastProgram();
  void SetValidator(ProgramValidator validator);
  void SetFaults(const Faults& faults);
  void SetPower(int32_t value);
  void SetBrightness(int32_t value);
  // Replies (and duplicates) sent so far.
  uint32_t repliesSent() const { return repliesSent_.load(); }

 private:
  enum class Route { Udp, OtherUdp, Serial };
  struct Outgoing {
    uint32_t dueMs;
    Route route;
    platform::Endpoint to;
    std::vector<uint8_t> frame;
  };

  void Serve();
  void ReceiveUdp();
  // False when the line hung up.
  bool ReceiveSerial();
  void HandleFrame(std::span<const uint8_t> frame, Route route, platform::Endpoint from);
  void Answer(const protocol::ReplyHeader& reply, const protocol::PacketHeader& request,
              Route route, platform::Endpoint to);
  std::optional<AckFault> TakePacketFault(uint32_t sequence);
  // The serial line served: the device opened, or the pseudo-terminal's controller end.
  const platform::SerialPort& SerialLine() const;
  void LogRequest(const protocol::PacketHeader& request, Route route, platform::Endpoint from,
                  const protocol::ReplyHeader* reply);
  // Sends `frame` once `delayMs` have passed (at once when nothing delays it).
  void Queue(std::span<const uint8_t> frame, uint32_t delayMs, Route route, platform::Endpoint to);
  void Send(Route route, platform::Endpoint to, std::span<const uint8_t> frame);
  void SendDue();
  uint32_t MsUntilNextDue();
  bool Chance(double share);
  void Corrupt(std::span<uint8_t> frame);
  void Log(const std::string& line);

  SimulatorOptions options_;
  platform::Clock& clock_;
  platform::UdpSocket udp_;
  platform::UdpSocket otherUdp_;
  platform::SerialPort serial_;
  platform::PseudoTerminal pty_;
  std::string terminalPath_;
  uint16_t boundUdpPort_ = 0;
  platform::WakeupEvent wakeup_;
  std::thread thread_;
  std::atomic<bool> stopping_{false};
  std::atomic<uint32_t> repliesSent_{0};

  // Guards everything below, shared between the serving thread and the callers.
  std::mutex mutex_;
  Screen screen_;
  Faults faults_;
  std::mt19937 random_;
  std::vector<Outgoing> outgoing_;
  std::vector<uint32_t> packetFaultHits_;
  std::optional<protocol::ReplyHeader> lastAck_;
  link::FrameAssembler assembler_;
};

}  // namespace veltrane::sim
