// SPDX-License-Identifier: MIT
#pragma once

#include <array>
#include <cstdint>

// How screens are reached: the fixed UDP port and the address every screen answers to, and the
// serial line speeds a target chooses by index.
namespace veltrane::format {

// The UDP port screens listen on.
constexpr uint16_t kScreenPort = 6666;

// The devAddr every screen answers, whatever its own address.
constexpr uint8_t kEveryScreenAddress = 255;

// Serial line speeds in bit/s, by speed index.
constexpr std::array<int32_t, 5> kSerialSpeeds = {9600, 19200, 38400, 57600, 115200};

}  // namespace veltrane::format
