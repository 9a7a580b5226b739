#include "format/export_json.h"

#include "analysis/model/designed_network.h"

#include <cmath>
#include <nlohmann/json.hpp>
#include <stdexcept>

namespace tevmar::format {
using namespace analysis;

using Json = nlohmann::ordered_json;

std::string ElementKindName(ElementKind kind)
{
    return kind == ElementKind::Termination ? "termination" : Part{kind}.Description();
}

namespace {

const char *StatusName(const DesignResult &design, const std::string &reportError)
{
    if (!design.solved)
        return "solution out of range";
    return reportError.empty() ? "solved" : "solved, report not saved";
}

// A typed number as the design run read it; a numeral beyond the range of a
// double reads as infinite and is written as null.
Json ReadJson(double value)
{
    return std::isfinite(value) ? Json(value) : Json(nullptr);
}

Json InputsJson(const DesignInputs &in, const InputValues &typed)
{
    return Json{
        {"typed",
         {{"F1_text", in.f1Text},
          {"F2_text", in.f2Text},
          {"Zhigh_text", in.zhighText},
          {"Zlow_text", in.zlowText},
          {"LC_text", in.absorbText},
          {"loadType", NamesOf(in.loadType).code},
          {"networkOrder", in.networkOrder},
          {"absorb", in.absorb}}},
        {"read",
         {{"F1GHz", ReadJson(typed.f1Ghz)},
          {"F2GHz", ReadJson(typed.f2Ghz)},
          {"ZhighOhms", ReadJson(typed.zhighOhms)},
          {"ZlowOhms", ReadJson(typed.zlowOhms)},
          {"LC_value", ReadJson(typed.absorbedValue)}}},
    };
}

const char *UnitName(ElementKind kind)
{
    return kind == ElementKind::Termination ? "ohms" : Part{kind}.unit();
}

// The element table as the report has it, with each row marked: a termination
// carries the port value as read, the absorbed load's reactance says so, and
// every part of the network has its export name and the chip-range flag. The
// names are those of the design's network, as its netlist and Touchstone
// header give them.
Json ElementsJson(const DesignResult &d)
{
    const std::optional<std::size_t> absorbed = AbsorbedRow(d);
    const Network ladder = DesignedNetworkOf(d).full;
    Json elements = Json::array();
    std::size_t part = 0;
    for (std::size_t i = 0; i < d.table.size(); ++i) {
        const ElementRow &row = d.table[i];
        Json j{{"label", std::string(row.label)},
               {"unit", UnitName(row.kind)},
               {"kind", ElementKindName(row.kind)},
               {"printed", row.value}};
        if (row.kind == ElementKind::Termination) {
            j["full"] = i == 0 ? d.zhighOhms : d.zlowOhms;
            j["port"] = i == 0 ? 1 : 2;
        } else if (i == absorbed) {
            j["full"] = d.absorbedValue;
            j["absorbedLoad"] = true;
        } else {
            j["full"] = row.fullValue;
            j["absorbedLoad"] = false;
            j["part"] = PartName(ladder, part++);
            j["belowChipRange"] = row.fullValue < kSmallestChipValue;
        }
        elements.push_back(std::move(j));
    }
    return elements;
}

// Each port's end and termination, and the absorbed load at its port.
Json PortsJson(const DesignResult &d)
{
    Json ports = Json::array();
    const std::optional<std::size_t> absorbed = AbsorbedRow(d);
    for (const int port : {1, 2}) {
        Json j{{"port", port},
               {"end", port == 1 ? "high-impedance" : "low-impedance"},
               {"terminationOhms", port == 1 ? d.zhighOhms : d.zlowOhms}};
        const int loadPort = IsSeriesLoad(d.loadType) ? 2 : 1;
        if (absorbed && loadPort == port) {
            const ElementRow &row = d.table[*absorbed];
            j["absorbedLoad"] = {{"loadType", NamesOf(d.loadType).code},
                                 {"kind", ElementKindName(row.kind)},
                                 {"label", std::string(row.label)},
                                 {"value", d.absorbedValue},
                                 {"unit", UnitName(row.kind)}};
        } else {
            j["absorbedLoad"] = nullptr;
        }
        ports.push_back(std::move(j));
    }
    return ports;
}

Json DesignFiguresJson(const DesignResult &d)
{
    const BandParameters &s = d.band;
    return Json{
        {"band",
         {{"F1MHz", s.F1},
          {"F2MHz", s.F2},
          {"BWMHz", std::abs(s.F2 - s.F1)},
          {"F0MHz", s.F0},
          {"F0GHz", s.F0GHz},
          {"Qt", s.Qt}}},
        {"q",
         {{"Qt", s.Qt},
          {"sourceQ", d.SourceQ},
          {"loadQ", d.reportedLoadQ},
          {"absorbedLoadQ", d.LoadQ},
          {"g1", d.g1},
          {"x", d.x}}},
        {"solverPasses", d.passes},
        {"transformation", {{"target", d.ZRatio}, {"achieved", d.f}}},
        {"loss",
         {{"maxLossDb", d.Lmax},
          {"maxVswr", d.Smax},
          {"minLossDb", d.Lmin},
          {"minVswr", d.Smin},
          {"gammaMax", d.GammaMax},
          {"gammaMin", d.GammaMin}}},
        {"absorbed", d.absorbed},
        {"topology", d.inductive ? "inductive" : "capacitive"},
        {"ports", PortsJson(d)},
        {"elements", ElementsJson(d)},
    };
}

Json PassbandJson(const PassbandFigures &p)
{
    return Json{{"gammaMax", p.gammaMax}, {"gammaMaxAtHz", p.gammaMaxAtHz},
                {"gammaMin", p.gammaMin}, {"gammaMinAtHz", p.gammaMinAtHz},
                {"vswrMax", p.vswrMax},   {"vswrMin", p.vswrMin}};
}

Json BodeFanoJson(const BodeFanoLimit &b)
{
    if (!b.applicable)
        return Json{{"applicable", false},
                    {"note", "nothing absorbed: no Bode-Fano limit applies"}};
    return Json{{"applicable", true},
                {"g1", b.g1},
                {"gammaLimit", b.gammaLimit},
                {"vswrLimit", b.vswrLimit},
                {"mismatchLossDb", b.mismatchLossDb},
                {"designGammaMax", b.designGammaMax}};
}

Json StandardValuesJson(const StandardValues &v, const Network &full, bool tuned)
{
    Json elements = Json::array();
    for (std::size_t i = 0; i < v.ladder.parts.size(); ++i)
        elements.push_back({{"part", PartName(v.ladder, i)},
                            {"label", v.ladder.parts[i].label},
                            {"full", full.parts[i].value},
                            {"snapped", v.ladder.parts[i].value}});
    Json j{{"series", SeriesName(v.series)},
           {"network", tuned ? "tuned" : "design"},
           {"elements", elements}};
    j.update(PassbandJson(v.figures));
    return j;
}

Json FiniteQJson(const FiniteQLoss &q)
{
    Json j = Json::object();
    if (q.losses.inductorQ)
        j["inductorQ"] = *q.losses.inductorQ;
    if (q.losses.capacitorQ)
        j["capacitorQ"] = *q.losses.capacitorQ;
    j["qModel"] = q.losses.model == QModel::Constant ? "constant" : "centre";
    if (const auto &l = q.losses.inductorChip)
        j["inductorModel"] = {
            {"q", l->q}, {"atHz", l->at.hz()}, {"parallelPf", l->parallel.picofarads()}};
    if (const auto &c = q.losses.capacitorChip)
        j["capacitorModel"] = {
            {"eslNh", c->esl.nanohenries()}, {"esrOhms", c->esr.ohms()}, {"atHz", c->at.hz()}};
    if (q.losses.padPf > 0)
        j["padPf"] = q.losses.padPf;
    j["atHz"] = q.losses.centreHz;
    j["maxInsertionLossDb"] = q.maxInsertionLossDb;
    j["minInsertionLossDb"] = q.minInsertionLossDb;
    j["centreInsertionLossDb"] = q.centreInsertionLossDb;
    j["losslessMaxInsertionLossDb"] = q.losslessMaxInsertionLossDb;
    return j;
}

Json YieldJson(const YieldResult &y)
{
    return Json{{"trials", y.options.trials},
                {"tolerancePercent", y.options.tolerancePercent},
                {"seed", y.options.seed},
                {"bandPoints", y.options.bandPoints},
                {"vswrLimit", y.options.vswrLimit},
                {"passed", y.passed},
                {"yieldPercent", y.yieldPercent},
                {"nominalVswr", y.nominalVswr},
                {"vswrP50", y.vswrP50},
                {"vswrP90", y.vswrP90},
                {"vswrP99", y.vswrP99},
                {"worstVswr", y.worstVswr}};
}

Json SensitivityJson(const NetworkAnalysis &a)
{
    Json parts = Json::array();
    for (const PartSensitivity &p : a.sensitivity)
        parts.push_back({{"part", PartName(a.full, p.index)},
                         {"label", p.label},
                         {"gammaMaxChangePerPercent", p.gammaMaxChangePerPercent}});
    return parts;
}

Json AnalysisJson(const NetworkAnalysis &a)
{
    Json j{{"passband", {{"lowHz", a.band.lowHz}, {"highHz", a.band.highHz}}},
           {"selfCheck",
            {{"designGammaMax", a.selfCheck.designGammaMax},
             {"designGammaMin", a.selfCheck.designGammaMin},
             {"fullPrecision", PassbandJson(a.selfCheck.full)},
             {"printed", PassbandJson(a.selfCheck.printed)},
             {"agrees", a.selfCheck.agrees}}},
           {"bodeFano", BodeFanoJson(a.bodeFano)},
           {"sensitivity", SensitivityJson(a)}};
    if (a.selfCheck.measuredLoad)
        j["selfCheck"]["intoMeasuredLoad"] = true;
    if (a.standardValues)
        j["standardValues"] = StandardValuesJson(*a.standardValues, a.full, a.tuned);
    if (a.finiteQ)
        j["finiteQ"] = FiniteQJson(*a.finiteQ);
    if (a.asBuilt) {
        j["asBuilt"] = PassbandJson(a.asBuilt->figures);
        j["asBuilt"]["lossDbMax"] = a.asBuilt->lossDbMax;
    }
    if (a.yield)
        j["monteCarlo"] = YieldJson(*a.yield);
    return j;
}

// Refuses infinity and NaN, and writes negative zero as zero.
void RequireFinite(Json &j)
{
    if (j.is_number_float()) {
        const double value = j.get<double>();
        if (!std::isfinite(value))
            throw std::domain_error("a figure that is not finite cannot be exported");
        if (value == 0)
            j = 0.0;
    }
    if (j.is_structured())
        for (Json &child : j)
            RequireFinite(child);
}

} // namespace

Json DesignElementsJson(const DesignResult &design)
{
    return ElementsJson(design);
}

Json AnalysisTree(const NetworkAnalysis &analysis)
{
    Json j = AnalysisJson(analysis);
    RequireFinite(j);
    return j;
}

Json DesignDocument(const DesignInputs &inputs, const DesignResult &design,
                    const std::string &reportError, const NetworkAnalysis *analysis)
{
    Json j{{"status", StatusName(design, reportError)},
           {"inputs", InputsJson(inputs, design.typed)}};
    if (design.solved && !reportError.empty())
        j["reportError"] = reportError;
    if (design.solved) {
        j.update(DesignFiguresJson(design));
        if (analysis)
            j["analysis"] = AnalysisJson(*analysis);
    }
    RequireFinite(j);
    return j;
}

std::string DocumentText(const Json &document)
{
    // Invalid UTF-8 comes out as U+FFFD rather than as an exception: tevmar-cli
    // refuses such text first, and a document must never fail half written.
    return document.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

std::string DesignJson(const DesignInputs &inputs, const DesignResult &design,
                       const std::string &reportError, const NetworkAnalysis *analysis)
{
    return DocumentText(DesignDocument(inputs, design, reportError, analysis));
}

} // namespace tevmar::format
