#include "format/table_columns.h"

#include <cmath>
#include <cstdio>
#include <numbers>

namespace tevmar::format {

std::string Fixed(const std::optional<double> &value, int decimals, int width)
{
    char text[64];
    if (!value || !std::isfinite(*value))
        std::snprintf(text, sizeof text, "%*s", width, "-");
    else
        std::snprintf(text, sizeof text, "%*.*f", width, decimals,
                      std::abs(*value) < 0.5 * std::pow(10.0, -decimals) ? 0.0 : *value);
    return text;
}

std::string Polar(const std::optional<std::complex<double>> &value, int width)
{
    char text[96];
    if (!value || !std::isfinite(value->real()) || !std::isfinite(value->imag())) {
        std::snprintf(text, sizeof text, "%-*s", width, "-");
        return text;
    }
    double degrees = std::arg(*value) * 180 / std::numbers::pi;
    // A reflection at the centre has no angle worth printing (nor "-0").
    if (std::abs(degrees) < 0.05 || std::abs(*value) < 0.0005)
        degrees = 0;
    char pair[64];
    std::snprintf(pair, sizeof pair, "%.3f @ %.1f", std::abs(*value), degrees);
    std::snprintf(text, sizeof text, "%-*s", width, pair);
    return text;
}

} // namespace tevmar::format
