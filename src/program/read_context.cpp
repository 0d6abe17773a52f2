// SPDX-License-Identifier: MIT
#include "program/read_context.h"

#include <cstdio>
#include <stdexcept>

#include "common/byte_reader.h"

namespace veltrane::program {
namespace {

template <class T>
T Present(std::optional<T> value) {
  if (!value) throw std::out_of_range("program reader: field read outside its record");
  return *value;
}

}  // namespace

std::string Label(const Place& place) {
  if (place.page == 0) return "root";
  std::string label = "page " + std::to_string(place.page);
  if (place.area != 0) label += " area " + std::to_string(place.area);
  if (!place.item.empty()) label += " " + std::string(place.item);
  if (place.itemIndex) label += " " + std::to_string(*place.itemIndex);
  return label;
}

uint8_t Stretch::U8(size_t relative) const { return Present(ByteReader(bytes_).U8(relative)); }
uint16_t Stretch::U16(size_t relative) const { return Present(ByteReader(bytes_).U16(relative)); }
uint32_t Stretch::U32(size_t relative) const { return Present(ByteReader(bytes_).U32(relative)); }

Stretch Stretch::First(size_t count) const {
  if (count > bytes_.size()) throw std::out_of_range("program reader: stretch past its end");
  return Stretch(bytes_.first(count), offset_);
}

Stretch Stretch::From(size_t relative) const {
  if (relative > bytes_.size()) throw std::out_of_range("program reader: stretch past its end");
  return Stretch(bytes_.subspan(relative), offset_ + relative);
}

bool ReadContext::Fail(size_t offset, const Place& place, const std::string& message) {
  defect_ = Defect{offset, Label(place) + ": " + message};
  return false;
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
