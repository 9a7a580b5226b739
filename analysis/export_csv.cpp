#include "analysis/export_csv.h"

#include "analysis/export_number.h"

namespace tevmar::analysis {

std::string SweepCsv(const std::vector<CsvNetwork> &networks,
                     const std::vector<double> &frequenciesHz)
{
    std::string text = "frequency_hz";
    for (const CsvNetwork &network : networks)
        for (const char *column : {"_s11_db", "_vswr", "_insertion_loss_db"})
            text += "," + network.name + column;
    text += "\n";

    for (const double f : frequenciesHz) {
        text += FixedNumber(f);
        for (const CsvNetwork &network : networks) {
            const SweepPoint p = Evaluate(network.ladder, f, network.losses);
            for (const double value : {p.s11Db, p.vswr, p.insertionLossDb})
                text += "," + ShortestNumber(value);
        }
        text += "\n";
    }
    return text;
}

} // namespace tevmar::analysis
