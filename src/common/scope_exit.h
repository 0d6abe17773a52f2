// SPDX-License-Identifier: MIT
#pragma once

#include <utility>

namespace veltrane {

// Runs a callable when the scope ends, on every path out of it.
template <class Fn>
class ScopeExit {
 public:
  explicit ScopeExit(Fn fn) : fn_(std::move(fn)) {}
  ScopeExit(const ScopeExit&) = delete;
  ScopeExit& operator=(const ScopeExit&) = delete;
  ~ScopeExit() { fn_(); }

 private:
  Fn fn_;
};

}  // namespace veltrane
