#include "session/views/markers.h"

#include "format/analysis_text.h"
#include "units/quantity.h"

#include <algorithm>
#include <cmath>

namespace tevmar::session {

std::vector<MarkerReading> ReadMarkers(const Response &response,
                                       const std::vector<double> &frequenciesHz)
{
    std::vector<MarkerReading> readings;
    if (!response.problem.empty())
        return readings;
    const analysis::Network &ladder = response.analysis.full;
    const analysis::Network lossy =
        analysis::WithLosses(ladder, response.analysis.finiteQ ? response.analysis.finiteQ->losses
                                                               : analysis::LossModel{});
    int number = 0;
    for (const double f : frequenciesHz) {
        if (!(f > 0))
            continue;
        const analysis::SweepPoint ideal = analysis::Evaluate(ladder, f);
        const analysis::SweepPoint withLoss = analysis::Evaluate(lossy, f);
        // A shunt load's network with lossy parts is read where its source
        // drives it, at port 2 (for ideal parts |S11| = |S22|).
        const bool atPort2 = analysis::SourceAtPort2(ladder);
        const double gamma = atPort2 ? std::min(std::abs(ideal.s.s22), 1.0) : std::abs(ideal.s.s11);
        readings.push_back(
            {++number, f, gamma,
             atPort2 ? -20 * std::log10(std::max(gamma, 1e-150)) : ideal.returnLossDb,
             atPort2 ? analysis::VswrOf(gamma) : ideal.vswr, -withLoss.insertionLossDb,
             units::Nanoseconds(analysis::GroupDelaySeconds(lossy, f))});
    }
    return readings;
}

std::vector<std::string> MarkerColumns()
{
    return {"Marker", "GHz", "|S11|", "RL (dB)", "VSWR", "S21 (dB)", "Delay (ns)"};
}

std::vector<std::string> MarkerCells(const MarkerReading &r)
{
    return {"M" + std::to_string(r.number),
            Figure(units::Frequency::FromHz(r.frequencyHz).ghz(), 6),
            Figure(r.gamma, 4),
            Figure(r.returnLossDb, 4),
            Figure(r.vswr, 5),
            Figure(r.s21Db, 4),
            Figure(r.groupDelayNs, 4)};
}

std::string MarkerTableText(const std::vector<MarkerReading> &readings)
{
    std::string text;
    const auto line = [&text](const std::vector<std::string> &cells) {
        for (std::size_t i = 0; i < cells.size(); ++i)
            text += (i ? "\t" : "") + cells[i];
        text += '\n';
    };
    line(MarkerColumns());
    for (const MarkerReading &r : readings)
        line(MarkerCells(r));
    return text;
}

} // namespace tevmar::session
