// The nineteen layout rules as numbers: the design width, a wider window
// and one so narrow that some widths go negative.
#include <map>
#include <string>

#include <gtest/gtest.h>

#include "app/arrange-controls.h"

namespace {

using app::ControlChange;
using P = ControlChange::Property;

std::map<std::string, int> byControl(std::vector<ControlChange> const& changes, P property)
{
    std::map<std::string, int> values;
    for (auto const& change : changes) {
        if (change.property == property) values[change.control] = change.value;
    }
    return values;
}

TEST(ArrangeControls, DesignWidthGivesTheDesignNumbersInRuleOrder)
{
    auto const changes = app::ArrangeControls(940);
    std::vector<ControlChange> const expected{
        {"高级选择夹1", P::Width, 920},      {"超文本浏览框1", P::Width, 900},   {"按钮_专辑页面", P::Left, 804},
        {"按钮_打开", P::Left, 691},          {"编辑框_url", P::Width, 671},       {"分组框_liebiao", P::Width, 900},
        {"分组框_weizhi", P::Width, 900},     {"分组框_zhuye", P::Width, 900},     {"超级列表框1", P::Width, 644},
        {"分组框_日志", P::Left, 659},        {"编辑框_号码", P::Width, 524},      {"按钮_获取相册封面", P::Left, 624},
        {"按钮_下载选中", P::Left, 735},      {"按钮_暂停线程", P::Left, 735},     {"按钮_继续下载", P::Left, 735},
        {"按钮_结束下载", P::Left, 830},      {"编辑框_保存位置", P::Width, 524},  {"按钮_选择位置", P::Left, 624},
        {"按钮_打开目录", P::Left, 735},
    };
    EXPECT_EQ(changes, expected);
}

TEST(ArrangeControls, EveryValueGrowsWithTheWidth)
{
    auto const narrow = app::ArrangeControls(940);
    auto const wide = app::ArrangeControls(1240);
    ASSERT_EQ(narrow.size(), wide.size());
    for (std::size_t i = 0; i < narrow.size(); ++i) {
        EXPECT_EQ(wide[i].control, narrow[i].control);
        EXPECT_EQ(wide[i].value, narrow[i].value + 300) << narrow[i].control;
    }
    auto const widths = byControl(wide, P::Width);
    EXPECT_EQ(widths.at("编辑框_url"), 971);
    EXPECT_EQ(widths.at("超级列表框1"), 944);
    EXPECT_EQ(byControl(wide, P::Left).at("按钮_下载选中"), 1035);
}

TEST(ArrangeControls, ANarrowWindowGivesNegativeWidthsThatTheWindowClamps)
{
    auto const widths = byControl(app::ArrangeControls(416), P::Width);
    EXPECT_EQ(widths.at("编辑框_号码"), 0);
    EXPECT_EQ(widths.at("编辑框_保存位置"), 0);
    auto const narrower = byControl(app::ArrangeControls(260), P::Width);
    EXPECT_LT(narrower.at("编辑框_号码"), 0);
    EXPECT_LT(narrower.at("超级列表框1"), 0);
    EXPECT_LT(narrower.at("编辑框_url"), 0);
    // The stop button keeps its place beside the start button at any width.
    auto const lefts = byControl(app::ArrangeControls(260), P::Left);
    EXPECT_EQ(lefts.at("按钮_结束下载"), lefts.at("按钮_下载选中") + 95);
}

}  // namespace
