#pragma once

// Designs for the Response window and export tests, solved exactly as
// Calculate solves them, without touching the report file.

#include "session/run/calculation.h"
#include "session/run/run.h"
#include "session/views/response.h"

#include <stdexcept>
#include <string>

namespace tevmar::test {

// Order 8, shunt RC load of 1 pF absorbed, 1 to 2 GHz, 50 to 10 ohms.
inline DesignInputs ShuntRc1pF()
{
    return {"1", "2", "50", "10", 8, LoadType::ShuntRC, true, "1"};
}

// Order 4, nothing absorbed: the worked design of the report.
inline DesignInputs Order4Plain()
{
    return {"1", "2", "50", "10", 4, LoadType::SeriesRL, false, " 0.0"};
}

inline session::CalculateOutcome Solve(const DesignInputs &inputs)
{
    return session::Calculate(inputs);
}

// What an export of `design` writes under the Response window's choices: the
// file's text as a run puts it on standard output. Settings the window
// refuses throw std::invalid_argument, as nothing is written for them.
inline std::string ExportFileText(session::ExportKind kind, const session::CalculateOutcome &design,
                                  const session::ResponseSettings &settings)
{
    if (const std::string problem = session::SettingsProblem(settings, design); !problem.empty())
        throw std::invalid_argument(problem);
    session::Request request;
    request.design = design.inputs;
    request.settings = session::AnalysisSettingsOf(settings);
    request.files = {{kind, session::kStandardOutputPath, "export"}};
    return session::Run(request).standardOutput;
}

} // namespace tevmar::test
