#include <gtest/gtest.h>

#include "app/progress-text.h"

namespace {

TEST(PercentText, QuotientFirstTruncatedHeldAtTheMaximumAndZeroWithoutOne)
{
    struct Case {
        long long position, maximum;
        char const* text;
    } const cases[] = {{37, 100, "37%"}, {29, 100, "28%"}, {57, 100, "56%"}, {1, 3, "33%"}, {2, 3, "66%"},
                       {3, 3, "100%"},   {1, 40, "2%"},    {40, 40, "100%"}, {50, 40, "100%"}, {0, 0, "0%"},
                       {4, 0, "0%"},     {1, 1, "100%"}};
    for (auto const& c : cases)
        EXPECT_EQ(app::PercentText(c.position, c.maximum), c.text) << c.position << "/" << c.maximum;
}

}  // namespace
