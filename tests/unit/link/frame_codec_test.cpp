// SPDX-License-Identifier: MIT
#include "link/frame_codec.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "link/crc16.h"
#include "support/reference_codec.h"

namespace veltrane::link {
namespace {

using Bytes = std::vector<uint8_t>;
constexpr uint8_t kCanary = 0xC5;

// Encodes into a buffer of exactly the bound plus a canary byte, and checks the canary.
Bytes Encode(const Bytes& body) {
  Bytes out(EncodedFrameBound(body.size()) + 1, kCanary);
  const int32_t n = EncodeFrame(body, std::span(out).first(out.size() - 1));
  EXPECT_EQ(out.back(), kCanary);
  out.resize(static_cast<size_t>(n));
  return out;
}

struct Decoded {
  int32_t length;
  Bytes body;
};

// Decodes from an exact-size copy into MaxFrameSize bytes followed by a canary.
Decoded Decode(const Bytes& frame) {
  std::vector<uint8_t> input(frame);
  std::vector<uint8_t> out(MaxFrameSize + 1, kCanary);
  const int32_t n = DecodeFrame(input, std::span<uint8_t, MaxFrameSize>(out.data(), MaxFrameSize));
  EXPECT_EQ(out[MaxFrameSize], kCanary);
  return {n, Bytes(out.begin(), out.begin() + std::max(n, 0))};
}

TEST(FrameCodec, WorkedExamples) {
  struct Case {
    const char* name;
    Bytes body;
    Bytes frame;
  };
  const Case cases[] = {
      {"abc", {0x61, 0x62, 0x63}, {0x55, 0x61, 0x62, 0x63, 0x57, 0x49, 0xAA}},
      {"empty body", {}, {0x55, 0xFF, 0xFF, 0xAA}},
      {"every reserved byte",
       {0x55, 0xAA, 0xBB},
       {0x55, 0xBB, 0x56, 0xBB, 0xAB, 0xBB, 0xBC, 0x03, 0x5F, 0xAA}},
      {"reserved CRC byte",
       {0x0A, 0x00, 0x00, 0x5F, 0x01, 0x00, 0x00, 0x00},
       {0x55, 0x0A, 0x00, 0x00, 0x5F, 0x01, 0x00, 0x00, 0x00, 0x85, 0xBB, 0x56, 0xAA}},
      {"get power, address 1",
       {0x09, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00},
       {0x55, 0x09, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0xA1, 0xBD, 0xAA}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Encode(c.body), c.frame);
    const Decoded decoded = Decode(c.frame);
    if (c.body.empty()) {
      EXPECT_EQ(decoded.length, 0);  // an empty body never counts as a packet
    } else {
      EXPECT_EQ(decoded.length, static_cast<int32_t>(c.body.size()));
      EXPECT_EQ(decoded.body, c.body);
    }
  }
}

TEST(FrameCodec, CrcGoesOutHighByteFirst) {
  const Bytes body = {'1', '2', '3', '4', '5', '6', '7', '8', '9'};
  const Bytes frame = Encode(body);
  ASSERT_EQ(frame.size(), 13u);
  EXPECT_EQ(frame[10], 0x4B);
  EXPECT_EQ(frame[11], 0x37);
}

TEST(FrameCodec, PartsEncodeAsTheirConcatenation) {
  const Bytes header = {0x02, 0x00, 0x00, 0x01, 0x01, 0x00, 0x00, 0x00};
  Bytes data(512);
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i * 7 + 0x55);
  Bytes whole(header);
  whole.insert(whole.end(), data.begin(), data.end());

