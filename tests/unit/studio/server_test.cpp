// SPDX-License-Identifier: MIT
// The studio's server over real HTTP on loopback: who it serves, which paths it takes, what it
// bounds, and that what it builds is what `veltrane send` builds of the same file.
#include "server.h"

#include <gtest/gtest.h>
#include <httplib.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>

#include "commands.h"
#include "image/png.h"
#include "preview.h"
#include "program/program_reader.h"
#include "support/screen_harness.h"

namespace veltrane::studio {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

constexpr const char* kToken = "0123456789abcdef";
const fs::path kExamples = fs::path(VELTRANE_SOURCE_DIR) / "examples";

// The program of the page's tests, in the file format: two pages, a clock and a picture.
const std::string kProgram = R"({
  "screen": {"width": 128, "height": 64},
  "pages": [
    {"areas": [{"kind": "text", "rect": [0, 0, 64, 16], "text": "Level 2", "size": 9},
               {"kind": "clock", "rect": [64, 0, 96, 32]},
               {"kind": "image", "rect": [96, 0, 128, 32], "file": "logo.png", "fit": "scale"}]},
    {"areas": [{"kind": "datetime", "rect": [0, 0, 64, 16], "format": "time-seconds"}]}]})";

class StudioServerTest : public ::testing::Test {
 protected:
  StudioServerTest()
      : folder_(fs::temp_directory_path() /
                ("veltrane_studio_server_" + std::to_string(::getpid()))) {
    fs::remove_all(folder_);
    fs::create_directories(folder_ / "served");
    fs::copy_file(kExamples / "logo.png", folder_ / "served" / "logo.png");
    fs::copy_file(kExamples / "logo.png", folder_ / "outside.png");
    server_ = std::make_unique<StudioServer>(folder_ / "served", kToken);
    port_ = server_->Bind("127.0.0.1", 0).value_or(0);
    server_->Start();
    client_ = std::make_unique<httplib::Client>("127.0.0.1", port_);
  }
  ~StudioServerTest() override {
    server_->Stop();
    fs::remove_all(folder_);
  }

  fs::path Served(const std::string& name) const { return folder_ / "served" / name; }

  // Headers of a request of the page: the cookie, and for a change the token header too.
  static httplib::Headers Page(bool changes) {
    httplib::Headers headers = {{"Cookie", std::string("veltrane_studio=") + kToken}};
    if (changes) headers.emplace("X-Veltrane-Token", kToken);
    return headers;
  }

  httplib::Result Put(const std::string& path, const std::string& body) {
    return client_->Put(path.c_str(), Page(true), body, "application/json");
  }
  httplib::Result Post(const std::string& path, const std::string& body,
                       const char* type = "application/json") {
    return client_->Post(path.c_str(), Page(true), body, type);
  }

  static std::string ErrorOf(const httplib::Result& result) {
    return json::parse(result->body).value("error", "");
  }

  fs::path folder_;
  std::unique_ptr<StudioServer> server_;
  int port_ = 0;
  std::unique_ptr<httplib::Client> client_;
};

TEST_F(StudioServerTest, OnlyTheTokenOpensTheStudioAndOnlyTheHeaderChangesAnything) {
  ASSERT_NE(port_, 0);
  const auto bare = client_->Get("/api/fonts");
  ASSERT_TRUE(bare);
  EXPECT_EQ(bare->status, 403);
  EXPECT_EQ(ErrorOf(bare),
            "open the studio at the address it printed when it started, token and all");
  EXPECT_EQ(client_->Get("/?token=wrong")->status, 403);

  const auto entry = client_->Get((std::string("/?token=") + kToken).c_str());
  EXPECT_EQ(entry->status, 303);
  EXPECT_EQ(entry->get_header_value("Location"), "/");
  EXPECT_EQ(entry->get_header_value("Set-Cookie"),
            std::string("veltrane_studio=") + kToken + "; Path=/; HttpOnly; SameSite=Strict");

  const auto page = client_->Get("/", Page(false));
  EXPECT_EQ(page->status, 200);
  EXPECT_NE(page->body.find(std::string("content=\"") + kToken + "\""), std::string::npos);
  EXPECT_EQ(client_->Get("/page/main.js", Page(false))->status, 200);
  EXPECT_EQ(client_->Get("/page/none.js", Page(false))->status, 404);

  // Another site's page can send the cookie, but not the header.
  const auto forged =
      client_->Put("/api/file?path=a.json", Page(false), kProgram, "application/json");
  EXPECT_EQ(forged->status, 403);
  EXPECT_EQ(ErrorOf(forged), "the request does not carry the studio's token");
  EXPECT_FALSE(fs::exists(Served("a.json")));
}

