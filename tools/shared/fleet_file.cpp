// SPDX-License-Identifier: MIT
#include "shared/fleet_file.h"

#include <cstdio>
#include <map>
#include <optional>
#include <tuple>

#include "common/status_text.h"
#include "shared/refusal.h"
#include "shared/screen_words.h"

namespace veltrane::tools {
namespace {

constexpr std::string_view kNamePrefix = "name=";
constexpr std::string_view kBlanks = " \t";

// The code point of the UTF-8 sequence at the start of `text`, and its length; a byte that
// starts no valid sequence stands for itself.
std::pair<char32_t, size_t> FirstCodePoint(std::string_view text) {
  const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
  const auto continues = [&](size_t i) { return i < text.size() && (byte(i) & 0xC0) == 0x80; };
  const unsigned char lead = byte(0);
  if (lead >= 0xC2 && lead <= 0xDF && continues(1))
    return {static_cast<char32_t>((lead & 0x1F) << 6 | (byte(1) & 0x3F)), 2};
  if (lead >= 0xE0 && lead <= 0xEF && continues(1) && continues(2))
    return {static_cast<char32_t>((lead & 0x0F) << 12 | (byte(1) & 0x3F) << 6 | (byte(2) & 0x3F)),
            3};
  return {lead, 1};
}

// Characters a terminal does not show as themselves would garble the results, or make one name
// or path look like another: the C0 and C1 controls and DEL, and the marks that reorder text or
// break its lines (U+061C, U+200E, U+200F, U+2028..U+202E, U+2066..U+2069). A tab is only a blank.
bool IsControlCharacter(char32_t c) {
  return (c < 0x20 && c != '\t') || (c >= 0x7F && c <= 0x9F) || c == 0x061C || c == 0x200E ||
         c == 0x200F || (c >= 0x2028 && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
}

// The first control character in `line`, when it holds one.
std::optional<char32_t> FirstControlCharacter(std::string_view line) {
  while (!line.empty()) {
    const auto [c, length] = FirstCodePoint(line);
    if (IsControlCharacter(c)) return c;
    line.remove_prefix(length);
  }
  return std::nullopt;
}

// "U+202E".
std::string CodePointName(char32_t c) {
  char name[16];
  std::snprintf(name, sizeof name, "U+%04X", static_cast<unsigned>(c));
  return name;
}

// The words of one line, up to a comment; `name=` takes the rest of the line as one word.
class Words {
 public:
  explicit Words(std::string_view line) : line_(line) {}

  // The next word, or nothing at the end of the line or at a comment.
  std::optional<std::string_view> Next() {
    const size_t start = line_.find_first_not_of(kBlanks, position_);
    if (start == std::string_view::npos || line_[start] == '#') return std::nullopt;
    size_t end = line_.find_first_of(kBlanks, start);
    if (line_.substr(start).starts_with(kNamePrefix)) end = line_.find_last_not_of(kBlanks) + 1;
    if (end == std::string_view::npos) end = line_.size();
    position_ = end;
    return line_.substr(start, end - start);
  }

 private:
  std::string_view line_;
  size_t position_ = 0;
};

// The screen one line names, or one sentence on what is wrong with the line.
class LineReader {
 public:
  LineReader(std::string_view line, const HostResolver& resolve)
      : words_(line), resolve_(resolve) {}

  // Nothing for a blank or comment line.
  Result<std::optional<FleetScreen>> Read() {
    const auto kind = words_.Next();
    if (!kind) return std::nullopt;
    const auto place = words_.Next();
    if ((*kind == "udp" || *kind == "serial") && !place)
      return Refusal(*kind == "udp" ? "udp needs HOST[:PORT]" : "serial needs a device path");
    if (*kind == "udp")
      given_.transport = link::Transport::Udp;
    else if (*kind == "serial")
      given_.transport = link::Transport::Serial;
    else
      return Refusal("expected udp HOST[:PORT] or serial PATH, got \"" + std::string(*kind) + "\"");
    given_.place = *place;
    if (auto failed = ReadOptions()) return Refusal(*std::move(failed));
    auto target = ScreenTarget(given_, WordsSource::FleetFile, resolve_);
    if (!target) return Failure(target.error());
    screen_.target = *std::move(target);
    screen_.where = ScreenText(screen_.target);
    return screen_;
  }

 private:
  // Reads the words after the target into `given_` and the name; what is wrong, if anything.
  std::optional<std::string> ReadOptions() {
    while (const auto word = words_.Next()) {
      if (word->starts_with(kNamePrefix)) {
        screen_.name = word->substr(kNamePrefix.size());
        if (screen_.name.empty()) return "name= needs a name";
        if (screen_.name.size() > kMaxFleetNameBytes)
          return "a name has at most " + std::to_string(kMaxFleetNameBytes) + " bytes";
      } else if (*word == "--address" || *word == "--baud") {
        std::optional<std::string>& value = *word == "--address" ? given_.address : given_.baud;
        if (value) return std::string(*word) + " is given twice";
        value = words_.Next().value_or("");
      } else {
        return "unexpected \"" + std::string(*word) + "\"";
      }
    }
    return std::nullopt;
  }

  Words words_;
  const HostResolver& resolve_;
  ScreenWords given_;  // the screen as the line gives it
  FleetScreen screen_;
};

// `resolve`, asked once for each name: a fleet may list many screens by one name.
HostResolver Remembering(const HostResolver& resolve,
                         std::map<std::string, std::optional<uint32_t>, std::less<>>& found) {
  if (!resolve) return {};
  return [&resolve, &found](std::string_view name) {
    auto at = found.find(name);
    if (at == found.end()) at = found.emplace(std::string(name), resolve(name)).first;
    return at->second;
  };
}

// A screen's identity for telling duplicates apart: where it is and the address it answers.
using ScreenKey = std::tuple<link::Transport, uint32_t, uint16_t, std::string, uint8_t>;

ScreenKey KeyOf(const link::Target& t) {
  return {t.transport, t.remoteAddress, t.remotePort, t.devicePath, t.devAddr};
}

// The lines of `text`, each without its line break (a CRLF's CR included).
std::vector<std::string_view> SplitLines(std::string_view text) {
  std::vector<std::string_view> lines;
  while (!text.empty()) {
    const size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    if (line.ends_with('\r')) line.remove_suffix(1);
    lines.push_back(line);
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
  return lines;
}

}  // namespace

Result<std::optional<FleetScreen>> ReadFleetLine(std::string_view line,
                                                 const HostResolver& resolve) {
  if (line.size() > kMaxFleetLineBytes)
    return Refusal("longer than " + std::to_string(kMaxFleetLineBytes) + " bytes");
  if (const auto control = FirstControlCharacter(line))
    return Refusal("holds a control character (" + CodePointName(*control) + ")");
  return LineReader(line, resolve).Read();
}

Result<std::vector<FleetScreen>> ParseFleetFile(std::string_view text, std::string_view origin,
                                                const HostResolver& resolve) {
  // "ORIGIN:LINE: sentence", or "ORIGIN: sentence" for the file as a whole.
  const auto refuse = [origin](size_t line, const std::string& sentence) {
    const std::string where = line == 0 ? "" : ":" + std::to_string(line);
    return Refusal(std::string(origin) + where + ": " + sentence);
  };
  if (text.size() > kMaxFleetFileBytes)
    return refuse(0, "larger than " + std::to_string(kMaxFleetFileBytes) + " bytes");
  std::vector<FleetScreen> screens;
  std::map<std::string, size_t> names;
  std::map<ScreenKey, size_t> seen;
  std::map<std::string, std::optional<uint32_t>, std::less<>> found;
  const HostResolver resolveOnce = Remembering(resolve, found);
  const std::vector<std::string_view> lines = SplitLines(text);
  for (size_t index = 0; index < lines.size(); ++index) {
    const size_t number = index + 1;
    auto read = ReadFleetLine(lines[index], resolveOnce);
    if (!read) return refuse(number, StatusText(read.error()));
    std::optional<FleetScreen>& screen = *read;
    if (!screen) continue;
    if (screens.size() == kMaxFleetScreens)
      return refuse(number, "more than " + std::to_string(kMaxFleetScreens) + " screens");
    if (const auto [at, fresh] = seen.emplace(KeyOf(screen->target), number); !fresh)
      return refuse(number, "the same screen as line " + std::to_string(at->second));
    if (!screen->name.empty()) {
      if (const auto [at, fresh] = names.emplace(screen->name, number); !fresh)
        return refuse(number, "the name \"" + screen->name + "\" is taken by line " +
                                  std::to_string(at->second));
    }
    screen->line = number;
    screens.push_back(std::move(*screen));
  }
  if (screens.empty()) return refuse(0, "lists no screens");
  return screens;
}

}  // namespace veltrane::tools
