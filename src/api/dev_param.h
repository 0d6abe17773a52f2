// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "link/com_port_paths.h"
#include "link/target.h"
#include "veltrane/veltrane.h"

namespace veltrane::api {

// The layout the calling interface fixes: 40 bytes, these offsets.
static_assert(sizeof(DevParam) == 40);
static_assert(offsetof(DevParam, devType) == 0);
static_assert(offsetof(DevParam, speed) == 4);
static_assert(offsetof(DevParam, locPort) == 8);
static_assert(offsetof(DevParam, rmtPort) == 12);
static_assert(offsetof(DevParam, RmtIP) == 16);
static_assert(offsetof(DevParam, devAddr) == 32);
static_assert(offsetof(DevParam, reserved) == 36);

// The channel a descriptor's devType picks: VELTRANE_DEV_SERIAL a serial line, VELTRANE_DEV_UDP
// a UDP socket, any other value none.
link::Transport TransportOf(int32_t devType);

// The line speed in bit/s a descriptor's speed index names (VELTRANE_SPEED_9600 ...); an index
// outside them is taken as VELTRANE_SPEED_57600.
int32_t LineSpeedOf(int32_t speedIndex);

// The address text of a descriptor: up to the first zero byte, and never past the 16 bytes.
std::string_view RemoteIpText(const DevParam& param);

// Why a UDP descriptor reaches no screen: its RmtIP is not an IPv4 address (as
// `RmtIP "999.1.1.1" is not an IPv4 address`, bytes that are not printable shown as '?'). Nothing
// for readable text or another transport.
std::optional<std::string> UnreadableAddress(const DevParam& param);

// Turns the caller's descriptor into the target the lower layers work with. A serial target's
// device is the path `comPorts` maps its COM port to (none for a number out of range).
link::Target ToTarget(const DevParam& param, const link::ComPortPaths& comPorts);

// The text that LED_GetPower shows when the debug switch is on.
std::string FormatDebugText(const DevParam& param);

}  // namespace veltrane::api
