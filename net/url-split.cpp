#include "net/url-split.h"

#include <climits>

#include "net/text.h"

namespace net {

namespace {

constexpr std::string_view Https = "https://";
constexpr std::string_view Http = "http://";

}  // namespace

std::string UrlHost(std::string_view address, bool keepPort)
{
    auto lowered = AsciiLower(address);
    if (lowered.empty() || lowered.back() != '/')
        lowered += '/';
    std::string host;
    if (lowered.starts_with(Https)) {
        host = TextBetween(lowered, Https, "/");
    } else {
        // Only an address with no "http://" anywhere gets the prefix, so one
        // holding it only in its query takes the host named there.
        if (FindText(lowered, Http) < 0)
            lowered.insert(0, Http);
        host = TextBetween(lowered, Http, "/");
    }
    if (!keepPort) {
        auto const colon = host.find(':');
        if (colon != std::string::npos)
            host.resize(colon);
    }
    return host;
}

int UrlPort(std::string_view address)
{
    auto const host = UrlHost(address, true);
    auto const colon = host.rfind(':');
    if (colon != std::string::npos) {
        auto const port = LeadingNumber(std::string_view(host).substr(colon + 1));
        if (port > INT_MAX)
            return INT_MAX;
        if (port < INT_MIN)
            return INT_MIN;
        return static_cast<int>(port);
    }
    return AsciiLower(address.substr(0, 5)) == "https" ? 443 : 80;
}

std::string UrlPath(std::string_view address)
{
    // The host is looked for from the first character on, so a short host
    // may first be found inside the scheme ("https://s/a" gives "//s/a").
    auto const hostAt = FindText(address, UrlHost(address), 1, true);
    auto const slashAt = FindText(address, "/", hostAt);
    if (slashAt < 0)
        return "/";
    return std::string(address.substr(static_cast<std::size_t>(slashAt - 1)));
}

}  // namespace net
