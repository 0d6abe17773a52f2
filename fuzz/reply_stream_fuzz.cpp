// SPDX-License-Identifier: MIT
// Arbitrary bytes as they might arrive from a screen: cut into frames by the serial assembler in
// reads of varying size, and taken whole as a datagram. Every frame goes through both reply
// checks. Nothing may be read or written outside the fixed buffers (the sanitizers watch), every
// frame handed out must fit the assembler's buffer and carry both markers, and a reply accepted
// by the upload check must also pass the command check.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "link/frame_assembler.h"
#include "protocol/packets.h"

namespace {

using namespace veltrane;

void Check(bool condition) {
  if (!condition) std::abort();
}

void CheckFrame(std::span<const uint8_t> frame, uint16_t cmd, uint32_t sequence) {
  link::FrameBuffer reply;
  const bool acknowledged = protocol::CheckUploadReply(frame, cmd, sequence, reply);
  const bool answered = protocol::CheckReply(frame, cmd, reply);
  Check(!acknowledged || answered);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 3) return 0;
  // The first bytes choose the awaited command, the sequence and the read size.
  const uint16_t cmd = data[0] % 16;
  const uint32_t sequence = data[1];
  const size_t readBytes = 1 + data[2] % 64;
  auto input = std::make_unique<uint8_t[]>(size - 3);
  if (size > 3) std::memcpy(input.get(), data + 3, size - 3);
  const std::span<const uint8_t> stream(input.get(), size - 3);

  CheckFrame(stream, cmd, sequence);

  link::FrameAssembler assembler;
  for (size_t at = 0; at < stream.size(); at += readBytes) {
    const auto read = stream.subspan(at, std::min(readBytes, stream.size() - at));
    assembler.Feed(read, [&](std::span<const uint8_t> frame) {
      Check(frame.size() >= 2 && frame.size() <= link::MaxFrameSize);
      Check(frame.front() == link::kFrameStart && frame.back() == link::kFrameEnd);
      CheckFrame(frame, cmd, sequence);
      return false;
    });
    Check(assembler.pendingBytes() <= link::MaxFrameSize);
  }
  return 0;
}
