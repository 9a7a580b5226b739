#pragma once

// The files an engineer takes elsewhere, written alike from the window and
// from tevmar-cli: JSON, Touchstone, SPICE and the CSV sweep.

#include "analysis/figures/network_analysis.h"
#include "format/export_csv.h"
#include "format/export_touchstone.h"
#include "session/run/calculation.h"

#include <string>
#include <vector>

namespace tevmar::session {

// Bom, the bill of materials, is tevmar-cli's alone (--bom with a kit), and
// so is Layout, the table of the strips on a board (--layout).
enum class ExportKind { Json, Touchstone, Spice, SweepCsv, TouchstoneV2, Bom, Layout };

// Every export, in the order a front end offers them.
inline constexpr ExportKind kExportKinds[] = {ExportKind::Json, ExportKind::Touchstone,
                                              ExportKind::TouchstoneV2, ExportKind::Spice,
                                              ExportKind::SweepCsv};

struct ExportFormat
{
    ExportKind kind;
    const char *title;         // "Export JSON"
    const char *suggestedName; // "tevmar.json"
    const char *suffix;        // "json", added when the name has none
    const char *filter;        // "JSON (*.json)"
};

const ExportFormat &FormatOf(ExportKind kind);

// The networks of the CSV sweep, each with the true load: the full-precision
// and printed networks, then the snapped network and the full-precision
// network with finite Q when the analysis has them. A measured load is left
// out: the load side is the fitted resistance with its reactance.
std::vector<format::CsvNetwork> CsvNetworks(const analysis::NetworkAnalysis &analysis);

// The file's text for a solved design and its analysis. JSON: the inputs, the
// design and the analysis figures. Touchstone: the full-precision network alone
// (no terminations, no absorbed load) over `sweep`, both ports referred to
// `touchstoneOhms`. Touchstone 2.0: the same network, port 1 referred to the
// high-impedance termination and port 2 to the low-impedance one. SPICE: the
// subcircuit and its test bench, which attaches the load, over the band. CSV:
// CsvNetworks over `sweep`. Throws
// std::exception when a figure is not finite or the sweep cannot be made.
std::string ExportText(ExportKind kind, const CalculateOutcome &design,
                       const analysis::NetworkAnalysis &analysis,
                       const std::vector<double> &sweepHz,
                       double touchstoneOhms = format::kDefaultTouchstoneOhms);

} // namespace tevmar::session
