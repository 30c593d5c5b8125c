#pragma once

// Internal to core_net: cookie texts in and out of the cookie store.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "net/cookie-store.h"

namespace net::web {

// A Set-Cookie header value as the answer to `url` sets it: host-only
// unless a Domain attribute names the host or a parent of it (any other
// domain is refused); path from the address when the Path attribute is
// missing; Max-Age before Expires. Nothing for a value without "name=".
std::optional<Cookie> ParseSetCookie(std::string_view value, std::string_view url);

// One line of a Netscape cookies.txt file ("#HttpOnly_" prefix understood).
// Nothing for comments, blank lines and lines without seven fields.
std::optional<Cookie> ParseNetscapeLine(std::string_view line);
std::string NetscapeLine(Cookie const& cookie);

// Hands the cookies an answer set through the store to the listener.
void NotifyAnswerCookies(std::vector<Cookie> const& cookies);

}  // namespace net::web
