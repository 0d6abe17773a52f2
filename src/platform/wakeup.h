#pragma once

#include "platform/unique_fd.h"

namespace veltrane::platform {

// A descriptor that one thread makes readable to wake another from a wait.
class WakeupEvent {
 public:
  WakeupEvent();
  int fd() const { return fd_.get(); }
  bool valid() const { return fd_.valid(); }
  void Signal();
  // Makes the descriptor unreadable again.
  void Clear();

 private:
  UniqueFd fd_;
};

// Blocks SIGINT and SIGTERM for the calling thread (and the threads it starts later) and returns a
// descriptor that becomes readable when one of them arrives. Call it before starting threads.
UniqueFd TerminationSignals();

}  // namespace veltrane::platform
