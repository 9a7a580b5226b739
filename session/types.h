#pragma once

// The engine's and the analysis' types and names that the front ends work
// with, named here so that the window and tevmar-cli see session/ alone.

#include "analysis/candidates.h"
#include "analysis/eseries.h"
#include "analysis/monte_carlo.h"
#include "analysis/network_analysis.h"
#include "analysis/sweep.h"
#include "analysis/tune_design.h"
#include "analysis/tuner.h"
#include "analysis/two_port.h"
#include "engine/absorption.h"
#include "engine/design_inputs.h"
#include "engine/lenient_number.h"

namespace tevmar::session {

using analysis::Band;
using analysis::BandOf;
using analysis::CandidateSet;
using analysis::ChipCapacitor;
using analysis::ChipInductor;
using analysis::Complex;
using analysis::DefaultSweep;
using analysis::ESeries;
using analysis::Evaluate;
using analysis::kDefaultYieldVswrFactor;
using analysis::kHighestRangeLimit;
using analysis::kLowestRangeLimit;
using analysis::kMaxTrials;
using analysis::NetworkAnalysis;
using analysis::ParseSeries;
using analysis::PartRanges;
using analysis::QModel;
using analysis::SeriesName;
using analysis::SParameters;
using analysis::SweepPlan;
using analysis::SweepPoint;
using analysis::TunedNetwork;
using analysis::VswrOf;

} // namespace tevmar::session
