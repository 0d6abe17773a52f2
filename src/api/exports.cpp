// SPDX-License-Identifier: MIT
// The exported C functions: each one a shim that turns its arguments into the library's own
// types, calls into the layers below and maps the outcome to its documented result. Nothing
// escapes a shim: any exception becomes that export's failure value. Every shim leaves this
// thread's last error saying why it failed, or clears it when it succeeded. The process's one
// Library is reached from the exports only (here and in fleet_exports.cpp); everything below is
// handed the parts it uses.
#include <utility>

#include "api/dev_param.h"
#include "api/device_results.h"
#include "api/export_outcome.h"
#include "api/guarded.h"
#include "api/last_error.h"
#include "api/library.h"
#include "api/program_sender.h"
#include "builder/clock_area.h"
#include "builder/date_time_area.h"
#include "builder/program.h"
#include "builder/string_area.h"
#include "builder/text_area.h"
#include "builder/window_area.h"
#include "fixed_target/entry_points.h"
#include "platform/message_box.h"
#include "protocol/device_commands.h"
#include "veltrane/veltrane.h"

namespace {

using veltrane::Status;
using veltrane::api::Built;
using veltrane::api::ClearLastError;
using veltrane::api::Guarded;
using veltrane::api::Recorded;
using veltrane::api::SetLastError;
using veltrane::api::Succeeded;
using veltrane::api::TheLibrary;
using veltrane::api::ToAreaRect;
using veltrane::builder::Program;

// Records a device call's outcome, as SetLastError(param, ...) tells it.
Status Recorded(const DevParam& param, Status status) {
  if (status == Status::Ok)
    ClearLastError();
  else
    SetLastError(param, status);
  return status;
}

veltrane::protocol::Reading Recorded(const DevParam& param,
                                     const veltrane::protocol::Reading& reading) {
  Recorded(param, reading.status);
  return reading;
}

// A message no handler takes goes where hosts on this system expect it (Windows: a message box).
const bool systemHandlerIsTheDefault =
    (veltrane::SetDefaultMessageHandler(veltrane::platform::SystemMessageHandler()), true);

}  // namespace

using veltrane::api::CommandResult;
using veltrane::api::EntryResult;
using veltrane::api::ReadingResult;
using veltrane::api::ToTarget;
namespace protocol = veltrane::protocol;

namespace {

// The target a descriptor names, its COM port resolved through the library's path table.
veltrane::link::Target TargetOf(const DevParam& param) {
  return ToTarget(param, TheLibrary().comPorts());
}

}  // namespace

int32_t veltrane::api::BuildWindow(int32_t slot, image::PixelView picture, int32_t width,
                                   int32_t height, LedRect area, int32_t paramA, int32_t paramB,
                                   int32_t areaParam) {
  const builder::WindowArea fields{ToAreaRect(area), areaParam, paramA, paramB};
  return Built(TheLibrary().slots().Build(slot, [&](Program& program) {
    return builder::AddWindow(program, fields, picture, width, height);
  }));
}

