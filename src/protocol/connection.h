// SPDX-License-Identifier: MIT
#pragma once

#include "common/status.h"
#include "link/open_channel.h"

namespace veltrane::protocol {

// Opens the channel the target names and runs `work(link::Channel&)` on it. BadArgument
// for Transport::None and an OsError when the channel cannot be opened (nothing runs then),
// otherwise what the work returned. The channel is closed before this returns, on every path.
template <class Work>
Status WithChannel(const link::Target& target, Work&& work) {
  const link::OpenedChannel opened = link::OpenChannel(target);
  if (!opened.channel) return opened.status;
  return work(*opened.channel);
}

}  // namespace veltrane::protocol
