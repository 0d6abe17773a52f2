#include "program_subcommands.h"

#include <memory>
#include <optional>

#include "platform/clock.h"
#include "shared/time_text.h"

namespace veltrane::cli {
namespace {

// The time a preview shows: --time on today's date, --at, or now; nothing (said on stderr) for a
// value that cannot be read.
std::optional<platform::LocalTime> PreviewTime(const std::string& timeOfDay,
                                               const std::string& at) {
  const platform::LocalTime now = platform::SystemClock().Local();
  if (!at.empty()) {
    const auto time = tools::ParseDateTime(at);
    if (!time) SayError("--at: expected \"YYYY-MM-DD HH:MM:SS\", got \"" + at + "\"");
    return time;
  }
  if (timeOfDay.empty()) return now;
  const auto time = tools::ParseTimeOfDay(timeOfDay, now);
  if (!time) SayError("--time: expected HH:MM:SS, got \"" + timeOfDay + "\"");
  return time;
}

struct PreviewOptions {
  std::string file, out, timeOfDay, at;
  size_t page = 0;
  int scale = kDefaultPreviewScale;
  PreviewLook look;
  bool strict = false;
};

int RunPreview(const PreviewOptions& o, bool pageGiven) {
  const auto time = PreviewTime(o.timeOfDay, o.at);
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
  if (pageGiven && o.page == 0) {
    SayError("--page: pages are counted from 1");
    return kExitUsage;
  }
  PreviewLook look = o.look;
  look.scale = o.scale;
  if (pageGiven) look.page = o.page - 1;
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
  command
      ->add_option("--at", o->at, "date and time to show, \"YYYY-MM-DD HH:MM:SS\" (default: now)")
      ->excludes(timeOption);
  CLI::Option* page =
      command->add_option("--page", o->page, "draw only page N (from 1; default: every page)");
  command->add_option("--scale", o->scale, "pixels per screen pixel (default 4)")
      ->check(CLI::Range(1, 32));
  AddStyleOption(command, o->look.style);
  command->add_flag("--labels", o->look.labels, "a \"page N\" row under each page");
  AddStrictFlag(command, o->strict, "writing no picture");
  return {command, [o, page] { return RunPreview(*o, page->count() > 0); }};
}

}  // namespace veltrane::cli
