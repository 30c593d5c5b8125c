#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "net/cookie-merge.h"

namespace {

struct MergeCase {
    std::string held;
    std::string received;
    std::string merged;
    std::string receivedAfter;
};

TEST(CookieMerge, Table)
{
    std::vector<MergeCase> const cases{
        {"a=1; b=2", "b=3; c=4", "b=3; c=4; a=1", "b=3;c=4"},  // received first, then held not replaced
        {"a=1; b=2", "a=deleted", "b=2", "a=deleted"},
        {"sid=x", "", "sid=x", ""},
        {"", "a=1; b=2", "a=1; b=2", "a=1;b=2"},
        {"a=1;a=2", "", "a=1", ""},                      // only the first held item of a name
        {"", "a=1; a=1", "a=1", "a=1;a=1"},              // exact repeats removed
        {"", "a=1; a=2", "a=1; a=2", "a=1;a=2"},         // received items are not compared by name
        {"k=v v", "", "k=vv", ""},                       // spaces inside values go too
        {"k=v\u3000v", "", "k=vv", ""},
        {"", "", "", ""},
        {"a=deleted", "", "", ""},
        {"a=1", "b=deleted", "a=1", "b=deleted"},
        {"A=1", "a=2", "a=2; A=1", "a=2"},               // names compare with letter case
        {"flag; a=1", "flag", "flag; a=1", "flag"},      // an item without "=" is named by itself
        {"a=1;", "", "a=1", ""},                         // nothing after a final separator
        {"x=a=b", "x=c", "x=c", "x=c"},                  // the name ends at the first "="
        {"s=相册", "t=旅行🌸", "t=旅行🌸; s=相册", "t=旅行🌸"},
    };
    for (auto const& c : cases) {
        std::string held = c.held;
        std::string received = c.received;
        auto const result = net::CookieMerge(held, received);
        EXPECT_EQ(result, c.merged) << c.held << " + " << c.received;
        EXPECT_EQ(held, c.merged) << c.held << " + " << c.received;
        EXPECT_EQ(received, c.receivedAfter) << c.held << " + " << c.received;
    }
}

TEST(CookieMerge, MergingTwiceChangesNothing)
{
    std::string held = "a=1; b=2";
    std::string received = "b=3; c=deleted";
    net::CookieMerge(held, received);
    auto const once = held;
    std::string none;
    EXPECT_EQ(net::CookieMerge(held, none), once);
}

}  // namespace
