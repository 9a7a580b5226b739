#pragma once

// Where a chart's small labels go, without Qt: each beside the point it
// names, none over another nor over any point's marker, all inside the
// chart, so that F1 and F2 at nearly the same reflection read as two labels
// and a path's part names stay legible where the path folds back on itself.

#include <vector>

namespace tevmar::session {

struct LabelBox
{
    double x = 0, y = 0; // top left, in the chart's pixels (y down)
    double width = 0, height = 0;

    bool Overlaps(const LabelBox &other) const
    {
        return x < other.x + other.width && other.x < x + width && y < other.y + other.height &&
               other.y < y + height;
    }
};

struct LabelRequest
{
    double anchorX = 0, anchorY = 0; // the point named
    double width = 0, height = 0;    // the text's size
};

// Each label's box, in the order asked (earlier labels take the nearer
// places): tried close above right of its point first, then round it at
// growing distances, the first place clear of the labels placed before, of
// every point's marker (a square of 2 `markerRadius` about each anchor) and
// of `keepClear`, inside `bounds`. Where the chart leaves no clear place,
// the place overlapping least.
std::vector<LabelBox> PlaceLabels(const std::vector<LabelRequest> &labels, const LabelBox &bounds,
                                  double markerRadius, const std::vector<LabelBox> &keepClear = {});

} // namespace tevmar::session
