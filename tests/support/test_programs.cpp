// SPDX-License-Identifier: MIT
#include "support/test_programs.h"

#include <random>

#include "common/byte_writer.h"

namespace veltrane::testing {

std::vector<uint8_t> TestProgram(size_t length, uint32_t seed) {
  std::vector<uint8_t> program(length < 12 ? 12 : length);
  std::mt19937 random(seed);
  constexpr uint8_t kEscaped[] = {0x55, 0xAA, 0xBB};
  for (auto& b : program)
    b = random() % 3 == 0 ? kEscaped[random() % 3] : static_cast<uint8_t>(random());
  ByteWriter root(program);
  root.U16(1);                                      // rootType
  root.U16(0);                                      // pageCount
  root.U32(static_cast<uint32_t>(program.size()));  // programLength
  root.U16(1);                                      // colorMode
  root.U16(0);
  return program;
}

}  // namespace veltrane::testing
