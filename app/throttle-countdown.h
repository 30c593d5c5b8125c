#pragma once

#include <chrono>
#include <string>
#include <string_view>

namespace net {
class JobControl;
}

namespace app {

class Window;

// How the countdown's label text begins ("网站限制访问，<n>秒后自动继续"), so
// a front end can tell it from the label's other texts.
inline constexpr std::string_view CountdownLabelPrefix = "网站限制访问，";

enum class CountdownEnd {
    Elapsed,    // the wait ran out: go on by yourself
    Continued,  // the user pressed continue (the control was resumed) before
    Stopped,    // the user stopped the job
};

// The wait of a worker that the site is limiting: logs one entry saying so
// and when the work goes on, shows the remaining seconds in `label` once a
// second, and returns when the wait is over, or at once on continue or stop.
// The caller puts its control into the paused state before (so its continue
// button works) and resumes it after an Elapsed end. `tick` is one
// displayed second (tests shorten it). `cause` (e.g. "状态码403") is named
// in the log entry when given. The label gets its own text back unless the
// job was stopped.
CountdownEnd ThrottleCountdown(Window& window, net::JobControl& control, std::string const& label,
                               std::chrono::milliseconds wait,
                               std::chrono::milliseconds tick = std::chrono::seconds(1),
                               std::string const& cause = {});

}  // namespace app
