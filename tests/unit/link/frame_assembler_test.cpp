// SPDX-License-Identifier: MIT
#include "link/frame_assembler.h"

#include <gtest/gtest.h>

#include <vector>

namespace veltrane::link {
namespace {

using Bytes = std::vector<uint8_t>;

std::vector<Bytes> FramesOf(FrameAssembler& assembler, const Bytes& stream) {
  std::vector<Bytes> frames;
  assembler.Feed(stream, [&](std::span<const uint8_t> f) {
    frames.emplace_back(f.begin(), f.end());
    return false;
  });
  return frames;
}

TEST(FrameAssembler, CutsFramesBetweenMarkersAndDropsNoise) {
  FrameAssembler assembler;
  const Bytes stream = {0x01, 0xAA, 0x55, 0x10, 0x20, 0xAA, 0x33, 0x55, 0x55, 0x40, 0xAA, 0xAA};
  EXPECT_EQ(FramesOf(assembler, stream),
            (std::vector<Bytes>{{0x55, 0x10, 0x20, 0xAA}, {0x55, 0x40, 0xAA}}));
  EXPECT_EQ(assembler.pendingBytes(), 0u);
}

TEST(FrameAssembler, TakingAFrameDropsTheRestOfTheInput) {
  FrameAssembler assembler;
  int offered = 0;
  const bool taken = assembler.Feed(Bytes{0x55, 1, 0xAA, 0x55, 2, 0xAA},
                                    [&](std::span<const uint8_t>) { return ++offered == 1; });
  EXPECT_TRUE(taken);
  EXPECT_EQ(offered, 1);
}

TEST(FrameAssembler, LargestFrameFitsAndOneByteMoreIsAbandoned) {
  for (size_t length : {MaxFrameSize, MaxFrameSize + 1}) {
    SCOPED_TRACE(length);
    Bytes frame(length, 0x11);
    frame.front() = 0x55;
    frame.back() = 0xAA;
    FrameAssembler assembler;
    const auto frames = FramesOf(assembler, frame);
    if (length == MaxFrameSize) {
      ASSERT_EQ(frames.size(), 1u);
      EXPECT_EQ(frames[0], frame);
    } else {
      EXPECT_TRUE(frames.empty());
    }
    // Either way the next frame is found.
    EXPECT_EQ(FramesOf(assembler, Bytes{0x55, 7, 0xAA}).size(), 1u);
  }
}

TEST(FrameAssembler, FramesSpanFeeds) {
  FrameAssembler assembler;
  EXPECT_TRUE(FramesOf(assembler, Bytes{0x00, 0x55, 0x01}).empty());
  EXPECT_EQ(assembler.pendingBytes(), 2u);
  EXPECT_EQ(FramesOf(assembler, Bytes{0x02, 0xAA}), (std::vector<Bytes>{{0x55, 1, 2, 0xAA}}));
  assembler.Feed(Bytes{0x55, 0x01}, [](auto) { return false; });
  assembler.Reset();
  EXPECT_TRUE(FramesOf(assembler, Bytes{0x02, 0xAA}).empty());
}

}  // namespace
}  // namespace veltrane::link
