// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "common/result.h"
#include "platform/clock.h"
#include "program_file/program_file.h"

namespace veltrane::studio {

// A request body of the page: one JSON object of plain values (a program travels as the text of
// its file), never longer than a program file and what goes with it.
constexpr size_t kMaxRequestBodyBytes = cli::kMaxProgramFileBytes + 64 * 1024;

// The scale a picture of the page is drawn at: at most the command's.
constexpr int kMaxPageScale = 32;

// A program as the page holds it: the text of its file, and where that file is (or would be)
// in the studio's folder, which the pictures it names are taken from; empty for the folder.
struct PageProgram {
  std::string text;
  std::string path;
};

// A picture of a program: every page side by side, or one, at a time of day.
struct PictureAsk {
  platform::LocalTime at;
  int scale = 4;
  std::optional<size_t> page;  // 0-based; else every page
};

// `POST /api/preview`: the program pictured; `POST /api/export`: the program built into the file
// `to`, its block (.bin) or that picture (.png).
struct PreviewRequest {
  PageProgram program;
  PictureAsk preview;
  std::string to;
};

// What a run asks of every screen.
enum class RunAction { Send, PowerOn, PowerOff, Brightness, Clock, Status };

// The action's word in a request: "send", "power-on", ...
std::string_view ActionName(RunAction action);

// `POST /api/runs`: an action for one screen (a fleet file's line, "udp 10.0.0.5") or for the
// screens of a fleet file in the folder.
struct RunRequest {
  RunAction action = RunAction::Status;
  int32_t brightness = 0;
  PageProgram program;  // for Send
  std::string screen;
  std::string fleet;
};

// Each gives the request, or one sentence on what is wrong with the body.
Result<PreviewRequest> ReadPreviewRequest(std::string_view body);
Result<RunRequest> ReadRunRequest(std::string_view body);

}  // namespace veltrane::studio
