#include "api/last_error.h"

#include <cerrno>
#include <cstring>

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

ErrorReport DescribeSystemError(int systemError) {
  for (const SystemErrorRow& row : kSystemErrors)
    if (row.systemError == systemError) return {row.code, row.text};
  if (systemError == 0) return {VELTRANE_ERROR_SYSTEM, "the system refused"};
  return {VELTRANE_ERROR_SYSTEM, std::string("the system refused: ") + std::strerror(systemError)};
}

ErrorReport DescribeCode(Status::Code code) {
  switch (code) {
    case Status::Ok:
      return {VELTRANE_ERROR_NONE, ""};
    case Status::Timeout:
      return {VELTRANE_ERROR_NO_ANSWER, "the screen did not answer"};
    case Status::BadFrame:
      return {VELTRANE_ERROR_BAD_REPLY, "the screen's reply was damaged"};
    case Status::BadReply:
      return {VELTRANE_ERROR_BAD_REPLY, "the screen's reply was not the one asked for"};
    case Status::Refused:
      return {VELTRANE_ERROR_REFUSED, "the call was refused"};
    case Status::NoMemory:
      return {VELTRANE_ERROR_NO_MEMORY, "out of memory"};
    case Status::OsError:
      break;
  }
  return {VELTRANE_ERROR_SYSTEM, "the system refused"};
}

}  // namespace

ErrorReport Describe(const Status& status) {
  ErrorReport report = status == Status::OsError ? DescribeSystemError(status.systemError())
                                                 : DescribeCode(status.code());
  if (status.reason() != nullptr) {
    // The deciding layer's reason comes first; the system's message, if any, after it.
    report.text = status.systemError() != 0 ? std::string(status.reason()) + ": " + report.text
                                            : status.reason();
  }
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

int32_t LastErrorCode() { return lastError.code; }

const char* LastErrorText() { return lastError.text.c_str(); }

}  // namespace veltrane::api
