// Merges arbitrary cookie texts and checks the result's shape: it is left in
// the held text, holds no space, no deleted item and no exact repeat, and
// every item comes from one of the two inputs.
// Input: held NUL received.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "net/cookie-merge.h"
#include "net/text.h"

namespace {

std::vector<std::string> split(std::string_view text, std::string_view separator)
{
    std::vector<std::string> items;
    std::size_t at = 0;
    while (at < text.size()) {
        auto const next = text.find(separator, at);
        items.emplace_back(text.substr(at, next == std::string_view::npos ? std::string_view::npos : next - at));
        if (next == std::string_view::npos)
            break;
        at = next + separator.size();
    }
    return items;
}

void require(bool condition)
{
    if (!condition)
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size)
{
    std::string_view const input(reinterpret_cast<char const*>(data), size);
    auto const zero = input.find('\0');
    std::string held(input.substr(0, zero));
    std::string received(zero == std::string_view::npos ? std::string_view() : input.substr(zero + 1));

    auto const sources = split(net::RemoveSpaces(received) + ";" + net::RemoveSpaces(held), ";");
    auto const merged = net::CookieMerge(held, received);

    require(merged == held);
    require(received == net::RemoveSpaces(received));
    auto const items = split(merged, "; ");
    for (std::size_t i = 0; i < items.size(); ++i) {
        require(items[i].find(' ') == std::string::npos);
        require(!items[i].ends_with("=deleted"));
        require(std::find(sources.begin(), sources.end(), items[i]) != sources.end());
        require(std::find(items.begin() + static_cast<std::ptrdiff_t>(i) + 1, items.end(), items[i]) == items.end());
    }
    return 0;
}
