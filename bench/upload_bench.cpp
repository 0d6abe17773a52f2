// Uploading a 2 MiB program to the simulated screen over loopback, next to a raw UDP
// stop-and-wait exchange of exactly the same datagrams (the upload's frames out, a 16-byte
// acknowledgement frame back) with an echo that does no work. The goal: the upload reaches at
// least 90 % of the raw exchange's rate.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <new>
#include <random>
#include <thread>
#include <vector>

#include "builder/program_sender.h"
#include "builder/program_slot.h"
#include "builder/string_area.h"
#include "link/frame_codec.h"
#include "platform/ipv4.h"
#include "platform/udp_socket.h"
#include "platform/wait.h"
#include "protocol/packets.h"
#include "protocol/upload.h"
#include "support/screen_harness.h"
#include "support/test_programs.h"
#include "support/udp_sockets.h"

namespace {

using namespace veltrane;

// Heap use of the calling thread, so that the upload's own allocations can be told from the
// simulator's (which runs on a thread of its own).
thread_local bool countingHeap = false;
thread_local size_t heapBytes = 0;
// Bytes allocated on the counting thread and not yet freed, and their high-water mark.
thread_local int64_t liveBytes = 0;
thread_local int64_t peakLiveBytes = 0;

// Each block carries its size and whether it was counted, so that frees balance allocations.
struct alignas(std::max_align_t) BlockHeader {
  size_t size;
  bool counted;
};

}  // namespace

// The replacements below pair malloc with free; GCC cannot see that through the inlined
// operators and warns at every delete.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

void* operator new(size_t size) {
  auto* header = static_cast<BlockHeader*>(std::malloc(sizeof(BlockHeader) + size));
  if (header == nullptr) throw std::bad_alloc();
  *header = {size, countingHeap};
  if (countingHeap) {
    heapBytes += size;
    liveBytes += static_cast<int64_t>(size);
    peakLiveBytes = std::max(peakLiveBytes, liveBytes);
  }
  return header + 1;
}
void* operator new[](size_t size) { return operator new(size); }
void* operator new(size_t size, const std::nothrow_t&) noexcept {
  try {
    return operator new(size);
  } catch (...) {
    return nullptr;
  }
}
void* operator new[](size_t size, const std::nothrow_t& tag) noexcept {
  return operator new(size, tag);
}
void operator delete(void* p) noexcept {
  if (p == nullptr) return;
  BlockHeader* header = static_cast<BlockHeader*>(p) - 1;
  if (header->counted) liveBytes -= static_cast<int64_t>(header->size);
  std::free(header);
}
void operator delete(void* p, size_t) noexcept { operator delete(p); }
void operator delete[](void* p) noexcept { operator delete(p); }
void operator delete[](void* p, size_t) noexcept { operator delete(p); }

namespace {

constexpr size_t kProgramBytes = 2 * 1024 * 1024;
constexpr size_t kAckFrameBytes = 16;

// Program 0: uniformly random bytes after the root record, so about one byte in 85 needs
// escaping, as in real rasters. Program 1: the escape-heavy blocks the tests use (a third of the
// bytes escaped), the codec's worst realistic load.
const std::vector<uint8_t>& Program(int64_t kind = 0) {
  static const std::vector<uint8_t> escapeHeavy = testing::TestProgram(kProgramBytes, 7);
  static const std::vector<uint8_t> plain = [] {
    std::vector<uint8_t> p = escapeHeavy;
    std::mt19937 random(7);
    for (size_t i = 12; i < p.size(); ++i) p[i] = static_cast<uint8_t>(random());
    return p;
  }();
  return kind == 0 ? plain : escapeHeavy;
}

void UploadToSimulator(benchmark::State& state) {
  testing::ScreenHarness harness;
  const link::Target target = harness.UdpTarget();
  const std::vector<uint8_t>& program = Program();
  size_t uploadHeapBytes = 0;
  for (auto _ : state) {
    heapBytes = 0;
    countingHeap = true;
    const Status status = protocol::UploadProgram(target, program);
    countingHeap = false;
    uploadHeapBytes = std::max(uploadHeapBytes, heapBytes);
    if (status != Status::Ok) state.SkipWithError("the upload failed");
  }
  // What sending adds on top of the program block itself: the upload works in fixed stack buffers.
  state.counters["upload_heap_bytes"] = static_cast<double>(uploadHeapBytes);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kProgramBytes));
  state.counters["packets_per_s"] = benchmark::Counter(
      static_cast<double>(state.iterations() * (protocol::UploadPieceCount(kProgramBytes) + 2)),
      benchmark::Counter::kIsRate);
}
BENCHMARK(UploadToSimulator)->UseRealTime()->Unit(benchmark::kMillisecond)->MinTime(3);

// Building a 2 MiB program of string areas and sending it from its slot: the most heap the
// building and sending thread holds at once, as a multiple of the program's size.
void BuildAndSendPeakMemory(benchmark::State& state) {
  testing::ScreenHarness harness;
  const link::Target target = harness.UdpTarget();
  const std::string text(2047, 'x');
  double worstRatio = 0;
  for (auto _ : state) {
    builder::ReleaseAllSlots();
    liveBytes = peakLiveBytes = 0;
    countingHeap = true;
    const int32_t slot = builder::MakeRoot(1, 1);
    builder::AddLeaf(slot, 0);
    size_t length = 12 + 16;
    while (length + 2084 <= kProgramBytes) {
      builder::AddString(slot, {}, text.c_str());
      length += 2084;
    }
    const Status status = builder::DoSendToScreen(target, slot, true);
    countingHeap = false;
    if (status != Status::Ok) state.SkipWithError("the upload failed");
    worstRatio =
        std::max(worstRatio, static_cast<double>(peakLiveBytes) / static_cast<double>(length));
    state.counters["program_bytes"] = static_cast<double>(length);
  }
  state.counters["peak_heap_per_program_byte"] = worstRatio;
}
BENCHMARK(BuildAndSendPeakMemory)->UseRealTime()->Unit(benchmark::kMillisecond)->Iterations(3);

