// SPDX-License-Identifier: MIT
#include "program_file/program_file.h"

#include <array>
#include <functional>
#include <limits>
#include <nlohmann/json.hpp>
#include <optional>
#include <set>
#include <vector>

#include "shared/refusal.h"

namespace veltrane::cli {
namespace {

using nlohmann::json;

// Thrown inside the parser only; turned into a refusal at the top.
struct Defect {
  std::string path;
  std::string message;
};

// What is wrong with a file: the JSON path of the offending value and a sentence about it.
struct ProgramFileError {
  std::string path;
  std::string message;
  std::string position = {};  // "LINE:COLUMN" of a fault in the JSON itself, else empty

  // "hello.json:3:7: expected a value" for a fault in the JSON, as compilers give a place;
  // "hello.json: pages[0].rect: ..." for the program it holds; the same without "hello.json:"
  // when the text has no name.
  Failure In(std::string_view origin) const {
    const std::string where = position.empty() ? path : position;
    std::string sentence = where.empty() ? message : where + ": " + message;
    if (!origin.empty())
      sentence = std::string(origin) + (position.empty() ? ": " : ":") + sentence;
    return tools::Refusal(std::move(sentence));
  }
};

std::string Join(const std::string& path, const std::string& key) {
  return path.empty() ? key : path + "." + key;
}
std::string Index(const std::string& path, size_t i) {
  return path + "[" + std::to_string(i) + "]";
}

const char* KindOf(const json& value) {
  switch (value.type()) {
    case json::value_t::null:
      return "null";
    case json::value_t::boolean:
      return "a boolean";
    case json::value_t::string:
      return "a string";
    case json::value_t::array:
      return "an array";
    case json::value_t::object:
      return "an object";
    case json::value_t::number_float:
      return "a fraction";
    default:
      return "a number";
  }
}

const json& ExpectObject(const json& value, const std::string& path) {
  if (!value.is_object())
    throw Defect{path, std::string("expected an object, found ") + KindOf(value)};
  return value;
}

void RejectUnknownKeys(const json& object, const std::string& path, std::set<std::string> known) {
  for (const auto& [key, value] : object.items()) {
    if (known.count(key) == 0) throw Defect{Join(path, key), "unknown key"};
  }
}

int32_t ToInt32(const json& value, const std::string& path) {
  if (value.is_number_integer()) {
    if (value.is_number_unsigned()) {
      const uint64_t u = value.get<uint64_t>();
      if (u <= std::numeric_limits<uint32_t>::max())
        return static_cast<int32_t>(static_cast<uint32_t>(u));
    } else {
      const int64_t i = value.get<int64_t>();
      if (i >= std::numeric_limits<int32_t>::min() && i <= std::numeric_limits<int32_t>::max())
        return static_cast<int32_t>(i);
    }
    throw Defect{path, "integer out of the 32-bit range"};
  }
  throw Defect{path, std::string("expected an integer, found ") + KindOf(value)};
}

// Bounds of the fields a program keeps in 16 bits (root type, colour mode, area values, the
// sides of a rectangle: what a screen can address), of point sizes and of colour integers.
struct Range {
  int32_t low, high;
};
constexpr Range kU16{0, 0xFFFF};
constexpr Range kPointSizes{1, 1000};
constexpr Range kColorValues{0, 0xFFFFFF};
constexpr Range kScreenSides{1, 0xFFFF};

int32_t ToRanged(const json& value, const std::string& path, Range range) {
  const int32_t number = ToInt32(value, path);
  if (number < range.low || number > range.high)
    throw Defect{path, "expected " + std::to_string(range.low) + ".." + std::to_string(range.high) +
                           ", found " + std::to_string(number)};
  return number;
}

int32_t IntOr(const json& object, const std::string& path, const char* key, int32_t fallback) {
  const auto it = object.find(key);
  return it == object.end() ? fallback : ToInt32(*it, Join(path, key));
}

int32_t RangedOr(const json& object, const std::string& path, const char* key, int32_t fallback,
                 Range range) {
  const auto it = object.find(key);
  return it == object.end() ? fallback : ToRanged(*it, Join(path, key), range);
}

std::string StringAt(const json& object, const std::string& path, const char* key) {
  const auto it = object.find(key);
  if (it == object.end()) throw Defect{Join(path, key), "missing"};
  if (!it->is_string())
    throw Defect{Join(path, key), std::string("expected a string, found ") + KindOf(*it)};
  return it->get<std::string>();
}

// Colours: "#RRGGBB", a name, or the platform value 0x00BBGGRR as an integer.
uint32_t ToColor(const json& value, const std::string& path) {
  if (value.is_number_integer()) return static_cast<uint32_t>(ToRanged(value, path, kColorValues));
  if (!value.is_string())
    throw Defect{path, std::string("expected a colour, found ") + KindOf(value)};
  const std::string text = value.get<std::string>();
  static const std::array<std::pair<const char*, uint32_t>, 5> names = {{{"black", 0x000000},
                                                                         {"red", 0x0000FF},
                                                                         {"green", 0x00FF00},
                                                                         {"yellow", 0x00FFFF},
                                                                         {"white", 0xFFFFFF}}};
  for (const auto& [name, color] : names) {
    if (text == name) return color;
  }
  if (text.size() == 7 && text[0] == '#' &&
      text.find_first_not_of("0123456789abcdefABCDEF", 1) == std::string::npos) {
    const uint32_t rgb = static_cast<uint32_t>(std::stoul(text.substr(1), nullptr, 16));
    return ((rgb >> 16) & 0xFF) | (rgb & 0xFF00) | ((rgb & 0xFF) << 16);
  }
  throw Defect{path, "expected a colour (\"#RRGGBB\", black, red, green, yellow or white)"};
}

uint32_t ColorOr(const json& object, const std::string& path, const char* key, uint32_t fallback) {
  const auto it = object.find(key);
  return it == object.end() ? fallback : ToColor(*it, Join(path, key));
}

Rect ToRect(const json& object, const std::string& path) {
  const std::string rectPath = Join(path, "rect");
  const auto it = object.find("rect");
  if (it == object.end()) throw Defect{rectPath, "missing"};
  if (!it->is_array() || it->size() != 4) throw Defect{rectPath, "expected 4 integers"};
  std::array<int32_t, 4> sides{};
  for (size_t i = 0; i < 4; ++i) {
    if (!(*it)[i].is_number_integer()) throw Defect{rectPath, "expected 4 integers"};
    sides[i] = ToRanged((*it)[i], Index(rectPath, i), kU16);
  }
  // An inverted rectangle is a warning of the command's, not an error: the library takes it.
  return Rect{sides[0], sides[1], sides[2], sides[3]};
}

Font ToFont(const json& object, const std::string& path) {
  Font font;
  if (object.contains("font")) font.face = StringAt(object, path, "font");
  font.pointSize = RangedOr(object, path, "size", font.pointSize, kPointSizes);
  font.color = ColorOr(object, path, "color", font.color);
  return font;
}

// Date-time formats by name, in the order of their type numbers 1..10.
constexpr std::array<const char*, 10> kDateTimeFormats = {
    "date", "time", "time-seconds", "year", "month", "day", "hour", "minute", "second", "weekday"};

int32_t ToDateTimeType(const json& object, const std::string& path) {
  const std::string formatPath = Join(path, "format");
  const auto it = object.find("format");
  if (it == object.end()) throw Defect{formatPath, "missing"};
  if (it->is_string()) {
    for (size_t i = 0; i < kDateTimeFormats.size(); ++i) {
      if (*it == kDateTimeFormats[i]) return static_cast<int32_t>(i + 1);
    }
    throw Defect{formatPath,
                 "expected date, time, time-seconds, year, month, day, hour, minute, "
                 "second, weekday or a type number"};
  }
  return ToRanged(*it, formatPath, {1, static_cast<int32_t>(kDateTimeFormats.size())});
}

// "crop" or "scale"; a picture without "fit" is sent as it is.
PictureFit ToPictureFit(const json& object, const std::string& path) {
  if (!object.contains("fit")) return PictureFit::AsIs;
  const std::string fit = StringAt(object, path, "fit");
  if (fit == "crop") return PictureFit::Crop;
  if (fit == "scale") return PictureFit::Scale;
  throw Defect{Join(path, "fit"), "expected crop or scale"};
}

Area ToArea(const json& value, const std::string& path, const std::filesystem::path& baseFolder) {
  const json& object = ExpectObject(value, path);
  const std::string kind = StringAt(object, path, "kind");
  Area area;
  area.rect = ToRect(object, path);
  area.params.areaParam = RangedOr(object, path, "areaParam", 0, kU16);
  area.params.paramA = RangedOr(object, path, "paramA", 0, kU16);
  area.params.paramB = RangedOr(object, path, "paramB", 0, kU16);
  const std::set<std::string> common = {"kind", "rect", "areaParam", "paramA", "paramB"};
  auto with = [&](std::initializer_list<std::string> more) {
    std::set<std::string> keys = common;
    keys.insert(more);
    return keys;
  };
  if (kind == "text") {
    RejectUnknownKeys(object, path, with({"text", "font", "size", "color"}));
    area.content = TextArea{StringAt(object, path, "text"), ToFont(object, path)};
  } else if (kind == "string") {
    RejectUnknownKeys(object, path, with({"text", "stringParamA", "stringParamB"}));
    area.content =
        StringArea{StringAt(object, path, "text"), IntOr(object, path, "stringParamA", 0),
                   IntOr(object, path, "stringParamB", 0)};
  } else if (kind == "image") {
    RejectUnknownKeys(object, path, with({"file", "fit"}));
    std::filesystem::path file = StringAt(object, path, "file");
    area.content =
        ImageArea{file.is_absolute() ? file : baseFolder / file, ToPictureFit(object, path)};
  } else if (kind == "datetime") {
    RejectUnknownKeys(object, path, with({"format", "font", "size", "color"}));
    area.content = DateTimeArea{ToDateTimeType(object, path), ToFont(object, path)};
  } else if (kind == "clock") {
    RejectUnknownKeys(object, path, with({"colors"}));
    ClockArea clock;
    if (object.contains("colors")) {
      const std::string colorsPath = Join(path, "colors");
      const json& colors = ExpectObject(object["colors"], colorsPath);
      RejectUnknownKeys(colors, colorsPath, {"hour", "minute", "second", "mark", "ring", "face"});
      clock.hourColor = ColorOr(colors, colorsPath, "hour", clock.hourColor);
      clock.minuteColor = ColorOr(colors, colorsPath, "minute", clock.minuteColor);
      clock.secondColor = ColorOr(colors, colorsPath, "second", clock.secondColor);
      clock.markColor = ColorOr(colors, colorsPath, "mark", clock.markColor);
      clock.ringColor = ColorOr(colors, colorsPath, "ring", clock.ringColor);
      clock.faceColor = ColorOr(colors, colorsPath, "face", clock.faceColor);
    }
    area.content = clock;
  } else {
    throw Defect{Join(path, "kind"), "expected text, string, image, datetime or clock"};
  }
  return area;
}

Page ToPage(const json& value, const std::string& path, const std::filesystem::path& baseFolder) {
  const json& object = ExpectObject(value, path);
  RejectUnknownKeys(object, path, {"param", "areas"});
  Page page;
  page.pageParam = IntOr(object, path, "param", 0);
  if (const auto it = object.find("areas"); it != object.end()) {
    const std::string areasPath = Join(path, "areas");
    if (!it->is_array())
      throw Defect{areasPath, std::string("expected an array, found ") + KindOf(*it)};
    for (size_t i = 0; i < it->size(); ++i)
      page.areas.push_back(ToArea((*it)[i], Index(areasPath, i), baseFolder));
  }
  return page;
}

ProgramFile ToProgram(const json& document, const std::filesystem::path& baseFolder) {
  const json& object = ExpectObject(document, "");
  // "$schema" names the file's JSON schema for editors; a comment may be anything.
  RejectUnknownKeys(object, "", {"rootType", "colorMode", "screen", "pages", "comment", "$schema"});
  if (object.contains("$schema")) StringAt(object, "", "$schema");
  ProgramFile program;
  program.rootType = RangedOr(object, "", "rootType", program.rootType, kU16);
  program.colorMode = RangedOr(object, "", "colorMode", program.colorMode, kU16);
  if (const auto screen = object.find("screen"); screen != object.end()) {
    ExpectObject(*screen, "screen");
    RejectUnknownKeys(*screen, "screen", {"width", "height"});
    for (const char* side : {"width", "height"})
      if (!screen->contains(side)) throw Defect{Join("screen", side), "missing"};
    program.screen = ScreenSize{ToRanged(screen->at("width"), "screen.width", kScreenSides),
                                ToRanged(screen->at("height"), "screen.height", kScreenSides)};
  }
  const auto pages = object.find("pages");
  if (pages == object.end()) throw Defect{"pages", "missing"};
  if (!pages->is_array())
    throw Defect{"pages", std::string("expected an array, found ") + KindOf(*pages)};
  for (size_t i = 0; i < pages->size(); ++i)
    program.pages.push_back(ToPage((*pages)[i], Index("pages", i), baseFolder));
  return program;
}

// Follows the parser through the document to name the place of the first key an object repeats
// (the document keeps only one of the two values, so the file would not mean what it says), and
// stops it at a value nested deeper than any program file needs, before the document grows
// there. Each open container keeps only its own step of the path, so the work is linear in the
// document whatever its depth; the whole path is spelled out for an error alone.
class DocumentChecks {
 public:
  bool operator()(int /*depth*/, json::parse_event_t event, json& parsed) {
    switch (event) {
      case json::parse_event_t::object_start:
      case json::parse_event_t::array_start:
        Open(event == json::parse_event_t::array_start);
        break;
      case json::parse_event_t::object_end:
      case json::parse_event_t::array_end:
        if (!open_.empty()) open_.pop_back();
        break;
      case json::parse_event_t::key:
        Key(parsed.get<std::string>());
        break;
      case json::parse_event_t::value:
        if (!open_.empty() && open_.back().array) ++open_.back().items;
        break;
    }
    return true;  // keep every value: the reader checks the document as it is
  }

