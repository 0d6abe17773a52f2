// SPDX-License-Identifier: MIT
#include "common/status_text.h"

namespace veltrane {

std::string_view CodeText(Status::Code code) {
  switch (code) {
    case Status::Ok:
      return "";
    case Status::Timeout:
      return "the screen did not answer";
    case Status::Refused:
      return "the screen refused the request";
    case Status::BadArgument:
      return "an argument was refused";
    case Status::CannotBuild:
      return "the program or area could not be built";
    case Status::NoMemory:
      return "out of memory";
    case Status::WrongDevice:
      return "the path names no device of the kind needed";
    case Status::Cancelled:
      return "cancelled";
    case Status::OsError:
      break;
  }
  return "the system refused";
}

std::string StatusText(const Status& status, std::string_view systemWords) {
  const std::string words(
      status == Status::OsError && !systemWords.empty() ? systemWords : CodeText(status.code()));
  if (status.reason() == nullptr) return words;
  // The deciding layer's reason comes first; the system's message, if any, after it.
  return status.systemError() != 0 ? status.reason() + (": " + words) : status.reason();
}

}  // namespace veltrane
