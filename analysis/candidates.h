#pragma once

// Candidate networks for one load: the synthesis's bandpass ladder at each
// order it designs, and lowpass and highpass ladders of a few parts (the L,
// pi and T sections among them), each tuned into the true load and ranked by
// the in-band maximum |S11|.

#include "analysis/tune_design.h"
#include "engine/design_inputs.h"
#include "engine/design_result.h"

#include <atomic>
#include <complex>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace tevmar::analysis {

enum class Topology {
    Bandpass, // the synthesis's ladder: series and shunt resonators
    Lowpass,  // series inductors, shunt capacitors
    Highpass  // series capacitors, shunt inductors
};

// "bandpass", "lowpass", "highpass".
const char *TopologyName(Topology topology);

// What a port sees at DC through the network: a path to the other port
// (series inductors only, no shunt inductor), a series capacitor first, or a
// shunt inductor to ground first.
enum class DcPath { Passes, Blocks, Grounds };

const char *DcPathName(DcPath path); // "passes", "blocks", "grounds"

// Where the start came from.
enum class StartKind {
    Synthesised, // the bandpass synthesis, or the L-section in closed form
    Relaxed,     // the synthesis for a lower-Q value of the load
    Grown,       // the candidate a part smaller with a near-neutral part added
    Flat         // every part's reactance or susceptance of the ports' size
};

struct Candidate
{
    Topology topology = Topology::Lowpass;
    int parts = 0;
    bool firstSeries = false; // the part at the source is a series part
    StartKind start = StartKind::Synthesised;
    TuneProblem problem; // the true load and the starting values
    TuneResult tuned;
    std::optional<StandardTuneResult> standard; // with a series set
    DcPath sourceDc = DcPath::Passes;
    DcPath loadDc = DcPath::Passes;
};

struct CandidateSet
{
    std::vector<Candidate> candidates; // best first
    // The Bode-Fano limit of the load (for a measured load, of its fitted
    // model); empty when the load has no reactance.
    std::optional<double> bodeFanoGamma;
};

struct CandidateOptions
{
    std::optional<ESeries> series;
    PartRanges ranges;
    LossModel built; // the parts' models and pads, tuned with them in the loop
    const std::atomic<bool> *stop = nullptr;
    // Called after each candidate is tuned: done so far, how many in all.
    std::function<void(int done, int total)> progress;
};

// The port the load stands at (2 for series loads and plain resistances, 1
// for shunt loads), as the ladder numbers them.
int LoadPortOf(const Network &network);

// The network's parts from the source's side to the load's.
std::vector<Part> SourceToLoad(const Network &network);

// DC at the source's port and at the load's port.
std::pair<DcPath, DcPath> DcPathsOf(const Network &network);

// The two parts (nH or pF, source side first) of the L-section of the given
// topology and orientation that matches the source resistance to the load
// impedance at one frequency; empty where none exists.
std::optional<std::vector<Part>> LSection(double sourceOhms, std::complex<double> loadOhms,
                                          double frequencyHz, Topology topology, bool firstSeries);

// Whether the boxes, as read, name a load the candidates can be tuned into:
// finite band edges and port resistances, all positive, the edges apart.
bool CandidatesPossibleFor(const InputValues &typed, LoadType loadType);

// Builds, tunes and ranks every candidate for the design's load: the
// bandpass ladder at orders 4, 8 and 12 (from a relaxed design where the
// synthesis has none), lowpass and highpass ladders of 2 to 6 parts in both
// orientations. With `measured`, every candidate is tuned into the data.
// Ranked by the in-band maximum transducer loss, then |S11| (for ideal parts
// the order of |S11| alone).
// Throws TuneCancelled when `stop` is raised, std::invalid_argument for
// ranges PartRangesError rejects.
CandidateSet BuildCandidates(const DesignInputs &inputs, const DesignResult &design,
                             std::shared_ptr<const MeasuredLoad> measured,
                             const CandidateOptions &options = {});

} // namespace tevmar::analysis
