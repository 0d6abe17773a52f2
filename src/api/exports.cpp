// The exported C functions: each one a shim that turns its arguments into the library's own
// types, calls into the layers below and maps the outcome to its documented result. Nothing
// escapes a shim: any exception becomes that export's failure value.
#include <utility>

#include "api/dev_param.h"
#include "api/device_results.h"
#include "api/library_state.h"
#include "common/messages.h"
#include "link/com_port_paths.h"
#include "platform/clock.h"
#include "protocol/device_commands.h"
#include "veltrane/veltrane.h"

namespace {

template <class Fn>
int32_t Guarded(int32_t failure, Fn&& body) noexcept {
  try {
    return std::forward<Fn>(body)();
  } catch (...) {
    return failure;
  }
}

}  // namespace

using veltrane::api::CommandResult;
using veltrane::api::GlobalSwitches;
using veltrane::api::ReadingResult;
using veltrane::api::ToTarget;
namespace protocol = veltrane::protocol;

extern "C" {

VELTRANE_API int32_t LED_Init(void) {
  return Guarded(0, [] { return veltrane::api::StartLibrary(); });
}

VELTRANE_API int32_t LED_Cleanup(void) {
  return Guarded(-1, [] { return veltrane::api::StopLibrary(); });
}

VELTRANE_API int32_t SetSenderEnable(int32_t enable) {
  GlobalSwitches().senderEnabled.store(enable);
  return 0;
}

VELTRANE_API int32_t LED_SetDebugFlag(int32_t flag) {
  GlobalSwitches().debugFlag.store(flag);
  return flag;
}

VELTRANE_API void LED_SetMessageHandler(LedMessageHandler handler, void* context) {
  Guarded(0, [&] {
    veltrane::SetMessageSink(handler, context);
    return 0;
  });
}

VELTRANE_API int32_t LED_SetPower(DevParam param, int32_t value) {
  return Guarded(-1, [&] { return CommandResult(protocol::DoSetPower(ToTarget(param), value)); });
}

VELTRANE_API int32_t LED_GetPower(DevParam param) {
  return Guarded(-1, [&] {
    if (GlobalSwitches().debugFlag.load() != 0)
      veltrane::ShowMessage(veltrane::api::FormatDebugText(param));
    return ReadingResult(protocol::DoGetPower(ToTarget(param)));
  });
}

VELTRANE_API int32_t LED_SetBright(DevParam param, int32_t value) {
  return Guarded(-1, [&] { return CommandResult(protocol::DoSetBright(ToTarget(param), value)); });
}

VELTRANE_API int32_t LED_GetBright(DevParam param) {
  return Guarded(-1, [&] { return ReadingResult(protocol::DoGetBright(ToTarget(param))); });
}

VELTRANE_API int32_t LED_Reset(DevParam param) {
  return Guarded(-1, [&] { return CommandResult(protocol::DoReset(ToTarget(param))); });
}

VELTRANE_API int32_t LED_AdjustTime(DevParam param) {
  return Guarded(-1, [&] {
    const veltrane::platform::LocalTime now = veltrane::platform::CurrentClock().Local();
    return CommandResult(protocol::DoAdjustTime(ToTarget(param), now));
  });
}

VELTRANE_API int32_t LED_SetComPortPath(int32_t port, const char* path) {
  return Guarded(0, [&] { return veltrane::link::SetComPortPath(port, path) ? 1 : 0; });
}

}  // extern "C"
