#pragma once

// A microstrip line's figures as text: the table tevmar-cli --microstrip
// prints and its JSON document.

#include "analysis/lines/substrate.h"

#include <complex>
#include <optional>
#include <string>
#include <vector>

namespace tevmar::format {

// The line at one frequency, in SI units.
struct MicrostripPoint
{
    double frequencyHz = 0;
    double z0Ohms = 0;
    double epsEff = 1;
    double attenuation = 0; // Np/m
    // Of the length asked for, between the ports.
    std::optional<std::complex<double>> s11;
    std::optional<std::complex<double>> s21;
};

struct MicrostripReport
{
    analysis::lines::Substrate substrate;
    std::optional<double> targetOhms; // the impedance the width was chosen for
    double width = 0;                 // m
    double z0Static = 0;
    double epsEffStatic = 1;
    double openEndExtension = 0;  // m
    std::optional<double> length; // m
    double portOhms = 50;
    std::vector<MicrostripPoint> points;
};

// The substrate, the width and static values, then one row per frequency.
std::vector<std::string> MicrostripLines(const MicrostripReport &report);

// {"microstrip": {"widthMm", "epsEffStatic", "points": [{"frequencyHz",
// "z0Ohms", "epsEff", "lossDbPerM", "s21Db", "s21Deg", "s11Db"}]}}; the
// S-parameters are null without a length.
std::string MicrostripJson(const MicrostripReport &report);

} // namespace tevmar::format
