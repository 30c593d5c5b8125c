#pragma once

#include <chrono>
#include <string>
#include <string_view>

namespace net {

// What one answer of the site means for the worker that asked.
enum class AnswerKind {
    Success,    // 2xx from the address asked for (or a redirect to a real page)
    Throttled,  // 403 or 429, or a redirect that lands on a login or refusal page
    Transient,  // 5xx, time-out, dropped connection (status 0)
    Missing,    // 404
    Failed,     // any other refusal (other 4xx): trying again will not help
};

// `status` is the final answer's HTTP status (0 when none came); `finalUrl`
// the address that answered after redirects (empty: the one asked for).
// A final address holding "login", "passport" or "misc/sorry" when the asked
// one did not counts as throttled.
AnswerKind ClassifyAnswer(int status, std::string_view requestedUrl, std::string_view finalUrl);

// The waits after refusals: 30 s, 60 s, 120 s ... at most 10 minutes,
// back to the first after a success. Tests inject shorter steps.
class ThrottleSchedule {
public:
    explicit ThrottleSchedule(std::chrono::milliseconds first = std::chrono::seconds(30),
                              std::chrono::milliseconds longest = std::chrono::minutes(10));

    // The wait to make after one more refusal (it grows each time).
    std::chrono::milliseconds nextWait();
    void onSuccess();
    [[nodiscard]] int refusalsInRow() const { return m_refusals; }

private:
    std::chrono::milliseconds m_first;
    std::chrono::milliseconds m_longest;
    int m_refusals = 0;
};

}  // namespace net
