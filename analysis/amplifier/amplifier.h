#pragma once

// A single-stage amplifier: an input matching network from the source to the
// transistor, the transistor's measured scattering matrix (and noise
// parameters), and an output matching network from the transistor to the
// load. Its figures at each of the device's data frequencies, and the design
// of both networks together: the device's feedback (S12) makes the input's
// match depend on the output's, so neither network can be designed alone.

#include "analysis/amplifier/device_figures.h"
#include "analysis/figures/impedance_path.h"
#include "analysis/model/network.h"
#include "analysis/model/termination.h"
#include "analysis/readers/measured_load.h"
#include "analysis/readers/part_kit.h"
#include "analysis/readers/touchstone_reader.h"
#include "analysis/search/candidates.h"
#include "analysis/search/tuner.h"

#include <atomic>
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

// Each matching network is an ordinary network (network.h) of inductors and
// capacitors, ideal or as built (each part with its chip model or finite Q,
// and the board's pads at the ladder's nodes), its parts labelled "L1", "C2",
// ... from port 1. The input network stands between the source (port 1) and
// the device's input (port 2); the output network between the device's
// output (port 1) and the load (port 2). Each port's resistance is the
// termination's where it is one, the device data's otherwise. The source and
// the load are common terminations: a resistance, or a one-port measured by a
// network analyser (its impedance between the measured points linear, held at
// the end values beyond them).

// The resistance a port of the whole amplifier is referred to: a resistive
// termination's own, the device data's `referenceOhms` for a measured one (a
// reference is a real resistance).
double AmplifierPortOhms(const Termination &termination, double referenceOhms);

// A network of the amplifier between its two resistances, port 1 first.
Network AmplifierNetwork(std::vector<Part> parts, double port1Ohms, double port2Ohms,
                         double padPf = 0);

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
                                const Network &input, const Network &output,
                                const Termination &source, const Termination &load);

// The figures at each of the data's frequencies from `fromHz` to `toHz`.
std::vector<AmplifierPoint> AmplifierSweep(const TwoPortData &data, double fromHz, double toHz,
                                           const Network &input, const Network &output,
                                           const Termination &source, const Termination &load);

// The in-band points the band's figures are claimed over: this many evenly
// spaced from the band's lower edge to its upper, the device's data
// interpolated between its frequencies (DeviceScatteringAt).
inline constexpr int kDenseBandPoints = 201;

// The figures at each data frequency of the file outside fromHz..toHz and at
// the dense in-band grid (with the data frequencies in the band), in
// increasing frequency: what the sweep file and the window draw.
std::vector<AmplifierPoint> AmplifierDenseSweep(const TwoPortData &data, double fromHz, double toHz,
                                                const Network &input, const Network &output,
                                                const Termination &source, const Termination &load);

// The whole amplifier's scattering matrix at one frequency, port 1 (the
// source's end) referred to `port1Ohms` and port 2 (the load's) to
// `port2Ohms`; unset where the device has no forward transmission.
std::optional<TwoPortMatrix> AmplifierScattering(double frequencyHz, const TwoPortMatrix &s,
                                                 double referenceOhms, const Network &input,
                                                 const Network &output, double port1Ohms,
                                                 double port2Ohms);

// What was checked of the design's stability. A loop is |GammaS Gamma in| or
// |GammaL Gamma out|: the round trip of a wave between a network and the
// device's port; at 1 or above the amplifier oscillates there.
struct AmplifierStability
{
    double marginAsked = 0.9; // the reflection margin each way: loops held at its square in band
    double bandFromHz = 0, bandToHz = 0;
    double worstLoopInBand = 0; // over the dense in-band grid, the parts as designed
    double worstLoopInBandHz = 0;
    // Over the whole of the data (every data frequency and an interpolated
    // grid between them), the parts as designed and each moved alone by the
    // tolerances checked.
    double dataFromHz = 0, dataToHz = 0;
    double worstLoopOverData = 0;
    double atFrequencyHz = 0;
    double toleranceChecked = 2; // +- percent, the largest checked
    // Whether the device itself is unconditionally stable (mu above 1) at every
    // data frequency, and where not, its least mu and where.
    bool deviceUnconditional = true;
    double deviceLeastMu = 0, deviceLeastMuHz = 0;
};

