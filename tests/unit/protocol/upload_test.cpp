// SPDX-License-Identifier: MIT
#include "protocol/upload.h"

#include <gtest/gtest.h>

#include <algorithm>
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
  UploadTest() : clock_(500), channel_(clock_, GetParam()) {
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
    return Upload(channel_, program, reply, devAddr, clock_);
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

// Remembers what the upload told it of refusals.
struct RefusalRecorder final : UploadObserver {
  void Acknowledged(uint32_t, uint32_t, size_t) override {}
  void Refused(uint32_t sequence, uint32_t total, uint16_t status) override {
    refusals.push_back({sequence, total, status});
  }
  std::vector<std::array<uint32_t, 3>> refusals;
};

TEST_P(UploadTest, ARefusalIsRememberedUntilTheTriesRunOut) {
  constexpr int kNone = -1;  // the send gets no answer at all
  struct Case {
    const char* name;
    std::vector<int> statuses;  // what each send of packet 2 is answered with
    Status::Code result;
    uint32_t refusedStatus;  // what the observer hears, for a refused upload
    size_t sendsOfPacket2;
    uint32_t elapsedMs;  // a refusal ends no window: only an acknowledgement does
  };
  const Case cases[] = {
      {"refused every time", {0, 0, 0}, Status::Refused, 0, 3, 3 * kUploadWindowMs},
      {"refused once, then silent", {0, kNone, kNone}, Status::Refused, 0, 3, 3 * kUploadWindowMs},
      {"silent, refused last", {kNone, kNone, 7}, Status::Refused, 7, 3, 3 * kUploadWindowMs},
      {"refused, then acknowledged", {0, 1}, Status::Ok, 0, 2, kUploadWindowMs + 10},
      {"never answered", {kNone, kNone, kNone}, Status::Timeout, 0, 3, 3 * kUploadWindowMs},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    channel_.sent.clear();
    channel_.respond = [&c, sends = 0](std::span<const uint8_t> frame, int) mutable {
      const PacketHeader h = HeaderOf(frame);
      if (h.value != 2) return std::vector<Delivery>{{0, ReplyFrame(h.cmd, h.value)}};
      const int status = c.statuses[static_cast<size_t>(sends++)];
      if (status == kNone) return std::vector<Delivery>{};
      return std::vector<Delivery>{{10, ReplyFrame(h.cmd, 2, static_cast<uint16_t>(status))}};
    };
    RefusalRecorder recorder;
    link::FrameBuffer reply{};
    const uint32_t start = clock_.NowMs();
    // Two data packets: sequences 0..3, packet 2 the second data packet.
    const Status status = Upload(channel_, RandomProgram(700), reply, 1, clock_, &recorder);
    EXPECT_EQ(status.code(), c.result);
    EXPECT_EQ(clock_.NowMs() - start, c.elapsedMs);
    const auto headers = Headers();
    EXPECT_EQ(std::count_if(headers.begin(), headers.end(), [](auto& h) { return h.value == 2; }),
              static_cast<long>(c.sendsOfPacket2));
    if (c.result == Status::Refused) {
      EXPECT_STREQ(status.reason(), kUploadRefusedReason);
      EXPECT_EQ(recorder.refusals, (std::vector<std::array<uint32_t, 3>>{{2, 4, c.refusedStatus}}));
      EXPECT_EQ(headers.back().value, 2u);  // nothing after the refused packet
    } else {
      EXPECT_TRUE(recorder.refusals.empty());
    }
  }
}

// Writes down what a watcher is told, one line per event.
struct WatchLog final : ExchangeWatcher {
  void Tried(const PacketHeader& packet, int attempt, bool sent, size_t bytes,
             uint32_t windowMs) override {
    lines.push_back(PacketName(packet.cmd, packet.value) + " try " + std::to_string(attempt) +
                    (sent ? " sent " : " unsent ") + std::to_string(bytes) + " " +
                    std::to_string(windowMs));
  }
  void Replied(ReplyKind kind, const ReplyHeader* reply) override {
    const char* names[] = {"accepted", "refused", "ignored"};
    lines.push_back(std::string(names[static_cast<int>(kind)]) +
                    (reply ? " value " + std::to_string(reply->value) : " unreadable"));
  }
  std::vector<std::string> lines;
};

TEST_P(UploadTest, AWatcherSeesEveryTryAndReplyAndChangesNothing) {
  // Packet 1's first send is refused, then answered with packet 0's stale acknowledgement and a
  // damaged frame; its second send is refused by the channel; its third is acknowledged.
  Bytes damaged = ReplyFrame(CMD_UPLOAD_DATA, 1);
  damaged[1] ^= 0x01;  // the reply's code: the CRC no longer holds
  channel_.acceptSend = [](int index) { return index != 2; };
  channel_.respond = [&](std::span<const uint8_t> frame, int index) {
    const PacketHeader h = HeaderOf(frame);
    if (index == 1)
      return std::vector<Delivery>{
          {5, ReplyFrame(h.cmd, 1, 0)}, {6, ReplyFrame(CMD_UPLOAD_START, 0)}, {7, damaged}};
    return std::vector<Delivery>{{5, ReplyFrame(h.cmd, h.value)}};
  };
  const Bytes program = RandomProgram(100);
  const auto run = [&](ExchangeWatcher* watcher) {
    channel_.sent.clear();
    channel_.sentAtMs.clear();
    link::FrameBuffer reply{};
    const uint32_t start = clock_.NowMs();
    EXPECT_EQ(Upload(channel_, program, reply, 1, clock_, nullptr, watcher), Status::Ok);
    std::vector<uint32_t> at;
    for (const uint32_t ms : channel_.sentAtMs) at.push_back(ms - start);
    return std::pair(channel_.sent, at);
  };
  const auto unwatched = run(nullptr);
  WatchLog log;
  EXPECT_EQ(run(&log), unwatched);  // the same bytes at the same times
  const std::string start = std::to_string(channel_.sent[0].size());
  const std::string data = std::to_string(channel_.sent[1].size());
  const std::string end = std::to_string(channel_.sent.back().size());
  const std::vector<std::string> expected = {
      "upload-start seq 0 try 1 sent " + start + " 1000",
      "accepted value 0",
      "upload-data seq 1 try 1 sent " + data + " 1000",
      "refused value 1",
      "ignored value 0",
      "ignored unreadable",
      "upload-data seq 1 try 2 unsent " + data + " 1000",
      "upload-data seq 1 try 3 sent " + data + " 1000",
      "accepted value 1",
      "upload-end seq 2 try 1 sent " + end + " 1000",
      "accepted value 2",
  };
  EXPECT_EQ(log.lines, expected);
}

INSTANTIATE_TEST_SUITE_P(Transports, UploadTest, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Datagram" : "Stream"; });

TEST(UploadStream, AcknowledgementsSplitAndAfterNoiseAreAssembled) {
  testing::FakeClock clock;
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
  EXPECT_EQ(Upload(channel, RandomProgram(700), reply, 1, clock), Status::Ok);
  EXPECT_EQ(channel.sent.size(), 4u);
}

TEST(UploadProgram, RefusedOrUnopenedChannels) {
  testing::FakeClock clock;
  BusyCount busy;
  const DeviceContext devices{clock, busy};
  const Bytes program = RandomProgram(12);
  link::Target none;
  none.transport = link::Transport::None;
  EXPECT_EQ(UploadProgram(devices, none, program), Status::BadArgument);

  const platform::UdpSocket holder = testing::BoundUdpSocket();
  link::Target udp;
  udp.transport = link::Transport::Udp;
  udp.localPort = holder.LocalPort();
  EXPECT_EQ(UploadProgram(devices, udp, program), Status::OsError);
  EXPECT_EQ(UploadProgram(devices, udp, {}), Status::BadArgument);

  link::Target serial;
  serial.transport = link::Transport::Serial;  // no device path: none stands for its port
  EXPECT_EQ(UploadProgram(devices, serial, program), Status::OsError);
}

}  // namespace
}  // namespace veltrane::protocol
