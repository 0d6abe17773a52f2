// SPDX-License-Identifier: MIT
#include "platform/tools/process_limits.h"

#include <malloc.h>
#include <sys/resource.h>

#include <algorithm>
#include <cstdint>

namespace veltrane::platform {

size_t RaiseOpenHandleLimit(size_t wanted) {
  rlimit limit{};
  if (getrlimit(RLIMIT_NOFILE, &limit) != 0) return 0;
  if (limit.rlim_cur >= wanted) return static_cast<size_t>(limit.rlim_cur);
  // Only the soft limit moves: up to the hard one, which an unprivileged process cannot raise.
  const rlim_t raised = limit.rlim_max == RLIM_INFINITY
                            ? static_cast<rlim_t>(wanted)
                            : std::min(static_cast<rlim_t>(wanted), limit.rlim_max);
  const rlim_t before = limit.rlim_cur;
  limit.rlim_cur = raised;
  if (setrlimit(RLIMIT_NOFILE, &limit) != 0) return static_cast<size_t>(before);
  return static_cast<size_t>(raised);
}

void KeepFreedMemory(size_t bytes) {
#ifdef __GLIBC__
  // Blocks up to the largest the allocator's heaps hold come from them, not from fresh
  // mappings, and freed memory is handed back only beyond `bytes`.
  constexpr size_t kLargestHeapBlock = 32 * 1024 * 1024;
  mallopt(M_MMAP_THRESHOLD, static_cast<int>(std::min(bytes, kLargestHeapBlock)));
  mallopt(M_TRIM_THRESHOLD, static_cast<int>(std::min<size_t>(bytes, INT32_MAX)));
#else
  (void)bytes;  // other C libraries keep their own counsel
#endif
}

}  // namespace veltrane::platform
