// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <string>

#include "common/status.h"

namespace veltrane {

// The one bounds policy of ByteReader and ByteWriter: an access that would pass the end touches
// nothing and fails the reader or writer for good, and the first such access is kept to say why.
class ByteBounds {
 public:
  explicit ByteBounds(size_t size) : size_(size) {}

  // Whether `count` bytes at `offset` lie inside, and no access has failed before.
  bool Admit(size_t offset, size_t count) {
    if (failed_) return false;
    if (Fits(offset, count)) return true;
    failed_ = true;
    failedOffset_ = offset;
    failedCount_ = count;
    return false;
  }
  bool Fits(size_t offset, size_t count) const {
    return offset <= size_ && count <= size_ - offset;
  }
  bool ok() const { return !failed_; }
  size_t size() const { return size_; }

  // Ok while nothing failed; else `code` with the first access that did ("a write of 4 bytes at
  // byte 10 passes the end of 12 bytes").
  Status Failure(Status::Code code, const char* access) const {
    if (!failed_) return Status::Ok;
    return {code, std::string("a ") + access + " of " + std::to_string(failedCount_) +
                      " bytes at byte " + std::to_string(failedOffset_) + " passes the end of " +
                      std::to_string(size_) + " bytes"};
  }

 private:
  size_t size_;
  bool failed_ = false;
  size_t failedOffset_ = 0;
  size_t failedCount_ = 0;
};

}  // namespace veltrane
