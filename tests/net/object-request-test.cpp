#include <algorithm>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "net/cookie-store.h"
#include "net/job-control.h"
#include "net/object-request.h"
#include "net/page-request.h"
#include "net/web-options.h"
#include "tests/support/test-server.h"

namespace {

using testing_support::RawServer;
using testing_support::RecordedRequest;
using testing_support::Reply;
using testing_support::TestServer;

std::string const OkReply = "HTTP/1.1 200 OK\r\nContent-Length: 2\r\nConnection: close\r\n\r\nok";

// The header block the album downloaders send with every photo.
std::string const ImageBlock = "User-Agent: Mozilla/5.0 (Windows NT 6.1; WOW64; rv:43.0) Gecko/20100101 Firefox/43.0\r\n"
                               "Accept: image/png,image/*;q=0.8,*/*;q=0.5\r\n"
                               "Accept-Language: zh-CN,zh;q=0.8,en-US;q=0.5,en;q=0.3\r\n"
                               "Accept-Encoding: gzip, deflate\r\n"
                               "DNT: 1\r\n"
                               "Referer: http://site.test/photos/photo/2155058360/large\r\n";

std::string const PhotoBytes = [] {
    std::string bytes;
    for (int i = 0; i < 8; ++i) {
        bytes += "\xff\xd8\xff\xe0JFIF-photo-bytes-";
    }
    return bytes;
}();
// PhotoBytes as a gzip stream.
std::string const GzippedPhoto("\x1f\x8b\x08\x00\x00\x00\x00\x00\x02\x03\xfb\x7f\xe3\xff\x03\x2f\x37\x4f\x37\xdd\x82\x8c"
                               "\xfc\x92\x7c\xdd\xa4\xca\x92\xd4\x62\xdd\xff\x83\x4f\x10\x00\xc7\x14\x18\xd4\xa8\x00\x00\x00",
                               45);

std::vector<std::string> Split(std::string const& text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        auto const end = text.find("\r\n", start);
        lines.push_back(text.substr(start, end - start));
        if (end == std::string::npos) {
            break;
        }
        start = end + 2;
    }
    return lines;
}

class ObjectRequestTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        net::SetExtraCaFile({});
        net::CookieStore::shared().clear();
    }
};

TEST_F(ObjectRequestTest, HeaderLinesForTheImageBlockAndForNone)
{
    {
        RawServer server(OkReply);
        std::string headers = ImageBlock;
        int status = 0;
        EXPECT_EQ(net::ObjectRequest(server.url("/p.jpg"), {.headers = &headers, .status = &status, .timeoutSeconds = 30}),
                  "ok");
        EXPECT_EQ(status, 200);
        EXPECT_EQ(headers, ImageBlock + "\r\nContent-Type: application/x-www-form-urlencoded");
        std::vector<std::string> expected = {"Host: 127.0.0.1:" + std::to_string(server.port())};
        for (auto const& line : Split(ImageBlock)) {
            expected.push_back(line);
        }
        expected.push_back("Content-Type: application/x-www-form-urlencoded");
        EXPECT_EQ(server.lastHeaderLines(), expected);
    }
    {
        RawServer server(OkReply);
        std::string const url = server.url("/p.jpg");
        std::string cookies = "b=1; c=3";
        net::ObjectRequest(url, {.cookies = &cookies});
        std::vector<std::string> const expected = {
            "Host: 127.0.0.1:" + std::to_string(server.port()),
            "Cookie: b=1; c=3",
            "Accept: */*",
            "Referer: " + url,
            "Accept-Language: zh-cn",
            std::string("User-Agent: ") + net::DefaultUserAgent,
            "Content-Type: application/x-www-form-urlencoded",
        };
        EXPECT_EQ(server.lastHeaderLines(), expected);
    }
}

