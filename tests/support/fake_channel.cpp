// SPDX-License-Identifier: MIT
#include "support/fake_channel.h"

#include <algorithm>

#include "link/frame_codec.h"

namespace veltrane::testing {

bool FakeChannel::Transmit(std::span<const uint8_t> frame) {
  const int index = static_cast<int>(sent.size());
  sent.emplace_back(frame.begin(), frame.end());
  sentAtMs.push_back(clock_.NowMs());
  if (!acceptSend(index)) return false;
  if (!respond) return true;
  for (Delivery& d : respond(frame, index)) {
    const uint32_t at = clock_.NowMs() + d.delayMs;
    const auto later = std::find_if(arrivals_.begin(), arrivals_.end(), [&](const Arrival& a) {
      return platform::ElapsedMs(clock_.NowMs(), a.atMs) > d.delayMs;
    });
    arrivals_.insert(later, Arrival{at, std::move(d.bytes)});
  }
  return true;
}

bool FakeChannel::HasDue() const {
  return !arrivals_.empty() &&
         platform::ElapsedMs(arrivals_.front().atMs, clock_.NowMs()) < 0x80000000u;
}

platform::WaitResult FakeChannel::WaitForInput(uint32_t timeoutMs) {
  ++waits;
  if (broken) return platform::WaitResult::Broken;
  if (HasDue()) return platform::WaitResult::Ready;
  if (!arrivals_.empty()) {
    const uint32_t untilNext = arrivals_.front().atMs - clock_.NowMs();
    if (untilNext <= timeoutMs) {
      clock_.Advance(untilNext);
      return platform::WaitResult::Ready;
    }
  }
  clock_.Advance(timeoutMs);
  return platform::WaitResult::TimedOut;
}

size_t FakeChannel::TakeInput(std::span<uint8_t, link::MaxFrameSize> buffer) {
  if (wholeFrames_) {
    if (!HasDue()) return 0;
    Bytes datagram = std::move(arrivals_.front().bytes);
    arrivals_.pop_front();
    if (datagram.size() > buffer.size()) return 0;
    std::copy(datagram.begin(), datagram.end(), buffer.begin());
    return datagram.size();
  }
  size_t taken = 0;
  const size_t limit = std::min(buffer.size(), maxReadBytes);
  while (taken < limit && HasDue()) {
    Bytes& front = arrivals_.front().bytes;
    const size_t n = std::min(limit - taken, front.size());
    std::copy_n(front.begin(), n, buffer.begin() + static_cast<ptrdiff_t>(taken));
    front.erase(front.begin(), front.begin() + static_cast<ptrdiff_t>(n));
    taken += n;
    if (front.empty()) arrivals_.pop_front();
  }
  return taken;
}

Bytes Frame(std::span<const uint8_t> body) {
  Bytes frame(link::EncodedFrameBound(body.size()));
  frame.resize(static_cast<size_t>(link::EncodeFrame(body, frame)));
  return frame;
}

Bytes ReplyFrame(uint16_t answeredCmd, uint32_t value, uint16_t status) {
  protocol::ReplyHeader reply;
  reply.value = value;
  reply.answeredCmd = answeredCmd;
  reply.status = status;
  return Frame(protocol::EncodeReplyHeader(reply));
}

Bytes BodyOf(std::span<const uint8_t> frame) {
  link::FrameBuffer body;
  const int32_t n = link::DecodeFrame(frame, body);
  return Bytes(body.begin(), body.begin() + std::max(n, 0));
}

protocol::PacketHeader HeaderOf(std::span<const uint8_t> frame) {
  return protocol::DecodePacketHeader(BodyOf(frame)).value_or(protocol::PacketHeader{});
}

}  // namespace veltrane::testing
