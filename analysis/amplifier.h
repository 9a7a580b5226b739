#pragma once

// A single-stage amplifier: an input matching network from the source to the
// transistor, the transistor's measured scattering matrix (and noise
// parameters), and an output matching network from the transistor to the
// load. Its figures at each of the device's data frequencies, and the design
// of both networks together: the device's feedback (S12) makes the input's
// match depend on the output's, so neither network can be designed alone.

#include "analysis/candidates.h"
#include "analysis/device_figures.h"
#include "analysis/measured_load.h"
#include "analysis/network.h"
#include "analysis/touchstone_reader.h"
#include "analysis/tuner.h"

#include <complex>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tevmar::analysis {

enum class AmplifierGoal {
    Gain, // the greatest in-band minimum transducer gain
    Noise // the least in-band maximum noise figure, then the most gain under it
};

const char *AmplifierGoalName(AmplifierGoal goal); // "gain", "noise"

// One matching network of inductors and capacitors, a ladder of the
// candidates' families: ideal parts, or the parts as built (each with its
// chip model or finite Q, and the board's pads at the ladder's nodes).
struct MatchingSide
{
    Topology topology = Topology::Lowpass;
    // The input network's from the source toward the device, the output
    // network's from the device toward the load; nH or pF as the ladders hold
    // them, labelled "L1", "C2", ... in that order.
    std::vector<Part> elements;
    double padPf = 0; // each node's pad to ground, pF; 0 without pads
};

// The amplifier's terminations: real resistances in ohms, or a source or
// load measured by a network analyser in their place (its impedance between
// the measured points linear, held at the end values beyond them).
struct AmplifierTerminations
{
    double sourceOhms = 50;
    double loadOhms = 50;
    std::shared_ptr<const MeasuredLoad> measuredSource = nullptr;
    std::shared_ptr<const MeasuredLoad> measuredLoad = nullptr;

    std::complex<double> SourceAt(double frequencyHz) const
    {
        return measuredSource ? measuredSource->ImpedanceAt(frequencyHz)
                              : std::complex<double>(sourceOhms);
    }
    std::complex<double> LoadAt(double frequencyHz) const
    {
        return measuredLoad ? measuredLoad->ImpedanceAt(frequencyHz)
                            : std::complex<double>(loadOhms);
    }
};

// The ABCD matrix of one network's parts at one frequency, in the order the
// ladder lists them (port 1 the first part's end); its port resistances are
// not used.
struct SideMatrix
{
    std::complex<double> a{1, 0}, b{0, 0}, c{0, 0}, d{1, 0};
};
SideMatrix SideAbcd(const Network &side, double frequencyHz);

struct AmplifierPoint
{
    double frequencyHz = 0;
    double gtDb = 0;            // transducer gain from the source to the load
    std::optional<double> nfDb; // unset outside the noise data's span
    // The reflections the networks present to the device, referred to the
    // device data's resistance.
    std::complex<double> gammaS, gammaL;
    // The device's own port reflections with those terminations: above 1 the
    // device oscillates.
    double gammaInMagnitude = 0, gammaOutMagnitude = 0;
    double inputReturnLossDb = 0;  // at the source, against its resistance
    double outputReturnLossDb = 0; // at the load, against its resistance
    std::optional<double> mu;      // of the whole amplifier; unset where it has no transmission
};

// Every figure at one frequency. With lossless networks the transducer gain
// is that of the device between the reflections they present; with lossy
// ones it is the whole cascade's, and the noise figure adds the networks'
// own noise (a passive network at ambient temperature has the noise factor
// of its available-power loss) to the device's by Friis.
AmplifierPoint AmplifierPointAt(double frequencyHz, const TwoPortMatrix &s,
                                const std::optional<DeviceNoise> &noise, double referenceOhms,
                                const MatchingSide &input, const MatchingSide &output,
                                const AmplifierTerminations &terminations);

// The figures at each of the data's frequencies from `fromHz` to `toHz`.
std::vector<AmplifierPoint> AmplifierSweep(const TwoPortData &data, double fromHz, double toHz,
                                           const MatchingSide &input, const MatchingSide &output,
                                           const AmplifierTerminations &terminations);

// The whole amplifier's scattering matrix at one frequency, port 1 (the
// source's end) referred to `port1Ohms` and port 2 (the load's) to
// `port2Ohms`; unset where the device has no forward transmission.
std::optional<TwoPortMatrix> AmplifierScattering(double frequencyHz, const TwoPortMatrix &s,
                                                 double referenceOhms, const MatchingSide &input,
                                                 const MatchingSide &output, double port1Ohms,
                                                 double port2Ohms);

struct Amplifier
{
    AmplifierGoal goal = AmplifierGoal::Gain;
    MatchingSide input, output;
    std::vector<AmplifierPoint> band; // the data frequencies in the band
    double gtDbMin = 0, gtDbMax = 0;  // over the band
    std::optional<double> nfDbMax;    // over the band, where the noise data cover it
    // The whole amplifier's mu above 1 at every data frequency of the file:
    // no passive source or load makes it oscillate.
    bool stable = false;
};

struct AmplifierOptions
{
    AmplifierGoal goal = AmplifierGoal::Gain;
    AmplifierTerminations terminations;
    PartRanges ranges;
    // The parts as they will be built: both networks are tuned, and every
    // figure given, with the inductors' and capacitors' models and the pads.
    // A centre frequency of 0 is taken as the band's geometric centre.
    LossModel built;
    // The solver's steps over the whole search: a fixed count, so that the
    // same file gives the same networks on every machine.
    int evaluationBudget = 20000;
};

// The design, or why there is none: no network of the families keeps the
// device's port reflections below 1 at every data frequency, or the noise
// goal without noise data in the band.
struct AmplifierDesign
{
    std::optional<Amplifier> amplifier;
    std::string problem;
};

// Designs both networks over fromHz..toHz (at least one data frequency within).
// Throws std::invalid_argument for ranges PartRangesError rejects or
// terminations that are not positive.
AmplifierDesign DesignAmplifier(const TwoPortData &data, double fromHz, double toHz,
                                const AmplifierOptions &options);

} // namespace tevmar::analysis
