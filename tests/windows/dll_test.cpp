// SPDX-License-Identifier: MIT
// veltrane.dll as a Windows host uses it: loaded by name, every export found by name and by
// ordinal, device commands and uploads against veltrane-screen (on Linux, across Wine) over
// loopback UDP and over a COM port that is the simulator's pseudo-terminal, GDI pictures and
// text. The runner (run_under_wine.sh) passes where things are in the environment:
//   VELTRANE_SCREEN_UDP_PORT  the simulator's UDP port on 127.0.0.1
//   VELTRANE_SCREEN_COM_PORT  the COM port number mapped to its pseudo-terminal
//   VELTRANE_FILE_AS_COM_PORT the COM port number mapped to a regular file, and
//   VELTRANE_FILE_AS_COM_PATH that file's path
//   VELTRANE_SAVED_PROGRAMS   the folder where it keeps each program it accepts (program-N.bin)
//   VELTRANE_LINUX_SAMPLES    the folder of the Linux build's sample programs (clock first)
//   VELTRANE_FLEET_UDP_PORT   the first UDP port of a second simulator's four screens
//   VELTRANE_FLEET_PROGRAMS   the folder where those four keep the programs they accept
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "format/date_time.h"
#include "program/program_reader.h"
#include "samples.h"
#include "veltrane/veltrane.h"

