// SPDX-License-Identifier: MIT
#include "requests.h"

#include <array>
#include <nlohmann/json.hpp>
#include <utility>

#include "shared/refusal.h"
#include "shared/time_text.h"

namespace veltrane::studio {
namespace {

using nlohmann::json;

// A body is one object of plain values (the parser counts the body itself as depth 0).
constexpr int kMaxBodyDepth = 0;

// Thrown while a body is read; the sentence the page shows.
struct BadBody {
  std::string sentence;
};

json ParseBody(std::string_view body) {
  if (body.size() > kMaxRequestBodyBytes)
    throw BadBody{"the request has more than " + std::to_string(kMaxRequestBodyBytes) + " bytes"};
  const auto bounded = [](int depth, json::parse_event_t event, json&) {
    if (depth > kMaxBodyDepth &&
        (event == json::parse_event_t::object_start || event == json::parse_event_t::array_start))
      throw BadBody{"the request nests deeper than it may"};
    return true;
  };
  json parsed;
  try {
    parsed = json::parse(body.begin(), body.end(), bounded);
  } catch (const json::exception&) {
    throw BadBody{"the request is not JSON"};
  }
  if (!parsed.is_object()) throw BadBody{"the request is not a JSON object"};
  return parsed;
}

std::string TextOr(const json& object, const char* key, std::string fallback = {}) {
  const auto it = object.find(key);
  if (it == object.end() || it->is_null()) return fallback;
  if (!it->is_string()) throw BadBody{std::string("\"") + key + "\" must be text"};
  return it->get<std::string>();
}

int64_t NumberIn(const json& object, const char* key, int64_t low, int64_t high, int64_t fallback) {
  const auto it = object.find(key);
  if (it == object.end() || it->is_null()) return fallback;
  // A number past int64_t's range comes as unsigned; any other is read as a signed one.
  const bool inRange = it->is_number_integer() &&
                       !(it->is_number_unsigned() && it->get<uint64_t>() > uint64_t{INT64_MAX}) &&
                       it->get<int64_t>() >= low && it->get<int64_t>() <= high;
  if (!inRange)
    throw BadBody{std::string("\"") + key + "\" must be a whole number from " +
                  std::to_string(low) + " to " + std::to_string(high)};
  return it->get<int64_t>();
}

PageProgram ProgramOf(const json& object) {
  return {TextOr(object, "program"), TextOr(object, "path")};
}

PictureAsk PictureOf(const json& object) {
  PictureAsk ask;
  const auto time = tools::ParseDateTime(TextOr(object, "at"));
  if (!time) throw BadBody{"\"at\" must be a date and time, YYYY-MM-DD HH:MM:SS"};
  ask.at = *time;
  ask.scale = static_cast<int>(NumberIn(object, "scale", 1, kMaxPageScale, ask.scale));
  if (const auto page = object.find("page"); page != object.end() && !page->is_null())
    ask.page = static_cast<size_t>(NumberIn(object, "page", 0, UINT16_MAX, 0));
  return ask;
}

constexpr std::array<std::pair<std::string_view, RunAction>, 6> kActions = {{
    {"send", RunAction::Send},
    {"power-on", RunAction::PowerOn},
    {"power-off", RunAction::PowerOff},
    {"brightness", RunAction::Brightness},
    {"clock", RunAction::Clock},
    {"status", RunAction::Status},
}};

RunAction ActionOf(const json& object) {
  const std::string name = TextOr(object, "action");
  for (const auto& [word, action] : kActions)
    if (name == word) return action;
  throw BadBody{"\"action\" must be send, power-on, power-off, brightness, clock or status"};
}

template <class Read>
auto ReadBody(std::string_view body, Read read) -> Result<decltype(read(json()))> {
  try {
    return read(ParseBody(body));
  } catch (const BadBody& bad) {
    return tools::Refusal(bad.sentence);
  } catch (const json::exception&) {
    return tools::Refusal("the request could not be read");
  }
}

}  // namespace

std::string_view ActionName(RunAction action) {
  for (const auto& [word, named] : kActions)
    if (named == action) return word;
  return {};
}

Result<PreviewRequest> ReadPreviewRequest(std::string_view body) {
  return ReadBody(body, [](const json& object) {
    PreviewRequest request;
    request.program = ProgramOf(object);
    request.preview = PictureOf(object);
    request.to = TextOr(object, "to");
    return request;
  });
}

Result<RunRequest> ReadRunRequest(std::string_view body) {
  return ReadBody(body, [](const json& object) {
    RunRequest request;
    request.action = ActionOf(object);
    request.brightness = static_cast<int32_t>(NumberIn(object, "brightness", 0, INT32_MAX, 0));
    request.program = ProgramOf(object);
    request.screen = TextOr(object, "screen");
    request.fleet = TextOr(object, "fleet");
    if (request.screen.empty() == request.fleet.empty())
      throw BadBody{"name one screen or a fleet file"};
    return request;
  });
}

}  // namespace veltrane::studio
