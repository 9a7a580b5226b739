#pragma once

// The reflected power of a lossless ladder and its sensitivity to every
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
double ReflectedPower(const Network &ladder, double frequencyHz, std::span<double> byLogValue = {});

} // namespace tevmar::analysis
