#pragma once

#include <cstdint>
#include <span>

#include "link/channel.h"
#include "link/com_port_paths.h"
#include "link/target.h"
#include "platform/unique_fd.h"

namespace veltrane::link {

// The line speed in bit/s for a descriptor's speed index 0..4; any other index is taken as 3.
int32_t LineSpeed(int32_t speedIndex);

// A COM port opened for one device operation. The port is held exclusively until Close (or
// destruction), so a second operation on the same port fails to open it.
class SerialChannel final : public Channel {
 public:
  // Opens COM port `target.comPort` (the device path `paths` maps it to) at `target.speedIndex`'s
  // speed, 8 data bits, no parity, one stop bit. False when it cannot be opened or is held
  // elsewhere.
  bool Open(const Target& target, const ComPortPaths& paths);
  // Closes the port if it is open; a second Close does nothing.
  void Close();
  bool IsOpen() const { return port_.valid(); }

  // Writes the whole buffer; returns the count written, 0 when the write failed or the port is
  // not open.
  uint32_t Write(std::span<const uint8_t> data);
  // Returns at once with what the port has received so far (at most `buffer.size()` bytes);
  // 0 when nothing is waiting, the port is not open or the read failed.
  uint32_t Read(std::span<uint8_t> buffer);

  bool CarriesWholeFrames() const override { return false; }
  bool Transmit(std::span<const uint8_t> frame) override { return Write(frame) != 0; }
  platform::WaitResult WaitForInput(uint32_t timeoutMs) override;
  size_t TakeInput(std::span<uint8_t, MaxFrameSize> buffer) override { return Read(buffer); }

 private:
  platform::UniqueFd port_;
};

}  // namespace veltrane::link