// The upload's frames, built once as the upload builds them.
std::vector<std::vector<uint8_t>> UploadFrames(int64_t kind = 0) {
  std::vector<std::vector<uint8_t>> frames;
  const auto frameOf = [&](uint16_t cmd, uint32_t sequence, std::span<const uint8_t> piece) {
    link::FrameBuffer frame;
    const auto header = protocol::EncodePacketHeader({cmd, 0, 1, sequence});
    const int32_t n = link::EncodeFrameParts(header, piece, frame);
    frames.emplace_back(frame.begin(), frame.begin() + n);
  };
  const uint32_t pieces = protocol::UploadPieceCount(kProgramBytes);
  frameOf(protocol::CMD_UPLOAD_START, 0, {});
  for (uint32_t i = 1; i <= pieces; ++i)
    frameOf(protocol::CMD_UPLOAD_DATA, i,
            std::span(Program(kind))
                .subspan((i - 1) * format::kUploadPieceBytes, format::kUploadPieceBytes));
  frameOf(protocol::CMD_UPLOAD_END, pieces + 1, {});
  return frames;
}

// A peer that answers every datagram with a 16-byte acknowledgement and does nothing else.
class EchoPeer {
 public:
  EchoPeer()
      : loopback_(platform::ParseIpv4("127.0.0.1")),
        server_(testing::BoundUdpSocket(loopback_)),
        client_(testing::BoundUdpSocket(loopback_)),
        serverEnd_{loopback_, platform::PortToNetwork(server_.LocalPort())},
        thread_([this] { Serve(); }) {}
  ~EchoPeer() {
    stop_ = true;
    thread_.join();
  }

  // One stop-and-wait pass over `frames`: each sent, its acknowledgement awaited.
  void Exchange(const std::vector<std::vector<uint8_t>>& frames) {
    for (const auto& frame : frames) {
      client_.Send(frame, serverEnd_);
      platform::Endpoint from;
      while (client_.Receive(buffer_, from) == 0) client_.WaitReadable(1000);
    }
  }

 private:
  void Serve() {
    std::vector<uint8_t> buffer(link::MaxFrameSize);
    const std::vector<uint8_t> ack(kAckFrameBytes, 0x11);
    while (!stop_) {
      if (server_.WaitReadable(50) != platform::WaitResult::Ready) continue;
      platform::Endpoint from;
      if (server_.Receive(buffer, from) > 0) server_.Send(ack, from);
    }
  }

  uint32_t loopback_;
  platform::UdpSocket server_;
  platform::UdpSocket client_;
  platform::Endpoint serverEnd_;
  std::vector<uint8_t> buffer_ = std::vector<uint8_t>(link::MaxFrameSize);
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

void RawStopAndWait(benchmark::State& state) {
  EchoPeer peer;
  const auto frames = UploadFrames();
  for (auto _ : state) peer.Exchange(frames);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kProgramBytes));
  state.counters["packets_per_s"] = benchmark::Counter(
      static_cast<double>(state.iterations() * frames.size()), benchmark::Counter::kIsRate);
}
BENCHMARK(RawStopAndWait)->UseRealTime()->Unit(benchmark::kMillisecond)->MinTime(3);

// The two in turns, so that a busy machine slows both alike. upload_rate_percent is the median,
// over the pairs, of the upload's rate as a share of the raw exchange's (the median, because other
// work on the machine comes in bursts that hit single passes).
void UploadAgainstRawInTurns(benchmark::State& state) {
  testing::ScreenHarness harness;
  const link::Target target = harness.UdpTarget();
  EchoPeer peer;
  const auto frames = UploadFrames(state.range(0));
  std::vector<double> shares;
  double uploadSeconds = 0;
  double rawSeconds = 0;
  for (auto _ : state) {
    const auto rawStart = std::chrono::steady_clock::now();
    peer.Exchange(frames);
    const auto uploadStart = std::chrono::steady_clock::now();
    if (protocol::UploadProgram(target, Program(state.range(0))) != Status::Ok)
      state.SkipWithError("the upload failed");
    const auto end = std::chrono::steady_clock::now();
    const double raw = std::chrono::duration<double>(uploadStart - rawStart).count();
    const double upload = std::chrono::duration<double>(end - uploadStart).count();
    rawSeconds += raw;
    uploadSeconds += upload;
    shares.push_back(raw / upload);
  }
  const double passes = static_cast<double>(state.iterations());
  std::nth_element(shares.begin(), shares.begin() + shares.size() / 2, shares.end());
  state.counters["upload_ms"] = 1000 * uploadSeconds / passes;
  state.counters["raw_ms"] = 1000 * rawSeconds / passes;
  state.counters["upload_rate_percent"] = 100 * shares[shares.size() / 2];
}
BENCHMARK(UploadAgainstRawInTurns)
    ->Arg(0)
    ->Arg(1)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond)
    ->MinTime(5);

}  // namespace
