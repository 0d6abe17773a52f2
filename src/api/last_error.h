// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <string>

#include "common/status.h"
#include "veltrane/veltrane.h"

namespace veltrane::api {

// Why a call failed, as a host reads it: one of the VELTRANE_ERROR_* codes and a short text.
struct ErrorReport {
  int32_t code = 0;
  std::string text;
};

// The one mapping from a status to what a host is told. The text is the reason the deciding
// layer gave, or the code's own text, followed by the system's message when the system refused.
ErrorReport Describe(const Status& status);

// This thread's record of its last call into the library.
void ClearLastError();
void SetLastError(const Status& status);
// For failures decided here at the boundary, which carry no status from below.
void SetLastError(int32_t code, const char* text);
// Records a failed call to the screen `param` names. A screen that did not answer over UDP may
// never have been asked: when the descriptor's address text names none, the text says so too.
void SetLastError(const DevParam& param, const Status& status);
int32_t LastErrorCode();
const char* LastErrorText();

}  // namespace veltrane::api
