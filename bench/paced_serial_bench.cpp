// SPDX-License-Identifier: MIT
// A 64 KiB upload over a pseudo-terminal that the simulator paces like a 115200 bit/s line, next
// to the time its bytes take on such a line: every request frame and every acknowledgement frame
// at 10 bits a byte, one after the other, as a stop-and-wait exchange turns the line round after
// each. The goal: the upload within 3 % of that wire time, so the host leaves no idle gaps.
#include <benchmark/benchmark.h>

#include <chrono>
#include <vector>

#include "common/busy_count.h"
#include "link/frame_codec.h"
#include "platform/clock.h"
#include "protocol/packets.h"
#include "protocol/upload.h"
#include "sim/paced_line.h"
#include "sim/simulator.h"
#include "support/test_programs.h"

namespace {

using namespace veltrane;

constexpr uint32_t kLineBitsPerSecond = 115200;
constexpr size_t kProgramBytes = 64 * 1024;

size_t FrameBytes(std::span<const uint8_t> header, std::span<const uint8_t> data = {}) {
  link::FrameBuffer frame;
  return static_cast<size_t>(link::EncodeFrameParts(header, data, frame));
}

// Every byte the upload puts on the line, requests and acknowledgements, escapes included.
size_t WireBytes(const std::vector<uint8_t>& program) {
  const uint32_t pieces = protocol::UploadPieceCount(program.size());
  size_t bytes = 0;
  const auto exchange = [&](uint16_t cmd, uint32_t sequence, std::span<const uint8_t> piece) {
    bytes += FrameBytes(protocol::EncodePacketHeader({cmd, 0, 1, sequence}), piece);
    protocol::ReplyHeader ack;
    ack.value = sequence;
    ack.answeredCmd = cmd;
    ack.status = format::kStatusAcknowledged;
    bytes += FrameBytes(protocol::EncodeReplyHeader(ack));
  };
  exchange(protocol::CMD_UPLOAD_START, 0, {});
  for (uint32_t i = 1; i <= pieces; ++i) {
    const size_t offset = (i - 1) * format::kUploadPieceBytes;
    exchange(protocol::CMD_UPLOAD_DATA, i,
             std::span(program).subspan(
                 offset, std::min(format::kUploadPieceBytes, program.size() - offset)));
  }
  exchange(protocol::CMD_UPLOAD_END, pieces + 1, {});
  return bytes;
}

void UploadOverPacedLine(benchmark::State& state) {
  sim::SimulatorOptions options;
  options.udp = false;
  options.pty = true;
  options.ptyBitsPerSecond = kLineBitsPerSecond;
  sim::Simulator simulator(options);
  simulator.SetValidator(sim::CheckProgramLength);
  std::string error;
  if (!simulator.Start(error)) {
    state.SkipWithError(error.c_str());
    return;
  }
  link::Target target;
  target.transport = link::Transport::Serial;
  target.devicePath = simulator.terminalPath();
  target.bitsPerSecond = 115200;
  target.devAddr = 1;
  const std::vector<uint8_t> program = testing::TestProgram(kProgramBytes);
  const double wireSeconds =
      static_cast<double>(WireBytes(program) * sim::PacedLine::kBitsPerByte) / kLineBitsPerSecond;
  BusyCount busy;
  const protocol::DeviceContext devices{platform::SystemClock(), busy};
  double uploadSeconds = 0;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    if (protocol::UploadProgram(devices, target, program) != Status::Ok)
      state.SkipWithError("the upload failed");
    uploadSeconds +=
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  }
  const double passes = static_cast<double>(state.iterations());
  state.counters["upload_s"] = uploadSeconds / passes;
  state.counters["wire_s"] = wireSeconds;
  state.counters["over_wire_percent"] = 100 * (uploadSeconds / passes / wireSeconds - 1);
}
BENCHMARK(UploadOverPacedLine)->UseRealTime()->Unit(benchmark::kMillisecond)->Iterations(2);

}  // namespace
