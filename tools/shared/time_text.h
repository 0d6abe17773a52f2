// SPDX-License-Identifier: MIT
#pragma once

#include <optional>
#include <string>

#include "platform/clock.h"

// Times as the command line gives them and as the tools print them.
namespace veltrane::tools {

// "HH:MM:SS" (or "HH:MM") on the date of `today`; nothing for anything else.
std::optional<platform::LocalTime> ParseTimeOfDay(const std::string& text,
                                                  const platform::LocalTime& today);

// "YYYY-MM-DD HH:MM:SS" on a real date (years 1..9999), with its weekday; nothing for anything
// else.
std::optional<platform::LocalTime> ParseDateTime(const std::string& text);

// "YYYY-MM-DD HH:MM:SS".
std::string DateTimeText(const platform::LocalTime& time);

}  // namespace veltrane::tools
