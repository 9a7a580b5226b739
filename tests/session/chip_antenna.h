#pragma once

// A measured load for the tests: a 2.4 GHz chip antenna that behaves as 18
// ohms in series with 1.2 nH, with 0.2 pF across its pads, as a network
// analyser's one-port file (S11 against 50 ohms, real and imaginary parts).

#include <charconv>
#include <cmath>
#include <complex>
#include <numbers>
#include <string>

namespace tevmar::test_files {

// From lowGhz to highGhz in steps of stepMhz; every number written with
// `digits` significant digits, or in its shortest exact form when 0.
inline std::string ChipAntennaS1p(double lowGhz = 2.0, double highGhz = 3.0, double stepMhz = 10.0,
                                  int digits = 0)
{
    const auto number = [digits](double value) {
        char text[32];
        const auto end = digits > 0 ? std::to_chars(text, text + sizeof text, value,
                                                    std::chars_format::general, digits)
                                    : std::to_chars(text, text + sizeof text, value);
        return std::string(text, end.ptr);
    };
    std::string text = "! chip antenna on its evaluation board\n# GHz S RI R 50\n";
    const int steps = static_cast<int>(std::lround((highGhz - lowGhz) * 1e3 / stepMhz));
    for (int i = 0; i <= steps; ++i) {
        const double ghz = lowGhz + i * stepMhz / 1e3;
        const double omega = 2 * std::numbers::pi * ghz * 1e9;
        const std::complex<double> chip{18, omega * 1.2e-9};
        const std::complex<double> pads{0, -1 / (omega * 0.2e-12)};
        const std::complex<double> z = chip * pads / (chip + pads);
        const std::complex<double> s = (z - 50.0) / (z + 50.0);
        text += number(ghz) + " " + number(s.real()) + " " + number(s.imag()) + "\n";
    }
    return text;
}

// A power amplifier's output as a one-port file on the same frequencies:
// `ohms` in series with `nanohenries` (8 ohms and 0.5 nH unless told).
inline std::string PaOutputS1p(double ohms = 8, double nanohenries = 0.5)
{
    std::string text = "! PA output\n# GHz S RI R 50\n";
    for (int i = 0; i <= 100; ++i) {
        const double ghz = 2.0 + i * 0.01;
        const std::complex<double> z{ohms, 2 * std::numbers::pi * ghz * nanohenries};
        const std::complex<double> s = (z - 50.0) / (z + 50.0);
        char line[96];
        char *end = line;
        for (const double value : {ghz, s.real(), s.imag()}) {
            end = std::to_chars(end, line + sizeof line, value).ptr;
            *end++ = ' ';
        }
        end[-1] = '\n';
        text.append(line, end);
    }
    return text;
}

} // namespace tevmar::test_files
