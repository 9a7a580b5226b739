#pragma once

// The worked designs of the report tests (band 1 to 2 GHz, Zhigh 50, Zlow 10)
// and their golden report files.

#include "engine/design_inputs.h"

#include <optional>
#include <string>
#include <vector>

namespace tevmar::test_files {

struct WorkedDesign
{
    const char *name; // also the name of its golden files
    int order;
    LoadType loadType;
    std::optional<std::string> absorbText; // ticks the LC Absorption box
};

inline const std::vector<WorkedDesign> kWorkedDesigns = {
    {"order4_shunt_rl", 4, LoadType::ShuntRL, std::nullopt},
    {"order4_shunt_rc", 4, LoadType::ShuntRC, std::nullopt},
    {"order8_series_rl_0p5nH", 8, LoadType::SeriesRL, "0.5"},
    {"order8_shunt_rc_1pF", 8, LoadType::ShuntRC, "1"},
};

// The inputs as the engineer types them for the design.
inline DesignInputs InputsOf(const WorkedDesign &design, const std::string &zhigh = "50",
                             const std::string &zlow = "10")
{
    DesignInputs inputs;
    inputs.f1Text = "1";
    inputs.f2Text = "2";
    inputs.zhighText = zhigh;
    inputs.zlowText = zlow;
    inputs.networkOrder = design.order;
    inputs.loadType = design.loadType;
    inputs.absorb = design.absorbText.has_value();
    if (design.absorbText)
        inputs.absorbText = *design.absorbText;
    return inputs;
}

inline std::string GoldenPath(const WorkedDesign &design, const char *extension)
{
    return std::string(TEVMAR_GOLDEN_DIR) + "/" + design.name + extension;
}

} // namespace tevmar::test_files
