#pragma once

// The JSON documents' one rule for a figure: a number where it is finite,
// null where it is not (a limit below the range of a double), so that no
// infinity or NaN ever reaches a file.

#include <cmath>
#include <nlohmann/json.hpp>

namespace tevmar::format {

using Json = nlohmann::ordered_json;

inline Json Number(double value)
{
    return std::isfinite(value) ? Json(value) : Json(nullptr);
}

} // namespace tevmar::format
