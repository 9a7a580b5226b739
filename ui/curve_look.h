#pragma once

#include "session/views/response.h"

#include <QColor>

namespace tevmar {

struct CurveLook
{
    QColor colour;
    Qt::PenStyle style = Qt::SolidLine;
};

// How a curve is drawn, the same in every view: the design's networks (full
// precision, as printed, standard values) in blue, orange and green, the
// network into a measured load's fitted model in grey, the re-tuned ones in
// sky blue.
CurveLook LookOfCurve(const session::ResponseCurve &curve);

} // namespace tevmar
