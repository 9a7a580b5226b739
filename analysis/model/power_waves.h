#pragma once

// S-parameters of a two-port between complex terminations. A matched network
// stands between a source and a load that are rarely plain resistances: a
// measured antenna, a power amplifier's output. Referred to those impedances
// as power waves, a = (V + Z I) / (2 sqrt(Re Z)) and b = (V - Z* I) /
// (2 sqrt(Re Z)) at each port (I into the network), S11 is the reflection the
// source sees, (Zin - Z1*) / (Zin + Z1), and |S21|^2 the transducer gain from
// a source of Z1 into a load of Z2. For real Z1 and Z2 these are the usual
// S-parameters between resistances.

#include "analysis/model/two_port.h"

namespace tevmar::analysis {

// The S-parameters of the chain matrix m between port impedances z1 (port 1)
// and z2 (port 2), ohms. A termination with no resistance takes no power:
// S21 and S12 are then 0.
SParameters PowerWaveSParameters(const Abcd &m, Complex z1, Complex z2);

} // namespace tevmar::analysis