TEST_F(ObjectRequestTest, LineBreakInsideAValueSmugglesNoHeader)
{
    RawServer server(OkReply);
    std::string headers = "X-Note: a\nX-Evil: 1\r\nDNT: 1";
    net::ObjectRequest(server.url("/p.jpg"), {.headers = &headers});
    for (auto const& line : server.lastHeaderLines()) {
        EXPECT_FALSE(line.starts_with("X-Evil")) << line;
        EXPECT_FALSE(line.starts_with("X-Note")) << line;
    }
    auto const lines = server.lastHeaderLines();
    EXPECT_NE(std::find(lines.begin(), lines.end(), "DNT: 1"), lines.end());
}

TEST_F(ObjectRequestTest, MethodClampAndBody)
{
    TestServer server;
    server.serve("/m", Reply{.body = "answer"});
    struct Case {
        int method;
        std::string verb;
    };
    for (auto const& c : std::vector<Case>{{0, "GET"}, {1, "POST"}, {2, "HEAD"}, {3, "GET"}, {-5, "GET"}}) {
        net::ObjectRequest(server.url("/m"), {.method = c.method, .postText = "t=1"});
        EXPECT_EQ(server.lastRequest().method, c.verb) << c.method;
    }
    EXPECT_EQ(server.requests()[1].body, "t=1");
    net::Bytes bytes = "b=2";
    net::ObjectRequest(server.url("/m"), {.method = 1, .postText = "t=1", .postBytes = &bytes});
    EXPECT_EQ(server.lastRequest().body, "b=2");
}

TEST_F(ObjectRequestTest, StatusOfErrorPagesAndFailures)
{
    TestServer server;  // nothing registered: 404
    int status = 0;
    EXPECT_EQ(net::ObjectRequest(server.url("/missing.jpg"), {.status = &status}), "not found");
    EXPECT_EQ(status, 404);

    int port = 0;
    {
        TestServer gone;
        port = gone.port();
    }
    status = 200;  // from an earlier call
    std::string responseHeaders = "stale";
    EXPECT_EQ(net::ObjectRequest("http://127.0.0.1:" + std::to_string(port) + "/",
                                 {.responseHeaders = &responseHeaders, .status = &status}),
              "");
    EXPECT_EQ(status, 0);
    EXPECT_EQ(responseHeaders, "");
}

TEST_F(ObjectRequestTest, CookiesOnlyFromTheCallerAndMergedWithTheAnswer)
{
    TestServer server;
    server.serve("/c", Reply{.headers = {{"Set-Cookie", "a=1; Path=/"}, {"set-cookie", "b=2"}}});
    net::CookieStore::shared().addSetCookie("stored=1", server.url("/"));

    std::string cookies = "b=1; c=3";
    std::string received;
    net::ObjectRequest(server.url("/c"), {.cookies = &cookies, .receivedCookies = &received});
    EXPECT_EQ(server.lastRequest().header("Cookie"), "b=1; c=3");
    EXPECT_EQ(cookies, "a=1; b=2; c=3");
    EXPECT_EQ(received, "a=1;b=2");

    net::ObjectRequest(server.url("/c"));
    EXPECT_FALSE(server.lastRequest().hasHeader("Cookie"));  // the shared store plays no part
    EXPECT_EQ(net::CookieStore::shared().list().size(), 1u);
}

TEST_F(ObjectRequestTest, RedirectsFollowedOrRefused)
{
    TestServer server;
    server.serve("/from", Reply{.status = 301, .body = "moved", .headers = {{"Location", "/to"}}});
    server.serve("/to", Reply{.body = "photo"});
    int status = 0;
    EXPECT_EQ(net::ObjectRequest(server.url("/from"), {.status = &status}), "photo");
    EXPECT_EQ(status, 200);
    EXPECT_EQ(net::ObjectRequest(server.url("/from"), {.status = &status, .noRedirect = true}), "moved");
    EXPECT_EQ(status, 301);
}

