#include "fleet_uploads.h"

#include <algorithm>
#include <chrono>
#include <list>
#include <memory>
#include <optional>

#include "link/frame_codec.h"
#include "platform/ipv4.h"
#include "platform/timer.h"
#include "platform/udp_socket.h"
#include "platform/wait.h"
#include "protocol/exchange.h"
#include "protocol/upload.h"

namespace veltrane::cli {
namespace {

constexpr uint64_t kNsPerMs = 1000000;
// Datagrams taken from one socket per wake, so that a screen that floods holds back no other.
constexpr int kMostPerWake = 16;
constexpr uint32_t kEveryLocalAddress = 0;

// One screen's upload in progress, in one of the slots.
struct Slot {
  size_t lane = 0;
  size_t position = 0;  // in the lane
  size_t screen = 0;
  platform::UdpSocket socket;
  platform::Endpoint remote;
  std::optional<protocol::ExchangeSteps> steps;
  int tries = 0;  // sends of the packet now due
  uint64_t deadlineNs = 0;
  std::list<size_t>::iterator inWindowOrder;  // while busy
  std::chrono::steady_clock::time_point start;
  bool busy = false;
};

class UdpUploader {
 public:
  UdpUploader(const std::vector<tools::FleetScreen>& screens,
              const std::vector<std::vector<size_t>>& lanes, std::span<const uint8_t> program,
              std::vector<TurnProgress>& progress, std::vector<ScreenResult>& results)
      : screens_(screens),
        lanes_(lanes),
        program_(program),
        progress_(progress),
        results_(results) {}

  void Run(size_t slotCount) {
    std::vector<Slot> slots(std::min(slotCount, lanes_.size()));
    const std::unique_ptr<bool[]> ready(new bool[slots.size()]);
    for (size_t key = 0; key < slots.size(); ++key) TakeLane(slots[key], key);
    while (!windowOrder_.empty()) {
      watch_.Wait({ready.get(), slots.size()}, WaitMs(slots));
      for (size_t key = 0; key < slots.size(); ++key)
        if (ready[key] && slots[key].busy) Receive(slots[key], key);
      const uint64_t nowNs = platform::MonotonicNs();
      while (!windowOrder_.empty() && slots[windowOrder_.front()].deadlineNs <= nowNs)
        Expire(slots[windowOrder_.front()], windowOrder_.front());
    }
  }

 private:
  // Until the earliest window closes.
  uint32_t WaitMs(const std::vector<Slot>& slots) const {
    const uint64_t earliest = slots[windowOrder_.front()].deadlineNs;
    const uint64_t nowNs = platform::MonotonicNs();
    if (earliest <= nowNs) return 0;
    return static_cast<uint32_t>((earliest - nowNs + kNsPerMs - 1) / kNsPerMs);
  }

  // Gives the slot the next lane's first screen, or leaves it idle when no lane is left.
  void TakeLane(Slot& slot, size_t key) {
    slot.busy = false;
    while (nextLane_ < lanes_.size()) {
      slot.lane = nextLane_++;
      slot.position = 0;
      if (Begin(slot, key)) return;
      if (NextInLane(slot, key)) return;
    }
  }

  // Goes on with the lane's next screens until one begins; false when the lane is through.
  bool NextInLane(Slot& slot, size_t key) {
    while (++slot.position < lanes_[slot.lane].size())
      if (Begin(slot, key)) return true;
    return false;
  }

