// Drives the text toolkit over arbitrary bytes and checks what callers rely
// on: TextBetween gives exactly the text between its markers, converted text
// is valid UTF-8, cleaned names hold no separator, trimming is stable.
// Input: flags byte, then text NUL left NUL right (missing parts are empty).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include <utf8cpp/utf8.h>

#include "net/text.h"

namespace {

std::string_view nextField(std::string_view& data)
{
    auto const zero = data.find('\0');
    auto const field = data.substr(0, zero);
    data = zero == std::string_view::npos ? std::string_view() : data.substr(zero + 1);
    return field;
}

void require(bool condition)
{
    if (!condition)
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size)
{
    if (size == 0)
        return 0;
    auto const flags = data[0];
    std::string_view rest(reinterpret_cast<char const*>(data) + 1, size - 1);
    auto const text = nextField(rest);
    auto const left = nextField(rest);
    auto const right = nextField(rest);
    bool const ignoreCase = (flags & 1) != 0;
    long long const start = static_cast<long long>(flags >> 1) - 8;

    auto const between = net::TextBetween(text, left, right, start, ignoreCase);
    if (!between.empty()) {
        auto const leftMarker = net::ReplaceText(left, "#引号", "\"");
        auto const rightMarker = net::ReplaceText(right, "#引号", "\"");
        auto const leftAt = net::FindText(text, leftMarker, start, ignoreCase);
        require(leftAt >= 1);
        auto const from = static_cast<std::size_t>(leftAt - 1) + leftMarker.size();
        require(text.substr(from, between.size()) == between);
        require(net::FindText(text, rightMarker, static_cast<long long>(from) + 1, ignoreCase) ==
                static_cast<long long>(from + between.size()) + 1);
    }

    auto const converted = net::Utf8ToText(text);
    require(utf8::is_valid(converted.begin(), converted.end()));
    require(converted.find('\0') == std::string::npos);

    auto const safe = net::SafeFileName(converted);
    require(utf8::is_valid(safe.begin(), safe.end()));
    require(safe.find_first_of("/\\.:") == std::string::npos);

    // Also on raw bytes: a removal never leaves a listed character behind.
    auto const compact = net::RemoveSpaces(text);
    require(compact.find(' ') == std::string::npos && compact.find("\u3000") == std::string::npos);
    auto const rawSafe = net::SafeFileName(text);
    for (std::string_view const unsafe : {"/", "\\", ".", "：", "、", "？", "。", "（", "）", "·", "！", "，"})
        require(rawSafe.find(unsafe) == std::string::npos);

    auto const trimmed = net::Trim(converted);
    require(net::Trim(trimmed) == trimmed);
    require(trimmed.empty() || (trimmed.front() != ' ' && trimmed.back() != ' '));

    if (!left.empty())
        require(net::ReplaceText(text, left, left, ignoreCase).size() == text.size());
    return 0;
}
