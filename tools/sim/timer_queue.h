// SPDX-License-Identifier: MIT
#pragma once

#include <algorithm>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

namespace veltrane::sim {

// Items waiting for their due time, earliest first; items due at the same time keep the order
// they were pushed in, so that a screen's replies leave in the order it gave them.
template <class Item>
class TimerQueue {
 public:
  void Push(uint64_t dueNs, Item item) {
    heap_.push_back({dueNs, pushed_++, std::move(item)});
    std::push_heap(heap_.begin(), heap_.end(), Later);
  }

  bool empty() const { return heap_.empty(); }

  // When the earliest item is due; nothing when the queue is empty.
  std::optional<uint64_t> NextDueNs() const {
    if (heap_.empty()) return std::nullopt;
    return heap_.front().dueNs;
  }

  // Takes the earliest item if it is due at `nowNs`.
  std::optional<Item> PopDue(uint64_t nowNs) {
    if (heap_.empty() || heap_.front().dueNs > nowNs) return std::nullopt;
    std::pop_heap(heap_.begin(), heap_.end(), Later);
    Item item = std::move(heap_.back().item);
    heap_.pop_back();
    return item;
  }

  void Clear() { heap_.clear(); }

 private:
  struct Entry {
    uint64_t dueNs;
    uint64_t order;
    Item item;
  };
  // The heap keeps its greatest entry first; "greatest" here is the one to leave first.
  static bool Later(const Entry& a, const Entry& b) {
    return a.dueNs != b.dueNs ? a.dueNs > b.dueNs : a.order > b.order;
  }

  std::vector<Entry> heap_;
  uint64_t pushed_ = 0;
};

}  // namespace veltrane::sim
