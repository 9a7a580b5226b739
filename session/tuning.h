#pragma once

// The re-tuned network of a design, shared by both front ends: the analysis
// its files are written from, and what the Response window shows of it. The
// tune takes tens of milliseconds, so the window runs it off the GUI thread
// and may drop it by raising the stop flag.

#include "analysis/tune_design.h"
#include "session/response.h"

#include <atomic>
#include <optional>
#include <string>
#include <vector>

namespace tevmar::session {

// The analysis the tuned network's files are written from: `tunedResult`
// (TunedDesignResult) analysed as any design, with the standard values the
// neighbour search found in place of plain snapping.
analysis::NetworkAnalysis TunedAnalysis(const analysis::TunedNetwork &tuned,
                                        const DesignResult &tunedResult,
                                        const analysis::AnalysisOptions &options);

struct TunedResponse
{
    std::string problem;    // why there is no tuned network; empty when there is one
    bool cancelled = false; // the stop flag ended the tune
    std::optional<analysis::TunedNetwork> tuned;
    // At the Response window's sweep: "Tuned", and with a series "Tuned, E24 values".
    std::vector<ResponseCurve> curves;
    // The tuned figures and values as plain lines, for a copyable table.
    std::vector<std::string> lines;
};

// Tunes the design (or, where it has no solution, the relaxed design with the
// true load) on the window's standard series, and sweeps the result as the
// window sweeps the design. `stop`, when raised from another thread, ends the
// tune early with `cancelled` set.
TunedResponse TuneForWindow(const CalculateOutcome &design, const ResponseSettings &settings,
                            const std::atomic<bool> *stop = nullptr);

} // namespace tevmar::session
