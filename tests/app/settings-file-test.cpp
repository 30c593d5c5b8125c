#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "app/settings-file.h"
#include "tests/support/sandbox.h"

namespace {

using app::ProfileLookup;
using app::ProfileUpdate;
using testing_support::ReadFile;
using testing_support::Sandbox;
using testing_support::WriteFile;

struct LookupCase {
    char const* what;
    std::string text;
    char const* section;
    char const* key;
    std::optional<std::string> expected;
};

TEST(ProfileLookup, FollowsTheProfileFormat)
{
    std::vector<LookupCase> const cases = {
        {"plain", "[a]\nk=v\n", "a", "k", "v"},
        {"empty text", "", "a", "k", std::nullopt},
        {"missing section", "[b]\nk=v\n", "a", "k", std::nullopt},
        {"missing key", "[a]\nj=v\n", "a", "k", std::nullopt},
        {"key of the next section is not ours", "[a]\n[b]\nk=v\n", "a", "k", std::nullopt},
        {"spaces around = trimmed", "[a]\n  k \t=  v w \t\n", "a", "k", "v w"},
        {"spaces inside brackets", "[ a ]\nk=v\n", "a", "k", "v"},
        {"text after the header ignored", "[a] ; note\nk=v\n", "a", "k", "v"},
        {"empty value", "[a]\nk=\n", "a", "k", ""},
        {"line without = is a key with no value", "[a]\nk\n", "a", "k", ""},
        {"value keeps = and ;", "[a]\nk=x=y;z\n", "a", "k", "x=y;z"},
        {"value keeps quotes", "[a]\nk=\"v\"\n", "a", "k", "\"v\""},
        {"comment is no key", "[a]\n;k=v\n", "a", ";k", std::nullopt},
        {"comment between keys", "[a]\n; note\n\nk=v\n", "a", "k", "v"},
        {"key before any section belongs to none", "k=v\n[a]\n", "a", "k", std::nullopt},
        {"duplicate key: first wins", "[a]\nk=1\nk=2\n", "a", "k", "1"},
        {"duplicate section: only the first counts", "[a]\nx=1\n[a]\nk=2\n", "a", "k", std::nullopt},
        {"duplicate section: first value", "[a]\nk=1\n[A]\nk=2\n", "a", "k", "1"},
        {"ASCII case folded", "[Sec]\nKey=v\n", "sEC", "kEY", "v"},
        {"non-ASCII not folded", "[É]\nk=v\n", "é", "k", std::nullopt},
        {"CRLF line endings", "[a]\r\nk=v\r\n", "a", "k", "v"},
        {"no final line ending", "[a]\nk=v", "a", "k", "v"},
        {"UTF-8 names and value", "[全局设置]\n下载记录=1\n", "全局设置", "下载记录", "1"},
        {"byte-order mark before the first header", "\xEF\xBB\xBF[a]\nk=v\n", "a", "k", "v"},
        {"unclosed header ignored, section goes on", "[a]\n[b\nk=v\n", "a", "k", "v"},
        {"empty section name", "[]\nk=v\n", "", "k", "v"},
    };
    for (auto const& c : cases)
        EXPECT_EQ(ProfileLookup(c.text, c.section, c.key), c.expected) << c.what;
}

struct UpdateCase {
    char const* what;
    std::string text;
    char const* section;
    char const* key;
    char const* value;
    std::string expected;
};

TEST(ProfileUpdate, ChangesOnlyTheKeyLine)
{
    std::vector<UpdateCase> const cases = {
        {"new file", "", "a", "k", "v", "[a]\nk=v\n"},
        {"value replaced", "[a]\nk=1\n", "a", "k", "2", "[a]\nk=2\n"},
        {"spacing and spelling kept", "[A]\n  Key = 1  \n", "a", "key", "2", "[A]\n  Key = 2  \n"},
        {"bare key gets a value", "[a]\nk\n", "a", "k", "v", "[a]\nk=v\n"},
        {"empty value filled", "[a]\nk=\n", "a", "k", "v", "[a]\nk=v\n"},
        {"first of duplicate keys", "[a]\nk=1\nk=2\n", "a", "k", "3", "[a]\nk=3\nk=2\n"},
        {"first of duplicate sections", "[a]\nx=1\n[a]\nk=2\n", "a", "k", "3", "[a]\nx=1\nk=3\n[a]\nk=2\n"},
        {"new key after the section's last key", "[a]\nx=1\n\n; about b\n[b]\ny=2\n", "a", "k", "v",
         "[a]\nx=1\nk=v\n\n; about b\n[b]\ny=2\n"},
        {"new key in an empty section", "[a]\n[b]\n", "a", "k", "v", "[a]\nk=v\n[b]\n"},
        {"new key, no final line ending", "[a]\nx=1", "a", "k", "v", "[a]\nx=1\nk=v"},
        {"new section after the rest", "; top\n[b]\ny=2\n", "a", "k", "v", "; top\n[b]\ny=2\n\n[a]\nk=v\n"},
        {"new section, no final line ending", "[b]\ny=2", "a", "k", "v", "[b]\ny=2\n\n[a]\nk=v\n"},
        {"new section after a blank line", "[b]\n\n", "a", "k", "v", "[b]\n\n[a]\nk=v\n"},
        {"CRLF file gets CRLF lines", "[b]\r\ny=2\r\n", "a", "k", "v", "[b]\r\ny=2\r\n\r\n[a]\r\nk=v\r\n"},
        {"CRLF new key", "[a]\r\nx=1\r\n", "a", "k", "v", "[a]\r\nx=1\r\nk=v\r\n"},
        {"CRLF value replaced", "[a]\r\nk=1\r\n", "a", "k", "2", "[a]\r\nk=2\r\n"},
        {"keys before any section untouched", "k=1\n", "a", "k", "2", "k=1\n\n[a]\nk=2\n"},
        {"byte-order mark kept", "\xEF\xBB\xBF[a]\nk=1\n", "a", "k", "2", "\xEF\xBB\xBF[a]\nk=2\n"},
        {"byte-order mark alone", "\xEF\xBB\xBF", "a", "k", "v", "\xEF\xBB\xBF[a]\nk=v\n"},
        {"UTF-8", "[下载模式]\n模式=1\n", "下载模式", "模式", "2", "[下载模式]\n模式=2\n"},
        {"value with = and spaces inside", "", "a", "k", "x = y", "[a]\nk=x = y\n"},
        {"header ending in a lone carriage return", "[a]\r", "a", "k", "v", "[a]\r\nk=v"},
    };
    for (auto const& c : cases) {
        auto const updated = ProfileUpdate(c.text, c.section, c.key, c.value);
        ASSERT_TRUE(updated.has_value()) << c.what;
        EXPECT_EQ(*updated, c.expected) << c.what;
        EXPECT_EQ(ProfileLookup(*updated, c.section, c.key), c.value) << c.what;
    }
}

TEST(ProfileUpdate, DropsSpacesAtTheValuesEndsSoRewritesAreStable)
{
    auto const once = ProfileUpdate("[a]\nk=1\n", "a", "k", " \tv w  ");
    ASSERT_TRUE(once.has_value());
    EXPECT_EQ(*once, "[a]\nk=v w\n");
    EXPECT_EQ(ProfileUpdate(*once, "a", "k", " \tv w  "), once);
}

TEST(ProfileUpdate, RefusesWhatTheFormatCannotHold)
{
    struct Refused {
        char const* what;
        std::string section;
        std::string key;
        std::string value;
    };
    std::vector<Refused> const cases = {
        {"line break in value", "a", "k", "1\n[b]"},
        {"carriage return in value", "a", "k", "1\r"},
        {"zero byte in value", "a", "k", std::string("1\0x", 3)},
        {"line break in key", "a", "k\nx", "1"},
        {"= in key", "a", "k=x", "1"},
        {"empty key", "a", "", "1"},
        {"key starting with ;", "a", ";k", "1"},
        {"key starting with [", "a", "[k", "1"},
        {"spaces around key", "a", " k", "1"},
        {"] in section", "a]b", "k", "1"},
        {"line break in section", "a\nb", "k", "1"},
        {"spaces around section", "a ", "k", "1"},
    };
    for (auto const& c : cases)
        EXPECT_FALSE(ProfileUpdate("[a]\nk=0\n", c.section, c.key, c.value).has_value()) << c.what;
}

class SettingsFileTest : public ::testing::Test {
protected:
    Sandbox sandbox;
    std::filesystem::path folder = sandbox.root() / "data";
    std::filesystem::path path = folder / "peizi.ini";
    app::SettingsFile settings{path.string()};

