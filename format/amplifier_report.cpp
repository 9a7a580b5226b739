#include "format/amplifier_report.h"

#include "analysis/search/kit_search.h"
#include "format/bom.h"
#include "format/export_json.h"
#include "format/export_spice.h"
#include "format/json_number.h"
#include "format/path_json.h"
#include "format/table_columns.h"
#include "report/number_format.h"
#include "report/printable_text.h"
#include "units/unit_text.h"

#include <cmath>
#include <cstdio>
#include <numbers>
#include <vector>

namespace tevmar::format {
using namespace analysis;
namespace {

using Complex = std::complex<double>;

// The stabilising resistors beside the device: the input's series one, last
// before the device, and the output's shunt one, first after it.
inline constexpr const char *kInputStabiliser = "Rin", *kOutputStabiliser = "Rout";

std::optional<double> StabiliserOhms(const Amplifier &a, bool input)
{
    if (!a.stabiliser)
        return std::nullopt;
    return input ? a.stabiliser->inputSeriesOhms : a.stabiliser->outputShuntOhms;
}

std::string ResistorText(bool input, double ohms)
{
    return std::string(input ? kInputStabiliser : kOutputStabiliser) + " " + Figure(ohms, 4) +
           " ohms " + (input ? "series" : "shunt") + " (stabiliser)";
}

// One network's parts as the text lists them, with the stabilising resistor
// (if any) on the device's side: a kit part followed by its number.
std::string PartsText(const Network &side, bool input, const std::optional<double> &stabiliserOhms)
{
    std::vector<std::string> items;
    for (const Part &e : side.parts) {
        const KitPart *kit = KitPartOf(e);
        items.push_back(e.label + " " + Figure(e.value, 4) + " " + e.unit() + " " +
                        (kit ? PrintableText(kit->partNumber) + " " : "") +
                        (e.shunt() ? "shunt" : "series"));
    }
    if (stabiliserOhms)
        items.insert(input ? items.end() : items.begin(), ResistorText(input, *stabiliserOhms));
    std::string text;
    for (const std::string &item : items)
        text += (text.empty() ? "" : ", ") + item;
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

Json SideJson(const Network &side, Topology topology, bool input,
              const std::optional<double> &stabiliserOhms,
              const std::optional<ImpedancePath> &path = std::nullopt)
{
    Json elements = Json::array();
    for (const Part &e : side.parts) {
        Json element{{"name", e.label},
                     {"kind", ElementKindName(e.kind)},
                     {"value", Number(e.value)},
                     {"unit", e.unit()}};
        if (const KitPart *kit = KitPartOf(e))
            element["part"] = kit->partNumber;
        elements.push_back(std::move(element));
    }
    if (stabiliserOhms) {
        Json resistor{{"name", input ? kInputStabiliser : kOutputStabiliser},
                      {"kind", input ? "series resistor" : "shunt resistor"},
                      {"value", Number(*stabiliserOhms)},
                      {"unit", "ohm"},
                      {"stabiliser", true}};
        elements.insert(input ? elements.end() : elements.begin(), std::move(resistor));
    }
    Json json{{"topology", TopologyName(topology)}, {"elements", std::move(elements)}};
    if (path)
        json["path"] = PathJson(*path, side);
    return json;
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

// A resistive termination's ohms; a measured one's is not used.
double OhmsOf(const analysis::Termination &termination)
{
    return AmplifierPortOhms(termination, 0);
}

std::string TerminationText(const std::string &file, double ohms)
{
    return file.empty() ? Figure(ohms) + " ohms" : PrintableText(file) + " (measured)";
}

Json FileOrNull(const std::string &file)
{
    return file.empty() ? Json(nullptr) : Json(file);
}

// "1.7 to 2.1 GHz", or "at 4 GHz" for a single frequency.
std::string Band(double fromHz, double toHz)
{
    if (fromHz == toHz)
        return "at " + units::GhzText(units::Frequency::FromHz(fromHz));
    return units::GhzFigure(units::Frequency::FromHz(fromHz)) + " to " +
           units::GhzText(units::Frequency::FromHz(toHz));
}

} // namespace

std::vector<std::string> StabilityLines(const Amplifier &a)
{
    const AmplifierStability &st = a.stability;
    const double allowed = st.marginAsked * st.marginAsked;
    std::vector<std::string> lines;
    lines.push_back("In band, " + Band(st.bandFromHz, st.bandToHz) +
                    ": both loops (|GammaS Gamma in|, |GammaL Gamma out|) at most " +
                    Fixed(st.worstLoopInBand, 3, 0) + ", within " + Figure(allowed, 4) +
                    " (a margin of " + Figure(st.marginAsked, 3) +
                    " each way); GT at or below the device's MAG, or MSG where it has none");
    lines.push_back("Over the whole data, " + Band(st.dataFromHz, st.dataToHz) +
                    ", with each part also moved alone by +-" + Figure(st.toleranceChecked) +
                    " %: both loops below 1, at most " + Fixed(st.worstLoopOverData, 3, 0) +
                    " (at " + units::GhzText(units::Frequency::FromHz(st.atFrequencyHz)) + ")");
    if (a.stable)
        lines.emplace_back("Unconditionally stable: mu above 1 at every data frequency");
    else if (!st.deviceUnconditional)
        lines.push_back("Conditionally stable: the device's mu falls to " +
                        Fixed(st.deviceLeastMu, 3, 0) + " at " +
                        units::GhzFigure(units::Frequency::FromHz(st.deviceLeastMuHz)) +
                        " GHz, so the amplifier is stable with these terminations, not with "
                        "every passive source and load");
    else
        lines.emplace_back("Stable with these terminations, but not unconditionally: mu falls to "
                           "1 or below at some data frequency");
    return lines;
}

std::string StabiliserLine(const Stabiliser &s)
{
    const std::string mu = "mu at least " + Fixed(s.leastMu, 3, 0) + " (at " +
                           units::GhzText(units::Frequency::FromHz(s.leastMuHz)) +
                           ") at every data frequency";
    if (!s.any())
        return "Stabilised: no resistor needed, the device's own " + mu;
    const std::string held = "Stabilised by the resistors beside the device: " + mu +
                             ", each resistor also moved alone by +-" + Figure(s.toleranceChecked) +
                             " %; the band's least MAG " + Fixed(s.stabilisedGainDb, 2, 0) + " dB";
    // A device whose port alone gives back more than it receives has no
    // bounded gain to weigh the loading against.
    if (!std::isfinite(s.deviceGainDb))
        return held + ", where the device alone has no finite most stable gain";
    return held + " against the device's own " + Fixed(s.deviceGainDb, 2, 0) +
           " dB (MAG, or MSG where it has none): they cost " + Fixed(s.gainCostDb(), 2, 0) + " dB";
}

std::vector<std::string> AmplifierLines(const AmplifierReport &report)
{
    const Amplifier &a = report.amplifier;
    std::vector<std::string> lines;
    lines.push_back(std::string("Amplifier designed for ") +
                    (a.goal == AmplifierGoal::Noise ? "the least noise figure" : "the most gain") +
                    ": " + PrintableText(report.fileName) + ", data referred to " +
                    Figure(report.referenceOhms) + " ohms; source " +
                    TerminationText(report.sourceFile, OhmsOf(report.source)) + ", load " +
                    TerminationText(report.loadFile, OhmsOf(report.load)));
    lines.push_back("Input network (source to device), " +
                    std::string(TopologyName(a.inputTopology)) + ": " +
                    PartsText(a.input, true, StabiliserOhms(a, true)));
    lines.push_back("Output network (device to load), " +
                    std::string(TopologyName(a.outputTopology)) + ": " +
                    PartsText(a.output, false, StabiliserOhms(a, false)));
    if (a.stabiliser)
        lines.push_back(StabiliserLine(*a.stabiliser));
    lines.emplace_back();
    lines.push_back("   f GHz   GT dB   NF dB  Gamma S          Gamma L          "
                    "RL in dB  RL out dB      mu");
    for (const AmplifierPoint &p : a.band) {
        std::string line = Fixed(units::Frequency::FromHz(p.frequencyHz).ghz(), 4, 8) +
                           Fixed(p.gtDb, 2, 8) + Fixed(p.nfDb, 2, 8) + "  " + Polar(p.gammaS, 17) +
                           Polar(p.gammaL, 17) + Fixed(p.inputReturnLossDb, 2, 8) +
                           Fixed(p.outputReturnLossDb, 2, 11) + Fixed(p.mu, 3, 8);
        lines.push_back(line);
    }
    lines.emplace_back();
    std::string summary =
        "GT " + Fixed(a.gtDbMin, 2, 0) + " to " + Fixed(a.gtDbMax, 2, 0) + " dB over the band";
    if (a.nfDbMax)
        summary += "; NF at most " + Fixed(a.nfDbMax, 2, 0) + " dB";
    if (a.kit) {
        std::string designed = "Built of the kit's parts, every figure with their data; the "
                               "design they stand in for gave GT " +
                               Fixed(a.kit->designedGtDbMin, 2, 0) + " to " +
                               Fixed(a.kit->designedGtDbMax, 2, 0) + " dB";
        if (a.kit->designedNfDbMax)
            designed += ", NF at most " + Fixed(a.kit->designedNfDbMax, 2, 0) + " dB";
        lines.push_back(designed + " (" + PartsText(a.kit->designedInput, true, std::nullopt) +
                        "; " + PartsText(a.kit->designedOutput, false, std::nullopt) + "); " +
                        std::to_string(a.kit->networksMeasured) +
                        " choices of kit parts scored, choice " +
                        std::to_string(a.kit->choicesChecked) + " of the best passed every check");
    }
    lines.push_back(summary);
    for (std::string &line : StabilityLines(a))
        lines.push_back(std::move(line));
    return lines;
}

Json AmplifierDocumentJson(const AmplifierReport &report)
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
    Json document{
        {"amplifier",
         {{"goal", AmplifierGoalName(a.goal)},
          {"device", report.fileName},
          {"referenceOhms", Number(report.referenceOhms)},
          {"sourceOhms", report.sourceFile.empty() ? Number(OhmsOf(report.source)) : Json(nullptr)},
          {"loadOhms", report.loadFile.empty() ? Number(OhmsOf(report.load)) : Json(nullptr)},
          {"sourceS1p", FileOrNull(report.sourceFile)},
          {"loadS1p", FileOrNull(report.loadFile)},
          {"input",
           SideJson(a.input, a.inputTopology, true, StabiliserOhms(a, true), report.inputPath)},
          {"output", SideJson(a.output, a.outputTopology, false, StabiliserOhms(a, false),
                              report.outputPath)},
          {"sweep", std::move(sweep)},
          {"gtDbMin", Number(a.gtDbMin)},
          {"gtDbMax", Number(a.gtDbMax)},
          {"nfDbMax", Optional(a.nfDbMax)},
          {"stable", a.stable},
          {"stability",
           {{"marginAsked", Number(a.stability.marginAsked)},
            {"worstLoopInBand", Number(a.stability.worstLoopInBand)},
            {"worstLoopOverData", Number(a.stability.worstLoopOverData)},
            {"atFrequencyHz", Number(a.stability.atFrequencyHz)},
            {"toleranceChecked", Number(a.stability.toleranceChecked)}}}}}};
    if (a.kit) {
        Json designed{
            {"input", SideJson(a.kit->designedInput, a.inputTopology, true, std::nullopt)},
            {"output", SideJson(a.kit->designedOutput, a.outputTopology, false, std::nullopt)},
            {"gtDbMin", Number(a.kit->designedGtDbMin)},
            {"gtDbMax", Number(a.kit->designedGtDbMax)},
            {"nfDbMax", Optional(a.kit->designedNfDbMax)}};
        document["amplifier"]["kit"] = Json{{"designed", std::move(designed)},
                                            {"choicesScored", a.kit->networksMeasured},
                                            {"choiceTaken", a.kit->choicesChecked}};
    }
    if (const std::optional<Stabiliser> &s = a.stabiliser)
        document["amplifier"]["stabiliser"] =
            Json{{"inputSeriesOhms", Optional(s->inputSeriesOhms)},
                 {"outputShuntOhms", Optional(s->outputShuntOhms)},
                 {"leastMu", Number(s->leastMu)},
                 {"leastMuAtHz", Number(s->leastMuHz)},
                 {"muAsked", Number(s->muAsked)},
                 {"toleranceChecked", Number(s->toleranceChecked)},
                 {"deviceGainDb", Number(s->deviceGainDb)},
                 {"stabilisedGainDb", Number(s->stabilisedGainDb)},
                 {"gainCostDb", Number(s->gainCostDb())}};
    return document;
}

std::string AmplifierJson(const AmplifierReport &report)
{
    return AmplifierDocumentJson(report).dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
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

namespace {

// The chain from the source to the load, the stabilising resistors named
// beside the transistor.
std::string Chain(const Amplifier &a, const std::string &transistor)
{
    std::string text = "input network, ";
    if (const std::optional<double> ohms = StabiliserOhms(a, true))
        text += "series resistor " + ShortestNumber(*ohms) + " ohms, ";
    text += transistor;
    if (const std::optional<double> ohms = StabiliserOhms(a, false))
        text += ", shunt resistor " + ShortestNumber(*ohms) + " ohms";
    return text + ", output network";
}

} // namespace

std::string AmplifierTouchstone(const TwoPortData &device, const Amplifier &amplifier,
                                double portOhms)
{
    std::string text = "! The whole amplifier: " + Chain(amplifier, "transistor") + "\n";
    text += "# HZ S RI R " + Exact(portOhms) + "\n";
    for (std::size_t i = 0; i < device.frequenciesHz.size(); ++i) {
        const double f = device.frequenciesHz[i];
        const std::optional<TwoPortMatrix> s =
            AmplifierScattering(f, device.s[i], device.referenceOhms, amplifier.input,
                                amplifier.output, portOhms, portOhms);
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

namespace {

// One network's subcircuit, from p1: a shunt part stands at the node the
// series parts have reached, so consecutive shunt parts make a tank and
// consecutive series parts a resonator. The parts as built, with the pads.
std::string Subcircuit(const char *name, const Network &side)
{
    return SpiceSubcircuit(side, name, [&side](std::size_t i) {
        const Part &e = side.parts[i];
        return SpiceCardName{e.label, std::string(" ; ") + (e.shunt() ? "shunt" : "series") + "\n"};
    });
}

std::string TerminationPhrase(const std::string &file, double ohms)
{
    return file.empty() ? ShortestNumber(ohms) + " ohms"
                        : "the impedance measured in " + PrintableText(file);
}

} // namespace

std::string AmplifierBomCsv(const Amplifier &amplifier)
{
    std::string text = "network," + std::string(kBomHeader);
    for (const auto &[name, side] :
         {std::pair{"input", &amplifier.input}, std::pair{"output", &amplifier.output}}) {
        const std::string rows = BomCsv(*side);
        // Each row of the network's own bill, after its header, under the
        // network's name.
        for (std::size_t at = rows.find('\n') + 1; at < rows.size();) {
            const std::size_t end = rows.find('\n', at);
            text += std::string(name) + "," + rows.substr(at, end + 1 - at);
            at = end + 1;
        }
    }
    return text;
}

std::string AmplifierTouchstoneV2(const AmplifierReport &report, const TwoPortData &device)
{
    const Amplifier &a = report.amplifier;
    const double r1 = AmplifierPortOhms(report.source, device.referenceOhms);
    const double r2 = AmplifierPortOhms(report.load, device.referenceOhms);
    std::string lines;
    std::size_t count = 0;
    for (std::size_t i = 0; i < device.frequenciesHz.size(); ++i) {
        const double f = device.frequenciesHz[i];
        const std::optional<TwoPortMatrix> s =
            AmplifierScattering(f, device.s[i], device.referenceOhms, a.input, a.output, r1, r2);
        if (!s)
            continue; // no transmission: no scattering matrix through the cascade
        lines += Exact(f);
        for (const Complex v : {s->s11, s->s12, s->s21, s->s22})
            lines += ' ' + Exact(v.real()) + ' ' + Exact(v.imag());
        lines += '\n';
        ++count;
    }
    std::string text = "[Version] 2.0\n";
    text += "! The whole amplifier: " +
            Chain(a, "transistor (" + PrintableText(report.fileName) + ")") + "\n";
    text += "! Source: " + TerminationPhrase(report.sourceFile, OhmsOf(report.source)) +
            "; load: " + TerminationPhrase(report.loadFile, OhmsOf(report.load)) + "\n";
    text += "! Port 1 referred to " + ShortestNumber(r1) + " ohms, port 2 to " +
            ShortestNumber(r2) + " ohms ([Reference]); data order S11 S12 S21 S22\n";
    text += "# HZ S RI R " + ShortestNumber(r1) + "\n";
    text += "[Number of Ports] 2\n";
    text += "[Two-Port Data Order] 12_21\n";
    text += "[Number of Frequencies] " + std::to_string(count) + "\n";
    text += "[Reference] " + ShortestNumber(r1) + " " + ShortestNumber(r2) + "\n";
    text += "[Network Data]\n";
    return text + lines + "[End]\n";
}

std::string AmplifierSpice(const AmplifierReport &report, int points)
{
    const Amplifier &a = report.amplifier;
    const std::string device = PrintableText(report.fileName);
    const std::string z0 = ShortestNumber(report.referenceOhms);
    std::string text =
        "* Tevmar Z-Match amplifier matching networks, designed for " +
        std::string(a.goal == AmplifierGoal::Noise ? "the least noise figure" : "the most gain") +
        "\n";
    text += "* THE TRANSISTOR IS NOT IN THIS NETLIST: SPICE has no element for its measured\n"
            "* S-parameters (" +
            device +
            "), and no model is made up in their place. Connect the\n"
            "* device's data between the two subcircuits in a simulator that reads them.\n";
    text += std::string("* ") + kAmplifierInputSubcircuit +
            " p1 p2: the input network, designed between the source (p1, " +
            TerminationPhrase(report.sourceFile, OhmsOf(report.source)) +
            ") and the device's input (p2, " + device + " referred to " + z0 + " ohms)\n";
    text += std::string("* ") + kAmplifierOutputSubcircuit +
            " p1 p2: the output network, designed between the device's output (p1, " + device +
            " referred to " + z0 + " ohms) and the load (p2, " +
            TerminationPhrase(report.loadFile, OhmsOf(report.load)) + ")\n";
    text += "* Element values at full precision\n";
    // Both networks are built of the same parts and board; either may have
    // no part of a kind (or none at all) for its note to name.
    const std::string inputNote = SpiceBuiltNote(a.input);
    text += inputNote.empty() ? SpiceBuiltNote(a.output) : inputNote;
    // With a stabilising resistor, the side's subcircuit is its network's
    // and the resistor at the device's pin, so that p2 (p1) is the
    // transistor's own; the network alone stays a subcircuit of its own.
    const std::optional<double> rin = StabiliserOhms(a, true), rout = StabiliserOhms(a, false);
    const std::string inputNetwork = std::string(kAmplifierInputSubcircuit) + "_network";
    const std::string outputNetwork = std::string(kAmplifierOutputSubcircuit) + "_network";
    if (rin)
        text += "* " + std::string(kInputStabiliser) +
                ": the stabilising series resistor at the "
                "device's input, inside " +
                kAmplifierInputSubcircuit + "; " + inputNetwork + " p1 p2 the network alone\n";
    if (rout)
        text += "* " + std::string(kOutputStabiliser) +
                ": the stabilising shunt resistor across "
                "the device's output, inside " +
                kAmplifierOutputSubcircuit + "; " + outputNetwork + " p1 p2 the network alone\n";
    if (rin) {
        text += Subcircuit(inputNetwork.c_str(), a.input);
        text += std::string(".subckt ") + kAmplifierInputSubcircuit + " p1 p2\n";
        text += "Xnetwork p1 n1 " + inputNetwork + "\n";
        text += std::string(kInputStabiliser) + " n1 p2 " + FixedNumber(*rin) + " ; stabiliser\n";
        text += ".ends " + std::string(kAmplifierInputSubcircuit) + "\n";
    } else {
        text += Subcircuit(kAmplifierInputSubcircuit, a.input);
    }
    if (rout) {
        text += Subcircuit(outputNetwork.c_str(), a.output);
        text += std::string(".subckt ") + kAmplifierOutputSubcircuit + " p1 p2\n";
        text += std::string(kOutputStabiliser) + " p1 0 " + FixedNumber(*rout) + " ; stabiliser\n";
        text += "Xnetwork p1 p2 " + outputNetwork + "\n";
        text += ".ends " + std::string(kAmplifierOutputSubcircuit) + "\n";
    } else {
        text += Subcircuit(kAmplifierOutputSubcircuit, a.output);
    }

    const bool sourceBench = report.sourceFile.empty(), loadBench = report.loadFile.empty();
    std::vector<std::string> printed;
    text += "\n* Test bench: 1 A into each network's device end, its termination behind it\n";
    if (sourceBench) {
        text += std::string("* node zs carries the impedance the input network ") +
                (rin ? "and its series resistor present to the transistor\n"
                     : "presents to the device\n");
        text += "Rsource source 0 " + FixedNumber(OhmsOf(report.source)) + "\n";
        text += std::string("Xinput source zs ") + kAmplifierInputSubcircuit + "\n";
        text += "Izs 0 zs dc 0 ac 1\n";
        printed.insert(printed.end(), {"real(v(zs))", "imag(v(zs))"});
        if (rin) {
            text += "* node zsn carries the impedance the input network alone presents, at the "
                    "resistor\n";
            text += "Rsourcen sourcen 0 " + FixedNumber(OhmsOf(report.source)) + "\n";
            text += "Xinputn sourcen zsn " + inputNetwork + "\n";
            text += "Izsn 0 zsn dc 0 ac 1\n";
            printed.insert(printed.end(), {"real(v(zsn))", "imag(v(zsn))"});
        }
    } else {
        text += "* no bench for the input network: its source is measured, which SPICE "
                "cannot hold either\n";
    }
    if (loadBench) {
        text += std::string("* node zl carries the impedance the output network ") +
                (rout ? "and its shunt resistor present to the transistor\n"
                      : "presents to the device\n");
        text += "Rload load 0 " + FixedNumber(OhmsOf(report.load)) + "\n";
        text += std::string("Xoutput zl load ") + kAmplifierOutputSubcircuit + "\n";
        text += "Izl 0 zl dc 0 ac 1\n";
        printed.insert(printed.end(), {"real(v(zl))", "imag(v(zl))"});
        if (rout) {
            text += "* node zln carries the impedance the output network alone presents, at the "
                    "resistor\n";
            text += "Rloadn loadn 0 " + FixedNumber(OhmsOf(report.load)) + "\n";
            text += "Xoutputn zln loadn " + outputNetwork + "\n";
            text += "Izln 0 zln dc 0 ac 1\n";
            printed.insert(printed.end(), {"real(v(zln))", "imag(v(zln))"});
        }
    } else {
        text += "* no bench for the output network: its load is measured, which SPICE "
                "cannot hold either\n";
    }
    if (!printed.empty() && !a.band.empty()) {
        const double low = a.band.front().frequencyHz, high = a.band.back().frequencyHz;
        text += ".ac lin " + std::to_string(high > low ? std::max(points, 2) : 1) + " " +
                FixedNumber(low) + " " + FixedNumber(high) + "\n";
        text += ".print ac";
        for (const std::string &v : printed)
            text += " " + v;
        text += "\n";
    }
    return text + ".end\n";
}

} // namespace tevmar::format
