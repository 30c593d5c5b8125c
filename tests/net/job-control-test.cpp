#include <atomic>
#include <chrono>
#include <future>
#include <thread>

#include <gtest/gtest.h>

#include "net/job-control.h"
#include "net/text.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// Generous bounds: the point is "held" versus "not held" and "ended early"
// versus "ran to the end", not timing precision on a busy machine.
constexpr auto Settle = 100ms;
constexpr auto Budget = 10s;

TEST(JobControl, StartsRunningAndStopIsFinal)
{
    net::JobControl control;
    EXPECT_FALSE(control.isPaused());
    EXPECT_FALSE(control.isStopped());
    EXPECT_TRUE(control.checkpoint());

    control.pause();
    EXPECT_TRUE(control.isPaused());
    control.resume();
    EXPECT_FALSE(control.isPaused());

    control.stop();
    control.resume();
    EXPECT_TRUE(control.isStopped());
    EXPECT_FALSE(control.checkpoint());
    EXPECT_FALSE(control.waitFor(0ms));
}

TEST(JobControl, CheckpointBlocksWhilePaused)
{
    net::JobControl control;
    control.pause();
    std::atomic<bool> passed{false};
    auto worker = std::async(std::launch::async, [&] {
        bool const running = control.checkpoint();
        passed = true;
        return running;
    });
    EXPECT_EQ(worker.wait_for(Settle), std::future_status::timeout);
    EXPECT_FALSE(passed);
    control.resume();
    ASSERT_EQ(worker.wait_for(Budget), std::future_status::ready);
    EXPECT_TRUE(worker.get());
}

TEST(JobControl, StopReleasesAPausedCheckpoint)
{
    net::JobControl control;
    control.pause();
    auto worker = std::async(std::launch::async, [&] { return control.checkpoint(); });
    EXPECT_EQ(worker.wait_for(Settle), std::future_status::timeout);
    control.stop();
    ASSERT_EQ(worker.wait_for(Budget), std::future_status::ready);
    EXPECT_FALSE(worker.get());
}

TEST(JobControl, StopEndsAWaitEarly)
{
    net::JobControl control;
    auto const started = Clock::now();
    auto worker = std::async(std::launch::async, [&] { return control.waitFor(std::chrono::hours(1)); });
    std::this_thread::sleep_for(20ms);
    control.stop();
    ASSERT_EQ(worker.wait_for(Budget), std::future_status::ready);
    EXPECT_FALSE(worker.get());
    EXPECT_LT(Clock::now() - started, Budget);
}

TEST(JobControl, PauseHoldsTheClockOfAWait)
{
    net::JobControl control;
    control.pause();
    auto const started = Clock::now();
    auto worker = std::async(std::launch::async, [&] { return control.waitFor(10ms); });
    // Paused for far longer than the wait itself: it must still be waiting.
    EXPECT_EQ(worker.wait_for(Settle), std::future_status::timeout);
    control.resume();
    ASSERT_EQ(worker.wait_for(Budget), std::future_status::ready);
    EXPECT_TRUE(worker.get());
    EXPECT_GE(Clock::now() - started, Settle);
}

TEST(JobControl, PausesMidWaitCountOnlyRunningTime)
{
    net::JobControl control;
    auto worker = std::async(std::launch::async, [&] { return control.waitFor(1s); });
    std::this_thread::sleep_for(50ms);
    control.pause();
    std::this_thread::sleep_for(1500ms);  // longer than the whole wait, spent paused
    EXPECT_EQ(worker.wait_for(0ms), std::future_status::timeout);
    control.resume();
    ASSERT_EQ(worker.wait_for(Budget), std::future_status::ready);
    EXPECT_TRUE(worker.get());
}

TEST(JobControl, PumpedDelayFollowsTheControl)
{
    net::JobControl control;
    control.pause();
    auto held = std::async(std::launch::async, [&] { return net::PumpedDelay(1, 0, &control); });
    EXPECT_EQ(held.wait_for(Settle), std::future_status::timeout);
    control.resume();
    ASSERT_EQ(held.wait_for(Budget), std::future_status::ready);
    EXPECT_TRUE(held.get());

    auto stopped = std::async(std::launch::async, [&] { return net::PumpedDelay(2, 2, &control); });  // 2 minutes
    std::this_thread::sleep_for(20ms);
    control.stop();
    ASSERT_EQ(stopped.wait_for(Budget), std::future_status::ready);
    EXPECT_FALSE(stopped.get());
}

}  // namespace
