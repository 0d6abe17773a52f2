// SPDX-License-Identifier: MIT
#pragma once

#include <sched.h>

#include <vector>

// Placing benchmark threads on CPUs, so that a measurement runs on one CPU or on two as it says.
namespace veltrane::testing {

// The CPUs this process may run on, in order.
std::vector<int> AllowedCpus();

// Keeps the calling thread on `cpu` from now on.
void PinCallingThread(int cpu);

// Keeps the calling thread on one CPU for its lifetime, then lets it run where it ran before.
class ScopedPin {
 public:
  explicit ScopedPin(int cpu);
  ~ScopedPin();
  ScopedPin(const ScopedPin&) = delete;
  ScopedPin& operator=(const ScopedPin&) = delete;

 private:
  cpu_set_t before_;
};

}  // namespace veltrane::testing
