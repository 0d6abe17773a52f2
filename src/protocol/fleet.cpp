// SPDX-License-Identifier: MIT
#include "protocol/fleet.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <new>
#include <string>
#include <system_error>
#include <thread>

#include "common/scope_exit.h"
#include "link/open_channel.h"
#include "platform/ipv4.h"
#include "platform/serial_port.h"
#include "protocol/fleet_udp.h"

namespace veltrane::protocol {
namespace {

// Screens in progress per CPU by default. A turn is a send and a wait of a few milliseconds per
// packet, so a CPU keeps a few hundred of them going; beyond that they queue for the CPU instead
// of the screen.
constexpr size_t kJobsPerCpu = 512;
constexpr size_t kMaxDefaultJobs = 1024;
// How long the calling thread waits at most before it looks at a cancel and at the serial
// lines' threads again (they also wake it as they report).
constexpr uint32_t kLookEveryMs = 20;
// How often a screen's progress is told at most.
constexpr uint32_t kProgressEveryMs = 100;

// What makes two screens share a lane: the device itself, or the UDP endpoint.
std::string LaneKey(const link::Target& target, size_t index) {
  switch (target.transport) {
    case link::Transport::Serial:
      return "serial " + platform::DeviceIdentity(target.devicePath);
    case link::Transport::Udp:
      return "udp " + platform::FormatIpv4(target.remoteAddress) + ":" +
             std::to_string(target.remotePort);
    case link::Transport::None:
      break;
  }
  return "none " + std::to_string(index);
}

// What a serial line's thread tells the calling thread, which alone tells the caller.
struct LaneNews {
  enum Kind : uint8_t { Started, Progressed, Finished, LaneEnded };
  Kind kind = Started;
  size_t screen = 0;
  PacketCount count;
  ScreenResult result;
};

// The serial lines' news, kept in the order it came.
class Inbox {
 public:
  void Post(const LaneNews& news) {
    {
      std::lock_guard lock(mutex_);
      news_.push_back(news);
    }
    arrived_.notify_one();
  }

  // Waits up to `ms` for news, then takes it all. With 0 nothing waits: a timed wait would ask
  // the system even for no time at all.
  std::vector<LaneNews> Collect(uint32_t ms) {
    std::unique_lock lock(mutex_);
    if (ms > 0)
      arrived_.wait_for(lock, std::chrono::milliseconds(ms), [this] { return !news_.empty(); });
    return std::exchange(news_, {});
  }

 private:
  std::mutex mutex_;
  std::condition_variable arrived_;
  std::vector<LaneNews> news_;
};

// Passes a serial upload's acknowledgements to the inbox.
class InboxObserver final : public UploadObserver {
 public:
  InboxObserver(Inbox& inbox, size_t screen) : inbox_(inbox), screen_(screen) {}
  void Acknowledged(uint32_t done, uint32_t total, size_t bytes) override {
    inbox_.Post({LaneNews::Progressed, screen_, {screen_, {done, total, bytes}}, {}});
  }

 private:
  Inbox& inbox_;
  size_t screen_;
};

// One run: the calling thread starts lanes while jobs are free, drives the UDP screens, takes in
// what the serial lines' threads report and tells the caller.
class FleetRun {
 public:
  FleetRun(std::span<const link::Target> screens, const FleetTask& task, const FleetPolicy& policy,
           platform::Clock& clock, FleetEvents* events, const CancelFlag* cancel)
      : screens_(screens),
        task_(task),
        policy_(policy),
        clock_(clock),
        events_(events),
        cancel_(cancel),
        lanes_(FleetLanes(screens)),
        jobs_(policy.jobs != 0 ? policy.jobs : DefaultJobs(lanes_.size())),
        results_(screens.size()),
        laneOf_(screens.size()),
        counts_(screens.size()) {
    size_t udpLanes = 0;
    for (size_t lane = 0; lane < lanes_.size(); ++lane) {
      for (size_t position = 0; position < lanes_[lane].size(); ++position)
        laneOf_[lanes_[lane][position]] = {lane, position};
      if (TransportOf(lane) == link::Transport::Udp) ++udpLanes;
    }
    if (udpLanes > 0)
      udp_ = std::make_unique<UdpFleet>(screens, task, policy, clock, std::min(jobs_, udpLanes));
  }

