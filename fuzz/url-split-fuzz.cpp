// Splits arbitrary addresses and checks what the page request relies on: a
// lower-case host without "/" (and without ":" unless the port is kept), the
// host a prefix of the host with its port, and a path that starts with "/"
// and is the address's own tail.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "net/text.h"
#include "net/url-split.h"

namespace {

void require(bool condition)
{
    if (!condition)
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size)
{
    std::string_view const address(reinterpret_cast<char const*>(data), size);
    auto const host = net::UrlHost(address);
    auto const hostWithPort = net::UrlHost(address, true);
    auto const path = net::UrlPath(address);
    (void)net::UrlPort(address);

    require(host.find('/') == std::string::npos);
    require(host.find(':') == std::string::npos);
    require(host == net::AsciiLower(host));
    require(hostWithPort.starts_with(host));
    require(!path.empty() && path.front() == '/');
    require(path == "/" || address.ends_with(path));
    return 0;
}
