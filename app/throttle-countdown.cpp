#include "app/throttle-countdown.h"

#include <algorithm>
#include <ctime>

#include "app/window.h"
#include "net/job-control.h"

namespace app {

namespace {

using Clock = std::chrono::steady_clock;

// Whole displayed seconds left, rounded up so the label never shows 0
// while there is still a wait.
long long SecondsLeft(Clock::duration left, std::chrono::milliseconds tick)
{
    auto const ticks = std::chrono::duration_cast<std::chrono::milliseconds>(left).count();
    long long const step = std::max<long long>(tick.count(), 1);
    return (ticks + step - 1) / step;
}

// The wall-clock time the work goes on, "HH:MM:SS" local time.
std::string ClockTimeAfter(std::chrono::milliseconds wait)
{
    std::time_t const when = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now() + wait);
    std::tm local{};
    if (localtime_r(&when, &local) == nullptr) {
        return {};
    }
    char text[16] = {};
    std::strftime(text, sizeof text, "%H:%M:%S", &local);
    return text;
}

std::string LabelText(long long seconds)
{
    return std::string(CountdownLabelPrefix) + std::to_string(seconds) + "秒后自动继续";
}

}  // namespace

CountdownEnd ThrottleCountdown(Window& window, net::JobControl& control, std::string const& label,
                               std::chrono::milliseconds wait, std::chrono::milliseconds tick,
                               std::string const& cause)
{
    if (control.isStopped()) {
        return CountdownEnd::Stopped;
    }
    wait = std::max(wait, std::chrono::milliseconds(0));
    tick = std::max(tick, std::chrono::milliseconds(1));
    auto const deadline = Clock::now() + wait;
    long long const seconds = SecondsLeft(wait, tick);
    std::string const at = ClockTimeAfter(wait);
    window.appendLog("网站限制访问" + (cause.empty() ? std::string() : "（" + cause + "）") + "，" +
                     std::to_string(seconds) + "秒后" + (at.empty() ? std::string() : "（" + at + "）") +
                     "自动继续下载\r\n\r\n");

    // The label's own text comes back once the wait is over.
    std::string const before = window.text(label);
    CountdownEnd end = CountdownEnd::Elapsed;
    for (auto now = Clock::now(); now < deadline; now = Clock::now()) {
        auto const left = deadline - now;
        if (control.isStopped()) {
            end = CountdownEnd::Stopped;
            break;
        }
        window.setText(label, LabelText(SecondsLeft(left, tick)));
        // Up to the next whole displayed second, so the count stays in step.
        auto const intoTick = left % std::chrono::duration_cast<Clock::duration>(tick);
        auto const step = intoTick == Clock::duration::zero() ? std::chrono::duration_cast<Clock::duration>(tick)
                                                                : intoTick;
        auto const stepMs = std::chrono::ceil<std::chrono::milliseconds>(std::min(step, left));
        if (control.waitForResume(stepMs)) {
            end = control.isStopped() ? CountdownEnd::Stopped : CountdownEnd::Continued;
            break;
        }
    }
    if (end != CountdownEnd::Stopped) {
        window.setText(label, before);
    }
    return end;
}

}  // namespace app
