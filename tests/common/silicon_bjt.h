#pragma once

// A silicon BJT's two-port data, S against 50 ohms from 0.5 to 4 GHz:
// potentially unstable at every point (K 0.35 to 0.44 over 1.5 to 2.3 GHz, MSG
// 21.5 dB at 1.9 GHz), most so at the low end where its gain is highest. The
// amplifier's stability tests design for it.

namespace tevmar::test {

inline constexpr const char *kSiliconBjt = "# GHz S MA R 50\n"
                                           "0.5 0.791 -115 9.086 131 0.0220 58 0.608 -30\n"
                                           "0.8 0.786 -124 8.013 120 0.0256 56 0.600 -33\n"
                                           "1 0.782 -130 7.419 112 0.0280 54 0.595 -35\n"
                                           "1.2 0.778 -136 6.903 104 0.0304 52 0.590 -37\n"
                                           "1.5 0.773 -145 6.244 93 0.0340 50 0.583 -40\n"
                                           "1.7 0.769 -151 5.867 85 0.0364 48 0.578 -42\n"
                                           "1.9 0.766 -157 5.531 78 0.0388 47 0.573 -44\n"
                                           "2.1 0.762 -163 5.230 70 0.0412 45 0.568 -46\n"
                                           "2.3 0.759 -169 4.959 63 0.0436 44 0.562 -48\n"
                                           "2.6 0.753 -178 4.600 51 0.0472 41 0.555 -51\n"
                                           "3 0.746 170 4.192 36 0.0520 38 0.545 -55\n"
                                           "3.5 0.737 155 3.771 17 0.0580 34 0.532 -60\n"
                                           "4 0.728 140 3.425 -2 0.0640 30 0.520 -65\n";

} // namespace tevmar::test
