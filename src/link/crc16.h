// SPDX-License-Identifier: MIT
#pragma once

#include <array>
#include <cstdint>
#include <span>

namespace veltrane::link {

// CRC-16/MODBUS: polynomial 0xA001 (reflected 0x8005), initial 0xFFFF, no final XOR.
// The value is the register: bits 15..8 are the "high" byte that a frame sends first.
constexpr uint16_t kCrcInitial = 0xFFFF;

// The two 256-entry byte tables of the Modbus serial-line form.
extern const std::array<uint8_t, 256> kCrcTableFirst;   // 0x00, 0xC1, 0x81, 0x40, ...
extern const std::array<uint8_t, 256> kCrcTableSecond;  // 0x00, 0xC0, 0xC1, 0x01, ...

// The reference form: one byte at a time through the two byte tables.
uint16_t CrcTwoTable(std::span<const uint8_t> bytes, uint16_t crc = kCrcInitial);

// The same CRC, bit for bit equal to CrcTwoTable: sixteen bytes a step through sliced tables,
// and long runs folded by carry-less multiplication where the processor has it (x86-64).
uint16_t Crc16(std::span<const uint8_t> bytes, uint16_t crc = kCrcInitial);

}  // namespace veltrane::link
