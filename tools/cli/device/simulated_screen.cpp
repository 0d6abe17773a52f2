// SPDX-License-Identifier: MIT
#include "simulated_screen.h"

#include <atomic>
#include <cstdio>
#include <filesystem>

#include "builder/clock_area.h"
#include "builder/date_time_area.h"
#include "builder/program.h"
#include "builder/text_area.h"
#include "builder/window_area.h"
#include "commands.h"
#include "common/status.h"
#include "common/status_text.h"
#include "platform/clock.h"
#include "platform/text_codec.h"
#include "preview.h"
#include "program/program_reader.h"
#include "screen_commands.h"
#include "sim/command_line.h"
#include "sim/screen.h"
#include "sim/serve.h"
#include "sim/simulator.h"
#include "veltrane/veltrane.h"

namespace veltrane::cli {
namespace {

// What the screen shows for `block` now, as a PNG at `file`; an empty string or what went wrong.
std::string WriteWhatTheScreenShows(std::span<const uint8_t> block,
                                    const std::filesystem::path& file,
                                    image::RgbImage* written = nullptr,
                                    PreviewStyle style = PreviewStyle::Squares) {
  const program::ReadResult read = program::ReadProgram(block);
  if (!read.ok()) return "the program does not read back: " + read.defect().message;
  const auto pictured = PictureProgram(read.program(), block, platform::SystemClock().Local(),
                                       {.scale = kDefaultPreviewScale, .style = style});
  if (!pictured) return StatusText(pictured.error());
  const image::RgbImage& picture = *pictured;
  if (written != nullptr) *written = picture;
  return WritePicture(file, picture);
}

// A 16 x 16 logo drawn here, as a host program would draw its own picture: a yellow frame, a red
// diagonal and a green dot, as blue-green-red bytes.
std::vector<uint8_t> DemoLogo() {
  std::vector<uint8_t> bgr(16 * 16 * 3, 0);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) {
      uint8_t* p = &bgr[(y * 16 + x) * 3];
      if (x == 0 || y == 0 || x == 15 || y == 15)
        p[1] = p[2] = 255;
      else if (x == y)
        p[2] = 255;
      else if ((x - 11) * (x - 11) + (y - 4) * (y - 4) <= 4)
        p[1] = 255;
    }
  return bgr;
}

// One page: a line of text, the live time, the weekday, an analog clock and a bitmap.
std::optional<std::vector<uint8_t>> BuildDemoProgram() {
  builder::Program program(1, 2);
  const platform::TextEncoding encoding;
  platform::Clock& clock = platform::SystemClock();
  const std::vector<uint8_t> logo = DemoLogo();
  const Status steps[] = {
      program.AddLeaf(0),
      builder::AddText(program, {{0, 0, 112, 16}, 0, 0, 0}, {9, 0x00FFFF}, "Veltrane demo",
                       "DejaVu Sans", encoding),
      builder::AddDateTime(program, {0, 16, 64, 32}, {"DejaVu Sans Mono", 9, 0x00FF00}, 3, 0,
                           encoding, clock),
      builder::AddDateTime(program, {64, 16, 112, 32}, {"DejaVu Sans", 9, 0x0000FF}, 10, 0,
                           encoding, clock),
      builder::AddClock(program, {112, 0, 144, 32}, 0,
                        {0x0000FF, 0x00FF00, 0x00FFFF, 0x00FF00, 0x0000FF, 0}),
      builder::AddWindow(program, {{144, 8, 160, 24}, 0, 0, 0}, {logo.data(), 16, 16, 48, 3}, 16,
                         16),
  };
  for (const Status& step : steps)
    if (step != Status::Ok) return std::nullopt;
  return program.Bytes();
}

}  // namespace

int RunScreen(const sim::CommandLine& line, const std::string& renderFolder,
              PreviewStyle renderStyle) {
  if (line.version) {
    std::puts("veltrane " VELTRANE_VERSION_STRING);
    return kExitOk;
  }
  if (const std::string error = sim::CheckCommandLine(line); !error.empty()) {
    SayError("screen: " + error);
    return kExitUsage;
  }
  std::error_code error;
  if (!renderFolder.empty() && !std::filesystem::create_directories(renderFolder, error) && error) {
    SayError("cannot create " + renderFolder + ": " + error.message());
    return kExitUsage;
  }
  std::atomic<int> received{0};
  return sim::ServeUntilSignalled(
      sim::ServingOptions(line, "veltrane"), "veltrane", [&](sim::Simulator& simulator) {
        if (renderFolder.empty()) return;
        simulator.SetValidator([&, renderFolder, renderStyle](std::span<const uint8_t> program) {
          std::optional<std::string> defect = sim::CheckProgram(program);
          if (defect) return defect;
          const auto file = std::filesystem::path(renderFolder) /
                            ("program-" + std::to_string(++received) + ".png");
          const std::string problem = WriteWhatTheScreenShows(program, file, nullptr, renderStyle);
          std::printf("%s %s\n", problem.empty() ? "wrote" : "could not write",
                      file.string().c_str());
          std::fflush(stdout);
          return defect;
        });
      });
}

int Demo(const std::filesystem::path& output) {
  sim::SimulatorOptions options;
  options.udpPort = 0;  // any free port on 127.0.0.1
  sim::Simulator screen(options);
  std::string error;
  if (!screen.Start(error)) {
    SayError("cannot start a simulated screen: " + error);
    return kExitScreen;
  }
  std::printf("started a simulated screen on udp 127.0.0.1:%u\n",
              static_cast<unsigned>(screen.udpPort()));

  const std::optional<std::vector<uint8_t>> block = BuildDemoProgram();
  if (!block) {
    SayError("could not build the demo program (is a font installed?)");
    return kExitUsage;
  }
  std::printf(
      "built a program of %zu bytes: one page with a line of text, the live time, the "
      "weekday, an analog clock and a bitmap\n",
      block->size());

  Connection connection;
  connection.udp = "127.0.0.1:" + std::to_string(screen.udpPort());
  const int sent = Send(connection, *block);
  if (sent != kExitOk) return sent;
  if (screen.LastProgram() != *block) {
    SayError("the screen did not keep the program: " + screen.State().lastRejection);
    return kExitScreen;
  }
  image::RgbImage picture;
  if (const std::string problem = WriteWhatTheScreenShows(screen.LastProgram(), output, &picture);
      !problem.empty()) {
    SayError(problem);
    return kExitUsage;
  }
  std::printf("the screen accepted the program; what it shows now is in %s (%d x %d pixels)\n",
              std::filesystem::absolute(output).string().c_str(), picture.width, picture.height);
  return kExitOk;
}

}  // namespace veltrane::cli
