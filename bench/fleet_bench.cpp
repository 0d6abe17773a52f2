// SPDX-License-Identifier: MIT
// The veltrane command driving fleets of 1, 16, 256 and 1024 simulated screens, each 2 ms away:
// `veltrane send PROGRAM --to FLEET` with a 64 KiB program, and `veltrane sync-time --to FLEET`.
// Both tools run as their users run them, as child processes: veltrane-screen --screens N
// --delay 2 --spread addresses serves the fleet (at 127.0.1.1 and the addresses after it, one
// port, one socket, so that it takes and answers many screens' datagrams in one system call), and
// each run of the command is timed whole (start, reading, every screen, exit) with its own peak
// memory. The goals, on a 2-CPU machine under light load: 16 screens within 1.1 times the time of
// one, 256 within 1.2 times, 1024 within 1.5 times, and the command's peak memory under 32 MiB for
// 1024. x_one_screen is the median run's time over the median one-screen run of the same command.
// Beside them, the floor of the same uploads on this machine at the time: the least either side
// could spend on them (FleetFloor: floor_x over its own one-screen time, x_send_one_screen over
// the command's), which tells how near the goals can be reached there and then.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <ctime>
#include <deque>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "link/frame_codec.h"
#include "platform/ipv4.h"
#include "platform/tools/addressed_udp_socket.h"
#include "platform/tools/input_watch.h"
#include "platform/tools/timer.h"
#include "platform/tools/wakeup.h"
#include "platform/udp_socket.h"
#include "protocol/packets.h"
#include "support/child_process.h"
#include "support/program_bench.h"

namespace {

using namespace veltrane;

constexpr const char* kDelayMs = "2";
constexpr size_t kProgramBytes = 64 * 1024;
// The fixed length of a string area record with its longest text (as the upload bench builds).
constexpr size_t kStringRecordBytes = 2084;

const std::map<int64_t, double> kGoalTimesOne = {{16, 1.1}, {256, 1.2}, {1024, 1.5}};

std::filesystem::path Scratch(const std::string& name) {
  return std::filesystem::temp_directory_path() / ("veltrane_fleet_bench_" + name);
}

// A real program of string areas, about 64 KiB, as a raw block file the screens accept.
const std::filesystem::path& ProgramFile() {
  static const std::filesystem::path file = [] {
    testing::ProgramBench bench;
    bench.NewPage(1);
    const std::string text(2047, 'x');
    for (size_t length = 12 + 16; length + kStringRecordBytes <= kProgramBytes;
         length += kStringRecordBytes)
      bench.AddString({}, text.c_str());
    const std::vector<uint8_t> program = bench.Block();
    const std::filesystem::path path = Scratch("program.bin");
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(program.data()),
               static_cast<std::streamsize>(program.size()));
    return path;
  }();
  return file;
}

double Median(std::vector<double> values) {
  std::nth_element(values.begin(), values.begin() + values.size() / 2, values.end());
  return values[values.size() / 2];
}

// The median one-screen time of each command (and of the floor), for the ratios of the larger
// fleets.
std::map<std::string, double>& OneScreenSeconds() {
  static std::map<std::string, double> seconds;
  return seconds;
}

// Starts veltrane-screen with `count` screens and writes a fleet file listing them, from the
// "udp ADDRESS:PORT" lines it prints; an empty path when it did not start.
std::filesystem::path ServeFleet(testing::ChildProcess& screens, size_t count) {
  const std::filesystem::path path = Scratch("fleet_" + std::to_string(count) + ".txt");
  std::ofstream out(path);
  for (size_t i = 0; i < count; ++i) {
    const std::string line = screens.ReadLine();
    if (!line.starts_with("udp ")) return {};
    out << line << " name=screen-" << i << "\n";
  }
  return path;
}

