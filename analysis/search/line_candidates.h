#pragma once

// The networks of lines an engineer weighs above a few GHz, where the board
// itself matches: a line and a single stub, a double stub, the quarter-wave
// transformer, stepped transformers, and lines joined to one or two lumped
// parts. Each family comes with its textbook starts, worked out at the
// band's arithmetic centre (where a TEM line's electrical length is quoted);
// the candidate search tunes each family from them into the true load and
// ranks it with the ladders.

#include "analysis/model/part.h"
#include "analysis/search/candidates.h"

#include <complex>
#include <utility>
#include <vector>

namespace tevmar::analysis {

// One family: what the table calls it and its starts, each a network from
// the source's side to the load's (labels are given when it is tuned).
struct LineFamily
{
    Topology topology = Topology::Stub;
    std::vector<std::vector<Part>> starts;
};

// Every line family for a source of `sourceOhms` into the load `loadOhms`
// (its impedance at the band's arithmetic centre) over lowHz..highHz, the
// lines' Z0 within the ranges' limits (or held at the fixed one), their
// lengths within the ranges' lengths. Empty for a load with no resistance.
std::vector<LineFamily> LineFamilies(double sourceOhms, std::complex<double> loadOhms, double lowHz,
                                     double highHz, const PartRanges &ranges);

// The textbook single shunt stub on line of Z0 into ZL = R + jX: the line's
// length from the load to where the admittance's real part is 1 / Z0, and the
// stub (far end open or shorted) that cancels the susceptance there. Each
// solution as the line's and the stub's electrical lengths in degrees, in
// (0, 180]; two for any load with R > 0 (one twice on a load of R = Z0 and
// X = 0, which needs no line).
std::vector<std::pair<double, double>> SingleStubMatches(double z0, std::complex<double> load,
                                                         LineEnd end);

// A stepped transformer of quarter-wave sections from `fromOhms` to `toOhms`
// (both real): the sections' characteristic impedances, from the `fromOhms`
// end, by the small-reflection theory in its logarithmic form (the sections'
// ln Z steps sum to ln(to / from) exactly).
//
// Binomial (maximally flat at the centre): the steps go as the binomial
// coefficients C(N, n) / 2^N.
std::vector<double> BinomialSections(double fromOhms, double toOhms, int sections);
// Chebyshev (equal ripple over the band of the given fractional width
// (f2 - f1) / f0, f0 the arithmetic centre): the steps follow the cosine
// series of A T_N(sec(theta_m) cos(theta)), theta_m = pi / 2 f1 / f0.
std::vector<double> ChebyshevSections(double fromOhms, double toOhms, int sections,
                                      double fractionalBandwidth);

} // namespace tevmar::analysis