// How a design was put on a kit's measured parts: the networks the kit parts
// stand in for (of the parts the design was tuned with, ideal or modelled)
// and their figures, and how far the search over the kit went.
struct AmplifierKitChoice
{
    // Of the same families as the amplifier's networks.
    Network designedInput, designedOutput;
    double designedGtDbMin = 0, designedGtDbMax = 0;
    std::optional<double> designedNfDbMax;
    std::size_t networksMeasured = 0; // choices of kit parts scored
    std::size_t choicesChecked = 0;   // of them put through the final checks, best first
};

// The loaded device's mu is held at or above this at every data frequency:
// a little over 1, so that the resistors' spread and the data's own
// uncertainty leave it unconditionally stable.
inline constexpr double kStabilisedMu = 1.02;

// The range the resistors are looked for in, ohms: a series resistor beyond
// its top all but opens the input, a shunt one below its bottom all but
// shorts the output.
inline constexpr double kLeastSeriesStabiliserOhms = 0.1, kMostSeriesStabiliserOhms = 1e3;
inline constexpr double kLeastShuntStabiliserOhms = 1, kMostShuntStabiliserOhms = 100e3;

// Resistive loading of a potentially unstable device (--stabilise): a series
// resistor at its input, a shunt resistor across its output, or both. The
// networks are designed around the device with them; they are kept apart
// from the networks' ladders, next to the device.
struct Stabiliser
{
    // Between the input network and the device's input; across the device's
    // output, ahead of the output network. Unset: no resistor there.
    std::optional<double> inputSeriesOhms;
    std::optional<double> outputShuntOhms;
    double muAsked = kStabilisedMu;
    // The loaded device's least mu over the data, and where.
    double leastMu = 0, leastMuHz = 0;
    // The band's least most stable gain at its data frequencies: the device's
    // own (MAG where it is unconditionally stable, MSG elsewhere, the
    // unilateral maximum without feedback; infinite where a port alone gives
    // back more than it receives) and the loaded device's MAG.
    double deviceGainDb = 0, stabilisedGainDb = 0;
    // Each resistor was also checked moved alone by this, percent.
    double toleranceChecked = 0;

    bool any() const { return inputSeriesOhms || outputShuntOhms; }
    // What the loading costs: the band's least gain available, before less after.
    double gainCostDb() const { return any() ? deviceGainDb - stabilisedGainDb : 0; }
};

struct Amplifier
{
    AmplifierGoal goal = AmplifierGoal::Gain;
    Network input, output;
    // The families the networks are ladders of: lowpass, highpass or bandpass.
    Topology inputTopology = Topology::Lowpass, outputTopology = Topology::Lowpass;
    std::vector<AmplifierPoint> band;  // the data frequencies in the band
    std::vector<AmplifierPoint> dense; // kDenseBandPoints evenly over the band
    // Over the band's data frequencies and its dense grid.
    double gtDbMin = 0, gtDbMax = 0;
    std::optional<double> nfDbMax; // where the noise data cover it
    // The whole amplifier's mu above 1 at every data frequency of the file:
    // no passive source or load makes it oscillate.
    bool stable = false;
    AmplifierStability stability;
    // Set where both networks are built of a kit's parts.
    std::optional<AmplifierKitChoice> kit;
    // Set where the device was loaded to make it unconditionally stable
    // (with no resistor where it already was).
    std::optional<Stabiliser> stabiliser;
};

