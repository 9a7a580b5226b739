#include "session/views/amplifier_view.h"

#include "engine/lenient_number.h"
#include "format/amplifier_report.h"
#include "report/number_format.h"
#include "session/run/kit_parts.h"
#include "session/run/study.h"
#include "units/unit_text.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace tevmar::session {

namespace {

constexpr double kNone = std::numeric_limits<double>::quiet_NaN();

// A return loss the plot can hold: a perfect match reads 240 dB, which would
// flatten every other figure against the axis.
constexpr double kMostReturnLossDb = 60;

std::string Ohms(double value)
{
    return Figure(value, 6) + " \u03A9";
}

Schematic SideSchematic(const analysis::Network &side, SchematicPort left, SchematicPort right)
{
    Schematic s = SchematicOf(side);
    // A kit part by its number, which is what goes on the board.
    for (std::size_t i = 0; i < s.parts.size() && i < side.parts.size(); ++i)
        if (std::string kit = KitPartText(side.parts[i]); !kit.empty())
            s.parts[i].value = std::move(kit);
    s.source = std::move(left);
    s.load = std::move(right);
    return s;
}

SchematicPort TerminationPort(int port, const std::string &name,
                              const analysis::Termination &termination)
{
    SchematicPort p;
    p.port = port;
    p.label = name;
    p.resistance = termination.resistive() ? Ohms(analysis::AmplifierPortOhms(termination, 0))
                                           : std::string("measured");
    p.note = port == 1 ? "source" : "load";
    p.showSide = false;
    return p;
}

SchematicPort DevicePort(int port, const std::string &name, double referenceOhms)
{
    SchematicPort p;
    p.port = port;
    p.label = name;
    p.resistance = "data at " + Ohms(referenceOhms);
    p.note = "transistor";
    p.device = true;
    p.showSide = false;
    return p;
}

// The sweep's points (each data frequency and the band's dense grid) with
// the gaps between data frequencies outside the band filled to the same
// fineness as the whole span in kDenseSpanSteps, the device's data
// interpolated there as the design interpolates it: a transistor's gain and
// match swing between a file's points, and a straight line between two of
// them would hide a peak or a notch.
constexpr int kDenseSpanSteps = 400;

std::vector<analysis::AmplifierPoint> DenseOverTheData(const AmplifierOutcome &outcome)
{
    const std::vector<analysis::AmplifierPoint> &sweep = outcome.whole;
    if (sweep.size() < 2)
        return sweep;
    const double step = (sweep.back().frequencyHz - sweep.front().frequencyHz) / kDenseSpanSteps;
    const analysis::Amplifier &a = outcome.amplifier;
    std::vector<analysis::AmplifierPoint> dense;
    for (std::size_t i = 0; i < sweep.size(); ++i) {
        if (i > 0) {
            const double from = sweep[i - 1].frequencyHz, to = sweep[i].frequencyHz;
            const int between = static_cast<int>(std::ceil((to - from) / step - 1e-6)) - 1;
            for (int k = 1; k <= between; ++k) {
                const double hz = from + (to - from) * k / (between + 1);
                dense.push_back(analysis::AmplifierPointAt(
                    hz, analysis::DeviceScatteringAt(outcome.data, hz),
                    analysis::NoiseAt(outcome.data.noise, hz), outcome.data.referenceOhms, a.input,
                    a.output, outcome.source, outcome.load));
            }
        }
        dense.push_back(sweep[i]);
    }
    return dense;
}

} // namespace

AmplifierRun RunAmplifierFromBoxes(const DeviceOutcome &device, const AmplifierBoxes &boxes,
                                   Study *study, const std::atomic<bool> *stop)
{
    AmplifierInput input;
    input.filePath = device.fileName;
    input.data = device.data;
    input.goal = boxes.goal;
    input.label.clear();
    for (const bool source : {true, false}) {
        const NumberReading reading = ExamineNumber(source ? boxes.sourceOhms : boxes.loadOhms);
        if (!reading.plain) {
            AmplifierRun run;
            run.usage = true;
            run.problem =
                std::string(source ? "the source" : "the load") + " needs its resistance in ohms";
            return run;
        }
        (source ? input.sourceOhms : input.loadOhms) = reading.value;
    }
    const NumberReading margin = ExamineNumber(boxes.stabilityMargin);
    if (!margin.plain || !(margin.value > 0 && margin.value < 1)) {
        AmplifierRun run;
        run.usage = true;
        run.problem = "the stability margin needs a number above 0 and below 1";
        return run;
    }
    input.stabilityMargin = margin.value;
    input.stabilise = boxes.stabilise;
    return study ? study->Amplifier(input, boxes.f1Ghz, boxes.f2Ghz, stop)
                 : RunAmplifier(input, boxes.f1Ghz, boxes.f2Ghz, stop);
}