TEST_F(ObjectRequestTest, CertificatesAreVerified)
{
    TestServer server(TestServer::Scheme::Https);
    server.serve("/p.jpg", Reply{.body = "secret"});
    int status = 200;
    EXPECT_EQ(net::ObjectRequest(server.url("/p.jpg"), {.status = &status}), "");
    EXPECT_EQ(status, 0);
    EXPECT_TRUE(server.requests().empty());

    net::SetExtraCaFile(TestServer::CertificateFile());
    EXPECT_EQ(net::ObjectRequest(server.url("/p.jpg"), {.status = &status}), "secret");
    EXPECT_EQ(status, 200);
}

TEST_F(ObjectRequestTest, EncodedBodyIsDecoded)
{
    TestServer server;
    server.serve("/p.jpg", Reply{.body = GzippedPhoto, .contentType = "image/jpeg", .headers = {{"Content-Encoding", "gzip"}}});
    server.serve("/raw.jpg", Reply{.body = PhotoBytes, .contentType = "image/jpeg"});
    std::string headers = ImageBlock;
    int status = 0;
    EXPECT_EQ(net::ObjectRequest(server.url("/p.jpg"), {.headers = &headers, .status = &status}), PhotoBytes);
    EXPECT_EQ(status, 200);
    EXPECT_EQ(server.lastRequest().header("Accept-Encoding"), "gzip, deflate");
    headers = ImageBlock;
    EXPECT_EQ(net::ObjectRequest(server.url("/raw.jpg"), {.headers = &headers}), PhotoBytes);
}

TEST_F(ObjectRequestTest, ProxyWithCredentials)
{
    TestServer proxy;
    proxy.onOther([](RecordedRequest const&) { return Reply{.body = "via proxy"}; });
    auto const body = net::ObjectRequest("http://img.example.test/view/photo/l/p1.jpg",
                                         {.proxy = "127.0.0.1:" + std::to_string(proxy.port()),
                                          .proxyUser = "user",
                                          .proxyPassword = "pw"});
    EXPECT_EQ(body, "via proxy");
    auto const request = proxy.lastRequest();
    EXPECT_EQ(request.target, "http://img.example.test/view/photo/l/p1.jpg");
    EXPECT_EQ(request.header("Proxy-Authorization"), "Basic dXNlcjpwdw==");
}

TEST_F(ObjectRequestTest, StalledServerTimesOutPerPhase)
{
    auto const server = RawServer::Stalling();
    int status = 200;
    auto const started = std::chrono::steady_clock::now();
    EXPECT_EQ(net::ObjectRequest(server->url("/"), {.status = &status, .timeoutSeconds = 1}), "");
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(10));
    EXPECT_EQ(status, 0);
}

TEST_F(ObjectRequestTest, StopAbortsARequestInFlight)
{
    auto const server = RawServer::Stalling();
    net::JobControl control;
    std::thread stopper([&control] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        control.stop();
    });
    int status = 200;
    auto const started = std::chrono::steady_clock::now();
    EXPECT_EQ(net::ObjectRequest(server->url("/"), {.status = &status, .timeoutSeconds = 30, .control = &control}), "");
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(10));
    EXPECT_EQ(status, 0);
    stopper.join();
}

TEST_F(ObjectRequestTest, ReusedHandleKeepsOneConnectionAndNoOldSettings)
{
    TestServer server;
    server.serve("/p.jpg", Reply{.body = PhotoBytes, .contentType = "image/jpeg"});
    net::RequestHandle handle;
    std::string first = "X-Once: 1";
    net::ObjectRequest(server.url("/p.jpg"), {.headers = &first, .requestObject = &handle});
    for (int i = 0; i < 5; ++i) {
        int status = 0;
        ASSERT_EQ(net::ObjectRequest(server.url("/p.jpg"), {.status = &status, .requestObject = &handle}), PhotoBytes);
        ASSERT_EQ(status, 200);
    }
    auto const requests = server.requests();
    ASSERT_EQ(requests.size(), 6u);
    EXPECT_TRUE(requests[0].hasHeader("X-Once"));
    EXPECT_FALSE(requests[1].hasHeader("X-Once"));
    for (auto const& request : requests) {
        EXPECT_EQ(request.remotePort, requests.front().remotePort);
    }
}

}  // namespace
