#pragma once

// The matching network a run produced, alone (no terminations, no absorbed
// load, no measured data), for scripts that take it further: its parts and
// its S-parameters, each port referred to its own termination as the
// Touchstone 2.0 export refers them.

#include "session/run/run.h"

#include <complex>
#include <optional>
#include <string>
#include <vector>

namespace tevmar::session {

// The network the run's Touchstone and SPICE files describe, as built: the
// tuned network on kit parts or on standard values when there is one, else
// the tuned network, else the design's full-precision network (with the part
// models and pads when the run was analysed with them). Empty without a
// design or a tuning.
std::optional<analysis::Network> NetworkOf(const Outcome &outcome);

// The design's worst in-band |S11| into the true load: into the measured data
// when there is some (the built network's figure), else the closed-form one.
double DesignGammaMax(const Outcome &outcome);

// The worst in-band |S11| of NetworkOf's network into the true load: the
// tuned network's own figure, else the design's as built, else the design's.
double NetworkGammaMax(const Outcome &outcome);

// S11, S21, S12, S22 at one frequency.
struct TwoPortS
{
    std::complex<double> s11, s21, s12, s22;
};

// The most frequencies one call computes: the points and an array made of
// them stay near 130 MB. A longer sweep is asked for in blocks.
inline constexpr std::size_t kMaxNetworkFrequencies = 1'000'000;

// Why `count` frequencies are too many for one call, or empty.
std::string TooManyFrequencies(std::size_t count);

// The network's S-parameters at each frequency, port 1 referred to the
// high-impedance termination and port 2 to the low-impedance one. Throws
// std::invalid_argument for a frequency that is not positive and finite, and
// for more than kMaxNetworkFrequencies of them (before computing any).
std::vector<TwoPortS> NetworkSParameters(const analysis::Network &network,
                                         const std::vector<double> &frequenciesHz);

} // namespace tevmar::session
