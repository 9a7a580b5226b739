#include "session/views/smith_path.h"

#include "analysis/amplifier/device_figures.h"
#include "analysis/figures/impedance_path.h"
#include "format/analysis_text.h"
#include "report/number_format.h"

#include <cmath>
#include <stdexcept>

namespace tevmar::session {
namespace {

using analysis::Complex;

SmithPath ViewOf(const analysis::ImpedancePath &path, const analysis::Network &network)
{
    const auto name = [&](const std::optional<std::size_t> &part) {
        return part ? analysis::PartName(network, *part) : std::string("load");
    };
    const auto label = [&](const std::optional<std::size_t> &part) {
        return part ? name(part) + " " + format::PartValueText(network.parts[*part])
                    : std::string("load");
    };
    SmithPath view;
    view.frequencyHz = path.frequencyHz;
    for (const analysis::PathPoint &p : path.points)
        view.points.push_back({name(p.part), label(p.part), p.z});
    for (const analysis::PathArc &a : path.arcs)
        view.arcs.push_back({name(a.part), label(a.part), a.z});
    return view;
}

void CheckFrequency(double frequencyHz)
{
    // A NaN or an infinity has no number text of its own to quote.
    if (!std::isfinite(frequencyHz))
        throw std::invalid_argument("a frequency that is not a finite number");
    if (frequencyHz <= 0)
        throw std::invalid_argument("frequency " + ShortestNumber(frequencyHz) +
                                    " Hz is not a positive number");
}

// A ladder of one side's parts, port 1 at the end the side lists first.
analysis::Network LadderOf(const analysis::MatchingSide &side)
{
    analysis::Network ladder;
    ladder.port1Ohms = 50;
    ladder.port2Ohms = 50;
    ladder.parts = side.elements;
    ladder.padPf = side.padPf;
    return ladder;
}

// The impedance looking into port 1 of a ladder with `z` at its port 2.
Complex IntoPort1(const analysis::Network &ladder, Complex z, double frequencyHz)
{
    const analysis::Abcd m = analysis::PartsAbcd(ladder, frequencyHz);
    return (m.A * z + m.B) / (m.C * z + m.D);
}

} // namespace

SmithPath PathThroughParts(const analysis::Network &network, double frequencyHz,
                           double referenceOhms)
{
    CheckFrequency(frequencyHz);
    return ViewOf(analysis::ImpedancePathOf(network, frequencyHz, referenceOhms), network);
}

std::optional<SmithPath> ResponsePath(const Response &response, double referenceOhms)
{
    if (!response.problem.empty() || response.curves.empty())
        return std::nullopt;
    const double centreHz = response.analysis.band.centreHz;
    if (!std::isfinite(centreHz) || centreHz <= 0)
        return std::nullopt;
    // The parts stepped by hand are the network being worked on; without
    // steps, the tune (on standard values where there are some) is the one
    // to build.
    const ResponseCurve *tuned = response.stepped ? nullptr : TunedCurveOf(response);
    const ResponseCurve *shown = tuned ? tuned : &response.curves.front();
    return PathThroughParts(shown->network, centreHz, referenceOhms);
}

const ResponseCurve *TunedCurveOf(const Response &response)
{
    const ResponseCurve *tuned = nullptr;
    for (const ResponseCurve &curve : response.curves)
        if (curve.role == CurveRole::TunedStandard ||
            (curve.role == CurveRole::Tuned && (!tuned || tuned->role != CurveRole::TunedStandard)))
            tuned = &curve;
    return tuned;
}

SmithPath AmplifierSidePath(const AmplifierOutcome &outcome, int side)
{
    const analysis::Amplifier &a = outcome.amplifier;
    const double centreHz = std::sqrt(a.stability.bandFromHz * a.stability.bandToHz);
    CheckFrequency(centreHz);
    const double z0 = outcome.data.referenceOhms;
    const analysis::Network input = LadderOf(a.input), output = LadderOf(a.output);
    const Complex loadOhms = outcome.terminations.LoadAt(centreHz);
    if (side == 2)
        return ViewOf(analysis::ImpedancePathFrom(output, loadOhms, true, centreHz, z0), output);
    // The transistor's input as the output network and the load terminate
    // it: its S11 moved by the reflection the output network presents.
    const Complex gammaL =
        (IntoPort1(output, loadOhms, centreHz) - z0) / (IntoPort1(output, loadOhms, centreHz) + z0);
    const analysis::TwoPortMatrix s = analysis::DeviceScatteringAt(outcome.data, centreHz);
    const Complex gammaIn = s.s11 + s.s12 * s.s21 * gammaL / (1.0 - s.s22 * gammaL);
    const Complex deviceOhms = z0 * (1.0 + gammaIn) / (1.0 - gammaIn);
    return ViewOf(analysis::ImpedancePathFrom(input, deviceOhms, true, centreHz, z0), input);
}

} // namespace tevmar::session
