#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/memory-window.h"
#include "app/settings-controls.h"
#include "app/settings-file.h"
#include "tests/support/sandbox.h"

namespace {

using testing_support::ReadFile;
using testing_support::WriteFile;

constexpr char const* RecordBox = "选择框_下载记录";
constexpr char const* DateWindowBox = "选择框_时间段";
constexpr char const* BrowseBox = "选择框_浏览模式";
constexpr char const* ApiBox = "选择框_api模式";
constexpr char const* MediumRadio = "单选框_中图";
constexpr char const* FullRadio = "单选框_原图";

class SettingsControlsTest : public ::testing::Test {
protected:
    testing_support::Sandbox sandbox;
    app::SettingsFile settings = app::ProgramSettings();
    app::MemoryWindow window;
    std::filesystem::path file = sandbox.programFolder() / "peizi.ini";

    // As the toolkit does: a check box flips, a radio button gets selected,
    // then the click handler runs.
    void click(char const* control)
    {
        bool const radio = std::string(control).starts_with("单选框");
        window.setChecked(control, radio || !window.isChecked(control));
        app::OnSettingsControlClick(window, settings, control);
    }

    [[nodiscard]] std::string read(char const* section, char const* key) const
    {
        return settings.Read(section, key, "<absent>");
    }
};

TEST_F(SettingsControlsTest, NoFileGivesTheDefaultsInOrderAndCreatesNothing)
{
    app::LoadSettingsIntoControls(window, settings);
    using Effect = app::MemoryWindow::Effect;
    std::vector<Effect> const expected = {
        {"checked", RecordBox, "0"},  {"checked", DateWindowBox, "0"}, {"checked", BrowseBox, "1"},
        {"checked", ApiBox, "0"},     {"checked", MediumRadio, "1"},   {"checked", FullRadio, "0"},
    };
    EXPECT_EQ(window.effects(), expected);
    EXPECT_FALSE(std::filesystem::exists(file));
}

TEST_F(SettingsControlsTest, StoredValuesShowInTheControls)
{
    struct Case {
        char const* what;
        std::string text;
        std::vector<bool> ticks;  // record, date window, browse, api, medium, full
    };
    std::vector<Case> const cases = {
        {"all on", "[全局设置]\n下载记录=1\n时间段=1\n[下载模式]\n模式=2\n[图片大小]\n大小=2\n",
         {true, true, false, true, false, true}},
        {"only 1 counts as on", "[全局设置]\n下载记录=2\n时间段=01\n", {false, false, true, false, true, false}},
        {"mode 3 is the API mode", "[下载模式]\n模式=3\n", {false, false, false, true, true, false}},
        {"size 0 is full size", "[图片大小]\n大小=0\n", {false, false, true, false, false, true}},
        {"size empty is full size", "[图片大小]\n大小=\n", {false, false, true, false, false, true}},
    };
    for (auto const& c : cases) {
        WriteFile(file, c.text);
        app::LoadSettingsIntoControls(window, settings);
        std::vector<bool> const ticks = {window.isChecked(RecordBox),   window.isChecked(DateWindowBox),
                                         window.isChecked(BrowseBox),   window.isChecked(ApiBox),
                                         window.isChecked(MediumRadio), window.isChecked(FullRadio)};
        EXPECT_EQ(ticks, c.ticks) << c.what;
        EXPECT_EQ(ReadFile(file), c.text) << c.what << ": loading writes nothing";
    }
}

TEST_F(SettingsControlsTest, CheckBoxesWriteTheirNewState)
{
    app::LoadSettingsIntoControls(window, settings);
    click(RecordBox);
    EXPECT_EQ(read("全局设置", "下载记录"), "1");
    click(DateWindowBox);
    EXPECT_EQ(read("全局设置", "时间段"), "1");
    click(RecordBox);
    EXPECT_EQ(read("全局设置", "下载记录"), "0");
    click(DateWindowBox);
    EXPECT_EQ(read("全局设置", "时间段"), "0");
}

TEST_F(SettingsControlsTest, BrowseBoxClickedTwiceFlipsTheModeTwice)
{
    app::LoadSettingsIntoControls(window, settings);
    click(BrowseBox);
    EXPECT_FALSE(window.isChecked(BrowseBox));
    EXPECT_TRUE(window.isChecked(ApiBox));
    EXPECT_EQ(read("下载模式", "模式"), "2");
    click(BrowseBox);
    EXPECT_TRUE(window.isChecked(BrowseBox));
    EXPECT_FALSE(window.isChecked(ApiBox));
    EXPECT_EQ(read("下载模式", "模式"), "1");
}

TEST_F(SettingsControlsTest, ApiBoxClickedWhenModeIsThreeStoresBrowseMode)
{
    WriteFile(file, "[下载模式]\n模式=3\n");
    app::LoadSettingsIntoControls(window, settings);
    ASSERT_TRUE(window.isChecked(ApiBox));
    click(ApiBox);
    EXPECT_FALSE(window.isChecked(ApiBox));
    EXPECT_TRUE(window.isChecked(BrowseBox));
    EXPECT_EQ(read("下载模式", "模式"), "1");
    click(ApiBox);
    EXPECT_TRUE(window.isChecked(ApiBox));
    EXPECT_FALSE(window.isChecked(BrowseBox));
    EXPECT_EQ(read("下载模式", "模式"), "2");
}

TEST_F(SettingsControlsTest, RadioButtonsWriteEvenWhenAlreadySelected)
{
    app::LoadSettingsIntoControls(window, settings);
    click(MediumRadio);
    EXPECT_EQ(read("图片大小", "大小"), "1");
    click(FullRadio);
    EXPECT_EQ(read("图片大小", "大小"), "2");
    EXPECT_TRUE(window.isChecked(FullRadio));
    EXPECT_FALSE(window.isChecked(MediumRadio));
    click(FullRadio);
    EXPECT_EQ(read("图片大小", "大小"), "2");
}

TEST_F(SettingsControlsTest, ClicksLeaveOtherSectionsAndKeysAlone)
{
    std::string const before = "; kept\n[全局设置]\n下载记录=0\n保存位置=/photos\n\n[窗口]\n宽=800\n";
    WriteFile(file, before);
    app::LoadSettingsIntoControls(window, settings);
    for (auto const* control : {RecordBox, DateWindowBox, BrowseBox, ApiBox, FullRadio, MediumRadio})
        click(control);
    EXPECT_EQ(ReadFile(file),
              "; kept\n[全局设置]\n下载记录=1\n保存位置=/photos\n时间段=1\n\n[窗口]\n宽=800\n"
              "\n[下载模式]\n模式=1\n\n[图片大小]\n大小=1\n");
}

TEST_F(SettingsControlsTest, PoliteDelayLoadsTheStoredSecondsAndWritesNothing)
{
    constexpr char const* DelayBox = "编辑框_请求间隔";
    app::LoadPoliteDelayIntoControl(window, settings);
    EXPECT_EQ(window.text(DelayBox), "0") << "no file: no delay";
    EXPECT_FALSE(std::filesystem::exists(file));

    struct Case {
        char const* stored;
        char const* shown;
    };
    Case const cases[] = {
        {"5", "5"},     {"0", "0"},    {"600", "600"}, {"601", "600"}, {"99999999999999999999", "600"},
        {"abc", "0"},   {"-3", "0"},   {"+3", "0"},    {"2.5", "0"},   {"7x", "0"},
        {"", "0"},      {"007", "7"},
    };
    for (auto const& c : cases) {
        std::string const text = std::string("[全局设置]\n请求间隔=") + c.stored + "\n";
        WriteFile(file, text);
        app::LoadPoliteDelayIntoControl(window, settings);
        EXPECT_EQ(window.text(DelayBox), c.shown) << c.stored;
        EXPECT_EQ(app::PoliteDelaySeconds(settings), std::stoi(c.shown)) << c.stored;
        EXPECT_EQ(ReadFile(file), text) << c.stored << ": loading writes nothing";
    }
}

TEST_F(SettingsControlsTest, PoliteDelayChangeWritesAtOnceAndKeepsTheOtherKeys)
{
    constexpr char const* DelayBox = "编辑框_请求间隔";
    WriteFile(file, "[全局设置]\n下载记录=1\n");
    app::LoadPoliteDelayIntoControl(window, settings);
    window.setText(DelayBox, "12");
    app::OnPoliteDelayChange(window, settings);
    EXPECT_EQ(ReadFile(file), "[全局设置]\n下载记录=1\n请求间隔=12\n");
    EXPECT_EQ(app::PoliteDelaySeconds(settings), 12);

    window.setText(DelayBox, "0");
    app::OnPoliteDelayChange(window, settings);
    EXPECT_EQ(read("全局设置", "请求间隔"), "0");

    // Too long is held to the longest; a text that is no number writes
    // nothing and the box shows the stored value again.
    window.setText(DelayBox, "900");
    app::OnPoliteDelayChange(window, settings);
    EXPECT_EQ(read("全局设置", "请求间隔"), "600");
    EXPECT_EQ(window.text(DelayBox), "600");
    window.setText(DelayBox, "soon");
    app::OnPoliteDelayChange(window, settings);
    EXPECT_EQ(read("全局设置", "请求间隔"), "600");
    EXPECT_EQ(window.text(DelayBox), "600");
    EXPECT_EQ(ReadFile(file), "[全局设置]\n下载记录=1\n请求间隔=600\n");

    // The other settings' handlers leave the delay alone.
    app::LoadSettingsIntoControls(window, settings);
    click(RecordBox);
    EXPECT_EQ(read("全局设置", "请求间隔"), "600");
}

TEST_F(SettingsControlsTest, OtherControlsWriteNothing)
{
    app::OnSettingsControlClick(window, settings, "按钮_下载选中");
    EXPECT_FALSE(std::filesystem::exists(file));
}

}  // namespace
