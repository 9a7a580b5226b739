#pragma once

#include "session/response.h"

#include <QColor>
#include <cstddef>

namespace tevmar {

struct CurveLook
{
    QColor colour;
    Qt::PenStyle style = Qt::SolidLine;
};

// How the response's curve `index` is drawn, the same in every view: the
// design's networks (full precision, as printed, standard values) in blue,
// orange and green, the re-tuned ones in sky blue.
CurveLook LookOfCurve(const session::Response &response, std::size_t index);

} // namespace tevmar
