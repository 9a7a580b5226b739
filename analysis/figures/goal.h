#pragma once

// What a match is asked to do over several bands at once: passbands matched,
// each to its own |S11| limit or with its own weight, and bands where the
// network must reject, each to its own attenuation. One score ranks every
// network against the whole goal.

#include "analysis/figures/sweep.h"
#include "analysis/model/network.h"

#include <string>
#include <vector>

namespace tevmar::analysis {

struct GoalBand
{
    Band band;
    bool reject = false; // a band the network must stop rather than pass
    // A passband: the |S11| it asks for (1: none, the plain in-band
    // maximum). A rejection band: the |S21| it allows (0.1 for 20 dB).
    double level = 1;
    double weight = 1;       // a passband's weight; 1 for a rejection band
    bool limitGiven = false; // a passband's limit was written (the level holds it)

    // The factor on the band's figure in the score: weight over level.
    double Scale() const { return weight / level; }

    friend bool operator==(const GoalBand &a, const GoalBand &b)
    {
        return a.band.lowHz == b.band.lowHz && a.band.highHz == b.band.highHz &&
               a.reject == b.reject && a.level == b.level && a.weight == b.weight &&
               a.limitGiven == b.limitGiven;
    }
};

// The bands of a goal, passbands and rejection bands, none overlapping.
// Empty: the problem's one band, scored by its in-band maximum |S11|.
struct Goal
{
    std::vector<GoalBand> bands;

    bool empty() const { return bands.empty(); }
    // From the lowest passband edge to the highest: where the parts must
    // serve (their resonances kept clear of it) and where the starts are
    // centred.
    Band PassSpan() const;
    // From the lowest edge of any band to the highest, rejection bands
    // included: what a sweep covers so that its dense points reach them all.
    Band Span() const;
    friend bool operator==(const Goal &, const Goal &) = default;
};

// One band's figure for a network: the in-band maximum |S11| of a passband
// (for lossy parts the square root of the lost power, as the tuner scores
// it) or the in-band maximum |S21| of a rejection band, where it lies, and
// its share of the score.
struct GoalBandFigure
{
    double worst = 0;
    double worstAtHz = 0;
    double score = 0; // worst x Scale()
    // A passband of lossy parts: `worst` is the square root of the largest
    // lost power, 1 - G_T, rather than |S11|.
    bool lossy = false;
};

std::vector<GoalBandFigure> GoalFiguresOf(const Network &network, const Goal &goal);

// The goal's score: the largest over its bands of weight x |S11|max / limit
// (passbands) and |S21|max / allowed (rejection bands). At most 1 meets every
// limit; for one passband without limit or weight it is the in-band maximum
// |S11| itself.
double GoalScoreOf(const Network &network, const Goal &goal);

// Why the goal's bands cannot be scored, or empty: positive finite edges,
// the lower below the upper, a positive level and weight, no two bands
// overlapping or touching, at least one passband.
std::string GoalError(const Goal &goal);

} // namespace tevmar::analysis
