#pragma once

// One study of a match, as every front end runs it: the design, its tune,
// the candidate networks, the networks put on a kit's parts, the figures
// of the network shown and a transistor's amplifier, each a stage that the command line, the
// Response window and Python ask for alike. A stage asked again with the inputs it last ran with
// gives what it found then instead of searching again, so that the window, which asks on every
// change of a setting, searches only when the change concerns the search. Every search reads a stop
// flag between its steps; a stopped stage throws analysis::TuneCancelled and keeps nothing.
//
// A study may be asked from several threads at once (the window's tune and
// candidates run apart): each stage's memory is guarded, and two threads
// asking the same new thing both search.

#include "analysis/figures/network_analysis.h"
#include "analysis/search/candidates.h"
#include "analysis/search/kit_search.h"
#include "analysis/search/tune_design.h"
#include "session/run/amplifier.h"
#include "session/run/calculation.h"

#include <array>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace tevmar::session {

enum class Stage { Design, Tune, Candidates, Kit, Analysis, Amplifier };
inline constexpr std::size_t kStageCount = 6;

// What a tune and the candidates search under: the standard series the
// values are put on (none on a kit, whose parts take its place), the values
// a part may take and the parts as built.
struct SearchChoices
{
    std::optional<analysis::ESeries> series;
    analysis::PartRanges ranges;
    analysis::LossModel built;
    // Several bands at once (see Request::goal); empty: the design's band.
    analysis::Goal goal = {};
};

// The candidates put on a kit's parts: the set ranked again by in-band loss
// and each candidate's kit parts, in the set's new order.
struct CandidatesOnKit
{
    analysis::CandidateSet set;
    std::vector<analysis::KitChoice> choices;
};

class Study
{
  public:
    // The design of the boxes as typed, with its report lines and boxes.
    CalculateOutcome Design(const DesignInputs &inputs);

    // The design (or, without a solution, the relaxed design with the true
    // load) re-tuned into the true load; empty when there is nothing to
    // tune. A candidate drawn in place of the design is its own tune.
    std::optional<analysis::TunedNetwork> Tune(const CalculateOutcome &design,
                                               const SearchChoices &choices,
                                               const std::atomic<bool> *stop = nullptr);

    // Every candidate for the design's load, tuned into it, best first.
    // Throws std::invalid_argument for inputs no candidate can be built for.
    analysis::CandidateSet Candidates(const CalculateOutcome &design, const SearchChoices &choices,
                                      const std::atomic<bool> *stop = nullptr,
                                      std::function<void(int done, int total)> progress = {});

    // The kit of `folder` for a band: read again only when the band, the
    // folder or its files changed.
    analysis::KitReading Kit(const std::string &folder, const analysis::Band &band,
                             double srfMarginPercent);

    // The tune of (design, choices) put on `folder`'s kit read for `band`.
    analysis::KitChoice TunedOnKit(const CalculateOutcome &design, const SearchChoices &choices,
                                   const analysis::TunedNetwork &tuned, const std::string &folder,
                                   const analysis::Kit &kit,
                                   const std::atomic<bool> *stop = nullptr);

    // The candidates of (design, choices) put on `folder`'s kit.
    CandidatesOnKit CandidatesOnKitParts(const CalculateOutcome &design,
                                         const SearchChoices &choices,
                                         const analysis::CandidateSet &set,
                                         const std::string &folder, const analysis::Kit &kit,
                                         const std::atomic<bool> *stop = nullptr);

    // The figures of the network `design` shows, under `options`.
    analysis::NetworkAnalysis Analyse(const CalculateOutcome &design,
                                      const analysis::DesignedNetwork &network,
                                      const analysis::AnalysisOptions &options);

    // Both networks of an amplifier over f1Text..f2Text (RunAmplifier),
    // designed again only when a setting, the band, the device's data or a
    // file the run reads (the device's, a measured source's or load's, the
    // kit folder's) changed since the last ask. A design stopped by `stop`
    // throws analysis::TuneCancelled and is not kept.
    AmplifierRun Amplifier(const AmplifierInput &input, const std::string &f1Text,
                           const std::string &f2Text, const std::atomic<bool> *stop = nullptr);

    // How many times a stage has computed rather than reused.
    int runs(Stage stage) const;

    struct Memory; // each stage's inputs and findings, kept for the next ask

    Study();
    ~Study();
    Study(const Study &) = delete;
    Study &operator=(const Study &) = delete;

  private:
    void Count(Stage stage);

    std::unique_ptr<Memory> memory_;
    mutable std::mutex mutex_;
    std::array<int, kStageCount> runs_{};
};

} // namespace tevmar::session
