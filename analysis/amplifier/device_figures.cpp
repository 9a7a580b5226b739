#include "analysis/amplifier/device_figures.h"

#include <algorithm>
#include <cmath>

namespace tevmar::analysis {
namespace {

using Complex = std::complex<double>;

// Below this a denominator is zero: the circle has become a straight line
// (or the figure has no finite value) and is not given.
constexpr double kDegenerate = 1e-12;

double Db(double ratio)
{
    return 10 * std::log10(ratio);
}

Complex GammaIn(const TwoPortMatrix &s, Complex gammaL)
{
    return s.s11 + s.s12 * s.s21 * gammaL / (1.0 - s.s22 * gammaL);
}

// The stability circle in one plane: `near` is the own port's S (S22 for the
// load plane), `far` the other's. |Gamma| at the other port is 1 on it.
std::optional<StabilityCircle> StabilityCircleOf(Complex near, Complex far, Complex delta,
                                                 Complex feedback, bool loadPlane,
                                                 const TwoPortMatrix &s)
{
    const double denominator = std::norm(near) - std::norm(delta);
    if (std::abs(denominator) < kDegenerate)
        return std::nullopt;
    StabilityCircle stability;
    stability.circle.center = std::conj(near - delta * std::conj(far)) / denominator;
    stability.circle.radius = std::abs(feedback) / std::abs(denominator);
    const Complex c = stability.circle.center;
    const double r = stability.circle.radius;
    // Which side is stable, read at a termination well clear of the circle:
    // the chart's centre, or the circle's own centre where the circle runs
    // close by the chart's.
    const Complex probe = std::abs(std::abs(c) - r) >= r ? Complex{} : c;
    const bool inside = std::abs(probe - c) < r;
    // By symmetry the source plane's |Gamma out| is the load plane's
    // |Gamma in| with the ports swapped.
    const TwoPortMatrix seen = loadPlane ? s : TwoPortMatrix{s.s22, s.s21, s.s12, s.s11};
    const double other = std::abs(GammaIn(seen, probe));
    const bool stableAtProbe = std::isfinite(other) && other < 1;
    stability.stableInside = inside == stableAtProbe;
    return stability;
}

// Constant available gain (source plane: own = S11) or operating gain (load
// plane: own = S22) at `db`; `twoKFeedback` is 2 K |S12 S21|.
LevelCircle GainCircle(double db, Complex own, Complex other, Complex delta, Complex s21,
                       double feedback, double twoKFeedback)
{
    LevelCircle level{db, std::nullopt};
    if (std::norm(s21) < kDegenerate)
        return level;
    const double g = std::pow(10.0, db / 10) / std::norm(s21);
    const double radicand = 1 - twoKFeedback * g + feedback * feedback * g * g;
    const double denominator = 1 + g * (std::norm(own) - std::norm(delta));
    // Beyond the range of a double (a level of hundreds of dB) there is no
    // circle either.
    if (!(radicand >= 0) || !std::isfinite(radicand) || !(std::abs(denominator) >= kDegenerate))
        return level;
    const Complex c = own - delta * std::conj(other);
    level.circle =
        Circle{g * std::conj(c) / denominator, std::sqrt(radicand) / std::abs(denominator)};
    return level;
}

LevelCircle NoiseCircle(double db, const DeviceNoise &noise, double referenceOhms)
{
    LevelCircle level{db, std::nullopt};
    const double f = std::pow(10.0, db / 10), fMin = std::pow(10.0, noise.nfMinDb / 10);
    if (f < fMin)
        return level;
    const double rn = noise.rnOhms / referenceOhms;
    const double n = (f - fMin) * std::norm(1.0 + noise.gammaOpt) / (4 * rn);
    if (!std::isfinite(n))
        return level;
    level.circle = Circle{noise.gammaOpt / (n + 1),
                          std::sqrt(n * (n + 1 - std::norm(noise.gammaOpt))) / (n + 1)};
    return level;
}

// Magnitude and angle linear between a and b, at the fraction t of the way.
Complex Between(Complex a, Complex b, double t)
{
    const double magnitude = std::abs(a) + t * (std::abs(b) - std::abs(a));
    const double turn = std::arg(b / a);
    if (std::abs(a) == 0 || std::abs(b) == 0 || !std::isfinite(turn))
        return a + t * (b - a);
    return std::polar(magnitude, std::arg(a) + t * turn);
}

} // namespace

TwoPortMatrix DeviceScatteringAt(const TwoPortData &data, double frequencyHz)
{
    const std::vector<double> &f = data.frequenciesHz;
    if (frequencyHz <= f.front())
        return data.s.front();
    if (frequencyHz >= f.back())
        return data.s.back();
    const std::size_t k =
        static_cast<std::size_t>(std::upper_bound(f.begin(), f.end(), frequencyHz) - f.begin());
    const double t = (frequencyHz - f[k - 1]) / (f[k] - f[k - 1]);
    if (t == 0)
        return data.s[k - 1];
    const TwoPortMatrix &a = data.s[k - 1], &b = data.s[k];
    return TwoPortMatrix{Between(a.s11, b.s11, t), Between(a.s12, b.s12, t),
                         Between(a.s21, b.s21, t), Between(a.s22, b.s22, t)};
}

std::optional<DeviceNoise> NoiseAt(const std::vector<NoisePoint> &noise, double frequencyHz)
{
    const auto above = std::ranges::lower_bound(noise, frequencyHz, {}, &NoisePoint::frequencyHz);
    if (above == noise.end())
        return std::nullopt;
    if (above->frequencyHz == frequencyHz)
        return DeviceNoise{above->nfMinDb, above->gammaOpt, above->rnOhms};
    if (above == noise.begin())
        return std::nullopt;
    const NoisePoint &below = *(above - 1);
    const double t = (frequencyHz - below.frequencyHz) / (above->frequencyHz - below.frequencyHz);
    return DeviceNoise{below.nfMinDb + t * (above->nfMinDb - below.nfMinDb),
                       below.gammaOpt + t * (above->gammaOpt - below.gammaOpt),
                       below.rnOhms + t * (above->rnOhms - below.rnOhms)};
}

DevicePoint DeviceFiguresAt(double frequencyHz, const TwoPortMatrix &s,
                            const std::optional<DeviceNoise> &noise, double referenceOhms,
                            const DeviceLevels &levels)
{
    DevicePoint p;
    p.frequencyHz = frequencyHz;
    p.s = s;
    p.noise = noise;
    const Complex delta = s.s11 * s.s22 - s.s12 * s.s21;
    const double feedback = std::abs(s.s12 * s.s21);
    // 2 K |S12 S21|, finite even without feedback.
    const double twoKFeedback = 1 - std::norm(s.s11) - std::norm(s.s22) + std::norm(delta);
    p.delta = std::abs(delta);
    if (feedback > 0)
        p.k = twoKFeedback / (2 * feedback);
    const double muDenominator = std::abs(s.s22 - delta * std::conj(s.s11)) + feedback;
    if (muDenominator > kDegenerate)
        p.mu = (1 - std::norm(s.s11)) / muDenominator;
    const double muPrimeDenominator = std::abs(s.s11 - delta * std::conj(s.s22)) + feedback;
    if (muPrimeDenominator > kDegenerate)
        p.muPrime = (1 - std::norm(s.s22)) / muPrimeDenominator;
    if (std::abs(s.s12) > 0 && std::abs(s.s21) > 0)
        p.msgDb = Db(std::abs(s.s21) / std::abs(s.s12));
    if (p.k && *p.k > 1 && p.delta < 1) {
        const double k = *p.k;
        if (p.msgDb)
            p.magDb = *p.msgDb + Db(k - std::sqrt(k * k - 1));
        // Simultaneous conjugate match, in the form that stays finite as
        // S12 -> 0: Gamma = 2 C* / (B + sqrt(B^2 - 4 |C|^2)).
        const auto match = [](double b, Complex c) {
            return 2.0 * std::conj(c) / (b + std::sqrt(std::max(0.0, b * b - 4 * std::norm(c))));
        };
        const double b1 = 1 + std::norm(s.s11) - std::norm(s.s22) - std::norm(delta);
        const double b2 = 1 + std::norm(s.s22) - std::norm(s.s11) - std::norm(delta);
        p.gammaS = match(b1, s.s11 - delta * std::conj(s.s22));
        p.gammaL = match(b2, s.s22 - delta * std::conj(s.s11));
    }
    p.sourceStability = StabilityCircleOf(s.s11, s.s22, delta, s.s12 * s.s21, false, s);
    p.loadStability = StabilityCircleOf(s.s22, s.s11, delta, s.s12 * s.s21, true, s);
    for (const double db : levels.gainDb) {
        p.availableGain.push_back(
            GainCircle(db, s.s11, s.s22, delta, s.s21, feedback, twoKFeedback));
        p.operatingGain.push_back(
            GainCircle(db, s.s22, s.s11, delta, s.s21, feedback, twoKFeedback));
    }
    for (const double db : levels.noiseDb)
        p.noiseFigure.push_back(noise ? NoiseCircle(db, *noise, referenceOhms)
                                      : LevelCircle{db, std::nullopt});
    return p;
}

std::vector<DevicePoint> DeviceFigures(const TwoPortData &data, const DeviceLevels &levels,
                                       double fromHz, double toHz)
{
    std::vector<DevicePoint> points;
    for (std::size_t i = 0; i < data.frequenciesHz.size(); ++i) {
        const double f = data.frequenciesHz[i];
        if (f >= fromHz && f <= toHz)
            points.push_back(
                DeviceFiguresAt(f, data.s[i], NoiseAt(data.noise, f), data.referenceOhms, levels));
    }
    return points;
}

} // namespace tevmar::analysis
