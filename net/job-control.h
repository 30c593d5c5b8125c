#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace net {

// Pause, continue and stop for one worker thread.
//
// The window thread calls pause(), resume() and stop(); the worker calls
// checkpoint() at its safe points (before each page request, photo and file
// write) and waitFor() instead of sleeping. A stop is final. All members are
// safe to call from any thread.
class JobControl {
public:
    void pause();
    void resume();
    void stop();

    [[nodiscard]] bool isPaused() const;
    [[nodiscard]] bool isStopped() const;

    // Holds the caller while paused. Returns false once stopped: the worker
    // must then unwind without further requests, writes or display updates.
    bool checkpoint();

    // Waits the given time, counting only time spent running: a pause holds
    // the clock, a stop ends the wait at once. Returns false when stopped.
    bool waitFor(std::chrono::milliseconds amount);

    // Waits at most `timeout` for a paused control to be resumed or stopped.
    // True when it is no longer paused (resumed, or stopped) on return.
    bool waitForResume(std::chrono::milliseconds timeout);

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_paused = false;
    bool m_stopped = false;
};

}  // namespace net