    void SetUp() override { std::filesystem::create_directories(folder); }

    [[nodiscard]] std::vector<std::string> folderEntries() const
    {
        std::vector<std::string> names;
        for (auto const& entry : std::filesystem::directory_iterator(folder))
            names.push_back(entry.path().filename().string());
        return names;
    }
};

TEST_F(SettingsFileTest, MissingFileGivesTheDefaultAndWritesNothing)
{
    EXPECT_EQ(settings.Read("全局设置", "下载记录", "0"), "0");
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_TRUE(folderEntries().empty());
}

TEST_F(SettingsFileTest, WriteCreatesTheFileAndReadFindsIt)
{
    ASSERT_TRUE(settings.Write("全局设置", "下载记录", "1"));
    ASSERT_TRUE(settings.Write("下载模式", "模式", "2"));
    EXPECT_EQ(ReadFile(path), "[全局设置]\n下载记录=1\n\n[下载模式]\n模式=2\n");
    EXPECT_EQ(settings.Read("全局设置", "下载记录", "0"), "1");
    EXPECT_EQ(settings.Read("下载模式", "模式", "1"), "2");
    EXPECT_EQ(settings.Read("下载模式", "其他", "x"), "x");
    // No temporary file is left behind.
    EXPECT_EQ(folderEntries(), std::vector<std::string>{"peizi.ini"});
}

TEST_F(SettingsFileTest, WriteKeepsEveryOtherByte)
{
    std::string const before = "; made by hand\r\n[图片大小]\r\n大小 = 1\r\n\r\n[other]\r\nx=  spaced  \r\nbinary=\xFF\xFE\r\n";
    WriteFile(path, before);
    ASSERT_TRUE(settings.Write("图片大小", "大小", "2"));
    EXPECT_EQ(ReadFile(path), "; made by hand\r\n[图片大小]\r\n大小 = 2\r\n\r\n[other]\r\nx=  spaced  \r\nbinary=\xFF\xFE\r\n");
    EXPECT_EQ(settings.Read("other", "x", ""), "spaced");
}

TEST_F(SettingsFileTest, LongValuesAreReadUpToTheLimit)
{
    std::string const exact(app::MaxProfileValueBytes, 'a');
    ASSERT_TRUE(settings.Write("s", "exact", exact));
    EXPECT_EQ(settings.Read("s", "exact", ""), exact);

    // One byte over, ending in a three-byte character that straddles the
    // limit: the character goes whole.
    std::string const over = std::string(app::MaxProfileValueBytes - 1, 'b') + "模";
    ASSERT_TRUE(settings.Write("s", "over", over));
    EXPECT_EQ(settings.Read("s", "over", ""), std::string(app::MaxProfileValueBytes - 1, 'b'));
}

TEST_F(SettingsFileTest, RefusedValueLeavesTheFileAsItWas)
{
    WriteFile(path, "[a]\nk=0\n");
    EXPECT_FALSE(settings.Write("a", "k", "1\n[evil]\nx=1"));
    EXPECT_EQ(ReadFile(path), "[a]\nk=0\n");
}

TEST_F(SettingsFileTest, FailuresAreSilentAndLoseNothing)
{
    // A folder standing where the file should be: nothing can be read, and
    // it is not replaced.
    std::filesystem::create_directories(path);
    EXPECT_EQ(settings.Read("a", "k", "d"), "d");
    EXPECT_FALSE(settings.Write("a", "k", "1"));
    EXPECT_TRUE(std::filesystem::is_directory(path));

    // A file standing where the folder should be.
    WriteFile(sandbox.root() / "plain", "not a folder");
    app::SettingsFile inside((sandbox.root() / "plain" / "peizi.ini").string());
    EXPECT_EQ(inside.Read("a", "k", "d"), "d");
    EXPECT_FALSE(inside.Write("a", "k", "1"));
    EXPECT_EQ(ReadFile(sandbox.root() / "plain"), "not a folder");
}

TEST_F(SettingsFileTest, WriteKeepsModeAndWritesThroughLinks)
{
    WriteFile(path, "[a]\nk=0\n");
    ::chmod(path.c_str(), 0640);
    ASSERT_TRUE(settings.Write("a", "k", "1"));
    struct stat after{};
    ASSERT_EQ(::stat(path.c_str(), &after), 0);
    EXPECT_EQ(after.st_mode & 07777, 0640u);

    auto const link = folder / "link.ini";
    std::filesystem::create_symlink(path, link);
    ASSERT_TRUE(app::SettingsFile(link.string()).Write("a", "k", "2"));
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(ReadFile(path), "[a]\nk=2\n");
}

TEST(ProgramSettings, IsPeiziIniInTheProgramFolder)
{
    Sandbox sandbox;
    auto const settings = app::ProgramSettings();
    EXPECT_EQ(settings.path(), (sandbox.programFolder() / "peizi.ini").string());
    ASSERT_TRUE(settings.Write("全局设置", "时间段", "1"));
    EXPECT_EQ(ReadFile(sandbox.programFolder() / "peizi.ini"), "[全局设置]\n时间段=1\n");
}

}  // namespace