// Runs `veltrane COMMAND... --to FLEET` against state.range(0) simulated screens.
void RunFleetCommand(benchmark::State& state, const std::vector<std::string>& command) {
  const auto count = static_cast<size_t>(state.range(0));
  testing::ChildProcess screens({VELTRANE_SCREEN, "--udp", "127.0.1.1:0", "--screens",
                                 std::to_string(count), "--delay", kDelayMs, "--spread",
                                 "addresses"});
  const std::filesystem::path fleet = ServeFleet(screens, count);
  if (fleet.empty()) {
    state.SkipWithError("veltrane-screen did not start");
    return;
  }
  std::vector<std::string> argv{VELTRANE_CLI};
  argv.insert(argv.end(), command.begin(), command.end());
  argv.insert(argv.end(), {"--to", fleet.string()});
  std::vector<double> seconds, commandCpu, screensCpu;
  int64_t peakKiB = 0;
  for (auto _ : state) {
    const double screensBefore = screens.CpuSeconds();
    const testing::ChildRun run = testing::RunChild(argv);
    if (run.exitStatus != 0) {
      state.SkipWithError("a screen did not succeed");
      break;
    }
    state.SetIterationTime(run.seconds);
    seconds.push_back(run.seconds);
    commandCpu.push_back(run.cpuSeconds);
    screensCpu.push_back(screens.CpuSeconds() - screensBefore);
    peakKiB = std::max(peakKiB, run.maxRssKiB);
  }
  std::filesystem::remove(fleet);
  if (seconds.empty()) return;
  const double median = Median(seconds);
  if (count == 1) OneScreenSeconds()[command[0]] = median;
  if (const auto one = OneScreenSeconds().find(command[0]); one != OneScreenSeconds().end())
    state.counters["x_one_screen"] = median / one->second;
  // The goals are the upload's; sync-time is timed to see what a fleet costs a short command.
  if (const auto goal = kGoalTimesOne.find(state.range(0));
      command[0] == "send" && goal != kGoalTimesOne.end())
    state.counters["goal_x"] = goal->second;
  state.counters["median_ms"] = 1000 * median;
  // The CPU time both sides spent: on a machine shared with other work the run waits for CPUs,
  // and these show what it needs of them.
  state.counters["command_cpu_ms"] = 1000 * Median(commandCpu);
  state.counters["screens_cpu_ms"] = 1000 * Median(screensCpu);
  state.counters["peak_rss_MiB"] = static_cast<double>(peakKiB) / 1024.0;
}

void FleetSend(benchmark::State& state) {
  RunFleetCommand(state, {"send", ProgramFile().string()});
}
BENCHMARK(FleetSend)
    ->ArgName("screens")
    ->Arg(1)
    ->Arg(16)
    ->Arg(256)
    ->Arg(1024)
    ->UseManualTime()
    ->Iterations(5)
    ->Unit(benchmark::kMillisecond);

// The floor's peer: answers every datagram sent to any local address at its port 2 ms later from
// that address, the answers then due leaving in one batch, as the simulator does with nothing
// else to do (no frame read, no screen kept, no fault drawn).
class FloorPeer {
 public:
  FloorPeer() {
    socket_.Open(0);
    socket_.SetReceiveBuffer(kPeerBufferBytes);
    reply_.resize(link::EncodedFrameBound(protocol::kReplyBytes));
    reply_.resize(static_cast<size_t>(
        link::EncodeFrame(protocol::EncodeReplyHeader({.devAddr = 1}), reply_)));
    for (auto& buffer : buffers_) incoming_.push_back({buffer, 0, {}, {}, 0});
    thread_ = std::thread(&FloorPeer::Serve, this);
  }
  ~FloorPeer() {
    stopping_ = true;
    stop_.Signal();
    thread_.join();
  }
  uint16_t port() const { return socket_.LocalPort(); }

 private:
  static constexpr size_t kPeerBufferBytes = 4 << 20;
  static constexpr uint64_t kDelayNs = 2000000;
  struct Due {
    uint64_t atNs;
    platform::Endpoint to;
    uint32_t local;
  };
  enum Key : uint32_t { kSocket, kTimer, kStop };

  void Serve() {
    platform::InputWatch watch;
    watch.Add(socket_, kSocket);
    watch.Add(timer_, kTimer);
    watch.Add(stop_, kStop);
    std::deque<Due> due;  // in the order due: every answer waits as long
    std::vector<platform::AddressedDatagram> outgoing;
    uint64_t timerDueNs = 0;
    while (!stopping_) {
      bool ready[3] = {};
      watch.Wait(ready, 1000);
      const uint64_t nowNs = platform::MonotonicNs();
      if (ready[kTimer]) timer_.Clear();
      const size_t taken = ready[kSocket] ? socket_.ReceiveBatch(incoming_) : 0;
      for (size_t i = 0; i < taken; ++i)
        due.push_back({nowNs + kDelayNs, incoming_[i].from, incoming_[i].local});
      outgoing.clear();
      for (; !due.empty() && due.front().atNs <= nowNs; due.pop_front())
        outgoing.push_back(
            {reply_, static_cast<int32_t>(reply_.size()), {}, due.front().to, due.front().local});
      socket_.SendBatch(outgoing);
      if (!due.empty() && due.front().atNs != timerDueNs) {
        timerDueNs = due.front().atNs;
        timer_.SetFor(timerDueNs);
      }
    }
  }