  std::vector<ScreenResult> Run() {
    // The serial lines' threads stop and are joined on every way out.
    const ScopeExit joinThreads([this] {
      stop_.Request();
      for (std::thread& thread : threads_) thread.join();
    });
    lastProgressMs_ = clock_.NowMs();
    StartLanes();
    while (lanesInProgress_ > 0) {
      if (udp_ && udp_->busy()) TakeUdp(udp_->Poll(kLookEveryMs, Stopping()));
      TakeInbox(udp_ && udp_->busy() ? 0 : kLookEveryMs);
      TellProgress();
      StartLanes();
    }
    return std::move(results_);
  }

 private:
  struct Place {
    size_t lane = 0;
    size_t position = 0;
  };

  // True once the caller cancelled (which the run's threads then see too).
  bool Stopping() {
    if (cancel_ != nullptr && cancel_->requested()) stop_.Request();
    return stop_.requested();
  }

  static Status Cancelled() { return {Status::Cancelled, kCancelledReason}; }

  link::Transport TransportOf(size_t lane) const {
    return screens_[lanes_[lane].front()].transport;
  }

  void StartLanes() {
    while (lanesInProgress_ < jobs_ && nextLane_ < lanes_.size()) {
      const size_t lane = nextLane_++;
      if (Stopping())
        EndUnstarted(lane, 0);
      else
        StartLane(lane);
    }
  }

  void StartLane(size_t lane) {
    switch (TransportOf(lane)) {
      case link::Transport::Udp:
        ++lanesInProgress_;
        return BeginUdp(lanes_[lane].front());
      case link::Transport::Serial:
        ++lanesInProgress_;
        return StartSerialLane(lane);
      case link::Transport::None:
        break;
    }
    // Nothing is opened for it: the channel's own refusal says why.
    for (const size_t screen : lanes_[lane])
      Finished(screen, {EndedWith(link::OpenChannel(screens_[screen]).status), 0});
  }

  // The screens of `lane` from `position` on end without being tried.
  void EndUnstarted(size_t lane, size_t position) {
    for (; position < lanes_[lane].size(); ++position)
      Finished(lanes_[lane][position], {EndedWith(Cancelled()), 0});
  }

  void BeginUdp(size_t screen) {
    if (events_ != nullptr) events_->Started(screen);
    udp_->Begin(screen, laneOf_[screen].lane, laneOf_[screen].position);
  }

  void TakeUdp(const UdpPollReport& report) {
    for (const PacketCount& count : report.progressed) Count(count);
    for (const auto& [screen, result] : report.finished) {
      Finished(screen, result);
      const auto [lane, position] = laneOf_[screen];
      if (position + 1 < lanes_[lane].size() && !Stopping()) {
        BeginUdp(lanes_[lane][position + 1]);
        continue;
      }
      EndUnstarted(lane, position + 1);  // none when the lane is through
      --lanesInProgress_;
    }
  }

  void StartSerialLane(size_t lane) {
    try {
      threads_.emplace_back(&FleetRun::RunSerialLane, this, lane);
    } catch (const std::system_error&) {
      // No thread to be had: this thread takes the line, and the others wait meanwhile.
      RunSerialLane(lane);
    }
  }

  // On the line's own thread: its screens one after another, each through the blocking driver.
  void RunSerialLane(size_t lane) {
    for (const size_t screen : lanes_[lane]) {
      if (stop_.requested()) {
        inbox_.Post({LaneNews::Finished, screen, {}, {EndedWith(Cancelled()), 0}});
        continue;
      }
      inbox_.Post({LaneNews::Started, screen, {}, {}});
      const uint32_t startedMs = clock_.NowMs();
      const Outcome outcome = RunSerialScreen(screen);
      const uint32_t elapsedMs = platform::ElapsedMs(startedMs, clock_.NowMs());
      inbox_.Post({LaneNews::Finished, screen, {}, {outcome, elapsedMs}});
    }
    inbox_.Post({LaneNews::LaneEnded, 0, {}, {}});
  }

