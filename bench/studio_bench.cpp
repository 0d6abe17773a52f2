// SPDX-License-Identifier: MIT
// The studio's answer to one change of the page, for a 128 x 64 two-page program with a clock
// at the page's zoom: the whole answer over HTTP on loopback, and its parts alone (the program
// file read and built, its picture drawn as LED dots, that picture encoded as a PNG). Each
// change sets another text size, as the browser test's do.
#include <benchmark/benchmark.h>
#include <httplib.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>

#include "platform/tools/process_limits.h"
#include "preview.h"
#include "previews.h"
#include "server.h"

namespace {

using namespace veltrane;
namespace fs = std::filesystem;
using nlohmann::json;

constexpr const char* kToken = "0123456789abcdef";
constexpr int kZoom = 6;

std::string Program(int textSize) {
  return R"({"screen": {"width": 128, "height": 64}, "pages": [
    {"areas": [{"kind": "text", "rect": [0, 0, 96, 16], "text": "Level 2: 45 free", "size": )" +
         std::to_string(textSize) + R"(, "color": "yellow"},
               {"kind": "clock", "rect": [96, 0, 128, 32]},
               {"kind": "image", "rect": [16, 40, 32, 56], "file": "logo.png"}]},
    {"areas": [{"kind": "datetime", "rect": [0, 0, 64, 16], "format": "time-seconds",
                "color": "green"}]}]})";
}

// The text sizes the changes step through.
int SizeOf(int64_t change) { return 8 + static_cast<int>(change % 3); }

const fs::path& Folder() {
  static const fs::path folder = [] {
    fs::path made = fs::temp_directory_path() / "veltrane_studio_bench";
    fs::create_directories(made);
    fs::copy_file(fs::path(VELTRANE_SOURCE_DIR) / "examples" / "logo.png", made / "logo.png",
                  fs::copy_options::overwrite_existing);
    return made;
  }();
  return folder;
}

// Each benchmark runs with the memory the studio keeps: without it, this process would spend
// most of a preview having the system hand it zeroed pages, as the studio does not.
void AsTheStudioRuns() { platform::KeepFreedMemory(studio::kPreviewMemory); }

studio::PictureAsk Ask() {
  studio::PictureAsk ask;
  ask.at = {2026, 12, 3, 9, 10, 8, 30, 0};
  ask.scale = kZoom;
  return ask;
}

std::shared_ptr<const studio::BuiltProgram> Built(const std::string& program) {
  return studio::BuildPageProgram(studio::StudioFolder(Folder()), {program, ""}).value();
}

image::RgbImage Drawn(const studio::BuiltProgram& program) {
  const cli::PreviewLook look{kZoom, cli::PreviewStyle::Dots, false, std::nullopt,
                              render::PictureSize{128, 64}};
  return cli::PictureProgram(program.tree, program.block, Ask().at, look).value();
}

void PreviewAnswer(benchmark::State& state) {
  AsTheStudioRuns();
  studio::StudioServer server(Folder(), kToken);
  const int port = server.Bind("127.0.0.1", 0).value_or(0);
  server.Start();
  httplib::Client client("127.0.0.1", port);
  client.set_tcp_nodelay(true);  // as a browser sends: the body does not wait for an ack
  const httplib::Headers page = {{"Cookie", std::string("veltrane_studio=") + kToken},
                                 {"X-Veltrane-Token", kToken},
                                 {"Accept-Encoding", "gzip, deflate, br"}};
  int64_t change = 0;
  for (auto _ : state) {
    const json ask = {
        {"program", Program(SizeOf(change++))}, {"at", "2026-12-09 10:08:30"}, {"scale", kZoom}};
    const auto answer = client.Post("/api/preview", page, ask.dump(), "application/json");
    if (!answer || answer->status != 200) state.SkipWithError("the studio did not answer");
  }
  server.Stop();
}

void BuildProgram(benchmark::State& state) {
  AsTheStudioRuns();
  int64_t change = 0;
  for (auto _ : state) benchmark::DoNotOptimize(Built(Program(SizeOf(change++))));
}

void DrawPicture(benchmark::State& state) {
  AsTheStudioRuns();
  const auto program = Built(Program(9));
  for (auto _ : state) benchmark::DoNotOptimize(Drawn(*program));
}

void EncodePicture(benchmark::State& state) {
  AsTheStudioRuns();
  const image::RgbImage picture = Drawn(*Built(Program(9)));
  size_t bytes = 0;
  for (auto _ : state) bytes = image::EncodePng(picture, image::PngEffort::Fast)->size();
  state.counters["png_bytes"] = static_cast<double>(bytes);
}

}  // namespace

BENCHMARK(PreviewAnswer)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BuildProgram)->Unit(benchmark::kMillisecond);
BENCHMARK(DrawPicture)->Unit(benchmark::kMillisecond);
BENCHMARK(EncodePicture)->Unit(benchmark::kMillisecond);
