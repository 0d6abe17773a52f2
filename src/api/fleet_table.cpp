// SPDX-License-Identifier: MIT
#include "api/fleet_table.h"

#include <limits>

namespace veltrane::api {

struct FleetTable::Run::Entry {
  std::shared_ptr<const std::vector<DevParam>> screens;
  std::shared_ptr<protocol::CancelFlag> running;  // set while a run is in progress
};

FleetTable::Run::Run(FleetTable& table, std::shared_ptr<Entry> entry)
    : table_(&table),
      entry_(std::move(entry)),
      screens_(entry_->screens),
      cancel_(std::make_shared<protocol::CancelFlag>()) {
  entry_->running = cancel_;
}

FleetTable::Run::~Run() {
  if (!entry_) return;  // moved from
  std::lock_guard lock(table_->mutex_);
  entry_->running.reset();
}

int32_t FleetTable::Open(std::span<const DevParam> screens) {
  auto entry = std::make_shared<Run::Entry>();
  entry->screens = std::make_shared<const std::vector<DevParam>>(screens.begin(), screens.end());
  std::lock_guard lock(mutex_);
  if (fleets_.size() >= VELTRANE_FLEET_MAX_OPEN) return 0;
  // Numbers are not given again soon after they are closed, so that a stale one finds nothing.
  do {
    lastNumber_ = lastNumber_ == std::numeric_limits<int32_t>::max() ? 1 : lastNumber_ + 1;
  } while (fleets_.contains(lastNumber_));
  fleets_.emplace(lastNumber_, std::move(entry));
  return lastNumber_;
}

std::optional<FleetTable::Refusal> FleetTable::Close(int32_t fleet) {
  std::lock_guard lock(mutex_);
  const auto found = fleets_.find(fleet);
  if (found == fleets_.end()) return Refusal::NotOpen;
  if (found->second->running) return Refusal::Busy;
  fleets_.erase(found);
  return std::nullopt;
}

std::variant<FleetTable::Run, FleetTable::Refusal> FleetTable::Begin(int32_t fleet) {
  std::lock_guard lock(mutex_);
  const auto found = fleets_.find(fleet);
  if (found == fleets_.end()) return Refusal::NotOpen;
  if (found->second->running) return Refusal::Busy;
  return Run(*this, found->second);
}

bool FleetTable::Cancel(int32_t fleet, bool& open) {
  std::lock_guard lock(mutex_);
  const auto found = fleets_.find(fleet);
  open = found != fleets_.end();
  if (!open || !found->second->running) return false;
  found->second->running->Request();
  return true;
}

}  // namespace veltrane::api
