// SPDX-License-Identifier: MIT
#include "support/cpu_pinning.h"

#include <pthread.h>

namespace veltrane::testing {

std::vector<int> AllowedCpus() {
  cpu_set_t set;
  CPU_ZERO(&set);
  std::vector<int> cpus;
  if (sched_getaffinity(0, sizeof set, &set) != 0) return cpus;
  for (int cpu = 0; cpu < CPU_SETSIZE; ++cpu)
    if (CPU_ISSET(cpu, &set)) cpus.push_back(cpu);
  return cpus;
}

void PinCallingThread(int cpu) {
  cpu_set_t set;
  CPU_ZERO(&set);
  CPU_SET(cpu, &set);
  pthread_setaffinity_np(pthread_self(), sizeof set, &set);
}

ScopedPin::ScopedPin(int cpu) {
  pthread_getaffinity_np(pthread_self(), sizeof before_, &before_);
  PinCallingThread(cpu);
}

ScopedPin::~ScopedPin() { pthread_setaffinity_np(pthread_self(), sizeof before_, &before_); }

}  // namespace veltrane::testing
