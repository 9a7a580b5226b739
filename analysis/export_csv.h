#pragma once

// The sweep as comma-separated values, one row per frequency.

#include "analysis/two_port.h"

#include <string>
#include <vector>

namespace tevmar::analysis {

// One network of the table; its columns are headed "<name>_s11_db",
// "<name>_vswr" and "<name>_insertion_loss_db".
struct CsvNetwork
{
    std::string name; // "full", "printed", "snapped", ...
    Ladder ladder;
    LossModel losses;
};

// Header line "frequency_hz,..." and one line per frequency, the frequency in
// plain digits and every figure in its shortest round-trip form. Lines end with LF.
std::string SweepCsv(const std::vector<CsvNetwork> &networks,
                     const std::vector<double> &frequenciesHz);

} // namespace tevmar::analysis
