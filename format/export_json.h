#pragma once

// The design and its analysis as one JSON document.

#include "analysis/figures/network_analysis.h"
#include "engine/design_inputs.h"
#include "format/json_number.h"

#include <string>

namespace tevmar::format {

// Inputs as typed and as read, band parameters, Q values, the achieved ratio,
// loss and VSWR figures, topology, the two ports (end, termination as read,
// any absorbed load) and the element table (printed and full-precision values;
// the absorbed load's row marked, each part named and flagged when below
// 0.1 nH or 0.1 pF), then the analysis figures that `analysis` holds. Units are
// "ohms", "nH" and "pF"; negative zero is written as 0.
// A design that found no solution gives the inputs and the status only; a
// non-empty `reportError` says why the report file was not saved.
// Throws std::domain_error should any figure be infinite or NaN.
// "series inductor", "shunt capacitor", "termination": an element table
// row's kind as the JSON names it; a part's is its Description().
std::string ElementKindName(ElementKind kind);

// The document's "elements" of a solved design: the element table from port 1.
Json DesignElementsJson(const DesignResult &design);

// The document as a tree, for the sections of a tuned network, candidates,
// a kit or a measured load to be added to before it is written once.
Json DesignDocument(const DesignInputs &inputs, const DesignResult &design,
                    const std::string &reportError, const analysis::NetworkAnalysis *analysis);

// A document's text as every front end writes it: two-space indents, one
// newline at the end.
std::string DocumentText(const Json &document);

// DesignDocument as its text.
std::string DesignJson(const DesignInputs &inputs, const DesignResult &design,
                       const std::string &reportError, const analysis::NetworkAnalysis *analysis);

// The "analysis" object of DesignJson alone, with the same rule for figures
// that are not finite: for a network other than the design's (the tuned one).
Json AnalysisTree(const analysis::NetworkAnalysis &analysis);

} // namespace tevmar::format
