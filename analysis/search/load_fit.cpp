#include "analysis/search/load_fit.h"

#include "report/number_format.h"
#include "units/quantity.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace tevmar::analysis {

using Complex = std::complex<double>;

InBandPoints PointsInBand(const OnePortData &data, double f1Hz, double f2Hz)
{
    const double low = std::min(f1Hz, f2Hz);
    const double high = std::max(f1Hz, f2Hz);
    InBandPoints points;
    for (std::size_t i = 0; i < data.frequenciesHz.size(); ++i) {
        const double f = data.frequenciesHz[i];
        if (f >= low && f <= high && f > 0) {
            points.frequenciesHz.push_back(f);
            points.impedanceOhms.push_back(data.impedanceOhms[i]);
        }
    }
    return points;
}

LoadFit FitLoad(const InBandPoints &points, LoadType type)
{
    LoadFit fit;
    fit.type = type;
    const bool series = IsSeriesLoad(type);
    const bool inductive = IsInductiveLoad(type);
    // The reactive part is s * k with k the fitted parameter: for the series
    // kinds jwL (s = w, k = L) or 1/(jwC) (s = -1/w, k = 1/C), for the shunt
    // kinds jwC (s = w, k = C) or 1/(jwL) (s = -1/w, k = 1/L).
    const bool growsWithFrequency = series == inductive;
    double realSum = 0, sSquaredSum = 0, sImagSum = 0;
    for (std::size_t i = 0; i < points.frequenciesHz.size(); ++i) {
        const double omega = 2 * std::numbers::pi * points.frequenciesHz[i];
        const Complex z = points.impedanceOhms[i];
        const Complex immittance = series ? z : 1.0 / z;
        const double s = growsWithFrequency ? omega : -1.0 / omega;
        realSum += immittance.real();
        sSquaredSum += s * s;
        sImagSum += s * immittance.imag();
    }
    if (points.frequenciesHz.empty() || !(sSquaredSum > 0))
        return fit;
    const double real = realSum / static_cast<double>(points.frequenciesHz.size());
    const double k = sImagSum / sSquaredSum;
    if (!(real > 0) || !(k > 0) || !std::isfinite(real) || !std::isfinite(k))
        return fit;
    const double si = growsWithFrequency ? k : 1.0 / k; // henries or farads
    fit.resistanceOhms = series ? real : 1.0 / real;
    fit.reactiveValue = inductive ? units::Inductance::FromHenries(si).nanohenries()
                                  : units::Capacitance::FromFarads(si).picofarads();

    double sum = 0;
    for (std::size_t i = 0; i < points.frequenciesHz.size(); ++i) {
        const double omega = 2 * std::numbers::pi * points.frequenciesHz[i];
        const double s = growsWithFrequency ? omega : -1.0 / omega;
        const Complex model{real, s * k};
        const Complex z = points.impedanceOhms[i];
        const Complex zFit = series ? model : 1.0 / model;
        sum += std::norm(zFit - z) / std::norm(z);
    }
    fit.rmsRelativeError = std::sqrt(sum / static_cast<double>(points.frequenciesHz.size()));
    fit.valid = std::isfinite(fit.resistanceOhms) && std::isfinite(fit.reactiveValue) &&
                fit.reactiveValue > 0 && std::isfinite(fit.rmsRelativeError);
    return fit;
}

namespace {

bool Lossless(Complex z)
{
    return z.real() <= kLosslessFraction * std::abs(z);
}

// The fitted model's impedance at `hz`.
Complex ModelImpedance(const LoadFit &fit, double hz)
{
    const double omega = 2 * std::numbers::pi * hz;
    const Complex reactive{0, FittedReactanceOhms(fit, omega)};
    if (IsSeriesLoad(fit.type))
        return fit.resistanceOhms + reactive;
    return 1.0 / (1.0 / fit.resistanceOhms + 1.0 / reactive);
}

} // namespace

bool WithoutResistance(const InBandPoints &points)
{
    return std::ranges::all_of(points.impedanceOhms, Lossless);
}

bool WithoutResistance(const LoadFit &fit, const InBandPoints &points)
{
    return std::ranges::all_of(points.frequenciesHz,
                               [&](double hz) { return Lossless(ModelImpedance(fit, hz)); });
}

std::vector<LoadFit> FitAllLoads(const InBandPoints &points)
{
    std::vector<LoadFit> fits;
    for (const LoadType type :
         {LoadType::SeriesRL, LoadType::SeriesRC, LoadType::ShuntRL, LoadType::ShuntRC})
        fits.push_back(FitLoad(points, type));
    return fits;
}

