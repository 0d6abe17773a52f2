#include "protocol/upload.h"

#include <gtest/gtest.h>

#include <map>
#include <random>

#include "platform/udp_socket.h"
#include "protocol/packets.h"
#include "support/fake_channel.h"
#include "support/fake_clock.h"
#include "support/udp_sockets.h"

namespace veltrane::protocol {
namespace {

using testing::BodyOf;
using testing::Bytes;
using testing::Delivery;
using testing::FakeChannel;
using testing::HeaderOf;
using testing::ReplyFrame;

Bytes RandomProgram(size_t length, uint32_t seed = 1) {
  std::mt19937 random(seed);
  Bytes p(length);
  // Rich in the bytes that need escaping.
  const uint8_t special[] = {0x55, 0xAA, 0xBB};
  for (auto& b : p) b = random() % 3 == 0 ? special[random() % 3] : static_cast<uint8_t>(random());
  return p;
}

// How the scripted screen treats one upload packet, by its sequence number.
struct PacketScript {
  int unansweredSends = 0;      // the first this many sends of the packet get no acknowledgement
  std::vector<Delivery> extra;  // sent besides (before) the acknowledgement
  uint32_t ackDelayMs = 0;
};

class UploadTest : public ::testing::TestWithParam<bool> {
 protected:
  UploadTest() : clock_(500), installed_(clock_), channel_(clock_, GetParam()) {
    channel_.respond = [this](std::span<const uint8_t> frame, int) { return Respond(frame); };
  }

  std::vector<Delivery> Respond(std::span<const uint8_t> frame) {
    const PacketHeader header = HeaderOf(frame);
    PacketScript& script = scripts_[header.value];
    std::vector<Delivery> out = script.extra;
    if (script.unansweredSends > 0) {
      --script.unansweredSends;
      return out;
    }
    out.push_back({script.ackDelayMs, ReplyFrame(header.cmd, header.value)});
    return out;
  }

  Status Run(const Bytes& program, uint8_t devAddr = 1) {
    link::FrameBuffer reply{};
    return Upload(channel_, program, reply, devAddr);
  }

  std::vector<PacketHeader> Headers() const {
    std::vector<PacketHeader> headers;
    for (const Bytes& f : channel_.sent) headers.push_back(HeaderOf(f));
    return headers;
  }

  // The program bytes carried by the data packets sent, in order of sending.
  Bytes Carried() const {
    Bytes all;
    for (const Bytes& f : channel_.sent) {
      const Bytes body = BodyOf(f);
      if (HeaderOf(f).cmd == CMD_UPLOAD_DATA) all.insert(all.end(), body.begin() + 8, body.end());
    }
    return all;
  }

