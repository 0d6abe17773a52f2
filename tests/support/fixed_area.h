// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "builder/program.h"
#include "builder/records.h"
#include "format/records.h"

namespace veltrane::testing {

// An area of a chosen length whose bytes after the header are a marker.
class FixedArea final : public builder::AreaItem {
 public:
  explicit FixedArea(size_t length, uint8_t marker = 0xEE) : length_(length), marker_(marker) {}
  Result<size_t> RecordLength(uint16_t colorMode) override {
    seenColorMode = colorMode;
    return length_;
  }
  Result<size_t> Write(std::span<uint8_t> record, uint16_t) override {
    ByteWriter fields(record);
    builder::WriteAreaHeader(fields, format::kStringTag, 0, {});
    for (size_t i = format::kAreaHeaderSize; i < record.size(); ++i) record[i] = marker_;
    return builder::Written(fields, record.size());
  }
  uint16_t seenColorMode = 0;

 private:
  size_t length_;
  uint8_t marker_;
};

}  // namespace veltrane::testing
