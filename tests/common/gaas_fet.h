#pragma once

// A GaAs FET's two-port data, S against 50 ohms from 3 to 5 GHz: potentially
// unstable at 3 and 3.5 GHz, unconditionally stable from 3.9 GHz up. The
// amplifier's tests, its window's and its pictures all design for it.

#include <string>

namespace tevmar::test {

inline constexpr const char *kGaasFetNetworkData = "# GHz S MA R 50\n"
                                                   "3.0 0.80 -95 3.10 88 0.025 62 0.78 -44\n"
                                                   "3.5 0.76 -106 2.85 82 0.028 60 0.75 -49\n"
                                                   "3.9 0.73 -114 2.65 77 0.030 57 0.73 -53\n"
                                                   "4.0 0.72 -116 2.60 76 0.030 57 0.73 -54\n"
                                                   "4.1 0.71 -118 2.55 75 0.031 56 0.72 -55\n"
                                                   "4.5 0.68 -126 2.35 70 0.033 54 0.70 -59\n"
                                                   "5.0 0.64 -136 2.12 64 0.036 52 0.67 -64\n";

// Its noise parameters (Touchstone 1.1: Rn normalised to 50 ohms) at 4 and 5 GHz.
inline constexpr const char *kGaasFetNoiseFrom4GHz = "4.0 1.6 0.62 100 0.4\n"
                                                     "5.0 1.8 0.58 115 0.36\n";

// The file with noise parameters at 3, 4 and 5 GHz.
inline const std::string kGaasFet =
    std::string(kGaasFetNetworkData) + "3.0 1.4 0.66 85 0.45\n" + kGaasFetNoiseFrom4GHz;

} // namespace tevmar::test
