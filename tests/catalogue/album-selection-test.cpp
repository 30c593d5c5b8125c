#include <string_view>
#include <vector>

#include <gtest/gtest.h>

#include "app/memory-window.h"
#include "catalogue/catalogue.h"

namespace {

constexpr char TickAllBox[] = "选择框_全选";
constexpr char InvertBox[] = "选择框_反选";

class Selection : public ::testing::Test {
protected:
    void addRows(std::vector<int> const& states)
    {
        for (int state : states)
            window.setRowCheckState(window.appendRow(), state);
    }

    std::vector<int> states()
    {
        std::vector<int> result;
        for (auto const& row : window.rows())
            result.push_back(row.checkState);
        return result;
    }

    // The toolkit changes the box, then runs the handler.
    void click(char const* box)
    {
        window.setChecked(box, !window.isChecked(box));
        if (std::string_view(box) == TickAllBox)
            catalogue.onTickAllClick();
        else
            catalogue.onInvertClick();
    }

    app::MemoryWindow window;
    catalogue::Catalogue catalogue{window};
};

TEST_F(Selection, EmptyListOnlyUntickTheOtherBox)
{
    click(TickAllBox);
    EXPECT_TRUE(window.isChecked(TickAllBox));
    click(InvertBox);
    EXPECT_TRUE(window.isChecked(InvertBox));
    EXPECT_FALSE(window.isChecked(TickAllBox));
    EXPECT_TRUE(window.rows().empty());
}

TEST_F(Selection, TickAllAndUntickingIt)
{
    addRows({0, 1, 0});
    window.setChecked(InvertBox, true);
    click(TickAllBox);
    EXPECT_EQ(states(), (std::vector<int>{1, 1, 1}));
    EXPECT_FALSE(window.isChecked(InvertBox));
    click(TickAllBox);  // unticked: the rows stay ticked
    EXPECT_EQ(states(), (std::vector<int>{1, 1, 1}));
    EXPECT_EQ(window.selectedRow(), -1);
}

TEST_F(Selection, InvertActsOnTickingOnlyAndLeavesOtherStates)
{
    addRows({1, 0, 2, 1});
    window.setChecked(TickAllBox, true);
    click(InvertBox);
    EXPECT_EQ(states(), (std::vector<int>{0, 1, 2, 0}));
    EXPECT_FALSE(window.isChecked(TickAllBox));
    click(InvertBox);  // the second click unticks the box and changes nothing
    EXPECT_EQ(states(), (std::vector<int>{0, 1, 2, 0}));
    click(InvertBox);
    EXPECT_EQ(states(), (std::vector<int>{1, 0, 2, 1}));
    EXPECT_EQ(window.selectedRow(), -1);
}

TEST_F(Selection, RowCheckSelectsTheRowAndKeepsItsState)
{
    addRows({1, 0, 1});
    catalogue.onRowCheck(1, 0);
    EXPECT_EQ(window.selectedRow(), 1);
    EXPECT_EQ(states(), (std::vector<int>{1, 0, 1}));
}

}  // namespace
