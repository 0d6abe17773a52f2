// SPDX-License-Identifier: MIT
// The multiplexed driver against simulated screens over loopback UDP and pseudo-terminals: what
// counts as a reply, how many screens run at once, what a cancel leaves, what each screen is told.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <thread>

#include "link/frame_codec.h"
#include "platform/ipv4.h"
#include "protocol/fleet.h"
#include "sim/screen.h"
#include "sim/simulator.h"
#include "support/raw_screen.h"
#include "support/screen_harness.h"
#include "support/test_programs.h"
#include "support/udp_sockets.h"

namespace veltrane::protocol {
namespace {

using testing::ScreenHarness;

sim::Faults WithFaults(std::vector<sim::PacketFault> packetFaults) {
  sim::Faults faults;
  faults.packetFaults = std::move(packetFaults);
  return faults;
}

// What a run told its caller, in order, with the most screens it had in progress at once.
class Recorder final : public FleetEvents {
 public:
  void Started(size_t screen) override {
    log.push_back({'S', screen});
    started.push_back(screen);
    mostAtOnce = std::max(mostAtOnce, started.size() - finished.size());
  }
  void Progressed(size_t screen, const Progress& progress) override {
    lastCount[screen] = {progress.done, progress.total};
  }
  void Finished(size_t screen, const ScreenResult& result) override {
    log.push_back({'F', screen});
    finished.push_back(screen);
    if (onFinished) onFinished(screen, result);
  }
  // Where an event is in the log.
  size_t At(char event, size_t screen) const {
    return static_cast<size_t>(std::find(log.begin(), log.end(), std::pair{event, screen}) -
                               log.begin());
  }

