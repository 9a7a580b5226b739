#include "format/amplifier_report.h"

#include "format/export_json.h"
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

std::string PartsText(const MatchingSide &side)
{
    std::string text;
    for (const Part &e : side.elements) {
        if (!text.empty())
            text += ", ";
        text += e.label + " " + Figure(e.value, 4) + " " + e.unit() + " " +
                (e.shunt() ? "shunt" : "series");
    }
    return text;
}

Json Pair(Complex value)
{
    return Json::array({Number(value.real()), Number(value.imag())});
}

Json Optional(const std::optional<double> &value)
{
    return value ? Number(*value) : Json(nullptr);
}

Json SideJson(const MatchingSide &side)
{
    Json elements = Json::array();
    for (const Part &e : side.elements)
        elements.push_back(Json{{"name", e.label},
                                {"kind", ElementKindName(e.kind)},
                                {"value", Number(e.value)},
                                {"unit", e.unit()}});
    return Json{{"topology", TopologyName(side.topology)}, {"elements", std::move(elements)}};
}

// A CSV or Touchstone number: round-trip precision, never NaN or infinity.
std::string Exact(double value)
{
    if (!std::isfinite(value))
        value = 0;
    char text[40];
    std::snprintf(text, sizeof text, "%.10g", value);
    return text;
}

std::string Cell(const std::optional<double> &value)
{
    return value && std::isfinite(*value) ? Exact(*value) : std::string();
}

std::string Termination(const std::string &file, double ohms)
{
    return file.empty() ? Figure(ohms) + " ohms" : PrintableText(file) + " (measured)";
}

Json FileOrNull(const std::string &file)
{
    return file.empty() ? Json(nullptr) : Json(file);
}

} // namespace

std::vector<std::string> AmplifierLines(const AmplifierReport &report)
{
    const Amplifier &a = report.amplifier;
    std::vector<std::string> lines;
    lines.push_back(std::string("Amplifier designed for ") +
                    (a.goal == AmplifierGoal::Noise ? "the least noise figure" : "the most gain") +
                    ": " + PrintableText(report.fileName) + ", data referred to " +
                    Figure(report.referenceOhms) + " ohms; source " +
                    Termination(report.sourceFile, report.terminations.sourceOhms) + ", load " +
                    Termination(report.loadFile, report.terminations.loadOhms));
    lines.push_back("Input network (source to device), " +
                    std::string(TopologyName(a.input.topology)) + ": " + PartsText(a.input));
    lines.push_back("Output network (device to load), " +
                    std::string(TopologyName(a.output.topology)) + ": " + PartsText(a.output));
    lines.emplace_back();
    lines.push_back("   f GHz   GT dB   NF dB  Gamma S          Gamma L          "
                    "RL in dB  RL out dB      mu");
    for (const AmplifierPoint &p : a.band) {
        std::string line = Fixed(p.frequencyHz / 1e9, 4, 8) + Fixed(p.gtDb, 2, 8) +
                           Fixed(p.nfDb, 2, 8) + "  " + Polar(p.gammaS, 17) + Polar(p.gammaL, 17) +
                           Fixed(p.inputReturnLossDb, 2, 8) + Fixed(p.outputReturnLossDb, 2, 11) +
                           Fixed(p.mu, 3, 8);
        lines.push_back(line);
    }
    lines.emplace_back();
    std::string summary =
        "GT " + Fixed(a.gtDbMin, 2, 0) + " to " + Fixed(a.gtDbMax, 2, 0) + " dB over the band";
    if (a.nfDbMax)
        summary += "; NF at most " + Fixed(a.nfDbMax, 2, 0) + " dB";
    lines.push_back(summary);
    lines.push_back(a.stable ? "Unconditionally stable: mu above 1 at every data frequency"
                             : "Stable with these terminations, but not unconditionally: mu "
                               "falls to 1 or below at some data frequency");
    return lines;
}

std::string AmplifierJson(const AmplifierReport &report)
{
    const Amplifier &a = report.amplifier;
    Json sweep = Json::array();
    for (const AmplifierPoint &p : a.band)
        sweep.push_back(Json{{"frequencyHz", Number(p.frequencyHz)},
                             {"gtDb", Number(p.gtDb)},
                             {"nfDb", Optional(p.nfDb)},
                             {"gammaS", Pair(p.gammaS)},
                             {"gammaL", Pair(p.gammaL)},
                             {"inputReturnLossDb", Number(p.inputReturnLossDb)},
                             {"outputReturnLossDb", Number(p.outputReturnLossDb)},
                             {"mu", Optional(p.mu)}});
    const Json document{
        {"amplifier",
         {{"goal", AmplifierGoalName(a.goal)},
          {"device", report.fileName},
          {"referenceOhms", Number(report.referenceOhms)},
          {"sourceOhms",
           report.sourceFile.empty() ? Number(report.terminations.sourceOhms) : Json(nullptr)},
          {"loadOhms",
           report.loadFile.empty() ? Number(report.terminations.loadOhms) : Json(nullptr)},
          {"sourceS1p", FileOrNull(report.sourceFile)},
          {"loadS1p", FileOrNull(report.loadFile)},
          {"input", SideJson(a.input)},
          {"output", SideJson(a.output)},
          {"sweep", std::move(sweep)},
          {"gtDbMin", Number(a.gtDbMin)},
          {"gtDbMax", Number(a.gtDbMax)},
          {"nfDbMax", Optional(a.nfDbMax)},
          {"stable", a.stable}}}};
    return document.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

std::string AmplifierCsv(const std::vector<AmplifierPoint> &points)
{
    std::string text = "frequency_hz,gt_db,nf_db,gamma_s_re,gamma_s_im,gamma_l_re,gamma_l_im,"
                       "input_return_loss_db,output_return_loss_db,gamma_in_mag,gamma_out_mag,"
                       "mu\n";
    for (const AmplifierPoint &p : points)
        text += Exact(p.frequencyHz) + ',' + Exact(p.gtDb) + ',' + Cell(p.nfDb) + ',' +
                Exact(p.gammaS.real()) + ',' + Exact(p.gammaS.imag()) + ',' +
                Exact(p.gammaL.real()) + ',' + Exact(p.gammaL.imag()) + ',' +
                Exact(p.inputReturnLossDb) + ',' + Exact(p.outputReturnLossDb) + ',' +
                Exact(std::min(p.gammaInMagnitude, 1e6)) + ',' +
                Exact(std::min(p.gammaOutMagnitude, 1e6)) + ',' + Cell(p.mu) + '\n';
    return text;
}

std::string AmplifierTouchstone(const TwoPortData &device, const Amplifier &amplifier,
                                double portOhms)
{
    std::string text = "! The whole amplifier: input network, transistor, output network\n";
    text += "# HZ S RI R " + Exact(portOhms) + "\n";
    for (std::size_t i = 0; i < device.frequenciesHz.size(); ++i) {
        const double f = device.frequenciesHz[i];
        const std::optional<TwoPortMatrix> s = AmplifierScattering(
            f, device.s[i], device.referenceOhms, amplifier.input, amplifier.output, portOhms);
        if (!s)
            continue; // no transmission: no scattering matrix through the cascade
        text += Exact(f);
        // Version 1.1 lists a two-port as S11 S21 S12 S22.
        for (const Complex v : {s->s11, s->s21, s->s12, s->s22})
            text += ' ' + Exact(v.real()) + ' ' + Exact(v.imag());
        text += '\n';
    }
    return text;
}

} // namespace tevmar::format
