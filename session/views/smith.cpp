#include "session/views/smith.h"

#include "format/analysis_text.h"
#include "units/quantity.h"

#include <cmath>
#include <limits>
#include <numbers>

namespace tevmar::session {

Complex ReflectionOf(Complex z, double z0)
{
    if (!std::isfinite(z.real()) || !std::isfinite(z.imag()))
        return {1, 0};
    return (z - z0) / (z + z0);
}

Complex ImpedanceOf(Complex gamma, double z0)
{
    const Complex denominator = Complex(1, 0) - gamma;
    if (std::abs(denominator) < 1e-15)
        return {std::numeric_limits<double>::infinity(), 0};
    return z0 * (Complex(1, 0) + gamma) / denominator;
}

ChartPoint ChartPosition(Complex gamma, double centreX, double centreY, double radius)
{
    return {centreX + radius * gamma.real(), centreY - radius * gamma.imag()};
}

Complex GammaAt(ChartPoint point, double centreX, double centreY, double radius)
{
    return {(point.x - centreX) / radius, (centreY - point.y) / radius};
}

std::string SmithReadout(double frequencyHz, Complex gamma, double z0)
{
    const Complex z = ImpedanceOf(gamma, z0);
    std::string text = Figure(units::Frequency::FromHz(frequencyHz).ghz(), 6) + " GHz\n";
    if (std::isfinite(z.real()))
        text += "Z = " + Figure(z.real(), 4) + (z.imag() < 0 ? " \u2212 j" : " + j") +
                Figure(std::abs(z.imag()), 4) + " \u03A9";
    else
        text += "Z open";
    text += "\n\u0393 = " + Figure(std::abs(gamma), 4) + " \u2220 " +
            Figure(std::arg(gamma) * 180 / std::numbers::pi, 4) + "\u00B0";
    return text;
}

} // namespace tevmar::session
