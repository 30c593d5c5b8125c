#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "net/cookie-store.h"
#include "net/job-control.h"
#include "net/page-request.h"
#include "net/web-options.h"
#include "tests/support/test-server.h"

namespace {

using testing_support::RawServer;
using testing_support::RecordedRequest;
using testing_support::Reply;
using testing_support::TestServer;

std::string const OkReply = "HTTP/1.1 200 OK\r\nContent-Length: 2\r\nConnection: close\r\n\r\nok";

std::string HostLine(RawServer const& server)
{
    return "Host: 127.0.0.1:" + std::to_string(server.port());
}

class PageRequestTest : public ::testing::Test {
protected:
    void SetUp() override { net::CookieStore::shared().clear(); }
    void TearDown() override
    {
        net::CookieStore::shared().clear();
        net::SetPageTimeouts(std::chrono::seconds(60), std::chrono::seconds(60));
    }
};

TEST_F(PageRequestTest, SendsExactlyTheDefaultHeaderLinesInOrder)
{
    RawServer server(OkReply);
    std::string const url = server.url("/people/abc/");
    std::string headers;
    int status = -1;
    auto const body = net::PageRequest(url, {.headers = &headers, .status = &status});

    EXPECT_EQ(body, "ok");
    EXPECT_EQ(status, 200);
    EXPECT_EQ(headers, "Accept: */*\r\nReferer: " + url
                           + "\r\nAccept-Language: zh-cn\r\nContent-Type: application/x-www-form-urlencoded");
    std::vector<std::string> const expected = {
        HostLine(server),
        std::string("User-Agent: ") + net::DefaultUserAgent,
        "Accept: */*",
        "Referer: " + url,
        "Accept-Language: zh-cn",
        "Content-Type: application/x-www-form-urlencoded",
    };
    EXPECT_EQ(server.lastHeaderLines(), expected);
    ASSERT_EQ(server.requestHeads().size(), 1u);
    EXPECT_TRUE(server.requestHeads()[0].starts_with("GET /people/abc/ HTTP/1.1\r\n"));
}

TEST_F(PageRequestTest, CompletesACallersHeaderTextCaseSensitively)
{
    // "accept:" in lower case does not count as an Accept line; the caller's
    // lines go first, as given, and a supplied cookie text comes last.
    RawServer server(OkReply);
    std::string const url = server.url("/x");
    std::string headers = "accept: text/html\r\nX-Extra: 1";
    std::string cookies = "a=1; b=2";
    net::PageRequest(url, {.cookies = &cookies, .headers = &headers});

    std::vector<std::string> const expected = {
        HostLine(server),
        std::string("User-Agent: ") + net::DefaultUserAgent,
        "accept: text/html",
        "X-Extra: 1",
        "Accept: */*",
        "Referer: " + url,
        "Accept-Language: zh-cn",
        "Content-Type: application/x-www-form-urlencoded",
        "Cookie: a=1; b=2",
    };
    EXPECT_EQ(server.lastHeaderLines(), expected);
}

TEST_F(PageRequestTest, LineBreakInTheAddressAddsNoHeader)
{
    RawServer server(OkReply);
    net::PageRequest(server.url("/a\r\nX-Evil: 1"));
    for (auto const& line : server.lastHeaderLines()) {
        EXPECT_FALSE(line.starts_with("X-Evil")) << line;
    }
    ASSERT_EQ(server.requestHeads().size(), 1u);
    EXPECT_TRUE(server.requestHeads()[0].starts_with("GET /a%0D%0AX-Evil:%201 HTTP/1.1\r\n"));
}

TEST_F(PageRequestTest, AgentComesFromTheHeaderText)
{
    struct Case {
        std::string headers;
        std::vector<std::string> agentLines;
    };
    std::vector<Case> const cases = {
        {"User-Agent: X", {"User-Agent: X"}},
        // Lower case: the colon rule still finds the agent; the line goes out once.
        {"user-agent: X", {"user-agent: X"}},
        {"User-Agent: Y\r\nAccept: a/b", {"User-Agent: Y"}},
        {"Accept: a/b", {std::string("User-Agent: ") + net::DefaultUserAgent}},
    };
    for (auto const& c : cases) {
        RawServer server(OkReply);
        std::string headers = c.headers;
        net::PageRequest(server.url("/"), {.headers = &headers});
        std::vector<std::string> agentLines;
        for (auto const& line : server.lastHeaderLines()) {
            if (line.size() > 11 && (line.starts_with("User-Agent:") || line.starts_with("user-agent:"))) {
                agentLines.push_back(line);
            }
        }
        EXPECT_EQ(agentLines, c.agentLines) << c.headers;
    }
}

TEST_F(PageRequestTest, MethodClampAndBody)
{
    TestServer server;
    server.serve("/m", Reply{.body = "answer"});
    struct Case {
        int method;
        std::string verb;
        std::string bodySent;
        std::string bodyBack;
    };
    std::vector<Case> const cases = {
        {0, "GET", "", "answer"},  {1, "POST", "q=1", "answer"}, {2, "HEAD", "", ""},
        {7, "GET", "", "answer"},  {-1, "GET", "", "answer"},
    };
    for (auto const& c : cases) {
        net::Bytes postBytes;
        auto const body = net::PageRequest(server.url("/m"), {.method = c.method, .postText = "q=1", .postBytes = &postBytes});
        auto const request = server.lastRequest();
        EXPECT_EQ(request.method, c.verb) << c.method;
        EXPECT_EQ(request.body, c.bodySent) << c.method;
        EXPECT_EQ(body, c.bodyBack) << c.method;
        // POST and HEAD take the text into the byte argument, as the caller sees.
        EXPECT_EQ(postBytes, c.verb == "GET" ? "" : "q=1") << c.method;
    }
    net::Bytes bytes = std::string("raw\0bytes", 9);
    net::PageRequest(server.url("/m"), {.method = 1, .postText = "ignored", .postBytes = &bytes});
    EXPECT_EQ(server.lastRequest().body, std::string("raw\0bytes", 9));
}

TEST_F(PageRequestTest, SharedStoreSendsAndReceivesCookies)
{
    TestServer server;
    server.serve("/login", Reply{.headers = {{"Set-Cookie", "sid=abc; Path=/"}}});
    server.serve("/page", Reply{.body = "page"});
    std::vector<net::Cookie> heard;
    net::CookieStore::shared().setListener([&heard](net::Cookie const& cookie) { heard.push_back(cookie); });

    std::string received;
    net::PageRequest(server.url("/login"), {.receivedCookies = &received});
    net::CookieStore::shared().setListener({});
    EXPECT_EQ(received, "sid=abc");
    ASSERT_EQ(heard.size(), 1u);
    EXPECT_EQ(heard[0].name, "sid");
    EXPECT_EQ(heard[0].value, "abc");
    EXPECT_EQ(heard[0].domain, "127.0.0.1");

    net::PageRequest(server.url("/page"));
    EXPECT_EQ(server.lastRequest().header("Cookie"), "sid=abc");

    // A cookie put into the store (as the browser bridge does) travels too.
    net::CookieStore::shared().addSetCookie("lang=zh", server.url("/"));
    net::PageRequest(server.url("/page"));
    auto const sent = server.lastRequest().header("Cookie");
    EXPECT_NE(sent.find("sid=abc"), std::string::npos);
    EXPECT_NE(sent.find("lang=zh"), std::string::npos);
}

TEST_F(PageRequestTest, SuppliedCookiesSwitchTheSharedStoreOff)
{
    TestServer server;
    server.serve("/page", Reply{.headers = {{"Set-Cookie", "k=v; Path=/"}}});
    net::CookieStore::shared().addSetCookie("stored=1", server.url("/"));
    int heard = 0;
    net::CookieStore::shared().setListener([&heard](net::Cookie const&) { ++heard; });

    std::string cookies;  // present, even though empty
    net::PageRequest(server.url("/page"), {.cookies = &cookies});
    net::CookieStore::shared().setListener({});

    EXPECT_FALSE(server.lastRequest().hasHeader("Cookie"));
    EXPECT_EQ(cookies, "k=v");
    EXPECT_EQ(heard, 0);
    auto const stored = net::CookieStore::shared().list();
    ASSERT_EQ(stored.size(), 1u);  // the answer's cookie did not land in the store
    EXPECT_EQ(stored[0].name, "stored");

    // The next call carries the held cookies by hand and merges the answer's.
    cookies = "k=old; z=9";
    net::PageRequest(server.url("/page"), {.cookies = &cookies});
    EXPECT_EQ(server.lastRequest().header("Cookie"), "k=old; z=9");
    EXPECT_EQ(cookies, "k=v; z=9");
}

TEST_F(PageRequestTest, ReceivedCookiesAndRewrittenHeaderBlock)
{
    TestServer server;
    server.serve("/mixed", Reply{.headers = {{"set-cookie", "a=1; path=/"}, {"Set-Cookie", "b=2"}}});
    server.serve("/plain", Reply{.headers = {{"SET-COOKIE", "c=3"}}});
    server.serve("/none", Reply{});
    struct Case {
        std::string path;
        std::string received;
    };
    for (auto const& c : std::vector<Case>{{"/mixed", "a=1; b=2"}, {"/plain", "c=3"}, {"/none", ""}}) {
        std::string cookies = "caller=1";
        std::string received = "stale";
        std::string responseHeaders;
        net::PageRequest(server.url(c.path),
                         {.cookies = &cookies, .receivedCookies = &received, .responseHeaders = &responseHeaders});
        // Merging leaves the received text without spaces, as the merge does.
        std::string spaceless = c.received;
        std::erase(spaceless, ' ');
        EXPECT_EQ(received, spaceless) << c.path;
        EXPECT_TRUE(responseHeaders.starts_with("HTTP/1.1 200 OK\r\n")) << responseHeaders;
        EXPECT_TRUE(responseHeaders.ends_with("\r\n\r\n")) << responseHeaders;
        EXPECT_EQ(responseHeaders.find("set-cookie"), std::string::npos);
        EXPECT_EQ(responseHeaders.find("SET-COOKIE"), std::string::npos);
    }
    std::string received;
    std::string responseHeaders;
    net::PageRequest(server.url("/mixed"), {.receivedCookies = &received, .responseHeaders = &responseHeaders});
    EXPECT_EQ(received, "a=1; b=2");
    EXPECT_NE(responseHeaders.find("\r\nSet-Cookie: a=1; path=/\r\n"), std::string::npos);
}

TEST_F(PageRequestTest, WholeHeaderBlockHoweverLong)
{
    TestServer server;
    std::string const big(9000, 'x');
    server.serve("/big", Reply{.headers = {{"X-Big", big}, {"Set-Cookie", "late=1"}}});
    std::string received;
    std::string responseHeaders;
    net::PageRequest(server.url("/big"), {.receivedCookies = &received, .responseHeaders = &responseHeaders});
    EXPECT_NE(responseHeaders.find(big), std::string::npos);
    EXPECT_EQ(received, "late=1");
}

TEST_F(PageRequestTest, RedirectsFollowedOrRefused)
{
    TestServer server;
    server.serve("/from", Reply{.status = 302, .body = "moved", .headers = {{"Location", "/to"}}});
    server.serve("/to", Reply{.body = "target"});
    server.serve("/loop", Reply{.status = 302, .headers = {{"Location", "/loop"}}});

    std::string responseHeaders;
    int status = 0;
    EXPECT_EQ(net::PageRequest(server.url("/from"), {.responseHeaders = &responseHeaders, .status = &status}), "target");
    EXPECT_EQ(status, 200);
    EXPECT_TRUE(responseHeaders.starts_with("HTTP/1.1 200"));
    EXPECT_EQ(responseHeaders.find("302"), std::string::npos);  // only the final answer

    EXPECT_EQ(net::PageRequest(server.url("/from"), {.noRedirect = true, .status = &status}), "moved");
    EXPECT_EQ(status, 302);
    EXPECT_EQ(server.lastRequest().path, "/from");

    // An endless chain ends as a failure after a bounded number of hops.
    EXPECT_EQ(net::PageRequest(server.url("/loop"), {.status = &status}), "");
    EXPECT_EQ(status, 0);
    EXPECT_LE(server.requests().size(), 2u + 2u + 11u);
}

TEST_F(PageRequestTest, ProxySeesTheAbsoluteAddress)
{
    TestServer proxy;
    proxy.onOther([](RecordedRequest const&) { return Reply{.body = "via proxy"}; });
    std::string const url = "http://pics.example.test/people/abc/?start=16";
    auto const body = net::PageRequest(url, {.proxy = "127.0.0.1:" + std::to_string(proxy.port())});
    EXPECT_EQ(body, "via proxy");
    auto const request = proxy.lastRequest();
    EXPECT_EQ(request.target, "http://pics.example.test/people/abc/?start=16");
    EXPECT_EQ(request.header("Host"), "pics.example.test");
}

TEST_F(PageRequestTest, SecureInAnyLetterCaseAndVerified)
{
    TestServer server(TestServer::Scheme::Https);
    server.serve("/x", Reply{.body = "secure"});
    std::string const url = "HTTPS://127.0.0.1:" + std::to_string(server.port()) + "/x";
    int status = 200;
    EXPECT_EQ(net::PageRequest(url, {.status = &status}), "");  // self-signed: refused
    EXPECT_EQ(status, 0);
    net::SetExtraCaFile(TestServer::CertificateFile());
    EXPECT_EQ(net::PageRequest(url, {.status = &status}), "secure");
    net::SetExtraCaFile({});
    EXPECT_EQ(status, 200);
}

TEST_F(PageRequestTest, ErrorPagesComeBackWithTheirStatus)
{
    TestServer server;  // nothing registered: 404 "not found"
    int status = 0;
    EXPECT_EQ(net::PageRequest(server.url("/missing"), {.status = &status}), "not found");
    EXPECT_EQ(status, 404);
}

TEST_F(PageRequestTest, UnreachableHostGivesNothing)
{
    int port = 0;
    {
        TestServer gone;
        port = gone.port();
    }
    std::string responseHeaders = "stale";
    std::string received = "stale";
    int status = 200;
    auto const body = net::PageRequest("http://127.0.0.1:" + std::to_string(port) + "/",
                                       {.receivedCookies = &received, .responseHeaders = &responseHeaders, .status = &status});
    EXPECT_EQ(body, "");
    EXPECT_EQ(responseHeaders, "");
    EXPECT_EQ(received, "");
    EXPECT_EQ(status, 0);
}

TEST_F(PageRequestTest, StalledServerTimesOut)
{
    auto const server = RawServer::Stalling();
    net::SetPageTimeouts(std::chrono::seconds(1), std::chrono::seconds(1));
    int status = 200;
    auto const started = std::chrono::steady_clock::now();
    EXPECT_EQ(net::PageRequest(server->url("/"), {.status = &status}), "");
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(10));
    EXPECT_EQ(status, 0);
}

