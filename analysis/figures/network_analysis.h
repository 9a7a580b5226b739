#pragma once

// Everything the engineer asks about a solved design, gathered in one place for
// the command line's output and its JSON file.

#include "analysis/figures/bode_fano.h"
#include "analysis/model/designed_network.h"
#include "analysis/model/eseries.h"
#include "analysis/figures/monte_carlo.h"
#include "analysis/figures/sweep.h"
#include "engine/design_result.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tevmar::analysis {

inline constexpr double kDefaultYieldVswrFactor = 1.1;

struct AnalysisOptions
{
    std::optional<ESeries> eseries;
    // Tolerance trials on the ideal-part network (the finite Q is a separate
    // question); a VSWR limit of 0 means the design's own maximum x 1.1
    // (kDefaultYieldVswrFactor).
    std::optional<YieldOptions> monteCarlo;
    // Each part's sensitivity (one passband search per part); a window that
    // must repaint at once leaves it for later.
    bool sensitivity = true;
    // A measured load in place of the design's load model in every figure
    // but the Bode-Fano limit, which stays the fitted model's.
    std::shared_ptr<const MeasuredLoad> measuredLoad = nullptr;
    // The parts as built: a finite Q, chip models, the pads at the ladder's
    // nodes. With any of them every figure but the design's self-check is for
    // the network as built; a Q fixed at the centre frequency takes the
    // band's.
    LossModel built;

    bool finiteQ() const { return !built.lossless(); }
};

// The extremes of |S11| over the passband and their VSWR.
struct PassbandFigures
{
    double gammaMax = 0;
    double gammaMaxAtHz = 0;
    double gammaMin = 0;
    double gammaMinAtHz = 0;
    double vswrMax = 1;
    double vswrMin = 1;
};

PassbandFigures PassbandFiguresOf(const Network &network, const Band &band);

// The in-band maximum transducer loss, -10 log10 G_T in dB, of a network
// whose in-band maximum |S11| is `gammaMax`: for ideal parts G_T = 1 - |S11|^2
// exactly, so it follows from gammaMax; for lossy parts it is searched.
double LossDbMaxOf(const Network &network, const Band &band, double gammaMax);

// The figure a tuner minimises, on the scale of |S11|: the in-band maximum
// |S11| for ideal parts, the square root of the in-band maximum lost power
// 1 - G_T for lossy ones (the least transducer loss, since a lossy network
// can look matched by burning the power).
double MatchFigureOf(const Network &network, const Band &band);

// The built network against the design's closed-form figures.
struct SelfCheck
{
    double designGammaMax = 0;
    double designGammaMin = 0;
    PassbandFigures full;    // network from full-precision values
    PassbandFigures printed; // network from the values as printed
    bool agrees = false;     // full-precision extremes within 0.5 % + 1e-6 of the design's
    // The figures are into a measured load: they differ from the design's by
    // what the fitted model misses, so `agrees` says nothing about the build.
    bool measuredLoad = false;
};

// True when a measured |S11| extreme matches the design's figure: within 0.5 %
// of it plus 1e-6, the precision the passband search and the solver allow.
bool ReflectionAgrees(double measured, double design);

struct StandardValues
{
    ESeries series = ESeries::E24;
    Network ladder; // the full-precision network with every element snapped
    PassbandFigures figures;
};

struct AsBuiltFigures
{
    PassbandFigures figures; // the power-wave reflection at the source
    double lossDbMax = 0;    // in-band maximum transducer loss, dB
};

struct FiniteQLoss
{
    LossModel losses;
    double maxInsertionLossDb = 0; // in the passband
    double minInsertionLossDb = 0;
    double centreInsertionLossDb = 0;
    double losslessMaxInsertionLossDb = 0; // the same network with ideal parts
};

// How much one part moves the match: the change of the in-band maximum |S11|
// of the full-precision network when the part alone is raised by 1 %.
struct PartSensitivity
{
    std::size_t index = 0; // in Network::parts
    std::string label;
    double gammaMaxChangePerPercent = 0;
};

// Each part's sensitivity, the largest change (either sign) first.
std::vector<PartSensitivity> SensitivityOf(const Network &network, const Band &band);

struct NetworkAnalysis
{
    // The analysis of a re-tuned network rather than the design's: its CSV
    // columns and its standard values are named for the tuned network.
    bool tuned = false;
    Band band;
    Network full;
    Network printed;
    SelfCheck selfCheck;
    BodeFanoLimit bodeFano;
    std::vector<PartSensitivity> sensitivity; // ranked
    std::optional<StandardValues> standardValues;
    std::optional<FiniteQLoss> finiteQ;
    std::optional<YieldResult> yield;
    // With part models or pads: the figures of the network as built (`full`
    // and `printed` then hold it; the self-check stays with ideal parts).
    std::optional<AsBuiltFigures> asBuilt;
};

// Every figure is for the network's parts with the true load at its port: the
// absorbed load's reactance is never snapped, given loss or varied. With a
// measured load in the options, the true load is the data. The network check
// compares the full-precision network with the figures it was designed for.
// Throws std::invalid_argument for a Q that is not positive or tolerance
// options that RunMonteCarlo rejects.
NetworkAnalysis AnalyseDesign(const DesignedNetwork &design, const AnalysisOptions &options);

// The loss model of the options at the band's centre frequency.
LossModel LossModelOf(const AnalysisOptions &options, const Band &band);

} // namespace tevmar::analysis
