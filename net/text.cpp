#include "net/text.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <climits>
#include <ctime>
#include <filesystem>
#include <iterator>
#include <span>
#include <thread>

#include <utf8.h>

#include "net/job-control.h"

namespace net {

namespace {

constexpr std::string_view IdeographicSpace = "\xE3\x80\x80";  // U+3000
constexpr std::string_view QuotePlaceholder = "#引号";

char lowerAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool equalsAt(std::string_view text, std::size_t at, std::string_view needle, bool ignoreCase)
{
    if (at > text.size() || text.size() - at < needle.size())
        return false;
    if (!ignoreCase)
        return text.compare(at, needle.size(), needle) == 0;
    for (std::size_t i = 0; i < needle.size(); ++i) {
        if (lowerAscii(text[at + i]) != lowerAscii(needle[i]))
            return false;
    }
    return true;
}

// 0-based byte offset of `needle` at or after `from`, or npos. Valid UTF-8
// never has a character start inside another character, so a byte search
// for a whole UTF-8 needle can only land on a character boundary.
std::size_t findFrom(std::string_view text, std::string_view needle, std::size_t from, bool ignoreCase)
{
    if (from > text.size())
        return std::string_view::npos;
    if (!ignoreCase)
        return text.find(needle, from);
    if (needle.size() > text.size())
        return std::string_view::npos;
    for (std::size_t at = from; at + needle.size() <= text.size(); ++at) {
        if (equalsAt(text, at, needle, true))
            return at;
    }
    return std::string_view::npos;
}

bool isSpaceAt(std::string_view text, std::size_t at, std::size_t& width)
{
    if (text[at] == ' ') {
        width = 1;
        return true;
    }
    if (text.substr(at, IdeographicSpace.size()) == IdeographicSpace) {
        width = IdeographicSpace.size();
        return true;
    }
    return false;
}

std::string withQuotes(std::string_view marker)
{
    return ReplaceText(marker, QuotePlaceholder, "\"");
}

// Removes every occurrence of each of `pieces` and every byte `dropByte`
// picks. Checking the tail of the output after each byte also removes a
// piece that only forms once the bytes between its parts are gone (possible
// in text that is not valid UTF-8), so the result never holds one.
template <typename DropByte>
std::string removeAll(std::string_view text, std::span<std::string_view const> pieces, DropByte dropByte)
{
    std::string out;
    out.reserve(text.size());
    for (char const c : text) {
        if (dropByte(c))
            continue;
        out += c;
        for (auto const piece : pieces) {
            if (out.ends_with(piece)) {
                out.resize(out.size() - piece.size());
                break;
            }
        }
    }
    return out;
}

}  // namespace

std::string Trim(std::string_view text)
{
    std::size_t begin = 0;
    std::size_t width = 0;
    while (begin < text.size() && isSpaceAt(text, begin, width))
        begin += width;
    std::size_t end = text.size();
    while (end > begin) {
        if (text[end - 1] == ' ') {
            --end;
        } else if (end - begin >= IdeographicSpace.size() &&
                   text.substr(end - IdeographicSpace.size(), IdeographicSpace.size()) == IdeographicSpace) {
            end -= IdeographicSpace.size();
        } else {
            break;
        }
    }
    return std::string(text.substr(begin, end - begin));
}

std::string RemoveSpaces(std::string_view text)
{
    static constexpr std::array<std::string_view, 1> Spaces{IdeographicSpace};
    return removeAll(text, Spaces, [](char c) { return c == ' '; });
}

long long FindText(std::string_view text, std::string_view needle, long long start, bool ignoreCase)
{
    std::size_t const from = start < 1 ? 0 : static_cast<std::size_t>(start - 1);
    auto const at = findFrom(text, needle, from, ignoreCase);
    return at == std::string_view::npos ? -1 : static_cast<long long>(at) + 1;
}

std::string ReplaceText(std::string_view text, std::string_view from, std::string_view to, bool ignoreCase)
{
    if (from.empty())
        return std::string(text);
    std::string out;
    out.reserve(text.size());
    std::size_t at = 0;
    while (true) {
        auto const hit = findFrom(text, from, at, ignoreCase);
        if (hit == std::string_view::npos)
            break;
        out.append(text.substr(at, hit - at));
        out.append(to);
        at = hit + from.size();
    }
    out.append(text.substr(at));
    return out;
}

std::string AsciiLower(std::string_view text)
{
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(), lowerAscii);
    return out;
}

