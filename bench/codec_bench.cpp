// SPDX-License-Identifier: MIT
// The frame codec on a full data packet's body (520 bytes), fast forms next to the plain
// byte-at-a-time forms, on random bytes and on the worst case where every byte is escaped; the
// encoder and the CRC also on a different random body each time, as an upload's pieces come.
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "link/crc16.h"
#include "link/frame_codec.h"
#include "support/reference_codec.h"

namespace {

using namespace veltrane;

constexpr size_t kBodyBytes = 520;

std::vector<uint8_t> Body(bool worstCase) {
  std::vector<uint8_t> body(kBodyBytes, 0x55);
  if (!worstCase) {
    std::mt19937 random(1);
    for (auto& b : body) b = static_cast<uint8_t>(random());
  }
  return body;
}

constexpr int64_t kFreshBodies = 2;  // the argument for a different body each time

// The bodies a benchmark cycles through: for kFreshBodies 4096 random ones (2 MiB, an upload's
// worth, which the branch predictor cannot learn), otherwise the one Body.
class Bodies {
 public:
  explicit Bodies(int64_t kind) {
    if (kind != kFreshBodies) {
      bytes_ = Body(kind != 0);
      return;
    }
    bytes_.resize(kBodyBytes * 4096);
    std::mt19937 random(2);
    for (auto& b : bytes_) b = static_cast<uint8_t>(random());
  }

  std::span<const uint8_t> Next() {
    const std::span<const uint8_t> body(bytes_.data() + offset_, kBodyBytes);
    offset_ = (offset_ + kBodyBytes) % bytes_.size();
    return body;
  }

 private:
  std::vector<uint8_t> bytes_;
  size_t offset_ = 0;
};

template <uint16_t (*Crc)(std::span<const uint8_t>, uint16_t)>
void CrcBench(benchmark::State& state) {
  Bodies bodies(state.range(0));
  for (auto _ : state) benchmark::DoNotOptimize(Crc(bodies.Next(), link::kCrcInitial));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kBodyBytes));
}

template <int32_t (*Encode)(std::span<const uint8_t>, std::span<uint8_t>)>
void EncodeBench(benchmark::State& state) {
  Bodies bodies(state.range(0));
  std::vector<uint8_t> out(link::EncodedFrameBound(kBodyBytes));
  for (auto _ : state) {
    benchmark::DoNotOptimize(Encode(bodies.Next(), out));
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kBodyBytes));
}

template <int32_t (*Decode)(std::span<const uint8_t>, std::span<uint8_t, link::MaxFrameSize>)>
void DecodeBench(benchmark::State& state) {
  const auto body = Body(state.range(0));
  std::vector<uint8_t> frame(link::EncodedFrameBound(body.size()));
  frame.resize(static_cast<size_t>(link::EncodeFrame(body, frame)));
  link::FrameBuffer out;
  for (auto _ : state) {
    benchmark::DoNotOptimize(Decode(frame, out));
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * body.size()));
}

// Argument 0: random body; 1: every byte 0x55; 2 (kFreshBodies): a different random body each
// time.
BENCHMARK_TEMPLATE(CrcBench, link::Crc16)->Name("CrcFast")->Arg(0)->Arg(1)->Arg(kFreshBodies);
BENCHMARK_TEMPLATE(CrcBench, link::CrcTwoTable)->Name("CrcPlain")->Arg(0)->Arg(1);
BENCHMARK_TEMPLATE(EncodeBench, link::EncodeFrame)
    ->Name("EncodeFast")
    ->Arg(0)
    ->Arg(1)
    ->Arg(kFreshBodies);
BENCHMARK_TEMPLATE(EncodeBench, testing::EncodeFramePlain)->Name("EncodePlain")->Arg(0)->Arg(1);
BENCHMARK_TEMPLATE(DecodeBench, link::DecodeFrame)->Name("DecodeFast")->Arg(0)->Arg(1);
BENCHMARK_TEMPLATE(DecodeBench, testing::DecodeFramePlain)->Name("DecodePlain")->Arg(0)->Arg(1);

}  // namespace
