#pragma once

// Designs for the Response window and export tests, solved exactly as
// Calculate solves them, without touching the report file.

#include "session/calculation.h"

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

} // namespace tevmar::test