TEST_F(PageRequestTest, StopAbortsARequestInFlight)
{
    auto const server = RawServer::Stalling();
    net::JobControl control;
    std::thread stopper([&control] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        control.stop();
    });
    auto const started = std::chrono::steady_clock::now();
    EXPECT_EQ(net::PageRequest(server->url("/"), {.control = &control}), "");
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(10));
    stopper.join();
}

TEST_F(PageRequestTest, SequentialRequestsShareOneConnection)
{
    TestServer server;
    server.serve("/p", Reply{.body = "x"});
    for (int i = 0; i < 6; ++i) {
        ASSERT_EQ(net::PageRequest(server.url("/p")), "x");
    }
    auto const requests = server.requests();
    ASSERT_EQ(requests.size(), 6u);
    for (auto const& request : requests) {
        EXPECT_EQ(request.remotePort, requests.front().remotePort);
    }
}

TEST_F(PageRequestTest, BodyIsNotDecoded)
{
    // A gzip stream the server labels as such stays a gzip stream here.
    std::string const gzipped("\x1f\x8b\x08\x00\x00\x00\x00\x00\x02\x03\xfb\x7f\xe3\xff\x03\x2f\x37\x4f\x37\xdd\x82\x8c"
                              "\xfc\x92\x7c\xdd\xa4\xca\x92\xd4\x62\xdd\xff\x83\x4f\x10\x00\xc7\x14\x18\xd4\xa8\x00\x00\x00",
                              45);
    TestServer server;
    server.serve("/z", Reply{.body = gzipped, .contentType = "image/jpeg", .headers = {{"Content-Encoding", "gzip"}}});
    std::string headers = "Accept-Encoding: gzip, deflate";
    EXPECT_EQ(net::PageRequest(server.url("/z"), {.headers = &headers}), gzipped);
}

}  // namespace
