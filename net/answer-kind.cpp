#include "net/answer-kind.h"

#include <algorithm>
#include <array>

#include "net/text.h"

namespace net {

namespace {

// Where the site sends a visitor it will not serve: its login pages and its
// refusal page.
bool IsRefusalAddress(std::string_view url)
{
    static constexpr std::array<std::string_view, 3> Markers = {"login", "passport", "misc/sorry"};
    std::string const lower = AsciiLower(url);
    return std::any_of(Markers.begin(), Markers.end(),
                       [&](std::string_view marker) { return lower.find(marker) != std::string::npos; });
}

}  // namespace

AnswerKind ClassifyAnswer(int status, std::string_view requestedUrl, std::string_view finalUrl)
{
    if (status == 0) {
        return AnswerKind::Transient;
    }
    if (!finalUrl.empty() && finalUrl != requestedUrl && IsRefusalAddress(finalUrl) &&
        !IsRefusalAddress(requestedUrl)) {
        return AnswerKind::Throttled;
    }
    if (status == 403 || status == 429) {
        return AnswerKind::Throttled;
    }
    if (status == 404) {
        return AnswerKind::Missing;
    }
    if (status >= 500 && status <= 599) {
        return AnswerKind::Transient;
    }
    if (status >= 200 && status <= 399) {
        return AnswerKind::Success;
    }
    return AnswerKind::Failed;
}

ThrottleSchedule::ThrottleSchedule(std::chrono::milliseconds first, std::chrono::milliseconds longest)
    : m_first(std::max(first, std::chrono::milliseconds(0)))
    , m_longest(std::max(longest, m_first))
{
}

std::chrono::milliseconds ThrottleSchedule::nextWait()
{
    auto wait = m_first;
    // Doubling step by step keeps a long run of refusals from overflowing.
    for (int step = 0; step < m_refusals && wait < m_longest; ++step) {
        wait *= 2;
    }
    if (m_refusals < 64) {
        ++m_refusals;
    }
    return std::min(wait, m_longest);
}

void ThrottleSchedule::onSuccess()
{
    m_refusals = 0;
}

}  // namespace net
