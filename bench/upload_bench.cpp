// SPDX-License-Identifier: MIT
// Uploading a 2 MiB program over loopback: to the simulated screen, and side by side with the
// floor a sender can reach: a client that only sends the upload's frames, encoded in advance, on
// a socket connected to the same minimal acknowledging peer, each waiting for its acknowledgement
// in one blocking receive; on one CPU and on two. The goal: the upload reaches at least 97 % of
// the floor's rate on both (the median of five pairs).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <new>
#include <random>
#include <thread>
#include <vector>

#include "api/program_sender.h"
#include "api/program_slots.h"
#include "builder/string_area.h"
#include "common/busy_count.h"
#include "link/frame_codec.h"
#include "platform/clock.h"
#include "platform/ipv4.h"
#include "platform/udp_socket.h"
#include "protocol/packets.h"
#include "protocol/upload.h"
#include "support/cpu_pinning.h"
#include "support/fake_channel.h"
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
// operators and warns at every delete, and where a delete of a vector's storage is inlined, it
// takes the step back to the block's header for a read before the vector's first element.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#pragma GCC diagnostic ignored "-Warray-bounds"

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
    const Status status = protocol::UploadProgram(harness.Devices(), target, program);
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
    BusyCount idle;
    api::ProgramSlots slots(idle);
    liveBytes = peakLiveBytes = 0;
    countingHeap = true;
    const int32_t slot = slots.MakeRoot(1, 1).slot;
    slots.AddLeaf(slot, 0);
    size_t length = 12 + 16;
    while (length + 2084 <= kProgramBytes) {
      slots.Build(slot, [&](builder::Program& program) {
        return builder::AddString(program, {}, text.c_str());
      });
      length += 2084;
    }
    const Status status = api::DoSendToScreen(slots, harness.Devices(), target, slot, true);
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

// The acknowledgement of each frame of UploadFrames, in order.
std::vector<std::vector<uint8_t>> UploadAcks() {
  std::vector<std::vector<uint8_t>> acks;
  const uint32_t last = protocol::UploadPieceCount(kProgramBytes) + 1;
  for (uint32_t sequence = 0; sequence <= last; ++sequence) {
    const uint16_t cmd = sequence == 0      ? protocol::CMD_UPLOAD_START
                         : sequence == last ? protocol::CMD_UPLOAD_END
                                            : protocol::CMD_UPLOAD_DATA;
    acks.push_back(testing::ReplyFrame(cmd, sequence));
  }
  return acks;
}

// A screen reduced to its answers: the k-th datagram of each upload gets the upload's k-th
// acknowledgement, with no decoding and nothing kept but the count (an upload over loopback is
// stop-and-wait without losses, so the k-th datagram to come is packet k). It serves on a thread
// of its own, pinned to `cpu` unless that is negative, and waits with one blocking receive.
class AckingPeer {
 public:
  explicit AckingPeer(int cpu = -1)
      : loopback_(platform::ParseIpv4("127.0.0.1")),
        server_(testing::BoundUdpSocket(loopback_)),
        client_(testing::BoundUdpSocket(loopback_)),
        serverEnd_{loopback_, platform::PortToNetwork(server_.LocalPort())},
        thread_([this, cpu] { Serve(cpu); }) {
    client_.Connect(serverEnd_);
  }
  ~AckingPeer() {
    stop_ = true;
    thread_.join();
  }

  // Where the library uploads to, with the upload frames' device address.
  link::Target Target() const {
    link::Target t;
    t.transport = link::Transport::Udp;
    t.remoteAddress = loopback_;
    t.remotePort = server_.LocalPort();
    t.devAddr = 1;
    return t;
  }

  // One pass of the floor over `frames`: each sent on the connected socket, its answer awaited.
  void Exchange(const std::vector<std::vector<uint8_t>>& frames) {
    for (const auto& frame : frames) {
      client_.Send(frame);
      platform::Endpoint from;
      while (client_.ReceiveWithin(buffer_, from, 1000).length == 0) {
      }
    }
  }

