// SPDX-License-Identifier: MIT
#include "protocol/packets.h"

#include <gtest/gtest.h>

#include "support/fake_channel.h"

namespace veltrane::protocol {
namespace {

using testing::Bytes;
using testing::Frame;

template <size_t N>
Bytes AsBytes(const std::array<uint8_t, N>& a) {
  return Bytes(a.begin(), a.end());
}

TEST(Packets, RequestFramesOfTheWorkedExamples) {
  struct Case {
    const char* name;
    PacketHeader header;
    Bytes frame;
  };
  const Case cases[] = {
      {"get power, address 1",
       {CMD_GET_POWER, 0, 1, 0},
       {0x55, 0x09, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0xA1, 0xBD, 0xAA}},
      {"upload start, address 1",
       {CMD_UPLOAD_START, 0, 1, 0},
       {0x55, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0xCB, 0x7D, 0xAA}},
      {"upload end of a one-piece program, address 1",
       {CMD_UPLOAD_END, 0, 1, 2},
       {0x55, 0x01, 0x00, 0x00, 0x01, 0x02, 0x00, 0x00, 0x00, 0xBF, 0xBD, 0xAA}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Frame(EncodePacketHeader(c.header)), c.frame);
  }
}

// The one naming of packets the simulator's log and the command's -v share.
TEST(PacketName, CommandsByNameAndUploadPacketsWithTheirSequence) {
  const std::pair<PacketHeader, const char*> cases[] = {
      {{CMD_UPLOAD_START, 0, 1, 0}, "upload-start seq 0"},
      {{CMD_UPLOAD_DATA, 0, 1, 1}, "upload-data seq 1"},
      {{CMD_UPLOAD_END, 0, 1, 95}, "upload-end seq 95"},
      {{CMD_REPLY, 0, 0, 1}, "reply"},
      {{CMD_SET_TIME, 0, 1, 0}, "set-time"},
      {{CMD_GET_POWER, 0, 1, 0}, "get-power"},
      {{CMD_SET_POWER, 0, 1, 1}, "set-power"},
      {{CMD_GET_BRIGHT, 0, 1, 0}, "get-bright"},
      {{CMD_SET_BRIGHT, 0, 1, 7}, "set-bright"},
      {{CMD_RESET, 0, 1, 0}, "reset"},
      {{4242, 0, 1, 0}, "command 4242"},
  };
  for (const auto& [packet, name] : cases) EXPECT_EQ(PacketName(packet.cmd, packet.value), name);
}

TEST(Packets, HeaderFieldsAreLittleEndianAndUnclamped) {
  EXPECT_EQ(AsBytes(EncodePacketHeader({CMD_SET_BRIGHT, 0, 0xFF, 1000})),
            (Bytes{0x0C, 0x00, 0x00, 0xFF, 0xE8, 0x03, 0x00, 0x00}));
  EXPECT_EQ(AsBytes(EncodePacketHeader({CMD_RESET, 0, 0, 0xFFFFFFFF})),
            (Bytes{0x63, 0x00, 0x00, 0x00, 0xFF, 0xFF, 0xFF, 0xFF}));
  const auto decoded = DecodePacketHeader(Bytes{0x0A, 0x00, 0x00, 0x07, 0x01, 0x02, 0x03, 0x04});
  ASSERT_TRUE(decoded);
  EXPECT_EQ(decoded->cmd, CMD_SET_POWER);
  EXPECT_EQ(decoded->devAddr, 7);
  EXPECT_EQ(decoded->value, 0x04030201u);
  EXPECT_FALSE(DecodePacketHeader(Bytes(7, 0)));
}

TEST(Packets, TimeBlockOfATuesdayAfternoon) {
  platform::LocalTime t;
  t.year = 2024;
  t.month = 3;
  t.dayOfWeek = 2;
  t.day = 5;
  t.hour = 14;
  t.minute = 7;
  t.second = 9;
  t.milliseconds = 250;
  const Bytes expected = {0xE8, 0x07, 0x03, 0x00, 0x02, 0x00, 0x05, 0x00,
                          0x0E, 0x00, 0x07, 0x00, 0x09, 0x00, 0xFA, 0x00};
  EXPECT_EQ(AsBytes(EncodeTimeBlock(t)), expected);
  const auto back = DecodeTimeBlock(expected);
  ASSERT_TRUE(back);
  EXPECT_EQ(AsBytes(EncodeTimeBlock(*back)), expected);
  EXPECT_FALSE(DecodeTimeBlock(Bytes(15, 0)));
}

TEST(CheckUploadReply, AcknowledgementOfTheStartPacket) {
  const Bytes ack = {0x55, 0x03, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
                     0x00, 0x00, 0x00, 0x01, 0x00, 0x96, 0x61, 0xAA};
  link::FrameBuffer reply{};
  EXPECT_TRUE(CheckUploadReply(ack, CMD_UPLOAD_START, 0, reply));
  EXPECT_EQ(testing::ReplyFrame(CMD_UPLOAD_START, 0, 1), ack);
  EXPECT_FALSE(
      CheckUploadReply(testing::ReplyFrame(CMD_UPLOAD_START, 0, 0), CMD_UPLOAD_START, 0, reply));
}

TEST(CheckUploadReply, EveryFieldIsChecked) {
  const auto body = [](uint16_t cmd, uint8_t devAddr, uint32_t value, uint16_t answered,
                       uint16_t status) {
    ReplyHeader r;
    r.cmd = cmd;
    r.devAddr = devAddr;
    r.value = value;
    r.answeredCmd = answered;
    r.status = status;
    return AsBytes(EncodeReplyHeader(r));
  };
  struct Case {
    const char* name;
    Bytes body;
    bool accepted;
  };
  const Case cases[] = {
      {"acknowledges data 3", body(3, 0, 3, 2, 1), true},
      {"reserved byte ignored",
       [&] {
         Bytes b = body(3, 0, 3, 2, 1);
         b[2] = 0x99;
         return b;
       }(),
       true},
      {"another sequence", body(3, 0, 2, 2, 1), false},
      {"another packet code", body(3, 0, 3, 1, 1), false},
      {"status 0", body(3, 0, 3, 2, 0), false},
      {"status 2", body(3, 0, 3, 2, 2), false},
      {"devAddr 1", body(3, 1, 3, 2, 1), false},
      {"cmd 4", body(4, 0, 3, 2, 1), false},
      {"11 bytes",
       [&] {
         Bytes b = body(3, 0, 3, 2, 1);
         b.pop_back();
         return b;
       }(),
       false},
      {"longer body",
       [&] {
         Bytes b = body(3, 0, 3, 2, 1);
         b.push_back(0);
         return b;
       }(),
       true},
  };
  link::FrameBuffer reply{};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(CheckUploadReply(Frame(c.body), CMD_UPLOAD_DATA, 3, reply), c.accepted);
  }
}

TEST(CheckReply, ReadsOnlyWhatItNeeds) {
  link::FrameBuffer reply{};
  // Ten bytes (no status) are enough for a command reply, nine are not.
  const Bytes ten = {0x03, 0x00, 0x00, 0x00, 0x05, 0x00, 0x00, 0x00, 0x0C, 0x00};
  EXPECT_TRUE(CheckReply(Frame(ten), CMD_SET_BRIGHT, reply));
  EXPECT_FALSE(CheckReply(Frame(Bytes(ten.begin(), ten.end() - 1)), CMD_SET_BRIGHT, reply));
  EXPECT_FALSE(CheckUploadReply(Frame(ten), CMD_SET_BRIGHT, 5, reply));
  EXPECT_FALSE(CheckReply(Bytes{0x55, 0xAA}, CMD_SET_BRIGHT, reply));
  EXPECT_FALSE(CheckReply(Bytes{}, CMD_SET_BRIGHT, reply));
}

}  // namespace
}  // namespace veltrane::protocol
