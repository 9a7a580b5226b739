#include "ui/curve_look.h"

#include <iterator>

namespace tevmar {

CurveLook LookOfCurve(const session::Response &response, std::size_t index)
{
    static const CurveLook design[] = {{QColor(0, 70, 200), Qt::SolidLine},
                                       {QColor(225, 110, 0), Qt::DashLine},
                                       {QColor(0, 145, 60), Qt::DashDotLine}};
    static const CurveLook tuned[] = {{QColor(0, 160, 230), Qt::SolidLine},
                                      {QColor(0, 160, 230), Qt::DashDotDotLine}};
    // The tuned curves come last, after the design's.
    const std::size_t designCurves = response.curves.size() - response.tuned.size();
    if (index < designCurves)
        return design[index % std::size(design)];
    return tuned[(index - designCurves) % std::size(tuned)];
}

} // namespace tevmar
