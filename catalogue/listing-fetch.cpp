#include "catalogue/listing-fetch.h"

#include "app/throttle-countdown.h"
#include "net/job-control.h"
#include "net/page-request.h"
#include "net/plain-get.h"

namespace catalogue {

namespace {

constexpr char StatusLabel[] = "标签_动态";

// What the countdown's log entry names as the reason.
std::string refusalCause(int status)
{
    if (status == 403 || status == 429)
        return "状态码" + std::to_string(status);
    return "转到了登录页";
}

}  // namespace

ListingFetch::ListingFetch(app::Window& window, net::JobControl& control, ListingPace const& pace)
    : m_window(window), m_control(control), m_pace(pace), m_schedule(pace.firstRefusalWait, pace.longestRefusalWait)
{
}

std::optional<std::string> ListingFetch::page(std::string const& url)
{
    auto const answer = ask(url, m_pace.pageAttempts, [this](std::string const& address, Answer& into) {
        net::PageRequestArgs args;
        args.control = &m_control;
        args.status = &into.status;
        args.finalUrl = &into.finalUrl;
        into.body = net::PageRequest(address, args);
    });
    if (!answer)
        return std::nullopt;
    return net::Utf8ToText(answer->body);
}

std::optional<net::Bytes> ListingFetch::cover(std::string const& url, int& status)
{
    auto answer = ask(url, 1, [this](std::string const& address, Answer& into) {
        into.body = net::PlainGet(address, &into.status, &m_control, &into.finalUrl);
    });
    if (!answer)
        return std::nullopt;
    status = answer->status;
    return std::move(answer->body);
}

template <typename Get>
std::optional<ListingFetch::Answer> ListingFetch::ask(std::string const& url, int attempts, Get const& get)
{
    for (int attempt = 1;; ++attempt) {
        if (!keepPace())
            return std::nullopt;
        Answer answer;
        get(url, answer);
        m_lastAnswer = std::chrono::steady_clock::now();
        if (m_control.isStopped())
            return std::nullopt;
        switch (net::ClassifyAnswer(answer.status, url, answer.finalUrl)) {
        case net::AnswerKind::Success:
            m_schedule.onSuccess();
            return answer;
        case net::AnswerKind::Throttled:
            if (!waitOutRefusal(answer))
                return std::nullopt;
            attempt = 0;  // the refused request starts its attempts afresh
            break;
        case net::AnswerKind::Transient:
            if (attempt >= attempts)
                return answer;
            if (!m_control.waitFor(m_pace.retryWait))
                return std::nullopt;
            break;
        case net::AnswerKind::Missing:
        case net::AnswerKind::Failed:
            return answer;
        }
    }
}

bool ListingFetch::keepPace()
{
    if (!m_control.checkpoint())
        return false;
    if (m_pace.politeDelay.count() <= 0 || !m_lastAnswer)
        return true;
    auto const left = *m_lastAnswer + m_pace.politeDelay - std::chrono::steady_clock::now();
    if (left <= std::chrono::steady_clock::duration::zero())
        return true;
    return m_control.waitFor(std::chrono::ceil<std::chrono::milliseconds>(left));
}

bool ListingFetch::waitOutRefusal(Answer const& refused)
{
    // The listing has no pause or continue button: the countdown runs out
    // by itself, and only the listing's stop ends it early.
    m_control.pause();
    app::CountdownEnd const end = app::ThrottleCountdown(m_window, m_control, StatusLabel, m_schedule.nextWait(),
                                                         m_pace.countdownTick, refusalCause(refused.status));
    m_control.resume();
    return end != app::CountdownEnd::Stopped && !m_control.isStopped();
}

}  // namespace catalogue
