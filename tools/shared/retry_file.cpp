// SPDX-License-Identifier: MIT
#include "shared/retry_file.h"

#include <nlohmann/json.hpp>
#include <optional>

#include "shared/refusal.h"

namespace veltrane::tools {
namespace {

using nlohmann::json;

// An array of flat objects: nothing deeper is read, however deep the text nests.
constexpr int kMaxDepth = 2;

// Thrown by the parser's callback to stop at the first level too deep.
struct TooDeep {};

std::optional<std::string> EntryProblem(const json& entry) {
  if (!entry.is_object()) return "is not an object";
  const auto target = entry.find("target");
  const auto address = entry.find("address");
  const auto result = entry.find("result");
  if (target == entry.end() || !target->is_string()) return "has no \"target\" text";
  if (address == entry.end() || !address->is_number_integer() || *address < 0 || *address > 255)
    return "has no \"address\" 0..255";
  if (result == entry.end() || !result->is_string()) return "has no \"result\" text";
  return std::nullopt;
}

}  // namespace

Result<std::vector<EarlierResult>> ParseRetryFile(std::string_view text) {
  const auto notTooDeep = [](int depth, json::parse_event_t, json&) {
    if (depth > kMaxDepth) throw TooDeep{};
    return true;
  };
  json document;
  try {
    document = json::parse(text.begin(), text.end(), notTooDeep);
  } catch (const TooDeep&) {
    return Refusal("not an earlier --json result: it nests deeper than one");
  } catch (const json::exception&) {  // syntax, encoding, or a number too large to hold
    return Refusal("not JSON");
  }
  if (!document.is_array()) return Refusal("not an earlier --json result: not an array");
  std::vector<EarlierResult> results;
  for (size_t i = 0; i < document.size(); ++i) {
    const json& entry = document[i];
    if (const auto problem = EntryProblem(entry))
      return Refusal("entry " + std::to_string(i + 1) + " " + *problem);
    results.push_back({entry["target"].get<std::string>(), entry["address"].get<int32_t>(),
                       entry["result"].get<std::string>() == "ok"});
  }
  return results;
}

}  // namespace veltrane::tools
