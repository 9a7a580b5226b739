#pragma once

// The worked designs of the report tests (band 1 to 2 GHz, Zhigh 50, Zlow 10)
// and one design run on an in-memory window, reported to a file.

#include "engine/design_run.h"
#include "engine/memory_window.h"
#include "report/report_file.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace tevmar::test_files {

struct WorkedDesign
{
    const char *name; // also the name of its golden files
    Option order;
    Option loadType;
    std::optional<std::string> absorbText;
};

inline const std::vector<WorkedDesign> kWorkedDesigns = {
    {"order4_shunt_rl", Option::N4, Option::PRL, std::nullopt},
    {"order4_shunt_rc", Option::N4, Option::PRC, std::nullopt},
    {"order8_series_rl_0p5nH", Option::N8, Option::SRL, "0.5"},
    {"order8_shunt_rc_1pF", Option::N8, Option::PRC, "1"},
};

inline void TypeDesign(MemoryWindow &window, const WorkedDesign &design,
                       const std::string &zhigh = "50", const std::string &zlow = "10")
{
    window.Type(TextBox::F1_text, "1");
    window.Type(TextBox::F2_text, "2");
    window.Type(TextBox::Zhigh_text, zhigh);
    window.Type(TextBox::Zlow_text, zlow);
    window.Select(design.order);
    window.Select(design.loadType);
    window.SetCheckBox(design.absorbText ? 1 : 0);
    if (design.absorbText)
        window.Type(TextBox::LC_text, *design.absorbText);
}

// Runs Calculate on the window, saving the report to `reportPath`.
inline DesignResult Calculate(MemoryWindow &window, const std::filesystem::path &reportPath)
{
    DesignState state;
    ReportFile report(reportPath);
    return Calc_BP_Click(window, state, report);
}

inline std::string GoldenPath(const WorkedDesign &design, const char *extension)
{
    return std::string(TEVMAR_GOLDEN_DIR) + "/" + design.name + extension;
}

} // namespace tevmar::test_files
