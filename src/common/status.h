#pragma once

namespace veltrane {

// What went wrong inside the library. Each export maps these to its own result values. When the
// operating system refused, the system's own error number travels along, so that a tool can say
// what the system said.
class Status {
 public:
  enum Code {
    Ok,
    Timeout,    // no acceptable reply within the tries
    BadFrame,   // a frame failed its markers or CRC
    BadReply,   // a frame decoded but was not the reply asked for
    Refused,    // an argument or state the call does not accept
    OsError,    // the operating system refused (open, bind, read, write)
    NoMemory,   // an allocation failed
    Cancelled,  // the caller stopped the run before it was done
  };

  constexpr Status() = default;
  constexpr Status(Code code) : code_(code) {}
  // A status with a short static text saying why, for where the refusal is decided.
  constexpr Status(Code code, const char* reason) : code_(code), reason_(reason) {}

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
  // Why, in a few words, when the place that decided said so; nullptr otherwise.
  constexpr const char* reason() const { return reason_; }

 private:
  Code code_ = Ok;
  int systemError_ = 0;
  const char* reason_ = nullptr;
};

}  // namespace veltrane
