#pragma once

#include <chrono>

namespace catalogue {

// How a listing paces its requests: the polite delay between two of them,
// the growing waits after the site refuses one, and the attempts at a page
// that fails for a passing reason. Tests shorten the waits.
struct ListingPace {
    std::chrono::milliseconds politeDelay{0};
    std::chrono::milliseconds firstRefusalWait = std::chrono::seconds(30);
    std::chrono::milliseconds longestRefusalWait = std::chrono::minutes(10);
    std::chrono::milliseconds countdownTick = std::chrono::seconds(1);  // one displayed second
    std::chrono::milliseconds retryWait = std::chrono::seconds(2);
    int pageAttempts = 10;
};

}  // namespace catalogue
