#pragma once

// The engine's and the analysis' types and names that the front ends work
// with, named here so that the window and tevmar-cli see session/ alone.

#include "analysis/search/candidates.h"
#include "analysis/model/eseries.h"
#include "analysis/figures/monte_carlo.h"
#include "analysis/figures/network_analysis.h"
#include "analysis/figures/sweep.h"
#include "analysis/search/tune_design.h"
#include "analysis/search/tuner.h"
#include "analysis/model/two_port.h"
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
