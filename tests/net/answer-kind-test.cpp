#include <chrono>
#include <string>

#include <gtest/gtest.h>

#include "net/answer-kind.h"

namespace {

using namespace std::chrono_literals;
using net::AnswerKind;

TEST(ClassifyAnswerTest, StatusAndFinalAddress)
{
    struct Case {
        int status;
        char const* requested;
        char const* final;
        AnswerKind expected;
    };
    std::string const page = "https://www.example.test/photos/album/1/";
    Case const cases[] = {
        {200, page.c_str(), page.c_str(), AnswerKind::Success},
        {200, page.c_str(), "", AnswerKind::Success},
        {200, page.c_str(), "https://www.example.test/photos/album/1/?start=0", AnswerKind::Success},
        {304, page.c_str(), page.c_str(), AnswerKind::Success},
        {403, page.c_str(), page.c_str(), AnswerKind::Throttled},
        {429, page.c_str(), page.c_str(), AnswerKind::Throttled},
        // A redirect onto a login or refusal page, whatever its status.
        {200, page.c_str(), "https://accounts.example.test/passport/login?redir=x", AnswerKind::Throttled},
        {200, page.c_str(), "https://www.example.test/misc/sorry?original-url=x", AnswerKind::Throttled},
        {200, page.c_str(), "https://www.example.test/LOGIN", AnswerKind::Throttled},
        {404, page.c_str(), "https://www.example.test/accounts/login", AnswerKind::Throttled},
        // Asking for a login page and getting it is no refusal.
        {200, "https://www.example.test/login", "https://www.example.test/login?next=1", AnswerKind::Success},
        {0, page.c_str(), "", AnswerKind::Transient},
        {500, page.c_str(), page.c_str(), AnswerKind::Transient},
        {503, page.c_str(), page.c_str(), AnswerKind::Transient},
        {404, page.c_str(), page.c_str(), AnswerKind::Missing},
        {400, page.c_str(), page.c_str(), AnswerKind::Failed},
        {410, page.c_str(), page.c_str(), AnswerKind::Failed},
        {101, page.c_str(), page.c_str(), AnswerKind::Failed},
    };
    for (auto const& c : cases) {
        EXPECT_EQ(net::ClassifyAnswer(c.status, c.requested, c.final), c.expected)
            << c.status << " " << c.requested << " -> " << c.final;
    }
}

TEST(ThrottleScheduleTest, DoublesUpToTheLongestAndStartsOverAfterASuccess)
{
    net::ThrottleSchedule schedule;
    EXPECT_EQ(schedule.nextWait(), 30s);
    EXPECT_EQ(schedule.nextWait(), 60s);
    EXPECT_EQ(schedule.nextWait(), 120s);
    EXPECT_EQ(schedule.nextWait(), 240s);
    EXPECT_EQ(schedule.nextWait(), 480s);
    EXPECT_EQ(schedule.nextWait(), 600s);
    for (int i = 0; i < 100; ++i) {
        EXPECT_EQ(schedule.nextWait(), 600s);  // no overflow on a long run of refusals
    }
    EXPECT_GT(schedule.refusalsInRow(), 0);
    schedule.onSuccess();
    EXPECT_EQ(schedule.refusalsInRow(), 0);
    EXPECT_EQ(schedule.nextWait(), 30s);

    net::ThrottleSchedule injected(10ms, 35ms);
    EXPECT_EQ(injected.nextWait(), 10ms);
    EXPECT_EQ(injected.nextWait(), 20ms);
    EXPECT_EQ(injected.nextWait(), 35ms);
    EXPECT_EQ(injected.nextWait(), 35ms);
}

}  // namespace
