#pragma once

#include <array>

namespace tevmar {

// The values the main window keeps from one design run to the next: the band
// parameters and the six element arrays. Each run overwrites what it uses.
struct DesignState
{
    double F1 = 0;    // lower band edge, MHz
    double F2 = 0;    // upper band edge, MHz
    double BW = 0;    // bandwidth in MHz; holds the bandwidth in rad/s after synthesis
    double F0 = 0;    // geometric centre frequency, MHz
    double Qt = 0;    // band Q, F0 / BW
    double F0GHz = 0; // centre frequency, GHz

    using Array = std::array<double, 26>;
    Array G{};           // prototype elements, then the normalised bandpass elements
    Array NortonRatio{}; // pair factors 1 + Qt^2 g(2j-1) g(2j)
    Array GScratch{};    // the unreversed prototype read backwards (series loads)
    Array NortonShunt{}; // shunt capacitors created by the Norton steps
    Array ElementSI{};   // terminations in ohms, capacitors in F, inductors in H
    Array ElementOut{};  // the element table: ohms, nH and pF, rounded to 0.001
};

} // namespace tevmar