  platform::AddressedUdpSocket socket_;
  platform::Timer timer_;
  platform::WakeupEvent stop_;
  std::atomic<bool> stopping_{false};
  std::vector<uint8_t> reply_;
  std::array<std::array<uint8_t, 2048>, 64> buffers_;
  std::vector<platform::AddressedDatagram> incoming_;
  std::thread thread_;
};

// Sends `screens` screens at 127.0.1.1 and on 130 upload frames each, encoded in advance, one
// in flight a screen: the next goes once any answer from the screen comes. False when the
// answers stopped coming.
bool FloorUpload(size_t screens, uint16_t port) {
  constexpr size_t kPackets = 130;
  const uint32_t first = platform::ParseIpv4("127.0.1.1");
  std::vector<uint8_t> body(protocol::kPacketHeaderBytes + format::kUploadPieceBytes, 'x');
  const auto header = protocol::EncodePacketHeader({protocol::CMD_UPLOAD_DATA, 0, 1, 1});
  std::copy(header.begin(), header.end(), body.begin());
  link::FrameBuffer frame;
  const auto frameLength = static_cast<size_t>(link::EncodeFrame(body, frame));
  platform::UdpSocket socket;
  socket.Open(0, 0);
  socket.SetReceiveBuffer(512 * 1024);
  std::vector<size_t> left(screens, kPackets);
  std::vector<platform::OutgoingDatagram> outgoing;
  for (size_t i = 0; i < screens; ++i)
    outgoing.push_back({{frame.data(), frameLength},
                        {platform::AddressToNetwork(platform::AddressFromNetwork(first) +
                                                    static_cast<uint32_t>(i)),
                         platform::PortToNetwork(port)}});
  std::vector<platform::OutgoingDatagram> next = outgoing;
  std::array<std::array<uint8_t, 64>, 64> buffers;
  std::vector<platform::IncomingDatagram> incoming;
  for (auto& buffer : buffers) incoming.push_back({buffer, 0, {}});
  for (size_t unfinished = screens; unfinished > 0;) {
    socket.SendBatch(next);
    next.clear();
    if (socket.WaitReadable(1000) != platform::WaitResult::Ready) return false;
    for (size_t taken = incoming.size(); taken == incoming.size();) {
      taken = socket.ReceiveBatch(incoming);
      for (size_t i = 0; i < taken; ++i) {
        const size_t screen = platform::AddressFromNetwork(incoming[i].from.address) -
                              platform::AddressFromNetwork(first);
        if (screen >= screens || left[screen] == 0) continue;
        if (--left[screen] == 0)
          --unfinished;
        else
          next.push_back(outgoing[screen]);
      }
    }
  }
  return true;
}

void FleetFloor(benchmark::State& state) {
  const auto screens = static_cast<size_t>(state.range(0));
  FloorPeer peer;
  FloorUpload(screens, peer.port());  // warms both up
  std::vector<double> seconds, cpu;
  for (auto _ : state) {
    const std::clock_t cpuBefore = std::clock();
    const uint64_t startNs = platform::MonotonicNs();
    if (!FloorUpload(screens, peer.port())) {
      state.SkipWithError("the peer stopped answering");
      return;
    }
    seconds.push_back(static_cast<double>(platform::MonotonicNs() - startNs) / 1e9);
    cpu.push_back(static_cast<double>(std::clock() - cpuBefore) / CLOCKS_PER_SEC);
    state.SetIterationTime(seconds.back());
  }
  const double median = Median(seconds);
  if (screens == 1) OneScreenSeconds()["floor"] = median;
  if (const auto one = OneScreenSeconds().find("floor"); one != OneScreenSeconds().end())
    state.counters["floor_x"] = median / one->second;
  // The floor over the command's one-screen upload, as the goals measure the fleet's.
  if (const auto one = OneScreenSeconds().find("send"); one != OneScreenSeconds().end())
    state.counters["x_send_one_screen"] = median / one->second;
  state.counters["median_ms"] = 1000 * median;
  // Both sides' CPU together: they share this process.
  state.counters["both_cpu_ms"] = 1000 * Median(cpu);
}
BENCHMARK(FleetFloor)
    ->ArgName("screens")
    ->Arg(1)
    ->Arg(256)
    ->Arg(1024)
    ->UseManualTime()
    ->Iterations(5)
    ->Unit(benchmark::kMillisecond);

void FleetSyncTime(benchmark::State& state) { RunFleetCommand(state, {"sync-time"}); }
BENCHMARK(FleetSyncTime)
    ->ArgName("screens")
    ->Arg(1)
    ->Arg(1024)
    ->UseManualTime()
    ->Iterations(5)
    ->Unit(benchmark::kMillisecond);

}  // namespace
