#pragma once

#include <cstdint>
#include <string_view>

namespace veltrane::fixed_target {

// The fixed target of these entry points: a screen at the fixed screen port of the given address,
// addressed as every screen, reached from a local UDP port.
// Address texts longer than this do not fit a descriptor's 16-byte field with its zero byte.
constexpr size_t kMaxAddressText = 15;

// Results: 0 the screen answered; 1 it did not: no reply within the command's tries, or nothing
// could be sent (a null or over-long address text, or a local port that cannot be bound).
int32_t PowerOn(const char* address, int32_t localPort);
int32_t PowerOff(const char* address, int32_t localPort);
int32_t SetTimeFromHost(const char* address, int32_t localPort);

// Shows the boxes of the area document (a null document shows none), then asks for program slot
// 0, which is never a program: nothing is sent and no slot is touched. Always 1.
int32_t SendAreaDocument(const char* address, int32_t localPort, const char* document);

}  // namespace veltrane::fixed_target