  const std::optional<Defect>& firstRepeat() const { return firstRepeat_; }

 private:
  struct Container {
    std::string step;  // ".key" or "[i]" from its parent; empty for the document itself
    bool array = false;
    size_t items = 0;            // elements so far, for an array
    std::set<std::string> keys;  // keys so far, for an object
    std::string lastKey;
  };

  // Throws the depth defect instead of opening a container past kMaxProgramFileDepth.
  void Open(bool array) {
    std::string step;
    if (!open_.empty()) {
      Container& parent = open_.back();
      step = parent.array ? Index("", parent.items++) : "." + parent.lastKey;
    }
    if (open_.size() == kMaxProgramFileDepth)
      throw Defect{PathTo(step), "nested deeper than " + std::to_string(kMaxProgramFileDepth) +
                                     " levels of objects and arrays"};
    open_.push_back({std::move(step), array, 0, {}, {}});
  }

  void Key(const std::string& key) {
    if (open_.empty()) return;
    Container& object = open_.back();
    if (!object.keys.insert(key).second && !firstRepeat_)
      firstRepeat_ = Defect{PathTo("." + key), "duplicate key"};
    object.lastKey = key;
  }

  // The path of the open containers, then `last`, as the errors spell it: "pages[0].areas".
  std::string PathTo(const std::string& last) const {
    std::string path;
    for (const Container& container : open_) path += container.step;
    path += last;
    return path.starts_with('.') ? path.substr(1) : path;
  }

