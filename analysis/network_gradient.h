#pragma once

// The reflected power of a ladder and its sensitivity to every
// element, in one forward and one backward pass through the ABCD cascade.

#include "analysis/network.h"

#include <span>

namespace tevmar::analysis {

// |S11|^2 at port 1 of the ladder between its own terminations into the true
// load (an absorbed reactance at its port), ideal parts; with a measured load,
// the reflection at the source's port into the data (as Evaluate has it). When `byLogValue` is
// not empty (it then holds one entry per part of `ladder.parts`), it
// receives d|S11|^2 / d ln(value) of each part: the change per relative change
// of the part, the natural scale for values spanning decades. The load's
// reactance is fixed and has no entry.
// Lossy parts, chip models and pads are followed exactly (a gradient through
// each part's own log-derivative); ideal parts take the faster pass.
double ReflectedPower(const Network &ladder, double frequencyHz, std::span<double> byLogValue = {});

// The share of the source's available power that does not reach the load,
// 1 - G_T, and its derivatives likewise: what a tuner minimises when parts
// are lossy, since a lossy network can look matched by burning the power.
// For ideal parts it is |S11|^2 exactly as ReflectedPower gives it.
double LostPower(const Network &ladder, double frequencyHz, std::span<double> byLogValue = {});

} // namespace tevmar::analysis
