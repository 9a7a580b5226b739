#include "analysis/model/power_waves.h"

#include <algorithm>
#include <cmath>

namespace tevmar::analysis {

SParameters PowerWaveSParameters(const Abcd &m, Complex z1, Complex z2)
{
    // With the load z2 at port 2, Zin = (A z2 + B) / (C z2 + D) and, with the
    // source z1 at port 1, Zout = (D z1 + B) / (C z1 + A); both reflections
    // share the denominator A z2 + B + z1 (C z2 + D).
    const Complex p = m.A * z2 + m.B;
    const Complex q = m.C * z2 + m.D;
    const Complex delta = p + z1 * q;
    const double resistances = std::max(z1.real(), 0.0) * std::max(z2.real(), 0.0);
    const Complex s21 = 2.0 * std::sqrt(resistances) / delta;
    return SParameters{
        (p - std::conj(z1) * q) / delta,
        s21,
        s21 * (m.A * m.D - m.B * m.C),
        (m.D * z1 + m.B - std::conj(z2) * (m.C * z1 + m.A)) / delta,
    };
}

} // namespace tevmar::analysis
