#include "format/export_csv.h"

#include "report/number_format.h"

namespace tevmar::format {
using namespace analysis;

std::string SweepCsv(const std::vector<CsvNetwork> &networks,
                     const std::vector<double> &frequenciesHz)
{
    // The match and loss columns of every network come first, as they always
    // have; the phase and delay columns follow, so no column moves.
    std::string text = "frequency_hz";
    for (const CsvNetwork &network : networks)
        for (const char *column : {"_s11_db", "_vswr", "_insertion_loss_db"})
            text += "," + network.name + column;
    for (const CsvNetwork &network : networks)
        for (const char *column : {"_s21_phase_deg", "_group_delay_ns"})
            text += "," + network.name + column;
    text += "\n";

    std::vector<std::vector<SweepPoint>> points;
    std::vector<std::vector<double>> delays;
    for (const CsvNetwork &network : networks) {
        points.push_back(EvaluateOver(network.ladder, frequenciesHz));
        delays.push_back(GroupDelayOver(network.ladder, frequenciesHz));
    }
    for (std::size_t k = 0; k < frequenciesHz.size(); ++k) {
        text += FixedNumber(frequenciesHz[k]);
        for (std::size_t i = 0; i < networks.size(); ++i) {
            const SweepPoint &p = points[i][k];
            for (const double value : {p.s11Db, p.vswr, p.insertionLossDb})
                text += "," + ShortestNumber(value);
        }
        for (std::size_t i = 0; i < networks.size(); ++i) {
            const double delayNs = delays[i][k] * 1e9;
            text += "," + ShortestNumber(points[i][k].s21PhaseDeg) + "," + ShortestNumber(delayNs);
        }
        text += "\n";
    }
    return text;
}

} // namespace tevmar::format
