#include "net/job-control.h"

#include <algorithm>

namespace net {

void JobControl::pause()
{
    std::lock_guard lock(m_mutex);
    m_paused = true;
    m_changed.notify_all();
}

void JobControl::resume()
{
    std::lock_guard lock(m_mutex);
    m_paused = false;
    m_changed.notify_all();
}

void JobControl::stop()
{
    std::lock_guard lock(m_mutex);
    m_stopped = true;
    m_changed.notify_all();
}

bool JobControl::isPaused() const
{
    std::lock_guard lock(m_mutex);
    return m_paused;
}

bool JobControl::isStopped() const
{
    std::lock_guard lock(m_mutex);
    return m_stopped;
}

bool JobControl::checkpoint()
{
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return m_stopped || !m_paused; });
    return !m_stopped;
}

bool JobControl::waitFor(std::chrono::milliseconds amount)
{
    using Clock = std::chrono::steady_clock;
    // Capped so the conversion to the clock's nanoseconds cannot overflow.
    constexpr std::chrono::milliseconds Longest = std::chrono::hours(24 * 1000);
    auto remaining = std::chrono::duration_cast<Clock::duration>(std::min(amount, Longest));
    std::unique_lock lock(m_mutex);
    while (!m_stopped) {
        if (m_paused) {
            m_changed.wait(lock, [this] { return m_stopped || !m_paused; });
            continue;
        }
        if (remaining <= Clock::duration::zero())
            return true;
        auto const started = Clock::now();
        m_changed.wait_for(lock, remaining, [this] { return m_stopped || m_paused; });
        remaining -= Clock::now() - started;
    }
    return false;
}

bool JobControl::waitForResume(std::chrono::milliseconds timeout)
{
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, timeout, [this] { return m_stopped || !m_paused; });
}

}  // namespace net
