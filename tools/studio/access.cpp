// SPDX-License-Identifier: MIT
#include "access.h"

#include <array>
#include <cstdint>
#include <random>

namespace veltrane::studio {

std::string MakeToken() {
  std::random_device source;  // the system's random source, not a seeded sequence
  constexpr char kDigits[] = "0123456789abcdef";
  std::string token;
  for (int word = 0; word < 8; ++word) {
    const uint32_t bits = source();
    for (int shift = 28; shift >= 0; shift -= 4) token += kDigits[(bits >> shift) & 0xF];
  }
  return token;
}

bool SameToken(std::string_view given, std::string_view token) {
  if (given.size() != token.size()) return false;
  unsigned char differs = 0;
  for (size_t i = 0; i < token.size(); ++i)
    differs |= static_cast<unsigned char>(given[i] ^ token[i]);
  return differs == 0;
}

std::optional<std::string_view> CookieValue(std::string_view header, std::string_view name) {
  while (!header.empty()) {
    const size_t end = header.find(';');
    std::string_view pair = header.substr(0, end);
    header = end == std::string_view::npos ? std::string_view() : header.substr(end + 1);
    while (pair.starts_with(' ')) pair.remove_prefix(1);
    const size_t equals = pair.find('=');
    if (equals != std::string_view::npos && pair.substr(0, equals) == name)
      return pair.substr(equals + 1);
  }
  return std::nullopt;
}

std::string TokenCookie(std::string_view token) {
  return std::string(kTokenCookie) + "=" + std::string(token) +
         "; Path=/; HttpOnly; SameSite=Strict";
}

Verdict Judge(const Credentials& request, std::string_view token) {
  const std::optional<std::string_view> cookie = CookieValue(request.cookieHeader, kTokenCookie);
  if (!cookie || !SameToken(*cookie, token)) return Verdict::NoCookie;
  if (request.changesState && !SameToken(request.tokenHeader, token)) return Verdict::NoHeader;
  return Verdict::Allowed;
}

}  // namespace veltrane::studio
