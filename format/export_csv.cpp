#include "format/export_csv.h"

#include "report/number_format.h"
#include "units/quantity.h"

#include <algorithm>

namespace tevmar::format {
using namespace analysis;

namespace {

bool Covers(const MeasuredLoad &data, double frequencyHz)
{
    return data.exact ||
           (!data.frequenciesHz.empty() && frequencyHz >= data.frequenciesHz.front() &&
            frequencyHz <= data.frequenciesHz.back());
}

} // namespace

bool IntoMeasuredData(const Network &ladder, double frequencyHz)
{
    const MeasuredLoad *load = ladder.measured.get();
    return load && Covers(*load, frequencyHz) &&
           (!load->source || Covers(*load->source, frequencyHz));
}

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
    const bool measured = std::ranges::any_of(
        networks, [](const CsvNetwork &network) { return network.ladder.measured != nullptr; });
    if (measured)
        text += ",termination";
    text += "\n";

    // Each network into its terminations and, where it has measured ones,
    // into its fitted model too, for the rows beyond the data.
    std::vector<std::vector<SweepPoint>> points, modelPoints;
    std::vector<std::vector<double>> delays, modelDelays;
    for (const CsvNetwork &network : networks) {
        points.push_back(EvaluateOver(network.ladder, frequenciesHz));
        delays.push_back(GroupDelayOver(network.ladder, frequenciesHz));
        Network model = network.ladder;
        model.measured = nullptr;
        const bool beyond =
            network.ladder.measured && std::ranges::any_of(frequenciesHz, [&network](double f) {
                return !IntoMeasuredData(network.ladder, f);
            });
        modelPoints.push_back(beyond ? EvaluateOver(model, frequenciesHz)
                                     : std::vector<SweepPoint>{});
        modelDelays.push_back(beyond ? GroupDelayOver(model, frequenciesHz)
                                     : std::vector<double>{});
    }
    for (std::size_t k = 0; k < frequenciesHz.size(); ++k) {
        text += FixedNumber(frequenciesHz[k]);
        bool intoData = true;
        std::vector<std::size_t> model(networks.size(), 0);
        for (std::size_t i = 0; i < networks.size(); ++i)
            if (networks[i].ladder.measured &&
                !IntoMeasuredData(networks[i].ladder, frequenciesHz[k])) {
                model[i] = 1;
                intoData = false;
            }
        for (std::size_t i = 0; i < networks.size(); ++i) {
            const SweepPoint &p = (model[i] ? modelPoints : points)[i][k];
            for (const double value : {p.s11Db, p.vswr, p.insertionLossDb})
                text += "," + ShortestNumber(value);
        }
        for (std::size_t i = 0; i < networks.size(); ++i) {
            const double delayNs = units::Nanoseconds((model[i] ? modelDelays : delays)[i][k]);
            const double phase = (model[i] ? modelPoints : points)[i][k].s21PhaseDeg;
            text += "," + ShortestNumber(phase) + "," + ShortestNumber(delayNs);
        }
        if (measured)
            text += intoData ? ",measured" : ",fitted_model";
        text += "\n";
    }
    return text;
}

} // namespace tevmar::format
