// SPDX-License-Identifier: MIT
#include "platform/tools/input_watch.h"

namespace veltrane::platform {

// The event loops that watch many objects at once are the simulator's, which is not built here:
// nothing is watched, and every Add says the system refused.
InputWatch::InputWatch() = default;

bool InputWatch::Add(const Waitable&, uint32_t) { return false; }

void InputWatch::Remove(const Waitable&) {}

bool InputWatch::Wait(std::span<bool>, uint32_t) { return false; }

}  // namespace veltrane::platform
