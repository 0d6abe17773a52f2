#include "platform/unique_fd.h"

#include <unistd.h>

namespace veltrane::platform {

void UniqueFd::Reset(int fd) {
  if (fd_ >= 0) ::close(fd_);
  fd_ = fd;
}

}  // namespace veltrane::platform
