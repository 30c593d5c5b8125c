#pragma once

#include <string>

namespace net {

// Brings `held` (a Cookie header value) up to date with `received`, the
// name=value items an answer set: received items first, then held items not
// replaced, "=deleted" items dropped, exact repeats removed. Both texts lose
// every space. Returns a copy of the new `held`.
std::string CookieMerge(std::string& held, std::string& received);

}  // namespace net
