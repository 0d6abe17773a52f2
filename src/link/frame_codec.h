// SPDX-License-Identifier: MIT
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "format/packets.h"

namespace veltrane::link {

// A link frame: 0x55, the escaped body, the escaped CRC-16/MODBUS of the body (high byte first),
// 0xAA. Inside a frame 0x55, 0xAA and 0xBB are sent as 0xBB followed by the byte plus one.
constexpr uint8_t kFrameStart = 0x55;
constexpr uint8_t kFrameEnd = 0xAA;
constexpr uint8_t kFrameEscape = 0xBB;

// The room an encoder needs for a body of `bodyLength` bytes: every byte escaped.
constexpr size_t EncodedFrameBound(size_t bodyLength) { return 2 * bodyLength + 6; }

// The largest frame the system builds (a packet header and a full upload piece, every byte
// escaped) and the size of every receive buffer.
constexpr size_t MaxFrameSize =
    EncodedFrameBound(format::kPacketHeaderBytes + format::kUploadPieceBytes);
static_assert(MaxFrameSize == 1046);

using FrameBuffer = std::array<uint8_t, MaxFrameSize>;

// Frames `body` into `out`. Returns the frame length, or 0 (writing nothing) when `out` is
// smaller than EncodedFrameBound of the body. The encoder works in whole runs of bytes, so the
// bytes of `out` after the frame, up to the bound, may be overwritten.
int32_t EncodeFrame(std::span<const uint8_t> body, std::span<uint8_t> out);

// Frames the concatenation of `header` and `data` without copying them together first.
int32_t EncodeFrameParts(std::span<const uint8_t> header, std::span<const uint8_t> data,
                         std::span<uint8_t> out);

// Checks and unescapes a received frame (0x55 ... 0xAA). Returns the body length (at least 1)
// with the body in `out`, followed by the two CRC bytes received; 0 for anything unusable.
// Any 0xBB takes the next byte, whatever it is; output stops at MaxFrameSize bytes.
int32_t DecodeFrame(std::span<const uint8_t> frame, std::span<uint8_t, MaxFrameSize> out);

}  // namespace veltrane::link