std::pair<std::string, std::string> StartingBand(const DeviceOutcome &device)
{
    const std::vector<analysis::DevicePoint> &p = device.points;
    if (p.empty())
        return {};
    std::size_t low = 0, high = p.size() - 1;
    for (std::size_t k = 0; k < p.size(); ++k)
        if (p[k].magDb) {
            // Its neighbours too where the device is unconditionally stable
            // there: a band, not a spot frequency.
            low = k > 0 && p[k - 1].magDb ? k - 1 : k;
            high = k + 1 < p.size() && p[k + 1].magDb ? k + 1 : k;
            break;
        }
    return {units::GhzFigure(units::Frequency::FromHz(p[low].frequencyHz), 6),
            units::GhzFigure(units::Frequency::FromHz(p[high].frequencyHz), 6)};
}

AmplifierView AmplifierViewOf(const AmplifierOutcome &outcome)
{
    const analysis::Amplifier &a = outcome.amplifier;
    const double z0 = outcome.data.referenceOhms;
    AmplifierView view;
    view.input = SideSchematic(a.input, TerminationPort(1, "Source", outcome.source),
                               DevicePort(2, "Device input", z0));
    view.output = SideSchematic(a.output, DevicePort(1, "Device output", z0),
                                TerminationPort(2, "Load", outcome.load));
    // The stabilising resistors beside the device's pins.
    if (a.stabiliser && a.stabiliser->inputSeriesOhms)
        view.input.parts.push_back(
            {Symbol::SeriesResistor, "Rin", Ohms(*a.stabiliser->inputSeriesOhms), {}, {}});
    if (a.stabiliser && a.stabiliser->outputShuntOhms)
        view.output.parts.insert(
            view.output.parts.begin(),
            {Symbol::ShuntResistor, "Rout", Ohms(*a.stabiliser->outputShuntOhms), {}, {}});
    view.inputTitle =
        std::string("Input network (source to device), ") + analysis::TopologyName(a.inputTopology);
    view.outputTitle =
        std::string("Output network (device to load), ") + analysis::TopologyName(a.outputTopology);
    const std::vector<double> &data = outcome.data.frequenciesHz;
    for (const analysis::AmplifierPoint &p : DenseOverTheData(outcome)) {
        view.frequencyGhz.push_back(units::Frequency::FromHz(p.frequencyHz).ghz());
        // A grid point within a part in 10^9 of a data frequency is that frequency.
        view.measured.push_back(std::ranges::any_of(
            data, [&p](double hz) { return std::abs(hz - p.frequencyHz) <= 1e-9 * hz; }));
        view.gtDb.push_back(std::isfinite(p.gtDb) ? p.gtDb : kNone);
        view.nfDb.push_back(p.nfDb.value_or(kNone));
        view.inputReturnLossDb.push_back(std::min(p.inputReturnLossDb, kMostReturnLossDb));
        view.outputReturnLossDb.push_back(std::min(p.outputReturnLossDb, kMostReturnLossDb));
    }
    // The band as asked, its edges the dense grid's ends.
    const std::vector<analysis::AmplifierPoint> &band = a.dense.empty() ? a.band : a.dense;
    if (!band.empty()) {
        view.bandLowGhz = units::Frequency::FromHz(band.front().frequencyHz).ghz();
        view.bandHighGhz = units::Frequency::FromHz(band.back().frequencyHz).ghz();
    }
    if (!a.stabiliser)
        for (const analysis::AmplifierPoint &p : band) {
            view.designGammaS.push_back(p.gammaS);
            view.designGammaL.push_back(p.gammaL);
        }
    // The gain and noise over the band, then what was checked of its stability.
    const format::AmplifierReport report{
        outcome.fileName, z0, outcome.source, outcome.load, a, {}, {}};
    const std::vector<std::string> lines = format::AmplifierLines(report);
    const std::size_t checks = format::StabilityLines(a).size();
    for (std::size_t i = lines.size() >= checks + 1 ? lines.size() - checks - 1 : 0;
         i < lines.size(); ++i)
        view.summary += (view.summary.empty() ? "" : "\n") + lines[i] + ".";
    if (a.stabiliser)
        view.summary += "\n" + format::StabiliserLine(*a.stabiliser) + ".";
    return view;
}

} // namespace tevmar::session
