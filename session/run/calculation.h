#pragma once

// What one press of Calculate does, for the window and the command line alike:
// the design, its report lines, the report file, and what the window's boxes
// show afterwards.

#include "analysis/model/designed_network.h"
#include "analysis/readers/measured_load.h"
#include "analysis/search/load_fit.h"
#include "analysis/search/tune_design.h"
#include "engine/design_inputs.h"
#include "engine/design_result.h"
#include "report/report_lines.h"

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tevmar::session {

inline constexpr const char *kOutOfRangeMessage = "  SOLUTION OUT OF RANGE";
inline constexpr const char *kReportNotSavedMessage = "  REPORT NOT SAVED";

// The boxes a Calculate rewrites.
struct BoxUpdates
{
    std::string errorText;                 // the error box: empty, or why there is no design
    std::string errorReason;               // without a design, what in the inputs stops it
    std::string unitPrompt;                // the prompt beside the absorbed value
    std::optional<std::string> absorbText; // the absorbed value's box, when rewritten
};

enum class ReportSaving {
    NotAsked, // the outcome was computed without a report file
    Saved,
    NotSaved,  // the design stands, but the report file keeps its previous contents
    Untouched, // no design: the report file keeps the previous design's report
};

// Where the network an outcome shows came from: the synthesis's element
// table, a tune of it, one of the candidates, a network on a kit's parts or
// one side of an amplifier. Views name and figure a network by this alone.
enum class NetworkSource { Synthesis, Tuned, Candidate, Kit, AmplifierSide };

struct NetworkOrigin
{
    NetworkSource source = NetworkSource::Synthesis;
    // A candidate's place among the candidates (1 = the best), its
    // topology's name and its part count; 0 and empty for other sources.
    int rank = 0;
    std::string topology;
    int parts = 0;
    // The tune the network is, for a tuned network and for a candidate (it
    // was tuned into the true load when it was found).
    std::optional<analysis::TunedNetwork> tune;

    bool candidate() const { return source == NetworkSource::Candidate; }
};

struct CalculateOutcome
{
    DesignInputs inputs; // as typed
    DesignResult result;
    // The network every figure, view and export is computed from: the
    // synthesis's element table turned into networks once, with the design's
    // closed-form figures; the picked candidate's own when one is drawn.
    // Unset without a design.
    std::optional<analysis::DesignedNetwork> network;
    std::string networkProblem; // why a solved design has no network, if ever
    NetworkOrigin origin;       // where `network` came from
    ReportLines report;         // both empty when there is no design
    BoxUpdates boxes;
    ReportSaving saving = ReportSaving::NotAsked;
    std::string reportError; // why the report was not saved
    // Set when the design was made for a fit to a measured load: the figures
    // of this outcome are then into the data (see measured_match.h).
    std::shared_ptr<const analysis::MeasuredLoad> measuredLoad = nullptr;
    // With a measured load: the file it was read from and its fit of every
    // load kind, as lines.
    std::string measuredLoadFile;
    std::string measuredSourceFile; // with a measured source, as measuredLoadFile
    // The measured source's fit, for the Smith chart; unset for a source
    // taken as its mean resistance.
    std::optional<analysis::LoadFit> measuredSourceFit;
    std::vector<std::string> fitLines;

    bool solved() const { return result.solved; }
};

// The network an outcome's figures are computed from. Throws
// std::invalid_argument when it has none (no design, or a table the
// analysis cannot build a network from).
const analysis::DesignedNetwork &DesignedOf(const CalculateOutcome &outcome);

// The design, its report lines and the boxes, without touching any file.
CalculateOutcome Calculate(const DesignInputs &inputs);

// Saves the report of a solved design to `reportPath`; without a design the
// file is left untouched. A failed save keeps the pane's lines and says
// "  REPORT NOT SAVED" in the error box.
void SaveReport(CalculateOutcome &outcome, const std::filesystem::path &reportPath);

// Calculate, then SaveReport: what the Calculate command does.
CalculateOutcome Calculate(const DesignInputs &inputs, const std::filesystem::path &reportPath);

} // namespace tevmar::session
