// SPDX-License-Identifier: MIT
#include "platform/serial_port.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <limits>
#include <string>

#include "com_port.h"
#include "platform/clock.h"
#include "platform/line_wait.h"

namespace veltrane::platform {
namespace {

// The driver's input and output queues, in bytes.
constexpr DWORD kQueueBytes = 1424;

DWORD ToDword(size_t n) {
  return static_cast<DWORD>(std::min<size_t>(n, std::numeric_limits<DWORD>::max()));
}

// The line at `bitsPerSecond` (anything but the four higher rates gives 9600), 8 data bits, no
// parity, one stop bit, binary, from its current settings `line`. Software flow control goes: on
// a binary link XON and XOFF are ordinary bytes. The rest stays as the port had it.
void SetLine(HANDLE port, DCB line, int32_t bitsPerSecond) {
  switch (bitsPerSecond) {
    case 19200:
    case 38400:
    case 57600:
    case 115200:
      line.BaudRate = static_cast<DWORD>(bitsPerSecond);
      break;
    default:
      line.BaudRate = CBR_9600;
  }
  line.ByteSize = 8;
  line.Parity = NOPARITY;
  line.StopBits = ONESTOPBIT;
  line.fBinary = TRUE;
  line.fParity = FALSE;
  line.fOutX = FALSE;
  line.fInX = FALSE;
  ::SetCommState(port, &line);
}

}  // namespace

std::string DefaultSerialDevicePath(int32_t comPort) {
  // The device namespace reaches COM10 and above as well as COM1 to COM9.
  return "\\\\.\\COM" + std::to_string(comPort);
}

std::string DeviceIdentity(const std::string& path) {
  // Device names are not case-sensitive.
  std::string identity = path;
  std::transform(identity.begin(), identity.end(), identity.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return identity;
}

Status SerialPort::Open(const std::string& path, int32_t bitsPerSecond) {
  Close();
  // Not shared: a second open of the port fails while this one holds it. Not overlapped: every
  // transfer is finished when its call returns.
  const HANDLE port = ::CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                    OPEN_EXISTING, 0, nullptr);
  if (port == INVALID_HANDLE_VALUE) return Status::System(static_cast<int>(::GetLastError()));
  // Only a communications device has line settings; a file or a pipe opened by its name is no
  // serial line, and a request written into it would change what it holds.
  DCB line{};
  line.DCBlength = sizeof line;
  if (!::GetCommState(port, &line)) {
    ::CloseHandle(port);
    return kNotSerialLine;
  }
  ::SetupComm(port, kQueueBytes, kQueueBytes);
  SetLine(port, line, bitsPerSecond);
  // Bytes left over from an earlier conversation would otherwise be taken for this one's reply.
  ::PurgeComm(port, PURGE_RXCLEAR | PURGE_RXABORT);
  handle_.Reset(
      {NativeHandle::Kind::ComPort, reinterpret_cast<uintptr_t>(new ComPort(port, bitsPerSecond))});
  return Status::Ok;
}

size_t SerialPort::ReadAvailable(std::span<uint8_t> buffer) const {
  if (handle_.get().kind != NativeHandle::Kind::ComPort) return 0;
  return reinterpret_cast<ComPort*>(handle_.get().value)->ReadAvailable(buffer);
}

size_t SerialPort::WriteAll(std::span<const uint8_t> data) const {
  if (handle_.get().kind != NativeHandle::Kind::ComPort) return 0;
  return reinterpret_cast<ComPort*>(handle_.get().value)->WriteAll(data);
}

bool ComPort::SetTimeouts(uint32_t readWaitMs, size_t writeBytes) {
  COMMTIMEOUTS timeouts{};
  // MAXDWORD between bytes and no total: a read returns at once with what is queued. With
  // MAXDWORD as the multiplier too, it waits up to the constant for a first byte and returns as
  // soon as one arrives.
  timeouts.ReadIntervalTimeout = MAXDWORD;
  if (readWaitMs > 0) {
    timeouts.ReadTotalTimeoutMultiplier = MAXDWORD;
    timeouts.ReadTotalTimeoutConstant = std::min<DWORD>(readWaitMs, MAXDWORD - 1);
  }
  // Ten bits a byte on an 8N1 line, and the stall allowance on top.
  const DWORD msPerByte = static_cast<DWORD>((10 * 1000 + bitsPerSecond_ - 1) / bitsPerSecond_);
  timeouts.WriteTotalTimeoutMultiplier = writeBytes > 0 ? msPerByte : 0;
  timeouts.WriteTotalTimeoutConstant = kWriteStallMs;
  if (timeouts_ && std::memcmp(&*timeouts_, &timeouts, sizeof timeouts) == 0) return true;
  if (!::SetCommTimeouts(port_, &timeouts)) return false;
  timeouts_ = timeouts;
  return true;
}

WaitResult ComPort::WaitForInput(uint32_t timeoutMs) {
  if (taken_) return WaitResult::Ready;
  DWORD errors = 0;
  COMSTAT status{};
  if (!::ClearCommError(port_, &errors, &status)) return WaitResult::Broken;
  if (status.cbInQue > 0) return WaitResult::Ready;
  if (timeoutMs == 0) return WaitResult::TimedOut;
  const auto read = [this](uint32_t waitMs) {
    uint8_t byte = 0;
    DWORD count = 0;
    if (!SetTimeouts(waitMs, 0) || !::ReadFile(port_, &byte, 1, &count, nullptr))
      return LineRead::Failed;
    if (count == 0) return LineRead::Nothing;
    taken_ = byte;
    return LineRead::Byte;
  };
  const auto clearLineError = [this] {
    constexpr DWORD kLineErrors = CE_BREAK | CE_FRAME | CE_OVERRUN | CE_RXOVER | CE_RXPARITY;
    DWORD errors = 0;
    COMSTAT status{};
    return ::ClearCommError(port_, &errors, &status) && (errors & kLineErrors) != 0;
  };
  return WaitForLineInput(timeoutMs, read, clearLineError, SystemTickMs);
}

size_t ComPort::ReadAvailable(std::span<uint8_t> buffer) {
  if (buffer.empty()) return 0;
  size_t count = 0;
  if (taken_) {
    buffer[count++] = *taken_;
    taken_.reset();
  }
  // Clearing the error state keeps a line error (overrun, framing, parity) from stopping later
  // transfers; it also tells how many bytes are queued.
  DWORD errors = 0;
  COMSTAT status{};
  if (!::ClearCommError(port_, &errors, &status) || status.cbInQue == 0) return count;
  const DWORD wanted = std::min<DWORD>(status.cbInQue, ToDword(buffer.size() - count));
  DWORD read = 0;
  if (wanted > 0 && SetTimeouts(0, 0) &&
      ::ReadFile(port_, buffer.data() + count, wanted, &read, nullptr)) {
    count += read;
  }
  return count;
}

size_t ComPort::WriteAll(std::span<const uint8_t> data) {
  size_t written = 0;
  while (written < data.size()) {
    const size_t rest = data.size() - written;
    DWORD n = 0;
    if (!SetTimeouts(0, rest) ||
        !::WriteFile(port_, data.data() + written, ToDword(rest), &n, nullptr) || n == 0) {
      break;  // failed, or the device took nothing within its time
    }
    written += n;
  }
  return written;
}

}  // namespace veltrane::platform
