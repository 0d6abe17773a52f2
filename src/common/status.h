#pragma once

namespace veltrane {

// What went wrong inside the library. Each export maps these to its own result values.
enum class Status {
  Ok,
  Timeout,   // no acceptable reply within the tries
  BadFrame,  // a frame failed its markers or CRC
  BadReply,  // a frame decoded but was not the reply asked for
  Refused,   // an argument or state the call does not accept
  OsError,   // the operating system refused (open, bind, read, write)
  NoMemory,  // an allocation failed
};

}  // namespace veltrane
