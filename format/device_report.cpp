#include "format/device_report.h"

#include "format/json_number.h"
#include "format/table_columns.h"
#include "report/number_format.h"
#include "report/printable_text.h"

#include <cmath>
#include <cstdio>
#include <numbers>

namespace tevmar::format {
using namespace analysis;
namespace {

using Complex = std::complex<double>;

std::string Pad(std::string text, std::size_t width)
{
    if (text.size() < width)
        text.resize(width, ' ');
    return text;
}

std::string Trimmed(std::string line)
{
    line.erase(line.find_last_not_of(' ') + 1);
    return line;
}

std::string LevelName(double db)
{
    return Figure(db, 4) + " dB";
}

// A circle's line after the frequency column: its name, centre and radius,
// then `note` (which side is stable); `missing` says why there is none.
std::string CircleLine(const std::string &name, const std::optional<Circle> &circle,
                       const std::string &note, const std::string &missing)
{
    std::string line = std::string(11, ' ') + Pad(name, 26);
    if (!circle)
        return line + missing;
    return Trimmed(line + Polar(circle->center, 18) + Fixed(circle->radius, 3, 6) + "   " + note);
}

Json Pair(const Complex &value)
{
    return Json::array({Number(value.real()), Number(value.imag())});
}

Json Optional(const std::optional<double> &value)
{
    return value ? Number(*value) : Json(nullptr);
}

Json Optional(const std::optional<Complex> &value)
{
    return value ? Pair(*value) : Json(nullptr);
}

Json StabilityJson(const std::optional<StabilityCircle> &s)
{
    if (!s)
        return Json{{"center", nullptr}, {"radius", nullptr}, {"stableInside", nullptr}};
    return Json{{"center", Pair(s->circle.center)},
                {"radius", Number(s->circle.radius)},
                {"stableInside", s->stableInside}};
}

Json LevelsJson(const std::vector<LevelCircle> &levels)
{
    Json list = Json::array();
    for (const LevelCircle &level : levels)
        list.push_back(
            Json{{"db", Number(level.db)},
                 {"center", level.circle ? Pair(level.circle->center) : Json(nullptr)},
                 {"radius", level.circle ? Number(level.circle->radius) : Json(nullptr)}});
    return list;
}

} // namespace

std::vector<std::string> DeviceLines(const DeviceReport &report)
{
    std::vector<std::string> lines;
    const std::size_t count = report.points.size();
    const std::string thinned =
        report.stride > 1 ? " of " + std::to_string(report.pointsInBand) + " (one in every " +
                                std::to_string(report.stride) + " and the last)"
                          : "";
    lines.push_back("Device " + PrintableText(report.fileName) + ": " + std::to_string(count) +
                    " point" + (count == 1 ? "" : "s") + thinned + ", reflections referred to " +
                    Figure(report.referenceOhms) + " ohms as magnitude @ angle (degrees)");
    lines.emplace_back();
    lines.push_back("  f (GHz)        K   |Delta|        mu       mu'  MSG (dB)  MAG (dB)");
    for (const DevicePoint &p : report.points)
        lines.push_back(Fixed(p.frequencyHz / 1e9, 4, 9) + Fixed(p.k, 3, 9) +
                        Fixed(p.delta, 3, 10) + Fixed(p.mu, 3, 10) + Fixed(p.muPrime, 3, 10) +
                        Fixed(p.msgDb, 2, 10) + Fixed(p.magDb, 2, 10));
    lines.emplace_back();
    lines.push_back(
        "  f (GHz)  Gamma S           Gamma L           NFmin (dB)  Gamma opt          Rn (ohms)");
    for (const DevicePoint &p : report.points) {
        const std::optional<double> nfMin =
            p.noise ? std::optional<double>(p.noise->nfMinDb) : std::nullopt;
        const std::optional<Complex> gammaOpt =
            p.noise ? std::optional<Complex>(p.noise->gammaOpt) : std::nullopt;
        const std::optional<double> rn =
            p.noise ? std::optional<double>(p.noise->rnOhms) : std::nullopt;
        lines.push_back(Trimmed(Fixed(p.frequencyHz / 1e9, 4, 9) + "  " + Polar(p.gammaS, 18) +
                                Polar(p.gammaL, 18) + Fixed(nfMin, 2, 10) + "  " +
                                Polar(gammaOpt, 18) + Fixed(rn, 2, 10)));
    }
    lines.emplace_back();
    lines.push_back("  f (GHz)  " + Pad("circle", 26) + Pad("centre", 18) + "radius");
    for (const DevicePoint &p : report.points) {
        std::vector<std::string> block;
        const auto stability = [&](const char *name, const std::optional<StabilityCircle> &s) {
            block.push_back(CircleLine(name, s ? std::optional<Circle>(s->circle) : std::nullopt,
                                       s && s->stableInside ? "stable inside" : "stable outside",
                                       "a straight line, not a circle"));
        };
        stability("source stability", p.sourceStability);
        stability("load stability", p.loadStability);
        for (const LevelCircle &c : p.availableGain)
            block.push_back(CircleLine("available gain " + LevelName(c.db), c.circle, "",
                                       "above the most gain"));
        for (const LevelCircle &c : p.operatingGain)
            block.push_back(CircleLine("operating gain " + LevelName(c.db), c.circle, "",
                                       "above the most gain"));
        for (const LevelCircle &c : p.noiseFigure)
            block.push_back(CircleLine("noise figure " + LevelName(c.db), c.circle, "",
                                       p.noise ? "below NFmin" : "no noise data"));
        block.front().replace(0, 9, Fixed(p.frequencyHz / 1e9, 4, 9));
        lines.insert(lines.end(), block.begin(), block.end());
    }
    return lines;
}

Json DeviceDocumentJson(const DeviceReport &report)
{
    Json points = Json::array();
    for (const DevicePoint &p : report.points) {
        Json point;
        point["frequencyHz"] = Number(p.frequencyHz);
        point["k"] = Optional(p.k);
        point["delta"] = Number(p.delta);
        point["mu"] = Optional(p.mu);
        point["muPrime"] = Optional(p.muPrime);
        point["msgDb"] = Optional(p.msgDb);
        point["magDb"] = Optional(p.magDb);
        point["gammaS"] = Optional(p.gammaS);
        point["gammaL"] = Optional(p.gammaL);
        point["nfMinDb"] = p.noise ? Number(p.noise->nfMinDb) : Json(nullptr);
        point["gammaOpt"] = p.noise ? Pair(p.noise->gammaOpt) : Json(nullptr);
        point["rnOhms"] = p.noise ? Number(p.noise->rnOhms) : Json(nullptr);
        point["circles"] = Json{{"sourceStability", StabilityJson(p.sourceStability)},
                                {"loadStability", StabilityJson(p.loadStability)},
                                {"availableGain", LevelsJson(p.availableGain)},
                                {"operatingGain", LevelsJson(p.operatingGain)},
                                {"noise", LevelsJson(p.noiseFigure)}};
        points.push_back(std::move(point));
    }
    Json device{{"file", report.fileName},
                {"referenceOhms", Number(report.referenceOhms)},
                {"points", std::move(points)}};
    if (report.stride > 1)
        device["thinned"] = Json{{"pointsInBand", report.pointsInBand}, {"stride", report.stride}};
    return Json{{"device", std::move(device)}};
}

std::string DeviceJson(const DeviceReport &report)
{
    return DeviceDocumentJson(report).dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

} // namespace tevmar::format
