#include "format/export_spice.h"

#include "analysis/lines/microstrip.h"
#include "analysis/model/board_line.h"
#include "analysis/model/circuit_expression.h"
#include "analysis/search/kit_search.h"
#include "format/port_text.h"
#include "format/termination_text.h"
#include "report/number_format.h"
#include "report/printable_text.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <stdexcept>
#include <vector>

namespace tevmar::format {
using namespace analysis;
namespace {

// A kit part as its fitted equivalent circuit between nodes a and b: an
// inductor L and its loss R in series with the winding capacitance across
// both, a capacitor C, ESL and ESR in series. The inner nodes take the
// part's name.
std::string KitPartLines(const KitPart &kit, const std::string &name, const std::string &a,
                         const std::string &b)
{
    const FittedEquivalent &f = kit.fitted;
    const std::string inner = name + "_x";
    const std::string comment = " ; " + PrintableText(kit.partNumber) + " fitted\n";
    // SPICE refuses a resistor of no ohms: a micro-ohm stands for a lossless fit.
    const std::string r = ShortestNumber(std::max(f.resistanceOhms, 1e-6));
    if (kit.inductor) {
        std::string lines = name + " " + a + " " + inner + " " + ShortestNumber(f.main) + comment +
                            "R" + name + " " + inner + " " + b + " " + r + "\n";
        if (f.parasitic > 0)
            lines += "CP" + name + " " + a + " " + b + " " + ShortestNumber(f.parasitic) + "\n";
        return lines;
    }
    if (!(f.parasitic > 0))
        return name + " " + a + " " + inner + " " + ShortestNumber(f.main) + comment + "RESR" +
               name + " " + inner + " " + b + " " + r + "\n";
    const std::string inner2 = name + "_y";
    return name + " " + a + " " + inner + " " + ShortestNumber(f.main) + comment + "LESL" + name +
           " " + inner + " " + inner2 + " " + ShortestNumber(f.parasitic) + "\n" + "RESR" + name +
           " " + inner2 + " " + b + " " + r + "\n";
}

bool HasKitParts(const Network &ladder)
{
    for (const Part &part : ladder.parts)
        if (KitPartOf(part))
            return true;
    return false;
}

// A resistance in ohms that follows the frequency: ngspice's `hertz` is the
// analysis frequency (taken as 1 Hz at the operating point, so that a loss
// growing from zero never reads as a short or an open there).
std::string FrequencyResistance(double ohmsAtReference, double referenceHz, double power)
{
    const std::string ratio = "max(hertz,1)/" + FixedNumber(referenceHz);
    const std::string factor = power == 0.5 ? "sqrt(" + ratio + ")"
                               : power == 1 ? "(" + ratio + ")"
                                            : "(1/(" + ratio + "))";
    return "r={" + FixedNumber(ohmsAtReference) + "*" + factor + "}";
}

// The longest section of a strip's netlist, degrees at the band's centre:
// short enough that the dielectric's loss, lumped at the joints, loads the
// line as its distributed conductance does.
constexpr double kMostSectionDegrees = 10;

// A strip on a board between nodes a and far as ngspice's lossy lines (O
// cards of one LTRA model) in sections: each the strip's inductance and
// capacitance per metre at the band's centre, L' = Z0 beta / w and
// C' = beta / (w Z0), and the copper's loss as R' = 2 Z0 alpha_c. LTRA solves
// no line with both a series R and a shunt G, so the dielectric's loss, a
// conductance G' = 2 alpha_d / Z0 per metre, stands at the joints (half a
// section's at each end) as a resistance to ground that falls as 1/f, as a
// constant loss tangent's does. Putting it into R instead would load the
// line by its current rather than its voltage, wrong wherever the strip
// carries a standing wave. The length is the wave's, an open stub's end
// extension included; a shorted stub's far end is ground.
std::string BoardLineCards(const Part &line, const std::string &name, const std::string &a,
                           const std::string &far, const std::string &comment)
{
    const lines::Microstrip strip(line.line.board->substrate, line.line.board->width);
    const double hz = line.line.referenceHz;
    const lines::Microstrip::Propagation p = strip.PropagationAt(hz);
    const double omega = 2 * std::numbers::pi * hz;
    // The lossless line's phase constant, its electrical length at the
    // centre over its length: with R and G beside L and C the section's own
    // gamma is then the strip's.
    const double length = ElectricalLengthOf(line);
    const double beta = line.RadiansAt(hz) / length;
    const double degrees = line.value;
    const int sections = std::max(1, static_cast<int>(std::ceil(degrees / kMostSectionDegrees)));
    const double section = length / sections;
    const double conductance = 2 * strip.DielectricLoss(hz) / p.z0 * section; // S per section

    const std::string model = name + "_strip";
    std::string text;
    const auto node = [&](int k) {
        return k == 0 ? a : k == sections ? far : name + "_" + std::to_string(k);
    };
    for (int k = 0; k < sections; ++k)
        text += "O" + name + (k == 0 ? "" : "_" + std::to_string(k + 1)) + " " + node(k) + " 0 " +
                node(k + 1) + " 0 " + model + (k == 0 ? comment : "\n");
    text += ".model " + model + " LTRA R=" + ShortestNumber(2 * p.z0 * strip.ConductorLoss(hz)) +
            " L=" + ShortestNumber(p.z0 * beta / omega) + " G=0" +
            " C=" + ShortestNumber(beta / (omega * p.z0)) + " LEN=" + ShortestNumber(section) +
            "\n";
    if (conductance > 0)
        for (int k = 0; k <= sections; ++k) {
            if (node(k) == "0")
                continue;
            const double g = k == 0 || k == sections ? conductance / 2 : conductance;
            text += "RG" + name + "_" + std::to_string(k) + " " + node(k) + " 0 " +
                    FrequencyResistance(1 / g, hz, -1) + "\n";
        }
    return text;
}

// One part between nodes a and b as its model builds it: an ideal part is
// its one card; a lossy part its L or C (named as the part) with the loss
// and parasitics beside it, on nodes and names of its own; a kit's part its
// fitted equivalent.
std::string PartCards(const Part &part, const std::string &name, const std::string &a,
                      const std::string &b, const std::string &comment)
{
    // A length of ideal line is ngspice's lossless line, its delay the
    // electrical length over the frequency it is given at. A stub's far end
    // is a node of its own (open) or ground (shorted).
    if (part.isLine()) {
        const std::string far = part.kind == ElementKind::SeriesLine      ? b
                                : part.kind == ElementKind::ShuntOpenStub ? name + "_open"
                                                                          : "0";
        if (part.line.board)
            return BoardLineCards(part, name, a, far, comment);
        const double delay = part.value / 360 / part.line.referenceHz;
        return name + " " + a + " 0 " + far + " 0 Z0=" + FixedNumber(part.line.z0Ohms) +
               " TD=" + ShortestNumber(delay) + comment;
    }
    const std::string mid = name + "_m";
    const std::string own = name + " " + a + " " + mid + " " + part.SpiceValue() + comment;
    const auto ideal = [&](const Ideal &) {
        return name + " " + a + " " + b + " " + part.SpiceValue() + comment;
    };
    const auto kit = [&](const Measured &m) { return KitPartLines(*m.part, name, a, b); };
    const auto chipInductor = [&](const ChipInductor &chip) {
        const double ohms = chip.at.omega() * part.si() / chip.q;
        return own + "R" + name + " " + mid + " " + b + " " +
               FrequencyResistance(ohms, chip.at.hz(), 0.5) + " ; winding loss, Q " +
               Figure(chip.q) + " at " + Figure(chip.at.ghz()) + " GHz\n" + "C" + name + " " + a +
               " " + b + " " + FixedNumber(chip.parallel.picofarads()) +
               "p ; winding capacitance\n";
    };
    const auto chipCapacitor = [&](const ChipCapacitor &chip) {
        const std::string end = name + "_r";
        return own + "L" + name + " " + mid + " " + end + " " +
               FixedNumber(chip.esl.nanohenries()) + "n ; ESL\n" + "R" + name + " " + end + " " +
               b + " " + FrequencyResistance(chip.esr.ohms(), chip.at.hz(), 0.5) + " ; ESR at " +
               Figure(chip.at.ghz()) + " GHz\n";
    };
    const auto finiteQ = [&](const FiniteQ &q) {
        const bool constant = q.model == QModel::Constant;
        return part.Visit(Overloaded{
            [&](Inductor) {
                // Series loss resistance w L / Q.
                const double ohms = q.centre.omega() * part.si() / q.q;
                const std::string r =
                    constant ? FrequencyResistance(ohms, q.centre.hz(), 1) : FixedNumber(ohms);
                return own + "R" + name + " " + mid + " " + b + " " + r + " ; Q " + Figure(q.q) +
                       "\n";
            },
            [&](Capacitor) {
                // Parallel loss conductance w C / Q.
                const double ohms = q.q / (q.centre.omega() * part.si());
                const std::string r =
                    constant ? FrequencyResistance(ohms, q.centre.hz(), -1) : FixedNumber(ohms);
                return name + " " + a + " " + b + " " + part.SpiceValue() + comment + "R" + name +
                       " " + a + " " + b + " " + r + " ; Q " + Figure(q.q) + "\n";
            },
            [&](Line) { return std::string(); }}); // a line takes no Q: its own card above
    };
    return std::visit(Overloaded{ideal, kit, chipInductor, chipCapacitor, finiteQ}, part.model);
}

std::string SubcircuitLines(const Network &ladder, const std::string &subcircuit,
                            const SpiceNaming &naming)
{
    // Shunt elements after the last series element stand at port 2.
    std::size_t lastSeries = ladder.parts.size();
    for (std::size_t i = 0; i < ladder.parts.size(); ++i)
        if (!ladder.parts[i].shunt())
            lastSeries = i;

    std::string text = ".subckt " + subcircuit + " p1 p2\n";
    std::string node = "p1";
    int pads = 0;
    const auto pad = [&](const std::string &at) {
        if (ladder.padPf > 0)
            text += "CPAD" + std::to_string(++pads) + " " + at + " 0 " + FixedNumber(ladder.padPf) +
                    "p ; pad\n";
    };
    pad(node);
    for (std::size_t i = 0; i < ladder.parts.size(); ++i) {
        const Part &element = ladder.parts[i];
        const SpiceCardName card = naming(i);
        const std::string next = element.shunt()   ? "0"
                                 : i == lastSeries ? "p2"
                                                   : "n" + std::to_string(i + 1);
        text += PartCards(element, card.name, node, next, card.comment);
        if (!element.shunt()) {
            node = next;
            pad(node); // the figures' cascade puts one after every series part
        }
    }
    if (lastSeries == ladder.parts.size()) // no series element: the ports are one node
        text += "Vwire p1 p2 dc 0\n";
    return text + ".ends " + subcircuit + "\n";
}

// The test bench of a load known as a circuit: the source's resistance
// drives the other port with 2 V, and the load's circuit as typed (not its
// fit) terminates its own port. S11 is the reflection at the source; the
// power the load takes is the power its resistors take, each
// |V|^2 / R: node s21 carries S21 when the circuit has one resistor,
// nodes s21_1, s21_2, ... each resistor's share when it has more
// (|S21|^2 the sum of their squares).
struct Bench
{
    std::string cards;
    std::string print; // the vectors .print lists
};

Bench CircuitBench(const Network &ladder, const CircuitLoad &circuit, int loadPort)
{
    const bool loadAtPort2 = loadPort == 2;
    const std::string sourcePort = loadAtPort2 ? "p1" : "p2";
    const double sourceOhms = FileReferenceOhms(ladder, 3 - loadPort);
    const SpiceTerminationCards load =
        TerminationSpiceCards(Termination{circuit}, loadPort, loadAtPort2 ? "p2" : "p1", "0");
    const std::size_t resistors = load.resistors.size();

    std::string text = "\n* Test bench: the load's circuit as typed, " +
                       PrintableText(circuit.circuit->Text()) + ", at port " +
                       std::to_string(loadPort) + ", driven from port " +
                       std::to_string(3 - loadPort) + " through " + FixedNumber(sourceOhms) +
                       (DataOnly(ladder) || SourceDataOnly(ladder)
                            ? std::string(" ohms\n")
                            : " ohms (the port and load lines above are the fit the "
                              "network was designed for)\n");
    if (resistors == 0)
        text += "* Node s11 carries S11 (at the source); the load has no resistance to take "
                "power\n";
    else if (resistors == 1)
        text += "* Nodes s11 and s21 carry S11 (at the source) and S21 (into the load's "
                "resistance)\n";
    else
        text += "* Node s11 carries S11 (at the source); nodes s21_1 to s21_" +
                std::to_string(resistors) +
                " each resistor's share of S21: |S21|^2 is the sum of their squares\n";
    text += "Vdrive drive 0 dc 0 ac 2\n";
    text += "Rsource drive " + sourcePort + " " + FixedNumber(sourceOhms) + "\n";
    text += std::string("Xmatch p1 p2 ") + kSpiceSubcircuit + "\n";
    text += load.text;
    // A load of series capacitors leaves its nodes without a path to ground
    // at DC, where ngspice finds its operating point first: a teraohm to
    // ground at each gives one, and takes 1e-10 of the power a 100-ohm load
    // takes.
    text += "RDCLOAD0 " + std::string(loadAtPort2 ? "p2" : "p1") + " 0 1000000000000\n";
    for (std::size_t node = 0; node < load.innerNodes.size(); ++node)
        text += "RDCLOAD" + std::to_string(node + 1) + " " + load.innerNodes[node] +
                " 0 1000000000000\n";
    text += "Vincident incident 0 dc 0 ac 1\n";
    text += "Ereflected s11 0 " + sourcePort + " incident 1\n";
    std::string print = "vm(s11) vdb(s11)";
    for (std::size_t k = 0; k < resistors; ++k) {
        // A resistor taking |V|^2 / R of the 1 / (2 Rs) available: its share
        // of S21 is V sqrt(Rs / R).
        const SpiceTerminationCards::Resistor &r = load.resistors[k];
        const std::string node = resistors == 1 ? "s21" : "s21_" + std::to_string(k + 1);
        text += "Etransmitted" + (resistors == 1 ? "" : std::to_string(k + 1)) + " " + node +
                " 0 " + r.a + " " + r.b + " " + FixedNumber(std::sqrt(sourceOhms / r.ohms)) + "\n";
        print += " vm(" + node + ")" + (resistors == 1 ? " vdb(s21)" : "");
    }
    return {text, print};
}

} // namespace

std::string SpiceSubcircuit(const Network &ladder, const std::string &name,
                            const SpiceNaming &naming)
{
    return SubcircuitLines(ladder, name, naming);
}

std::string SpiceBuiltNote(const Network &ladder)
{
    if (HasKitParts(ladder))
        return "* Kit parts as equivalent circuits fitted to their data over the band:\n"
               "* inductors L with R in series and CP across, capacitors C, ESL and ESR in "
               "series" +
               std::string(ladder.padPf > 0 ? "; a pad to ground at every node" : "") + "\n";
    // A strip on a board is written as ngspice's lossy line of its R, L and C
    // per metre at the centre, the nearest card: the netlist says what it
    // leaves out.
    std::string note;
    if (HasBoardLines(ladder))
        note = "* Microstrip lines as ngspice LTRA lines (O cards) in sections of at most " +
               Figure(kMostSectionDegrees) +
               " degrees:\n* their L and C per metre at the band's centre, the copper's loss "
               "their R, the\n* dielectric's a conductance to ground at each joint rising "
               "with frequency; an open\n* stub's end extension in its length. Left out: the "
               "dispersion of Z0 and eps_eff and\n* the copper loss's growth with frequency\n";
    const bool partsAsDrawn =
        ladder.padPf == 0 && std::ranges::all_of(ladder.parts, [](const Part &p) {
            return p.lossless() || (p.isLine() && p.line.board);
        });
    if (!partsAsDrawn)
        note += "* Parts as built: each L or C with its loss and parasitics beside it" +
                std::string(ladder.padPf > 0 ? ", a pad to ground at every node" : "") + "\n";
    return note;
}

std::string SpiceNetlist(const Network &ladder, const Band &band, int points)
{
    if (const std::string error = SweepPlanError(SweepPlan{band.lowHz, band.highHz, points, false});
        !error.empty())
        throw std::invalid_argument(error);
    // The bench's port resistances are those the files refer the ports to:
    // a termination known only by its data stands as the resistance the data
    // were measured against, never a fit's.
    const double ohms1 = FileReferenceOhms(ladder, 1), ohms2 = FileReferenceOhms(ladder, 2);
    const std::string r1 = FixedNumber(ohms1);
    // With a 2 V source behind R1, S11 = V(p1) - 1 and S21 = V(p2) sqrt(R1 / R2).
    const std::string gain = FixedNumber(std::sqrt(ohms1 / ohms2));

    std::string text = std::string("* Tevmar Z-Match ") + NetworkShape(ladder) +
                       " matching network\n"
                       "* Subcircuit pins: p1 = port 1, p2 = port 2\n";
    for (const std::string &line : PortLines(ladder))
        text += "* " + line + "\n";
    text += "* Element values at full precision\n";
    text += SpiceBuiltNote(ladder);
    text += SpiceSubcircuit(ladder, kSpiceSubcircuit, [&ladder](std::size_t i) {
        // A tuned network's parts are labelled by their names: no comment then.
        // A label is text, never a card: one line, after the comment mark.
        const std::string name = PartName(ladder, i);
        const std::string &label = ladder.parts[i].label;
        return SpiceCardName{name, label == name ? "\n" : " ; " + PrintableText(label) + "\n"};
    });

    const std::string sweep = ".ac lin " + std::to_string(points) + " " + FixedNumber(band.lowHz) +
                              " " + FixedNumber(band.highHz) + "\n";
    const Termination load = LoadTerminationOf(ladder);
    if (const auto *circuit = std::get_if<CircuitLoad>(&load.kind)) {
        const Bench bench = CircuitBench(ladder, *circuit, ladder.measured->port);
        return text + bench.cards + sweep + ".print ac " + bench.print + "\n.end\n";
    }

    // The load's resistance sits on node r2 behind its reactance at port 2, or
    // on p1 with the reactance across it at port 1, where Rport1 stands for
    // it and the bench drives the network from the load's end; S21 is the
    // power reaching the port-2 resistance either way.
    // Data no fitted kind describes leave the bench its port resistances alone.
    const std::optional<LoadReactance> reactance = DataOnly(ladder) ? std::nullopt : ladder.load;
    const bool loadAtPort2 = reactance && reactance->port() == 2;
    const SpiceTerminationCards port2 = TerminationSpiceCards(
        loadAtPort2 ? ModelLoadTerminationOf(ladder) : ResistanceTermination(ohms2), 2, "p2", "0");
    const std::string r2Node = port2.resistors.front().a;
    text += "\n* Test bench: nodes s11 and s21 carry S11 and S21 referred to Rport1 and Rport2\n";
    text += "Vdrive drive 0 dc 0 ac 2\n";
    text += "Rport1 drive p1 " + r1 + "\n";
    if (reactance && !loadAtPort2)
        text += SpiceLoadReactanceCard(*reactance, "p1 0");
    text += std::string("Xmatch p1 p2 ") + kSpiceSubcircuit + "\n";
    text += port2.text;
    text += "Vincident incident 0 dc 0 ac 1\n";
    text += "Ereflected s11 0 p1 incident 1\n";
    text += "Etransmitted s21 0 " + r2Node + " 0 " + gain + "\n";
    text += sweep;
    text += ".print ac vm(s11) vdb(s11) vm(s21) vdb(s21)\n";
    return text + ".end\n";
}

} // namespace tevmar::format
