#include "ui/export_files.h"

#include "analysis/export_csv.h"
#include "analysis/export_json.h"
#include "analysis/export_spice.h"
#include "analysis/export_touchstone.h"

#include <stdexcept>

namespace tevmar {

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
    };
    return formats[static_cast<std::size_t>(kind)];
}

namespace {

std::vector<double> SweepOf(const ResponseSettings &settings, const analysis::Band &band)
{
    return analysis::SweepFrequencies(SweepPlanOf(settings, band));
}

std::string CsvText(const DesignRecord &design, const ResponseSettings &settings)
{
    const analysis::NetworkAnalysis a =
        analysis::AnalyseDesign(design.result, design.state, AnalysisOptionsOf(settings));
    std::vector<analysis::CsvNetwork> networks{{"full", a.full, {}}, {"printed", a.printed, {}}};
    if (a.standardValues)
        networks.push_back({"snapped", a.standardValues->ladder, {}});
    if (a.finiteQ)
        networks.push_back({"full_with_q", a.full, a.finiteQ->losses});
    return analysis::SweepCsv(networks, SweepOf(settings, a.band));
}

} // namespace

std::string ExportText(ExportKind kind, const DesignRecord &design,
                       const ResponseSettings &settings)
{
    const analysis::Band band = analysis::BandOf(design.state);
    if (const std::string problem = SettingsProblem(settings, band); !problem.empty())
        throw std::invalid_argument(problem);
    switch (kind) {
    case ExportKind::Json: {
        const analysis::NetworkAnalysis a =
            analysis::AnalyseDesign(design.result, design.state, AnalysisOptionsOf(settings));
        return analysis::DesignJson(design.inputs, design.result, design.state, &a);
    }
    case ExportKind::Touchstone:
        return analysis::TouchstoneText(
            analysis::FromDesign(design.result, analysis::Precision::Full),
            SweepOf(settings, band));
    case ExportKind::Spice:
        return analysis::SpiceNetlist(
            analysis::FromDesign(design.result, analysis::Precision::Full), band);
    case ExportKind::SweepCsv:
        return CsvText(design, settings);
    }
    throw std::invalid_argument("unknown export");
}

} // namespace tevmar
