// SPDX-License-Identifier: MIT
#include "api/program_sender.h"

#include <vector>

#include "protocol/upload.h"

namespace veltrane::api {

Status DoSendToScreen(ProgramSlots& slots, const protocol::DeviceContext& context,
                      const link::Target& target, int32_t slot, bool senderEnabled) {
  if (Status sendable = slots.CheckSendable(slot); sendable != Status::Ok) return sendable;
  BusyScope busy(context.busy);
  std::vector<uint8_t> program;
  if (Status taken = slots.TakeProgram(slot, program); taken != Status::Ok) return taken;
  if (!senderEnabled) return kSendingSwitchedOff;
  return protocol::UploadProgram(context, target, program);
}

}  // namespace veltrane::api
