#pragma once

#include <chrono>
#include <memory>
#include <optional>
#include <string>

#include "download/request-pacer.h"

namespace app {
class Window;
}

namespace download {

// What a finished job counted, for the console's exit status and the
// end-of-job entry.
struct JobSummary {
    bool ranToEnd = false;   // the end-of-job step ran (not stopped)
    int albumsDone = 0;
    int albumsFailed = 0;
    int photosSaved = 0;
    int photosSkipped = 0;   // skipped as recorded
    int photosFailed = 0;
    int photosStated = 0;          // the counts the accounted albums state
    int albumsLayoutChanged = 0;   // fewer photos found than stated (counted failed too)
    int throttleWaits = 0;         // times the site made the job wait
};

// Values a front end may impose on the next job instead of the settings
// file's (the console's --record / --no-record, --from / --to and --sleep).
struct JobOverrides {
    std::optional<std::string> recordSetting;      // "1" or "0"
    std::optional<std::string> dateWindowSetting;  // "1": the date pickers bound the photos
    std::optional<int> requestDelaySeconds;        // the polite delay between requests
};

// The download job behind 按钮_下载选中 and the pause / continue / stop
// buttons. start(), pause(), resume() and stop() are the click handlers and
// run on the window's thread; the worker is a thread of its own. The
// destructor stops and joins the worker, so nothing touches the window
// after the job is gone; a worker already showing its final message box is
// waited for, so the window must let that box return when it closes.
class DownloadJob {
public:
    explicit DownloadJob(app::Window& window);
    ~DownloadJob();
    DownloadJob(DownloadJob const&) = delete;
    DownloadJob& operator=(DownloadJob const&) = delete;

    // Window thread, before start(); kept for later jobs until replaced.
    void setOverrides(JobOverrides const& overrides);
    // The wait after a page that could not be read (2 s); tests shorten it.
    void setRetryWait(std::chrono::milliseconds wait);
    // The waits after the site refuses (30 s doubling to 10 min, counted
    // down in seconds); tests shorten them.
    void setThrottleTiming(ThrottleTiming const& timing);

    void start();
    void pause();
    void resume();
    void stop();

    // From start() until the job's end step puts the buttons idle, or a stop.
    // Any thread.
    [[nodiscard]] bool isRunning() const;
    // Waits until every worker has ended (after its final message box).
    // Window thread only.
    void join();
    // The counts of the last job; complete once it has ended. Any thread.
    [[nodiscard]] JobSummary summary() const;

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

}  // namespace download
