#pragma once

// The JSON documents' one rule for a figure: a number where it is finite,
// null where it is not (a limit below the range of a double), so that no
// infinity or NaN ever reaches a file.

#include <cmath>
#include <nlohmann/json.hpp>

namespace tevmar::format {

using Json = nlohmann::ordered_json;

// A zero is written "0.0", never "-0.0": a return loss of a total reflection,
// -20 log10(1), is none at all rather than a negative one.
inline Json Number(double value)
{
    return std::isfinite(value) ? Json(value + 0.0) : Json(nullptr);
}

} // namespace tevmar::format
