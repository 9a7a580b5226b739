#include "analysis/readers/measured_load.h"

#include <algorithm>
#include <cassert>

namespace tevmar::analysis {

std::complex<double> MeasuredLoad::Between(std::size_t above, double frequencyHz) const
{
    if (above == 0)
        return impedanceOhms.front();
    if (above == frequenciesHz.size())
        return impedanceOhms.back();
    const double f0 = frequenciesHz[above - 1];
    const double t = (frequencyHz - f0) / (frequenciesHz[above] - f0);
    return impedanceOhms[above - 1] + t * (impedanceOhms[above] - impedanceOhms[above - 1]);
}

std::complex<double> MeasuredLoad::ImpedanceAt(double frequencyHz) const
{
    if (exact)
        return exact(frequencyHz);
    const auto above = std::upper_bound(frequenciesHz.begin(), frequenciesHz.end(), frequencyHz);
    return Between(static_cast<std::size_t>(above - frequenciesHz.begin()), frequencyHz);
}

void MeasuredLoad::ImpedanceOver(std::span<const double> frequencies,
                                 std::span<std::complex<double>> impedance) const
{
    assert(impedance.size() == frequencies.size());
    if (exact) {
        for (std::size_t k = 0; k < frequencies.size(); ++k)
            impedance[k] = exact(frequencies[k]);
        return;
    }
    const std::size_t count = frequenciesHz.size();
    // The first point above the frequency, as ImpedanceAt's search finds it:
    // the last frequency's or the next, on a grid that ascends.
    const auto isAbove = [&](std::size_t above, double hz) {
        return (above == 0 || frequenciesHz[above - 1] <= hz) &&
               (above == count || hz < frequenciesHz[above]);
    };
    std::size_t above = 0;
    for (std::size_t k = 0; k < frequencies.size(); ++k) {
        const double hz = frequencies[k];
        if (!isAbove(above, hz)) {
            if (above < count && isAbove(above + 1, hz))
                ++above;
            else
                above = static_cast<std::size_t>(
                    std::upper_bound(frequenciesHz.begin(), frequenciesHz.end(), hz) -
                    frequenciesHz.begin());
        }
        impedance[k] = Between(above, hz);
    }
}

} // namespace tevmar::analysis
