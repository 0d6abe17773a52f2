// The frame codec on a full data packet's body (520 bytes), fast forms next to the plain
// byte-at-a-time forms, on random bytes and on the worst case where every byte is escaped.
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

void CrcFast(benchmark::State& state) {
  const auto body = Body(state.range(0));
  for (auto _ : state) benchmark::DoNotOptimize(link::Crc16(body));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * body.size()));
}

void CrcPlain(benchmark::State& state) {
  const auto body = Body(state.range(0));
  for (auto _ : state) benchmark::DoNotOptimize(link::CrcTwoTable(body));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * body.size()));
}

template <int32_t (*Encode)(std::span<const uint8_t>, std::span<uint8_t>)>
void EncodeBench(benchmark::State& state) {
  const auto body = Body(state.range(0));
  std::vector<uint8_t> out(link::EncodedFrameBound(body.size()));
  for (auto _ : state) {
    benchmark::DoNotOptimize(Encode(body, out));
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * body.size()));
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

// Argument 0: random body; 1: every byte 0x55.
BENCHMARK(CrcFast)->Arg(0)->Arg(1);
BENCHMARK(CrcPlain)->Arg(0)->Arg(1);
BENCHMARK_TEMPLATE(EncodeBench, link::EncodeFrame)->Name("EncodeFast")->Arg(0)->Arg(1);
BENCHMARK_TEMPLATE(EncodeBench, testing::EncodeFramePlain)->Name("EncodePlain")->Arg(0)->Arg(1);
BENCHMARK_TEMPLATE(DecodeBench, link::DecodeFrame)->Name("DecodeFast")->Arg(0)->Arg(1);
BENCHMARK_TEMPLATE(DecodeBench, testing::DecodeFramePlain)->Name("DecodePlain")->Arg(0)->Arg(1);

}  // namespace
