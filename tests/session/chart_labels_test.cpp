// The chart's labels placed apart: F1, F0 and F2 at nearly one point read as
// three labels, a path's part names clustered near the centre of a good
// match stay apart, and a label by the chart's edge stays on the chart.

#include "session/views/chart_labels.h"
#include "session/views/smith.h"

#include <gtest/gtest.h>
#include <string>

namespace tevmar::session {
namespace {

void ExpectApartAndInside(const std::vector<LabelBox> &boxes,
                          const std::vector<LabelRequest> &asked, const LabelBox &bounds,
                          double marker)
{
    ASSERT_EQ(boxes.size(), asked.size());
    for (std::size_t a = 0; a < boxes.size(); ++a) {
        EXPECT_GE(boxes[a].x, bounds.x);
        EXPECT_GE(boxes[a].y, bounds.y);
        EXPECT_LE(boxes[a].x + boxes[a].width, bounds.x + bounds.width);
        EXPECT_LE(boxes[a].y + boxes[a].height, bounds.y + bounds.height);
        for (std::size_t b = 0; b < boxes.size(); ++b) {
            if (a != b) {
                EXPECT_FALSE(boxes[a].Overlaps(boxes[b])) << a << " over " << b;
            }
            const LabelBox dot{asked[b].anchorX - marker, asked[b].anchorY - marker, 2 * marker,
                               2 * marker};
            EXPECT_FALSE(boxes[a].Overlaps(dot)) << "label " << a << " over point " << b;
        }
        // Each stays near its own point.
        EXPECT_LT(std::abs(boxes[a].x + boxes[a].width / 2 - asked[a].anchorX), 120);
        EXPECT_LT(std::abs(boxes[a].y + boxes[a].height / 2 - asked[a].anchorY), 120);
    }
}

TEST(ChartLabels, BandEdgesAtOnePointAndAFoldedPathStayApart)
{
    const LabelBox chart{0, 0, 300, 300};
    // F1, F0 and F2 within a pixel of each other (a flat match).
    const std::vector<LabelRequest> edges{
        {150, 150, 14, 12}, {150.5, 150.2, 14, 12}, {150.8, 149.6, 14, 12}};
    ExpectApartAndInside(PlaceLabels(edges, chart, 4), edges, chart, 4);

    // A dozen part names on a path folded into a few pixels, with the band
    // edges' labels already there to keep clear of.
    std::vector<LabelRequest> parts;
    for (int k = 0; k < 12; ++k)
        parts.push_back({140.0 + (k % 4) * 3, 140.0 + (k / 4) * 3, 8.0 + 6 * (k % 3), 12});
    const std::vector<LabelBox> taken = PlaceLabels(edges, chart, 4);
    const std::vector<LabelBox> boxes = PlaceLabels(parts, chart, 3, taken);
    ExpectApartAndInside(boxes, parts, chart, 3);
    for (const LabelBox &b : boxes)
        for (const LabelBox &t : taken)
            EXPECT_FALSE(b.Overlaps(t));
}

TEST(ChartLabels, ALabelByTheEdgeTurnsBackOntoTheChart)
{
    const LabelBox chart{0, 0, 200, 200};
    // An open circuit at the right edge, a short at the top left corner.
    const std::vector<LabelRequest> ends{{199, 100, 30, 12}, {1, 1, 30, 12}};
    ExpectApartAndInside(PlaceLabels(ends, chart, 4), ends, chart, 4);
    // The usual place, above right, where there is room.
    const std::vector<LabelBox> free = PlaceLabels({{100, 100, 20, 10}}, chart, 4);
    EXPECT_GT(free[0].x, 100);
    EXPECT_LT(free[0].y + free[0].height, 100);
}

// The readout under the pointer: 25 + j10 ohms on a 50 ohm chart, worked by
// hand: Y = (25 - j10) / 725 S, Gamma = (-1775 + j1000) / 5725.
TEST(ChartReadout, APointReadsAsImpedanceAdmittanceReflectionVswrAndQ)
{
    const Complex z{25, 10};
    const std::string text = ChartPointReadout((z - 50.0) / (z + 50.0), 50);
    EXPECT_EQ(text, "Z = 25 + j10 \u03A9\n"
                    "Y = 34.48 \u2212 j13.79 mS\n"
                    "\u0393 = 0.3559 \u2220 150.6\u00B0\n"
                    "VSWR 2.105\n"
                    "Q 0.4");
    // The open and the short at the chart's two ends.
    const std::string open = ChartPointReadout({1, 0}, 50);
    EXPECT_EQ(open.rfind("Z open\nY = 0 mS\n", 0), 0u) << open;
    EXPECT_NE(open.find("VSWR \u221E"), std::string::npos) << open;
    const std::string shorted = ChartPointReadout({-1, 0}, 50);
    EXPECT_NE(shorted.find("\nY short\n"), std::string::npos) << shorted;
    EXPECT_EQ(shorted.find("Q "), std::string::npos) << "no resistance, no Q";
}

} // namespace
} // namespace tevmar::session
