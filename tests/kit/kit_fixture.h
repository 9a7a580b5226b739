#pragma once

// What the kit tests share: the synthetic 0402 kit in a scratch folder, the
// chip antenna of the worked example (20 ohm + 2.7 nH with a 0.3 pF pad
// across, from 50 ohm at 2.4 to 2.5 GHz) as a one-port file, and tevmar-cli
// run in-process.

#include "cli/cli_main.h"
#include "tests/common/synthetic_kit.h"
#include "tests/report/test_files.h"

#include <complex>
#include <cstdio>
#include <fstream>
#include <numbers>
#include <sstream>
#include <string>
#include <vector>

namespace tevmar::test_kit {

inline std::complex<double> AntennaImpedance(double hz)
{
    const double w = 2 * std::numbers::pi * hz;
    const std::complex<double> radiator{20, w * 2.7e-9};
    return 1.0 / (std::complex<double>{0, w * 0.3e-12} + 1.0 / radiator);
}

// 1 to 4 GHz in 10 MHz steps, S referred to 50 ohm.
inline void WriteAntenna(const std::filesystem::path &path)
{
    std::ofstream out(path);
    out << "! chip antenna with its pad\n# Hz S RI R 50\n";
    out.precision(12);
    for (int k = 0; k <= 300; ++k) {
        const double hz = 1e9 + 1e7 * k;
        const std::complex<double> z = AntennaImpedance(hz), s = (z - 50.0) / (z + 50.0);
        out << hz << ' ' << s.real() << ' ' << s.imag() << '\n';
    }
}

// A part's file with a first point at 0 Hz: S21 given in magnitude and angle
// there, the rest as the vendor measured it.
inline std::string WithDcPoint(const std::string &file, double s21Magnitude, double s21Degrees)
{
    const std::string options = "# Hz S MA R 50\n";
    const std::size_t after = file.find(options) + options.size();
    char line[160];
    const double s11 = 1 - s21Magnitude;
    std::snprintf(line, sizeof line, "0 %.9g 0 %.9g %.9g %.9g %.9g %.9g 0\n", s11, s21Magnitude,
                  s21Degrees, s21Magnitude, s21Degrees, s11);
    return file.substr(0, after) + line + file.substr(after);
}

struct Cli
{
    int code;
    std::string out, err;
};

inline Cli RunCli(std::vector<std::string> args, const test_files::TempDir &dir)
{
    std::ostringstream out, err;
    const int code = cli::RunCli(args, out, err, dir / "tevmar.prt");
    return {code, out.str(), err.str()};
}

// The worked example's command with the kit in `kit`.
inline std::vector<std::string> AntennaArgs(const test_files::TempDir &dir,
                                            const std::filesystem::path &kit)
{
    return {
        "--f1",     "2.4", "--f2",         "2.5",     "--load-s1p", (dir / "antenna.s1p").string(),
        "--source", "50",  "--candidates", "--parts", kit.string()};
}

} // namespace tevmar::test_kit
