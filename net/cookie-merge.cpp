#include "net/cookie-merge.h"

#include <algorithm>
#include <string_view>
#include <vector>

#include "net/text.h"

namespace net {

namespace {

// Pieces of `text` between `separator`s: an empty piece between adjacent
// separators, none after a final one, none at all for an empty text.
std::vector<std::string> splitAt(std::string_view text, std::string_view separator)
{
    std::vector<std::string> pieces;
    std::size_t at = 0;
    while (at < text.size()) {
        auto const next = text.find(separator, at);
        if (next == std::string_view::npos) {
            pieces.emplace_back(text.substr(at));
            break;
        }
        pieces.emplace_back(text.substr(at, next - at));
        at = next + separator.size();
    }
    return pieces;
}

std::string itemName(std::string_view item)
{
    return Trim(item.substr(0, item.find('=')));
}

std::string joined(std::vector<std::string> const& items)
{
    std::string out;
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (i > 0)
            out += "; ";
        out += items[i];
    }
    return out;
}

}  // namespace

std::string CookieMerge(std::string& held, std::string& received)
{
    held = RemoveSpaces(held);
    received = RemoveSpaces(received);

    // Received items come first, so they win over held items of one name.
    auto merged = splitAt(received, ";");
    for (auto& item : splitAt(held, ";")) {
        auto const name = itemName(item);
        bool const replaced =
            std::any_of(merged.begin(), merged.end(), [&](std::string const& kept) { return itemName(kept) == name; });
        if (!replaced)
            merged.push_back(std::move(item));
    }

    std::string text;
    for (auto const& item : merged) {
        if (!item.ends_with("=deleted"))
            text += item + "; ";
    }
    if (!text.empty())
        text.resize(text.size() - 2);

    std::vector<std::string> unique;
    for (auto& item : splitAt(text, "; ")) {
        if (std::find(unique.begin(), unique.end(), item) == unique.end())
            unique.push_back(std::move(item));
    }
    held = joined(unique);
    return held;
}

}  // namespace net
