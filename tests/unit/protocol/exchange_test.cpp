// SPDX-License-Identifier: MIT
#include "protocol/exchange.h"

#include <gtest/gtest.h>

#include "protocol/packets.h"
#include "support/fake_channel.h"
#include "support/fake_clock.h"

namespace veltrane::protocol {
namespace {

using testing::Bytes;
using testing::Delivery;
using testing::FakeChannel;
using testing::Frame;
using testing::ReplyFrame;

constexpr uint32_t kWindowMs = 1500;

Bytes GetBrightBody() {
  const auto header = EncodePacketHeader({CMD_GET_BRIGHT, 0, 1, 0});
  return Bytes(header.begin(), header.end());
}

Bytes Concat(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& p : parts) all.insert(all.end(), p.begin(), p.end());
  return all;
}

struct ExchangeRun {
  Status status;
  int sends;
  uint32_t elapsedMs;
};

class ExchangeTest : public ::testing::TestWithParam<bool> {
 protected:
  ExchangeTest() : clock_(1000), channel_(clock_, GetParam()) {}

  ExchangeRun Run() {
    const uint32_t start = clock_.NowMs();
    const Status status = Exchange(channel_, GetBrightBody(), reply_, kWindowMs, clock_);
    return {status, static_cast<int>(channel_.sent.size()), clock_.NowMs() - start};
  }

  // Replies to the `index`-th send (only) with `deliveries`.
  void AnswerSend(int index, std::vector<Delivery> deliveries) {
    channel_.respond = [index, deliveries](std::span<const uint8_t>, int i) {
      return i == index ? deliveries : std::vector<Delivery>{};
    };
  }