TEST_F(StudioServerTest, FilesAreReadAndWrittenInsideTheFolderOnly) {
  struct Case {
    std::string path;
    int status;
    const char* error;
  };
  const Case cases[] = {
      {"../escape.json", 403, "steps out with \"..\""},
      {"/tmp/escape.json", 403, "is absolute"},
      {"notes.txt", 400, "is not a .json file"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    const std::string query = "/api/file?path=" + c.path;
    for (const auto& result : {client_->Get(query.c_str(), Page(false)), Put(query, kProgram)}) {
      EXPECT_EQ(result->status, c.status);
      EXPECT_NE(ErrorOf(result).find(c.error), std::string::npos) << ErrorOf(result);
    }
  }
  EXPECT_FALSE(fs::exists(folder_ / "escape.json"));

  const auto saved = Put("/api/file?path=sign.json", kProgram);
  ASSERT_EQ(saved->status, 200) << saved->body;
  std::ifstream in(Served("sign.json"));
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), kProgram);
  const auto opened = client_->Get("/api/file?path=sign.json", Page(false));
  ASSERT_EQ(opened->status, 200);
  EXPECT_EQ(json::parse(opened->body)["text"], kProgram);
  const auto listed = json::parse(client_->Get("/api/files", Page(false))->body);
  EXPECT_EQ(listed["programs"], json::array({"sign.json"}));
  EXPECT_EQ(listed["pictures"], json::array({"logo.png"}));

  // What would not read back, or reaches a picture outside, is not saved.
  const auto broken = Put("/api/file?path=broken.json", R"({"pages": 1})");
  EXPECT_EQ(broken->status, 422);
  EXPECT_EQ(ErrorOf(broken), "pages: expected an array, found a number");
  const auto reaching = Put("/api/file?path=reaching.json",
                            R"({"pages": [{"areas": [{"kind": "image", "rect": [0, 0, 8, 8],
                                 "file": "../outside.png"}]}]})");
  EXPECT_EQ(reaching->status, 422);
  EXPECT_NE(ErrorOf(reaching).find("lies outside the studio's folder"), std::string::npos);
  EXPECT_FALSE(fs::exists(Served("broken.json")) || fs::exists(Served("reaching.json")));
}

TEST_F(StudioServerTest, PicturesAreBoundedBeforeTheyAreKept) {
  std::ifstream logo(kExamples / "logo.png", std::ios::binary);
  const std::string png(std::istreambuf_iterator<char>(logo), {});
  const auto uploaded = Post("/api/pictures?path=new.png", png, "image/png");
  ASSERT_EQ(uploaded->status, 200) << uploaded->body;
  EXPECT_EQ(json::parse(uploaded->body)["width"], 16);
  EXPECT_TRUE(fs::exists(Served("new.png")));

  const auto huge = Post("/api/pictures?path=huge.png",
                         std::string(image::kMaxPngFileBytes + 1, '\0'), "image/png");
  EXPECT_EQ(huge->status, 413);
  EXPECT_EQ(ErrorOf(huge), "the request has more than the 16777216 bytes the studio takes");
  const auto garbage = Post("/api/pictures?path=bad.png", "not a png", "image/png");
  EXPECT_EQ(garbage->status, 422);
  EXPECT_EQ(ErrorOf(garbage).rfind("the picture cannot be used: ", 0), 0u);
  EXPECT_FALSE(fs::exists(Served("huge.png")) || fs::exists(Served("bad.png")));
}