extern "C" {

VELTRANE_API int32_t LED_Init(void) {
  return Guarded(0, [] { return Succeeded(TheLibrary().Start()); });
}

VELTRANE_API int32_t LED_Cleanup(void) {
  return Guarded(-1, [] {
    const int32_t stopped = TheLibrary().Stop();
    if (stopped != 0)
      Recorded({Status::BadArgument, "the library was not started"});
    else
      ClearLastError();
    return stopped;
  });
}

VELTRANE_API int32_t SetSenderEnable(int32_t enable) {
  return Guarded(0, [&] {
    TheLibrary().switches().senderEnabled.store(enable);
    return Succeeded(0);
  });
}

VELTRANE_API int32_t LED_SetDebugFlag(int32_t flag) {
  return Guarded(flag, [&] {
    TheLibrary().switches().debugFlag.store(flag);
    return Succeeded(flag);
  });
}

VELTRANE_API void LED_SetMessageHandler(LedMessageHandler handler, void* context) {
  Guarded(0, [&] {
    TheLibrary().messages().Install(handler, context);
    return Succeeded(0);
  });
}

VELTRANE_API int32_t MakeRoot(int32_t rootType, int32_t colorMode) {
  return Guarded(0, [&] {
    const veltrane::api::Claim claim = TheLibrary().slots().MakeRoot(rootType, colorMode);
    return Recorded(claim.status) == Status::Ok ? claim.slot : 0;
  });
}

VELTRANE_API int32_t AddLeaf(int32_t slot, int32_t pageParam) {
  return Guarded(0, [&] { return Built(TheLibrary().slots().AddLeaf(slot, pageParam)); });
}

VELTRANE_API void LED_ReleaseMem(int32_t slot) {
  Guarded(0, [&] {
    TheLibrary().slots().Release(slot);
    return Succeeded(0);
  });
}

VELTRANE_API int32_t AddString(int32_t slot, LedRect area, int32_t areaParam, const char* text,
                               int32_t stringParamA, int32_t stringParamB, int32_t paramA,
                               int32_t paramB) {
  return Guarded(0, [&] {
    const veltrane::builder::StringArea fields{ToAreaRect(area), areaParam, stringParamA,
                                               stringParamB,     paramA,    paramB};
    return Built(TheLibrary().slots().Build(slot, [&](Program& program) {
      return veltrane::builder::AddString(program, fields, text);
    }));
  });
}

VELTRANE_API int32_t AddClock(int32_t slot, LedRect area, int32_t areaParam, uint32_t hourColor,
                              uint32_t minuteColor, uint32_t secondColor, uint32_t markColor,
                              uint32_t ringColor, uint32_t faceColor) {
  return Guarded(0, [&] {
    const veltrane::builder::ClockColors colors{hourColor, minuteColor, secondColor,
                                                markColor, ringColor,   faceColor};
    return Built(TheLibrary().slots().Build(slot, [&](Program& program) {
      return veltrane::builder::AddClock(program, ToAreaRect(area), areaParam, colors);
    }));
  });
}

VELTRANE_API int32_t AddDateTime(int32_t slot, LedRect area, const char* faceName,
                                 int32_t pointSize, uint32_t textColor, int32_t dateTimeType,
                                 int32_t areaParam) {
  return Guarded(0, [&] {
    veltrane::api::Library& library = TheLibrary();
    const veltrane::platform::TextEncoding encoding = library.textEncoding();
    return Built(library.slots().Build(slot, [&](Program& program) {
      return veltrane::builder::AddDateTime(program, ToAreaRect(area),
                                            {faceName, pointSize, textColor}, dateTimeType,
                                            areaParam, encoding, library.clock());
    }));
  });
}

VELTRANE_API int32_t AddText(int32_t slot, LedRect area, int32_t areaParam, const char* text,
                             const char* faceName, int32_t pointSize, uint32_t textColor,
                             int32_t paramA, int32_t paramB) {
  return Guarded(0, [&] {
    const veltrane::builder::WindowArea fields{ToAreaRect(area), areaParam, paramA, paramB};
    const veltrane::builder::TextStyle style{pointSize, textColor};
    veltrane::api::Library& library = TheLibrary();
    const veltrane::platform::TextEncoding encoding = library.textEncoding();
    return Built(library.slots().Build(slot, [&](Program& program) {
      return veltrane::builder::AddText(program, fields, style, text, faceName, encoding);
    }));
  });
}

VELTRANE_API int32_t LED_SetTextEncoding(const char* charset) {
  return Guarded(0, [&] { return Built(TheLibrary().SetTextEncoding(charset)); });
}

VELTRANE_API int32_t LED_SetPower(DevParam param, int32_t value) {
  return Guarded(-1, [&] {
    return CommandResult(
        Recorded(param, protocol::DoSetPower(TheLibrary().Devices(), TargetOf(param), value)));
  });
}

VELTRANE_API int32_t LED_GetPower(DevParam param) {
  return Guarded(-1, [&] {
    veltrane::api::Library& library = TheLibrary();
    if (library.switches().debugFlag.load() != 0)
      library.messages().Show(veltrane::api::FormatDebugText(param));
    return ReadingResult(Recorded(param, protocol::DoGetPower(library.Devices(), TargetOf(param))));
  });
}

VELTRANE_API int32_t LED_SetBright(DevParam param, int32_t value) {
  return Guarded(-1, [&] {
    return CommandResult(
        Recorded(param, protocol::DoSetBright(TheLibrary().Devices(), TargetOf(param), value)));
  });
}

VELTRANE_API int32_t LED_GetBright(DevParam param) {
  return Guarded(-1, [&] {
    return ReadingResult(
        Recorded(param, protocol::DoGetBright(TheLibrary().Devices(), TargetOf(param))));
  });
}

VELTRANE_API int32_t LED_Reset(DevParam param) {
  return Guarded(-1, [&] {
    return CommandResult(
        Recorded(param, protocol::DoReset(TheLibrary().Devices(), TargetOf(param))));
  });
}

VELTRANE_API int32_t LED_AdjustTime(DevParam param) {
  return Guarded(-1, [&] {
    veltrane::api::Library& library = TheLibrary();
    const veltrane::platform::LocalTime now = library.clock().Local();
    return CommandResult(
        Recorded(param, protocol::DoAdjustTime(library.Devices(), TargetOf(param), now)));
  });
}

VELTRANE_API int32_t LED_SendToScreen(DevParam param, int32_t slot) {
  return Guarded(0, [&] {
    veltrane::api::Library& library = TheLibrary();
    const bool enabled = library.switches().senderEnabled.load() != 0;
    const veltrane::Status sent = veltrane::api::DoSendToScreen(library.slots(), library.Devices(),
                                                                TargetOf(param), slot, enabled);
    return Recorded(param, sent) == Status::Ok ? 1 : 0;
  });
}

VELTRANE_API int32_t XR_LED_PowerOn(const char* ip, int32_t locPort, int32_t, int32_t, int32_t) {
  return Guarded(1, [&] {
    return EntryResult(
        Recorded(veltrane::fixed_target::PowerOn(TheLibrary().Devices(), ip, locPort)));
  });
}

VELTRANE_API int32_t XR_LED_PowerOff(const char* ip, int32_t locPort, int32_t, int32_t, int32_t) {
  return Guarded(1, [&] {
    return EntryResult(
        Recorded(veltrane::fixed_target::PowerOff(TheLibrary().Devices(), ip, locPort)));
  });
}

VELTRANE_API int32_t XR_LED_ResiveTime(const char* ip, int32_t locPort, int32_t, int32_t, int32_t) {
  return Guarded(1, [&] {
    return EntryResult(
        Recorded(veltrane::fixed_target::SetTimeFromHost(TheLibrary().Devices(), ip, locPort)));
  });
}

VELTRANE_API int32_t XR_LED_SendData(const char* ip, int32_t locPort, int32_t, int32_t,
                                     const char* document, int32_t) {
  return Guarded(1, [&] {
    veltrane::api::Library& library = TheLibrary();
    const auto send = [&](const veltrane::link::Target& target, int32_t slot) {
      return veltrane::api::DoSendToScreen(library.slots(), library.Devices(), target, slot, true);
    };
    return Succeeded(
        veltrane::fixed_target::SendAreaDocument(send, library.messages(), ip, locPort, document));
  });
}

VELTRANE_API int32_t LED_GetLastError(void) { return veltrane::api::LastErrorCode(); }

VELTRANE_API const char* LED_GetLastErrorText(void) { return veltrane::api::LastErrorText(); }

}  // extern "C"