  // Opens the screen's socket and sends its first packet; false (with the result written) when
  // the socket did not open.
  bool Begin(Slot& slot, size_t key) {
    slot.screen = lanes_[slot.lane][slot.position];
    const link::Target& target = screens_[slot.screen].target;
    progress_[slot.screen].phase = TurnProgress::Running;
    slot.start = std::chrono::steady_clock::now();
    const Status opened = slot.socket.Open(kEveryLocalAddress, target.localPort);
    if (opened != Status::Ok || !watch_.Add(slot.socket, static_cast<uint32_t>(key))) {
      Record(slot, opened != Status::Ok ? opened : Status::System(0));
      slot.socket.Close();
      return false;
    }
    slot.remote = {target.remoteAddress, platform::PortToNetwork(target.remotePort)};
    slot.steps.emplace(protocol::UploadJob{program_, target.devAddr});
    slot.busy = true;
    slot.inWindowOrder = windowOrder_.insert(windowOrder_.end(), key);
    slot.tries = 0;
    Transmit(slot);
    return true;
  }

  void Transmit(Slot& slot) {
    slot.socket.Send(slot.steps->Frame(), slot.remote);
    slot.steps->Sent(platform::SystemTickMs());
    ++slot.tries;
    slot.deadlineNs = platform::MonotonicNs() + protocol::kUploadWindowMs * kNsPerMs;
    // Every window is as long, so the one opened last closes last.
    windowOrder_.splice(windowOrder_.end(), windowOrder_, slot.inWindowOrder);
  }

  void Receive(Slot& slot, size_t key) {
    for (int i = 0; i < kMostPerWake; ++i) {
      platform::Endpoint from;
      const int32_t n = slot.socket.Receive(datagram_, from);
      if (n <= 0) return;
      // Only the screen's own datagrams count, as on a UDP channel.
      if (from != slot.remote || slot.steps->Judge({datagram_.data(), static_cast<size_t>(n)},
                                                   reply_) != protocol::ReplyKind::Accepted)
        continue;
      TurnProgress& progress = progress_[slot.screen];
      progress.packetsTotal = slot.steps->packetsTotal();
      progress.packetsDone = slot.steps->packetsDone();
      if (slot.steps->next() == protocol::ExchangeSteps::Next::Done)
        return Finish(slot, key, Status::Ok);
      slot.tries = 0;
      return Transmit(slot);
    }
  }

  // The packet's window closed unanswered: another try, or the screen's turn ends.
  void Expire(Slot& slot, size_t key) {
    slot.steps->Expire();
    if (slot.steps->next() == protocol::ExchangeSteps::Next::Send) return Transmit(slot);
    Finish(slot, key, slot.steps->outcome().status);
  }

  void Finish(Slot& slot, size_t key, Status status) {
    Record(slot, status);
    watch_.Remove(slot.socket);
    slot.socket.Close();
    windowOrder_.erase(slot.inWindowOrder);
    slot.busy = false;
    if (!NextInLane(slot, key)) TakeLane(slot, key);
  }

  void Record(const Slot& slot, Status status) {
    ScreenResult& result = results_[slot.screen];
    result.outcome = {status, std::nullopt};
    result.seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - slot.start).count();
    progress_[slot.screen].status = status.code();
    progress_[slot.screen].phase = TurnProgress::Done;
  }

  const std::vector<tools::FleetScreen>& screens_;
  const std::vector<std::vector<size_t>>& lanes_;
  std::span<const uint8_t> program_;
  std::vector<TurnProgress>& progress_;
  std::vector<ScreenResult>& results_;
  platform::InputWatch watch_;
  // The busy slots' keys, the earliest closing window first: a wake looks only at the windows
  // that closed, however many screens are in progress.
  std::list<size_t> windowOrder_;
  size_t nextLane_ = 0;
  link::FrameBuffer datagram_;
  link::FrameBuffer reply_;
};

}  // namespace

void UploadOverUdp(const std::vector<tools::FleetScreen>& screens,
                   const std::vector<std::vector<size_t>>& lanes, std::span<const uint8_t> program,
                   size_t slots, std::vector<TurnProgress>& progress,
                   std::vector<ScreenResult>& results) {
  UdpUploader(screens, lanes, program, progress, results).Run(std::max<size_t>(slots, 1));
}

}  // namespace veltrane::cli
