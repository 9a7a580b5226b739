#pragma once

// The lines of a design report, for the output pane and for the report file.
// The pane shows only the results from its left edge; the file adds a title
// block, the band and the ports, and indents by nine spaces.

#include "engine/design_inputs.h"
#include "engine/design_result.h"
#include "report/line.h"

#include <string>

namespace tevmar {

struct ReportLines
{
    LineList pane;
    // The report file's bytes: every line composed into character columns and
    // ending CR LF, the last one included.
    std::string file;
};

// The report of a solved design, in the order of its stages: Q and
// transformation lines, loss and VSWR lines, the network heading, the element
// table. The band and port texts appear as typed.
ReportLines DesignReport(const DesignInputs &inputs, const DesignResult &design);

} // namespace tevmar
