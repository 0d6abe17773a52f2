// SPDX-License-Identifier: MIT
// Device commands on loopback: a command's round trip against the simulated screen next to a raw
// UDP ping-pong of the same datagram sizes (12-byte request frame, 16-byte reply frame), and the
// CPU share of a receive window that nobody answers.
#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <ctime>
#include <thread>
#include <vector>

#include "platform/ipv4.h"
#include "platform/udp_socket.h"
#include "platform/wait.h"
#include "protocol/device_commands.h"
#include "support/raw_screen.h"
#include "support/screen_harness.h"
#include "support/udp_sockets.h"
#include "veltrane/veltrane.h"

namespace {

using namespace veltrane;

constexpr size_t kRequestFrameBytes = 12;
constexpr size_t kReplyFrameBytes = 16;

void CommandRoundTrip(benchmark::State& state) {
  testing::ScreenHarness harness;
  const link::Target target = harness.UdpTarget();
  for (auto _ : state) {
    const protocol::Reading reading = protocol::DoGetBright(harness.Devices(), target);
    if (reading.status != Status::Ok) state.SkipWithError("the screen did not answer");
  }
}
BENCHMARK(CommandRoundTrip)->UseRealTime();

// The same exchange with nothing but sockets: one socket each side, opened once.
void RawUdpPingPong(benchmark::State& state) {
  const uint32_t loopback = platform::ParseIpv4("127.0.0.1");
  platform::UdpSocket server = testing::BoundUdpSocket(loopback);
  platform::UdpSocket client = testing::BoundUdpSocket(loopback);
  const platform::Endpoint serverEnd{loopback, platform::PortToNetwork(server.LocalPort())};
  std::atomic<bool> stop{false};
  std::thread echo([&] {
    std::vector<uint8_t> buffer(1046);
    const std::vector<uint8_t> reply(kReplyFrameBytes, 0x11);
    while (!stop) {
      if (server.WaitReadable(50) != platform::WaitResult::Ready) continue;
      platform::Endpoint from;
      if (server.Receive(buffer, from) > 0) server.Send(reply, from);
    }
  });
  const std::vector<uint8_t> request(kRequestFrameBytes, 0x22);
  std::vector<uint8_t> buffer(1046);
  for (auto _ : state) {
    client.Send(request, serverEnd);
    platform::Endpoint from;
    while (client.Receive(buffer, from) == 0) client.WaitReadable(1000);
  }
  stop = true;
  echo.join();
}
BENCHMARK(RawUdpPingPong)->UseRealTime();

// CPU time of the whole process over its wall time while a query waits out its three windows
// (4.5 s) for a screen that never answers.
void UnansweredQueryCpuShare(benchmark::State& state) {
  testing::RawScreen nobody;
  DevParam p{};
  p.devType = 1;
  p.rmtPort = nobody.port();
  std::strcpy(p.RmtIP, "127.0.0.1");
  double cpuSeconds = 0;
  double wallSeconds = 0;
  for (auto _ : state) {
    const std::clock_t cpuStart = std::clock();
    const auto wallStart = std::chrono::steady_clock::now();
    benchmark::DoNotOptimize(LED_GetBright(p));
    cpuSeconds += static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC;
    wallSeconds +=
        std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
  }
  state.counters["cpu_percent_of_wall"] = 100.0 * cpuSeconds / wallSeconds;
}
BENCHMARK(UnansweredQueryCpuShare)->Iterations(1)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace
