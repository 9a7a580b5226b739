#pragma once

// What the Response window shows of a design, computed without Qt: the sweep
// of the network built from full-precision values, from the values as printed
// and (when asked) from standard values, and the figures beside the plot.

#include "analysis/figures/goal.h"
#include "analysis/figures/network_analysis.h"
#include "analysis/search/tuner.h"
#include "session/options/analysis_settings.h"
#include "session/run/calculation.h"

#include <atomic>
#include <optional>
#include <string>
#include <vector>

namespace tevmar::session {

class Study;

// Several bands at once in the Response window, as the boxes hold them and
// as read with the command line's --band and --reject (ReadResponseBands).
struct ResponseBands
{
    std::string bandsText, rejectText; // as typed
    analysis::Goal goal;               // empty: the main window's one band
    // The lowest passband's lower edge and the highest one's upper edge, as
    // written: the band the candidates' starting design is made for.
    std::string f1Text, f2Text;

    bool several() const { return !goal.empty(); }
    friend bool operator==(const ResponseBands &, const ResponseBands &) = default;
};

// The engineer's choices in the Response window. The exports from the window
// use the same choices, so that a file holds what the window shows.
struct ResponseSettings
{
    // Sweep from half the lower band edge to twice the upper, following each
    // new design; otherwise from fromGhz to toGhz.
    bool sweepFollowsBand = true;
    double fromGhz = 0.5;
    double toGhz = 4.0;
    int points = kDefaultSweepPoints;
    bool logarithmic = true;

    std::optional<analysis::ESeries> eseries;    // no snapped network when absent
    std::optional<double> inductorQ, capacitorQ; // ideal parts when absent
    analysis::QModel qModel = analysis::QModel::Centre;
    // Chip models of the parts and the pads; ideal parts, no pads when absent.
    std::optional<analysis::ChipInductor> inductorChip;
    std::optional<analysis::ChipCapacitor> capacitorChip;
    double padPf = 0;
    // A folder of measured parts (a kit): the candidates and the tune are put
    // on its parts, as tevmar-cli's --parts does. Empty: no kit.
    std::string partsFolder = {};
    // How far above the band's top a part's resonance must lie, percent:
    // the chip models' value ranges and the kit's parts follow it.
    double srfMarginPercent = analysis::kDefaultSrfMarginPercent;
    // Several bands matched at once: only the candidates run, ranked over
    // every band, and the views mark each band. Empty: the design's band.
    ResponseBands bands = {};

    double tolerancePercent = kDefaultTolerancePercent;
    int trials = kDefaultTrials;
    // The trials' pass limit; absent: the design's maximum VSWR x 1.1.
    std::optional<double> yieldVswr;

    // Re-tune the network's values for the least in-band |S11| and show the
    // tuned network beside the design's (on the standard series, when one is set).
    bool tune = false;
    // The values a tuned part may take (the chip range by default).
    analysis::PartRanges tuneRanges;

