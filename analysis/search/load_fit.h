#pragma once

// The measured load as one of the four loads the synthesis absorbs: series
// R + jwL or R + 1/(jwC), or R in parallel with L or C, each fitted by least
// squares over the measured points inside the band.

#include "analysis/readers/measured_load.h"
#include "analysis/readers/touchstone_reader.h"
#include "engine/design_inputs.h"
#include "units/quantity.h"

#include <optional>
#include <string>
#include <vector>

namespace tevmar::analysis {

struct LoadFit
{
    LoadType type = LoadType::SeriesRL;
    bool valid = false; // a positive R and a positive L or C fit the data
    double resistanceOhms = 0;
    double reactiveValue = 0; // nH for the RL kinds, pF for the RC kinds
    // sqrt(mean |Zfit - Zmeas|^2 / |Zmeas|^2) over the in-band points.
    double rmsRelativeError = 0;
};

// The in-band points of a measurement: those from the lower to the upper edge
// (either order, edges included).
struct InBandPoints
{
    std::vector<double> frequenciesHz;
    std::vector<std::complex<double>> impedanceOhms;
};
InBandPoints PointsInBand(const OnePortData &data, double f1Hz, double f2Hz);

// The least-squares fit of one kind. Each kind is linear in suitable
// parameters: the series kinds fit Z = R + jX with X = wL or -1/(wC) (R and L,
// or R and 1/C), the shunt kinds Y = G + jB with B = wC or -1/(wL) (G and C, or
// G and 1/L); real and imaginary parts separate into two one-parameter fits.
// The fit minimises the absolute error of the immittance the kind adds in:
// Z for the series kinds, Y for the shunt kinds. A small change dZ of a
// series load moves its reflection by about dZ / 2R, and dY of a shunt load
// by dY / 2G, with R or G nearly constant over the band, so every in-band
// point counts by the mismatch its error causes. Weighting by 1/|Z|^2 (the
// relative error) would instead discount the band edges, where the load's
// reactance is largest and the match hardest. The kinds are then compared by
// their rms relative impedance error, which is independent of the impedance
// level. Invalid when there are no points or the data's reactance has the
// other sign.
LoadFit FitLoad(const InBandPoints &points, LoadType type);

// A fit whose rms relative error is within this is taken as the simple
// model it fits; beyond it the termination is only its data.
inline constexpr double kSimpleModelError = 0.05;

// A termination whose resistance is at most this fraction of its impedance's
// magnitude (a Q of a million or more) is lossless to any measurement: no
// network delivers power into it, or draws power from it as a source, and
// its fitted resistance is noise.
inline constexpr double kLosslessFraction = 1e-6;

// Whether every in-band point's Re Z is at most kLosslessFraction of its |Z|.
bool WithoutResistance(const InBandPoints &points);

// Whether the fitted model is lossless so at every in-band frequency.
bool WithoutResistance(const LoadFit &fit, const InBandPoints &points);

// Every kind, in LoadType order.
std::vector<LoadFit> FitAllLoads(const InBandPoints &points);

// Whether the fit can be the low- or high-impedance port against the source: a
// series kind's resistance must lie below the source resistance, a shunt kind's
// above it. Empty when it can, otherwise why not.
std::string FitProblem(const LoadFit &fit, double sourceOhms);

// The kind with the least rms relative error among those FitProblem accepts,
// or the forced kind when it is acceptable; empty when none is.
std::optional<LoadFit> ChooseFit(const std::vector<LoadFit> &fits, double sourceOhms,
                                 std::optional<LoadType> forced = std::nullopt);

// One fit of a measurement as the engineer sees it: where the data came from,
// every kind's fit and why it could not be used, and the kind chosen.
struct FitSummary
{
    std::string fileName;
    std::size_t points = 0;       // in the file
    std::size_t pointsInBand = 0; // those the fit used
    units::Frequency first, last; // the data's lowest and highest frequency
    double sourceOhms = 0;
    std::vector<LoadFit> fits;         // every kind, in LoadType order
    std::vector<std::string> problems; // FitProblem of each; empty where usable
    LoadFit chosen;
    bool forced = false; // the kind was asked for, not picked by its error
    // A termination written as a circuit: fileName is its text, the points
    // are its impedance sampled over the band for the fit.
    bool circuit = false;
    // The chosen kind is off its data by more than a simple model may be
    // (5 % rms): no design is made for it, and the data stand for the load.
    bool dataOnly = false;
    // With dataOnly: the data's own resonance where a fit of it is within
    // 5 %, and its Bode-Fano limit over the band.
    std::optional<ResonantModel> resonance;
    double resonanceGammaLimit = 0;
};

// The data's own resonance: R + j(wL - 1/(wC)) fitted on the impedance, and
// G + j(wC - 1/(wL)) on the admittance, each linear in R (or G) and in L and
// 1/C (or C and 1/L) as the four kinds are; the one of least rms relative
// impedance error with every value positive, or empty when neither has.
// A load near its series or parallel resonance is of this order, where a
// single L or C leaves most of its reactance unexplained.
std::optional<ResonantModel> FitResonance(const InBandPoints &points);

// The fit's rms relative impedance error in percent, as reported.
inline double RmsErrorPercent(double rmsRelativeError)
{
    return 100 * rmsRelativeError;
}

// The fitted reactance at angular frequency omega, in ohms: w L for the RL
// kinds, -1 / (w C) for the RC kinds.
double FittedReactanceOhms(const LoadFit &fit, double omega);

} // namespace tevmar::analysis
