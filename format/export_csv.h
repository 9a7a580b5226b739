#pragma once

// The sweep as comma-separated values, one row per frequency.

#include "analysis/model/two_port.h"

#include <string>
#include <vector>

namespace tevmar::format {

// One network of the table, with the true load at its port; its columns are
// headed "<name>_s11_db", "<name>_vswr", "<name>_insertion_loss_db",
// "<name>_s21_phase_deg" and "<name>_group_delay_ns".
struct CsvNetwork
{
    std::string name;         // "full", "printed", "snapped", ...
    analysis::Network ladder; // with its parts' loss, if any
};

// Whether a network's figures at a frequency are into its measured
// terminations: those known exactly (a circuit) everywhere, measured data
// from their first to their last point. Beyond the data the fitted model
// stands in, since the data's end values held flat describe no load.
bool IntoMeasuredData(const analysis::Network &ladder, double frequencyHz);

// Header line "frequency_hz,..." and one line per frequency, the frequency in
// plain digits and every figure in its shortest round-trip form: first the
// |S11|, VSWR and insertion loss columns of every network, then the S21 phase
// and group delay columns of every network. Lines end with LF. Networks into
// measured terminations are swept into the data where the data reach and
// into the fitted model beyond; a last column "termination" then says which
// each row is ("measured", or "fitted_model" beyond the data).
std::string SweepCsv(const std::vector<CsvNetwork> &networks,
                     const std::vector<double> &frequenciesHz);

} // namespace tevmar::format