namespace {

namespace fs = std::filesystem;
using veltrane::program::ReadProgram;

std::string Setting(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

std::vector<uint8_t> ReadFile(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The program the simulator accepted last (the highest program-N.bin).
std::vector<uint8_t> LastSavedProgram() {
  int newest = 0;
  for (const auto& entry : fs::directory_iterator(Setting("VELTRANE_SAVED_PROGRAMS"))) {
    const std::string name = entry.path().filename().string();
    if (name.rfind("program-", 0) == 0) newest = std::max(newest, std::atoi(name.c_str() + 8));
  }
  if (newest == 0) return {};
  return ReadFile(fs::path(Setting("VELTRANE_SAVED_PROGRAMS")) /
                  ("program-" + std::to_string(newest) + ".bin"));
}

DevParam UdpScreen() {
  DevParam param{};
  param.devType = 1;
  param.rmtPort = std::atoi(Setting("VELTRANE_SCREEN_UDP_PORT").c_str());
  std::strcpy(param.RmtIP, "127.0.0.1");
  param.devAddr = 1;
  return param;
}

DevParam SerialScreen() {
  DevParam param{};
  param.devType = 0;
  param.speed = 3;
  param.locPort = std::atoi(Setting("VELTRANE_SCREEN_COM_PORT").c_str());
  param.devAddr = 1;
  return param;
}

// Every test runs between LED_Init and LED_Cleanup, as a host's calls do.
class Library : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(LED_Init(), 1); }
  void TearDown() override { EXPECT_EQ(LED_Cleanup(), 0); }
};

struct Export {
  int ordinal;
  const char* name;
};

constexpr Export kExports[] = {
    {1, "AddClock"},
    {2, "AddDateTime"},
    {3, "AddLeaf"},
    {4, "AddString"},
    {5, "AddText"},
    {6, "AddWindow"},
    {7, "LED_AdjustTime"},
    {8, "LED_Cleanup"},
    {9, "LED_GetBright"},
    {10, "LED_GetPower"},
    {11, "LED_Init"},
    {12, "LED_ReleaseMem"},
    {13, "LED_Reset"},
    {14, "LED_SendToScreen"},
    {15, "LED_SetBright"},
    {16, "_LED_SetDebugFlag@4"},
    {17, "LED_SetPower"},
    {18, "MakeRoot"},
    {19, "SetSenderEnable"},
    {20, "_XR_LED_PowerOff@20"},
    {21, "_XR_LED_PowerOn@20"},
    {22, "_XR_LED_ResiveTime@20"},
    {23, "_XR_LED_SendData@24"},
    {24, "LED_SetMessageHandler"},
    {25, "LED_SetTextEncoding"},
    {26, "LED_GetVersion"},
    {27, "LED_GetLastError"},
    {28, "LED_GetLastErrorText"},
    {29, "LED_FleetOpen"},
    {30, "LED_FleetClose"},
    {31, "LED_FleetSend"},
    {32, "LED_FleetCommand"},
    {33, "LED_FleetCancel"},
};

TEST(Exports, EachNameAndItsOrdinalReachTheSameFunction) {
  const HMODULE dll = LoadLibraryA("veltrane.dll");
  ASSERT_NE(dll, nullptr);
  for (const Export& e : kExports) {
    SCOPED_TRACE(e.name);
    const FARPROC byName = GetProcAddress(dll, e.name);
    const FARPROC byOrdinal = GetProcAddress(dll, MAKEINTRESOURCEA(e.ordinal));
    EXPECT_NE(byName, nullptr);
    EXPECT_EQ(byName, byOrdinal);
  }
  // The decorated names have no plain twin, and Windows needs no COM path map.
  for (const char* absent : {"LED_SetDebugFlag", "XR_LED_PowerOn", "XR_LED_PowerOff",
                             "XR_LED_ResiveTime", "XR_LED_SendData", "LED_SetComPortPath"}) {
    EXPECT_EQ(GetProcAddress(dll, absent), nullptr) << absent;
  }
  FreeLibrary(dll);
}

std::string lastMessage;
void VELTRANE_CALL KeepMessage(const char* text, void*) { lastMessage = text; }

TEST_F(Library, SwitchesAndTheDebugTextReachTheHandler) {
  EXPECT_EQ(SetSenderEnable(7), 0);
  EXPECT_EQ(LED_SetDebugFlag(5), 5);
  EXPECT_EQ(XR_LED_SendData("127.0.0.1", 0, 0, 0, nullptr, 0), 1);
  LED_SetMessageHandler(KeepMessage, nullptr);
  DevParam param = UdpScreen();
  param.locPort = 5000;
  param.speed = 3;
  LED_GetPower(param);
  EXPECT_EQ(lastMessage, "devType=1\r\nlocPort=5000\r\nspeed=3\r\nrmtPort=" +
                             Setting("VELTRANE_SCREEN_UDP_PORT") + "\r\nRmtIP=127.0.0.1");
  LED_SetDebugFlag(0);
  LED_SetMessageHandler(nullptr, nullptr);
  SetSenderEnable(1);
}

struct Transport {
  const char* name;
  DevParam (*screen)();
};

class Device : public Library, public ::testing::WithParamInterface<Transport> {};

TEST_P(Device, CommandsAreAnswered) {
  const DevParam screen = GetParam().screen();
  EXPECT_EQ(LED_SetPower(screen, 1), 1);
  EXPECT_EQ(LED_GetPower(screen), 1);
  EXPECT_EQ(LED_SetBright(screen, 9), 1);
  EXPECT_EQ(LED_GetBright(screen), 9);
  EXPECT_EQ(LED_Reset(screen), 1);
  EXPECT_EQ(LED_AdjustTime(screen), 1);
}

TEST_P(Device, AProgramUploadsWhole) {
  // Over 512 bytes, so that the upload takes several data packets.
  const std::string text(700, 'x');
  const int32_t slot = MakeRoot(1, 1);
  ASSERT_NE(slot, 0);
  ASSERT_EQ(AddLeaf(slot, 1), 1);
  ASSERT_EQ(AddString(slot, LedRect{0, 0, 64, 16}, 2, text.c_str(), 1, 2, 3, 4), 1);
  ASSERT_EQ(LED_SendToScreen(GetParam().screen(), slot), 1);
  const std::vector<uint8_t> saved = LastSavedProgram();
  ASSERT_TRUE(ReadProgram(saved).ok());
  EXPECT_NE(std::search(saved.begin(), saved.end(), text.begin(), text.end()), saved.end());
}

TEST_P(Device, AMissingPortOrSocketIsRefused) {
  DevParam screen = GetParam().screen();
  if (screen.devType == 0)
    screen.locPort = 200;  // no such COM port in the prefix
  else
    screen.devType = 2;
  EXPECT_EQ(LED_SetPower(screen, 1), -1);
}

// A COM port that is a file (as the runner links one in the prefix) is no serial line: the call
// fails without a byte written to the file.
TEST_F(Library, AComPortThatIsAFileIsRefusedUntouched) {
  const std::string file = Setting("VELTRANE_FILE_AS_COM_PATH");
  const std::vector<uint8_t> before = ReadFile(file);
  ASSERT_FALSE(before.empty()) << file;
  DevParam param = SerialScreen();
  param.locPort = std::atoi(Setting("VELTRANE_FILE_AS_COM_PORT").c_str());
  EXPECT_EQ(LED_GetPower(param), -1);
  EXPECT_EQ(LED_GetLastError(), VELTRANE_ERROR_NO_DEVICE);
  EXPECT_NE(std::string(LED_GetLastErrorText()).find("is not a serial line"), std::string::npos)
      << LED_GetLastErrorText();
  EXPECT_EQ(LED_SetPower(param, 0), -1);
  EXPECT_EQ(ReadFile(file), before);
}

INSTANTIATE_TEST_SUITE_P(Transports, Device,
                         ::testing::Values(Transport{"udp", UdpScreen},
                                           Transport{"com", SerialScreen}),
                         [](const auto& info) { return std::string(info.param.name); });

int progressCalls = 0;
void VELTRANE_CALL CountProgress(int32_t, uint32_t, uint32_t, void*) { ++progressCalls; }

TEST_F(Library, AFleetOfFourScreensTakesOneProgram) {
  DevParam screens[4];
  for (int i = 0; i < 4; ++i) {
    screens[i] = UdpScreen();
    screens[i].rmtPort = std::atoi(Setting("VELTRANE_FLEET_UDP_PORT").c_str()) + i;
  }
  const int32_t fleet = LED_FleetOpen(screens, 4);
  ASSERT_GT(fleet, 0);
  const std::string text(700, 'y');
  const int32_t slot = MakeRoot(1, 1);
  ASSERT_EQ(AddLeaf(slot, 1), 1);
  ASSERT_EQ(AddString(slot, LedRect{0, 0, 64, 16}, 2, text.c_str(), 1, 2, 3, 4), 1);
  LedFleetOptions options{};
  options.jobs = 2;
  options.progress = CountProgress;
  LedFleetResult results[4];
  EXPECT_EQ(LED_FleetSend(fleet, slot, &options, results), 4);
  for (const LedFleetResult& result : results) {
    EXPECT_EQ(result.error, VELTRANE_ERROR_NONE);
    EXPECT_EQ(result.packetsDone, result.packetsTotal);
  }
  EXPECT_GE(progressCalls, 4);
  const auto saved = std::distance(fs::directory_iterator(Setting("VELTRANE_FLEET_PROGRAMS")),
                                   fs::directory_iterator());
  EXPECT_EQ(saved, 4);
  EXPECT_EQ(LED_FleetCommand(fleet, VELTRANE_FLEET_GET_POWER, 0, nullptr, results), 4);
  EXPECT_EQ(LED_FleetClose(fleet), 1);
}

// The sample picture drawn into a memory DC, one pixel at a time.
class SampleDc {
 public:
  SampleDc() : dc_(CreateCompatibleDC(nullptr)) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = kSampleWidth;
    info.bmiHeader.biHeight = kSampleHeight;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    void* bits = nullptr;
    bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    previous_ = SelectObject(dc_, bitmap_);
    for (int32_t y = 0; y < kSampleHeight; ++y)
      for (int32_t x = 0; x < kSampleWidth; ++x) SetPixelV(dc_, x, y, SamplePixel(x, y));
  }
  ~SampleDc() {
    SelectObject(dc_, previous_);
    DeleteObject(bitmap_);
    DeleteDC(dc_);
  }
  HDC get() const { return dc_; }

