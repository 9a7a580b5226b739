#pragma once

// The re-tuned network of a design, shared by both front ends: the analysis
// its files are written from, and what the Response window shows of it. The
// tune takes tens of milliseconds, so the window runs it off the GUI thread
// and may drop it by raising the stop flag.

#include "analysis/search/kit_search.h"
#include "analysis/search/tune_design.h"
#include "session/run/study.h"
#include "session/views/response.h"

#include <atomic>
#include <optional>
#include <string>
#include <vector>

namespace tevmar::session {

// The tuned network as designed: its values at full precision and as
// printed, beside the figures of the design tuning started from (the relaxed
// design's, where it started from one) and the Bode-Fano limit of the true
// load. `design` is the outcome that was tuned.
analysis::DesignedNetwork TunedDesign(const analysis::TunedNetwork &tuned,
                                      const CalculateOutcome &design);

// The analysis the tuned network's files are written from: TunedDesign
// analysed as any design, with the standard values the neighbour search found
// in place of plain snapping.
analysis::NetworkAnalysis TunedAnalysis(const analysis::TunedNetwork &tuned,
                                        const CalculateOutcome &design,
                                        const analysis::AnalysisOptions &options);

struct TunedResponse
{
    std::string problem;    // why there is no tuned network; empty when there is one
    bool cancelled = false; // the stop flag ended the tune
    std::optional<analysis::TunedNetwork> tuned;
    // The tuned network's own figures under the window's settings: its
    // sensitivity, and its finite Q and tolerance trials where set.
    std::optional<analysis::NetworkAnalysis> figures;
    // The tuned figures and values as plain lines.
    std::vector<std::string> lines;
    // With a kit: the tuned network on the kit's parts.
    std::optional<analysis::KitChoice> kit;
};

// Tunes the design (or, where it has no solution, the relaxed design with the
// true load) on the window's standard series; a picked candidate is its own
// tune, found with it. `stop`, when raised from
// another thread, ends the tune early with `cancelled` set. `study` keeps
// the tune and its kit parts for the next ask with the same inputs.
TunedResponse TuneForWindow(Study &study, const CalculateOutcome &design,
                            const ResponseSettings &settings,
                            const std::atomic<bool> *stop = nullptr);
// The same, in a study of its own.
TunedResponse TuneForWindow(const CalculateOutcome &design, const ResponseSettings &settings,
                            const std::atomic<bool> *stop = nullptr);

// Puts a tune's networks into a response of the same design: their curves at
// the response's frequencies ("Tuned", and with a series "Tuned, E24
// values"), which the plot, the Smith chart and the markers then show like
// the others, and their figures beside the design's.
// With `figures`, the tuned network's sensitivity, finite Q and tolerance
// rows join the design's.
// With `kit`, the tuned network on kit parts joins them ("Tuned, kit parts").
void AddTuned(Response &response, const analysis::TunedNetwork &tuned,
              const analysis::NetworkAnalysis *figures = nullptr,
              const analysis::KitChoice *kit = nullptr);

// One row of the tuned values table: the part, its starting value, tuned
// (marked "(range limit)" where the part ended at a limit of its range), and
// tuned on the series when there is one (else empty); three decimals as the
// report prints values, the series' own digits for standard values.
struct TunedValueRow
{
    std::string part; // "L1"
    std::string design;
    std::string tuned;
    std::string standard;
};

// With `kit`, the last column is each part's kit part ("LQW15_2N7 (2.7 nH)").
std::vector<TunedValueRow> TunedValueRows(const analysis::TunedNetwork &tuned,
                                          const analysis::KitChoice *kit = nullptr);

// The tune's lines and its values table as tab-separated text, for the
// clipboard; empty without a tuned network.
std::string TunedValuesText(const TunedResponse &tuned);

} // namespace tevmar::session