  testing::FakeClock clock_;
  FakeChannel channel_;
  link::FrameBuffer reply_{};
};

TEST_P(ExchangeTest, ImmediateReplyEndsAfterOneSend) {
  AnswerSend(0, {{5, ReplyFrame(CMD_GET_BRIGHT, 42)}});
  const ExchangeRun run = Run();
  EXPECT_EQ(run.status, Status::Ok);
  EXPECT_EQ(run.sends, 1);
  EXPECT_EQ(run.elapsedMs, 5u);  // woken by the arrival, not at the end of the window
  EXPECT_EQ(reply_[4], 42);
}

TEST_P(ExchangeTest, SilenceCostsThreeFullWindows) {
  const ExchangeRun run = Run();
  EXPECT_EQ(run.status, Status::Timeout);
  ASSERT_EQ(run.sends, 3);
  EXPECT_EQ(run.elapsedMs, 3 * kWindowMs);
  EXPECT_EQ(channel_.sentAtMs, (std::vector<uint32_t>{1000, 2500, 4000}));
  // Every try resends the frame built once.
  EXPECT_EQ(channel_.sent[0], channel_.sent[1]);
  EXPECT_EQ(channel_.sent[1], channel_.sent[2]);
}

TEST_P(ExchangeTest, AnsweredOnTheThirdTry) {
  AnswerSend(2, {{kWindowMs - 1, ReplyFrame(CMD_GET_BRIGHT, 7)}});
  const ExchangeRun run = Run();
  EXPECT_EQ(run.status, Status::Ok);
  EXPECT_EQ(run.sends, 3);
  EXPECT_EQ(run.elapsedMs, 3 * kWindowMs - 1);
}

TEST_P(ExchangeTest, ReplyAfterItsWindowCountsInTheNextTry) {
  // Late for the first window, so the request goes out again; the late reply is then taken.
  AnswerSend(0, {{kWindowMs + 100, ReplyFrame(CMD_GET_BRIGHT, 9)}});
  const ExchangeRun run = Run();
  EXPECT_EQ(run.status, Status::Ok);
  EXPECT_EQ(run.sends, 2);
  EXPECT_EQ(run.elapsedMs, kWindowMs + 100);
}

TEST_P(ExchangeTest, UnacceptableRepliesAreSkippedAndTheWindowGoesOn) {
  Bytes shortBody = Frame(Bytes{0x03, 0x00, 0x00, 0x00, 0x07, 0x00, 0x00, 0x00, 0x0B});
  Bytes badCrc = ReplyFrame(CMD_GET_BRIGHT, 1);
  badCrc[badCrc.size() - 2] ^= 0x01;
  Bytes address1 = Frame(Bytes{0x03, 0x00, 0x00, 0x01, 0, 0, 0, 0, 0x0B, 0x00, 0x01, 0x00});
  Bytes cmd4 = Frame(Bytes{0x04, 0x00, 0x00, 0x00, 0, 0, 0, 0, 0x0B, 0x00, 0x01, 0x00});
  struct Case {
    const char* name;
    Bytes frame;
  };
  const Case ignored[] = {
      {"another command answered", ReplyFrame(CMD_GET_POWER, 1)},
      {"devAddr 1", address1},
      {"cmd 4", cmd4},
      {"body under 10 bytes", shortBody},
      {"bad CRC", badCrc},
  };
  for (const Case& c : ignored) {
    SCOPED_TRACE(c.name);
    channel_.sent.clear();
    channel_.sentAtMs.clear();
    AnswerSend(0, {{10, c.frame}, {20, ReplyFrame(CMD_GET_BRIGHT, 77)}});
    const ExchangeRun run = Run();
    EXPECT_EQ(run.status, Status::Ok);
    EXPECT_EQ(run.sends, 1);
    EXPECT_EQ(run.elapsedMs, 20u);
    EXPECT_EQ(reply_[4], 77);
  }
}

TEST_P(ExchangeTest, RefusedSendsUseUpTriesWithoutWindows) {
  channel_.acceptSend = [](int i) { return i == 2; };
  AnswerSend(2, {{3, ReplyFrame(CMD_GET_BRIGHT, 1)}});
  const ExchangeRun run = Run();
  EXPECT_EQ(run.status, Status::Ok);
  EXPECT_EQ(run.elapsedMs, 3u);
  channel_.acceptSend = [](int) { return false; };
  channel_.sent.clear();
  const ExchangeRun refused = Run();
  EXPECT_EQ(refused.status, Status::Timeout);
  EXPECT_EQ(refused.sends, 3);
  EXPECT_EQ(refused.elapsedMs, 0u);
}

TEST_P(ExchangeTest, WindowsAreExactAcrossATickWrap) {
  for (uint32_t start : {0xFFFFFFFFu - 10, 0xFFFFFFFFu - kWindowMs, 0xFFFFFFFFu}) {
    SCOPED_TRACE(start);
    testing::FakeClock clock(start);
    FakeChannel channel(clock, GetParam());
    EXPECT_EQ(Exchange(channel, GetBrightBody(), reply_, kWindowMs, clock), Status::Timeout);
    EXPECT_EQ(clock.NowMs() - start, 3 * kWindowMs);
  }
}

TEST_P(ExchangeTest, HungUpLineStillRunsFullWindows) {
  channel_.broken = true;
  const ExchangeRun run = Run();
  EXPECT_EQ(run.status, Status::Timeout);
  EXPECT_EQ(run.sends, 3);
  EXPECT_EQ(run.elapsedMs, 3 * kWindowMs);
  EXPECT_EQ(clock_.sleptMs(), 3 * kWindowMs);
  EXPECT_EQ(channel_.waits, 3u);  // one wait per window: no spinning
}

INSTANTIATE_TEST_SUITE_P(Transports, ExchangeTest, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Datagram" : "Stream"; });

// Byte-stream assembly (the serial side).
class StreamAssembly : public ::testing::Test {
 protected:
  StreamAssembly() : clock_(0), channel_(clock_, false) {}

  Status RunWith(std::vector<Delivery> deliveries) {
    channel_.respond = [deliveries](std::span<const uint8_t>, int i) {
      return i == 0 ? deliveries : std::vector<Delivery>{};
    };
    return Exchange(channel_, GetBrightBody(), reply_, kWindowMs, clock_);
  }

  testing::FakeClock clock_;
  FakeChannel channel_;
  link::FrameBuffer reply_{};
};

TEST_F(StreamAssembly, ReplySplitOverManyReadsAfterNoise) {
  for (size_t readBytes : {1u, 2u, 3u, 5u, 16u}) {
    SCOPED_TRACE(readBytes);
    channel_.maxReadBytes = readBytes;
    channel_.sent.clear();
    const Bytes noise = {0x00, 0xAA, 0x13, 0xBB, 0x42};
    EXPECT_EQ(RunWith({{1, Concat({noise, ReplyFrame(CMD_GET_BRIGHT, 55)})}}), Status::Ok);
    EXPECT_EQ(reply_[4], 55);
    EXPECT_EQ(channel_.sent.size(), 1u);
  }
}

TEST_F(StreamAssembly, PiecesArrivingAtDifferentTimesJoin) {
  const Bytes reply = ReplyFrame(CMD_GET_BRIGHT, 31);
  const Bytes head(reply.begin(), reply.begin() + 4);
  const Bytes tail(reply.begin() + 4, reply.end());
  EXPECT_EQ(RunWith({{100, head}, {900, tail}}), Status::Ok);
  EXPECT_EQ(clock_.NowMs(), 900u);
}

TEST_F(StreamAssembly, FirstAcceptableOfTwoFramesInOneReadWins) {
  EXPECT_EQ(RunWith({{1, Concat({ReplyFrame(CMD_GET_POWER, 1), ReplyFrame(CMD_GET_BRIGHT, 10),
                                 ReplyFrame(CMD_GET_BRIGHT, 20)})}}),
            Status::Ok);
  EXPECT_EQ(reply_[4], 10);
}

TEST_F(StreamAssembly, AStartByteRestartsAFrameInProgress) {
  const Bytes reply = ReplyFrame(CMD_GET_BRIGHT, 12);
  const Bytes cutShort(reply.begin(), reply.begin() + 6);
  EXPECT_EQ(RunWith({{1, Concat({cutShort, reply})}}), Status::Ok);
  EXPECT_EQ(reply_[4], 12);
}

TEST_F(StreamAssembly, EndlessBytesWithoutMarkersDoNotHideTheNextFrame) {
  Bytes flood(5 * link::MaxFrameSize, 0x11);
  flood[0] = 0x55;  // a frame that never ends
  EXPECT_EQ(RunWith({{1, Concat({flood, ReplyFrame(CMD_GET_BRIGHT, 99)})}}), Status::Ok);
  EXPECT_EQ(reply_[4], 99);
}

TEST_F(StreamAssembly, AssemblyStartsEmptyInEveryTry) {
  // The first half of a frame in window 1, the second half in window 2: no frame.
  const Bytes reply = ReplyFrame(CMD_GET_BRIGHT, 1);
  const Bytes head(reply.begin(), reply.begin() + 5);
  const Bytes tail(reply.begin() + 5, reply.end());
  EXPECT_EQ(RunWith({{10, head}, {kWindowMs + 10, tail}}), Status::Timeout);
}

TEST(ExchangeBody, RefusesABodyTooLongForOneFrame) {
  testing::FakeClock clock;
  FakeChannel channel(clock, true);
  link::FrameBuffer reply{};
  Bytes body(link::MaxFrameSize, 0x55);
  EXPECT_EQ(Exchange(channel, body, reply, kWindowMs, clock), Status::BadArgument);
  EXPECT_EQ(Exchange(channel, Bytes{0x09}, reply, kWindowMs, clock), Status::BadArgument);
  EXPECT_TRUE(channel.sent.empty());
}

}  // namespace
}  // namespace veltrane::protocol
