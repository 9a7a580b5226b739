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
    MemoryWindow window;
    window.Type(TextBox::F1_text, in.f1);
    window.Type(TextBox::F2_text, in.f2);
    window.Type(TextBox::Zhigh_text, in.zhigh);
    window.Type(TextBox::Zlow_text, in.zlow);
    window.Select(in.order);
    window.Select(in.load);
    if (in.absorb) {
        window.SetCheckBox(1);
        window.Type(TextBox::LC_text, *in.absorb);
    }
    DesignRecord record;
    record.inputs = analysis::CaptureInputs(window);
    NullReportSink noReport;
    record.result = Calc_BP_Click(window, record.state, noReport);
    return record;
}

} // namespace tevmar::test
