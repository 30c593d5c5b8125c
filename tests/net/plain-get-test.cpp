#include <chrono>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "net/cookie-store.h"
#include "net/job-control.h"
#include "net/plain-get.h"
#include "net/web-options.h"
#include "tests/support/test-server.h"

namespace {

using testing_support::RawServer;
using testing_support::Reply;
using testing_support::TestServer;

class PlainGetTest : public ::testing::Test {
protected:
    void SetUp() override { net::CookieStore::shared().clear(); }
    void TearDown() override
    {
        net::CookieStore::shared().clear();
        net::SetPageTimeouts(std::chrono::seconds(60), std::chrono::seconds(60));
    }
};

TEST_F(PlainGetTest, BodyWhateverTheStatus)
{
    TestServer server;
    server.serve("/cover.jpg", Reply{.body = std::string("\xff\xd8\0jpeg", 7), .contentType = "image/jpeg"});
    server.serve("/gone.jpg", Reply{.status = 403, .body = "forbidden page"});
    server.serve("/old.jpg", Reply{.status = 302, .headers = {{"Location", "/cover.jpg"}}});
    int status = 0;
    EXPECT_EQ(net::PlainGet(server.url("/cover.jpg"), &status), std::string("\xff\xd8\0jpeg", 7));
    EXPECT_EQ(status, 200);
    EXPECT_EQ(net::PlainGet(server.url("/gone.jpg"), &status), "forbidden page");
    EXPECT_EQ(status, 403);
    std::string finalUrl;
    EXPECT_EQ(net::PlainGet(server.url("/old.jpg"), &status, nullptr, &finalUrl), std::string("\xff\xd8\0jpeg", 7));
    EXPECT_EQ(status, 200);
    EXPECT_EQ(finalUrl, server.url("/cover.jpg"));
    EXPECT_EQ(server.lastRequest().method, "GET");
}

TEST_F(PlainGetTest, EmptyAddressOrNoAnswerGivesNothing)
{
    int status = 200;
    EXPECT_EQ(net::PlainGet("", &status), "");
    EXPECT_EQ(status, 0);

    int port = 0;
    {
        TestServer gone;
        port = gone.port();
    }
    status = 200;
    EXPECT_EQ(net::PlainGet("http://127.0.0.1:" + std::to_string(port) + "/x.jpg", &status), "");
    EXPECT_EQ(status, 0);
}

TEST_F(PlainGetTest, GoesThroughTheSharedStore)
{
    TestServer server;
    server.serve("/set", Reply{.headers = {{"Set-Cookie", "bid=42; Path=/"}}});
    server.serve("/photo.jpg", Reply{.body = "jpeg"});
    int heard = 0;
    net::CookieStore::shared().setListener([&heard](net::Cookie const&) { ++heard; });
    net::PlainGet(server.url("/set"));
    net::CookieStore::shared().setListener({});
    EXPECT_EQ(heard, 1);
    net::PlainGet(server.url("/photo.jpg"));
    EXPECT_EQ(server.lastRequest().header("Cookie"), "bid=42");
}

TEST_F(PlainGetTest, StalledServerTimesOutAndStopAborts)
{
    auto const server = RawServer::Stalling();
    net::SetPageTimeouts(std::chrono::seconds(1), std::chrono::seconds(1));
    auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(net::PlainGet(server->url("/a.jpg")), "");
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(10));

    net::SetPageTimeouts(std::chrono::seconds(60), std::chrono::seconds(60));
    net::JobControl control;
    std::thread stopper([&control] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        control.stop();
    });
    started = std::chrono::steady_clock::now();
    int status = 200;
    EXPECT_EQ(net::PlainGet(server->url("/b.jpg"), &status, &control), "");
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(10));
    EXPECT_EQ(status, 0);
    stopper.join();
}

TEST_F(PlainGetTest, BodyCutOffInTransitIsNoBody)
{
    // Announces 1000 bytes, sends 10 and closes: not a photo to save.
    RawServer server("HTTP/1.1 200 OK\r\nContent-Length: 1000\r\n\r\n0123456789");
    int status = 200;
    EXPECT_EQ(net::PlainGet(server.url("/p.jpg"), &status), "");
    EXPECT_EQ(status, 0);
}

}  // namespace
