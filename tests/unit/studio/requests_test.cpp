// SPDX-License-Identifier: MIT
// The page's request bodies: what is read from them and the sentence for what is not.
#include "requests.h"

#include <gtest/gtest.h>

#include "common/status_text.h"

namespace veltrane::studio {
namespace {

template <class Request>
std::string Refusal(const Result<Request>& read) {
  return !read ? StatusText(read.error()) : "(read)";
}

TEST(StudioRequests, APreviewNamesTheProgramTimeScaleAndPage) {
  const auto read = ReadPreviewRequest(
      R"({"program": "{\"pages\": []}", "path": "signs/a.json", "at": "2026-12-09 10:08:30",
          "scale": 6, "page": 1, "to": "a.png"})");
  ASSERT_TRUE(read) << Refusal(read);
  const PreviewRequest& request = *read;
  EXPECT_EQ(request.program.text, R"({"pages": []})");
  EXPECT_EQ(request.program.path, "signs/a.json");
  EXPECT_EQ(request.preview.at.hour, 10);
  EXPECT_EQ(request.preview.at.second, 30);
  EXPECT_EQ(request.preview.at.dayOfWeek, 3);  // a Wednesday
  EXPECT_EQ(request.preview.scale, 6);
  EXPECT_EQ(request.preview.page, 1u);
  EXPECT_EQ(request.to, "a.png");
  const auto everyPage = ReadPreviewRequest(R"({"at": "2026-12-09 10:08:30", "page": null})");
  ASSERT_TRUE(everyPage);
  EXPECT_FALSE(everyPage->preview.page.has_value());
}

TEST(StudioRequests, BodiesThatCannotBeReadAreOneSentence) {
  const std::string at = R"("at": "2026-12-09 10:08:30")";
  struct Case {
    std::string body;
    const char* refusal;
  };
  const Case cases[] = {
      {"", "the request is not JSON"},
      {"[1]", "the request is not a JSON object"},
      {"{" + at + ", \"nested\": {\"a\": 1}}", "the request nests deeper than it may"},
      {"{" + at + ", \"list\": [1]}", "the request nests deeper than it may"},
      {R"({"at": "10:08:30"})", "\"at\" must be a date and time"},
      {R"({"at": "2026-02-30 10:08:30"})", "\"at\" must be a date and time"},
      {"{" + at + ", \"scale\": 0}", "\"scale\" must be a whole number from 1 to 32"},
      {"{" + at + ", \"scale\": 33}", "\"scale\" must be a whole number from 1 to 32"},
      {"{" + at + ", \"scale\": 2.5}", "\"scale\" must be a whole number"},
      {"{" + at + ", \"page\": -1}", "\"page\" must be a whole number"},
      {"{" + at + ", \"program\": 5}", "\"program\" must be text"},
      {std::string(kMaxRequestBodyBytes + 1, ' '), "the request has more than"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.body.substr(0, 60));
    EXPECT_EQ(Refusal(ReadPreviewRequest(c.body)).rfind(c.refusal, 0), 0u)
        << Refusal(ReadPreviewRequest(c.body));
  }
}

TEST(StudioRequests, ARunNamesItsActionAndOneScreenOrAFleet) {
  struct Case {
    const char* body;
    const char* refusal;  // empty: read
    RunAction action;
  };
  const Case cases[] = {
      {R"({"action": "send", "program": "{}", "screen": "udp 127.0.0.1"})", "", RunAction::Send},
      {R"({"action": "power-off", "fleet": "f.txt"})", "", RunAction::PowerOff},
      {R"({"action": "brightness", "brightness": 7, "fleet": "f.txt"})", "", RunAction::Brightness},
      {R"({"action": "status", "screen": "serial /dev/ttyUSB0"})", "", RunAction::Status},
      {R"({"action": "clock", "screen": "udp 1.2.3.4"})", "", RunAction::Clock},
      {R"({"action": "reboot", "fleet": "f.txt"})", "\"action\" must be send", RunAction::Status},
      {R"({"action": "status"})", "name one screen or a fleet file", RunAction::Status},
      {R"({"action": "status", "screen": "udp x", "fleet": "f.txt"})",
       "name one screen or a fleet file", RunAction::Status},
      {R"({"action": "brightness", "brightness": -1, "fleet": "f.txt"})",
       "\"brightness\" must be a whole number", RunAction::Status},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.body);
    const auto read = ReadRunRequest(c.body);
    if (*c.refusal != '\0') {
      EXPECT_EQ(Refusal(read).rfind(c.refusal, 0), 0u) << Refusal(read);
      continue;
    }
    ASSERT_TRUE(read) << Refusal(read);
    EXPECT_EQ(read->action, c.action);
  }
  EXPECT_EQ(ActionName(RunAction::PowerOn), "power-on");
}

}  // namespace
}  // namespace veltrane::studio
