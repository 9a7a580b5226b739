#pragma once

// The sweep as comma-separated values, one row per frequency.

#include "analysis/two_port.h"

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

// Header line "frequency_hz,..." and one line per frequency, the frequency in
// plain digits and every figure in its shortest round-trip form: first the
// |S11|, VSWR and insertion loss columns of every network, then the S21 phase
// and group delay columns of every network. Lines end with LF.
std::string SweepCsv(const std::vector<CsvNetwork> &networks,
                     const std::vector<double> &frequenciesHz);

} // namespace tevmar::format
