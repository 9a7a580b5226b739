#pragma once

// Candidate networks for one load: the synthesis's bandpass ladder at each
// order it designs, and lowpass and highpass ladders of a few parts (the L,
// pi and T sections among them), each tuned into the true load and ranked by
// the in-band maximum |S11|.

#include "analysis/search/tune_design.h"
#include "engine/design_inputs.h"
#include "engine/design_result.h"

#include <atomic>
#include <complex>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace tevmar::analysis {

enum class Topology {
    Bandpass,    // the synthesis's ladder: series and shunt resonators
    Lowpass,     // series inductors, shunt capacitors
    Highpass,    // series capacitors, shunt inductors
    Stub,        // a length of line to the load and a stub across it at the source's end
    DoubleStub,  // two stubs a fixed spacing apart and a feed line to the load
    QuarterWave, // a quarter-wave transformer, behind a line to a real point
    Stepped,     // a stepped transformer of 2 to 4 quarter-wave sections
    Mixed,       // lines with one or two chip parts on their pads
    Ladder       // any other sequence of series and shunt inductors and capacitors
};

// "bandpass", "lowpass", "highpass", "stub", "2-stub", "quarter", "stepped",
// "mixed" and "ladder".
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

// Parts at the ends of their ranges that leave the match as it is and only
// change the DC path: a larger candidate that was this one with the parts
// added, folded into it.
struct DcVariant
{
    std::vector<Part> parts;          // each at its range limit
    std::vector<int> positions;       // where each stood in the larger ladder, 1 at the source
    DcPath sourceDc = DcPath::Passes; // DC at each port with them in place
    DcPath loadDc = DcPath::Passes;
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
    // Larger ladders that were this network with parts at their range ends
    // that do nothing but block DC or feed it, as each DC path differs.
    std::vector<DcVariant> dcVariants;
    // Against several bands: the tuned network's figure in each band of the
    // goal, in its order (and on standard values, with a series set).
    std::vector<GoalBandFigure> bandFigures;
    // The two-band L-section of two resonators, offered whatever the
    // families with as many parts reach.
    bool twoBandSection = false;
    std::vector<GoalBandFigure> standardBandFigures;
};

// The candidate's topology as its row names it: the family's name, or for
// a ladder of another sequence its parts from the source's side, "shunt C,
// series C".
std::string CandidateTopologyName(const Candidate &candidate);

struct CandidateSet
{
    std::vector<Candidate> candidates; // best first
    // The Bode-Fano limit of the load (for a measured load, of its fitted
    // model); empty when the load has no reactance.
    std::optional<double> bodeFanoGamma;
    PartRanges ranges; // the ranges every part lies within
    Goal goal;         // the bands matched at once; empty: the design's one band
};

// Enough for the rounds that reach the best known figure of every ladder
// family but one on narrow-band, measured and ordinary loads, and the
// figures of twice the budget on fifteen designs' loads.
inline constexpr std::uint64_t kCandidateEvaluations = 50'000;

struct CandidateOptions
{
    std::optional<ESeries> series;
    PartRanges ranges;
    LossModel built; // the parts' models and pads, tuned with them in the loop
    // Several bands at once: every candidate tuned and ranked by the goal's
    // score (GoalScoreOf) over all of them. Empty: the design's one band.
    Goal goal;
    // The effort of each candidate's search from its best start, in
    // responses worked out (one frequency each): after a first round of
    // restarts, further rounds are made while they pay and the effort so far
    // is below this. The same on every machine.
    std::uint64_t evaluations = kCandidateEvaluations;
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
// orientations, and every other sequence of up to four series and shunt
// inductors and capacitors, screened by a short polish, the most promising of
// each size searched at length and offered where it matches better than
// every ladder of the other families with as many parts (a single part,
// better than every two-part one) and needs each of its parts. Every part lies within the options'
// ranges; a ladder that is a smaller one with parts at their range ends that do nothing (a series
// capacitor at its largest, a shunt inductor at its largest, a series
// inductor or shunt capacitor at its smallest) appears as the smaller one
// only, with any DC path the larger gave noted. With `measured`, every
// candidate is tuned into the data. Ranked by the in-band maximum transducer
// loss, then |S11| (for ideal parts the order of |S11| alone).
// Throws TuneCancelled when `stop` is raised, std::invalid_argument for
// ranges PartRangesError rejects.
CandidateSet BuildCandidates(const DesignInputs &inputs, const DesignResult &design,
                             std::shared_ptr<const MeasuredLoad> measured,
                             const CandidateOptions &options = {});

} // namespace tevmar::analysis
