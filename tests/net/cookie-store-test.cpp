#include <sys/stat.h>

#include <atomic>
#include <ctime>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "net/cookie-store.h"
#include "net/page-request.h"
#include "tests/support/sandbox.h"
#include "tests/support/test-server.h"

namespace {

using testing_support::Reply;
using testing_support::TestServer;

class CookieStoreTest : public ::testing::Test {
protected:
    void SetUp() override { store().clear(); }
    void TearDown() override
    {
        store().setListener({});
        store().clear();
    }
    static net::CookieStore& store() { return net::CookieStore::shared(); }

    static std::vector<net::Cookie> named(std::string const& name)
    {
        std::vector<net::Cookie> found;
        for (auto const& cookie : store().list()) {
            if (cookie.name == name) {
                found.push_back(cookie);
            }
        }
        return found;
    }
};

TEST_F(CookieStoreTest, SetCookieLinesAgainstTheirAddress)
{
    struct Case {
        std::string value;
        std::string url;
        bool stored;
        std::string domain;
        bool includeSubdomains;
        std::string path;
        bool secure;
        bool httpOnly;
    };
    std::vector<Case> const cases = {
        {"c1=v", "http://www.site.test/people/abc/photos", true, "www.site.test", false, "/people/abc", false, false},
        {"c2=v; Domain=.site.test; Path=/; Secure; HttpOnly", "https://www.site.test/", true, ".site.test", true, "/",
         true, true},
        {"c3=v; domain=site.test", "http://site.test/x", true, ".site.test", true, "/", false, false},
        // A server may not set a cookie for another site, nor for a longer name.
        {"c4=v; Domain=other.test", "http://www.site.test/", false, "", false, "", false, false},
        {"c5=v; Domain=a.www.site.test", "http://www.site.test/", false, "", false, "", false, false},
        {"no-equals-sign", "http://www.site.test/", false, "", false, "", false, false},
    };
    for (auto const& c : cases) {
        store().clear();
        store().addSetCookie(c.value, c.url);
        auto const cookies = store().list();
        ASSERT_EQ(cookies.size(), c.stored ? 1u : 0u) << c.value;
        if (!c.stored) {
            continue;
        }
        auto const& cookie = cookies.front();
        EXPECT_EQ(cookie.value, "v");
        EXPECT_EQ(cookie.domain, c.domain) << c.value;
        EXPECT_EQ(cookie.includeSubdomains, c.includeSubdomains) << c.value;
        EXPECT_EQ(cookie.path, c.path) << c.value;
        EXPECT_EQ(cookie.secure, c.secure) << c.value;
        EXPECT_EQ(cookie.httpOnly, c.httpOnly) << c.value;
    }
}

TEST_F(CookieStoreTest, ExpiryFromMaxAgeAndExpires)
{
    auto const now = static_cast<std::int64_t>(std::time(nullptr));
    store().addSetCookie("a=1; Max-Age=3600; Expires=Wed, 01 Jan 2020 00:00:00 GMT", "http://site.test/");
    store().addSetCookie("b=1; Expires=Fri, 01 Jan 2100 00:00:00 GMT", "http://site.test/");
    store().addSetCookie("c=1", "http://site.test/");
    store().addSetCookie("d=1; Expires=Wed, 01 Jan 2020 00:00:00 GMT", "http://site.test/");
    ASSERT_EQ(named("a").size(), 1u);
    EXPECT_NEAR(static_cast<double>(named("a")[0].expires), static_cast<double>(now + 3600), 60.0);
    ASSERT_EQ(named("b").size(), 1u);
    EXPECT_EQ(named("b")[0].expires, 4102444800);
    ASSERT_EQ(named("c").size(), 1u);
    EXPECT_EQ(named("c")[0].expires, 0);  // a session cookie
    EXPECT_TRUE(named("d").empty());       // already expired
}

TEST_F(CookieStoreTest, AddRemoveListAndClear)
{
    store().addNetscapeLine(".site.test\tTRUE\t/\tFALSE\t0\tsid\tabc");
    store().addNetscapeLine("#HttpOnly_www.site.test\tFALSE\t/p\tTRUE\t4102444800\ttok\txyz");
    store().addNetscapeLine("# a comment");
    store().addNetscapeLine("too\tfew\tfields");
    store().add(net::Cookie{.domain = "img.site.test", .name = "k", .value = "v"});
    auto cookies = store().list();
    ASSERT_EQ(cookies.size(), 3u);
    auto const tok = named("tok");
    ASSERT_EQ(tok.size(), 1u);
    EXPECT_TRUE(tok[0].httpOnly);
    EXPECT_TRUE(tok[0].secure);
    EXPECT_EQ(tok[0].path, "/p");
    EXPECT_EQ(tok[0].expires, 4102444800);

    store().remove("site.test", "/", "sid");  // the leading dot does not matter
    EXPECT_TRUE(named("sid").empty());
    EXPECT_EQ(store().list().size(), 2u);
    store().remove("www.site.test", "/", "tok");  // wrong path: nothing happens
    EXPECT_EQ(named("tok").size(), 1u);

    store().clear();
    EXPECT_TRUE(store().list().empty());
}

TEST_F(CookieStoreTest, RemovedCookieIsNoLongerSent)
{
    TestServer server;
    server.serve("/page", Reply{.body = "page"});
    store().addSetCookie("sid=abc", server.url("/"));
    store().addSetCookie("keep=1", server.url("/"));
    store().remove("127.0.0.1", "/", "sid");
    net::PageRequest(server.url("/page"));
    EXPECT_EQ(server.lastRequest().header("Cookie"), "keep=1");
}

TEST_F(CookieStoreTest, CookiesTxtRoundTrip)
{
    testing_support::Sandbox sandbox;
    auto const file = (sandbox.root() / "cookies.txt").string();
    store().addNetscapeLine(".site.test\tTRUE\t/\tFALSE\t0\tsid\tabc");
    store().addNetscapeLine("#HttpOnly_www.site.test\tFALSE\t/p\tTRUE\t4102444800\ttok\txyz=1");
    store().addSetCookie("lang=zh-CN; Path=/people", "http://www.site.test/people/x");
    auto const before = store().list();
    ASSERT_EQ(before.size(), 3u);
    ASSERT_TRUE(store().save(file));

    struct stat info {};
    ASSERT_EQ(::stat(file.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);

    store().clear();
    ASSERT_TRUE(store().load(file));
    auto const after = store().list();
    ASSERT_EQ(after.size(), before.size());
    for (auto const& cookie : before) {
        auto const again = named(cookie.name);
        ASSERT_EQ(again.size(), 1u) << cookie.name;
        EXPECT_EQ(again[0].domain, cookie.domain);
        EXPECT_EQ(again[0].includeSubdomains, cookie.includeSubdomains);
        EXPECT_EQ(again[0].path, cookie.path);
        EXPECT_EQ(again[0].secure, cookie.secure);
        EXPECT_EQ(again[0].httpOnly, cookie.httpOnly);
        EXPECT_EQ(again[0].expires, cookie.expires);
        EXPECT_EQ(again[0].value, cookie.value);
    }
    EXPECT_FALSE(store().load((sandbox.root() / "missing.txt").string()));
    EXPECT_FALSE(store().save((sandbox.root() / "no-such-folder" / "cookies.txt").string()));
}

TEST_F(CookieStoreTest, ListenerHearsEveryCookieOfEveryAnswer)
{
    TestServer server;
    server.serve("/login", Reply{.status = 302,
                                 .headers = {{"Set-Cookie", "step=1; Path=/"}, {"Location", "/home"}}});
    server.serve("/home", Reply{.headers = {{"Set-Cookie", "sid=abc; Path=/; HttpOnly"},
                                            {"Set-Cookie", "old=x; Max-Age=0"}}});
    std::vector<net::Cookie> heard;
    store().setListener([&heard](net::Cookie const& cookie) { heard.push_back(cookie); });
    net::PageRequest(server.url("/login"));
    ASSERT_EQ(heard.size(), 3u);
    EXPECT_EQ(heard[0].name, "step");
    EXPECT_EQ(heard[1].name, "sid");
    EXPECT_TRUE(heard[1].httpOnly);
    EXPECT_EQ(heard[2].name, "old");
    EXPECT_EQ(heard[2].expires, 1);  // a deletion, for the browser to carry out
    EXPECT_EQ(named("sid").size(), 1u);
    EXPECT_EQ(named("step").size(), 1u);
}

TEST_F(CookieStoreTest, SafeWhileRequestsRunOnOtherThreads)
{
    TestServer server;
    std::atomic<int> counter{0};
    server.on("/set", [&counter](testing_support::RecordedRequest const&) {
        return Reply{.headers = {{"Set-Cookie", "n" + std::to_string(counter++ % 5) + "=1; Path=/"}}};
    });
    std::atomic<int> heard{0};
    store().setListener([&heard](net::Cookie const&) { ++heard; });
    std::vector<std::thread> workers;
    for (int w = 0; w < 2; ++w) {
        workers.emplace_back([&server] {
            for (int i = 0; i < 20; ++i) {
                net::PageRequest(server.url("/set"));
            }
        });
    }
    for (int i = 0; i < 40; ++i) {
        store().addSetCookie("window=" + std::to_string(i), server.url("/"));
        store().remove("127.0.0.1", "/", "n1");
        (void)store().list();
    }
    for (auto& worker : workers) {
        worker.join();
    }
    EXPECT_EQ(heard, 40);
    EXPECT_EQ(named("window").size(), 1u);
    EXPECT_EQ(named("window")[0].value, "39");
}

}  // namespace