TEST_F(StudioServerTest, TheBuiltProgramAndItsPictureAreThoseOfTheCommand) {
  ASSERT_EQ(Put("/api/file?path=sign.json", kProgram)->status, 200);
  const json ask = {{"program", kProgram},
                    {"path", "sign.json"},
                    {"at", "2026-12-09 10:08:30"},
                    {"scale", 3},
                    {"page", nullptr}};
  json exportBin = ask;
  exportBin["to"] = "sign.bin";
  ASSERT_EQ(Post("/api/export", exportBin.dump())->status, 200);

  // `veltrane send sign.json` builds the same block.
  const auto sent = cli::LoadProgramBlock(Served("sign.json"));
  ASSERT_TRUE(sent);
  std::ifstream bin(Served("sign.bin"), std::ios::binary);
  const std::vector<uint8_t> exported(std::istreambuf_iterator<char>(bin), {});
  EXPECT_EQ(exported, *sent);

  // The preview is `veltrane preview --style dots --scale 3` of it, pixel for pixel.
  const auto previewed = Post("/api/preview", ask.dump());
  ASSERT_EQ(previewed->status, 200) << previewed->body;
  const json shown = json::parse(previewed->body);
  EXPECT_EQ(shown["bytes"], exported.size());
  EXPECT_EQ(shown["pages"], 2);
  const program::ReadResult read = program::ReadProgram(exported);
  ASSERT_TRUE(read.ok());
  const auto expected = cli::PictureProgram(
      read.program(), exported, {2026, 12, 3, 9, 10, 8, 30, 0},
      {3, cli::PreviewStyle::Dots, false, std::nullopt, render::PictureSize{128, 64}});
  ASSERT_TRUE(expected);
  EXPECT_EQ(shown["picture"]["width"], expected->width);
  EXPECT_EQ(shown["picture"]["height"], expected->height);
  json exportPng = ask;
  exportPng["to"] = "sign.png";
  ASSERT_EQ(Post("/api/export", exportPng.dump())->status, 200);
  const auto written = image::ReadPng([&] {
    std::ifstream file(Served("sign.png"), std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(file), {});
  }());
  ASSERT_TRUE(written) << written.error().reason();
  EXPECT_EQ(written->rgb, expected->rgb);

  // A program the builder refuses is one sentence naming the area.
  json tooLarge = ask;
  tooLarge["program"] = R"({"pages": [{"areas": [{"kind": "clock", "rect": [0, 0, 300, 300]}]}]})";
  const auto refused = Post("/api/preview", tooLarge.dump());
  EXPECT_EQ(refused->status, 422);
  EXPECT_EQ(ErrorOf(refused).rfind("pages[0].areas[0]: ", 0), 0u) << ErrorOf(refused);
}

// A browser takes brotli; compressing a preview at the server library's setting costs more than
// drawing it, for a few kilobytes saved on the machine's own loopback.
TEST_F(StudioServerTest, AnswersGoOutUncompressedToABrowserThatTakesBrotli) {
  httplib::Headers browser = Page(true);
  browser.emplace("Accept-Encoding", "gzip, deflate, br");
  const json ask = {{"program", kProgram}, {"at", "2026-12-09 10:08:30"}, {"scale", 6}};
  const auto previewed = client_->Post("/api/preview", browser, ask.dump(), "application/json");
  ASSERT_EQ(previewed->status, 200) << previewed->body;
  EXPECT_FALSE(previewed->has_header("Content-Encoding"));
  EXPECT_EQ(previewed->get_header_value("Content-Type"), "application/json; charset=utf-8");
  EXPECT_TRUE(json::parse(previewed->body)["picture"].contains("png"));
}

TEST_F(StudioServerTest, ARunReportsEachScreenThroughItsEventStream) {
  testing::ScreenHarness screen;
  ASSERT_TRUE(screen.started());
  const std::string where = "udp 127.0.0.1:" + std::to_string(screen.screen().udpPort());
  const auto started = Post("/api/runs", json{{"action", "status"}, {"screen", where}}.dump());
  ASSERT_EQ(started->status, 202) << started->body;
  EXPECT_EQ(json::parse(started->body)["screens"][0]["where"], where);

  std::string stream;
  const auto events =
      client_->Get("/api/runs/events", Page(false), [&](const char* data, size_t n) {
        stream.append(data, n);
        return true;
      });
  ASSERT_TRUE(events);
  // The stream ends with the run: its last event holds the result.
  const size_t last = stream.rfind("data: ");
  ASSERT_NE(last, std::string::npos) << stream;
  const json board = json::parse(stream.substr(last + 6));
  EXPECT_FALSE(board["running"]);
  EXPECT_EQ(board["action"], "status");
  EXPECT_EQ(board["screens"][0]["result"], "ok") << board.dump();
  EXPECT_EQ(board["screens"][0]["power"], 1);
  EXPECT_TRUE(board["screens"][0].contains("brightness"));

  const auto badScreen = Post("/api/runs", json{{"action", "status"}, {"screen", "tcp x"}}.dump());
  EXPECT_EQ(badScreen->status, 422);
  EXPECT_EQ(ErrorOf(badScreen).rfind("the screen \"tcp x\": expected udp HOST[:PORT]", 0), 0u)
      << ErrorOf(badScreen);
  const auto outside = Post("/api/runs", json{{"action", "status"}, {"fleet", "../f.txt"}}.dump());
  EXPECT_EQ(outside->status, 422);
}

}  // namespace
}  // namespace veltrane::studio
