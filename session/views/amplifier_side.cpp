#include "session/views/amplifier_side.h"

#include "analysis/amplifier/amplifier.h"
#include "analysis/figures/network_analysis.h"
#include "analysis/model/termination.h"
#include "format/export_csv.h"
#include "format/export_spice.h"
#include "format/export_touchstone.h"
#include "format/port_text.h"
#include "report/number_format.h"
#include "units/quantity.h"

#include <cmath>
#include <memory>
#include <stdexcept>
#include <utility>

namespace tevmar::session {

namespace {

// The side's network between its port resistances: what the Touchstone and
// SPICE files describe.
analysis::Network AloneOf(const AmplifierSideNetwork &side)
{
    analysis::Network alone = side.network;
    alone.measured = nullptr;
    return alone;
}

// A termination as the network's measured ends take it: exact at every
// frequency, its points (at the device's data frequencies) only there for
// whatever looks at points. A transistor's port has no fitted model.
std::shared_ptr<analysis::MeasuredLoad> Exactly(const analysis::Termination &termination,
                                                const std::vector<double> &pointsHz)
{
    auto end = std::make_shared<analysis::MeasuredLoad>();
    end->exact = [termination](double hz) { return termination.ImpedanceAt(hz); };
    end->frequenciesHz = pointsHz;
    for (const double hz : pointsHz)
        end->impedanceOhms.push_back(termination.ImpedanceAt(hz));
    end->port = 2;
    end->modelDescribes = false;
    return end;
}

// What stands at each port of a side, for the files' headers: the writers
// name a matching network's ports by their resistances and its load; a
// side's ports are a termination and a transistor's port.
std::vector<std::string> SidePortLines(const AmplifierSideNetwork &side)
{
    const analysis::Network &n = side.network;
    const std::string device = "referred to " + ShortestNumber(side.referenceOhms) + " ohms";
    const std::string resistor = side.stabiliser ? " and its stabilising resistor" : "";
    if (side.side == AmplifierSide::Input)
        return {"Port 1: the source, " + ShortestNumber(n.port1Ohms) + " ohms",
                "Port 2: the transistor's input" + resistor +
                    ", with the output network and the load behind it; " + device};
    return {"Port 1: the transistor's output" + resistor +
                ", with the input network and the source behind it; " + device,
            "Port 2: the load, " + ShortestNumber(n.port2Ohms) + " ohms"};
}

// A file of the side's network alone, its generic port lines (each after
// the file's comment mark) replaced by the side's own.
std::string WithSidePorts(std::string text, const AmplifierSideNetwork &side,
                          const std::string &mark)
{
    const std::vector<std::string> generic = format::PortLines(AloneOf(side));
    std::string block;
    for (const std::string &line : generic)
        block += mark + line + "\n";
    std::string own;
    for (const std::string &line : SidePortLines(side))
        own += mark + line + "\n";
    if (const std::size_t at = text.find(block); at != std::string::npos)
        text.replace(at, block.size(), own);
    return text;
}

} // namespace

AmplifierSideNetwork AmplifierSideOf(const AmplifierOutcome &outcome, AmplifierSide side)
{
    const analysis::Amplifier &a = outcome.amplifier;
    const bool input = side == AmplifierSide::Input;
    AmplifierSideNetwork shown;
    shown.side = side;
    const analysis::Topology topology = input ? a.inputTopology : a.outputTopology;
    shown.origin.source = NetworkSource::AmplifierSide;
    shown.origin.rank = static_cast<int>(side);
    shown.origin.topology = analysis::TopologyName(topology);
    shown.origin.parts = static_cast<int>((input ? a.input : a.output).parts.size());
    shown.title = std::string(input ? "Input network (source to device), "
                                    : "Output network (device to load), ") +
                  shown.origin.topology;
    const std::vector<analysis::AmplifierPoint> &band = a.dense.empty() ? a.band : a.dense;
    if (!band.empty()) {
        shown.band.lowHz = band.front().frequencyHz;
        shown.band.highHz = band.back().frequencyHz;
        shown.band.centreHz = std::sqrt(shown.band.lowHz * shown.band.highHz);
    }
    for (const analysis::AmplifierPoint &p : outcome.whole)
        shown.frequenciesHz.push_back(p.frequencyHz);
    shown.referenceOhms = outcome.data.referenceOhms;
    shown.stabiliser = a.stabiliser && (input ? a.stabiliser->inputSeriesOhms.has_value()
                                              : a.stabiliser->outputShuntOhms.has_value());
    // The device's port as this side sees it: the other side and its
    // termination behind the transistor, through its feedback.
    const analysis::Termination device =
        analysis::AmplifierDevicePort(outcome.data, a, outcome.source, outcome.load, input ? 1 : 2);
    const analysis::Termination &port1 = input ? outcome.source : device;
    const analysis::Termination &port2 = input ? device : outcome.load;
    shown.network = input ? a.input : a.output;
    const std::vector<double> &points = outcome.data.frequenciesHz;
    std::shared_ptr<analysis::MeasuredLoad> ends = Exactly(port2, points);
    ends->source = Exactly(port1, points);
    shown.network.measured = std::move(ends);
    return shown;
}

std::vector<TwoPortS> AmplifierSideSParameters(const AmplifierSideNetwork &side,
                                               const std::vector<double> &frequenciesHz)
{
    return NetworkSParameters(side.network, frequenciesHz);
}

std::string AmplifierSideFile(const AmplifierSideNetwork &side, ExportKind kind)
{
    const std::string name = side.side == AmplifierSide::Input ? "input" : "output";
    switch (kind) {
    case ExportKind::Touchstone:
        return WithSidePorts(
            format::TouchstoneText(AloneOf(side), side.frequenciesHz, side.referenceOhms), side,
            "! ");
    case ExportKind::TouchstoneV2:
        return WithSidePorts(format::TouchstoneV2Text(AloneOf(side), side.frequenciesHz), side,
                             "! ");
    case ExportKind::SweepCsv:
        // Into the terminations themselves, every row exact.
        return format::SweepCsv({format::CsvNetwork{name, side.network}}, side.frequenciesHz);
    case ExportKind::Spice:
        return WithSidePorts(format::SpiceNetlist(AloneOf(side), side.band), side, "* ");
    default:
        throw std::invalid_argument("an amplifier's side is written as Touchstone, CSV or SPICE");
    }
}

CalculateOutcome AmplifierSideShown(const AmplifierSideNetwork &side)
{
    CalculateOutcome shown;
    shown.result.solved = true;
    // The band as a design run's, for whatever sweeps over it.
    BandParameters &band = shown.result.band;
    band.F1 = units::Frequency::FromHz(side.band.lowHz).mhz();
    band.F2 = units::Frequency::FromHz(side.band.highHz).mhz();
    band.F0 = units::Frequency::FromHz(side.band.centreHz).mhz();
    band.BW = band.F2 - band.F1;
    band.Qt = band.BW > 0 ? band.F0 / band.BW : 0;
    band.F0GHz = units::Frequency::FromHz(side.band.centreHz).ghz();
    analysis::DesignedNetwork designed;
    designed.band = side.band;
    designed.full = side.network;
    // Built on the amplifier's own values: nothing is rounded for a report.
    designed.roundedAsReported = false;
    const analysis::PassbandFigures figures = analysis::PassbandFiguresOf(side.network, side.band);
    designed.gammaMax = figures.gammaMax;
    designed.gammaMin = figures.gammaMin;
    designed.vswrMax = figures.vswrMax;
    shown.network = std::move(designed);
    shown.origin = side.origin;
    // The analysis keeps the terminations through this, as for measured data.
    shown.measuredLoad = side.network.measured;
    return shown;
}

ResponseSettings AmplifierSideSettings(const ResponseSettings &settings)
{
    ResponseSettings s;
    s.sweepFollowsBand = settings.sweepFollowsBand;
    s.fromGhz = settings.fromGhz;
    s.toGhz = settings.toGhz;
    s.points = settings.points;
    s.logarithmic = settings.logarithmic;
    s.tolerancePercent = settings.tolerancePercent;
    s.trials = settings.trials;
    s.yieldVswr = settings.yieldVswr;
    return s;
}

} // namespace tevmar::session
