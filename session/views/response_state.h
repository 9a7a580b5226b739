#pragma once

// What the Response window shows and works from, kept apart from its
// widgets: the engineer's settings, the network drawn and the candidates
// found for it, the response as computed and as stepped by hand, the tune of
// the network drawn and the study every background search asks. The window
// holds one of these and turns it into pictures and tables.

#include "session/run/study.h"
#include "session/run/tuning.h"
#include "session/views/amplifier_side.h"
#include "session/views/candidate_view_state.h"
#include "session/views/drag.h"
#include "session/views/part_choice.h"
#include "session/views/part_steps.h"
#include "session/views/response.h"

#include <memory>
#include <optional>
#include <string>

namespace tevmar::session {

struct ResponseState
{
    ResponseSettings settings;
    CandidateViewState view; // which network is drawn: the design or a candidate
    // What the main window last gave: its design, or inputs without one.
    // Several bands start their candidates from it; without bands it is
    // drawn again.
    std::optional<CalculateOutcome> given;
    Response response; // as shown: with the steps made by hand
    Response drawn;    // as computed for the network drawn, before the steps
    PartSteps steps;
    ValueHistory history; // the values before each change by hand, for Undo
    PartChoice partChoice;
    // An amplifier's side drawn in place of a design: figured as built
    // between its terminations (AmplifierSideSettings), its files its own.
    std::optional<AmplifierSideNetwork> side;
    bool stale = false;         // the design drawn is not the boxes' any more
    std::string stepsKitFolder; // the kit the steps were set up with

    // The tune of the network drawn, and the settings it was (or is being)
    // found under.
    std::optional<TunedResponse> tuned;
    std::optional<analysis::ESeries> tunedSeries;
    analysis::PartRanges tunedRanges;
    ResponseSettings tunedParts;

    // Shared with the searches running apart, which may outlive the window.
    std::shared_ptr<Study> study = std::make_shared<Study>();

    // Whether the tune found (or being found) still answers the settings:
    // the same series, ranges and parts as built.
    bool TuneFollowsSettings() const;
    // A tune starts under the current settings: the one before is dropped.
    void TuneStarted();
    // The settings the network drawn is figured under: the engineer's, or
    // for an amplifier's side those a side takes.
    ResponseSettings Shown() const;
};

// The parts as built are the same: their Q, chip models, pads and kit.
bool SameParts(const ResponseSettings &a, const ResponseSettings &b);

} // namespace tevmar::session
