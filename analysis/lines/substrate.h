#pragma once

// A printed-circuit substrate as a line on it sees it: the dielectric's
// relative permittivity, height and loss tangent, and the copper's thickness,
// resistivity and surface roughness. Everything in SI units.

#include "units/quantity.h"

namespace tevmar::analysis::lines {

// Annealed copper at 20 degrees C, ohm metres.
inline constexpr double kCopperResistivity = 1.72e-8;

struct Substrate
{
    double relativePermittivity = 4.4;                            // er
    double height = units::Length::FromMillimetres(1.6).metres(); // dielectric height h, m
    double thickness = 0;                    // copper thickness t, m; 0 for a thin strip
    double lossTangent = 0;                  // tan delta, taken as the same at every frequency
    double resistivity = kCopperResistivity; // ohm m; 0 for a perfect conductor
    double roughness = 0;                    // rms surface roughness of the copper, m

    friend bool operator==(const Substrate &, const Substrate &) = default;
};

// A strip on a board: the substrate and the strip's width, m. What a length
// of microstrip in a network is besides its length.
struct BoardLine
{
    Substrate substrate;
    double width = units::Length::FromMillimetres(1).metres();

    friend bool operator==(const BoardLine &, const BoardLine &) = default;
};

} // namespace tevmar::analysis::lines