  Bytes out(EncodedFrameBound(whole.size()));
  const int32_t n = EncodeFrameParts(header, data, out);
  out.resize(static_cast<size_t>(n));
  EXPECT_EQ(out, Encode(whole));
}

TEST(FrameCodec, FullDataPacketOfReservedBytesIsExactlyMaxFrameSize) {
  // Search for a 520-byte body of reserved bytes whose CRC bytes are reserved too.
  const uint8_t reserved[] = {0x55, 0xAA, 0xBB};
  const auto isReserved = [](uint8_t b) { return b == 0x55 || b == 0xAA || b == 0xBB; };
  std::mt19937 random(3);
  Bytes whole(8 + 512);
  for (int attempt = 0;; ++attempt) {
    ASSERT_LT(attempt, 1000000) << "no such body in the search";
    for (auto& b : whole) b = reserved[random() % 3];
    const uint16_t crc = Crc16(whole);
    if (isReserved(static_cast<uint8_t>(crc >> 8)) && isReserved(static_cast<uint8_t>(crc))) break;
  }
  FrameBuffer frame;
  EXPECT_EQ(EncodeFrameParts(std::span(whole).first(8), std::span(whole).subspan(8), frame),
            static_cast<int32_t>(MaxFrameSize));
}

TEST(FrameCodec, EncoderRefusesAnOutputBelowTheBound) {
  const Bytes body = {1, 2, 3};
  Bytes out(EncodedFrameBound(body.size()) - 1, kCanary);
  EXPECT_EQ(EncodeFrame(body, out), 0);
  for (uint8_t b : out) EXPECT_EQ(b, kCanary);
}

TEST(FrameCodec, DecoderRejectsDefects) {
  const Bytes good = {0x55, 0x61, 0x62, 0x63, 0x57, 0x49, 0xAA};
  struct Case {
    const char* name;
    Bytes frame;
  };
  const Case cases[] = {
      {"nothing", {}},
      {"start only", {0x55}},
      {"markers only", {0x55, 0xAA}},
      {"two bytes between markers", {0x55, 0x01, 0x02, 0xAA}},
      {"no start byte", {0x54, 0x61, 0x62, 0x63, 0x57, 0x49, 0xAA}},
      {"no end byte", {0x55, 0x61, 0x62, 0x63, 0x57, 0x49, 0xAB}},
      {"CRC low byte first", {0x55, 0x61, 0x62, 0x63, 0x49, 0x57, 0xAA}},
      {"one body bit flipped", {0x55, 0x61, 0x62, 0x62, 0x57, 0x49, 0xAA}},
      {"escape eats the end marker", {0x55, 0x61, 0x62, 0xBB, 0xAA}},
  };
  EXPECT_EQ(Decode(good).length, 3);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Decode(c.frame).length, 0);
  }
}

TEST(FrameCodec, AnyByteAfterAnEscapeIsTakenAsItsPartnerMinusOne) {
  // 0xBB 0x01 stands for 0x00; the frame counts when the CRC over the decoded bytes matches.
  const Bytes body = {0x0A, 0x00, 0x0B};
  Bytes frame = Encode(body);
  ASSERT_EQ(frame[2], 0x00);
  frame[2] = 0x01;
  frame.insert(frame.begin() + 2, 0xBB);
  const Decoded decoded = Decode(frame);
  EXPECT_EQ(decoded.length, 3);
  EXPECT_EQ(decoded.body, body);
}

TEST(FrameCodec, EscapeBeforeTheEndMarkerTakesItAsPartner) {
  // The 0xBB before the closing 0xAA produces 0xA9 and ends decoding: choose a body whose CRC
  // low byte is 0xA9 so that the frame is valid that way.
  for (int b = 0; b < 65536; ++b) {
    const Bytes body = {static_cast<uint8_t>(b), static_cast<uint8_t>(b >> 8), 0x11};
    const uint16_t crc = Crc16(body);
    if ((crc & 0xFF) != 0xA9 || (crc >> 8) == 0x55 || (crc >> 8) == 0xAA || (crc >> 8) == 0xBB)
      continue;
    Bytes frame = Encode(body);
    ASSERT_EQ(frame[frame.size() - 2], 0xA9);
    frame[frame.size() - 2] = 0xBB;
    const Decoded decoded = Decode(frame);
    EXPECT_EQ(decoded.length, 3);
    EXPECT_EQ(decoded.body, body);
    return;
  }
  FAIL() << "no body with that CRC";
}

