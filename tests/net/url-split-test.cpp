#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "net/url-split.h"

namespace {

struct UrlCase {
    std::string address;
    std::string host;
    std::string hostWithPort;
    int port;
    std::string path;
};

TEST(UrlSplit, HostPortAndPath)
{
    std::vector<UrlCase> const cases{
        {"http://pics.example.test/people/abc/", "pics.example.test", "pics.example.test", 80, "/people/abc/"},
        {"HTTPS://Pics.Example.TEST/A?b=C", "pics.example.test", "pics.example.test", 443, "/A?b=C"},
        {"http://pics.example.test:8080/x", "pics.example.test", "pics.example.test:8080", 8080, "/x"},
        {"https://127.0.0.1:4431/a#f", "127.0.0.1", "127.0.0.1:4431", 4431, "/a#f"},
        {"http://pics.example.test", "pics.example.test", "pics.example.test", 80, "/"},
        {"pics.example.test/x", "pics.example.test", "pics.example.test", 80, "/x"},
        {"pics.example.test", "pics.example.test", "pics.example.test", 80, "/"},
        // "http://" is put in front only when it occurs nowhere, so one in
        // the query names the host.
        {"a.test/go?u=http://b.test/", "b.test", "b.test", 80, "/"},
        // A one-letter host is first found inside the scheme.
        {"https://s/a", "s", "s", 443, "//s/a"},
        // A port without digits reads as 0; several colons: the last one.
        {"http://host:/x", "host", "host:", 0, "/x"},
        {"http://host:1:2/x", "host", "host:1:2", 2, "/x"},
        {"http://相册.test/照片", "相册.test", "相册.test", 80, "/照片"},
        {"", "", "", 80, "/"},
    };
    for (auto const& c : cases) {
        EXPECT_EQ(net::UrlHost(c.address), c.host) << c.address;
        EXPECT_EQ(net::UrlHost(c.address, true), c.hostWithPort) << c.address;
        EXPECT_EQ(net::UrlPort(c.address), c.port) << c.address;
        EXPECT_EQ(net::UrlPath(c.address), c.path) << c.address;
    }
}

TEST(UrlSplit, HugePortDoesNotOverflow)
{
    EXPECT_EQ(net::UrlPort("http://h:99999999999999999999/"), 2147483647);
}

}  // namespace
