#pragma once

// The result document's parts as trees, built from an outcome's networks and
// fits by the writers the document itself is made with: for a front end that
// hands them on as values of its own (the Python module's dicts and lists)
// rather than as text to be read back.

#include "format/amplifier_report.h"
#include "format/json_number.h"
#include "session/run/run.h"

#include <string>

namespace tevmar::session {

using ResultTree = format::Json;

// The design's element table from port 1 (terminations and an absorbed load
// included, each part named as the SPICE netlist names it); null without a
// design.
ResultTree DesignElementsTree(const Outcome &outcome);

// The measured load's file, fits and the fit designed for; null without one.
ResultTree MeasuredLoadTree(const Outcome &outcome);

// The measured source's file, fits and the resistance designed for, as the
// document's "measuredSource" gives them, with "dataUsedDirectly" always
// present (false where the fit is used), as the load's tree has it; null
// without a measured source.
ResultTree MeasuredSourceTree(const Outcome &outcome);

// The tuned network: starting and tuned values, standard values, figures, and
// the kit parts chosen for it where there is a kit; null when nothing was tuned.
ResultTree TunedTree(const Outcome &outcome);

// The tuned network's kit parts from its port 1, each with its part number;
// null without a kit.
ResultTree TunedKitElementsTree(const Outcome &outcome);

// The candidates, best first, parts from the source's side, on the kit parts
// chosen for each where there is a kit; an empty list without a search.
ResultTree CandidatesTree(const Outcome &outcome);

// What the amplifier's document is written from.
format::AmplifierReport AmplifierReportOf(const AmplifierInput &input,
                                          const AmplifierOutcome &amplifier);

// The amplifier's document as a tree; null without an amplifier.
ResultTree AmplifierTree(const Request &request, const Outcome &outcome);

// The transistor's document as a tree; null without a device.
ResultTree DeviceTree(const Outcome &outcome);

// A document's text as tevmar-cli writes it.
std::string ResultText(const ResultTree &tree);

// The design's figures as the analysis options of `request` ask for them,
// worked out now where the run did not need them (a plain design shows the
// pane lines alone); nothing without a design.
void AnalyseDesign(const Request &request, Outcome &outcome);

// The document tevmar-cli --json writes for `request`: the run's own when it
// rendered one (a file piped to standard output does not take its place),
// else the plain design's, analysed now.
std::string ResultDocument(const Request &request, Outcome &outcome);

} // namespace tevmar::session
