#pragma once

#include <atomic>
#include <chrono>
#include <string>

#include "app/program-state.h"
#include "download/request-pacer.h"

namespace app {
class Window;
}

namespace net {
class JobControl;
}

namespace download {

// What a job fixes at its start and keeps for every album: a listing made
// while the job runs must not move the remaining albums to another owner.
struct JobSnapshot {
    std::string recordSetting;      // "1": recorded photos are skipped
    std::string dateWindowSetting;  // "1": the date pickers bound the photos (API mode)
    std::string ownerKey;
    std::string ownerName;
    app::SiteConfig site;
    std::chrono::milliseconds retryWait{2000};  // after a page that could not be read
    std::chrono::milliseconds requestDelay{0};  // the polite delay between requests
    ThrottleTiming throttle;
};

// Counts the worker adds to while the window thread may read them.
struct JobTally {
    std::atomic<int> albumsDone{0};
    std::atomic<int> albumsFailed{0};
    std::atomic<int> photosSaved{0};
    std::atomic<int> photosSkipped{0};
    std::atomic<int> photosFailed{0};
    std::atomic<int> albumsAccounted{0};      // albums that ended with their account entry
    std::atomic<int> albumsLayoutChanged{0};  // fewer photos found than the album states
    std::atomic<int> photosStated{0};         // the counts those albums state
    std::atomic<int> throttleWaits{0};
};

// Everything an album downloader works with. `window` is the worker's view of
// the window: once the job is stopped it passes nothing on, and while the job
// is paused it holds every display update.
struct JobContext {
    app::Window& window;
    net::JobControl& control;
    JobSnapshot const& snapshot;
    JobTally& tally;
    RequestPacer& pacer;
};

}  // namespace download
