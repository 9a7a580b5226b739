#include "session/run/exports.h"

#include "analysis/model/circuit_expression.h"
#include "format/bom.h"
#include "format/export_json.h"
#include "format/export_spice.h"
#include "format/layout_csv.h"
#include "format/port_text.h"
#include "report/number_format.h"

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
        {ExportKind::Layout, "Export Layout Table", "tevmar-layout.csv", "csv",
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
    // Into a measured load the sweep is into the data where they reach and
    // into the fitted model beyond, each row marked (format::SweepCsv).
    return networks;
}

namespace {

// A netlist cannot hold measured data: its bench terminates the network in
// the fitted model. Its header says so and gives the figure into that model
// beside the one into the data, so that a simulation is compared with the
// right number. A load written as a circuit is in the bench as typed; only a
// measured source is then the fitted model.
std::string WithFittedModelNote(std::string netlist, const analysis::Network &ladder,
                                const analysis::Band &band)
{
    if (!ladder.measured)
        return netlist;
    const bool loadCircuit = analysis::CircuitOf(ladder.measured->exact) != nullptr;
    const bool source = ladder.measured->source != nullptr;
    if (loadCircuit && !source)
        return netlist;
    const bool loadData = !ladder.measured->modelDescribes;
    const bool sourceData = format::SourceDataOnly(ladder);
    if (loadData || sourceData) {
        // No fitted kind describes the load (or the source): the bench holds
        // no model of it, only the resistance its data were measured against.
        const std::string bench =
            !sourceData ? "its port resistances alone: no fitted model describes the measured "
                          "load, and a netlist cannot hold its data"
            : loadData  ? "the resistances its ports are referred to: no fitted model describes "
                          "the measured load or source, and a netlist cannot hold their data"
                        : std::string(loadCircuit ? "the load's circuit as typed"
                                                  : "the fitted model of the load") +
                             ", driven through the resistance the source's port is referred to: "
                             "no fitted model describes the measured source, and a netlist "
                             "cannot hold its data";
        const std::string note =
            "* The bench terminates the network in " + bench +
            "\n* Worst in-band |S11| into the measured data: " +
            SignificantNumber(analysis::PassbandFiguresOf(ladder, band).gammaMax, 6) + "\n";
        const std::size_t firstLine = netlist.find('\n');
        netlist.insert(firstLine == std::string::npos ? netlist.size() : firstLine + 1, note);
        return netlist;
    }
    analysis::Network model = ladder;
    if (loadCircuit) {
        auto load = std::make_shared<analysis::MeasuredLoad>(*ladder.measured);
        load->source = nullptr;
        model.measured = std::move(load);
    } else {
        model.measured = nullptr;
    }
    const double intoModel = analysis::PassbandFiguresOf(model, band).gammaMax;
    const double intoData = analysis::PassbandFiguresOf(ladder, band).gammaMax;
    const std::string note =
        std::string("* The bench terminates the network in the fitted model of the ") +
        (loadCircuit ? "source"
         : source    ? "load and the source"
                     : "load") +
        ", not the measured data, which a netlist cannot hold\n"
        "* Worst in-band |S11| into the fitted model: " +
        SignificantNumber(intoModel, 6) +
        " (into the measured data: " + SignificantNumber(intoData, 6) + ")\n";
    const std::size_t firstLine = netlist.find('\n');
    netlist.insert(firstLine == std::string::npos ? netlist.size() : firstLine + 1, note);
    return netlist;
}

} // namespace

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
        return WithFittedModelNote(format::SpiceNetlist(a.full, a.band), a.full, a.band);
    case ExportKind::SweepCsv:
        return format::SweepCsv(CsvNetworks(a), sweepHz);
    case ExportKind::Bom:
        return format::BomCsv(a.full);
    case ExportKind::Layout:
        return format::LayoutCsv(a.full);
    }
    throw std::invalid_argument("unknown export");
}

} // namespace tevmar::session
