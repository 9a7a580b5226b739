#include "analysis/measured_load.h"

#include <algorithm>

namespace tevmar::analysis {

std::complex<double> MeasuredLoad::ImpedanceAt(double frequencyHz) const
{
    if (exact)
        return exact(frequencyHz);
    const auto above = std::upper_bound(frequenciesHz.begin(), frequenciesHz.end(), frequencyHz);
    if (above == frequenciesHz.begin())
        return impedanceOhms.front();
    if (above == frequenciesHz.end())
        return impedanceOhms.back();
    const auto i = static_cast<std::size_t>(above - frequenciesHz.begin());
    const double f0 = frequenciesHz[i - 1];
    const double t = (frequencyHz - f0) / (frequenciesHz[i] - f0);
    return impedanceOhms[i - 1] + t * (impedanceOhms[i] - impedanceOhms[i - 1]);
}

} // namespace tevmar::analysis
