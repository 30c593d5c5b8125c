#include "app/update-check.h"

#include <algorithm>
#include <cctype>
#include <string>
#include <string_view>
#include <vector>

#include "app/program-state.h"
#include "app/window.h"
#include "net/page-request.h"
#include "net/text.h"

namespace app {

namespace {

constexpr char CurrentLabel[] = "标签_banben";
constexpr char LatestLabel[] = "标签_zxbanben";
constexpr char VerdictLabel[] = "标签_banbenjieguo";

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// One dot-separated part as its decimal digits without leading zeros, so
// parts of any length compare without overflow; a part without leading
// digits counts as 0.
std::string partNumber(std::string_view part)
{
    size_t begin = 0;
    while (begin < part.size() && std::isspace(static_cast<unsigned char>(part[begin])))
        ++begin;
    size_t end = begin;
    while (end < part.size() && isDigit(part[end]))
        ++end;
    std::string_view digits = part.substr(begin, end - begin);
    while (!digits.empty() && digits.front() == '0')
        digits.remove_prefix(1);
    return std::string(digits);
}

std::vector<std::string> versionParts(std::string_view version)
{
    std::vector<std::string> parts;
    size_t start = 0;
    while (true) {
        size_t const dot = version.find('.', start);
        parts.push_back(partNumber(version.substr(start, dot == std::string_view::npos ? dot : dot - start)));
        if (dot == std::string_view::npos)
            return parts;
        start = dot + 1;
    }
}

int compareNumbers(std::string const& a, std::string const& b)
{
    if (a.size() != b.size())
        return a.size() < b.size() ? -1 : 1;
    return a.compare(b) < 0 ? -1 : (a == b ? 0 : 1);
}

}  // namespace

int CompareVersions(std::string const& latest, std::string const& current)
{
    std::vector<std::string> const a = versionParts(latest);
    std::vector<std::string> const b = versionParts(current);
    // Missing parts count as 0: "1" equals "1.0".
    for (size_t i = 0; i < std::max(a.size(), b.size()); ++i) {
        int const order = compareNumbers(i < a.size() ? a[i] : std::string(), i < b.size() ? b[i] : std::string());
        if (order != 0)
            return order;
    }
    return 0;
}

void UpdateCheck(Window& window)
{
    std::string const current = window.text(CurrentLabel);
    net::Bytes const body = net::PageRequest(ProgramState::instance().site().updatePageUrl);
    std::string const page = body.substr(0, body.find('\0'));
    std::string const key = std::string("#") + ProductKey;
    std::string const latest = net::TextBetween(page, key + "@@", key);
    window.setText(LatestLabel, latest);
    // No entry, or the page could not be read: nothing to judge.
    if (latest.empty())
        return;
    int const order = CompareVersions(latest, current);
    if (order == 0) {
        window.setText(VerdictLabel, "无需更新");
    } else if (order > 0) {
        window.setText(VerdictLabel, "有新版，联系客服获取最新版！");
        window.messageBox("有新版本，联系客服索取");
    }
}

}  // namespace app
