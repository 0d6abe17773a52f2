// SPDX-License-Identifier: MIT
#include "fleet_results.h"

#include <algorithm>
#include <cstdio>
#include <nlohmann/json.hpp>

#include "api/last_error.h"
#include "commands.h"

namespace veltrane::cli {
namespace {

std::string Seconds(double seconds) {
  char text[32];
  std::snprintf(text, sizeof text, "%.2f s", seconds);
  return text;
}

std::string ResultText(const ScreenResult& result, const ValueText& valueText) {
  const TurnOutcome& outcome = result.outcome;
  if (outcome.status == Status::Ok && outcome.value) return valueText(*outcome.value);
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

}  // namespace

std::string ResultWord(Status::Code status) {
  switch (status) {
    case Status::Ok:
      return "ok";
    case Status::Timeout:
      return "no answer";
    case Status::Refused:
      return "refused";
    default:
      return "failed";
  }
}

std::string DisplayName(const tools::FleetScreen& screen) {
  return screen.name.empty() ? "-" : screen.name;
}

std::string ResultTable(const std::vector<tools::FleetScreen>& screens,
                        const std::vector<ScreenResult>& results, const ValueText& valueText) {
  std::vector<std::vector<std::string>> rows{{"name", "target", "result", "time"}};
  for (size_t i = 0; i < screens.size(); ++i)
    rows.push_back({DisplayName(screens[i]), screens[i].where, ResultText(results[i], valueText),
                    Seconds(results[i].seconds)});
  return Columns(rows);
}

std::string ResultJson(const std::vector<tools::FleetScreen>& screens,
                       const std::vector<ScreenResult>& results) {
  nlohmann::json array = nlohmann::json::array();
  for (size_t i = 0; i < screens.size(); ++i) {
    const TurnOutcome& outcome = results[i].outcome;
    nlohmann::json object = {
        {"name", screens[i].name.empty() ? nlohmann::json() : nlohmann::json(screens[i].name)},
        {"target", screens[i].where},
        {"address", screens[i].target.devAddr},
        {"result", ResultWord(outcome.status.code())},
        {"seconds", results[i].seconds},
    };
    if (outcome.status == Status::Ok && outcome.value) object["value"] = *outcome.value;
    if (outcome.status != Status::Ok) object["error"] = api::Describe(outcome.status).text;
    array.push_back(std::move(object));
  }
  // Names come from the user's file as bytes; invalid UTF-8 is replaced rather than refused.
  return array.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
}

int FleetExitStatus(const std::vector<ScreenResult>& results) {
  int status = kExitOk;
  for (const ScreenResult& result : results) {
    const Status::Code code = result.outcome.status.code();
    if (code == Status::Timeout || code == Status::Refused)
      status = std::max(status, kExitScreen);
    else if (code != Status::Ok)
      status = kExitUsage;
  }
  return status;
}

}  // namespace veltrane::cli
