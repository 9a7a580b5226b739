#include "session/options/band_options.h"

#include "report/number_format.h"

#include <algorithm>
#include <cmath>

namespace tevmar::session {

namespace {

// The most a passband's weight may be: beyond it one band would be all the
// search sees.
constexpr double kMostWeight = 1000;
// Limits and attenuations within what a network of a few parts reaches and
// the figures resolve.
constexpr double kLeastLimitDb = -80;
constexpr double kMostAttenuationDb = 120;

std::string Trimmed(const std::string &text)
{
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// A figure in dB written "-15dB" or "-15 dB".
std::optional<double> DbValue(const std::string &text)
{
    if (text.size() < 3 || text.substr(text.size() - 2) != "dB")
        return std::nullopt;
    return ParseNumber(Trimmed(text.substr(0, text.size() - 2)));
}

// One band "F1:F2" with its suffix; empty on success.
std::string ReadBand(const std::string &written, bool reject, BandText &out)
{
    const std::string text = Trimmed(written);
    const std::size_t at = text.find('@');
    const std::string edges = text.substr(0, at);
    const std::size_t colon = edges.find(':');
    const std::string expected = reject ? "F1:F2@ATTdB in GHz and dB (4.8:5.0@20dB)"
                                        : "F1:F2 in GHz, with @LIMITdB or @wWEIGHT if need be "
                                          "(2.4:2.5, 2.4:2.5@-15dB, 2.4:2.5@w2)";
    if (colon == std::string::npos)
        return "\"" + written + "\" is not a band; expected " + expected;
    out.f1Text = Trimmed(edges.substr(0, colon));
    out.f2Text = Trimmed(edges.substr(colon + 1));
    const std::optional<double> f1 = ParseNumber(out.f1Text), f2 = ParseNumber(out.f2Text);
    if (!f1 || !f2)
        return "\"" + written + "\" is not a band; expected " + expected;
    if (!(std::isfinite(*f1) && std::isfinite(*f2) && *f1 > 0 && *f2 > 0))
        return "\"" + written + "\": the edges must be above 0 GHz";
    if (!(*f1 < *f2))
        return "\"" + written + "\": the lower edge comes first, and the edges differ";
    out.band.band.lowHz = *f1 * 1e9;
    out.band.band.highHz = *f2 * 1e9;
    out.band.band.centreHz = std::sqrt(out.band.band.lowHz * out.band.band.highHz);
    out.band.reject = reject;
    const std::string suffix = at == std::string::npos ? "" : Trimmed(text.substr(at + 1));
    if (reject) {
        const std::optional<double> db = DbValue(suffix);
        if (at == std::string::npos || !db)
            return "\"" + written + "\" needs the attenuation it asks for; expected " + expected;
        if (!(*db > 0 && *db <= kMostAttenuationDb))
            return "\"" + written + "\": the attenuation must be above 0 dB and at most " +
                   Figure(kMostAttenuationDb) + " dB";
        out.band.level = std::pow(10.0, -*db / 20);
        return {};
    }
    if (at == std::string::npos)
        return {};
    if (suffix.starts_with("w")) {
        const std::optional<double> weight = ParseNumber(suffix.substr(1));
        if (!weight || !(*weight > 0 && *weight <= kMostWeight))
            return "\"" + written + "\": a weight is a number above 0 and at most " +
                   Figure(kMostWeight) + " (@w2)";
        out.band.weight = *weight;
        return {};
    }
    const std::optional<double> db = DbValue(suffix);
    if (!db)
        return "\"" + written + "\" is not a band; expected " + expected;
    if (!(*db < 0 && *db >= kLeastLimitDb))
        return "\"" + written + "\": an |S11| limit is below 0 dB and at least " +
               Figure(kLeastLimitDb) + " dB (@-15dB)";
    out.band.level = std::pow(10.0, *db / 20);
    out.band.limitGiven = true;
    return {};
}

std::function<std::string(const std::string &)> StoreBands(std::vector<BandText> &target,
                                                           bool reject)
{
    return [&target, reject](const std::string &value) -> std::string {
        std::size_t from = 0;
        for (;;) {
            const std::size_t comma = value.find(',', from);
            BandText band;
            if (std::string problem =
                    ReadBand(value.substr(from, comma == std::string::npos ? std::string::npos
                                                                           : comma - from),
                             reject, band);
                !problem.empty())
                return problem;
            target.push_back(std::move(band));
            if (comma == std::string::npos)
                return {};
            from = comma + 1;
        }
    };
}

std::string BandName(const BandText &b)
{
    return b.f1Text + ":" + b.f2Text;
}

} // namespace

analysis::Goal BandArguments::GoalOf() const
{
    analysis::Goal goal;
    for (const BandText &b : bands)
        goal.bands.push_back(b.band);
    for (const BandText &b : rejects)
        goal.bands.push_back(b.band);
    return goal;
}

OptionTable BandOptions(BandArguments &arguments)
{
    OptionTable table{
        {"--band", "F1:F2[@LIM|@wW]",
         "a passband in GHz, in place of --f1 and --f2; repeat it for several bands, each with "
         "its own |S11| limit (@-15dB) or weight (@w2)",
         StoreBands(arguments.bands, false)},
        {"--reject", "F1:F2@ATTdB",
         "a band in GHz the network must reject by ATT dB (|S21| at most -ATT dB); repeatable",
         StoreBands(arguments.rejects, true)},
    };
    for (OptionSpec &spec : table)
        spec.repeatable = true;
    return table;
}

std::string CheckBands(const BandArguments &arguments, const std::vector<std::string> &given,
                       const OptionNaming &naming)
{
    if (!arguments.Given())
        return {};
    for (const char *edge : {"--f1", "--f2"})
        if (std::ranges::find(given, edge) != given.end())
            return naming("--band") + " replaces " + naming("--f1") + " and " + naming("--f2") +
                   "; " + naming(edge) + " was given too";
    if (arguments.bands.empty())
        return naming("--reject") + " needs the passbands, given with " + naming("--band");
    // Against several bands there is no textbook design: nothing to report
    // or re-tune. A kit's parts are chosen for the candidates over them all.
    if (!arguments.Plain())
        for (const char *single : {"--report", "--tune"})
            if (std::ranges::find(given, single) != given.end())
                return naming(single) + " works on one band; with several bands (or " +
                       naming("--reject") + ", a limit or a weight) only the candidates run";
    std::vector<std::pair<const BandText *, const char *>> all;
    for (const BandText &b : arguments.bands)
        all.emplace_back(&b, "--band");
    for (const BandText &b : arguments.rejects)
        all.emplace_back(&b, "--reject");
    for (std::size_t i = 0; i < all.size(); ++i)
        for (std::size_t j = 0; j < i; ++j) {
            const analysis::Band &a = all[i].first->band.band, &b = all[j].first->band.band;
            if (a.lowHz <= b.highHz && b.lowHz <= a.highHz)
                return naming(all[i].second) + ": " + BandName(*all[i].first) +
                       " overlaps or touches " + naming(all[j].second) + " " +
                       BandName(*all[j].first) + " GHz; the bands must lie apart";
        }
    return {};
}

} // namespace tevmar::session
