// SPDX-License-Identifier: MIT
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace veltrane::studio {

// Whoever holds the token the studio printed may use it: the address it prints carries the
// token, the page it serves then keeps it in a cookie that only this origin sends, and every
// request that changes anything carries it in a header as well, which a page of another site
// cannot add to a request it makes here.
inline constexpr std::string_view kTokenCookie = "veltrane_studio";
inline constexpr std::string_view kTokenHeader = "X-Veltrane-Token";
inline constexpr std::string_view kTokenQuery = "token";

// A fresh token: 32 bytes of the system's random source as 64 hexadecimal digits.
std::string MakeToken();

// Whether `given` is the token, in a time that does not depend on where they differ.
bool SameToken(std::string_view given, std::string_view token);

// The value of the cookie `name` in a Cookie header ("a=1; veltrane_studio=T"); nothing when
// the header does not set it.
std::optional<std::string_view> CookieValue(std::string_view header, std::string_view name);

// The Set-Cookie value that keeps the token for this origin's requests.
std::string TokenCookie(std::string_view token);

// What a request carries of the token.
struct Credentials {
  bool changesState = false;  // anything but GET and HEAD
  std::string_view cookieHeader;
  std::string_view tokenHeader;
};

enum class Verdict { Allowed, NoCookie, NoHeader };

// Whether a request may be served: its cookie holds the token, and for a request that changes
// state so does its token header.
Verdict Judge(const Credentials& request, std::string_view token);

}  // namespace veltrane::studio
