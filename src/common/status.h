// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <utility>

namespace veltrane {

// What went wrong inside the library. Each export maps these to its own result values. When the
// operating system refused, the system's own error number travels along, so that a tool can say
// what the system said.
class Status {
 public:
  enum Code {
    Ok,
    Timeout,      // no acceptable reply within the tries
    Refused,      // the screen answered, and its answer was a refusal
    BadArgument,  // an argument, descriptor or state the call does not accept
    CannotBuild,  // a program or area cannot be built as asked (no room, no font, too large)
    OsError,      // the operating system refused (open, bind, read, write)
    NoMemory,     // an allocation failed
    // The path names something other than the device asked for (a file or a folder given as a
    // serial line): nothing was sent to it.
    WrongDevice,
    Cancelled,  // the caller stopped the run before it was done
  };

  constexpr Status() = default;
  constexpr Status(Code code) : code_(code) {}
  // A status with a short static text saying why, for where the refusal is decided.
  constexpr Status(Code code, const char* reason) : code_(code), reason_(reason) {}
  // A status whose reason is put together where it is decided, to name the value at fault or
  // say by how much it missed. Only failures carry one, so only they pay for the copy.
  Status(Code code, std::string reason)
      : code_(code), composed_(new std::string(std::move(reason))) {}

  Status(const Status& other)
      : code_(other.code_),
        systemError_(other.systemError_),
        reason_(other.reason_),
        composed_(other.composed_ != nullptr ? new std::string(*other.composed_) : nullptr) {}
  constexpr Status(Status&& other) noexcept
      : code_(other.code_),
        systemError_(other.systemError_),
        reason_(other.reason_),
        composed_(std::exchange(other.composed_, nullptr)) {}
  Status& operator=(Status other) noexcept {
    code_ = other.code_;
    systemError_ = other.systemError_;
    reason_ = other.reason_;
    std::swap(composed_, other.composed_);
    return *this;
  }
  // constexpr, so that a status without a composed reason can be a constant.
  constexpr ~Status() { delete composed_; }

  // The operating system refused, saying `systemError` (0 when it gave no number).
  static constexpr Status System(int systemError) {
    Status status(OsError);
    status.systemError_ = systemError;
    return status;
  }

  // Statuses compare and switch by their code alone.
  constexpr operator Code() const { return code_; }
  constexpr Code code() const { return code_; }
  // The system's error number behind an OsError; 0 for every other status.
  constexpr int systemError() const { return systemError_; }
  // Why, in a few words, when the place that decided said so; nullptr otherwise. A composed
  // reason lives as long as this status.
  constexpr const char* reason() const {
    return composed_ != nullptr ? composed_->c_str() : reason_;
  }

 private:
  Code code_ = Ok;
  int systemError_ = 0;
  const char* reason_ = nullptr;
  const std::string* composed_ = nullptr;  // owned
};

}  // namespace veltrane
