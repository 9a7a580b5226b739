// The fit of a measured load in the JSON document and as terminal lines.

#include "format/load_fit_report.h"

#include "format/analysis_text.h"
#include "report/printable_text.h"
#include "units/unit_text.h"

#include <cctype>
#include <nlohmann/json.hpp>

namespace tevmar::format {
using namespace analysis;

using Json = nlohmann::ordered_json;

namespace {

const char *ReactiveUnit(const LoadFit &fit)
{
    return IsInductiveLoad(fit.type) ? "nH" : "pF";
}

std::string PercentText(double fraction)
{
    return Figure(100 * fraction, 3) + " %";
}

const char *PortEnd(LoadType type)
{
    return IsSeriesLoad(type) ? "the low-impedance port (port 2)"
                              : "the high-impedance port (port 1)";
}

Json FitJson(const LoadFit &fit, const std::string &problem)
{
    Json j{{"loadType", NamesOf(fit.type).code}, {"kind", NamesOf(fit.type).word}};
    if (!fit.valid) {
        j["usable"] = false;
        j["note"] = problem;
        return j;
    }
    j["resistanceOhms"] = fit.resistanceOhms;
    j[IsInductiveLoad(fit.type) ? "inductanceNh" : "capacitancePf"] = fit.reactiveValue;
    j["rmsRelativeError"] = fit.rmsRelativeError;
    j["rmsErrorPercent"] = RmsErrorPercent(fit.rmsRelativeError);
    j["usable"] = problem.empty();
    if (!problem.empty())
        j["note"] = problem;
    return j;
}

} // namespace

std::string FitValuesText(const LoadFit &fit)
{
    return "R " + Figure(fit.resistanceOhms) + " ohms, " +
           (IsInductiveLoad(fit.type) ? "L " : "C ") + Figure(fit.reactiveValue) + " " +
           ReactiveUnit(fit);
}

namespace {

std::string FileLine(const char *what, const FitSummary &s)
{
    if (s.circuit) // "Measured load " as "Load circuit "
        return static_cast<char>(std::toupper(static_cast<unsigned char>(what[9]))) +
               std::string(what + 10) + "circuit " + PrintableText(s.fileName) + ": fitted at " +
               std::to_string(s.points) + " points from " + units::GhzFigure(s.first) + " to " +
               units::GhzText(s.last);
    return std::string(what) + PrintableText(s.fileName) + ": " + std::to_string(s.points) +
           " points from " + units::GhzFigure(s.first) + " to " + units::GhzText(s.last) + ", " +
           std::to_string(s.pointsInBand) + " in the band";
}

void AddKindLines(std::vector<std::string> &lines, const FitSummary &s)
{
    for (std::size_t i = 0; i < s.fits.size(); ++i) {
        const LoadFit &fit = s.fits[i];
        std::string line = std::string("  ") + NamesOf(fit.type).phrase + ": ";
        if (fit.valid)
            line += FitValuesText(fit) + ", rms error " + PercentText(fit.rmsRelativeError);
        if (i < s.problems.size() && !s.problems[i].empty())
            line += (fit.valid ? "; " : "") + s.problems[i];
        lines.push_back(line);
    }
}

Json FitsJson(const FitSummary &s)
{
    Json fits = Json::array();
    for (std::size_t i = 0; i < s.fits.size(); ++i)
        fits.push_back(FitJson(s.fits[i], i < s.problems.size() ? s.problems[i] : ""));
    return fits;
}

constexpr const char *kInterpolation =
    "linear in real and imaginary parts; held at the end points outside the measurement";

std::string ResonanceText(const ResonantModel &r)
{
    return std::string(r.series ? "series RLC" : "R, L and C across") + ": R " + Figure(r.ohms) +
           " ohms, L " + Figure(units::Inductance::FromHenries(r.henries).nanohenries()) +
           " nH, C " + Figure(units::Capacitance::FromFarads(r.farads).picofarads()) +
           " pF, rms error " + PercentText(r.rmsRelativeError);
}

std::string ChosenPhrase(const FitSummary &s)
{
    return std::string(s.forced ? "asked-for " : "best ") + NamesOf(s.chosen.type).phrase + " fit";
}

} // namespace

std::string FitErrorLine(const FitSummary &s, const char *what)
{
    const std::string who =
        s.circuit ? std::string(what) + " circuit " : std::string("measured ") + what + " ";
    return who + PrintableText(s.fileName) + ": " + NamesOf(s.chosen.type).phrase +
           " fit, rms error " + PercentText(s.chosen.rmsRelativeError);
}

std::string DataOnlyReason(const FitSummary &s, const char *what)
{
    const std::string who =
        what == std::string("load") ? "the " : std::string("the ") + what + "'s ";
    return who + ChosenPhrase(s) + " is off the data by " + PercentText(s.chosen.rmsRelativeError) +
           " rms, more than " + PercentText(kSimpleModelError) +
           ": no textbook design is made for it; the " + what + "'s data are used directly";
}

namespace {

// The two lines of a fit too far off its data: no design, and the
// Bode-Fano limit of the data's own resonance where a fit of it is close.
void AddDataOnlyLines(std::vector<std::string> &lines, const FitSummary &s, const char *what)
{
    lines.push_back("No textbook design: the " + ChosenPhrase(s) + " is " +
                    PercentText(s.chosen.rmsRelativeError) + " off the data (more than " +
                    PercentText(kSimpleModelError) + "); the " + what +
                    "'s data are used directly");
    lines.push_back(s.resonance ? "Bode-Fano limit from the data's own resonance, " +
                                      ResonanceText(*s.resonance) + ": |S11| " +
                                      Figure(s.resonanceGammaLimit)
                                : "No Bode-Fano limit: no fit of the data's own resonance is "
                                  "within " +
                                      PercentText(kSimpleModelError));
}

} // namespace

std::vector<std::string> FitLines(const FitSummary &s, const FitSummary *source)
{
    std::vector<std::string> lines{FileLine("Measured load ", s)};
    AddKindLines(lines, s);
    if (s.dataOnly) {
        AddDataOnlyLines(lines, s, "load");
        return lines;
    }
    if (source && source->dataOnly) {
        // The load's fit describes it, but no design is made against a
        // source known only by its data.
        lines.push_back(std::string("The ") + (s.forced ? "asked-for " : "best ") +
                        NamesOf(s.chosen.type).phrase + " fit at " + PortEnd(s.chosen.type) +
                        " describes the load; no textbook design, as the source's data are used "
                        "directly; figures are into the measured load");
        return lines;
    }
    lines.push_back(std::string("Designed for the ") + (s.forced ? "asked-for " : "best ") +
                    NamesOf(s.chosen.type).phrase + " fit at " + PortEnd(s.chosen.type) +
                    ", source " + Figure(s.sourceOhms) +
                    " ohms; figures are into the measured "
                    "load");
    return lines;
}

namespace {

// A fit's object where its data are used directly: why, the data's own
// resonance and its Bode-Fano limit (null where no fit of it is close).
void AddDataOnlyJson(Json &measured, const FitSummary &s, const char *what)
{
    measured["dataUsedDirectly"] = true;
    measured["note"] = DataOnlyReason(s, what);
    measured["chosen"]["used"] = false;
    if (s.resonance) {
        const ResonantModel &r = *s.resonance;
        measured["resonance"] = {
            {"kind", r.series ? "series-rlc" : "shunt-rlc"},
            {"resistanceOhms", r.ohms},
            {"inductanceNh", units::Inductance::FromHenries(r.henries).nanohenries()},
            {"capacitancePf", units::Capacitance::FromFarads(r.farads).picofarads()},
            {"rmsRelativeError", r.rmsRelativeError},
            {"rmsErrorPercent", RmsErrorPercent(r.rmsRelativeError)},
            {"bodeFanoGammaLimit", s.resonanceGammaLimit}};
    } else {
        measured["resonance"] = nullptr;
    }
}

} // namespace

Json MeasuredLoadJson(const FitSummary &s)
{
    const Json fits = FitsJson(s);
    Json chosen = FitJson(s.chosen, "");
    chosen["port"] = IsSeriesLoad(s.chosen.type) ? 2 : 1;
    chosen["forced"] = s.forced;
    Json measured{{"file", s.fileName},
                  {"points", s.points},
                  {"pointsInBand", s.pointsInBand},
                  {"firstHz", s.first.hz()},
                  {"lastHz", s.last.hz()},
                  {"sourceOhms", s.sourceOhms},
                  {"interpolation", kInterpolation},
                  {"fits", fits},
                  {"chosen", chosen}};
    measured["dataUsedDirectly"] = s.dataOnly;
    if (s.dataOnly)
        AddDataOnlyJson(measured, s, "load");
    return measured;
}

void AddFitJson(Json &document, const FitSummary &s)
{
    document["measuredLoad"] = MeasuredLoadJson(s);
}

std::vector<std::string> SourceFitLines(const FitSummary &s, bool resistive)
{
    std::vector<std::string> lines{FileLine("Measured source ", s)};
    AddKindLines(lines, s);
    if (s.dataOnly)
        AddDataOnlyLines(lines, s, "source");
    else
        lines.push_back(
            resistive ? "Source taken as its mean resistance in the band, " + Figure(s.sourceOhms) +
                            " ohms, no kind with a reactance fitting it"
                      : std::string("Source port at the ") + (s.forced ? "asked-for " : "best ") +
                            NamesOf(s.chosen.type).phrase + " fit's resistance, " +
                            Figure(s.sourceOhms) + " ohms");
    lines.push_back("Figures are between the measured source and the measured load: the "
                    "reflection is the power-wave one, |Zin - Zs*| / |Zin + Zs|");
    return lines;
}

void AddSourceFitJson(Json &document, const FitSummary &s, bool resistive,
                      const std::string &bodeFano)
{
    Json measured{{"file", s.fileName},
                  {"points", s.points},
                  {"pointsInBand", s.pointsInBand},
                  {"firstHz", s.first.hz()},
                  {"lastHz", s.last.hz()},
                  // Data used directly have no resistance designed for.
                  {"resistanceOhms", s.dataOnly ? Json(nullptr) : Json(s.sourceOhms)},
                  {"interpolation", kInterpolation},
                  {"reflection", "power-wave, |Zin - Zs*| / |Zin + Zs|"},
                  {"fits", FitsJson(s)},
                  {"bodeFano", bodeFano}};
    if (resistive) {
        measured["chosen"] = nullptr;
    } else {
        Json chosen = FitJson(s.chosen, "");
        chosen["forced"] = s.forced;
        measured["chosen"] = chosen;
    }
    if (s.dataOnly)
        AddDataOnlyJson(measured, s, "source");
    document["measuredSource"] = measured;
}

namespace {

// What inputs.measuredLoad or inputs.measuredSource says of data used
// directly: where they are and how far the fit the boxes would hold is off.
Json DataInputJson(const FitSummary &s)
{
    return Json{{"file", s.fileName},
                {"circuit", s.circuit},
                {"points", s.points},
                {"pointsInBand", s.pointsInBand},
                {"fit", NamesOf(s.chosen.type).word},
                {"rmsErrorPercent", RmsErrorPercent(s.chosen.rmsRelativeError)},
                {"fitUsed", false},
                {"note", "the data are used directly: no box holds this termination"}};
}

} // namespace

void DescribeDataInInputs(Json &document, const FitSummary &load, const FitSummary *source)
{
    const bool sourceData = source && source->dataOnly;
    if (!load.dataOnly && !sourceData)
        return;
    document["status"] = "no design: a fit is off its data, which are used directly";
    Json &typed = document["inputs"]["typed"];
    Json &read = document["inputs"]["read"];
    const bool loadAtPort2 = IsSeriesLoad(load.chosen.type);
    const auto blank = [&](bool port2) {
        typed[port2 ? "Zlow_text" : "Zhigh_text"] = nullptr;
        read[port2 ? "ZlowOhms" : "ZhighOhms"] = nullptr;
    };
    if (load.dataOnly) {
        blank(loadAtPort2);
        typed["LC_text"] = nullptr;
        typed["loadType"] = nullptr;
        typed["absorb"] = nullptr;
        read["LC_value"] = nullptr;
        document["inputs"]["measuredLoad"] = DataInputJson(load);
    }
    if (sourceData) {
        blank(!loadAtPort2);
        document["inputs"]["measuredSource"] = DataInputJson(*source);
        if (document.contains("measuredLoad"))
            document["measuredLoad"]["sourceOhms"] = nullptr;
    }
}

} // namespace tevmar::format
