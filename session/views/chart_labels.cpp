#include "session/views/chart_labels.h"

#include <algorithm>
#include <limits>

namespace tevmar::session {
namespace {

double OverlapArea(const LabelBox &a, const LabelBox &b)
{
    const double w = std::min(a.x + a.width, b.x + b.width) - std::max(a.x, b.x);
    const double h = std::min(a.y + a.height, b.y + b.height) - std::max(a.y, b.y);
    return w > 0 && h > 0 ? w * h : 0;
}

bool Inside(const LabelBox &box, const LabelBox &bounds)
{
    return box.x >= bounds.x && box.y >= bounds.y && box.x + box.width <= bounds.x + bounds.width &&
           box.y + box.height <= bounds.y + bounds.height;
}

} // namespace

std::vector<LabelBox> PlaceLabels(const std::vector<LabelRequest> &labels, const LabelBox &bounds,
                                  double markerRadius, const std::vector<LabelBox> &keepClear)
{
    std::vector<LabelBox> taken = keepClear;
    for (const LabelRequest &l : labels)
        taken.push_back({l.anchorX - markerRadius, l.anchorY - markerRadius, 2 * markerRadius,
                         2 * markerRadius});
    // The directions round a point, the usual place (above right) first;
    // each a unit step of the box's nearest corner or edge from the point.
    constexpr double kDirections[][2] = {{1, -1}, {1, 1},  {-1, -1}, {-1, 1},
                                         {1, 0},  {-1, 0}, {0, -1},  {0, 1}};
    constexpr double kGaps[] = {2, 8, 16, 26, 38, 52, 70};
    std::vector<LabelBox> placed;
    placed.reserve(labels.size());
    for (const LabelRequest &l : labels) {
        LabelBox best{l.anchorX + markerRadius, l.anchorY - markerRadius - l.height, l.width,
                      l.height};
        double bestCost = std::numeric_limits<double>::infinity();
        for (const double gap : kGaps) {
            const double reach = markerRadius + gap;
            for (const auto &d : kDirections) {
                // The box's x: right of the point, left of it, or centred.
                const double x = d[0] > 0   ? l.anchorX + reach
                                 : d[0] < 0 ? l.anchorX - reach - l.width
                                            : l.anchorX - l.width / 2;
                const double y = d[1] < 0   ? l.anchorY - reach - l.height
                                 : d[1] > 0 ? l.anchorY + reach
                                            : l.anchorY - l.height / 2;
                const LabelBox box{x, y, l.width, l.height};
                double cost = 0;
                for (const LabelBox &t : taken)
                    cost += OverlapArea(box, t);
                if (!Inside(box, bounds))
                    cost += l.width * l.height; // outside is as bad as covered
                if (cost < bestCost) {
                    bestCost = cost;
                    best = box;
                }
                if (cost == 0)
                    break;
            }
            if (bestCost == 0)
                break;
        }
        placed.push_back(best);
        taken.push_back(best);
    }
    return placed;
}

} // namespace tevmar::session
