#pragma once

#include "engine/design_result.h"
#include "engine/design_state.h"
#include "engine/window_services.h"
#include "report/report_sink.h"

namespace tevmar {

// The design run started by the Calculate command: reads the window's inputs,
// solves the Chebyshev impedance-transforming prototype, computes the passband
// loss and VSWR, synthesises the bandpass network and writes the report to the
// output pane and to `report`. On failure it writes "  SOLUTION OUT OF RANGE"
// into Error_text, leaves the pane empty and writes nothing to `report`.
// If the report cannot be saved, the pane still shows it and Error_text says
// "  REPORT NOT SAVED".
DesignResult Calc_BP_Click(WindowServices &window, DesignState &state, ReportSink &report);

} // namespace tevmar
