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

    std::vector<SweepPoint> points(networks.size());
    for (const double f : frequenciesHz) {
        text += FixedNumber(f);
        for (std::size_t i = 0; i < networks.size(); ++i) {
            points[i] = Evaluate(networks[i].ladder, f, networks[i].losses);
            for (const double value : {points[i].s11Db, points[i].vswr, points[i].insertionLossDb})
                text += "," + ShortestNumber(value);
        }
        for (std::size_t i = 0; i < networks.size(); ++i) {
            const double delayNs =
                GroupDelaySeconds(networks[i].ladder, f, networks[i].losses) * 1e9;
            text += "," + ShortestNumber(points[i].s21PhaseDeg) + "," + ShortestNumber(delayNs);
        }
        text += "\n";
    }
    return text;
}

} // namespace tevmar::format
