#pragma once

#include <chrono>
#include <optional>
#include <string>

#include "catalogue/listing-pace.h"
#include "net/answer-kind.h"
#include "net/text.h"

namespace app {
class Window;
}

namespace net {
class JobControl;
}

namespace catalogue {

// The requests of one listing worker. Every answer is classified: when the
// site refuses (throttled), the listing pauses its control, counts the wait
// down in 标签_动态 and asks again, with waits that grow while refusals go
// on; a page failing for a passing reason is asked again a few times. The
// polite delay is kept between any two requests.
class ListingFetch {
public:
    ListingFetch(app::Window& window, net::JobControl& control, ListingPace const& pace);

    // The page's text (UTF-8), whatever its status, once asking again no
    // longer helps; nullopt once the listing is stopped.
    std::optional<std::string> page(std::string const& url);

    // A cover picture: one attempt unless refused. `status` gets the final
    // status (0 when none came). Nullopt once the listing is stopped.
    std::optional<net::Bytes> cover(std::string const& url, int& status);

private:
    struct Answer {
        net::Bytes body;
        int status = 0;
        std::string finalUrl;
    };

    template <typename Get>
    std::optional<Answer> ask(std::string const& url, int attempts, Get const& get);
    bool keepPace();
    bool waitOutRefusal(Answer const& refused);

    app::Window& m_window;
    net::JobControl& m_control;
    ListingPace m_pace;
    net::ThrottleSchedule m_schedule;
    std::optional<std::chrono::steady_clock::time_point> m_lastAnswer;
};

}  // namespace catalogue
