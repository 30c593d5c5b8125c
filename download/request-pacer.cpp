#include "download/request-pacer.h"

#include <algorithm>

#include "app/throttle-countdown.h"
#include "app/window.h"
#include "download/job-buttons.h"
#include "net/job-control.h"
#include "net/text.h"

namespace download {

namespace {

constexpr int LongestDelaySeconds = 24 * 60 * 60;

}  // namespace

RequestPacer::RequestPacer(app::Window& window, app::Window& unheld, net::JobControl& control,
                           std::chrono::milliseconds politeDelay, ThrottleTiming timing)
    : m_window(window)
    , m_unheld(unheld)
    , m_control(control)
    , m_politeDelay(std::max(politeDelay, std::chrono::milliseconds(0)))
    , m_tick(timing.tick)
    , m_schedule(timing.first, timing.longest)
{
}

bool RequestPacer::beforeRequest()
{
    if (m_politeDelay.count() > 0 && m_lastAnswer) {
        auto const due = *m_lastAnswer + m_politeDelay;
        auto const now = std::chrono::steady_clock::now();
        if (due > now && !m_control.waitFor(std::chrono::ceil<std::chrono::milliseconds>(due - now)))
            return false;
    }
    return !m_control.isStopped();
}

void RequestPacer::noteAnswer()
{
    m_lastAnswer = std::chrono::steady_clock::now();
}

RequestPacer::Verdict RequestPacer::afterAnswer(int status, std::string const& requestedUrl,
                                                std::string const& finalUrl)
{
    noteAnswer();
    if (m_control.isStopped())
        return Verdict::Stopped;
    switch (net::ClassifyAnswer(status, requestedUrl, finalUrl)) {
    case net::AnswerKind::Throttled:
        return waitOutRefusal(status == 403 || status == 429 ? "状态码" + std::to_string(status)
                                                             : std::string("被转到登录页面"));
    case net::AnswerKind::Success:
        m_schedule.onSuccess();
        return Verdict::Go;
    default:
        return Verdict::Go;
    }
}

RequestPacer::Verdict RequestPacer::waitOutRefusal(std::string const& cause)
{
    // A pause of the user's own holds first: the countdown starts after it.
    if (!m_control.checkpoint())
        return Verdict::Stopped;
    ++m_throttleWaits;
    auto const wait = m_schedule.nextWait();
    ShowButtons(m_window, ButtonState::Paused);
    m_control.pause();
    switch (app::ThrottleCountdown(m_unheld, m_control, CountdownLabel, wait, m_tick, cause)) {
    case app::CountdownEnd::Stopped:
        return Verdict::Stopped;
    case app::CountdownEnd::Continued:
        break;  // the continue button has put the buttons back already
    case app::CountdownEnd::Elapsed:
        m_control.resume();
        ShowButtons(m_window, ButtonState::Running);
        break;
    }
    return m_control.isStopped() ? Verdict::Stopped : Verdict::Retry;
}

int ParseRequestDelay(std::string const& text)
{
    std::string const digits = net::Trim(text);
    if (digits.empty() || !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return 0;
    // Beyond a day is a day; the length check keeps stoi in range.
    if (digits.size() > 9)
        return LongestDelaySeconds;
    return std::min(std::stoi(digits), LongestDelaySeconds);
}

}  // namespace download
