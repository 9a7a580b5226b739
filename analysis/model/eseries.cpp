#include "analysis/model/eseries.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>

namespace tevmar::analysis {
namespace {

constexpr std::array<double, 12> kE12 = {1.0, 1.2, 1.5, 1.8, 2.2, 2.7,
                                         3.3, 3.9, 4.7, 5.6, 6.8, 8.2};

constexpr std::array<double, 24> kE24 = {1.0, 1.1, 1.2, 1.3, 1.5, 1.6, 1.8, 2.0,
                                         2.2, 2.4, 2.7, 3.0, 3.3, 3.6, 3.9, 4.3,
                                         4.7, 5.1, 5.6, 6.2, 6.8, 7.5, 8.2, 9.1};

constexpr std::array<double, 48> kE48 = {
    1.00, 1.05, 1.10, 1.15, 1.21, 1.27, 1.33, 1.40, 1.47, 1.54, 1.62, 1.69, 1.78, 1.87, 1.96, 2.05,
    2.15, 2.26, 2.37, 2.49, 2.61, 2.74, 2.87, 3.01, 3.16, 3.32, 3.48, 3.65, 3.83, 4.02, 4.22, 4.42,
    4.64, 4.87, 5.11, 5.36, 5.62, 5.90, 6.19, 6.49, 6.81, 7.15, 7.50, 7.87, 8.25, 8.66, 9.09, 9.53};

constexpr std::array<double, 96> kE96 = {
    1.00, 1.02, 1.05, 1.07, 1.10, 1.13, 1.15, 1.18, 1.21, 1.24, 1.27, 1.30, 1.33, 1.37, 1.40, 1.43,
    1.47, 1.50, 1.54, 1.58, 1.62, 1.65, 1.69, 1.74, 1.78, 1.82, 1.87, 1.91, 1.96, 2.00, 2.05, 2.10,
    2.15, 2.21, 2.26, 2.32, 2.37, 2.43, 2.49, 2.55, 2.61, 2.67, 2.74, 2.80, 2.87, 2.94, 3.01, 3.09,
    3.16, 3.24, 3.32, 3.40, 3.48, 3.57, 3.65, 3.74, 3.83, 3.92, 4.02, 4.12, 4.22, 4.32, 4.42, 4.53,
    4.64, 4.75, 4.87, 4.99, 5.11, 5.23, 5.36, 5.49, 5.62, 5.76, 5.90, 6.04, 6.19, 6.34, 6.49, 6.65,
    6.81, 6.98, 7.15, 7.32, 7.50, 7.68, 7.87, 8.06, 8.25, 8.45, 8.66, 8.87, 9.09, 9.31, 9.53, 9.76};

} // namespace

std::span<const double> SeriesValues(ESeries series)
{
    switch (series) {
    case ESeries::E12:
        return kE12;
    case ESeries::E24:
        return kE24;
    case ESeries::E48:
        return kE48;
    case ESeries::E96:
        return kE96;
    }
    return kE12;
}

std::string SeriesName(ESeries series)
{
    return "E" + std::to_string(SeriesValues(series).size());
}

std::optional<ESeries> ParseSeries(std::string_view name)
{
    for (const ESeries s : {ESeries::E12, ESeries::E24, ESeries::E48, ESeries::E96}) {
        const std::string expected = SeriesName(s);
        if (name.size() == expected.size() && (name[0] == 'E' || name[0] == 'e') &&
            name.substr(1) == std::string_view(expected).substr(1))
            return s;
    }
    return std::nullopt;
}

double SeriesValueAt(double mantissa, int exponent)
{
    // The series writes its values with at most three significant digits:
    // read "680e-3" as text, which rounds once to the double nearest 0.68.
    // Scaling 6.8 by a power of ten rounds twice and can land a bit beside it
    // (6.8 / 10 is 0.6799999999999999).
    const long digits = std::lround(mantissa * 100);
    const std::string text = std::to_string(digits) + "e" + std::to_string(exponent - 2);
    double value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
}

namespace {

// value * 10^exponent, for the mantissa of a value: exact enough to choose
// between two series values, never written out.
double ScaleByDecade(double value, int exponent)
{
    return exponent >= 0 ? value * std::pow(10.0, exponent) : value / std::pow(10.0, -exponent);
}

} // namespace

double SnapToSeries(double value, ESeries series)
{
    if (!std::isfinite(value) || value <= 0)
        return value;
    // Mantissa in [1, 10) and its decade; log10 alone can land one decade off
    // next to exact powers of ten, so the mantissa is corrected afterwards.
    int exponent = static_cast<int>(std::floor(std::log10(value)));
    double mantissa = ScaleByDecade(value, -exponent);
    if (mantissa >= 10.0 || mantissa < 1.0) {
        exponent += mantissa >= 10.0 ? 1 : -1;
        mantissa = ScaleByDecade(value, -exponent);
    }

    const std::span<const double> values = SeriesValues(series);
    const auto above = std::upper_bound(values.begin(), values.end(), mantissa);
    const double lower = *(above - 1); // values[0] is 1.0 <= mantissa
    const double upper = above == values.end() ? 10.0 : *above;
    // Nearer in ratio: mantissa / lower against upper / mantissa.
    const double chosen = mantissa * mantissa < lower * upper ? lower : upper;
    return SeriesValueAt(chosen, exponent);
}

Part Part::Snapped(ESeries series) const
{
    // Standard values are the parts' catalogue: a line's length is drawn on
    // the board as tuned.
    if (isLine())
        return *this;
    return WithValue(SnapToSeries(value, series));
}

Network SnapNetwork(const Network &network, ESeries series)
{
    Network snapped = network;
    for (Part &part : snapped.parts)
        part = part.Snapped(series);
    return snapped;
}

} // namespace tevmar::analysis