 private:
  void Serve(int cpu) {
    if (cpu >= 0) testing::PinCallingThread(cpu);
    constexpr uint32_t kStopCheckMs = 100;
    std::vector<uint8_t> buffer(link::MaxFrameSize);
    size_t next = 0;
    while (!stop_) {
      platform::Endpoint from;
      if (server_.ReceiveWithin(buffer, from, kStopCheckMs).length == 0) continue;
      server_.Send(acks_[next], from);
      next = (next + 1) % acks_.size();
    }
  }

  const std::vector<std::vector<uint8_t>> acks_ = UploadAcks();
  uint32_t loopback_;
  platform::UdpSocket server_;
  platform::UdpSocket client_;
  platform::Endpoint serverEnd_;
  std::vector<uint8_t> buffer_ = std::vector<uint8_t>(link::MaxFrameSize);
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

void RawStopAndWait(benchmark::State& state) {
  AckingPeer peer;
  const auto frames = UploadFrames();
  for (auto _ : state) peer.Exchange(frames);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kProgramBytes));
  state.counters["packets_per_s"] = benchmark::Counter(
      static_cast<double>(state.iterations() * frames.size()), benchmark::Counter::kIsRate);
}
BENCHMARK(RawStopAndWait)->UseRealTime()->Unit(benchmark::kMillisecond)->MinTime(3);

double Median(std::vector<double> values) {
  std::nth_element(values.begin(), values.begin() + values.size() / 2, values.end());
  return values[values.size() / 2];
}

// Where the two ends run.
enum Placement : int64_t {
  kOneCpu = 0,   // the uploading thread and the peer share one CPU
  kTwoCpus = 1,  // each has a CPU of its own
};

// The upload and the floor in turns against one AckingPeer, so that a busy machine slows both
// alike. Arguments: the program (0 plain, 1 escape-heavy) and the Placement.
// upload_rate_percent is the median, over five pairs, of the upload's rate as a share of the
// floor's (the median, because other work on the machine comes in bursts that hit single
// passes); host_us_per_packet is what the upload adds to each packet, from the medians.
void UploadAgainstRawInTurns(benchmark::State& state) {
  const std::vector<int> cpus = testing::AllowedCpus();
  const bool twoCpus = state.range(1) == kTwoCpus;
  if (cpus.size() < (twoCpus ? 2u : 1u)) {
    state.SkipWithError("not enough CPUs to place the two ends");
    return;
  }
  testing::ScopedPin pinned(cpus[0]);
  AckingPeer peer(twoCpus ? cpus[1] : cpus[0]);
  const link::Target target = peer.Target();
  const std::vector<uint8_t>& program = Program(state.range(0));
  const auto frames = UploadFrames(state.range(0));
  const auto seconds = [](auto&& work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  };
  BusyCount busy;
  const protocol::DeviceContext devices{platform::SystemClock(), busy};
  const auto upload = [&] {
    if (protocol::UploadProgram(devices, target, program) != Status::Ok)
      state.SkipWithError("the upload failed");
  };
  const auto raw = [&] { peer.Exchange(frames); };
  std::vector<double> shares, uploads, raws;
  for (auto _ : state) {
    // Each goes first in every other pair, so that neither gains from what the other left.
    if (shares.size() % 2 == 0) {
      raws.push_back(seconds(raw));
      uploads.push_back(seconds(upload));
    } else {
      uploads.push_back(seconds(upload));
      raws.push_back(seconds(raw));
    }
    shares.push_back(raws.back() / uploads.back());
  }
  if (shares.empty()) return;
  state.counters["upload_ms"] = 1000 * Median(uploads);
  state.counters["raw_ms"] = 1000 * Median(raws);
  state.counters["upload_rate_percent"] = 100 * Median(shares);
  state.counters["host_us_per_packet"] =
      1e6 * (Median(uploads) - Median(raws)) / static_cast<double>(frames.size());
}
BENCHMARK(UploadAgainstRawInTurns)
    ->ArgsProduct({{0, 1}, {kOneCpu, kTwoCpus}})
    ->ArgNames({"program", "placement"})
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);

}  // namespace
