#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "net/matcher.h"

namespace {

// The two patterns the scrapers run over site pages, as the program holds them.
constexpr char const* AlbumListPattern =
    "<img class=\"album\" src=\"(.*?)\"/></a>\n"
    "    <div class=\"albumlst_r\">\n"
    "        <div class=\"pl2\">\n"
    "            <a href=\"(.*?)\">(.*?)</a>";
constexpr char const* ThumbnailPattern = "<img src=\"http://(.*?)/view/photo/thumb/public/p(.*?).jpg\" />";

std::vector<std::string> allMatches(net::RegexMatcher const& matcher)
{
    std::vector<std::string> texts;
    for (int n = 1; n <= matcher.MatchCount(); ++n)
        texts.push_back(matcher.MatchText(n));
    return texts;
}

TEST(RegexMatcher, OptionsAndMatches)
{
    struct Case {
        std::string pattern;
        std::string subject;
        bool caseSensitive;
        bool multiline;
        bool global;
        std::vector<std::string> matches;
    };
    std::vector<Case> const cases{
        {"abc", "xABCx", false, true, true, {"ABC"}},  // the default ignores letter case
        {"abc", "xABCx", true, true, true, {}},
        {"ä", "Ä", false, true, true, {"Ä"}},
        {"a.", "ab a\nac", false, true, true, {"ab", "ac"}},  // the dot stops at a line feed
        {"a.", "a\r", false, true, true, {"a\r"}},
        {"^x", "x\nx", false, true, true, {"x", "x"}},        // multi-line anchors
        {"^x", "x\nx", false, false, true, {"x"}},
        {"x$", "x\nx", false, true, true, {"x", "x"}},
        {"x$", "x\nx", false, false, true, {"x"}},
        {"[0-9]", "a1b2", false, true, false, {"1"}},         // not global: the first match only
        {"册.", "相册🌸册x", false, true, true, {"册🌸", "册x"}},  // the dot takes a whole character
        {"<b>(.*?)</b>", "<b>1</b><b>2\n</b>", false, true, true, {"<b>1</b>"}},  // a group never spans lines
        {"a\nb", "a\nb", false, true, true, {"a\nb"}},        // a line feed in the pattern matches itself
        {"x*", "ab", false, true, true, {"", "", ""}},        // empty matches move on one character
        {"x*", "相册", false, true, true, {"", "", ""}},
        {"", "", false, true, true, {""}},
    };
    for (auto const& c : cases) {
        net::RegexMatcher matcher;
        EXPECT_TRUE(matcher.Run(c.pattern, c.subject, c.caseSensitive, c.multiline, c.global)) << c.pattern;
        EXPECT_EQ(allMatches(matcher), c.matches) << c.pattern << " over " << c.subject;
    }
}

TEST(RegexMatcher, RejectedPatternGivesNothing)
{
    for (std::string const pattern : {"(a", "a)", "[a", "(?<=a)b", "(a)\\1", "a{2,1}"}) {
        net::RegexMatcher matcher;
        ASSERT_TRUE(matcher.Run("(a)", "a"));
        EXPECT_FALSE(matcher.Run(pattern, "aab ab")) << pattern;
        EXPECT_EQ(matcher.MatchCount(), 0) << pattern;
        EXPECT_EQ(matcher.SubMatchCount(), 0) << pattern;
        EXPECT_EQ(matcher.MatchText(1), "") << pattern;
        EXPECT_EQ(matcher.SubMatchText(1, 1), "") << pattern;
        EXPECT_EQ(matcher.PatternText(), pattern);
    }
}

TEST(RegexMatcher, NumbersOutOfRangeGiveEmptyTexts)
{
    net::RegexMatcher matcher;
    EXPECT_EQ(matcher.MatchCount(), 0);  // before any run
    EXPECT_EQ(matcher.MatchText(1), "");
    EXPECT_EQ(matcher.PatternText(), "");
    EXPECT_EQ(matcher.ReplaceAll("x"), "");

    ASSERT_TRUE(matcher.Run("(a)(b)|(c)", "ab c"));
    ASSERT_EQ(matcher.MatchCount(), 2);
    EXPECT_EQ(matcher.SubMatchCount(), 3);
    struct Case {
        int match;
        int group;
        std::string expected;
    };
    std::vector<Case> const cases{
        {1, 1, "a"}, {1, 2, "b"}, {1, 3, ""},  // group 3 took no part
        {2, 3, "c"}, {2, 1, ""},
        {0, 1, ""},  {3, 1, ""},  {1, 0, ""}, {1, 4, ""}, {-1, -1, ""},
    };
    for (auto const& c : cases)
        EXPECT_EQ(matcher.SubMatchText(c.match, c.group), c.expected) << c.match << "/" << c.group;
    EXPECT_EQ(matcher.MatchText(0), "");
    EXPECT_EQ(matcher.MatchText(3), "");
    EXPECT_EQ(matcher.MatchText(2), "c");
}

TEST(RegexMatcher, QuotePlaceholderOnlyWhenAsked)
{
    net::RegexMatcher matcher;
    ASSERT_TRUE(matcher.Run("src=#引号(.*?)#引号", "src=\"a.jpg\""));
    EXPECT_EQ(matcher.MatchCount(), 0);
    EXPECT_EQ(matcher.PatternText(), "src=#引号(.*?)#引号");

    ASSERT_TRUE(matcher.Run("src=#引号(.*?)#引号", "src=\"a.jpg\"", false, true, true, true));
    EXPECT_EQ(matcher.SubMatchText(1, 1), "a.jpg");
    EXPECT_EQ(matcher.PatternText(), "src=\"(.*?)\"");
}

TEST(RegexMatcher, ReplaceAll)
{
    net::RegexMatcher matcher;
    ASSERT_TRUE(matcher.Run("(\\d)", "a1b22"));
    EXPECT_EQ(matcher.ReplaceAll("#"), "a#b##");
    EXPECT_EQ(matcher.ReplaceAll("<$1$&$$>"), "a<11$>b<22$><22$>");
    EXPECT_EQ(matcher.ReplaceAll("$2$"), "a$2$b$2$$2$");  // no such group: the text stands

    ASSERT_TRUE(matcher.Run("(\\d)", "a1b22", false, true, false));
    EXPECT_EQ(matcher.ReplaceAll("#"), "a#b22");

    ASSERT_TRUE(matcher.Run("x", "相册"));
    EXPECT_EQ(matcher.ReplaceAll("#"), "相册");
}

TEST(RegexMatcher, CopiesShareMatchesAndKeepTheirSubject)
{
    net::RegexMatcher matcher;
    ASSERT_TRUE(matcher.Run("b", "abc"));
    net::RegexMatcher copy(matcher);
    ASSERT_TRUE(matcher.Run("z", "xyz"));
    EXPECT_EQ(copy.MatchCount(), 1);
    EXPECT_EQ(copy.ReplaceAll("-"), "a-c");
    copy = matcher;
    EXPECT_EQ(copy.ReplaceAll("-"), "xy-");
}

TEST(RegexMatcher, AlbumListPatternOnAListPage)
{
    std::string const page =
        "<div class=\"albumlst\">\n"
        "    <a class=\"album_photo\" href=\"https://site.test/photos/album/101/\">"
        "<img class=\"album\" src=\"https://img.test/view/photo/albumcover/public/p1.jpg\"/></a>\n"
        "    <div class=\"albumlst_r\">\n"
        "        <div class=\"pl2\">\n"
        "            <a href=\"https://site.test/photos/album/101/\">旅行🌸 &amp; 2015</a>\n"
        "        </div>\n"
        "</div>\n"
        "<div class=\"albumlst\">\n"
        "    <a class=\"album_photo\" href=\"https://site.test/photos/album/102/\">"
        "<img class=\"album\" src=\"https://img.test/view/photo/albumcover/public/p2.jpg\"/></a>\n"
        "    <div class=\"albumlst_r\">\n"
        "        <div class=\"pl2\">\n"
        "            <a href=\"https://site.test/photos/album/102/\">旅行🌊</a>\n"
        "        </div>\n"
        "</div>\n"
        // A row with CR LF line ends is not the shape the pattern knows.
        "<img class=\"album\" src=\"c3\"/></a>\r\n    <div class=\"albumlst_r\">\r\n";
    net::RegexMatcher matcher;
    ASSERT_TRUE(matcher.Run(AlbumListPattern, page));
    ASSERT_EQ(matcher.MatchCount(), 2);
    EXPECT_EQ(matcher.SubMatchText(1, 1), "https://img.test/view/photo/albumcover/public/p1.jpg");
    EXPECT_EQ(matcher.SubMatchText(1, 2), "https://site.test/photos/album/101/");
    EXPECT_EQ(matcher.SubMatchText(1, 3), "旅行🌸 &amp; 2015");
    EXPECT_EQ(matcher.SubMatchText(2, 2), "https://site.test/photos/album/102/");
    EXPECT_EQ(matcher.SubMatchText(2, 3), "旅行🌊");
}

TEST(RegexMatcher, ThumbnailPatternOnAnAlbumPage)
{
    std::string const page =
        "<div class=\"photo_wrap\">\n"
        "    <a href=\"https://site.test/photos/photo/2230001/\" class=\"photolst_photo\" title=\"海边\">\n"
        "        <img src=\"http://img3.site.test/view/photo/thumb/public/p2230001.jpg\" />\n"
        "    </a>\n"
        "</div>\n"
        "<div class=\"photo_wrap\">\n"
        "        <img src=\"http://IMG1.site.test/view/photo/thumb/public/p2230002.webp\" />\n"
        "        <img src=\"http://img1.site.test/view/photo/thumb/public/p2230003.jpg\" /><img src=\"http://img2"
        ".site.test/view/photo/thumb/public/p2230004xjpg\" />\n"
        "        <img src=\"http://img9.site.test/view/photo/\n"  // broken across lines: no match
        "thumb/public/p9.jpg\" />\n"
        "</div>\n";
    net::RegexMatcher matcher;
    ASSERT_TRUE(matcher.Run(ThumbnailPattern, page));
    ASSERT_EQ(matcher.MatchCount(), 3);
    EXPECT_EQ(matcher.SubMatchText(1, 1), "img3.site.test");
    EXPECT_EQ(matcher.SubMatchText(1, 2), "2230001");
    EXPECT_EQ(matcher.SubMatchText(2, 1), "img1.site.test");
    EXPECT_EQ(matcher.SubMatchText(2, 2), "2230003");
    // The stored "." before "jpg" takes any character.
    EXPECT_EQ(matcher.SubMatchText(3, 1), "img2.site.test");
    EXPECT_EQ(matcher.SubMatchText(3, 2), "2230004");
}

TEST(RegexMatcher, HostileThumbnailPageFindsNothing)
{
    std::string page;
    for (int i = 0; i < 20000; ++i)
        page += "<img src=\"http://";
    net::RegexMatcher matcher;
    EXPECT_TRUE(matcher.Run(ThumbnailPattern, page));
    EXPECT_EQ(matcher.MatchCount(), 0);
}

TEST(DigitsOnly, Table)
{
    struct Case {
        std::string text;
        std::string digits;
    };
    std::vector<Case> const cases{
        {"共 1,234 张照片", "1234"},
        {"没有数字", ""},
        {"１２３", ""},  // full-width digits do not count
        {"", ""},
        {"(56张)\n7", "567"},
    };
    for (auto const& c : cases)
        EXPECT_EQ(net::DigitsOnly(c.text), c.digits) << c.text;
}

}  // namespace