std::string TextBetween(std::string_view text, std::string_view left, std::string_view right, long long start,
                        bool ignoreCase)
{
    auto const leftMarker = withQuotes(left);
    auto const rightMarker = withQuotes(right);
    auto const leftAt = FindText(text, leftMarker, start, ignoreCase);
    if (leftAt < 0)
        return {};
    auto const from = static_cast<std::size_t>(leftAt - 1) + leftMarker.size();
    auto const rightAt = findFrom(text, rightMarker, from, ignoreCase);
    if (rightAt == std::string_view::npos)
        return {};
    return std::string(text.substr(from, rightAt - from));
}

std::string HeaderName(std::string_view line)
{
    auto const colon = line.find(':');
    return colon == std::string_view::npos ? std::string() : Trim(line.substr(0, colon));
}

std::string HeaderValue(std::string_view line)
{
    auto const colon = line.find(':');
    return colon == std::string_view::npos ? std::string() : Trim(line.substr(colon + 1));
}

std::string Utf8ToText(std::string_view bytes)
{
    auto const zero = bytes.find('\0');
    if (zero != std::string_view::npos)
        bytes = bytes.substr(0, zero);
    std::string out;
    out.reserve(bytes.size());
    utf8::replace_invalid(bytes.begin(), bytes.end(), std::back_inserter(out), 0xFFFDu);
    return out;
}

std::string SafeFileName(std::string_view text)
{
    // Control characters are dropped too: a line break or tab copied from a
    // page title makes a folder name that other programs mishandle.
    static constexpr std::array<std::string_view, 9> FullWidth{
        "：", "、", "？", "。", "（", "）", "·", "！", "，",
    };
    return removeAll(text, FullWidth, [](char c) {
        return std::string_view(":\\/?*<>|.& ").find(c) != std::string_view::npos || (c >= '\x01' && c < ' ') ||
               c == '\x7F';
    });
}

bool IsDirectory(std::string const& path)
{
    std::error_code error;
    return !path.empty() && std::filesystem::is_directory(path, error);
}

bool EnsureFolder(std::string& path)
{
    if (path.empty() || path.back() != '/')
        path += '/';
    std::error_code error;
    std::filesystem::create_directories(path, error);
    return std::filesystem::is_directory(path, error);
}

bool PumpedDelay(long long amount, long long unit, JobControl* control)
{
    long long perUnit = unit;
    switch (unit) {
    case 0:
        perUnit = 1;
        break;
    case 1:
        perUnit = 1000;
        break;
    case 2:
        perUnit = 60 * 1000;
        break;
    case 3:
        perUnit = 60 * 60 * 1000;
        break;
    default:
        break;
    }
    long long milliseconds = 0;
    if (amount > 0 && perUnit > 0)
        milliseconds = amount > LLONG_MAX / perUnit ? LLONG_MAX : amount * perUnit;
    // Keeps the nanosecond clock arithmetic inside the waits clear of
    // overflow; a thousand days is "forever" for any caller.
    constexpr long long Longest = 1000LL * 24 * 60 * 60 * 1000;
    auto const wait = std::chrono::milliseconds(std::min(milliseconds, Longest));
    if (control != nullptr)
        return control->waitFor(wait);
    std::this_thread::sleep_for(wait);
    return true;
}

std::int64_t UnixSeconds(DateTime const& when)
{
    using namespace std::chrono;
    // A month outside 1-12 carries into the year; a day past the month's end
    // counts on into the next month, as the calendar arithmetic does.
    long long const months = static_cast<long long>(when.year) * 12 + (static_cast<long long>(when.month) - 1);
    auto const year = static_cast<int>(months >= 0 ? months / 12 : (months - 11) / 12);
    auto const month = static_cast<unsigned>(months - static_cast<long long>(year) * 12 + 1);
    auto const firstOfMonth = sys_days{std::chrono::year{year} / std::chrono::month{month} / 1};
    auto const days = static_cast<std::int64_t>(firstOfMonth.time_since_epoch().count()) + when.day - 1;
    std::int64_t const seconds = days * 86400 + static_cast<std::int64_t>(when.hour) * 3600 +
                                 static_cast<std::int64_t>(when.minute) * 60 + when.second;
    return seconds - 8 * 3600;
}

DateTime LocalNow()
{
    auto const now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return DateTime{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec};
}

long long LeadingNumber(std::string_view text)
{
    std::size_t at = 0;
    while (at < text.size() && (text[at] == ' ' || (text[at] >= '\t' && text[at] <= '\r')))
        ++at;
    bool negative = false;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) {
        negative = text[at] == '-';
        ++at;
    }
    long long value = 0;
    for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at) {
        int const digit = text[at] - '0';
        if (value > (LLONG_MAX - digit) / 10)
            return negative ? LLONG_MIN : LLONG_MAX;
        value = value * 10 + digit;
    }
    return negative ? -value : value;
}

}  // namespace net
