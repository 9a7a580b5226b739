#pragma once

// Which parts the Response window builds its networks from: ideal inductors
// and capacitors, or chip parts described by their maker's figures (the
// inductor's Q at a frequency and its winding capacitance, the capacitor's
// ESL and ESR, a pad's capacitance at every node). The texts are those
// tevmar-cli takes, read by its own option table, so that the window and the
// command line accept and refuse the same texts with the same words.

#include "session/views/response.h"

namespace tevmar::session {
class Study;
}

#include <string>

namespace tevmar::session {

enum class PartSource { Ideal, ChipModels, Kit };

struct PartChoice
{
    PartSource source = PartSource::Ideal;
    // As --l-model, --c-model and --pad take them; an empty text leaves that
    // kind ideal (no pads).
    std::string inductorModel = {};  // "55@1.5GHz,0.157pF"
    std::string capacitorModel = {}; // "0.45nH,0.12@1GHz"
    std::string pad = {};            // "0.05pF"
    // A folder of the kit's measured parts, as --parts takes it.
    std::string kitFolder = {};

    friend bool operator==(const PartChoice &, const PartChoice &) = default;
};

// The settings with the choice's part models in place of those before, or
// the settings unchanged and why the choice cannot be read.
struct PartChoiceReading
{
    ResponseSettings settings;
    std::string problem; // as tevmar-cli words it ("--pad: ..."), empty when read
};

// With chip models a Q of the same kind is dropped: the model gives that
// kind's loss, as the command line refuses both together. A kit's measured
// parts carry their own loss, so with a kit both Qs go; with `band` the
// folder is read for it and the kit reader's words are the problem.
PartChoiceReading ApplyPartChoice(const PartChoice &choice, const ResponseSettings &settings,
                                  const analysis::Band *band = nullptr);

// Why the kit the settings build from cannot serve `band` now - its folder
// deleted, emptied or made unreadable since it was chosen - in the words
// tevmar-cli --parts gives ("--parts: kits/0402: cannot be found (...)");
// empty off a kit or while it serves. As the command line refuses such a
// run, the candidates and the tune on the kit are none, and this says why.
std::string KitProblem(Study &study, const ResponseSettings &settings, const analysis::Band &band);

// A line naming the parts as built, for the legend and the figures:
// "ideal parts" or "chip L 55@1.5GHz,0.157pF, pads 0.05 pF".
std::string PartChoiceSummary(const ResponseSettings &settings);

} // namespace tevmar::session