 private:
  HDC dc_;
  HBITMAP bitmap_;
  HGDIOBJ previous_;
};

TEST_F(Library, ClockAndWindowProgramsMatchTheLinuxBuildByteForByte) {
  const fs::path linuxSamples(Setting("VELTRANE_LINUX_SAMPLES"));
  const SampleDc picture;
  const struct {
    const char* name;
    int32_t slot;
    fs::path linuxFile;
  } samples[] = {{"clock", BuildClockSample(), linuxSamples / "program-1.bin"},
                 {"window", BuildWindowSample(picture.get()), linuxSamples / "program-2.bin"}};
  for (const auto& sample : samples) {
    SCOPED_TRACE(sample.name);
    ASSERT_NE(sample.slot, 0);
    ASSERT_EQ(LED_SendToScreen(UdpScreen(), sample.slot), 1);
    const std::vector<uint8_t> expected = ReadFile(sample.linuxFile);
    ASSERT_FALSE(expected.empty());
    EXPECT_EQ(LastSavedProgram(), expected);
  }
}

TEST_F(Library, AWindowWithoutAPictureIsRefused) {
  const int32_t slot = MakeRoot(1, 1);
  ASSERT_EQ(AddLeaf(slot, 1), 1);
  EXPECT_EQ(AddWindow(slot, nullptr, 4, 4, LedRect{0, 0, 4, 4}, 0, 0, 0), 0);
  LED_ReleaseMem(slot);
}

