// SPDX-License-Identifier: MIT
// Arbitrary bytes sent to a simulated screen over a serial line: cut into frames, decoded and
// handled as requests, uploads included. The screen must stay inside its buffers, answer only
// with replies of its own form, and never keep more than a screen takes.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "link/frame_assembler.h"
#include "protocol/packets.h"
#include "sim/screen.h"

namespace {

using namespace veltrane;

void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  auto input = std::make_unique<uint8_t[]>(size);
  if (size != 0) std::memcpy(input.get(), data, size);
  sim::Screen screen(1);
  link::FrameAssembler assembler;
  uint32_t nowMs = 0;
  assembler.Feed({input.get(), size}, [&](std::span<const uint8_t> frame) {
    link::FrameBuffer body;
    const int32_t length = link::DecodeFrame(frame, body);
    if (length <= 0) return false;
    const auto reply = screen.Handle({body.data(), static_cast<size_t>(length)}, nowMs += 7);
    if (reply) {
      Check(reply->cmd == protocol::CMD_REPLY && reply->devAddr == 0);
      Check(reply->status <= 1);
    }
    return false;
  });
  Check(screen.LastProgram().size() <= format::kMaxProgramBytes);
  const sim::ScreenState state = screen.State(nowMs + 1000);
  Check(state.requests <= size);
  return 0;
}