    friend bool operator==(const ResponseSettings &, const ResponseSettings &) = default;
};

// Limits of the window's controls: enough for any practical look at a design,
// small enough that every change still redraws at once. The trials run apart
// from the curves, with a progress bar and a way to cancel them, so they may
// go as far as the command line's.
constexpr int kMinResponsePoints = 2;
constexpr int kMaxResponsePoints = 20001;
constexpr int kMaxResponseTrials = analysis::kMaxTrials;
// The resonance margin's box reaches as far as --srf-margin does.
constexpr double kMaxResponseSrfMarginPercent = analysis::kHighestSrfMarginPercent;

// The window's choices as analysis settings: the tolerance trials always run.
AnalysisSettings AnalysisSettingsOf(const ResponseSettings &settings);

// Why the settings cannot be computed for this band, or empty.
std::string SettingsProblem(const ResponseSettings &settings, const analysis::Band &band);
// The same over a design's band.
std::string SettingsProblem(const ResponseSettings &settings, const CalculateOutcome &design);

// A re-tuned network's name ("Tuned", "Tuned, E24 values") and its in-band
// maximum |S11|, as its row in the figures table shows it.
struct TunedFigure
{
    std::string name;
    double gammaMax = 0;
};

// Which network a curve is of, so that every view draws it alike.
enum class CurveRole {
    Full,          // the design's values at full precision
    Printed,       // as the report prints them
    Standard,      // snapped to the standard series
    FittedModel,   // the full-precision network into the fitted model of a measured load
    Tuned,         // re-tuned
    TunedStandard, // re-tuned on the standard series
    Ideal          // the design's values with ideal parts, beside the network as built
};

struct ResponseCurve
{
    std::string name;          // "Full precision", "As printed", "E24 values"
    analysis::Network network; // what the curve is of, for figures between its points
    std::vector<analysis::SweepPoint> points;
    std::vector<double> groupDelayNs; // of S21, one per point
    CurveRole role = CurveRole::Full;
};

// A measured load as the Smith chart shows it, referred to the source's
// resistance: the measured points and the fitted model across the sweep.
struct LoadTraces
{
    double referenceOhms = 50;
    std::vector<double> measuredHz;
    std::vector<analysis::Complex> measuredOhms;
    std::vector<analysis::Complex> modelOhms; // one per Response::frequenciesHz
    std::vector<std::string> fitLines;
    // A measured source and its fit, conjugated as a designer draws the
    // source beside the load: a match puts the network's input on Zs*. The
    // fit is empty for a source taken as its mean resistance.
    std::vector<double> sourceHz;
    std::vector<analysis::Complex> sourceConjugateOhms;
    std::vector<analysis::Complex> sourceModelConjugateOhms; // per Response::frequenciesHz
};

// The shown network with parts stepped by hand: "L1 +5 %", and its figures.
struct SteppedFigures
{
    std::string parts;
    analysis::PassbandFigures figures;
};

struct Response
{
    std::string problem; // why nothing was computed; empty when all is well
    analysis::SweepPlan plan;
    std::vector<double> frequenciesHz;
    std::vector<ResponseCurve> curves; // full precision, as printed, snapped
    // The full-precision network with the parts' loss, when a Q is set: its
    // insertion loss and delay beside the ideal curves.
    std::optional<ResponseCurve> withLosses;
    analysis::NetworkAnalysis analysis;
    // The tolerance trials and the parts' sensitivity were left for
    // RunLaterFigures; their rows read "running" until they arrive in
    // analysis.yield and analysis.sensitivity.
    bool trialsPending = false;
    // The person cancelled those trials: their rows say so, and show no figure.
    bool trialsCancelled = false;
    // The re-tuned networks beside the design's, once a tune run apart has
    // delivered them (AddTuned); until then, with tunePending, a row says so.
    std::vector<TunedFigure> tuned;
    std::optional<analysis::NetworkAnalysis> tunedFigures; // its sensitivity, Q and trials
    bool tunePending = false;
    // For a design made for a fit to a measured load, whose curves are into
    // the data: the load itself, and the network into the fitted model.
    std::optional<LoadTraces> load;
    std::optional<analysis::PassbandFigures> intoFittedModel;
    // A candidate drawn in place of the design ("Candidate 3"): its curve
    // and figures carry its name; there is no textbook figure, nor a network
    // as printed, to set beside it. Empty for a design.
    std::string candidate;
    // Parts stepped by hand (SteppedResponse): which, and the network's figures.
    std::optional<SteppedFigures> stepped;
    // Several bands at once: the bands the drawn candidate was matched over
    // and its figure in each, as the command line gives them. Empty for one
    // band.
    analysis::Goal goal;
    std::vector<analysis::GoalBandFigure> bandFigures;
};

// Whether a frequency lies in a passband the views mark as such: the
// design's band, or with several bands any of the passbands.
bool InPassband(const Response &response, double hz);

// The response of a candidate drawn in place of the design, named so: the
// full-precision curve carries the candidate's name, the as-printed one
// (the same network) goes.
void NameAsCandidate(Response &response, const std::string &name);

// The in-band maximum the frequency panels mark: "design ripple max" for a
// design, "Candidate 3 in-band max" for a candidate drawn in its place.
std::string InBandMaxName(const Response &response);

// Whether ComputeResponse runs the tolerance trials and the sensitivity
// itself, or leaves them for RunLaterFigures (on another thread) so that the
// curves show at once.
enum class Trials { Now, Later };

// With `study`, the design's figures are those it kept when only the sweep
// changed since it last analysed the same design.
Response ComputeResponse(const CalculateOutcome &design, const ResponseSettings &settings,
                         Trials trials = Trials::Now, Study *study = nullptr);

// The tolerance trials' pass limit when the window's is automatic: the drawn
// network's own maximum VSWR x 1.1; 0 without a network.
double AutomaticYieldVswr(const CalculateOutcome &design);

// The figures ComputeResponse left pending: the tolerance trials and each
// part's sensitivity.
struct LaterFigures
{
    analysis::YieldResult yield;
    std::vector<analysis::PartSensitivity> sensitivity;
};

// The figures ComputeResponse left pending, given up once `stop` is set:
// nothing then, or when the settings cannot be computed. With `trialsDone`,
// the trials done so far are counted there for a progress bar.
std::optional<LaterFigures> RunLaterFigures(const std::atomic<bool> &stop,
                                            const CalculateOutcome &design,
                                            const ResponseSettings &settings,
                                            std::atomic<int> *trialsDone = nullptr);

// The network with its true load at each frequency, with its group delay:
// its parts as the network holds them, or with `losses` when those are given.
ResponseCurve CurveOf(std::string name, const analysis::Network &ladder,
                      const std::vector<double> &frequenciesHz,
                      const analysis::LossModel &losses = {}, CurveRole role = CurveRole::Full);

// One line of the figures table: what it is, and either the in-band maximum
// |S11| and VSWR of a network or one value as text. Besides the networks and
// the analyses asked for, the rows name the parts that move the match most
// ("Most sensitive, per +1 %") and any part below 0.1 nH or 0.1 pF
// ("Below chip range").
struct FigureRow
{
    std::string figure;
    std::string gamma; // |S11|, empty when the row has a text
    std::string vswr;
    std::string text;
};

// The first row is the ripple the drawn network was designed for: the
// synthesis's closed-form figure, or a picked candidate's own.
std::vector<FigureRow> FigureRows(const Response &response);

// "Order 8, 1 to 2 GHz, 50 to 10 Ohm, shunt RC 1 pF absorbed": the design in
// one line, from the values the run read.
std::string DesignSummary(const CalculateOutcome &design);

} // namespace tevmar::session
