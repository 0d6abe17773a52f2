// SPDX-License-Identifier: MIT
#include "api/last_error.h"

#include <cerrno>
#include <optional>

#include "api/dev_param.h"
#include "common/status_text.h"
#include "platform/system_error.h"
#include "veltrane/veltrane.h"

namespace veltrane::api {
namespace {

// The per-thread record: each thread reads only what its own calls left.
thread_local ErrorReport lastError;

struct SystemErrorRow {
  int systemError;
  int32_t code;
  const char* text;
};

// The system errors a host most often meets opening a port, each with its own code.
constexpr SystemErrorRow kSystemErrors[] = {
    {EBUSY, VELTRANE_ERROR_BUSY, "the port is held by another call"},
    {EACCES, VELTRANE_ERROR_PERMISSION, "permission denied"},
    {EPERM, VELTRANE_ERROR_PERMISSION, "permission denied"},
    {ENOENT, VELTRANE_ERROR_NO_DEVICE, "no such device"},
    {ENODEV, VELTRANE_ERROR_NO_DEVICE, "no such device"},
    {ENXIO, VELTRANE_ERROR_NO_DEVICE, "no such device"},
};

// The row's words, or the general ones, followed by what the system itself said when that adds
// anything.
ErrorReport DescribeSystemError(int systemError) {
  ErrorReport report{VELTRANE_ERROR_SYSTEM, "the system refused"};
  for (const SystemErrorRow& row : kSystemErrors)
    if (row.systemError == systemError) report = {row.code, row.text};
  const std::string said = platform::SystemErrorText(systemError);
  if (!said.empty() && said != report.text) report.text += ": " + said;
  return report;
}

// The VELTRANE_ERROR_* code a host is given for each status code. VELTRANE_ERROR_BAD_REPLY stays
// in the interface for hosts that test for it, though no status maps to it.
int32_t ErrorCodeFor(Status::Code code) {
  switch (code) {
    case Status::Ok:
      return VELTRANE_ERROR_NONE;
    case Status::Timeout:
      return VELTRANE_ERROR_NO_ANSWER;
    case Status::Refused:
      return VELTRANE_ERROR_REFUSED;
    case Status::BadArgument:
      return VELTRANE_ERROR_BAD_ARGUMENT;
    case Status::CannotBuild:
      return VELTRANE_ERROR_BUILD;
    case Status::NoMemory:
      return VELTRANE_ERROR_NO_MEMORY;
    case Status::WrongDevice:
      return VELTRANE_ERROR_NO_DEVICE;
    case Status::Cancelled:
      return VELTRANE_ERROR_CANCELLED;
    case Status::OsError:
      break;
  }
  return VELTRANE_ERROR_SYSTEM;
}

}  // namespace

ErrorReport Describe(const Status& status) {
  if (status != Status::OsError) return {ErrorCodeFor(status.code()), StatusText(status)};
  ErrorReport report = DescribeSystemError(status.systemError());
  report.text = StatusText(status, report.text);
  return report;
}

void ClearLastError() {
  lastError.code = VELTRANE_ERROR_NONE;
  lastError.text.clear();
}

void SetLastError(const Status& status) { lastError = Describe(status); }

void SetLastError(int32_t code, const char* text) {
  lastError.code = code;
  lastError.text = text;
}

void SetLastError(const DevParam& param, const Status& status) {
  SetLastError(status);
  if (status != Status::Timeout) return;
  if (const std::optional<std::string> unreadable = UnreadableAddress(param))
    lastError.text += "; " + *unreadable;
}

int32_t LastErrorCode() { return lastError.code; }

const char* LastErrorText() { return lastError.text.c_str(); }

}  // namespace veltrane::api
