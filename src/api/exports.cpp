// The exported C functions: each one a shim that turns its arguments into the library's own
// types, calls into the layers below and maps the outcome to its documented result. Nothing
// escapes a shim: any exception becomes that export's failure value.
#include <utility>

#include "api/dev_param.h"
#include "api/library_state.h"
#include "common/messages.h"
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

using veltrane::api::GlobalSwitches;

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

}  // extern "C"
