// SPDX-License-Identifier: MIT
#include "program_subcommands.h"

#include <memory>
#include <optional>

#include "platform/clock.h"
#include "shared/number_option.h"
#include "shared/time_text.h"

namespace veltrane::cli {
namespace {

// The time a preview shows: --time on today's date, --at, or now when neither is given; nothing
// (said on stderr) for a value that cannot be read, an empty one included.
std::optional<platform::LocalTime> PreviewTime(const std::optional<std::string>& timeOfDay,
                                               const std::optional<std::string>& at) {
  const platform::LocalTime now = platform::SystemClock().Local();
  if (at) {
    const auto time = tools::ParseDateTime(*at);
    if (!time) SayError("--at: expected \"YYYY-MM-DD HH:MM:SS\", got \"" + *at + "\"");
    return time;
  }
  if (!timeOfDay) return now;
  const auto time = tools::ParseTimeOfDay(*timeOfDay, now);
  if (!time) SayError("--time: expected HH:MM:SS, got \"" + *timeOfDay + "\"");
  return time;
}

// The value of `option` when the command line gave it, even as an empty word.
std::optional<std::string> GivenText(const CLI::Option* option, const std::string& value) {
  return option->count() > 0 ? std::optional(value) : std::nullopt;
}

struct PreviewOptions {
  std::string file, out, timeOfDay, at;
  int64_t page = 0;  // signed, so that a negative page is refused as what it is
  int scale = kDefaultPreviewScale;
  PreviewLook look;
  bool strict = false;
};

// Which of the preview's options the command line gave.
struct PreviewGiven {
  const CLI::Option* timeOfDay;
  const CLI::Option* at;
  const CLI::Option* page;
};

int RunPreview(const PreviewOptions& o, const PreviewGiven& given) {
  const auto time = PreviewTime(GivenText(given.timeOfDay, o.timeOfDay), GivenText(given.at, o.at));
  if (!time) return kExitUsage;
  const auto out =
      o.out.empty() ? DefaultPreviewPath(o.file) : std::optional<std::filesystem::path>(o.out);
  if (!out) {
    SayError(o.file == "-" ? "preview: the program comes from standard input; say where the "
                             "picture goes with -o"
                           : "preview: the picture would be written over " + o.file +
                                 "; say where it goes with -o");
    return kExitUsage;
  }
  const bool pageGiven = given.page->count() > 0;
  if (pageGiven && o.page < 1) {
    SayError("--page " + std::to_string(o.page) + ": pages are counted from 1");
    return kExitUsage;
  }
  PreviewLook look = o.look;
  look.scale = o.scale;
  if (pageGiven) look.page = static_cast<size_t>(o.page - 1);
  return Preview(o.file, *out, *time, look, o.strict);
}

}  // namespace

Subcommand AddInspect(CLI::App& app) {
  struct Options {
    std::string file;
    bool summary = false;
    Reporting reporting;
  };
  auto o = std::make_shared<Options>();
  CLI::App* command = app.add_subcommand(
      "inspect", "Print the record tree of a program file (.json) or program block (.bin)");
  command->add_option("FILE", o->file, "program file or raw program block; - reads standard input")
      ->required();
  command->add_flag("--summary", o->summary,
                    "one line per page and per area: kind, rectangle, bytes and content in short");
  AddJsonFlag(command, o->reporting);
  AddStrictFlag(command, o->reporting.strict, "printing nothing else");
  return {command, [o] { return Inspect(o->file, o->reporting, o->summary); }};
}

Subcommand AddPreview(CLI::App& app) {
  auto o = std::make_shared<PreviewOptions>();
  CLI::App* command =
      app.add_subcommand("preview", "Render what a screen would show for a program, as a PNG");
  command
      ->add_option("PROGRAM", o->file,
                   "program file (.json) or raw program block; - reads standard input")
      ->required();
  command->add_option(
      "-o,--output", o->out,
      "the PNG to write (default: the program's name ending in .png; needed for -)");
  CLI::Option* timeOption =
      command->add_option("--time", o->timeOfDay, "time of day to show, HH:MM:SS (default: now)");
  CLI::Option* atOption =
      command
          ->add_option("--at", o->at,
                       "date and time to show, \"YYYY-MM-DD HH:MM:SS\" (default: now)")
          ->excludes(timeOption);
  CLI::Option* page =
      command->add_option("--page", o->page, "draw only page N (from 1; default: every page)");
  command->add_option("--scale", o->scale, "pixels per screen pixel (default 4)")
      ->transform(tools::NumberIn({1, kMaxPreviewScale}));
  AddStyleOption(command, o->look.style);
  command->add_flag("--labels", o->look.labels, "a \"page N\" row under each page");
  AddStrictFlag(command, o->strict, "writing no picture");
  const PreviewGiven given{timeOption, atOption, page};
  return {command, [o, given] { return RunPreview(*o, given); }};
}

}  // namespace veltrane::cli