  Outcome RunSerialScreen(size_t screen) {
    try {
      const link::OpenedChannel opened = link::OpenChannel(screens_[screen]);
      if (!opened.channel) return EndedWith(opened.status);
      std::optional<ExchangeSteps> steps;
      BeginSteps(steps, task_, screens_[screen], policy_, clock_);
      InboxObserver observer(inbox_, screen);
      steps->Watch(policy_.watcher, &observer);
      link::FrameBuffer reply;
      return Converse(*opened.channel, *steps, reply, clock_, &stop_);
    } catch (const std::bad_alloc&) {
      return EndedWith(Status::NoMemory);
    }
  }

  void TakeInbox(uint32_t waitMs) {
    for (const LaneNews& news : inbox_.Collect(waitMs)) {
      switch (news.kind) {
        case LaneNews::Started:
          if (events_ != nullptr) events_->Started(news.screen);
          break;
        case LaneNews::Progressed:
          Count(news.count);
          break;
        case LaneNews::Finished:
          Finished(news.screen, news.result);
          break;
        case LaneNews::LaneEnded:
          --lanesInProgress_;
          break;
      }
    }
  }

  void Count(const PacketCount& count) {
    if (!counts_[count.screen].told) counted_.push_back(count.screen);
    counts_[count.screen] = {count.progress, true};
  }

  // Tells the counts that changed since the last telling, a few times a second.
  void TellProgress() {
    const uint32_t nowMs = clock_.NowMs();
    if (platform::ElapsedMs(lastProgressMs_, nowMs) < kProgressEveryMs) return;
    lastProgressMs_ = nowMs;
    for (const size_t screen : counted_) {
      CountState& state = counts_[screen];
      if (state.told && events_ != nullptr) events_->Progressed(screen, state.progress);
      state.told = false;
    }
    counted_.clear();
  }

  void Finished(size_t screen, const ScreenResult& result) {
    results_[screen] = result;
    counts_[screen].told = false;  // the result says it all
    if (events_ != nullptr) events_->Finished(screen, result);
  }

  struct CountState {
    Progress progress;
    bool told = false;  // changed since last told
  };

  std::span<const link::Target> screens_;
  const FleetTask& task_;
  FleetPolicy policy_;
  platform::Clock& clock_;
  FleetEvents* events_;
  const CancelFlag* cancel_;
  CancelFlag stop_;  // what the run's own threads look at: the caller's cancel, or the end
  std::vector<std::vector<size_t>> lanes_;
  size_t jobs_;
  std::vector<ScreenResult> results_;
  std::vector<Place> laneOf_;
  std::vector<CountState> counts_;
  std::vector<size_t> counted_;
  uint32_t lastProgressMs_ = 0;
  size_t nextLane_ = 0;
  size_t lanesInProgress_ = 0;
  std::unique_ptr<UdpFleet> udp_;
  Inbox inbox_;
  std::vector<std::thread> threads_;
};

}  // namespace

size_t DefaultJobs(size_t laneCount) {
  const size_t cpus = std::max(1u, std::thread::hardware_concurrency());
  return std::max<size_t>(1, std::min({laneCount, cpus * kJobsPerCpu, kMaxDefaultJobs}));
}

std::vector<std::vector<size_t>> FleetLanes(std::span<const link::Target> screens) {
  std::vector<std::vector<size_t>> lanes;
  std::map<std::string, size_t> laneOf;
  for (size_t i = 0; i < screens.size(); ++i) {
    const auto [at, fresh] = laneOf.emplace(LaneKey(screens[i], i), lanes.size());
    if (fresh) lanes.emplace_back();
    lanes[at->second].push_back(i);
  }
  return lanes;
}

std::vector<ScreenResult> DriveFleet(std::span<const link::Target> screens, const FleetTask& task,
                                     const FleetPolicy& policy, platform::Clock& clock,
                                     FleetEvents* events, const CancelFlag* cancel) {
  return FleetRun(screens, task, policy, clock, events, cancel).Run();
}

}  // namespace veltrane::protocol
