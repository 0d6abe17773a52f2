// SPDX-License-Identifier: MIT
#include "protocol/fleet_udp.h"

#include <algorithm>

#include "platform/clock.h"
#include "platform/ipv4.h"
#include "platform/wait.h"

namespace veltrane::protocol {
namespace {

constexpr uint32_t kEveryLocalAddress = 0;
// Screens in progress per shared socket: the socket must queue the replies of all of them while
// the thread is busy elsewhere, which the system's usual receive buffer does for this many.
constexpr size_t kScreensPerSocket = 64;
constexpr size_t kSocketBufferBytes = 512 * 1024;
// Datagrams one receive takes at most, and receives per socket and wake, so that a flood on one
// socket holds back no other.
constexpr size_t kReceiveBatch = 64;
constexpr int kReceivesPerWake = 4;

}  // namespace

Outcome EndedWith(Status status) {
  Outcome outcome;
  outcome.status = status;
  return outcome;
}

void BeginSteps(std::optional<ExchangeSteps>& steps, const FleetTask& task,
                const link::Target& target, const FleetPolicy& policy, platform::Clock& clock) {
  if (const auto* upload = std::get_if<ProgramUpload>(&task)) {
    steps.emplace(UploadJob{upload->program, target.devAddr}, policy.tries);
  } else {
    Request request = std::get<Request>(task);
    if (request.command == Command::SetTime) request.time = clock.Local();
    RequestBody body;
    steps.emplace(RequestFor(request, target, body), policy.tries);
  }
  steps->Watch(policy.watcher);
}

UdpFleet::UdpFleet(std::span<const link::Target> screens, const FleetTask& task,
                   const FleetPolicy& policy, platform::Clock& clock, size_t slots)
    : screens_(screens),
      task_(task),
      policy_(policy),
      clock_(clock),
      // At least two, so that a lane's successive screens never share one.
      sharedSockets_(std::max<size_t>(2, (slots + kScreensPerSocket - 1) / kScreensPerSocket)),
      sockets_(sharedSockets_ + slots),
      slots_(slots),
      buffers_(kReceiveBatch),
      incoming_(kReceiveBatch) {
  for (size_t i = 0; i < sharedSockets_; ++i) {
    const Status opened = sockets_[i].Open(kEveryLocalAddress, 0);
    if (opened != Status::Ok) sharedOpened_ = opened;
    sockets_[i].SetReceiveBuffer(kSocketBufferBytes);
  }
  for (size_t i = slots; i-- > 0;) freeSlots_.push_back(i);
  for (size_t i = 0; i < kReceiveBatch; ++i) incoming_[i].buffer = buffers_[i];
}

uint64_t UdpFleet::Key(size_t socket, platform::Endpoint peer) {
  return uint64_t{socket} << 48 | uint64_t{peer.address} << 16 | peer.port;
}

size_t UdpFleet::SharedSocketFor(size_t lane, size_t position) const {
  return (lane + position) % sharedSockets_;
}

void UdpFleet::Begin(size_t screen, size_t lane, size_t position) {
  const size_t index = freeSlots_.back();
  freeSlots_.pop_back();
  ++busySlots_;
  Slot& slot = slots_[index];
  const link::Target& target = screens_[screen];
  slot.screen = screen;
  slot.startedMs = clock_.NowMs();
  slot.reportedDone = 0;
  Status opened = sharedOpened_;
  if (target.localPort != 0) {
    slot.socket = sharedSockets_ + index;
    opened = sockets_[slot.socket].Open(kEveryLocalAddress, target.localPort);
    rewatch_ = true;
  } else {
    slot.socket = SharedSocketFor(lane, position);
  }
  slot.peer = {target.remoteAddress, platform::PortToNetwork(target.remotePort)};
  if (opened != Status::Ok) return Finish(index, EndedWith(opened));
  slotAt_[Key(slot.socket, slot.peer)] = index;
  BeginSteps(slot.steps, task_, target, policy_, clock_);
  Advance(index);
}

UdpPollReport UdpFleet::Poll(uint32_t maxWaitMs, bool cancel) {
  if (cancel && !cancelled_) CancelAll();
  SendDue();
  if (rewatch_) Rewatch();
  const uint32_t waitMs = report_.finished.empty() ? WaitMs(maxWaitMs, clock_.NowMs()) : 0;
  const bool received = platform::WaitForAny(waitables_, {ready_.get(), waitables_.size()}, waitMs);
  if (received) {
    for (size_t i = 0; i < watched_.size(); ++i)
      if (ready_[i]) Receive(watched_[i]);
  }
  ExpireWindows(clock_.NowMs());
  SendDue();
  return std::exchange(report_, {});
}

void UdpFleet::CancelAll() {
  cancelled_ = true;
  for (size_t i = 0; i < slots_.size(); ++i) {
    if (!slots_[i].steps) continue;
    slots_[i].steps->Cancel();
    Advance(i);
  }
}

void UdpFleet::Rewatch() {
  rewatch_ = false;
  watched_.clear();
  waitables_.clear();
  for (size_t i = 0; i < sockets_.size(); ++i) {
    if (!sockets_[i].valid()) continue;
    watched_.push_back(i);
    waitables_.push_back(&sockets_[i]);
  }
  ready_ = std::make_unique<bool[]>(waitables_.size());
}

void UdpFleet::Receive(size_t socket) {
  for (int round = 0; round < kReceivesPerWake; ++round) {
    const size_t taken = sockets_[socket].ReceiveBatch(incoming_);
    for (size_t i = 0; i < taken; ++i) {
      const platform::IncomingDatagram& datagram = incoming_[i];
      if (datagram.length <= 0) continue;
      // Only the screen in progress at that source on this socket may take it.
      const auto slot = slotAt_.find(Key(socket, datagram.from));
      if (slot == slotAt_.end()) continue;
      Judge(slot->second, datagram.buffer.first(static_cast<size_t>(datagram.length)));
    }
    if (taken < incoming_.size()) return;
  }
}

void UdpFleet::Judge(size_t index, std::span<const uint8_t> frame) {
  Slot& slot = slots_[index];
  slot.steps->Judge(frame, reply_);
  Advance(index);
}

void UdpFleet::Advance(size_t index) {
  Slot& slot = slots_[index];
  ExchangeSteps& steps = *slot.steps;
  if (steps.packetsDone() != slot.reportedDone) {
    slot.reportedDone = steps.packetsDone();
    report_.progressed.push_back(
        {slot.screen, {steps.packetsDone(), steps.packetsTotal(), steps.bytesDone()}});
  }
  switch (steps.next()) {
    case ExchangeSteps::Next::Done:
      return Finish(index, steps.outcome());
    case ExchangeSteps::Next::Send:
      CloseWindow(slot);
      if (!slot.due) due_.push_back(index);
      slot.due = true;
      return;
    case ExchangeSteps::Next::Wait:
      return;
  }
}

void UdpFleet::ExpireWindows(uint32_t nowMs) {
  while (!windows_.empty()) {
    const size_t index = windows_.front();
    ExchangeSteps& steps = *slots_[index].steps;
    if (steps.RemainingMs(nowMs) > 0) return;
    CloseWindow(slots_[index]);
    steps.Expire();
    Advance(index);
  }
}

void UdpFleet::SendDue() {
  // Grouped by socket, each group in one batch.
  std::sort(due_.begin(), due_.end(),
            [this](size_t a, size_t b) { return slots_[a].socket < slots_[b].socket; });
  for (size_t first = 0; first < due_.size();) {
    const size_t socket = slots_[due_[first]].socket;
    outgoing_.clear();
    size_t end = first;
    for (; end < due_.size() && slots_[due_[end]].socket == socket; ++end)
      outgoing_.push_back({slots_[due_[end]].steps->Frame(), slots_[due_[end]].peer});
    // A datagram the system refused counts as sent all the same: its window opens.
    sockets_[socket].SendBatch(outgoing_);
    first = end;
  }
  const uint32_t nowMs = clock_.NowMs();
  for (const size_t index : due_) {
    slots_[index].due = false;
    slots_[index].steps->Sent(nowMs);
    OpenWindow(index, nowMs);
  }
  due_.clear();
}

void UdpFleet::OpenWindow(size_t index, uint32_t nowMs) {
  Slot& slot = slots_[index];
  slot.windowEndMs = nowMs + slot.steps->windowMs();
  auto at = windows_.end();
  while (at != windows_.begin() &&
         static_cast<int32_t>(slots_[*std::prev(at)].windowEndMs - slot.windowEndMs) > 0)
    --at;
  slot.window = windows_.insert(at, index);
  slot.inWindow = true;
}

void UdpFleet::CloseWindow(Slot& slot) {
  if (!slot.inWindow) return;
  windows_.erase(slot.window);
  slot.inWindow = false;
}

uint32_t UdpFleet::WaitMs(uint32_t maxWaitMs, uint32_t nowMs) const {
  if (!due_.empty()) return 0;
  if (windows_.empty()) return maxWaitMs;
  return std::min(maxWaitMs, slots_[windows_.front()].steps->RemainingMs(nowMs));
}

void UdpFleet::Finish(size_t index, const Outcome& outcome) {
  Slot& slot = slots_[index];
  CloseWindow(slot);
  if (slot.due) due_.erase(std::find(due_.begin(), due_.end(), index));
  slot.due = false;
  if (const auto at = slotAt_.find(Key(slot.socket, slot.peer));
      at != slotAt_.end() && at->second == index)
    slotAt_.erase(at);
  if (slot.socket >= sharedSockets_) {
    sockets_[slot.socket].Close();
    rewatch_ = true;
  }
  const uint32_t elapsedMs = platform::ElapsedMs(slot.startedMs, clock_.NowMs());
  report_.finished.push_back({slot.screen, {outcome, elapsedMs}});
  slot.steps.reset();
  freeSlots_.push_back(index);
  --busySlots_;
}

}  // namespace veltrane::protocol