struct AmplifierOptions
{
    AmplifierGoal goal = AmplifierGoal::Gain;
    // Resistances of 50 ohms unless given.
    Termination source = ResistanceTermination(50), load = ResistanceTermination(50);
    PartRanges ranges;
    // The parts as they will be built: both networks are tuned, and every
    // figure given, with the inductors' and capacitors' models and the pads.
    // A centre frequency of 0 is taken as the band's geometric centre.
    LossModel built;
    // The solver's steps over the whole search: a fixed count, so that the
    // same file gives the same networks on every machine.
    int evaluationBudget = 20000;
    // In band, both loops are kept at or below the square of this reflection
    // margin; between 0 and 1.
    double stabilityMargin = 0.9;
    // Beyond the +-2 % every part is checked at, each part also moved alone
    // by this (percent; 0 for none).
    double tolerancePercent = 0;
    // A kit of measured chip parts, read for the band: both networks are
    // designed as above, then each part is replaced by a kit part (the
    // choices near each designed part searched for the goal) and every check
    // is made again with the kit parts' data; null for none. The device's
    // data should lie within the kit parts' data (the session cuts them).
    std::shared_ptr<const Kit> kit;
    // Raised when the design is no longer wanted (a newer one was asked for,
    // or the window closed): the search ends within one solver step and
    // DesignAmplifier throws TuneCancelled. Null: never stopped.
    const std::atomic<bool> *stop = nullptr;
};

// Outside the band the search keeps both loops at or below this, so that the
// parts' spread leaves them below 1.
inline constexpr double kOutOfBandLoop = 0.95;
// Every part is checked moved alone by this much, percent.
inline constexpr double kPartSpreadPercent = 2;

// The design, or why there is none: the device has no forward gain in the
// band, no network of the families keeps both loops within the margin in
// band and below 1 over the whole data (parts at their tolerance too), or
// the noise goal without noise data in the band.
struct AmplifierDesign
{
    std::optional<Amplifier> amplifier;
    std::string problem;
};

// The most choices of kit parts the search scores, and the most of them, best
// first, put through the final checks before the design is given up.
inline constexpr std::size_t kMostKitChoicesScored = 3000;
inline constexpr std::size_t kMostKitChoicesChecked = 24;

// A part moved by `factor` as a tolerance moves it: its L or C. A kit part's
// data move by what its fitted equivalent circuit gives for that change, its
// parasitics held.
Part SpreadPart(const Part &part, double factor);

// Designs both networks over fromHz..toHz (at least one data frequency within).
// Throws std::invalid_argument for ranges PartRangesError rejects, terminations
// that are not positive or a margin outside 0..1, and TuneCancelled when
// options.stop is raised before it ends.
AmplifierDesign DesignAmplifier(const TwoPortData &data, double fromHz, double toHz,
                                const AmplifierOptions &options);

// The worst loop over the whole data (every data frequency and the grid
// between them the final checks look at), with the networks as designed.
struct WorstLoop
{
    double loop = 0;
    double frequencyHz = 0;
};
WorstLoop AmplifierWorstLoop(const TwoPortData &data, const Network &input, const Network &output,
                             const Termination &source, const Termination &load);

// The device's port as one network sees it at a frequency, the other network
// and its termination behind the device: its input (port 1) with the output
// network and the load, or its output (port 2) with the input network and
// the source. The termination each network's path starts from.
Termination AmplifierDevicePort(const TwoPortData &data, const Amplifier &amplifier,
                                const Termination &source, const Termination &load, int port);

// One network's path through its parts at a frequency (impedance_path.h):
// the input network's (side 1) from the device's input, as the output
// network and the load terminate it, to the source; the output network's
// (side 2) from the load to the device's output, whose last point is the
// impedance the device sees. `data` is the device the networks were
// designed around (with any stabilising resistors); the arcs are sampled
// against its resistance.
ImpedancePath AmplifierSidePath(const TwoPortData &data, const Amplifier &amplifier,
                                const Termination &source, const Termination &load, int side,
                                double frequencyHz);

} // namespace tevmar::analysis
