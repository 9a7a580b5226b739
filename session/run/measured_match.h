#pragma once

// One "match a measured load" run, for the window and the command line alike:
// the network analyser's one-port file is read, the load fitted as one of the
// four kinds the synthesis absorbs, the design made for the fit, and every
// figure taken into the measured data.

#include "analysis/figures/network_analysis.h"
#include "analysis/search/load_fit.h"
#include "session/options/analysis_settings.h"
#include "session/run/calculation.h"

#include <complex>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace tevmar::session {

// A source known by measurement (a power amplifier's output, an amplifier's
// optimum source impedance), in place of the source resistance.
struct MeasuredSourceRequest
{
    std::string filePath;                      // the .s1p file; names it in the lines
    std::optional<analysis::OnePortData> data; // already read; unset: the file is read
    std::optional<LoadType> kind;              // a kind asked for; else the one that fits best
    // A source known exactly (a circuit): its impedance at every frequency,
    // the data then being its points over the band for the fit.
    std::function<std::complex<double>(double)> exact = nullptr;
};

// What the engineer gives in place of the port impedances and the load.
struct MeasuredLoadRequest
{
    std::string filePath;       // the .s1p file
    std::string f1Text, f2Text; // band edges in GHz, as typed, for the boxes and messages
    units::Frequency f1, f2;    // the same edges as the boxes read them
    double sourceOhms = 50;     // the source's resistance
    int networkOrder = 4;
    std::optional<LoadType> loadKind; // a kind asked for; else the one that fits best
    // A measured source in place of `sourceOhms`: its fitted resistance is the
    // source port's, and every figure is between the two data sets.
    std::optional<MeasuredSourceRequest> source = std::nullopt;
    // A load known exactly (a circuit), as the source's `exact`.
    std::function<std::complex<double>(double)> exact = nullptr;
};

// A measured source's data and fit. Its resistance (the chosen kind's, or
// the mean in-band resistance when no kind with a reactance fits) is the
// source port's; its reactance is left to the tuner. A source whose chosen
// fit is off its data by more than kSimpleModelError (fit.dataOnly) is its
// data alone: no design is made, and its port starts from the data's mean
// in-band resistance, never the fit's.
struct SourceMatch
{
    analysis::OnePortData data;
    analysis::FitSummary fit; // fit.sourceOhms: the resistance the design is for
    bool resistive = false;   // no kind fits: a plain resistance, fit.chosen unused
    // The Bode-Fano limits of the two ends when both are simple models (each
    // fit within kSimpleModelError): each end's smallest |S11| over the band,
    // the larger binding. Otherwise there is no closed-form limit.
    bool closedForm = false;
    double sourceGammaLimit = 0, loadGammaLimit = 0;
    std::string bodeFano; // the finding in words
};

using analysis::kSimpleModelError;

// The error box's text when the fit is too far off its data to design for.
inline constexpr const char *kDataOnlyMessage = "  NO DESIGN FOR THE FIT";

// A fit needs at least this many measured points inside the band.
inline constexpr std::size_t kMinFitPoints = 3;

struct MeasuredMatch
{
    // Why there is no design: the file (its name and line), too few points in
    // the band, or no kind that fits on the right side of the source
    // resistance. Empty when `outcome` holds the design run.
    std::string problem;
    bool problemInSource = false; // the problem is the measured source's
    analysis::OnePortData data;
    analysis::FitSummary fit;
    // The band reaching past the measured frequencies, where the load is held
    // at its end values.
    std::vector<std::string> warnings;
    // The design for the fitted load: its inputs (source and fitted
    // resistance as Zhigh and Zlow in the right order, the kind, its L or C
    // absorbed) and result, with `measuredLoad` set so that the response,
    // analysis and tuning of this outcome are into the data.
    CalculateOutcome outcome;
    std::optional<SourceMatch> source; // with a measured source

    bool ok() const { return problem.empty(); }
    // Whether a fit, the load's or the source's, is too far off its data to
    // design for: the data then stand for that termination, and there is no
    // textbook design.
    bool dataUsedDirectly() const { return fit.dataOnly || (source && source->fit.dataOnly); }
};

// The most a measurement file may hold; a network analyser's sweep of a
// hundred thousand points takes a few MiB.
inline constexpr std::size_t kMaxOnePortFileBytes = std::size_t{256} << 20;

// The one-port measurement in the file at `path`, read with
// session::ReadFileBounded: a FIFO, a device or a directory, a file above
// kMaxOnePortFileBytes and any error of the system are a TouchstoneError
// naming the file (and the line reached, for an error halfway), as is
// anything ReadOnePort refuses.
analysis::OnePortData ReadOnePortFile(const std::string &path);

// The whole text of a Touchstone file read so, or a TouchstoneError that ends
// in "expected <expected> of at most 256 MiB".
std::string ReadTouchstoneText(const std::string &path, const char *expected);

// Reads the file and matches its load; the reader's warnings come first in
// the match's.
MeasuredMatch MatchMeasuredLoad(const MeasuredLoadRequest &request);

// The same for a measurement already read; `fileName` names it in the lines.
MeasuredMatch MatchMeasuredLoad(const MeasuredLoadRequest &request, analysis::OnePortData data,
                                const std::string &fileName);

// A termination written as a circuit (--load-circuit, --source-circuit),
// already checked by the option: its points over the band for the fit, as a
// measurement's would be, and its exact impedance in `exact` for every
// figure.
analysis::OnePortData CircuitTermination(const std::string &circuit,
                                         const MeasuredLoadRequest &band,
                                         std::function<std::complex<double>(double)> &exact);

// The window's boxes for a fit: the band as typed, the source and fitted
// resistances as the high and low port (a series kind's resistance below the
// source is the low-impedance port, a shunt kind's above it the high), the
// kind, and its L (nH) or C (pF) absorbed; values to six significant digits.
DesignInputs InputsForFit(const analysis::LoadFit &fit, double sourceOhms,
                          const MeasuredLoadRequest &request);

// The analysis options of the settings, into the outcome's measured load when
// it has one.
analysis::AnalysisOptions AnalysisOptionsFor(const CalculateOutcome &outcome,
                                             const AnalysisSettings &settings);

} // namespace tevmar::session
