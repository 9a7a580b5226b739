#include "session/options/band_options.h"

#include "report/number_format.h"

#include <algorithm>
#include <array>
#include <charconv>
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

// A band's edges in GHz: above 0, the lower first. The messages quote the
// band as `quoted`.
std::string CheckedEdges(double f1Ghz, double f2Ghz, const std::string &quoted)
{
    if (!(std::isfinite(f1Ghz) && std::isfinite(f2Ghz) && f1Ghz > 0 && f2Ghz > 0))
        return quoted + ": the edges must be above 0 GHz";
    if (!(f1Ghz < f2Ghz))
        return quoted + ": the lower edge comes first, and the edges differ";
    return {};
}

// A band's figures checked and stored: its edges; an attenuation above 0 dB
// for a rejection band; a passband's limit below 0 dB or its weight above 0.
std::string CheckedBand(const BandValues &v, bool reject, const std::string &quoted, BandText &out)
{
    if (std::string problem = CheckedEdges(v.f1Ghz, v.f2Ghz, quoted); !problem.empty())
        return problem;
    out.band.band.lowHz = v.f1Ghz * 1e9;
    out.band.band.highHz = v.f2Ghz * 1e9;
    out.band.band.centreHz = std::sqrt(out.band.band.lowHz * out.band.band.highHz);
    out.band.reject = reject;
    if (reject) {
        const double db = v.attenuationDb.value_or(0);
        if (!(db > 0 && db <= kMostAttenuationDb))
            return quoted + ": the attenuation must be above 0 dB and at most " +
                   Figure(kMostAttenuationDb) + " dB";
        out.band.level = std::pow(10.0, -db / 20);
        return {};
    }
    if (v.weight) {
        if (!(*v.weight > 0 && *v.weight <= kMostWeight))
            return quoted + ": a weight is a number above 0 and at most " + Figure(kMostWeight) +
                   " (@w2)";
        out.band.weight = *v.weight;
        return {};
    }
    if (v.limitDb) {
        if (!(*v.limitDb < 0 && *v.limitDb >= kLeastLimitDb))
            return quoted + ": an |S11| limit is below 0 dB and at least " + Figure(kLeastLimitDb) +
                   " dB (@-15dB)";
        out.band.level = std::pow(10.0, *v.limitDb / 20);
        out.band.limitGiven = true;
    }
    return {};
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
    if (std::string problem = CheckedEdges(*f1, *f2, "\"" + written + "\""); !problem.empty())
        return problem;
    BandValues values{*f1, *f2, {}, {}, {}};
    const std::string suffix = at == std::string::npos ? "" : Trimmed(text.substr(at + 1));
    if (reject) {
        values.attenuationDb = DbValue(suffix);
        if (at == std::string::npos || !values.attenuationDb)
            return "\"" + written + "\" needs the attenuation it asks for; expected " + expected;
    } else if (at != std::string::npos && suffix.starts_with("w")) {
        values.weight = ParseNumber(suffix.substr(1));
        if (!values.weight)
            return "\"" + written + "\": a weight is a number above 0 and at most " +
                   Figure(kMostWeight) + " (@w2)";
    } else if (at != std::string::npos) {
        values.limitDb = DbValue(suffix);
        if (!values.limitDb)
            return "\"" + written + "\" is not a band; expected " + expected;
    }
    return CheckedBand(values, reject, "\"" + written + "\"", out);
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

// A band's edge as its text: the shortest that reads back to the same
// number, so that the design's boxes hold exactly the edge given.
std::string EdgeText(double ghz)
{
    std::array<char, 32> text{};
    const auto [end, error] = std::to_chars(text.data(), text.data() + text.size(), ghz);
    return error == std::errc() ? std::string(text.data(), end) : Figure(ghz);
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

std::string AddBandValues(const std::vector<BandValues> &bands, bool reject,
                          BandArguments &arguments)
{
    for (const BandValues &v : bands) {
        BandText band;
        band.f1Text = EdgeText(v.f1Ghz);
        band.f2Text = EdgeText(v.f2Ghz);
        const std::string quoted = "\"" + band.f1Text + ":" + band.f2Text + "\"";
        if (reject && (v.limitDb || v.weight))
            return quoted + ": a band to reject takes its attenuation in dB, not a limit or "
                            "a weight";
        if (!reject && v.attenuationDb)
            return quoted + ": a passband takes an |S11| limit or a weight, not an attenuation";
        if (!reject && v.limitDb && v.weight)
            return quoted + ": a passband takes an |S11| limit or a weight, not both";
        if (reject && !v.attenuationDb)
            return quoted + " needs the attenuation it asks for, in dB";
        if (std::string problem = CheckedBand(v, reject, quoted, band); !problem.empty())
            return problem;
        (reject ? arguments.rejects : arguments.bands).push_back(std::move(band));
    }
    return {};
}

std::string CheckBands(const BandArguments &arguments, const std::vector<std::string> &given,
                       const OptionNaming &optionNaming)
{
    if (!arguments.Given())
        return {};
    // Bands a front end gave typed are named as its own parameters are.
    const auto naming = [&](std::string_view option) {
        if (option == "--band" && !arguments.bandsName.empty())
            return arguments.bandsName;
        if (option == "--reject" && !arguments.rejectName.empty())
            return arguments.rejectName;
        return optionNaming(option);
    };
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