  std::vector<Container> open_;
  std::optional<Defect> firstRepeat_;
};

// A fault nlohmann's JSON parser found, in the reader's own words: its place ("3:7", empty when
// it gives none) and what was expected ("unexpected ','; expected a value"), with no exception
// names or codes.
ProgramFileError JsonFault(const std::string& parserMessage) {
  // "[json.exception.parse_error.101] parse error at line 3, column 7: syntax error while parsing
  // value - unexpected ','; expected '[', '{', or a literal"
  std::string_view rest = parserMessage;
  if (rest.starts_with("[json.exception."))
    rest.remove_prefix(std::min(rest.size(), rest.find("] ") + 2));
  std::string position;
  constexpr std::string_view kAtLine = "at line ", kColumn = ", column ";
  if (const size_t at = rest.find(kAtLine); at != std::string_view::npos) {
    const size_t comma = rest.find(kColumn, at);
    const size_t colon = rest.find(": ", at);
    if (comma != std::string_view::npos && colon != std::string_view::npos && comma < colon) {
      const std::string_view line = rest.substr(at + kAtLine.size(), comma - at - kAtLine.size());
      const std::string_view column =
          rest.substr(comma + kColumn.size(), colon - comma - kColumn.size());
      position = std::string(line) + ":" + std::string(column);
      rest.remove_prefix(colon + 2);
    }
  }
  if (const size_t dash = rest.find(" - ");
      rest.starts_with("syntax error") && dash != std::string_view::npos)
    rest.remove_prefix(dash + 3);
  std::string message(rest);
  const std::pair<std::string_view, std::string_view> plain[] = {
      {"expected '[', '{', or a literal", "expected a value"},
      {"expected string literal", "expected a key in double quotes"},
      {"number overflow parsing ", "number too large to read: "},
      {"invalid literal; last read: ", "not a value: "},
  };
  for (const auto& [said, meant] : plain)
    if (const size_t found = message.find(said); found != std::string::npos)
      message.replace(found, said.size(), meant);
  return ProgramFileError{"", message, position};
}

}  // namespace

Result<ProgramFile> ParseProgramFile(std::string_view text, const std::filesystem::path& baseFolder,
                                     std::string_view origin) {
  json document;
  DocumentChecks checks;
  try {
    document = json::parse(text.begin(), text.end(), std::ref(checks));
  } catch (const json::exception& error) {  // syntax, encoding, or a number out of range
    return JsonFault(error.what()).In(origin);
  } catch (const Defect& defect) {
    return ProgramFileError{defect.path, defect.message}.In(origin);
  }
  if (const auto& repeat = checks.firstRepeat())
    return ProgramFileError{repeat->path, repeat->message}.In(origin);
  try {
    return ToProgram(document, baseFolder);
  } catch (const Defect& defect) {
    return ProgramFileError{defect.path, defect.message}.In(origin);
  } catch (const json::exception& error) {
    return ProgramFileError{"", error.what()}.In(origin);
  }
}

std::string_view AreaKindName(const Area& area) {
  struct Name {
    std::string_view operator()(const TextArea&) const { return "text"; }
    std::string_view operator()(const StringArea&) const { return "string"; }
    std::string_view operator()(const ImageArea&) const { return "image"; }
    std::string_view operator()(const DateTimeArea&) const { return "datetime"; }
    std::string_view operator()(const ClockArea&) const { return "clock"; }
  };
  return std::visit(Name{}, area.content);
}

std::string_view DateTimeFormatName(int32_t dateTimeType) {
  if (dateTimeType < 1 || static_cast<size_t>(dateTimeType) > kDateTimeFormats.size()) return {};
  return kDateTimeFormats[static_cast<size_t>(dateTimeType) - 1];
}

bool LooksLikeProgramFile(std::string_view bytes) {
  const size_t first = bytes.find_first_not_of(" \t\r\n");
  return first != std::string_view::npos && bytes[first] == '{';
}

}  // namespace veltrane::cli
