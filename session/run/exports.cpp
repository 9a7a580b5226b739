#include "session/run/exports.h"

#include "format/bom.h"
#include "format/export_json.h"
#include "format/export_spice.h"

#include <stdexcept>

namespace tevmar::session {

const ExportFormat &FormatOf(ExportKind kind)
{
    static const ExportFormat formats[] = {
        {ExportKind::Json, "Export JSON", "tevmar.json", "json", "JSON (*.json)"},
        {ExportKind::Touchstone, "Export Touchstone", "tevmar.s2p", "s2p",
         "Touchstone two-port (*.s2p)"},
        {ExportKind::Spice, "Export SPICE Netlist", "tevmar.cir", "cir",
         "SPICE netlist (*.cir *.sp *.net)"},
        {ExportKind::SweepCsv, "Export Sweep CSV", "tevmar-sweep.csv", "csv",
         "Comma-separated values (*.csv)"},
        {ExportKind::TouchstoneV2, "Export Touchstone 2.0", "tevmar-v2.s2p", "s2p",
         "Touchstone 2.0 two-port (*.s2p)"},
        {ExportKind::Bom, "Export Bill of Materials", "tevmar-bom.csv", "csv",
         "Comma-separated values (*.csv)"},
    };
    return formats[static_cast<std::size_t>(kind)];
}

std::vector<format::CsvNetwork> CsvNetworks(const analysis::NetworkAnalysis &a)
{
    // A tuned network's columns say so: "tuned_full_s11_db"; its standard
    // values are those the neighbour search found.
    const std::string prefix = a.tuned ? "tuned_" : "";
    std::vector<format::CsvNetwork> networks{{prefix + "full", a.full},
                                             {prefix + "printed", a.printed}};
    if (a.standardValues)
        networks.push_back({prefix + "snapped", a.standardValues->ladder});
    if (a.finiteQ)
        networks.push_back(
            {prefix + "full_with_q", analysis::WithLosses(a.full, a.finiteQ->losses)});
    // A file describes the network between its ports' resistances and the
    // load model, as the Touchstone and SPICE files do, never the measured
    // data it was analysed against.
    for (format::CsvNetwork &network : networks)
        network.ladder.measured = nullptr;
    return networks;
}

std::string ExportText(ExportKind kind, const CalculateOutcome &design,
                       const analysis::NetworkAnalysis &a, const std::vector<double> &sweepHz,
                       double touchstoneOhms)
{
    switch (kind) {
    case ExportKind::Json:
        return format::DesignJson(design.inputs, design.result, design.reportError, &a);
    case ExportKind::Touchstone:
        return format::TouchstoneText(a.full, sweepHz, touchstoneOhms);
    case ExportKind::TouchstoneV2:
        return format::TouchstoneV2Text(a.full, sweepHz);
    case ExportKind::Spice:
        return format::SpiceNetlist(a.full, a.band);
    case ExportKind::SweepCsv:
        return format::SweepCsv(CsvNetworks(a), sweepHz);
    case ExportKind::Bom:
        return format::BomCsv(a.full);
    }
    throw std::invalid_argument("unknown export");
}

} // namespace tevmar::session
