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

// NetworkOf's network between the terminations it was matched to: a measured
// load (or one written as a circuit) and a measured source stand at their
// ports, as in the tuned network and the candidates. The files describe the
// network alone and take NetworkOf's.
std::optional<analysis::Network> TerminatedNetworkOf(const Outcome &outcome);

// The design's worst in-band |S11| into the true load: into the measured data
// when there is some (the built network's figure), else the closed-form one.
double DesignGammaMax(const Outcome &outcome);

// The worst in-band |S11| of NetworkOf's network into the true load: the
// tuned network's own figure, else the design's as built, else the design's.
double NetworkGammaMax(const Outcome &outcome);

// S11, S21, S12, S22 at one frequency, and the impedance each port is
// referred to there.
struct TwoPortS
{
    std::complex<double> s11, s21, s12, s22;
    std::complex<double> z1 = 0, z2 = 0;
};

// The most frequencies one call computes: the points and an array made of
// them stay near 130 MB. A longer sweep is asked for in blocks.
inline constexpr std::size_t kMaxNetworkFrequencies = 1'000'000;

// Why `count` frequencies are too many for one call, or empty.
std::string TooManyFrequencies(std::size_t count);

// The network's S-parameters at each frequency, each port referred to the
// termination that really stands there: port 1 to the high-impedance
// resistance and port 2 to the low-impedance one, and a port that a measured
// load or source (or one written as a circuit) terminates to that
// termination's impedance at the frequency, as power waves. A fitted model's
// resistance is never a reference: the network is matched to the data, and
// between the data its S11 is the reflection the source sees. Throws
// std::invalid_argument for a frequency that is not positive and finite, and
// for more than kMaxNetworkFrequencies of them (before computing any).
std::vector<TwoPortS> NetworkSParameters(const analysis::Network &network,
                                         const std::vector<double> &frequenciesHz);

} // namespace tevmar::session
