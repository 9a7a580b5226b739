#include "session/views/network_view.h"

#include "analysis/model/power_waves.h"
#include "analysis/model/termination.h"
#include "analysis/model/two_port.h"
#include "report/number_format.h"

#include <cmath>
#include <stdexcept>

namespace tevmar::session {

std::optional<analysis::Network> NetworkOf(const Outcome &outcome)
{
    if (outcome.tunedKit)
        return outcome.tunedKit->network;
    if (outcome.tuned) {
        if (outcome.tuned->standard)
            return outcome.tuned->standard->network;
        return outcome.tuned->tuned.network;
    }
    if (!outcome.design.solved() || !outcome.design.network)
        return std::nullopt;
    // With part models or pads the analysis holds the network as it will be
    // soldered, which the files describe too.
    if (outcome.analysis && outcome.analysis->asBuilt)
        return outcome.analysis->full;
    return outcome.design.network->full;
}

std::optional<analysis::Network> TerminatedNetworkOf(const Outcome &outcome)
{
    std::optional<analysis::Network> network = NetworkOf(outcome);
    if (network && !network->measured)
        network->measured = outcome.design.measuredLoad;
    return network;
}

double DesignGammaMax(const Outcome &outcome)
{
    if (outcome.match && outcome.analysis)
        return outcome.analysis->selfCheck.full.gammaMax;
    return outcome.design.result.GammaMax;
}

double NetworkGammaMax(const Outcome &outcome)
{
    if (outcome.tunedKit)
        return outcome.tunedKit->figures.gammaMax;
    if (outcome.tuned)
        return outcome.tuned->standard ? outcome.tuned->standard->gammaMax
                                       : outcome.tuned->tuned.gammaMax;
    if (outcome.design.solved() && outcome.analysis && outcome.analysis->asBuilt)
        return outcome.analysis->asBuilt->figures.gammaMax;
    return DesignGammaMax(outcome);
}

std::string TooManyFrequencies(std::size_t count)
{
    if (count <= kMaxNetworkFrequencies)
        return {};
    return std::to_string(count) + " frequencies in one call; at most " +
           std::to_string(kMaxNetworkFrequencies) + " are computed at once (ask in blocks)";
}

std::vector<TwoPortS> NetworkSParameters(const analysis::Network &network,
                                         const std::vector<double> &frequenciesHz)
{
    if (const std::string tooMany = TooManyFrequencies(frequenciesHz.size()); !tooMany.empty())
        throw std::invalid_argument(tooMany);
    std::vector<TwoPortS> points;
    points.reserve(frequenciesHz.size());
    for (const double f : frequenciesHz) {
        // A NaN or an infinity has no number text of its own to quote.
        if (!std::isfinite(f))
            throw std::invalid_argument("a frequency that is not a finite number");
        if (f <= 0)
            throw std::invalid_argument("frequency " + ShortestNumber(f) +
                                        " Hz is not a positive number");
        const analysis::Abcd m = analysis::PartsAbcd(network, f);
        if (!network.measured) {
            const analysis::SParameters s =
                analysis::SParametersOf(m, network.port1Ohms, network.port2Ohms);
            points.push_back({s.s11, s.s21, s.s12, s.s22, network.port1Ohms, network.port2Ohms});
            continue;
        }
        const std::complex<double> load = analysis::LoadTerminationOf(network).ImpedanceAt(f);
        const std::complex<double> source = analysis::SourceTerminationOf(network).ImpedanceAt(f);
        const bool loadAtPort1 = analysis::LoadPortOf(network) == 1;
        const std::complex<double> z1 = loadAtPort1 ? load : source;
        const std::complex<double> z2 = loadAtPort1 ? source : load;
        const analysis::SParameters s = analysis::PowerWaveSParameters(m, z1, z2);
        points.push_back({s.s11, s.s21, s.s12, s.s22, z1, z2});
    }
    return points;
}

} // namespace tevmar::session
