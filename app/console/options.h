#pragma once

#include <optional>
#include <set>
#include <string>
#include <vector>

#include "net/text.h"

namespace app::console {

// What the command line asks for. Unset optionals take the settings file's
// value (mode, size, record) or the built-in one.
struct Options {
    std::string address;
    std::string dest;                       // empty: the current folder
    std::optional<bool> browseMode;         // --mode browse | api
    std::optional<bool> mediumSize;         // --size medium | full
    std::optional<bool> record;             // --record / --no-record
    std::optional<net::DateTime> from, to;  // --from / --to
    std::optional<std::set<int>> albums;    // --albums, row numbers from 1
    std::optional<int> sleepSeconds;        // --sleep: the polite delay between requests
    bool listOnly = false;
    std::string cookiesFile;
    std::optional<std::string> siteRoot, siteDomain, apiRoot;
    bool quiet = false;
    bool help = false;
    bool version = false;
};

struct ParseResult {
    Options options;
    std::string error;  // empty when the command line is usable
};

ParseResult ParseOptions(std::vector<std::string> const& arguments);

// "YYYY-MM-DD" or "YYYY-MM-DD HH:MM:SS", a real calendar date-time.
// A date alone is the day's start, or its end when `endOfDay`.
std::optional<net::DateTime> ParseDate(std::string const& text, bool endOfDay);

// "1,3-5" -> {1, 3, 4, 5}; nullopt for anything else.
std::optional<std::set<int>> ParseRowList(std::string const& text);

extern char const* const UsageText;

}  // namespace app::console
