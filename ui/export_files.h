#pragma once

// The files an engineer takes from the window elsewhere, in the same formats
// as tevmar-cli writes them, for the latest solved design and the choices of
// the Response window.

#include "ui/design_record.h"
#include "ui/response_model.h"

#include <string>

namespace tevmar {

enum class ExportKind { Json, Touchstone, Spice, SweepCsv };

struct ExportFormat
{
    ExportKind kind;
    const char *title;         // "Export JSON"
    const char *suggestedName; // "tevmar.json"
    const char *suffix;        // "json", added when the name has none
    const char *filter;        // "JSON (*.json)"
};

const ExportFormat &FormatOf(ExportKind kind);

// The file's text. JSON: the design, its inputs and the figures the Response
// window shows. Touchstone: the full-precision network alone over the window's
// sweep, both ports referred to 50 ohms. SPICE: the subcircuit with
// full-precision values and its test bench over the band. CSV: the window's
// sweep of the full-precision and printed networks, plus the snapped network
// and the full-precision network with finite Q when those are chosen.
// Throws std::exception when the settings cannot be computed or a figure is
// not finite.
std::string ExportText(ExportKind kind, const DesignRecord &design,
                       const ResponseSettings &settings);

} // namespace tevmar
