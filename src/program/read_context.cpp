// SPDX-License-Identifier: MIT
#include "program/read_context.h"

#include <cstdio>

#include "common/byte_reader.h"

namespace veltrane::program {

std::string Label(const Place& place) {
  if (place.page == 0) return "root";
  std::string label = "page " + std::to_string(place.page);
  if (place.area != 0) label += " area " + std::to_string(place.area);
  if (!place.item.empty()) label += " " + std::string(place.item);
  if (place.itemIndex) label += " " + std::to_string(*place.itemIndex);
  return label;
}

void Stretch::Overrun(size_t relative, size_t count) const {
  const size_t first = relative > bytes_.size() ? bytes_.size() : relative;
  context_->Fail(offset_ + first, "a read of " + std::to_string(count) + " bytes at byte " +
                                      std::to_string(offset_ + relative) +
                                      " passes the end of its record");
}

uint8_t Stretch::U8(size_t relative) const {
  const auto value = ByteReader(bytes_).U8(relative);
  if (!value) Overrun(relative, 1);
  return value.value_or(0);
}
uint16_t Stretch::U16(size_t relative) const {
  const auto value = ByteReader(bytes_).U16(relative);
  if (!value) Overrun(relative, 2);
  return value.value_or(0);
}
uint32_t Stretch::U32(size_t relative) const {
  const auto value = ByteReader(bytes_).U32(relative);
  if (!value) Overrun(relative, 4);
  return value.value_or(0);
}

Stretch Stretch::First(size_t count) const {
  if (count <= bytes_.size()) return Stretch(bytes_.first(count), offset_, *context_);
  Overrun(0, count);
  return Stretch({}, offset_, *context_);
}

Stretch Stretch::From(size_t relative) const {
  if (relative <= bytes_.size())
    return Stretch(bytes_.subspan(relative), offset_ + relative, *context_);
  Overrun(relative, 0);
  return Stretch({}, offset_ + bytes_.size(), *context_);
}

bool ReadContext::Fail(size_t offset, const Place& place, const std::string& message) {
  Fail(offset, Label(place) + ": " + message);
  return false;
}

void ReadContext::Fail(size_t offset, std::string message) {
  if (failed_) return;
  failed_ = true;
  defect_ = Defect{offset, std::move(message)};
}

bool CheckReserved(ReadContext& context, const Stretch& record, size_t relative, size_t count,
                   const Place& place) {
  for (size_t i = relative; i < relative + count; ++i) {
    const uint8_t value = record.U8(i);
    if (value != 0) {
      return context.Fail(record.At(i), place,
                          "reserved byte " + std::to_string(i) + " is " + Hex(value) + ", not 0");
    }
  }
  return true;
}

std::string Hex(uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%02X", static_cast<unsigned>(value));
  return text;
}

}  // namespace veltrane::program
