// SPDX-License-Identifier: MIT
#pragma once

#include <array>
#include <cstdint>

// How screens are reached: the fixed UDP port and the address every screen answers to, and the
// serial line speeds screens run at.
namespace veltrane::format {

// The UDP port screens listen on.
constexpr uint16_t kScreenPort = 6666;

// The devAddr every screen answers, whatever its own address.
constexpr uint8_t kEveryScreenAddress = 255;

// The serial line speeds screens run at, in bit/s, slowest first. The C interface numbers them
// in this order (its speed index).
constexpr std::array<int32_t, 5> kSerialSpeeds = {9600, 19200, 38400, 57600, 115200};

// The speed a serial line runs at when none is chosen: the one screens are usually set to.
constexpr int32_t kDefaultSerialSpeed = 57600;

}  // namespace veltrane::format
