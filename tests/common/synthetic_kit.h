#pragma once

// A synthetic 0402 kit written from the published figures of such parts, our
// own numbers and no vendor's: wirewound inductors whose winding capacitance
// puts the self-resonance near 12.7 GHz / sqrt(L in nH) (0.157 pF across
// every value) with a loss resistance rising as sqrt(f) (Q 55 at 1.5 GHz),
// and C0G capacitors with 0.45 nH of ESL and an ESR of 0.1 ohm plus a skin
// term. Each part is written as a vendor measures it: in series between two
// 50 ohm fixture ports, Touchstone 1.1 in Hz, magnitude and angle, 100 MHz
// to 8 GHz in 50 MHz steps.

#include <cmath>
#include <complex>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <string>
#include <utility>
#include <vector>

namespace tevmar::test_kit {

inline const std::vector<double> &InductorValuesNh()
{
    static const std::vector<double> values{
        1.0, 1.2, 1.5, 1.8, 2.0, 2.2, 2.4, 2.7, 3.0, 3.3, 3.6, 3.9, 4.3, 4.7, 5.1, 5.6, 6.2,
        6.8, 7.5, 8.2, 9.1, 10,  11,  12,  13,  15,  16,  18,  20,  22,  24,  27,  30,  33,
        36,  39,  43,  47,  51,  56,  62,  68,  75,  82,  91,  100, 120, 150, 180, 220};
    return values;
}

inline const std::vector<double> &CapacitorValuesPf()
{
    static const std::vector<double> values{
        0.2, 0.3, 0.4, 0.5, 0.6, 0.7, 0.8, 0.9, 1.0, 1.1, 1.2, 1.3, 1.5, 1.6, 1.8, 2.0, 2.2,
        2.4, 2.7, 3.0, 3.3, 3.6, 3.9, 4.3, 4.7, 5.1, 5.6, 6.2, 6.8, 7.5, 8.2, 9.1, 10,  12,
        15,  18,  22,  27,  33,  39,  47,  56,  68,  82,  100, 150, 220, 330, 470, 1000};
    return values;
}

// The part's impedance at f (Hz).
inline std::complex<double> InductorImpedance(double nh, double hz)
{
    const double l = nh * 1e-9, w = 2 * std::numbers::pi * hz;
    const double cp = 0.157e-12;
    const double r = 2 * std::numbers::pi * 1.5e9 * l / 55 * std::sqrt(hz / 1.5e9) + 0.02;
    const std::complex<double> winding{r, w * l};
    return winding / (1.0 + std::complex<double>{0, w * cp} * winding);
}

inline std::complex<double> CapacitorImpedance(double pf, double hz)
{
    const double c = pf * 1e-12, w = 2 * std::numbers::pi * hz;
    const double esl = 0.45e-9, esr = 0.1 + 0.08 * std::sqrt(hz / 1e9);
    return {esr, w * esl - 1 / (w * c)};
}

// "2N7" for 2.7 nH, "10N" for 10 nH; "R50" for 0.5 pF, "2R7", "10P".
inline std::string ValueCode(double value, char unit)
{
    char text[32];
    if (value < 10) {
        const int whole = static_cast<int>(value);
        const int tenth = static_cast<int>(std::lround((value - whole) * 10));
        std::snprintf(text, sizeof text, "%d%c%d", whole, unit == 'N' ? 'N' : 'R', tenth);
    } else {
        std::snprintf(text, sizeof text, "%d%c", static_cast<int>(std::lround(value)), unit);
    }
    return text;
}

inline std::string InductorNumber(double nh)
{
    return "ZL0402-" + ValueCode(nh, 'N');
}

inline std::string CapacitorNumber(double pf)
{
    return "ZC0402-" + ValueCode(pf, 'P');
}

// One part's series-through file: `points` frequencies from 100 MHz to 8 GHz
// (159 of them: 50 MHz steps), its S-parameters to `digits` significant
// digits (a vendor's file may carry as few as four).
template <typename Impedance>
std::string SeriesThroughFile(const Impedance &z, int points = 159, int digits = 9)
{
    std::string text = "! synthetic 0402 part, series-through, 50 ohm fixture\n# Hz S MA R 50\n";
    for (int k = 0; k < points; ++k) {
        const double hz = 100e6 + 7.9e9 * k / (points - 1);
        const std::complex<double> zp = z(hz);
        const std::complex<double> s21 = 100.0 / (100.0 + zp), s11 = zp / (100.0 + zp);
        char line[256];
        std::snprintf(line, sizeof line, "%.0f %.*g %.*g %.*g %.*g %.*g %.*g %.*g %.*g\n", hz,
                      digits, std::abs(s11), digits, std::arg(s11) * 180 / std::numbers::pi, digits,
                      std::abs(s21), digits, std::arg(s21) * 180 / std::numbers::pi, digits,
                      std::abs(s21), digits, std::arg(s21) * 180 / std::numbers::pi, digits,
                      std::abs(s11), digits, std::arg(s11) * 180 / std::numbers::pi);
        text += line;
    }
    return text;
}

// The kit's files, each file's name and text.
inline std::vector<std::pair<std::string, std::string>> SyntheticKitFiles()
{
    std::vector<std::pair<std::string, std::string>> files;
    for (const double nh : InductorValuesNh())
        files.emplace_back(InductorNumber(nh) + ".s2p", SeriesThroughFile([nh](double hz) {
                               return InductorImpedance(nh, hz);
                           }));
    for (const double pf : CapacitorValuesPf())
        files.emplace_back(CapacitorNumber(pf) + ".s2p", SeriesThroughFile([pf](double hz) {
                               return CapacitorImpedance(pf, hz);
                           }));
    return files;
}

// A vendor's whole range as one kit: `count` parts, half of them inductors
// from 0.5 to 30 nH and half capacitors from 0.1 to 10 pF, each half evenly
// spaced in log value, 40 points a file. Alternate parts are of a second
// construction (a multilayer inductor: less winding capacitance, Q near 25; a
// capacitor of 0.6 nH ESL), so a part's reactance at a frequency does not
// follow its marked value from one part to the next. Each file's name and
// text, the stem its part number.
inline std::vector<std::pair<std::string, std::string>> DenseKitFiles(int count)
{
    std::vector<std::pair<std::string, std::string>> files;
    const int half = count / 2;
    for (int k = 0; k < count; ++k) {
        const bool inductor = k < half;
        const int i = inductor ? k : k - half;
        const int of = inductor ? half : count - half;
        const double t = of > 1 ? static_cast<double>(i) / (of - 1) : 0.0;
        const bool second = i % 2 == 1;
        char name[32];
        std::snprintf(name, sizeof name, "%s%04d.s2p", inductor ? "DL" : "DC", i);
        if (inductor) {
            const double l = 0.5e-9 * std::pow(60.0, t);
            const double cp = second ? 0.08e-12 : 0.157e-12, q = second ? 25 : 55;
            files.emplace_back(
                name, SeriesThroughFile(
                          [=](double hz) {
                              const double w = 2 * std::numbers::pi * hz;
                              const double r =
                                  2 * std::numbers::pi * 1.5e9 * l / q * std::sqrt(hz / 1.5e9) +
                                  0.02;
                              const std::complex<double> winding{r, w * l};
                              return winding / (1.0 + std::complex<double>{0, w * cp} * winding);
                          },
                          40));
        } else {
            const double c = 0.1e-12 * std::pow(100.0, t);
            const double esl = second ? 0.6e-9 : 0.45e-9;
            files.emplace_back(name,
                               SeriesThroughFile(
                                   [=](double hz) {
                                       const double w = 2 * std::numbers::pi * hz;
                                       return std::complex<double>{0.1 + 0.08 * std::sqrt(hz / 1e9),
                                                                   w * esl - 1 / (w * c)};
                                   },
                                   40));
        }
    }
    return files;
}

// Writes every part of the kit into `folder` (made if missing); with
// `withList`, also parts.csv. Returns the number of parts written.
inline int WriteSyntheticKit(const std::filesystem::path &folder, bool withList = false)
{
    std::filesystem::create_directories(folder);
    std::string list = "part,kind,value,file\n";
    int count = 0;
    for (const double nh : InductorValuesNh()) {
        const std::string number = InductorNumber(nh);
        std::ofstream(folder / (number + ".s2p"))
            << SeriesThroughFile([nh](double hz) { return InductorImpedance(nh, hz); });
        list += number + ",inductor," + std::to_string(nh) + "," + number + ".s2p\n";
        ++count;
    }
    for (const double pf : CapacitorValuesPf()) {
        const std::string number = CapacitorNumber(pf);
        std::ofstream(folder / (number + ".s2p"))
            << SeriesThroughFile([pf](double hz) { return CapacitorImpedance(pf, hz); });
        list += number + ",capacitor," + std::to_string(pf) + "," + number + ".s2p\n";
        ++count;
    }
    if (withList)
        std::ofstream(folder / "parts.csv") << list;
    return count;
}

} // namespace tevmar::test_kit