  testing::FakeClock clock_;
  testing::ScopedClock installed_;
  FakeChannel channel_;
  std::map<uint32_t, PacketScript> scripts_;
};

TEST_P(UploadTest, PacketsFollowThePieces) {
  struct Case {
    size_t length;
    std::vector<size_t> pieces;
  };
  const Case cases[] = {
      {12, {12}}, {512, {512}}, {513, {512, 1}}, {1024, {512, 512}}, {1500, {512, 512, 476}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.length);
    channel_.sent.clear();
    const Bytes program = RandomProgram(c.length);
    ASSERT_EQ(Run(program, 0x7E), Status::Ok);
    const auto headers = Headers();
    ASSERT_EQ(headers.size(), c.pieces.size() + 2);
    for (size_t i = 0; i < headers.size(); ++i) {
      const uint16_t expectedCmd = i == 0                    ? CMD_UPLOAD_START
                                   : i == headers.size() - 1 ? CMD_UPLOAD_END
                                                             : CMD_UPLOAD_DATA;
      EXPECT_EQ(headers[i].cmd, expectedCmd);
      EXPECT_EQ(headers[i].value, i);
      EXPECT_EQ(headers[i].devAddr, 0x7E);
      EXPECT_EQ(headers[i].reserved, 0);
      const size_t bodyBytes = BodyOf(channel_.sent[i]).size();
      EXPECT_EQ(bodyBytes, 8 + (expectedCmd == CMD_UPLOAD_DATA ? c.pieces[i - 1] : 0));
      EXPECT_LE(channel_.sent[i].size(), link::MaxFrameSize);
    }
    EXPECT_EQ(Carried(), program);
  }
}

TEST_P(UploadTest, StartAndEndFramesOfAOnePieceProgram) {
  ASSERT_EQ(Run(RandomProgram(12), 1), Status::Ok);
  ASSERT_EQ(channel_.sent.size(), 3u);
  EXPECT_EQ(channel_.sent[0],
            (Bytes{0x55, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0xCB, 0x7D, 0xAA}));
  EXPECT_EQ(channel_.sent[2],
            (Bytes{0x55, 0x01, 0x00, 0x00, 0x01, 0x02, 0x00, 0x00, 0x00, 0xBF, 0xBD, 0xAA}));
}

TEST_P(UploadTest, FailureAtEveryPacketStopsThere) {
  const Bytes program = RandomProgram(5 * 512 - 100);  // 5 data packets: sequences 0..6
  for (uint32_t k = 0; k <= 6; ++k) {
    SCOPED_TRACE(k);
    channel_.sent.clear();
    channel_.sentAtMs.clear();
    scripts_.clear();
    scripts_[k].unansweredSends = 3;
    const uint32_t start = clock_.NowMs();
    EXPECT_EQ(Run(program), Status::Timeout);
    const auto headers = Headers();
    ASSERT_EQ(headers.size(), k + 3);  // everything up to k, then k twice more
    for (size_t i = k; i < headers.size(); ++i) EXPECT_EQ(headers[i].value, k);
    // Each try of packet k was followed by a full window; nothing was sent after them.
    EXPECT_EQ(channel_.sentAtMs[k + 1] - channel_.sentAtMs[k], kUploadWindowMs);
    EXPECT_EQ(channel_.sentAtMs[k + 2] - channel_.sentAtMs[k + 1], kUploadWindowMs);
    EXPECT_EQ(clock_.NowMs() - start, 3 * kUploadWindowMs);
    EXPECT_EQ(channel_.sent[k], channel_.sent[k + 1]);  // resent unchanged
    EXPECT_EQ(channel_.sent[k + 1], channel_.sent[k + 2]);
  }
}

TEST_P(UploadTest, LostAcknowledgementCostsOneWindow) {
  scripts_[2].unansweredSends = 2;
  const Bytes program = RandomProgram(2000);
  ASSERT_EQ(Run(program), Status::Ok);
  EXPECT_EQ(clock_.NowMs() - 500, 2 * kUploadWindowMs);
  EXPECT_EQ(Headers().size(), 4u + 2 + 2);
}

TEST_P(UploadTest, StaleAcknowledgementIsIgnoredInTheNextPacketsWindow) {
  // Packet 1's acknowledgement comes again 50 ms into packet 2's window; packet 2's own comes at
  // 100 ms. Only the latter may end the window.
  scripts_[2].extra = {{50, ReplyFrame(CMD_UPLOAD_DATA, 1)}, {60, ReplyFrame(CMD_UPLOAD_END, 2)}};
  scripts_[2].ackDelayMs = 100;
  ASSERT_EQ(Run(RandomProgram(1500)), Status::Ok);
  EXPECT_EQ(clock_.NowMs() - 500, 100u);
  // With nothing but stale acknowledgements, packet 2 is tried three times and the upload fails.
  scripts_.clear();
  scripts_[2].unansweredSends = 3;
  scripts_[2].extra = {{10, ReplyFrame(CMD_UPLOAD_DATA, 1)}, {20, ReplyFrame(CMD_UPLOAD_DATA, 3)}};
  channel_.sent.clear();
  EXPECT_EQ(Run(RandomProgram(1500)), Status::Timeout);
  EXPECT_EQ(Headers().size(), 2u + 3);
}

TEST_P(UploadTest, StatusZeroIsNoAcknowledgementButTheWindowGoesOn) {
  scripts_[1].extra = {{10, ReplyFrame(CMD_UPLOAD_DATA, 1, 0)}};
  scripts_[1].ackDelayMs = 30;
  ASSERT_EQ(Run(RandomProgram(100)), Status::Ok);
  EXPECT_EQ(Headers().size(), 3u);
  EXPECT_EQ(clock_.NowMs() - 500, 30u);
  // Only status 0: the packet is sent again.
  scripts_.clear();
  scripts_[1].unansweredSends = 1;
  scripts_[1].extra = {{10, ReplyFrame(CMD_UPLOAD_DATA, 1, 0)}};
  channel_.sent.clear();
  ASSERT_EQ(Run(RandomProgram(100)), Status::Ok);
  EXPECT_EQ(Headers().size(), 4u);
}

TEST_P(UploadTest, RefusedSendsUseUpTriesAtOnce) {
  channel_.acceptSend = [](int index) { return index != 1 && index != 2; };
  ASSERT_EQ(Run(RandomProgram(10)), Status::Ok);  // data packet refused twice, then sent
  EXPECT_EQ(clock_.NowMs(), 500u);
  channel_.acceptSend = [](int) { return false; };
  channel_.sent.clear();
  EXPECT_EQ(Run(RandomProgram(10)), Status::Timeout);
  EXPECT_EQ(channel_.sent.size(), 3u);
  EXPECT_EQ(clock_.NowMs(), 500u);
}

INSTANTIATE_TEST_SUITE_P(Transports, UploadTest, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Datagram" : "Stream"; });

TEST(UploadStream, AcknowledgementsSplitAndAfterNoiseAreAssembled) {
  testing::FakeClock clock;
  testing::ScopedClock installed(clock);
  FakeChannel channel(clock, false);
  channel.maxReadBytes = 3;
  channel.respond = [](std::span<const uint8_t> frame, int) {
    const PacketHeader h = HeaderOf(frame);
    Bytes noisy = {0x00, 0xAA, 0x13};
    const Bytes ack = ReplyFrame(h.cmd, h.value);
    noisy.insert(noisy.end(), ack.begin(), ack.end());
    return std::vector<Delivery>{{5, noisy}};
  };
  link::FrameBuffer reply{};
  EXPECT_EQ(Upload(channel, RandomProgram(700), reply, 1), Status::Ok);
  EXPECT_EQ(channel.sent.size(), 4u);
}

TEST(UploadProgram, RefusedOrUnopenedChannels) {
  const Bytes program = RandomProgram(12);
  link::Target none;
  none.transport = link::Transport::None;
  EXPECT_EQ(UploadProgram(none, program), Status::Refused);

  const platform::UdpSocket holder = testing::BoundUdpSocket();
  link::Target udp;
  udp.transport = link::Transport::Udp;
  udp.localPort = holder.LocalPort();
  EXPECT_EQ(UploadProgram(udp, program), Status::OsError);
  EXPECT_EQ(UploadProgram(udp, {}), Status::Refused);

  link::Target serial;
  serial.transport = link::Transport::Serial;
  serial.comPort = 0;
  EXPECT_EQ(UploadProgram(serial, program), Status::OsError);
}

}  // namespace
}  // namespace veltrane::protocol
