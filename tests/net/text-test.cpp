#include <chrono>
#include <climits>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "net/job-control.h"
#include "net/text.h"
#include "tests/support/sandbox.h"

namespace {

using namespace std::string_literals;

struct TextCase {
    std::string input;
    std::string expected;
};

TEST(Text, TrimRemovesHalfAndFullWidthSpacesOnly)
{
    std::vector<TextCase> const cases{
        {"  ab  ", "ab"},
        {"\u3000相册\u3000 ", "相册"},
        {" a b ", "a b"},          // inner spaces stay
        {"\tab\r\n", "\tab\r\n"},  // tabs and line breaks stay
        {"  \u3000  ", ""},
        {"", ""},
        // Part of U+3000's bytes is not a space: a lone E3 80 stays.
        {"\xE3\x80", "\xE3\x80"},
    };
    for (auto const& c : cases)
        EXPECT_EQ(net::Trim(c.input), c.expected) << c.input;
}

TEST(Text, RemoveSpacesEverywhere)
{
    EXPECT_EQ(net::RemoveSpaces(" k = v\u3000v "), "k=vv");
    EXPECT_EQ(net::RemoveSpaces("a\tb"), "a\tb");
    // In broken text a U+3000 can form once a space inside it is gone; it
    // goes too, so the result never holds a space of either width.
    EXPECT_EQ(net::RemoveSpaces("a\xE3 \x80\x80" "b"), "ab");
    EXPECT_EQ(net::RemoveSpaces("\xE3\xE3 \x80\x80\x80\x80"), "");
}

TEST(Text, FindTextPositions)
{
    struct Case {
        std::string text;
        std::string needle;
        long long start;
        bool ignoreCase;
        long long expected;
    };
    std::vector<Case> const cases{
        {"abcabc", "bc", 1, false, 2},
        {"abcabc", "bc", 3, false, 5},
        {"abcabc", "bc", 0, false, 2},   // below 1: from the beginning
        {"abcabc", "bc", -5, false, 2},
        {"abcabc", "bc", 6, false, -1},
        {"abcabc", "bc", 100, false, -1},  // start beyond the end
        {"abcabc", "BC", 1, false, -1},
        {"abcabc", "BC", 1, true, 2},
        // Ignore-case folds ASCII only: Ä and ä are different letters here.
        {"Äpfel", "äpfel", 1, true, -1},
        {"相册相册", "册", 1, false, 4},
        {"相册相册", "册", 5, false, 10},
        // "册" is E5 86 8C; a needle made of its tail bytes is not a character.
        {"相册", "\x86\x8C", 1, false, 5},
        {"", "a", 1, false, -1},
        {"abc", "", 2, false, 2},
    };
    for (auto const& c : cases)
        EXPECT_EQ(net::FindText(c.text, c.needle, c.start, c.ignoreCase), c.expected)
            << c.text << " / " << c.needle << " from " << c.start;
}

TEST(Text, FindTextNeverLandsInsideACharacter)
{
    // Every hit of a whole character in valid UTF-8 starts on a lead byte.
    std::string const text = "旅行🌸旅行🌊旅";
    for (std::string const needle : {"旅", "行", "🌸", "🌊"}) {
        for (long long at = net::FindText(text, needle); at > 0; at = net::FindText(text, needle, at + 1)) {
            auto const lead = static_cast<unsigned char>(text[static_cast<std::size_t>(at - 1)]);
            EXPECT_NE(lead & 0xC0, 0x80) << needle << " at " << at;
        }
    }
}

TEST(Text, ReplaceText)
{
    struct Case {
        std::string text, from, to;
        bool ignoreCase;
        std::string expected;
    };
    std::vector<Case> const cases{
        {"a#引号b#引号", "#引号", "\"", false, "a\"b\""},
        {"aXbxc", "x", "-", false, "aXb-c"},
        {"aXbxc", "x", "-", true, "a-b-c"},
        {"aaa", "aa", "b", false, "ba"},     // left to right, no overlaps
        {"abc", "", "z", false, "abc"},      // an empty search text changes nothing
        {"ab", "b", "bb", false, "abb"},     // the replacement is not searched again
        {"相册", "册", "", false, "相"},
    };
    for (auto const& c : cases)
        EXPECT_EQ(net::ReplaceText(c.text, c.from, c.to, c.ignoreCase), c.expected) << c.text;
}

TEST(Text, AsciiLowerLeavesOtherLettersAlone)
{
    EXPECT_EQ(net::AsciiLower("HTTP://Ä.Example/相册"), "http://Ä.example/相册");
}

TEST(Text, TextBetween)
{
    struct Case {
        std::string text, left, right;
        long long start;
        bool ignoreCase;
        std::string expected;
    };
    std::vector<Case> const cases{
        {"a{{x}}b", "{{", "}}", 0, false, "x"},
        {"a{{x}b", "{{", "}}", 0, false, ""},  // right marker missing
        {"a{{}}b", "{{", "}}", 0, false, ""},  // markers touch
        {"a}}x{{b", "{{", "}}", 0, false, ""},  // right only before left
        {"ab", "{{", "}}", 0, false, ""},
        {"<a href=\"u\">", "href=#引号", "#引号", 0, false, "u"},
        {"<a href=#引号u#引号>", "href=#引号", "#引号", 0, false, ""},  // the placeholder is never in the text
        {"[1][2]", "[", "]", 0, false, "1"},
        {"[1][2]", "[", "]", 2, false, "2"},
        {"[1][2]", "[", "]", 100, false, ""},  // start beyond the end
        {"<B>x</b>", "<b>", "</B>", 0, false, ""},
        {"<B>x</b>", "<b>", "</B>", 0, true, "x"},
        {"<title>旅行🌸</title>", "<title>", "</title>", 0, false, "旅行🌸"},
        {"a==b", "=", "=", 0, false, ""},  // the right marker is looked for after the left one
    };
    for (auto const& c : cases)
        EXPECT_EQ(net::TextBetween(c.text, c.left, c.right, c.start, c.ignoreCase), c.expected)
            << c.text << " between " << c.left << " and " << c.right;
}

TEST(Text, HeaderNameAndValue)
{
    struct Case {
        std::string line, name, value;
    };
    std::vector<Case> const cases{
        {"Host: a.test:8080", "Host", "a.test:8080"},
        {"  Set-Cookie :  a=1; b=2  ", "Set-Cookie", "a=1; b=2"},
        {"no colon here", "", ""},
        {":value", "", "value"},
        {"Name:", "Name", ""},
    };
    for (auto const& c : cases) {
        EXPECT_EQ(net::HeaderName(c.line), c.name) << c.line;
        EXPECT_EQ(net::HeaderValue(c.line), c.value) << c.line;
    }
}

TEST(Text, Utf8ToText)
{
    std::vector<TextCase> const cases{
        {"相册", "相册"},
        {"", ""},
        {"ab\0cd"s, "ab"},  // the text ends at the first zero byte
        {"\0ab"s, ""},
        {"a\xFF" "b", "a\uFFFDb"},
        {"\xE7\x9B", "\uFFFD"},              // a cut-off character
        {"\xE7\x9B" "ab", "\uFFFDab"},       // ... does not swallow what follows
        {"\xC0\xAF", "\uFFFD"},      // an overlong '/' never becomes a separator
        {"\xED\xA0\x80", "\uFFFD"},  // a surrogate half is not a character
        {"旅行🌸", "旅行🌸"},  // characters beyond the basic plane survive
    };
    for (auto const& c : cases)
        EXPECT_EQ(net::Utf8ToText(c.input), c.expected) << c.input;
}

TEST(Text, SafeFileName)
{
    std::vector<TextCase> const cases{
        {"我的相册：2015.10(上)", "我的相册201510(上)"},
        {"a/b\\c", "abc"},
        {"a b.c", "abc"},
        {":\\/?*<>|.& ", ""},
        {"：、？。（）·！，x", "x"},
        {"say \"hi\"", "say\"hi\""},  // the double quote stays
        {"..", ""},
        {"../../etc", "etc"},
        {"line\r\nbreak\ttab", "linebreaktab"},
        {"旅行🌸", "旅行🌸"},
        {"\xEF\xBC.\x9A", ""},  // broken text: "：" formed once the "." is gone
    };
    for (auto const& c : cases)
        EXPECT_EQ(net::SafeFileName(c.input), c.expected) << c.input;
}

TEST(Text, SafeFileNameKeepsDistinctTitlesDistinct)
{
    EXPECT_NE(net::SafeFileName("旅行🌸"), net::SafeFileName("旅行🌊"));
    // A removed full-width character never takes part of a neighbour with it.
    EXPECT_EQ(net::SafeFileName("册·册"), "册册");
}

TEST(Text, FoldersAreCheckedAndCreated)
{
    testing_support::Sandbox sandbox;
    auto const root = sandbox.root().string();

    EXPECT_TRUE(net::IsDirectory(root));
    EXPECT_FALSE(net::IsDirectory(root + "/missing"));
    EXPECT_FALSE(net::IsDirectory(""));
    testing_support::WriteFile(sandbox.root() / "file", "x");
    EXPECT_FALSE(net::IsDirectory(root + "/file"));

    std::string path = root + "/photos/旅行🌸/x";
    EXPECT_TRUE(net::EnsureFolder(path));
    EXPECT_EQ(path, root + "/photos/旅行🌸/x/");
    EXPECT_TRUE(net::IsDirectory(path));

    std::string again = path;
    EXPECT_TRUE(net::EnsureFolder(again));
    EXPECT_EQ(again, path);  // a final "/" is not doubled

    std::string blocked = root + "/file/sub";
    EXPECT_FALSE(net::EnsureFolder(blocked));
    EXPECT_EQ(blocked, root + "/file/sub/");  // the final "/" is added even so
}

TEST(Text, UnixSecondsCountsFromEightOClock)
{
    struct Case {
        net::DateTime when;
        std::int64_t expected;
    };
    std::vector<Case> const cases{
        {{1970, 1, 1, 8, 0, 1}, 1},
        {{1970, 1, 2, 8, 0, 0}, 86400},
        {{1970, 1, 1, 0, 0, 0}, -28800},
        {{2000, 3, 1, 8, 0, 0}, 951868800},  // after a leap day
        {{2015, 10, 1, 0, 0, 0}, 1443628800},
        {{2038, 1, 19, 11, 14, 8}, 2147483648LL},  // past 32 bits
        {{2015, 13, 1, 8, 0, 0}, 1451606400},  // month 13 is January of the next year
    };
    for (auto const& c : cases)
        EXPECT_EQ(net::UnixSeconds(c.when), c.expected)
            << c.when.year << "-" << c.when.month << "-" << c.when.day << " " << c.when.hour;
}

TEST(Text, UnixSecondsTakesAbsurdFieldsWithoutOverflow)
{
    // Date-times come from settings texts; nonsense there must not be
    // undefined arithmetic (the sanitizer build checks).
    net::DateTime const extreme{INT_MAX, INT_MIN, INT_MAX, INT_MAX, INT_MIN, INT_MAX};
    (void)net::UnixSeconds(extreme);
    net::DateTime const negative{INT_MIN, INT_MAX, INT_MIN, INT_MIN, INT_MAX, INT_MIN};
    (void)net::UnixSeconds(negative);
}

TEST(Text, LocalNowIsAPlausibleDate)
{
    auto const now = net::LocalNow();
    EXPECT_GE(now.year, 2024);
    EXPECT_GE(now.month, 1);
    EXPECT_LE(now.month, 12);
    EXPECT_GE(net::UnixSeconds(now), 1700000000);
}

TEST(Text, LeadingNumber)
{
    struct Case {
        std::string text;
        long long expected;
    };
    std::vector<Case> const cases{
        {"8080", 8080}, {"12ab", 12}, {"x", 0}, {"", 0}, {" -7", -7}, {"+5", 5},
        {"-", 0},       {"99999999999999999999", LLONG_MAX}, {"-99999999999999999999", LLONG_MIN},
    };
    for (auto const& c : cases)
        EXPECT_EQ(net::LeadingNumber(c.text), c.expected) << c.text;
}

TEST(PumpedDelay, WaitsTheAmountInItsUnit)
{
    using Clock = std::chrono::steady_clock;
    auto started = Clock::now();
    EXPECT_TRUE(net::PumpedDelay(0));
    EXPECT_TRUE(net::PumpedDelay(-5));
    EXPECT_LT(Clock::now() - started, std::chrono::milliseconds(100));

    started = Clock::now();
    EXPECT_TRUE(net::PumpedDelay(60));
    EXPECT_GE(Clock::now() - started, std::chrono::milliseconds(60));

    started = Clock::now();
    EXPECT_TRUE(net::PumpedDelay(3, 20));  // an unknown unit is milliseconds per unit
    EXPECT_GE(Clock::now() - started, std::chrono::milliseconds(60));

    net::JobControl control;
    started = Clock::now();
    EXPECT_TRUE(net::PumpedDelay(60, 0, &control));
    EXPECT_GE(Clock::now() - started, std::chrono::milliseconds(60));
}

TEST(PumpedDelay, AStoppedJobDoesNotWaitForHours)
{
    net::JobControl control;
    control.stop();
    auto const started = std::chrono::steady_clock::now();
    EXPECT_FALSE(net::PumpedDelay(1, 3, &control));
    EXPECT_FALSE(net::PumpedDelay(LLONG_MAX, 2, &control));  // no overflow into a negative wait either
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));
}

}  // namespace
