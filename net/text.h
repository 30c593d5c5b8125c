#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace net {

class JobControl;

// Bytes as received or written: may hold zeros. Text is UTF-8.
using Bytes = std::string;

// A plain calendar date-time, read without any time-zone conversion.
struct DateTime {
    int year = 1970;
    int month = 1;
    int day = 1;
    int hour = 0;
    int minute = 0;
    int second = 0;
};

// Positions are 1-based byte positions; -1 means not found.

// Removes half-width spaces and U+3000 at both ends; tabs and line breaks stay.
std::string Trim(std::string_view text);

// Removes every half-width space and U+3000, wherever it stands.
std::string RemoveSpaces(std::string_view text);

// 1-based position of `needle` in `text` at or after `start` (below 1: from
// the beginning), or -1. The ignore-case flag folds ASCII letters only.
long long FindText(std::string_view text, std::string_view needle, long long start = 1, bool ignoreCase = false);

// Replaces every occurrence of `from` by `to`; ASCII-only case folding.
std::string ReplaceText(std::string_view text, std::string_view from, std::string_view to, bool ignoreCase = false);

// ASCII A-Z lowered; everything else unchanged.
std::string AsciiLower(std::string_view text);

// The text between the first `left` at or after `start` and the next `right`
// after it; empty when either is missing. "#引号" in a marker stands for '"'.
std::string TextBetween(std::string_view text, std::string_view left, std::string_view right, long long start = 0,
                        bool ignoreCase = false);

// Header line halves split at the first ':' and trimmed; empty without ':'.
std::string HeaderName(std::string_view line);
std::string HeaderValue(std::string_view line);

// The bytes read as UTF-8: invalid sequences become U+FFFD, the text ends at
// the first zero byte, empty bytes give an empty text.
std::string Utf8ToText(std::string_view bytes);

// The text without the characters that may not stand in a file or folder
// name: half-width : \ / ? * < > | . & and space, full-width ：、？。（）·！，
// and the control characters (tabs, line breaks). The result never holds
// one of them, so it cannot climb out of or split a path.
std::string SafeFileName(std::string_view text);

bool IsDirectory(std::string const& path);

// Creates every folder of `path`; appends a final "/" to it when missing.
// True when the folder exists afterwards.
bool EnsureFolder(std::string& path);

// Waits `amount` units: 0 = ms (default), 1 = s, 2 = min, 3 = h; any other
// unit value is itself the milliseconds per unit. With a control object a
// pause holds the wait and a stop ends it early (then the result is false);
// without one it simply waits.
bool PumpedDelay(long long amount, long long unit = 0, JobControl* control = nullptr);

// Whole seconds from 1970-01-01 08:00:00 to `when`, both plain calendar times.
std::int64_t UnixSeconds(DateTime const& when);

// The current local date-time.
DateTime LocalNow();

// Leading-numeric reading as the C library does it: "12ab" -> 12, "x" -> 0.
long long LeadingNumber(std::string_view text);

}  // namespace net
