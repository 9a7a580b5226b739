#pragma once

// Design runs for the analysis tests: the real design run on typed inputs.

#include "engine/design.h"
#include "engine/design_inputs.h"

#include <string>

namespace tevmar::analysis {

struct DesignCase
{
    const char *name;
    const char *f1Ghz;
    const char *f2Ghz;
    const char *zhighOhms;
    const char *zlowOhms;
    int order;
    LoadType load;
    const char *absorb = nullptr; // the value absorbed, which ticks the LC Absorption box
};

struct Design
{
    DesignInputs inputs;
    DesignResult result;
};

inline DesignInputs InputsOf(const DesignCase &c)
{
    DesignInputs inputs;
    inputs.f1Text = c.f1Ghz;
    inputs.f2Text = c.f2Ghz;
    inputs.zhighText = c.zhighOhms;
    inputs.zlowText = c.zlowOhms;
    inputs.networkOrder = c.order;
    inputs.loadType = c.load;
    if (c.absorb) {
        inputs.absorb = true;
        inputs.absorbText = c.absorb;
    }
    return inputs;
}

inline Design RunDesign(const DesignCase &c)
{
    Design d;
    d.inputs = InputsOf(c);
    d.result = tevmar::RunDesign(d.inputs);
    return d;
}

constexpr LoadType SRL = LoadType::SeriesRL;
constexpr LoadType SRC = LoadType::SeriesRC;
constexpr LoadType PRL = LoadType::ShuntRL;
constexpr LoadType PRC = LoadType::ShuntRC;

// The worked designs (1 to 2 GHz, 50 to 10 ohms) and a few more across the
// orders, load types and bands, each of which the design run solves.
inline const DesignCase kDesigns[] = {
    {"N4_ShuntRL_Inductive", "1", "2", "50", "10", 4, PRL},
    {"N4_ShuntRC_Capacitive", "1", "2", "50", "10", 4, PRC},
    {"N8_SeriesRL_Absorbed", "1", "2", "50", "10", 8, SRL, "0.5"},
    {"N8_ShuntRC_Absorbed", "1", "2", "50", "10", 8, PRC, "1"},
    {"N12_11To31GHz", "11", "31", "381", "99", 12, SRL},
    {"N12_SeriesRC_Absorbed", "2", "4", "50", "5", 12, SRC, "20"},
    {"N4_ShuntRC_6To18GHz", "6", "18", "20", "5", 4, PRC, "0.9"},
};

// One absorbing design of each load type. The series RL case is the one where
// counting the load's 1 nH twice turned an |S11| max of 0.0016 into 0.25.
inline const DesignCase kAbsorbingDesigns[] = {
    {"SeriesRL_1nH", "2.3", "2.7", "50", "33", 4, SRL, "1"},
    {"SeriesRC_20pF", "2", "4", "50", "5", 12, SRC, "20"},
    {"ShuntRL_10nH", "1", "2", "50", "10", 8, PRL, "10"},
    {"ShuntRC_1pF", "1", "2", "50", "10", 8, PRC, "1"},
};

} // namespace tevmar::analysis
