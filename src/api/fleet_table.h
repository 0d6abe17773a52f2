// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <span>
#include <variant>
#include <vector>

#include "protocol/exchange.h"
#include "veltrane/veltrane.h"

namespace veltrane::api {

// The fleets a host has open, by number, and the run in progress on each. Safe to use from any
// thread; a run holds no lock, so it can be cancelled (and others opened or closed) meanwhile.
class FleetTable {
 public:
  // A run on one fleet, from Begin to its destruction: the fleet's screens as they were when it
  // began, and the flag that cancels it.
  class Run {
   public:
    Run(const Run&) = delete;
    Run& operator=(const Run&) = delete;
    Run(Run&& other) noexcept = default;
    ~Run();

    const std::vector<DevParam>& screens() const { return *screens_; }
    const protocol::CancelFlag& cancel() const { return *cancel_; }

   private:
    friend class FleetTable;
    struct Entry;
    Run(FleetTable& table, std::shared_ptr<Entry> entry);

    FleetTable* table_;
    std::shared_ptr<Entry> entry_;
    std::shared_ptr<const std::vector<DevParam>> screens_;
    std::shared_ptr<protocol::CancelFlag> cancel_;
  };

  // Why a fleet could not be closed or run.
  enum class Refusal { NotOpen, Busy };

  // A number for a fleet of `screens`, or 0 when VELTRANE_FLEET_MAX_OPEN are open already.
  int32_t Open(std::span<const DevParam> screens);
  // Closes the fleet unless a run is in progress on it.
  std::optional<Refusal> Close(int32_t fleet);
  // The fleet's run, unless it is not open or already running.
  std::variant<Run, Refusal> Begin(int32_t fleet);
  // Cancels the run in progress on the fleet: false when none is, or the fleet is not open
  // (`open` says which).
  bool Cancel(int32_t fleet, bool& open);

 private:
  std::mutex mutex_;
  std::map<int32_t, std::shared_ptr<Run::Entry>> fleets_;
  int32_t lastNumber_ = 0;
};

}  // namespace veltrane::api
