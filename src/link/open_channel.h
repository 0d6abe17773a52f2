// SPDX-License-Identifier: MIT
#pragma once

#include <memory>

#include "common/status.h"
#include "link/channel.h"
#include "link/target.h"

namespace veltrane::link {

// A channel opened for one device operation, or the reason it could not be opened.
struct OpenedChannel {
  std::unique_ptr<Channel> channel;  // set exactly when `status` is Ok
  Status status;
};

// Opens the channel the target names: its serial line, or a UDP socket bound to its local port
// and talking to its screen. BadArgument for Transport::None (nothing is opened); an OsError
// (with the system's reason where it gave one) when the channel cannot be opened. The channel
// closes when it is destroyed.
OpenedChannel OpenChannel(const Target& target);

}  // namespace veltrane::link
