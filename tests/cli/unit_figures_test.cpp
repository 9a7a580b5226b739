// Lengths held in metres inside, written in mm where the engineer reads
// them: a strip width range off the board is refused with both ranges in
// mm, each figure as typed or as the board's formulas bound it.

#include "cli/outcome_writer.h"
#include "tests/cli/cli_in_process.h"

#include <gtest/gtest.h>

namespace tevmar::cli {
namespace {

using test_files::TempDir;
using Args = std::vector<std::string>;

TEST(UnitFigures, AWidthRangeOffTheBoardIsRefusedInMillimetres)
{
    TempDir dir;
    // The microstrip formulas hold from a thousandth to a thousand times the
    // board's height: 0.0016 to 1600 mm on 1.6 mm FR-4, half that on 0.8 mm,
    // and 62 mil is 1.5748 mm.
    const struct
    {
        const char *board;
        const char *range;
        const char *said;
    } cases[] = {
        {"er=4.4,h=1.6mm", "0.0001:5mm",
         "--width-range: 0.0001 to 5 mm reaches outside the widths the board's microstrip "
         "formulas cover, 0.0016 to 1600 mm"},
        {"er=3.66,h=0.8mm", "0.15:900mm",
         "--width-range: 0.15 to 900 mm reaches outside the widths the board's microstrip "
         "formulas cover, 0.0008 to 800 mm"},
        {"er=4.4,h=62mil", "0.001:5mm",
         "--width-range: 0.001 to 5 mm reaches outside the widths the board's microstrip "
         "formulas cover, 0.0015748 to 1574.8 mm"},
    };
    for (const auto &c : cases) {
        const CliRun run = RunCliIn({"--f1", "2.38", "--f2", "2.42", "--zhigh", "50", "--zlow",
                                     "25", "--candidates", "--lines", "microstrip", "--substrate",
                                     c.board, "--width-range", c.range},
                                    dir);
        EXPECT_EQ(run.exitCode, kExitBadUsage) << c.said;
        EXPECT_EQ(run.out, "") << c.said;
        EXPECT_NE(run.err.find(c.said), std::string::npos) << c.said << "\n" << run.err;
    }
}

} // namespace
} // namespace tevmar::cli
