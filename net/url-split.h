#pragma once

#include <string>
#include <string_view>

namespace net {

// Plain text search on an address; never fails (a malformed address yields
// some host, port and path, and the connection fails later).

// Host in lower case; with `keepPort`, followed by ":port" when one is named.
std::string UrlHost(std::string_view address, bool keepPort = false);
int UrlPort(std::string_view address);
// Object path from the first "/" after the host, at least "/".
std::string UrlPath(std::string_view address);

}  // namespace net
