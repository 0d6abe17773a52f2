// SPDX-License-Identifier: MIT
#include "fleet_results.h"

#include <algorithm>
#include <cstdio>
#include <functional>
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

// One screen's object of ResultJson.
nlohmann::json ScreenJson(const tools::FleetScreen& screen, const protocol::ScreenResult& result,
                          nlohmann::json value) {
  const protocol::Outcome& outcome = result.outcome;
  const nlohmann::json none;
  return {{"name", screen.name.empty() ? none : nlohmann::json(screen.name)},
          {"target", screen.where},
          {"address", screen.target.devAddr},
          {"result", ResultWord(outcome.status.code())},
          {"error", Succeeded(result) ? none : nlohmann::json(api::Describe(outcome.status).text)},
          {"value", std::move(value)},
          {"packets", outcome.packetsDone},
          {"bytes", outcome.bytesDone},
          {"milliseconds", result.milliseconds}};
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

nlohmann::json PowerJson(int32_t value) {
  return value == 0 || value == 1 ? nlohmann::json(PowerWord(value)) : nlohmann::json(value);
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
                       const std::vector<protocol::ScreenResult>& results, const ValueJson& value) {
  nlohmann::json array = nlohmann::json::array();
  for (size_t i = 0; i < screens.size(); ++i)
    array.push_back(ScreenJson(screens[i], results[i],
                               Succeeded(results[i]) ? value(results[i]) : nlohmann::json()));
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
  const auto read = [](const protocol::ScreenResult& result, const auto& word) {
    return Succeeded(result) ? nlohmann::json(word(*result.outcome.value)) : nlohmann::json();
  };
  nlohmann::json array = nlohmann::json::array();
  for (size_t i = 0; i < screens.size(); ++i) {
    protocol::ScreenResult both = Worse(power[i], brightness[i]);
    both.outcome.packetsDone = power[i].outcome.packetsDone + brightness[i].outcome.packetsDone;
    both.milliseconds = power[i].milliseconds + brightness[i].milliseconds;
    const nlohmann::json value = {{"power", read(power[i], PowerJson)},
                                  {"brightness", read(brightness[i], std::identity())}};
    array.push_back(ScreenJson(screens[i], both, value));
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
