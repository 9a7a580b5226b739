#include "ui/curve_look.h"

namespace tevmar {

CurveLook LookOfCurve(const session::ResponseCurve &curve)
{
    using session::CurveRole;
    switch (curve.role) {
    case CurveRole::Full:
        break;
    case CurveRole::Printed:
        return {QColor(225, 110, 0), Qt::DashLine};
    case CurveRole::Standard:
        return {QColor(0, 145, 60), Qt::DashDotLine};
    case CurveRole::FittedModel:
        return {QColor(128, 128, 128), Qt::DashLine};
    case CurveRole::Tuned:
        return {QColor(0, 160, 230), Qt::SolidLine};
    case CurveRole::TunedStandard:
        return {QColor(0, 160, 230), Qt::DashDotDotLine};
    case CurveRole::Ideal: // thin and dashed: the network as built is the one drawn solid
        return {QColor(110, 110, 170), Qt::DashLine};
    }
    return {QColor(0, 70, 200), Qt::SolidLine};
}

} // namespace tevmar
