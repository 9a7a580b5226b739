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

std::string ChartPointReadout(Complex gamma, double z0)
{
    const auto complexText = [](Complex v, const char *unit) {
        return Figure(v.real(), 4) + (v.imag() < 0 ? " \u2212 j" : " + j") +
               Figure(std::abs(v.imag()), 4) + " " + unit;
    };
    const Complex z = ImpedanceOf(gamma, z0);
    const bool open = !std::isfinite(z.real()) || std::abs(Complex(1, 0) - gamma) < 1e-12;
    const bool shorted = std::abs(Complex(1, 0) + gamma) < 1e-12;
    std::string text = open ? "Z open" : "Z = " + complexText(z, "\u03A9");
    text += shorted ? "\nY short"
            : open  ? "\nY = 0 mS"
                    : "\nY = " + complexText(units::kMillisiemensPerSiemens / z, "mS");
    text += "\n\u0393 = " + Figure(std::abs(gamma), 4) + " \u2220 " +
            Figure(std::arg(gamma) * 180 / std::numbers::pi, 4) + "\u00B0";
    const double magnitude = std::abs(gamma);
    text += magnitude < 1 ? "\nVSWR " + Figure((1 + magnitude) / (1 - magnitude), 4)
                          : std::string("\nVSWR \u221E");
    // The Q of the impedance: its reactance over its resistance.
    if (!open && !shorted && z.real() > 0)
        text += "\nQ " + Figure(std::abs(z.imag()) / z.real(), 4);
    return text;
}

} // namespace tevmar::session