std::string FitProblem(const LoadFit &fit, double sourceOhms)
{
    const std::string kind = NamesOf(fit.type).phrase;
    if (!fit.valid)
        return "no " + kind + " load fits the data: its reactance has the other sign";
    if (IsSeriesLoad(fit.type) && !(fit.resistanceOhms < sourceOhms))
        return "the " + kind + " fit's " + Figure(fit.resistanceOhms, 4) +
               " ohms is not below the source's " + Figure(sourceOhms) +
               " ohms, as a series load must be";
    if (!IsSeriesLoad(fit.type) && !(fit.resistanceOhms > sourceOhms))
        return "the " + kind + " fit's " + Figure(fit.resistanceOhms, 4) +
               " ohms is not above the source's " + Figure(sourceOhms) +
               " ohms, as a shunt load must be";
    return {};
}

std::optional<LoadFit> ChooseFit(const std::vector<LoadFit> &fits, double sourceOhms,
                                 std::optional<LoadType> forced)
{
    std::optional<LoadFit> best;
    for (const LoadFit &fit : fits) {
        if ((forced && fit.type != *forced) || !FitProblem(fit, sourceOhms).empty())
            continue;
        if (!best || fit.rmsRelativeError < best->rmsRelativeError)
            best = fit;
    }
    return best;
}

namespace {

// Least squares of y = a s + b t over the points, (a, b); empty when the two
// columns are dependent.
std::optional<std::pair<double, double>>
TwoTermFit(const std::vector<double> &s, const std::vector<double> &t, const std::vector<double> &y)
{
    double ss = 0, st = 0, tt = 0, sy = 0, ty = 0;
    for (std::size_t i = 0; i < y.size(); ++i) {
        ss += s[i] * s[i];
        st += s[i] * t[i];
        tt += t[i] * t[i];
        sy += s[i] * y[i];
        ty += t[i] * y[i];
    }
    const double det = ss * tt - st * st;
    if (!(std::abs(det) > 1e-12 * ss * tt))
        return std::nullopt;
    return std::pair{(sy * tt - st * ty) / det, (ss * ty - st * sy) / det};
}

std::optional<ResonantModel> FitOneResonance(const InBandPoints &points, bool series)
{
    // The reactance (series) or susceptance (across) is w k1 - k2 / w with
    // k1 = L, k2 = 1/C in series and k1 = C, k2 = 1/L across.
    const std::size_t n = points.frequenciesHz.size();
    std::vector<double> s(n), t(n), y(n);
    double realSum = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const double omega = 2 * std::numbers::pi * points.frequenciesHz[i];
        const Complex immittance = series ? points.impedanceOhms[i] : 1.0 / points.impedanceOhms[i];
        s[i] = omega;
        t[i] = -1 / omega;
        y[i] = immittance.imag();
        realSum += immittance.real();
    }
    const auto k = TwoTermFit(s, t, y);
    const double real = realSum / static_cast<double>(n);
    if (!k || !(real > 0) || !(k->first > 0) || !(k->second > 0) || !std::isfinite(real) ||
        !std::isfinite(k->first) || !std::isfinite(k->second))
        return std::nullopt;
    ResonantModel model;
    model.series = series;
    model.ohms = series ? real : 1 / real;
    model.henries = series ? k->first : 1 / k->second;
    model.farads = series ? 1 / k->second : k->first;
    double sum = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const Complex fitted{real, s[i] * k->first + t[i] * k->second};
        const Complex z = points.impedanceOhms[i];
        sum += std::norm((series ? fitted : 1.0 / fitted) - z) / std::norm(z);
    }
    model.rmsRelativeError = std::sqrt(sum / static_cast<double>(n));
    if (!std::isfinite(model.rmsRelativeError))
        return std::nullopt;
    return model;
}

} // namespace

std::optional<ResonantModel> FitResonance(const InBandPoints &points)
{
    if (points.frequenciesHz.size() < 3)
        return std::nullopt;
    std::optional<ResonantModel> best;
    for (const bool series : {true, false})
        if (auto model = FitOneResonance(points, series))
            if (!best || model->rmsRelativeError < best->rmsRelativeError)
                best = model;
    return best;
}

double FittedReactanceOhms(const LoadFit &fit, double omega)
{
    // The products are formed as the figures have always formed them: w
    // times the value in nH or pF, then the unit.
    return IsInductiveLoad(fit.type) ? omega * fit.reactiveValue * units::kSiPerNanohenry
                                     : -1 / (omega * fit.reactiveValue * units::kSiPerPicofarad);
}

} // namespace tevmar::analysis
