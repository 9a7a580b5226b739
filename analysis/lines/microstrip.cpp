#include "analysis/lines/microstrip.h"

#include "units/quantity.h"

#include <cmath>
#include <numbers>
#include <stdexcept>

namespace tevmar::analysis::lines {

namespace {

using std::numbers::pi;
constexpr double kSpeedOfLight = 299'792'458.0; // m/s
constexpr double kMu0 = 1.25663706212e-6;       // H/m
constexpr double kEta0 = kMu0 * kSpeedOfLight;  // ohm, free space's wave impedance

// Hammerstad and Jensen: the impedance of the strip with air for its
// dielectric, at width ratio u.
double AirImpedance(double u)
{
    const double f = 6.0 + (2.0 * pi - 6.0) * std::exp(-std::pow(30.666 / u, 0.7528));
    return kEta0 / (2.0 * pi) * std::log(f / u + std::sqrt(1.0 + 4.0 / (u * u)));
}

// Hammerstad and Jensen: the effective permittivity of a thin strip.
double ThinStripEpsEff(double u, double er)
{
    const double u4 = u * u * u * u;
    const double a = 1.0 + std::log((u4 + std::pow(u / 52.0, 2)) / (u4 + 0.432)) / 49.0 +
                     std::log(1.0 + std::pow(u / 18.1, 3)) / 18.7;
    const double b = 0.564 * std::pow((er - 0.9) / (er + 3.0), 0.053);
    return (er + 1.0) / 2.0 + (er - 1.0) / 2.0 * std::pow(1.0 + 10.0 / u, -a * b);
}

struct StaticValues
{
    double z0;
    double epsEff;
};

// A strip of thickness t behaves as a wider thin strip: wider by du1 with air
// around it, by the smaller dur in the dielectric, where less of the edge's
// field fringes.
StaticValues Static(const Substrate &s, double width)
{
    const double u = width / s.height;
    const double tn = s.thickness / s.height;
    double du1 = 0;
    if (tn > 0) {
        const double coth = 1.0 / std::tanh(std::sqrt(6.517 * u));
        du1 = tn / pi * std::log(1.0 + 4.0 * std::numbers::e / (tn * coth * coth));
    }
    const double dur = 0.5 * (1.0 + 1.0 / std::cosh(std::sqrt(s.relativePermittivity - 1.0))) * du1;
    const double u1 = u + du1;
    const double ur = u + dur;
    const double er = ThinStripEpsEff(ur, s.relativePermittivity);
    const double z0r = AirImpedance(ur);
    const double ratio = AirImpedance(u1) / z0r;
    return {z0r / std::sqrt(er), er * ratio * ratio};
}

// Kirschning and Jansen take the frequency as the product f h in GHz mm.
double NormalisedFrequency(double hz, double height)
{
    return hz * height * units::kGigahertzMillimetresPerHertzMetre;
}

void CheckArguments(const Substrate &s, double width)
{
    if (!(s.relativePermittivity >= 1.0) || !std::isfinite(s.relativePermittivity))
        throw std::invalid_argument("microstrip: the relative permittivity is below 1");
    if (!(s.height > 0) || !std::isfinite(s.height))
        throw std::invalid_argument("microstrip: the substrate has no height");
    if (!(s.thickness >= 0) || !(s.thickness < s.height))
        throw std::invalid_argument("microstrip: the strip is not thinner than the substrate");
    const double u = width / s.height;
    if (!(u >= kLeastWidthRatio && u <= kMostWidthRatio))
        throw std::invalid_argument("microstrip: the width is outside the formulas' range");
}

} // namespace

double StaticImpedance(const Substrate &substrate, double width)
{
    return Static(substrate, width).z0;
}

ImpedanceSpan ImpedanceSpanOf(const Substrate &substrate)
{
    return {StaticImpedance(substrate, kMostWidthRatio * substrate.height),
            StaticImpedance(substrate, kLeastWidthRatio * substrate.height)};
}

std::optional<double> WidthForImpedance(const Substrate &substrate, double ohms)
{
    const ImpedanceSpan span = ImpedanceSpanOf(substrate);
    if (!(ohms >= span.least && ohms <= span.most))
        return std::nullopt;
    // The impedance falls as the strip widens: bisect on the logarithm of
    // the width ratio, to the last bit a double holds.
    double lo = std::log(kLeastWidthRatio), hi = std::log(kMostWidthRatio);
    for (int i = 0; i < 200 && hi - lo > 1e-15; ++i) {
        const double mid = 0.5 * (lo + hi);
        if (StaticImpedance(substrate, std::exp(mid) * substrate.height) > ohms)
            lo = mid;
        else
            hi = mid;
    }
    return std::exp(0.5 * (lo + hi)) * substrate.height;
}

Microstrip::Microstrip(const Substrate &substrate, double width)
    : substrate_(substrate), width_(width)
{
    CheckArguments(substrate, width);
    const StaticValues values = Static(substrate, width);
    z0Static_ = values.z0;
    epsEffStatic_ = values.epsEff;
}

// Kirschning and Jansen: the field draws into the dielectric as the
// frequency rises, so the effective permittivity climbs from its static value
// towards er.
double Microstrip::EpsEff(double hz) const
{
    const double er = substrate_.relativePermittivity;
    const double u = WidthRatio();
    const double fn = NormalisedFrequency(hz, substrate_.height);
    const double p1 = 0.27488 + (0.6315 + 0.525 / std::pow(1.0 + 0.0157 * fn, 20)) * u -
                      0.065683 * std::exp(-8.7513 * u);
    const double p2 = 0.33622 * (1.0 - std::exp(-0.03442 * er));
    const double p3 = 0.0363 * std::exp(-4.6 * u) * (1.0 - std::exp(-std::pow(fn / 38.7, 4.97)));
    const double p4 = 1.0 + 2.751 * (1.0 - std::exp(-std::pow(er / 15.916, 8)));
    const double p = p1 * p2 * std::pow((0.1844 + p3 * p4) * fn, 1.5763);
    return er - (er - epsEffStatic_) / (1.0 + p);
}

// Kirschning and Jansen's dispersion of the impedance, taken with their
// effective permittivity. Their fit is a ratio of terms that pass through
// zero as eps_eff nears 1.02, so on foam and other near-air boards it would
// give nonsense; there the field is nearly all in air, the impedance changes
// with frequency by less than the fit's own error, and the static value
// stands.
double Microstrip::Z0(double hz) const
{
    return Z0With(hz, EpsEff(hz));
}

double Microstrip::Z0With(double hz, double epsEff) const
{
    const double er = substrate_.relativePermittivity;
    if (er < kLeastDispersivePermittivity)
        return z0Static_;
    const double u = WidthRatio();
    const double fn = NormalisedFrequency(hz, substrate_.height);
    const double r1 = 0.03891 * std::pow(er, 1.4);
    const double r2 = 0.267 * std::pow(u, 7.0);
    const double r3 = 4.766 * std::exp(-3.228 * std::pow(u, 0.641));
    const double r4 = 0.016 + std::pow(0.0514 * er, 4.524);
    const double r5 = std::pow(fn / 28.843, 12.0);
    const double r6 = 22.2 * std::pow(u, 1.92);
    const double r7 = 1.206 - 0.3144 * std::exp(-r1) * (1.0 - std::exp(-r2));
    const double r8 = 1.0 + 1.275 * (1.0 - std::exp(-0.004625 * r3 * std::pow(er, 1.674) *
                                                    std::pow(fn / 18.365, 2.745)));
    const double er6 = std::pow(er - 1.0, 6.0);
    const double r9 = 5.086 * r4 * r5 / (0.3838 + 0.386 * r4) * std::exp(-r6) /
                      (1.0 + 1.2992 * r5) * er6 / (1.0 + 10.0 * er6);
    const double r10 = 0.00044 * std::pow(er, 2.136) + 0.0184;
    const double f6 = std::pow(fn / 19.47, 6.0);
    const double r11 = f6 / (1.0 + 0.0962 * f6);
    const double r12 = 1.0 / (1.0 + 0.00245 * u * u);
    const double r13 = 0.9408 * std::pow(epsEff, r8) - 0.9603;
    const double r14 = (0.9408 - r9) * std::pow(epsEffStatic_, r8) - 0.9603;
    const double r15 = 0.707 * r10 * std::pow(fn / 12.3, 1.097);
    const double r16 = 1.0 + 0.0503 * er * er * r11 * (1.0 - std::exp(-std::pow(u / 15.0, 6.0)));
    const double r17 =
        r7 * (1.0 - 1.1241 * r12 / r16 * std::exp(-0.026 * std::pow(fn, 1.15656) - r15));
    return z0Static_ * std::pow(r13 / r14, r17);
}

// Hammerstad: the surface resistance over the strip's width, weighted for
// the current crowding to the strip's edges and underside, and raised by the
// roughness once the skin depth shrinks to the size of the copper's teeth
// (up to twice the smooth loss).
double Microstrip::ConductorLoss(double hz) const
{
    if (!(hz > 0) || substrate_.resistivity == 0)
        return 0;
    return ConductorLossWith(hz, Z0(hz));
}

double Microstrip::ConductorLossWith(double hz, double z0) const
{
    const double rho = substrate_.resistivity;
    if (!(hz > 0) || rho == 0)
        return 0;
    const double rs = std::sqrt(pi * hz * kMu0 * rho);
    const double skinDepth = std::sqrt(rho / (pi * hz * kMu0));
    const double rough = substrate_.roughness / skinDepth;
    const double kr = 1.0 + 2.0 / pi * std::atan(1.4 * rough * rough);
    const double ki = std::exp(-1.2 * std::pow(z0 / kEta0, 0.7));
    return rs / (z0 * width_) * ki * kr;
}

// The loss tangent acts on the part of the field in the dielectric, the
// filling factor (eps_eff - 1) / (er - 1).
double Microstrip::DielectricLoss(double hz) const
{
    return DielectricLossWith(hz, EpsEff(hz));
}

double Microstrip::DielectricLossWith(double hz, double ee) const
{
    const double er = substrate_.relativePermittivity;
    const double tand = substrate_.lossTangent;
    if (!(hz > 0) || tand == 0)
        return 0;
    const double filling = er - 1.0 > 1e-12 ? (ee - 1.0) / (er - 1.0) : 1.0;
    const double lambda0 = kSpeedOfLight / hz;
    return pi / lambda0 * er * filling / std::sqrt(ee) * tand;
}

std::complex<double> Microstrip::PropagationConstant(double hz) const
{
    return PropagationAt(hz).gamma;
}

std::complex<double> Microstrip::CharacteristicImpedance(double hz) const
{
    return PropagationAt(hz).zc;
}

// Per unit length the line is R + j w L = Z0 (2 alpha_c + j beta) in series
// and G + j w C = (2 alpha_d + j beta) / Z0 across: the product's root is
// gamma, the ratio's Zc. Both losses small against beta, gamma's real part
// is their sum and Zc is Z0 turned by (alpha_c - alpha_d) / beta radians.
Microstrip::Propagation Microstrip::PropagationAt(double hz) const
{
    const double ee = EpsEff(hz);
    const double z0 = Z0With(hz, ee);
    const double beta = 2.0 * pi * hz * std::sqrt(ee) / kSpeedOfLight;
    const std::complex<double> series{2.0 * ConductorLossWith(hz, z0), beta};
    const std::complex<double> shunt{2.0 * DielectricLossWith(hz, ee), beta};
    if (!(beta > 0)) // at 0 Hz: the static impedance, no travel
        return {z0, z0, {0, 0}};
    std::complex<double> gamma = std::sqrt(series * shunt);
    if (gamma.imag() < 0) // the root that travels forward
        gamma = -gamma;
    return {z0, z0 * std::sqrt(series / shunt), gamma};
}

// Kirschning, Jansen and Koster's fit to the end's fringing capacitance,
// as a length of line.
double Microstrip::OpenEndExtension() const
{
    const double er = substrate_.relativePermittivity;
    const double ee = epsEffStatic_;
    const double u = WidthRatio();
    const double e081 = std::pow(ee, 0.81);
    const double u08544 = std::pow(u, 0.8544);
    const double x1 =
        0.434907 * (e081 + 0.26) / (e081 - 0.189) * (u08544 + 0.236) / (u08544 + 0.87);
    const double x2 = 1.0 + std::pow(u, 0.371) / (2.358 * er + 1.0);
    const double x3 =
        1.0 + 0.5274 * std::atan(0.084 * std::pow(u, 1.9413 / x2)) / std::pow(ee, 0.9236);
    const double x4 = 1.0 + 0.0377 * std::atan(0.067 * std::pow(u, 1.456)) *
                                (6.0 - 5.0 * std::exp(0.036 * (1.0 - er)));
    const double x5 = 1.0 - 0.218 * std::exp(-7.5 * u);
    return substrate_.height * x1 * x3 * x5 / x4;
}

// The chain matrix of the line, written with e^(-gamma l) so that a long or
// very lossy line loses its transmission gracefully instead of overflowing.
LineSParameters Microstrip::SParameters(double hz, double length, double portOhms) const
{
    const Propagation p = PropagationAt(hz);
    const std::complex<double> x = std::exp(-p.gamma * length);
    const std::complex<double> x2 = x * x;
    const std::complex<double> z = p.zc / portOhms;
    const std::complex<double> denominator = (1.0 + x2) + 0.5 * (z + 1.0 / z) * (1.0 - x2);
    return {0.5 * (z - 1.0 / z) * (1.0 - x2) / denominator, 2.0 * x / denominator};
}

} // namespace tevmar::analysis::lines
