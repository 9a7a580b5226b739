// A board's defaults and tolerances are written in the units an engineer
// reads (0.15 mm, 25 um, 1 GHz); their SI values must be those decimals to
// the last bit, since every strip's width, drawn length and tolerance trial
// starts from them and the layout and the JSON print them.

#include "analysis/lines/substrate.h"
#include "analysis/model/board_line.h"
#include "analysis/model/element.h"

#include <gtest/gtest.h>

namespace tevmar::analysis {
namespace {

TEST(BoardUnits, BoardDefaultsAreTheDecimalsAnEngineerTypes)
{
    const PartRanges ranges;
    EXPECT_EQ(ranges.lineLowWidth, 0.15e-3); // 6 mil, an ordinary process's finest track
    EXPECT_EQ(ranges.lineHighWidth, 5e-3);
    EXPECT_EQ(ranges.lineLengthStep, 0.05e-3);
    EXPECT_EQ(lines::Substrate{}.height, 1.6e-3);
    EXPECT_EQ(lines::BoardLine{}.width, 1e-3);
    EXPECT_EQ(kWidthTolerance, 25e-6);
    EXPECT_EQ(kLengthTolerance, 25e-6);
    EXPECT_EQ(LineShape{}.referenceHz, 1e9);
}

} // namespace
} // namespace tevmar::analysis
