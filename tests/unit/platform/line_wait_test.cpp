// SPDX-License-Identifier: MIT
// Waiting for a serial line's input through reads that a line error aborts, as a COM port set to
// abort on errors does: the error is cleared and the wait goes on; only a read that failed for
// another reason ends it early.
#include "platform/line_wait.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace veltrane::platform {
namespace {

// One read as a script plays it: how long it takes and how it ends, and for a failed read
// whether a line error was behind it.
struct ScriptedRead {
  uint32_t takesMs;
  LineRead result;
  bool lineError = false;
};

struct Played {
  WaitResult result;
  std::vector<uint32_t> askedMs;  // what each read was asked to wait
};

// Plays `script` through WaitForLineInput on a tick that starts near its wrap.
Played Play(uint32_t timeoutMs, const std::vector<ScriptedRead>& script) {
  uint32_t now = 0xFFFFFF00u;
  size_t next = 0;
  bool lastFailedForLineError = false;
  Played played;
  const auto read = [&](uint32_t waitMs) {
    played.askedMs.push_back(waitMs);
    const ScriptedRead& step = script.at(next++);
    now += step.takesMs;
    lastFailedForLineError = step.lineError;
    return step.result;
  };
  const auto clearLineError = [&] { return std::exchange(lastFailedForLineError, false); };
  played.result = WaitForLineInput(timeoutMs, read, clearLineError, [&] { return now; });
  return played;
}

TEST(LineWait, ALineErrorIsClearedAndTheWaitGoesOnToItsEnd) {
  struct Case {
    const char* what;
    std::vector<ScriptedRead> script;
    WaitResult result;
    std::vector<uint32_t> askedMs;
  };
  const Case cases[] = {
      {"a byte", {{300, LineRead::Byte}}, WaitResult::Ready, {1000}},
      {"nothing in time", {{1000, LineRead::Nothing}}, WaitResult::TimedOut, {1000}},
      {"a line error, then the reply later in the window",
       {{100, LineRead::Failed, true}, {300, LineRead::Byte}},
       WaitResult::Ready,
       {1000, 900}},
      {"line errors until the window ends",
       {{400, LineRead::Failed, true},
        {500, LineRead::Failed, true},
        {100, LineRead::Failed, true}},
       WaitResult::TimedOut,
       {1000, 600, 100}},
      {"a line error, then nothing",
       {{100, LineRead::Failed, true}, {900, LineRead::Nothing}},
       WaitResult::TimedOut,
       {1000, 900}},
      {"a failure that is no line error",
       {{100, LineRead::Failed, false}},
       WaitResult::Broken,
       {1000}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const Played played = Play(1000, c.script);
    EXPECT_EQ(played.result, c.result);
    EXPECT_EQ(played.askedMs, c.askedMs);
  }
}

}  // namespace
}  // namespace veltrane::platform
