// SPDX-License-Identifier: MIT
#include "shared/fleet_file.h"

#include <charconv>
#include <cstdio>
#include <map>
#include <optional>
#include <tuple>

#include "format/link.h"
#include "platform/ipv4.h"
#include "shared/number_option.h"
#include "shared/udp_endpoint.h"

namespace veltrane::tools {
namespace {

constexpr int32_t kDefaultAddress = 1;
constexpr int32_t kDefaultBaud = 57600;
constexpr size_t kMaxNumberDigits = 6;
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

std::optional<int32_t> ParseNumber(std::string_view digits) {
  if (digits.empty() || digits.size() > kMaxNumberDigits ||
      digits.find_first_not_of("0123456789") != std::string_view::npos)
    return std::nullopt;
  int32_t value = 0;
  std::from_chars(digits.data(), digits.data() + digits.size(), value);
  return value;
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
  std::variant<std::monostate, FleetScreen, std::string> Read() {
    const auto kind = words_.Next();
    if (!kind) return std::monostate{};
    const auto place = words_.Next();
    if (*kind == "udp" && place) return Finish(ReadUdp(*place));
    if (*kind == "serial" && place) return Finish(ReadSerial(*place));
    if (*kind == "udp" || *kind == "serial")
      return std::string(*kind == "udp" ? "udp needs HOST[:PORT]" : "serial needs a device path");
    return "expected udp HOST[:PORT] or serial PATH, got \"" + std::string(*kind) + "\"";
  }

 private:
  std::optional<std::string> ReadUdp(std::string_view place) {
    const auto endpoint =
        ParseUdpEndpoint(place, {0, format::kScreenPort}, EndpointRole::Screen, resolve_);
    if (const auto* error = std::get_if<std::string>(&endpoint)) return "udp: " + *error;
    const UdpEndpoint& at = std::get<UdpEndpoint>(endpoint);
    screen_.target.transport = link::Transport::Udp;
    screen_.target.remoteAddress = at.address;
    screen_.target.remotePort = at.port;
    screen_.where = PlaceText(screen_.target);
    return std::nullopt;
  }

  std::optional<std::string> ReadSerial(std::string_view place) {
    screen_.target.transport = link::Transport::Serial;
    screen_.target.devicePath = place;
    screen_.target.speedIndex = *SpeedIndexForBaud(kDefaultBaud);
    screen_.where = PlaceText(screen_.target);
    return std::nullopt;
  }

  // Reads the options after the target; the screen, or what is wrong.
  std::variant<std::monostate, FleetScreen, std::string> Finish(std::optional<std::string> error) {
    if (error) return *error;
    int32_t address = kDefaultAddress;
    bool addressGiven = false, baudGiven = false;
    while (const auto word = words_.Next()) {
      if (word->starts_with(kNamePrefix)) {
        screen_.name = word->substr(kNamePrefix.size());
        if (screen_.name.empty()) return std::string("name= needs a name");
        if (screen_.name.size() > kMaxFleetNameBytes)
          return "a name has at most " + std::to_string(kMaxFleetNameBytes) + " bytes";
      } else if (*word == "--address") {
        if (addressGiven) return std::string("--address is given twice");
        const auto value = words_.Next();
        const auto parsed = value ? ParseNumber(*value) : std::nullopt;
        if (!parsed || *parsed > kScreenAddresses.high)
          return "--address: expected 0..255, got \"" + std::string(value.value_or("")) + "\"";
        address = *parsed;
        addressGiven = true;
      } else if (*word == "--baud") {
        if (screen_.target.transport != link::Transport::Serial)
          return std::string("--baud is for serial lines only");
        if (baudGiven) return std::string("--baud is given twice");
        const auto value = words_.Next();
        const auto parsed = value ? ParseNumber(*value) : std::nullopt;
        const auto speed = parsed ? SpeedIndexForBaud(*parsed) : std::nullopt;
        if (!speed) return "--baud: expected " + BaudChoices();
        screen_.target.speedIndex = *speed;
        baudGiven = true;
      } else {
        return "unexpected \"" + std::string(*word) + "\"";
      }
    }
    screen_.target.devAddr = static_cast<uint8_t>(address);
    if (address != kDefaultAddress) screen_.where += " address " + std::to_string(address);
    return screen_;
  }

  Words words_;
  const HostResolver& resolve_;
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

std::string PlaceText(const link::Target& target) {
  if (target.transport == link::Transport::Serial) return "serial " + target.devicePath;
  return "udp " + platform::FormatIpv4(target.remoteAddress) + ":" +
         std::to_string(target.remotePort);
}

std::variant<std::vector<FleetScreen>, FleetFileError> ParseFleetFile(std::string_view text,
                                                                      const HostResolver& resolve) {
  if (text.size() > kMaxFleetFileBytes)
    return FleetFileError{0, "larger than " + std::to_string(kMaxFleetFileBytes) + " bytes"};
  std::vector<FleetScreen> screens;
  std::map<std::string, size_t> names;
  std::map<ScreenKey, size_t> seen;
  std::map<std::string, std::optional<uint32_t>, std::less<>> found;
  const HostResolver resolveOnce = Remembering(resolve, found);
  const std::vector<std::string_view> lines = SplitLines(text);
  for (size_t index = 0; index < lines.size(); ++index) {
    const size_t number = index + 1;
    const std::string_view line = lines[index];
    if (line.size() > kMaxFleetLineBytes)
      return FleetFileError{number, "longer than " + std::to_string(kMaxFleetLineBytes) + " bytes"};
    if (const auto control = FirstControlCharacter(line))
      return FleetFileError{number, "holds a control character (" + CodePointName(*control) + ")"};
    auto read = LineReader(line, resolveOnce).Read();
    if (auto* error = std::get_if<std::string>(&read)) return FleetFileError{number, *error};
    auto* screen = std::get_if<FleetScreen>(&read);
    if (screen == nullptr) continue;
    if (screens.size() == kMaxFleetScreens)
      return FleetFileError{number, "more than " + std::to_string(kMaxFleetScreens) + " screens"};
    if (const auto [at, fresh] = seen.emplace(KeyOf(screen->target), number); !fresh)
      return FleetFileError{number, "the same screen as line " + std::to_string(at->second)};
    if (!screen->name.empty()) {
      if (const auto [at, fresh] = names.emplace(screen->name, number); !fresh)
        return FleetFileError{number, "the name \"" + screen->name + "\" is taken by line " +
                                          std::to_string(at->second)};
    }
    screen->line = number;
    screens.push_back(std::move(*screen));
  }
  if (screens.empty()) return FleetFileError{0, "lists no screens"};
  return screens;
}

}  // namespace veltrane::tools
