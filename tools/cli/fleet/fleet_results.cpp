// SPDX-License-Identifier: MIT
#include "fleet_results.h"

#include <algorithm>
#include <cstdio>
#include <nlohmann/json.hpp>

#include "api/last_error.h"
#include "commands.h"

namespace veltrane::cli {
namespace {

std::string Seconds(uint32_t milliseconds) {
  char text[32];
  std::snprintf(text, sizeof text, "%.2f s", milliseconds / 1000.0);
  return text;
}

bool Succeeded(const protocol::ScreenResult& result) { return result.outcome.status == Status::Ok; }

std::string ResultText(const protocol::ScreenResult& result, const ValueText& valueText) {
  const protocol::Outcome& outcome = result.outcome;
  if (Succeeded(result) && outcome.value) return valueText(*outcome.value);
  return ResultWord(outcome.status.code());
}

// Columns padded to their widest cell, the last one left as it is.
std::string Columns(const std::vector<std::vector<std::string>>& rows) {
  std::vector<size_t> widths;
  for (const auto& row : rows) {
    widths.resize(std::max(widths.size(), row.size()));
    for (size_t c = 0; c < row.size(); ++c) widths[c] = std::max(widths[c], row[c].size());
  }
  std::string text;
  for (const auto& row : rows) {
    for (size_t c = 0; c < row.size(); ++c) {
      text += row[c];
      if (c + 1 < row.size()) text += std::string(widths[c] - row[c].size() + 2, ' ');
    }
    text += '\n';
  }
  return text;
}

// The exit status one result asks for.
int ExitStatusOf(Status::Code code) {
  switch (code) {
    case Status::Ok:
      return kExitOk;
    case Status::Timeout:
    case Status::Refused:
    case Status::Cancelled:
      return kExitScreen;
    default:
      return kExitUsage;
  }
}

// The name, target and address every JSON object starts with.
nlohmann::json ScreenJson(const tools::FleetScreen& screen) {
  return {{"name", screen.name.empty() ? nlohmann::json() : nlohmann::json(screen.name)},
          {"target", screen.where},
          {"address", screen.target.devAddr}};
}

// Names come from the user's file as bytes; invalid UTF-8 is replaced rather than refused.
std::string Dump(const nlohmann::json& array) {
  return array.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
}

}  // namespace

std::string ResultWord(Status::Code status) {
  switch (status) {
    case Status::Ok:
      return "ok";
    case Status::Timeout:
      return "no answer";
    case Status::Refused:
      return "refused";
    case Status::Cancelled:
      return "cancelled";
    default:
      return "failed";
  }
}

std::string DisplayName(const tools::FleetScreen& screen) {
  return screen.name.empty() ? "-" : screen.name;
}

std::string PowerWord(int32_t value) {
  return value == 0 ? "off" : value == 1 ? "on" : std::to_string(value);
}

std::string ResultTable(const std::vector<tools::FleetScreen>& screens,
                        const std::vector<protocol::ScreenResult>& results,
                        const ValueText& valueText) {
  std::vector<std::vector<std::string>> rows{{"name", "target", "result", "time"}};
  for (size_t i = 0; i < screens.size(); ++i)
    rows.push_back({DisplayName(screens[i]), screens[i].where, ResultText(results[i], valueText),
                    Seconds(results[i].milliseconds)});
  return Columns(rows);
}

std::string ResultJson(const std::vector<tools::FleetScreen>& screens,
                       const std::vector<protocol::ScreenResult>& results) {
  nlohmann::json array = nlohmann::json::array();
  for (size_t i = 0; i < screens.size(); ++i) {
    const protocol::Outcome& outcome = results[i].outcome;
    nlohmann::json object = ScreenJson(screens[i]);
    object["result"] = ResultWord(outcome.status.code());
    object["seconds"] = results[i].milliseconds / 1000.0;
    if (Succeeded(results[i]) && outcome.value) object["value"] = *outcome.value;
    if (!Succeeded(results[i])) object["error"] = api::Describe(outcome.status).text;
    array.push_back(std::move(object));
  }
  return Dump(array);
}

std::string StatusTable(const std::vector<tools::FleetScreen>& screens,
                        const std::vector<protocol::ScreenResult>& power,
                        const std::vector<protocol::ScreenResult>& brightness) {
  std::vector<std::vector<std::string>> rows{{"name", "target", "power", "brightness"}};
  const ValueText decimal = [](int32_t value) { return std::to_string(value); };
  for (size_t i = 0; i < screens.size(); ++i)
    rows.push_back({DisplayName(screens[i]), screens[i].where, ResultText(power[i], PowerWord),
                    ResultText(brightness[i], decimal)});
  return Columns(rows);
}

std::string StatusJson(const std::vector<tools::FleetScreen>& screens,
                       const std::vector<protocol::ScreenResult>& power,
                       const std::vector<protocol::ScreenResult>& brightness) {
  nlohmann::json array = nlohmann::json::array();
  for (size_t i = 0; i < screens.size(); ++i) {
    nlohmann::json object = ScreenJson(screens[i]);
    const auto value = [](const protocol::ScreenResult& result) {
      return Succeeded(result) ? nlohmann::json(*result.outcome.value) : nlohmann::json();
    };
    object["power"] =
        Succeeded(power[i]) ? nlohmann::json(PowerWord(*power[i].outcome.value)) : nlohmann::json();
    object["brightness"] = value(brightness[i]);
    const protocol::ScreenResult worse = Worse(power[i], brightness[i]);
    object["result"] = ResultWord(worse.outcome.status.code());
    if (!Succeeded(worse)) object["error"] = api::Describe(worse.outcome.status).text;
    array.push_back(std::move(object));
  }
  return Dump(array);
}

int FleetExitStatus(const std::vector<protocol::ScreenResult>& results) {
  int status = kExitOk;
  for (const protocol::ScreenResult& result : results)
    status = std::max(status, ExitStatusOf(result.outcome.status.code()));
  return status;
}

protocol::ScreenResult Worse(const protocol::ScreenResult& a, const protocol::ScreenResult& b) {
  return ExitStatusOf(b.outcome.status.code()) > ExitStatusOf(a.outcome.status.code()) ? b : a;
}

}  // namespace veltrane::cli
