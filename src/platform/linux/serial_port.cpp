// SPDX-License-Identifier: MIT
#include "platform/serial_port.h"

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <filesystem>
#include <system_error>

namespace veltrane::platform {
namespace {

speed_t SpeedCode(int32_t bitsPerSecond) {
  switch (bitsPerSecond) {
    case 19200:
      return B19200;
    case 38400:
      return B38400;
    case 57600:
      return B57600;
    case 115200:
      return B115200;
    default:
      return B9600;
  }
}

// Raw 8N1 at the given speed from the line's current settings; reads return at once with what
// is there (VMIN 0, VTIME 0). Software flow control goes with raw mode: on a binary link XON and
// XOFF are ordinary bytes. CREAD and CLOCAL let the line receive whatever the modem lines say, as
// a COM port does.
void SetRawLine(int fd, termios line, speed_t speed) {
  ::cfmakeraw(&line);
  line.c_cflag &= ~static_cast<tcflag_t>(CSTOPB);
  line.c_cflag |= CREAD | CLOCAL;
  line.c_cc[VMIN] = 0;
  line.c_cc[VTIME] = 0;
  ::cfsetispeed(&line, speed);
  ::cfsetospeed(&line, speed);
  ::tcsetattr(fd, TCSANOW, &line);
}

}  // namespace

std::string DefaultSerialDevicePath(int32_t comPort) {
  return "/dev/ttyS" + std::to_string(comPort - 1);
}

std::string DeviceIdentity(const std::string& path) {
  std::error_code error;
  const std::filesystem::path device = std::filesystem::weakly_canonical(path, error);
  return error ? path : device.string();
}

Status SerialPort::Open(const std::string& path, int32_t bitsPerSecond) {
  Close();
  // A file, a folder or a pipe is not even opened: writing a request into it would change what
  // it holds, and opening a pipe could wait for a writer.
  struct stat kind {};
  if (::stat(path.c_str(), &kind) != 0) return Status::System(errno);
  if (!S_ISCHR(kind.st_mode)) return kNotSerialLine;
  handle_.Reset(::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
  if (!valid()) return Status::System(errno);
  const int fd = handle_.get();
  // Of the character devices, only a terminal has line settings (/dev/null has none).
  termios line{};
  if (::tcgetattr(fd, &line) != 0) {
    Close();
    return kNotSerialLine;
  }
  // TIOCEXCL alone does not stop a privileged process from opening the device again; the
  // advisory lock does, for every opener that takes it too. A held lock is reported as the
  // busy device it is.
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    const int reason = errno == EWOULDBLOCK ? EBUSY : errno;
    Close();
    return Status::System(reason);
  }
  ::ioctl(fd, TIOCEXCL);
  SetRawLine(fd, line, SpeedCode(bitsPerSecond));
  // Bytes left over from an earlier conversation would otherwise be taken for this one's reply.
  ::tcflush(fd, TCIFLUSH);
  return Status::Ok;
}

size_t SerialPort::ReadAvailable(std::span<uint8_t> buffer) const {
  if (!valid() || buffer.empty()) return 0;
  const ssize_t n = ::read(handle_.get(), buffer.data(), buffer.size());
  return n > 0 ? static_cast<size_t>(n) : 0;
}

size_t SerialPort::WriteAll(std::span<const uint8_t> data) const {
  if (!valid()) return 0;
  const int fd = handle_.get();
  size_t written = 0;
  while (written < data.size()) {
    const ssize_t n = ::write(fd, data.data() + written, data.size() - written);
    if (n > 0) {
      written += static_cast<size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) break;
    pollfd entry{fd, POLLOUT, 0};
    if (::poll(&entry, 1, static_cast<int>(kWriteStallMs)) <= 0 || !(entry.revents & POLLOUT))
      break;
  }
  return written;
}

}  // namespace veltrane::platform
