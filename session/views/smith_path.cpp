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
    return ViewOf(
        analysis::AmplifierSidePath(outcome.data, a, outcome.source, outcome.load, side, centreHz),
        side == 2 ? a.output : a.input);
}

std::optional<SmithPath> AmplifierPlanePath(const AmplifierOutcome &outcome, int side)
{
    const analysis::Amplifier &a = outcome.amplifier;
    if (a.stabiliser)
        return std::nullopt;
    if (side == 2)
        return AmplifierSidePath(outcome, 2);
    const double centreHz = std::sqrt(a.stability.bandFromHz * a.stability.bandToHz);
    CheckFrequency(centreHz);
    // The input network lists its parts from the source (port 1): from the
    // source's impedance at port 1, each point is the impedance looking back
    // through the parts passed toward the source.
    SmithPath path =
        ViewOf(analysis::ImpedancePathFrom(a.input, outcome.source.ImpedanceAt(centreHz), false,
                                           centreHz, outcome.data.referenceOhms),
               a.input);
    if (!path.points.empty())
        path.points.front().after = path.points.front().label = "source";
    return path;
}

} // namespace tevmar::session