// The extent GDI gives a text in a face, the way a host would measure it.
SIZE GdiExtent(const std::string& text, const char* face, int32_t pointSize, BYTE charset) {
  const HDC dc = CreateCompatibleDC(nullptr);
  const HFONT font = CreateFontA(-MulDiv(pointSize, GetDeviceCaps(dc, LOGPIXELSY), 72), 0, 0, 0,
                                 FW_NORMAL, 0, 0, 0, charset, 0, 0, 0, 0, face);
  const HGDIOBJ previous = SelectObject(dc, font);
  SIZE size{};
  GetTextExtentPoint32A(dc, text.data(), static_cast<int>(text.size()), &size);
  SelectObject(dc, previous);
  DeleteObject(font);
  DeleteDC(dc);
  return size;
}

// Sends the program in `slot` and reads back what the screen accepted.
veltrane::program::Program SendAndReadBack(int32_t slot, std::vector<uint8_t>& block) {
  EXPECT_EQ(LED_SendToScreen(UdpScreen(), slot), 1);
  block = LastSavedProgram();
  const auto result = ReadProgram(block);
  EXPECT_TRUE(result.ok()) << (result.ok() ? "" : result.defect().message);
  return result.ok() ? result.program() : veltrane::program::Program{};
}

TEST_F(Library, TextAreasAreAsWideAsGdiMeasures) {
  const struct {
    const char* encoding;
    const char* face;
    std::string text;
    BYTE charset;
  } cases[] = {
      {nullptr, "Tahoma", "Hello, screen 12:34", DEFAULT_CHARSET},
      {"GBK", "SimSun", "\xC4\xE3\xBA\xC3 LED", GB2312_CHARSET},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.face);
    ASSERT_EQ(LED_SetTextEncoding(c.encoding), 1);
    const int32_t slot = MakeRoot(1, 2);
    ASSERT_EQ(AddLeaf(slot, 1), 1);
    ASSERT_EQ(AddText(slot, LedRect{0, 0, 128, 32}, 1, c.text.c_str(), c.face, 12, 0x00FFFF, 0, 0),
              1);
    std::vector<uint8_t> block;
    const auto program = SendAndReadBack(slot, block);
    ASSERT_EQ(program.pages.size(), 1u);
    ASSERT_EQ(program.pages[0].areas.size(), 1u);
    const auto& image =
        std::get<veltrane::program::WindowArea>(program.pages[0].areas[0].content).image;
    const SIZE measured = GdiExtent(c.text, c.face, 12, c.charset);
    EXPECT_GT(measured.cx, 0);
    EXPECT_EQ(image.width, measured.cx);
    EXPECT_GE(image.paddedHeight, measured.cy);
  }
  LED_SetTextEncoding(nullptr);
}

TEST_F(Library, DateTimeGlyphsAreAsWideAsGdiMeasuresTheirGbkTexts) {
  for (const int32_t type : {1, 3, 10}) {
    SCOPED_TRACE(type);
    const int32_t slot = MakeRoot(1, 1);
    ASSERT_EQ(AddLeaf(slot, 1), 1);
    ASSERT_EQ(AddDateTime(slot, LedRect{0, 0, 128, 16}, "Tahoma", 9, 0x0000FF, type, 2), 1);
    std::vector<uint8_t> block;
    const auto program = SendAndReadBack(slot, block);
    ASSERT_EQ(program.pages.size(), 1u);
    const auto& area =
        std::get<veltrane::program::DateTimeArea>(program.pages[0].areas.at(0).content);
    const auto texts = veltrane::format::DateTimeTypeFor(type).glyphs;
    ASSERT_EQ(area.glyphs.rasters.size(), texts.size());
    for (size_t i = 0; i < texts.size(); ++i) {
      // Plain ASCII glyphs are drawn in the face's own character set, the others in GB2312's.
      const std::string text(texts[i]);
      const bool ascii = std::all_of(text.begin(), text.end(), [](char c) { return c >= 0; });
      const SIZE measured = GdiExtent(text, "Tahoma", 9, ascii ? DEFAULT_CHARSET : GB2312_CHARSET);
      EXPECT_EQ(area.glyphs.rasters[i].width, measured.cx) << "glyph " << i;
    }
  }
}

}  // namespace
