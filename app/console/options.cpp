#include "app/console/options.h"

#include <charconv>
#include <chrono>

namespace app::console {

char const* const UsageText =
    "Usage: tervala-cli [OPTIONS] ADDRESS\n"
    "  ADDRESS               a user's home page or one album address, checked as the album address box\n"
    "  -d, --dest DIR        save location (the text of 编辑框_保存位置); default: the current folder\n"
    "  -m, --mode MODE       browse | api   (default: the settings file's \"模式\")\n"
    "  -s, --size SIZE       medium | full  (default: the settings file's \"大小\")\n"
    "  --record / --no-record  the record look-up for this run (default: the settings file's \"下载记录\")\n"
    "  --from DATE --to DATE   a date window (API mode), DATE as YYYY-MM-DD[ HH:MM:SS]\n"
    "  --albums LIST         row numbers to download, e.g. 1,3-5 (default: all listed rows)\n"
    "  --sleep SECONDS       wait this long between requests to the site (default: the settings file's \"请求间隔\")\n"
    "  --list                print the listed rows (number, title, address, tab-separated) and stop\n"
    "  --cookies FILE        load a Netscape cookies.txt into the shared store before any request\n"
    "  --site-root URL, --site-domain NAME, --api-root URL   override SiteWebRoot, SiteDomain, SiteApiRoot\n"
    "  -q, --quiet; -h, --help; -V, --version\n"
    "\n"
    "When the site limits access the job waits (30 s, doubling up to 10 min) and goes on by itself;\n"
    "the countdown shows on stderr.\n"
    "\n"
    "Exit status: 0 done, 1 a photo or album failed (an album showing fewer photos than it states\n"
    "counts failed), 2 bad usage or a refused address, 130 interrupted.\n";

namespace {

bool readNumber(std::string_view text, int& value)
{
    if (text.empty())
        return false;
    auto const [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size();
}

// Options that take a value, by their long name; short names map onto them.
bool takesValue(std::string const& name)
{
    static char const* const withValue[] = {"dest",    "mode",      "size",        "from",     "to",   "albums",
                                            "cookies", "site-root", "site-domain", "api-root", "sleep"};
    for (char const* option : withValue)
        if (name == option)
            return true;
    return false;
}

std::string longName(char shortName)
{
    switch (shortName) {
    case 'd': return "dest";
    case 'm': return "mode";
    case 's': return "size";
    case 'q': return "quiet";
    case 'h': return "help";
    case 'V': return "version";
    default: return {};
    }
}

std::string apply(Options& options, std::string const& name, std::string const& value)
{
    if (name == "dest") {
        if (value.empty())
            return "--dest needs a folder";
        options.dest = value;
    } else if (name == "mode") {
        if (value != "browse" && value != "api")
            return "--mode must be browse or api, not '" + value + "'";
        options.browseMode = value == "browse";
    } else if (name == "size") {
        if (value != "medium" && value != "full")
            return "--size must be medium or full, not '" + value + "'";
        options.mediumSize = value == "medium";
    } else if (name == "record") {
        options.record = true;
    } else if (name == "no-record") {
        options.record = false;
    } else if (name == "from" || name == "to") {
        auto const date = ParseDate(value, name == "to");
        if (!date)
            return "--" + name + " wants YYYY-MM-DD or YYYY-MM-DD HH:MM:SS, not '" + value + "'";
        (name == "from" ? options.from : options.to) = date;
    } else if (name == "albums") {
        options.albums = ParseRowList(value);
        if (!options.albums)
            return "--albums wants row numbers such as 1,3-5, not '" + value + "'";
    } else if (name == "sleep") {
        int seconds = 0;
        if (!readNumber(value, seconds) || seconds < 0 || seconds > 24 * 60 * 60)
            return "--sleep wants whole seconds from 0 to 86400, not '" + value + "'";
        options.sleepSeconds = seconds;
    } else if (name == "list") {
        options.listOnly = true;
    } else if (name == "cookies") {
        options.cookiesFile = value;
    } else if (name == "site-root") {
        options.siteRoot = value;
    } else if (name == "site-domain") {
        options.siteDomain = value;
    } else if (name == "api-root") {
        options.apiRoot = value;
    } else if (name == "quiet") {
        options.quiet = true;
    } else if (name == "help") {
        options.help = true;
    } else if (name == "version") {
        options.version = true;
    } else {
        return "unknown option --" + name;
    }
    return {};
}

}  // namespace

std::optional<net::DateTime> ParseDate(std::string const& text, bool endOfDay)
{
    auto const field = [&](size_t at, size_t length, int& value) {
        return at + length <= text.size() && readNumber(std::string_view(text).substr(at, length), value);
    };
    net::DateTime when;
    bool const dateOnly = text.size() == 10;
    if ((!dateOnly && text.size() != 19) || text[4] != '-' || text[7] != '-' || !field(0, 4, when.year)
        || !field(5, 2, when.month) || !field(8, 2, when.day))
        return std::nullopt;
    std::chrono::year_month_day const day{std::chrono::year(when.year), std::chrono::month(unsigned(when.month)),
                                          std::chrono::day(unsigned(when.day))};
    if (!day.ok())
        return std::nullopt;
    if (dateOnly) {
        if (endOfDay) {
            when.hour = 23;
            when.minute = 59;
            when.second = 59;
        }
        return when;
    }
    if (text[10] != ' ' || text[13] != ':' || text[16] != ':' || !field(11, 2, when.hour) || !field(14, 2, when.minute)
        || !field(17, 2, when.second) || when.hour > 23 || when.minute > 59 || when.second > 59)
        return std::nullopt;
    return when;
}

std::optional<std::set<int>> ParseRowList(std::string const& text)
{
    std::set<int> rows;
    size_t start = 0;
    while (start <= text.size()) {
        size_t const comma = text.find(',', start);
        std::string_view const item =
            std::string_view(text).substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        size_t const dash = item.find('-');
        int first = 0;
        int last = 0;
        if (dash == std::string_view::npos) {
            if (!readNumber(item, first))
                return std::nullopt;
            last = first;
        } else if (!readNumber(item.substr(0, dash), first) || !readNumber(item.substr(dash + 1), last)) {
            return std::nullopt;
        }
        // Bounded, so "1-2000000000" cannot fill the memory.
        if (first < 1 || last < first || last - first > 100000)
            return std::nullopt;
        for (int row = first; row <= last; ++row)
            rows.insert(row);
        if (comma == std::string::npos)
            break;
        start = comma + 1;
    }
    return rows;
}

ParseResult ParseOptions(std::vector<std::string> const& arguments)
{
    ParseResult result;
    Options& options = result.options;
    std::vector<std::string> positional;
    for (size_t i = 0; i < arguments.size(); ++i) {
        std::string const& argument = arguments[i];
        std::string name;
        std::optional<std::string> value;
        if (argument == "--") {
            positional.insert(positional.end(), arguments.begin() + static_cast<long>(i) + 1, arguments.end());
            break;
        }
        if (argument.starts_with("--")) {
            name = argument.substr(2);
            if (auto const equals = name.find('='); equals != std::string::npos) {
                value = name.substr(equals + 1);
                name.resize(equals);
            }
        } else if (argument.size() >= 2 && argument[0] == '-') {
            name = longName(argument[1]);
            if (name.empty()) {
                result.error = "unknown option " + argument.substr(0, 2);
                return result;
            }
            if (argument.size() > 2) {
                if (!takesValue(name)) {
                    result.error = "unknown option " + argument;
                    return result;
                }
                value = argument.substr(2);
            }
        } else {
            positional.push_back(argument);
            continue;
        }
        if (takesValue(name) && !value) {
            if (i + 1 >= arguments.size()) {
                result.error = "option --" + name + " needs a value";
                return result;
            }
            value = arguments[++i];
        } else if (!takesValue(name) && value) {
            result.error = "option --" + name + " takes no value";
            return result;
        }
        result.error = apply(options, name, value.value_or(""));
        if (!result.error.empty())
            return result;
    }
    if (options.help || options.version)
        return result;
    if (positional.size() != 1) {
        result.error = positional.empty() ? "no ADDRESS given" : "more than one ADDRESS given";
        return result;
    }
    options.address = positional.front();
    if (options.from && options.to && net::UnixSeconds(*options.to) < net::UnixSeconds(*options.from))
        result.error = "--to lies before --from";
    return result;
}

}  // namespace app::console
