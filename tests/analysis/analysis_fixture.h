#pragma once

// Design runs for the analysis tests: the real design run on a window in memory.

#include "engine/design_run.h"
#include "engine/memory_window.h"

#include <string>

namespace tevmar::analysis {

struct DesignCase
{
    const char *name;
    const char *f1Ghz;
    const char *f2Ghz;
    const char *zhighOhms;
    const char *zlowOhms;
    Option order;
    Option load;
    const char *absorb = nullptr; // LC_text when the load reactance is absorbed
};

struct Design
{
    MemoryWindow window;
    DesignState state;
    DesignResult result;
};

inline void TypeCase(MemoryWindow &window, const DesignCase &c)
{
    TypedInputs inputs{c.f1Ghz, c.f2Ghz, c.zhighOhms, c.zlowOhms, c.order, c.load, std::nullopt};
    if (c.absorb)
        inputs.absorbText = c.absorb;
    window = MemoryWindow(inputs);
}

inline Design RunDesign(const DesignCase &c)
{
    Design d;
    TypeCase(d.window, c);
    NullReportSink sink;
    d.result = Calc_BP_Click(d.window, d.state, sink);
    return d;
}

// The worked designs (1 to 2 GHz, 50 to 10 ohms) and a few more across the
// orders, load types and bands, each of which the design run solves.
inline const DesignCase kDesigns[] = {
    {"N4_ShuntRL_Inductive", "1", "2", "50", "10", Option::N4, Option::PRL},
    {"N4_ShuntRC_Capacitive", "1", "2", "50", "10", Option::N4, Option::PRC},
    {"N8_SeriesRL_Absorbed", "1", "2", "50", "10", Option::N8, Option::SRL, "0.5"},
    {"N8_ShuntRC_Absorbed", "1", "2", "50", "10", Option::N8, Option::PRC, "1"},
    {"N12_11To31GHz", "11", "31", "381", "99", Option::N12, Option::SRL},
    {"N12_SeriesRC_Absorbed", "2", "4", "50", "5", Option::N12, Option::SRC, "20"},
    {"N4_ShuntRC_6To18GHz", "6", "18", "20", "5", Option::N4, Option::PRC, "0.9"},
};

} // namespace tevmar::analysis
