#include "format/export_spice.h"

#include "format/port_text.h"
#include "report/number_format.h"

#include <cmath>
#include <stdexcept>

namespace tevmar::format {
using namespace analysis;
namespace {

// The element's value in the unit its suffix names: nanohenries ("n") or
// picofarads ("p"). SPICE reads "M" as milli, so no other suffix is used.
std::string SpiceValue(const Part &element)
{
    return FixedNumber(element.value) + (element.inductor() ? "n" : "p");
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

// One part between nodes a and b as its model builds it: an ideal part is
// its one card; a lossy part its L or C (named as the part) with the loss
// and parasitics beside it, on nodes and names of its own.
std::string PartCards(const Part &part, const std::string &name, const std::string &a,
                      const std::string &b, const std::string &comment)
{
    if (part.lossless())
        return name + " " + a + " " + b + " " + SpiceValue(part) + comment;
    const std::string mid = name + "_m";
    if (const ChipInductor *chip = std::get_if<ChipInductor>(&part.model)) {
        const double ohms = chip->at.omega() * part.si() / chip->q;
        return name + " " + a + " " + mid + " " + SpiceValue(part) + comment + "R" + name + " " +
               mid + " " + b + " " + FrequencyResistance(ohms, chip->at.hz(), 0.5) +
               " ; winding loss, Q " + Figure(chip->q) + " at " + Figure(chip->at.ghz()) +
               " GHz\n" + "C" + name + " " + a + " " + b + " " +
               FixedNumber(chip->parallel.picofarads()) + "p ; winding capacitance\n";
    }
    if (const ChipCapacitor *chip = std::get_if<ChipCapacitor>(&part.model)) {
        const std::string end = name + "_r";
        return name + " " + a + " " + mid + " " + SpiceValue(part) + comment + "L" + name + " " +
               mid + " " + end + " " + FixedNumber(chip->esl.nanohenries()) + "n ; ESL\n" + "R" +
               name + " " + end + " " + b + " " +
               FrequencyResistance(chip->esr.ohms(), chip->at.hz(), 0.5) + " ; ESR at " +
               Figure(chip->at.ghz()) + " GHz\n";
    }
    const FiniteQ &q = std::get<FiniteQ>(part.model);
    const bool constant = q.model == QModel::Constant;
    if (part.inductor()) {
        // Series loss resistance w L / Q.
        const double ohms = q.centre.omega() * part.si() / q.q;
        const std::string r =
            constant ? FrequencyResistance(ohms, q.centre.hz(), 1) : FixedNumber(ohms);
        return name + " " + a + " " + mid + " " + SpiceValue(part) + comment + "R" + name + " " +
               mid + " " + b + " " + r + " ; Q " + Figure(q.q) + "\n";
    }
    // Parallel loss conductance w C / Q.
    const double ohms = q.q / (q.centre.omega() * part.si());
    const std::string r =
        constant ? FrequencyResistance(ohms, q.centre.hz(), -1) : FixedNumber(ohms);
    return name + " " + a + " " + b + " " + SpiceValue(part) + comment + "R" + name + " " + a +
           " " + b + " " + r + " ; Q " + Figure(q.q) + "\n";
}

std::string SubcircuitLines(const Network &ladder)
{
    // Shunt elements after the last series element stand at port 2.
    std::size_t lastSeries = ladder.parts.size();
    for (std::size_t i = 0; i < ladder.parts.size(); ++i)
        if (!ladder.parts[i].shunt())
            lastSeries = i;

    std::string text = std::string(".subckt ") + kSpiceSubcircuit + " p1 p2\n";
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
        const std::string name = PartName(ladder, i);
        const std::string comment = " ; " + element.label + "\n";
        if (element.shunt()) {
            text += PartCards(element, name, node, "0", comment);
            continue;
        }
        const std::string next = i == lastSeries ? "p2" : "n" + std::to_string(i + 1);
        text += PartCards(element, name, node, next, comment);
        node = next;
        pad(node);
    }
    if (lastSeries == ladder.parts.size()) // no series element: the ports are one node
        text += "Vwire p1 p2 dc 0\n";
    return text + ".ends " + kSpiceSubcircuit + "\n";
}

// The absorbed load's own reactance, outside the subcircuit.
std::string LoadLine(const LoadReactance &load, const std::string &nodes)
{
    return std::string(load.element.inductor() ? "Lload " : "Cload ") + nodes + " " +
           SpiceValue(load.element) + " ; the load's reactance (" + NamesOf(load.type).phrase +
           " load)\n";
}

} // namespace

std::string SpiceNetlist(const Network &ladder, const Band &band, int points)
{
    if (const std::string error = SweepPlanError(SweepPlan{band.lowHz, band.highHz, points, false});
        !error.empty())
        throw std::invalid_argument(error);
    const std::string r1 = FixedNumber(ladder.port1Ohms);
    const std::string r2 = FixedNumber(ladder.port2Ohms);
    // With a 2 V source behind R1, S11 = V(p1) - 1 and S21 = V(p2) sqrt(R1 / R2).
    const std::string gain = FixedNumber(std::sqrt(ladder.port1Ohms / ladder.port2Ohms));

    std::string text = std::string("* Tevmar Z-Match ") + NetworkShape(ladder) +
                       " matching network\n"
                       "* Subcircuit pins: p1 = port 1, p2 = port 2\n";
    for (const std::string &line : PortLines(ladder))
        text += "* " + line + "\n";
    text += "* Element values at full precision\n";
    if (!IdealAsDrawn(ladder))
        text += "* Parts as built: each L or C with its loss and parasitics beside it" +
                std::string(ladder.padPf > 0 ? ", a pad to ground at every node" : "") + "\n";
    text += SubcircuitLines(ladder);

    // The load's resistance sits on node r2 behind its reactance at port 2, or
    // on p1 with the reactance across it at port 1; S21 is the power reaching
    // the port-2 resistance either way.
    const auto &load = ladder.load;
    const bool loadAtPort2 = load && load->port() == 2;
    const std::string r2Node = loadAtPort2 ? "r2" : "p2";
    text += "\n* Test bench: nodes s11 and s21 carry S11 and S21 referred to Rport1 and Rport2\n";
    text += "Vdrive drive 0 dc 0 ac 2\n";
    text += "Rport1 drive p1 " + r1 + "\n";
    if (load && !loadAtPort2)
        text += LoadLine(*load, "p1 0");
    text += std::string("Xmatch p1 p2 ") + kSpiceSubcircuit + "\n";
    if (loadAtPort2)
        text += LoadLine(*load, "p2 r2");
    text += "Rport2 " + r2Node + " 0 " + r2 + "\n";
    text += "Vincident incident 0 dc 0 ac 1\n";
    text += "Ereflected s11 0 p1 incident 1\n";
    text += "Etransmitted s21 0 " + r2Node + " 0 " + gain + "\n";
    text += ".ac lin " + std::to_string(points) + " " + FixedNumber(band.lowHz) + " " +
            FixedNumber(band.highHz) + "\n";
    text += ".print ac vm(s11) vdb(s11) vm(s21) vdb(s21)\n";
    return text + ".end\n";
}

} // namespace tevmar::format
