// SPDX-License-Identifier: MIT
#include "protocol/upload.h"

#include "protocol/connection.h"

namespace veltrane::protocol {

Status Upload(link::Channel& channel, std::span<const uint8_t> program, link::FrameBuffer& reply,
              uint8_t devAddr, platform::Clock& clock, UploadObserver* observer,
              ExchangeWatcher* watcher) {
  ExchangeSteps steps(UploadJob{program, devAddr});
  steps.Watch(watcher, observer);
  return Converse(channel, steps, reply, clock).status;
}

Status UploadProgram(const DeviceContext& context, const link::Target& target,
                     std::span<const uint8_t> program, UploadObserver* observer) {
  if (program.empty()) return Status::BadArgument;
  link::FrameBuffer reply;
  return WithChannel(target, [&](link::Channel& channel) {
    return Upload(channel, program, reply, target.devAddr, context.clock, observer,
                  context.watcher);
  });
}

}  // namespace veltrane::protocol
