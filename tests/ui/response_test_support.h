#pragma once

// Designs for the Response window and export tests, solved on an in-memory
// window exactly as Calculate solves them.

#include "analysis/design_inputs.h"
#include "engine/design_run.h"
#include "engine/memory_window.h"
#include "ui/design_record.h"

#include <optional>
#include <string>

namespace tevmar::test {

struct DesignInput
{
    const char *f1, *f2, *zhigh, *zlow;
    Option order = Option::N4;
    Option load = Option::SRL;
    std::optional<const char *> absorb = std::nullopt; // LC_abs ticked, this text in LC_text
};

// Order 8, shunt RC load of 1 pF absorbed, 1 to 2 GHz, 50 to 10 ohms.
inline const DesignInput kShuntRc1pF{"1", "2", "50", "10", Option::N8, Option::PRC, "1"};
// Order 4, nothing absorbed: the worked design of the report.
inline const DesignInput kOrder4Plain{"1", "2", "50", "10"};

inline DesignRecord Solve(const DesignInput &in)
{
    TypedInputs typed{in.f1, in.f2, in.zhigh, in.zlow, in.order, in.load, std::nullopt};
    if (in.absorb)
        typed.absorbText = *in.absorb;
    MemoryWindow window(typed);
    DesignRecord record;
    record.inputs = analysis::CaptureInputs(window);
    NullReportSink noReport;
    record.result = Calc_BP_Click(window, record.state, noReport);
    return record;
}

} // namespace tevmar::test