  std::vector<std::pair<char, size_t>> log;
  std::vector<size_t> started, finished;
  size_t mostAtOnce = 0;
  std::map<size_t, std::pair<uint32_t, uint32_t>> lastCount;
  std::function<void(size_t, const ScreenResult&)> onFinished;
};

std::vector<Status::Code> Codes(const std::vector<ScreenResult>& results) {
  std::vector<Status::Code> codes;
  for (const ScreenResult& r : results) codes.push_back(r.outcome.status.code());
  return codes;
}

const FleetTask kReset = Request{Command::Reset, 0, {}};

TEST(DriveFleet, EachScreenEndsAsItsOwnConversationDid) {
  ScreenHarness ok, serial, refusing, silent, otherPort, refusedThenSilent;
  sim::Faults faults;
  faults.refusePrograms = true;
  refusing.screen().SetFaults(faults);
  faults = {};
  faults.silent = true;
  silent.screen().SetFaults(faults);
  faults = {};
  faults.otherSourcePort = true;
  otherPort.screen().SetFaults(faults);
  // Data packet 1 refused once and then acknowledged; data packet 2 never answered.
  refusedThenSilent.screen().SetFaults(
      WithFaults({{1, sim::AckFault::StatusZero, 1}, {2, sim::AckFault::Drop, 3}}));
  link::Target nowhere;
  const std::vector<link::Target> screens = {ok.UdpTarget(),
                                             serial.SerialTarget(),
                                             refusing.UdpTarget(),
                                             silent.UdpTarget(),
                                             otherPort.UdpTarget(),
                                             refusedThenSilent.UdpTarget(),
                                             nowhere};
  const std::vector<uint8_t> program = testing::TestProgram(1500);
  Recorder recorder;
  const auto results =
      DriveFleet(screens, ProgramUpload{program}, {}, platform::SystemClock(), &recorder);
  EXPECT_EQ(Codes(results),
            (std::vector<Status::Code>{Status::Ok, Status::Ok, Status::Refused, Status::Timeout,
                                       Status::Timeout, Status::Timeout, Status::BadArgument}));
  EXPECT_EQ(ok.screen().LastProgram(), program);
  EXPECT_EQ(serial.screen().LastProgram(), program);
  EXPECT_EQ(results[0].outcome.packetsDone, 5u);
  EXPECT_EQ(results[0].outcome.bytesDone, program.size());
  EXPECT_EQ(results[5].outcome.packetsDone, 2u);  // start and the first data packet
  EXPECT_GE(results[3].milliseconds, 3 * kUploadWindowMs);
  EXPECT_EQ(recorder.finished.size(), screens.size());
  EXPECT_EQ(recorder.started.size(), screens.size() - 1);  // no channel for the last one
}

// The acknowledgement a screen would give `request` (a frame as it arrived).
std::vector<uint8_t> AnswerTo(const std::vector<uint8_t>& request) {
  link::FrameBuffer body;
  const int32_t length = link::DecodeFrame(request, body);
  sim::Screen screen(1);
  const auto reply =
      length > 0 ? screen.Handle({body.data(), static_cast<size_t>(length)}, 0) : std::nullopt;
  if (!reply) return {};
  std::vector<uint8_t> frame(link::EncodedFrameBound(kReplyBytes));
  frame.resize(static_cast<size_t>(link::EncodeFrame(EncodeReplyHeader(*reply), frame)));
  return frame;
}

TEST(DriveFleet, AReplyFromAnotherSourceThanTheScreenIsNotItsAnswer) {
  // The screen hears the request; a correct answer to it comes from the screen itself, from
  // another port of the screen's address, or from the screen's port on another address.
  enum class From { Screen, OtherPort, OtherAddress };
  struct Case {
    From from;
    Status::Code result;
  };
  for (const Case c : {Case{From::Screen, Status::Ok}, Case{From::OtherPort, Status::Timeout},
                       Case{From::OtherAddress, Status::Timeout}}) {
    SCOPED_TRACE(static_cast<int>(c.from));
    testing::RawScreen screen;
    platform::UdpSocket stranger;
    const Status opened = c.from == From::OtherAddress
                              ? stranger.Open(platform::ParseIpv4("127.0.0.2"), screen.port())
                              : stranger.Open(platform::ParseIpv4("127.0.0.1"), 0);
    ASSERT_EQ(opened, Status::Ok);
    std::thread answer([&] {
      platform::Endpoint sender;
      const std::vector<uint8_t> reply = AnswerTo(screen.NextRequest(sender));
      if (c.from == From::Screen)
        screen.Send(reply, sender);
      else
        stranger.Send(reply, sender);
    });
    const FleetPolicy oneShortTry{0, {1, 300}};
    const auto results =
        DriveFleet(std::vector{screen.Target()}, kReset, oneShortTry, platform::SystemClock());
    answer.join();
    EXPECT_EQ(Codes(results), std::vector<Status::Code>{c.result});
  }
}

TEST(DriveFleet, QueriesReadEachScreensValue) {
  sim::SimulatorOptions options;
  options.screens = 3;
  options.udpPort = 0;
  sim::Simulator simulator(options);
  std::string error;
  ASSERT_TRUE(simulator.Start(error)) << error;
  std::vector<link::Target> screens;
  for (size_t i = 0; i < 3; ++i) {
    link::Target target;
    target.transport = link::Transport::Udp;
    target.remoteAddress = platform::ParseIpv4("127.0.0.1");
    target.remotePort = simulator.udpPort(i);
    target.devAddr = 1;
    screens.push_back(target);
  }
  EXPECT_EQ(
      Codes(DriveFleet(screens, Request{Command::SetBright, 11, {}}, {}, platform::SystemClock())),
      std::vector<Status::Code>(3, Status::Ok));
  const auto read =
      DriveFleet(screens, Request{Command::GetBright, 0, {}}, {}, platform::SystemClock());
  for (const ScreenResult& result : read) EXPECT_EQ(result.outcome.value, 11);
}

TEST(DriveFleet, NeverMoreScreensAtOnceThanJobsNorTwoOfALane) {
  // Two screens at each of two endpoints (addresses 1 and 255 of one simulated screen), and two
  // on one serial line; every answer 50 ms late, so that turns overlap wherever they may.
  sim::Faults late;
  late.delayMs = 50;
  ScreenHarness first(late), second(late), line(late);
  const std::vector<link::Target> screens = {first.UdpTarget(1),     second.UdpTarget(1),
                                             line.SerialTarget(1),   first.UdpTarget(255),
                                             line.SerialTarget(255), second.UdpTarget(255)};
  for (const size_t jobs : {size_t{1}, size_t{2}, size_t{3}}) {
    SCOPED_TRACE(jobs);
    Recorder recorder;
    const auto results =
        DriveFleet(screens, kReset, {jobs, {}}, platform::SystemClock(), &recorder);
    EXPECT_EQ(Codes(results), std::vector<Status::Code>(6, Status::Ok));
    EXPECT_EQ(recorder.mostAtOnce, jobs);
    // A lane's later screen starts only once the earlier one has finished.
    for (const auto& [earlier, later] : {std::pair{0, 3}, std::pair{1, 5}, std::pair{2, 4}})
      EXPECT_LT(recorder.At('F', earlier), recorder.At('S', later)) << earlier << " " << later;
  }
}

TEST(DriveFleet, ACancelHalfWayLeavesNoScreenWithAProgramReportedAsNotSent) {
  constexpr uint32_t kScreens = 16;
  sim::SimulatorOptions options;
  options.screens = kScreens;
  options.udpPort = 0;
  options.faults.delayMs = 2;
  sim::Simulator simulator(options);
  simulator.SetValidator(sim::CheckProgramLength);
  std::string error;
  ASSERT_TRUE(simulator.Start(error)) << error;
  std::vector<link::Target> screens;
  for (size_t i = 0; i < kScreens; ++i) {
    link::Target target;
    target.transport = link::Transport::Udp;
    target.remoteAddress = platform::ParseIpv4("127.0.0.1");
    target.remotePort = simulator.udpPort(i);
    target.devAddr = 1;
    screens.push_back(target);
  }
  const std::vector<uint8_t> program = testing::TestProgram(20000);
  CancelFlag cancel;
  Recorder recorder;
  // Four at once: the cancel comes as the sixth screen ends.
  recorder.onFinished = [&](size_t, const ScreenResult&) {
    if (recorder.finished.size() == 6) cancel.Request();
  };
  const auto results = DriveFleet(screens, ProgramUpload{program}, {4, {}}, platform::SystemClock(),
                                  &recorder, &cancel);
  size_t sent = 0, cancelled = 0;
  for (size_t i = 0; i < kScreens; ++i) {
    SCOPED_TRACE(i);
    const Status::Code code = results[i].outcome.status.code();
    ASSERT_TRUE(code == Status::Ok || code == Status::Cancelled) << code;
    EXPECT_EQ(simulator.LastProgram(i).empty(), code != Status::Ok);
    (code == Status::Ok ? sent : cancelled) += 1;
  }
  // No screen begins once the cancel is seen; those in progress may still finish.
  EXPECT_GE(sent, 6u);
  EXPECT_GE(cancelled, kScreens - 6 - 4);
  EXPECT_EQ(recorder.finished.size(), kScreens);
}

TEST(DriveFleet, AScreenWithAFixedLocalPortSendsFromIt) {
  ScreenHarness screen;
  platform::UdpSocket probe = testing::BoundUdpSocket();
  link::Target target = screen.UdpTarget();
  target.localPort = probe.LocalPort();
  EXPECT_EQ(Codes(DriveFleet(std::vector{target}, kReset, {}, platform::SystemClock())),
            std::vector<Status::Code>{Status::OsError});  // the port is held
  probe.Close();
  EXPECT_EQ(Codes(DriveFleet(std::vector{target}, kReset, {}, platform::SystemClock())),
            std::vector<Status::Code>{Status::Ok});
}

}  // namespace
}  // namespace veltrane::protocol
