// The exported C functions: each one a shim that turns its arguments into the library's own
// types, calls into the layers below and maps the outcome to its documented result. Nothing
// escapes a shim: any exception becomes that export's failure value.
#include <optional>
#include <utility>

#include "api/dev_param.h"
#include "api/device_results.h"
#include "api/led_bitmap.h"
#include "api/library_state.h"
#include "builder/clock_area.h"
#include "builder/date_time_area.h"
#include "builder/program_sender.h"
#include "builder/program_slot.h"
#include "builder/string_area.h"
#include "builder/text_area.h"
#include "builder/window_area.h"
#include "common/messages.h"
#include "fixed_target/entry_points.h"
#include "link/com_port_paths.h"
#include "platform/clock.h"
#include "platform/text_codec.h"
#include "protocol/device_commands.h"
#include "veltrane/veltrane.h"

#if defined(_WIN32)
#include "platform/windows/device_picture.h"
#include "platform/windows/message_box.h"
#include "raster/raster.h"
#endif

namespace {

template <class Fn>
int32_t Guarded(int32_t failure, Fn&& body) noexcept {
  try {
    return std::forward<Fn>(body)();
  } catch (...) {
    return failure;
  }
}

#if defined(_WIN32)
// A message no handler takes is shown in a message box, as Windows hosts expect.
void VELTRANE_CALL ShowInMessageBox(const char* text, void*) {
  veltrane::platform::ShowMessageBox(text);
}
const bool messageBoxIsTheDefault = (veltrane::SetDefaultMessageSink(ShowInMessageBox), true);
#endif

}  // namespace

using veltrane::api::CommandResult;
using veltrane::api::GlobalSwitches;
using veltrane::api::ReadingResult;
using veltrane::api::ToTarget;
namespace protocol = veltrane::protocol;

namespace {

veltrane::builder::AreaRect ToAreaRect(const LedRect& rect) {
  return {rect.left, rect.top, rect.right, rect.bottom};
}

}  // namespace

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

VELTRANE_API int32_t MakeRoot(int32_t rootType, int32_t colorMode) {
  return Guarded(0, [&] { return veltrane::builder::MakeRoot(rootType, colorMode); });
}

VELTRANE_API int32_t AddLeaf(int32_t slot, int32_t pageParam) {
  return Guarded(0, [&] { return veltrane::builder::AddLeaf(slot, pageParam); });
}

VELTRANE_API void LED_ReleaseMem(int32_t slot) {
  Guarded(0, [&] {
    veltrane::builder::ReleaseSlot(slot);
    return 0;
  });
}

VELTRANE_API int32_t AddString(int32_t slot, LedRect area, int32_t areaParam, const char* text,
                               int32_t stringParamA, int32_t stringParamB, int32_t paramA,
                               int32_t paramB) {
  return Guarded(0, [&] {
    const veltrane::builder::StringArea fields{ToAreaRect(area), areaParam, stringParamA,
                                               stringParamB,     paramA,    paramB};
    return veltrane::builder::AddString(slot, fields, text);
  });
}

VELTRANE_API int32_t AddClock(int32_t slot, LedRect area, int32_t areaParam, uint32_t hourColor,
                              uint32_t minuteColor, uint32_t secondColor, uint32_t markColor,
                              uint32_t ringColor, uint32_t faceColor) {
  return Guarded(0, [&] {
    const veltrane::builder::ClockColors colors{hourColor, minuteColor, secondColor,
                                                markColor, ringColor,   faceColor};
    return veltrane::builder::AddClock(slot, ToAreaRect(area), areaParam, colors);
  });
}

VELTRANE_API int32_t AddDateTime(int32_t slot, LedRect area, const char* faceName,
                                 int32_t pointSize, uint32_t textColor, int32_t dateTimeType,
                                 int32_t areaParam) {
  return Guarded(0, [&] {
    return veltrane::builder::AddDateTime(slot, ToAreaRect(area), {faceName, pointSize, textColor},
                                          dateTimeType, areaParam);
  });
}

#if defined(_WIN32)
VELTRANE_API int32_t AddWindow(int32_t slot, HDC sourceDC, int32_t width, int32_t height,
                               LedRect area, int32_t paramA, int32_t paramB, int32_t areaParam) {
  return Guarded(0, [&] {
    // A picture too large to pack even at one bit per pixel is not read at all.
    if (!veltrane::raster::RasterFits(width, height, 1)) return 0;
    const auto picture = veltrane::platform::ReadDevicePicture(sourceDC, width, height);
    if (!picture) return 0;
    const veltrane::builder::WindowArea fields{ToAreaRect(area), areaParam, paramA, paramB};
    return veltrane::builder::AddWindow(slot, fields, picture->View(), width, height);
  });
}
#else
VELTRANE_API int32_t AddWindow(int32_t slot, const LedBitmap* source, int32_t width, int32_t height,
                               LedRect area, int32_t paramA, int32_t paramB, int32_t areaParam) {
  return Guarded(0, [&] {
    const std::optional<veltrane::image::PixelView> picture = veltrane::api::ToPixelView(source);
    if (!picture) return 0;
    const veltrane::builder::WindowArea fields{ToAreaRect(area), areaParam, paramA, paramB};
    return veltrane::builder::AddWindow(slot, fields, *picture, width, height);
  });
}
#endif

VELTRANE_API int32_t AddText(int32_t slot, LedRect area, int32_t areaParam, const char* text,
                             const char* faceName, int32_t pointSize, uint32_t textColor,
                             int32_t paramA, int32_t paramB) {
  return Guarded(0, [&] {
    const veltrane::builder::WindowArea fields{ToAreaRect(area), areaParam, paramA, paramB};
    const veltrane::builder::TextStyle style{pointSize, textColor};
    return veltrane::builder::AddText(slot, fields, style, text, faceName);
  });
}

VELTRANE_API int32_t LED_SetTextEncoding(const char* charset) {
  return Guarded(0, [&] { return veltrane::platform::SetHostTextEncoding(charset) ? 1 : 0; });
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

VELTRANE_API int32_t LED_SendToScreen(DevParam param, int32_t slot) {
  return Guarded(0, [&] {
    const bool enabled = GlobalSwitches().senderEnabled.load() != 0;
    return veltrane::builder::DoSendToScreen(ToTarget(param), slot, enabled) == veltrane::Status::Ok
               ? 1
               : 0;
  });
}

#if !defined(_WIN32)
VELTRANE_API int32_t LED_SetComPortPath(int32_t port, const char* path) {
  return Guarded(0, [&] { return veltrane::link::SetComPortPath(port, path) ? 1 : 0; });
}
#endif

VELTRANE_API int32_t XR_LED_PowerOn(const char* ip, int32_t locPort, int32_t, int32_t, int32_t) {
  return Guarded(1, [&] { return veltrane::fixed_target::PowerOn(ip, locPort); });
}

VELTRANE_API int32_t XR_LED_PowerOff(const char* ip, int32_t locPort, int32_t, int32_t, int32_t) {
  return Guarded(1, [&] { return veltrane::fixed_target::PowerOff(ip, locPort); });
}

VELTRANE_API int32_t XR_LED_ResiveTime(const char* ip, int32_t locPort, int32_t, int32_t, int32_t) {
  return Guarded(1, [&] { return veltrane::fixed_target::SetTimeFromHost(ip, locPort); });
}

VELTRANE_API int32_t XR_LED_SendData(const char* ip, int32_t locPort, int32_t, int32_t,
                                     const char* document, int32_t) {
  return Guarded(1,
                 [&] { return veltrane::fixed_target::SendAreaDocument(ip, locPort, document); });
}

}  // extern "C"
