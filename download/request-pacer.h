#pragma once

#include <chrono>
#include <optional>
#include <string>

#include "net/answer-kind.h"

namespace app {
class Window;
}

namespace net {
class JobControl;
}

namespace download {

// Where the job counts down its waits: the album page's status label.
inline constexpr char const* CountdownLabel = "标签_动态";

// How long the job waits when the site limits it; tests shorten all three.
struct ThrottleTiming {
    std::chrono::milliseconds first = std::chrono::seconds(30);
    std::chrono::milliseconds longest = std::chrono::minutes(10);
    std::chrono::milliseconds tick = std::chrono::seconds(1);  // one counted-down second
};

// The pace of one job's requests to the site: the polite delay between
// consecutive requests, and the self-imposed pause with its countdown when
// the site refuses because we came too often. Used by the job's worker only.
class RequestPacer {
public:
    // `window` is the worker's held view of the window, `unheld` the window
    // itself: the countdown must show while the job is paused.
    RequestPacer(app::Window& window, app::Window& unheld, net::JobControl& control,
                 std::chrono::milliseconds politeDelay, ThrottleTiming timing);

    // Before each request: waits out the polite delay since the last answer
    // (a pause holds it). False once the job is stopped.
    bool beforeRequest();

    enum class Verdict { Go, Retry, Stopped };
    // After each answer. A refusal pauses the job: buttons to the paused
    // state, the countdown, then on by itself (buttons back) or at once on
    // continue; Retry means: make the same request again. Any other answer
    // gives Go, and a success lets the waits fall back to the first.
    Verdict afterAnswer(int status, std::string const& requestedUrl, std::string const& finalUrl);
    // Notes an answer that is handled elsewhere (only its time counts).
    void noteAnswer();

    // How many times the site made the job wait.
    [[nodiscard]] int throttleWaits() const { return m_throttleWaits; }

private:
    Verdict waitOutRefusal(std::string const& cause);

    app::Window& m_window;
    app::Window& m_unheld;
    net::JobControl& m_control;
    std::chrono::milliseconds m_politeDelay;
    std::chrono::milliseconds m_tick;
    net::ThrottleSchedule m_schedule;
    std::optional<std::chrono::steady_clock::time_point> m_lastAnswer;
    int m_throttleWaits = 0;
};

// The polite delay setting: whole seconds; anything that is not a
// non-negative whole number reads as 0 (no delay). More than a day is a day.
int ParseRequestDelay(std::string const& text);

}  // namespace download