TEST(FrameCodec, OverlongFrameIsCutAtMaxFrameSize) {
  // MaxFrameSize produced bytes whose last two are the CRC of the first ones pass even though
  // more bytes follow; the same frame with one more CRC-breaking byte inside the cut fails.
  const auto isReserved = [](uint8_t b) { return b == 0x55 || b == 0xAA || b == 0xBB; };
  Bytes body(MaxFrameSize - 2);
  for (size_t i = 0; i < body.size(); ++i) body[i] = static_cast<uint8_t>(i % 0x50);
  uint16_t crc = Crc16(body);
  // Vary the first byte until both CRC bytes go out unescaped.
  while (isReserved(static_cast<uint8_t>(crc >> 8)) || isReserved(static_cast<uint8_t>(crc))) {
    ++body[0];
    crc = Crc16(body);
  }
  Bytes frame = {0x55};
  frame.insert(frame.end(), body.begin(), body.end());
  frame.push_back(static_cast<uint8_t>(crc >> 8));
  frame.push_back(static_cast<uint8_t>(crc));
  const Bytes tail = {0x01, 0x02, 0x03};
  frame.insert(frame.end(), tail.begin(), tail.end());
  frame.push_back(0xAA);
  EXPECT_EQ(Decode(frame).length, static_cast<int32_t>(MaxFrameSize - 2));

  frame[5] ^= 1;
  EXPECT_EQ(Decode(frame).length, 0);

  const Bytes huge(70000, 0x01);
  Bytes hugeFrame = {0x55};
  hugeFrame.insert(hugeFrame.end(), huge.begin(), huge.end());
  hugeFrame.push_back(0xAA);
  EXPECT_EQ(Decode(hugeFrame).length, 0);
}

TEST(FrameCodec, RoundTripsRandomBodiesRichInReservedBytes) {
  std::mt19937 random(7);
  const uint8_t palette[] = {0x55, 0xAA, 0xBB, 0x54, 0x56, 0xA9, 0xAB, 0xBC, 0x00, 0xFF};
  for (size_t length = 0; length <= MaxFrameSize; ++length) {
    Bytes body(length);
    for (auto& b : body)
      b = random() % 2 ? palette[random() % std::size(palette)] : static_cast<uint8_t>(random());
    const Bytes frame = Encode(body);
    ASSERT_GE(frame.size(), length + 4);
    ASSERT_LE(frame.size(), 2 * length + 6);
    const Decoded decoded = Decode(frame);
    if (length == 0) {
      EXPECT_EQ(decoded.length, 0);
    } else if (length <= MaxFrameSize - 2) {
      ASSERT_EQ(decoded.length, static_cast<int32_t>(length));
      ASSERT_EQ(decoded.body, body);
    } else {
      // Past MaxFrameSize - 2 the body and CRC do not fit the decoder's output any more.
      EXPECT_EQ(decoded.length, 0);
    }
  }
}

TEST(FrameCodec, FastFormsAgreeWithThePlainFormsOnAnyInput) {
  std::mt19937 random(11);
  const uint8_t palette[] = {0x55, 0xAA, 0xBB, 0x01};
  for (int round = 0; round < 3000; ++round) {
    Bytes input(random() % 1400);
    for (auto& b : input)
      b = random() % 3 ? palette[random() % std::size(palette)] : static_cast<uint8_t>(random());
    if (!input.empty() && random() % 2) input.front() = 0x55;
    if (!input.empty() && random() % 2) input.back() = 0xAA;

    FrameBuffer fast{}, plain{};
    ASSERT_EQ(DecodeFrame(input, fast), testing::DecodeFramePlain(input, plain));

    Bytes encodedFast(EncodedFrameBound(input.size())), encodedPlain(encodedFast.size());
    ASSERT_EQ(EncodeFrame(input, encodedFast), testing::EncodeFramePlain(input, encodedPlain));
    ASSERT_EQ(encodedFast, encodedPlain);
  }
}

// The encoder works on runs of sixteen bytes in halves of eight: every placement of reserved
// bytes in a run, at every offset of the run in the body, frames as the plain encoder does.
TEST(FrameCodec, EveryPlacementOfReservedBytesInARunEncodesAsThePlainForm) {
  const uint8_t reserved[] = {kFrameStart, kFrameEnd, kFrameEscape};
  std::mt19937 random(13);
  for (uint32_t placement = 0; placement < (1u << 16); ++placement) {
    Bytes body(16 + placement % 19);  // the run, then a tail of up to 18 bytes
    for (auto& b : body) b = static_cast<uint8_t>(random() % 0x50);  // never reserved
    const size_t offset = placement % 3;
    for (int bit = 0; bit < 16; ++bit)
      if ((placement >> bit) & 1) body[(offset + bit) % body.size()] = reserved[random() % 3];
    Bytes plain(EncodedFrameBound(body.size()));
    plain.resize(static_cast<size_t>(testing::EncodeFramePlain(body, plain)));
    ASSERT_EQ(Encode(body), plain) << "placement " << placement;
  }
}

}  // namespace
}  // namespace veltrane::link
