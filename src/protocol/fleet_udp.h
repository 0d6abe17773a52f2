// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <list>
#include <memory>
#include <optional>
#include <span>
#include <unordered_map>
#include <vector>

#include "link/frame_codec.h"
#include "link/target.h"
#include "platform/clock.h"
#include "platform/udp_socket.h"
#include "protocol/exchange_steps.h"
#include "protocol/fleet.h"

namespace veltrane::protocol {

// How a conversation that never took a step ended.
Outcome EndedWith(Status status);

// Makes `steps` the conversation `task` has with the screen `target` names, as `policy` says.
void BeginSteps(std::optional<ExchangeSteps>& steps, const FleetTask& task,
                const link::Target& target, const FleetPolicy& policy, platform::Clock& clock);

// A screen's count of acknowledged packets, as it changed.
struct PacketCount {
  size_t screen = 0;
  Progress progress;
};

// What a Poll of the UDP screens saw: counts that changed, and screens whose turn ended.
struct UdpPollReport {
  std::vector<PacketCount> progressed;
  std::vector<std::pair<size_t, ScreenResult>> finished;
};

// The UDP screens of a run, driven from one thread: each screen in progress holds a slot, and
// every slot's conversation waits on the same few sockets. A screen shares a socket with others
// unless it needs a fixed local port; a reply counts for the screen in progress at its source
// on the socket it came in on, and is a stray otherwise. Successive screens of a lane use
// different sockets, so a late reply to one is never taken for the next one's.
class UdpFleet {
 public:
  UdpFleet(std::span<const link::Target> screens, const FleetTask& task, const FleetPolicy& policy,
           platform::Clock& clock, size_t slots);
  UdpFleet(const UdpFleet&) = delete;
  UdpFleet& operator=(const UdpFleet&) = delete;

  // Begins the turn of `screen`, the `position`-th of lane `lane`: its first frame goes out with
  // the next Poll. A screen whose socket does not open ends at once, in the next report.
  void Begin(size_t screen, size_t lane, size_t position);
  bool busy() const { return busySlots_ > 0 || !report_.finished.empty(); }

  // Sends what is due, waits at most `maxWaitMs` for replies or the next window's end, and takes
  // the steps they call for. With `cancel`, every screen in progress is cancelled first.
  UdpPollReport Poll(uint32_t maxWaitMs, bool cancel);

 private:
  struct Slot {
    size_t screen = 0;
    size_t socket = 0;  // index into sockets_
    platform::Endpoint peer;
    std::optional<ExchangeSteps> steps;
    uint32_t startedMs = 0;
    uint32_t windowEndMs = 0;
    uint32_t reportedDone = 0;
    bool due = false;  // in due_
    bool inWindow = false;
    std::list<size_t>::iterator window;  // in windows_, while inWindow
  };

  static uint64_t Key(size_t socket, platform::Endpoint peer);
  // The next screen of a lane uses the socket after its predecessor's.
  size_t SharedSocketFor(size_t lane, size_t position) const;
  void CancelAll();
  void Receive(size_t socket);
  void Judge(size_t slot, std::span<const uint8_t> frame);
  // Goes on after the slot's steps moved: a send, the end, or (still waiting) nothing.
  void Advance(size_t slot);
  void ExpireWindows(uint32_t nowMs);
  void SendDue();
  // Keeps windows_ in order of the windows' ends (a window opened later ends later when, as
  // within a run, they are all as long, so it goes at the back).
  void OpenWindow(size_t slot, uint32_t nowMs);
  void CloseWindow(Slot& slot);
  uint32_t WaitMs(uint32_t maxWaitMs, uint32_t nowMs) const;
  // The sockets in use, for the wait.
  void Rewatch();
  // Moves a slot whose turn ended into the report and frees it.
  void Finish(size_t slot, const Outcome& outcome);

  std::span<const link::Target> screens_;
  const FleetTask& task_;
  FleetPolicy policy_;
  platform::Clock& clock_;
  size_t sharedSockets_;
  // The shared sockets, then one per slot for a screen with a fixed local port (closed otherwise).
  std::vector<platform::UdpSocket> sockets_;
  Status sharedOpened_;
  std::vector<size_t> watched_;  // the open sockets, for the wait
  std::vector<const platform::Waitable*> waitables_;
  std::unique_ptr<bool[]> ready_;
  bool rewatch_ = true;
  std::vector<Slot> slots_;
  std::vector<size_t> freeSlots_;
  size_t busySlots_ = 0;
  std::unordered_map<uint64_t, size_t> slotAt_;  // Key(socket, peer) -> slot in progress
  std::list<size_t> windows_;
  std::vector<size_t> due_;  // slots whose next step is a send
  UdpPollReport report_;
  link::FrameBuffer reply_;
  std::vector<link::FrameBuffer> buffers_;  // what one receive takes
  std::vector<platform::IncomingDatagram> incoming_;
  std::vector<platform::OutgoingDatagram> outgoing_;
  bool cancelled_ = false;
};

}  // namespace veltrane::protocol
