#pragma once

// --band and --reject: several bands matched at once in place of --f1 and
// --f2, each passband with its own |S11| limit or weight, and bands the
// network must reject.

#include "analysis/figures/goal.h"
#include "session/options/command_options.h"

#include <optional>
#include <string>
#include <vector>

namespace tevmar::session {

// One band as written: its edges' texts (for the design's boxes, as typed)
// and the band read from them.
struct BandText
{
    std::string f1Text, f2Text;
    analysis::GoalBand band;
};

struct BandArguments
{
    std::vector<BandText> bands;   // every --band, in the order given
    std::vector<BandText> rejects; // every --reject
    // How the messages name the bands when a front end gave them as numbers
    // by parameters of its own (the Python module's bands= and reject=);
    // empty: as the options are named.
    std::string bandsName, rejectName;

    bool Given() const { return !bands.empty() || !rejects.empty(); }
    // One plain passband and nothing else: the same run as --f1 and --f2.
    bool Plain() const
    {
        return rejects.empty() && bands.size() == 1 && !bands.front().band.limitGiven &&
               bands.front().band.weight == 1;
    }
    // Every band, passbands first, as the goal scores them.
    analysis::Goal GoalOf() const;
};

// A band as a front end gives it in numbers: its edges in GHz; a passband's
// |S11| limit in dB (below 0) or its weight, or a rejection band's
// attenuation in dB (above 0).
struct BandValues
{
    double f1Ghz = 0, f2Ghz = 0;
    std::optional<double> limitDb, weight, attenuationDb;
};

// Bands given as numbers added to `arguments` (to its rejection bands when
// `reject`), each checked as --band and --reject check theirs, the edges
// kept as their shortest texts; the first problem, or empty.
std::string AddBandValues(const std::vector<BandValues> &bands, bool reject,
                          BandArguments &arguments);

// "--band F1:F2[@LIMITdB|@wWEIGHT]" and "--reject F1:F2@ATTdB", each
// repeatable (and a value may list several bands apart by commas), filling
// `arguments`. Each refuses a band it cannot read: edges in GHz above 0, the
// lower first; a limit in dB below 0 (-15dB: |S11| at most 0.178); a weight
// above 0 ("w2"); an attenuation in dB above 0.
OptionTable BandOptions(BandArguments &arguments);

// Problems between the bands and the other options given: --f1 or --f2 with
// --band, --reject without --band, bands that overlap or touch. Names the
// options as `naming` does; empty when there are none.
std::string CheckBands(const BandArguments &arguments, const std::vector<std::string> &given,
                       const OptionNaming &naming);

} // namespace tevmar::session
