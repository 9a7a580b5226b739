#include "format/termination_text.h"

#include "format/port_text.h"
#include "report/number_format.h"
#include "report/printable_text.h"
#include "units/quantity.h"

#include <algorithm>

namespace tevmar::format {
using namespace analysis;
namespace {

double Ghz(double hz)
{
    return units::Frequency::FromHz(hz).ghz();
}

// A circuit as typed, part by part between nodes a and b: a series group's
// parts on a chain of inner nodes ("ld1", "ld2", ...), a parallel group's
// across the same two nodes.
struct CircuitCards
{
    SpiceTerminationCards cards;
    int parts = 0;

    void Write(const Circuit &circuit, const std::string &a, const std::string &b)
    {
        using Kind = Circuit::Kind;
        const bool group = circuit.kind() == Kind::Series || circuit.kind() == Kind::Parallel;
        const std::string id = group ? "" : std::to_string(++parts);
        std::string &text = cards.text;
        switch (circuit.kind()) {
        case Kind::Resistor:
            // SPICE refuses a resistor of no ohms: a micro-ohm stands for a
            // short, and takes no part in the power the load receives.
            text += "RLOAD" + id + " " + a + " " + b + " " +
                    FixedNumber(std::max(circuit.value(), 1e-6)) + "\n";
            if (circuit.value() > 0)
                cards.resistors.push_back({a, b, circuit.value()});
            return;
        case Kind::Inductor:
            text += "LLOAD" + id + " " + a + " " + b + " " + FixedNumber(circuit.value()) + "\n";
            return;
        case Kind::Capacitor:
            text += "CLOAD" + id + " " + a + " " + b + " " + FixedNumber(circuit.value()) + "\n";
            return;
        case Kind::Series: {
            std::string from = a;
            const std::vector<Circuit> &chain = circuit.parts();
            for (std::size_t i = 0; i < chain.size(); ++i) {
                std::string to = b;
                if (i + 1 < chain.size()) {
                    to = "ld" + std::to_string(cards.innerNodes.size() + 1);
                    cards.innerNodes.push_back(to);
                }
                Write(chain[i], from, to);
                from = to;
            }
            return;
        }
        case Kind::Parallel:
            for (const Circuit &branch : circuit.parts())
                Write(branch, a, b);
            return;
        }
    }
};

} // namespace

std::string TerminationLine(const Termination &load)
{
    return std::visit(
        Overloaded{
            [](const PortResistance &) { return std::string("Load: resistive, nothing absorbed"); },
            [](const ReactiveLoad &l) {
                const int port = l.reactance.port();
                return std::string("Load: ") + NamesOf(l.reactance.type).phrase + ", " +
                       ValueText(l.reactance.element) +
                       (port == 1 ? " across" : " in series with") + " the " +
                       ShortestNumber(l.resistanceOhms) + " ohms at port " + std::to_string(port) +
                       "; the load's own reactance, not part of this network";
            },
            [](const CircuitLoad &c) {
                return "Load: the circuit " + PrintableText(c.circuit->Text());
            },
            [](const MeasuredPort &m) {
                const std::vector<double> &hz = m.data->frequenciesHz;
                return "Load: measured, " + std::to_string(hz.size()) + " points from " +
                       ShortestNumber(Ghz(hz.front())) + " to " + ShortestNumber(Ghz(hz.back())) +
                       " GHz";
            },
            [](const DevicePort &d) {
                return std::string("Load: the transistor's ") + (d.port == 1 ? "input" : "output") +
                       ", referred to " + ShortestNumber(d.referenceOhms) + " ohms";
            },
        },
        load.kind);
}

std::string SpiceLoadReactanceCard(const LoadReactance &load, const std::string &nodes)
{
    return std::string(load.element.letter()) + "load " + nodes + " " + load.element.SpiceValue() +
           " ; the load's reactance (" + NamesOf(load.type).phrase + " load)\n";
}

SpiceTerminationCards TerminationSpiceCards(const Termination &termination, int port,
                                            const std::string &a, const std::string &b)
{
    const std::string resistor = "Rport" + std::to_string(port);
    const auto resistance = [&](const std::string &from, double ohms) {
        SpiceTerminationCards cards;
        cards.text = resistor + " " + from + " " + b + " " + FixedNumber(ohms) + "\n";
        cards.resistors.push_back({from, b, ohms});
        return cards;
    };
    const auto unheld = [](std::string why) {
        SpiceTerminationCards cards;
        cards.text = "* " + why + "\n";
        cards.held = false;
        return cards;
    };
    return std::visit(Overloaded{
                          [&](const PortResistance &r) { return resistance(a, r.ohms); },
                          [&](const ReactiveLoad &l) {
                              // In series the reactance leads to the resistance on a node of
                              // its own; across, both stand on the port.
                              if (!l.series()) {
                                  SpiceTerminationCards cards = resistance(a, l.resistanceOhms);
                                  cards.text =
                                      SpiceLoadReactanceCard(l.reactance, a + " " + b) + cards.text;
                                  return cards;
                              }
                              const std::string inner = "r" + std::to_string(port);
                              SpiceTerminationCards cards = resistance(inner, l.resistanceOhms);
                              cards.text =
                                  SpiceLoadReactanceCard(l.reactance, a + " " + inner) + cards.text;
                              cards.innerNodes.push_back(inner);
                              return cards;
                          },
                          [&](const CircuitLoad &c) {
                              CircuitCards circuit;
                              circuit.Write(*c.circuit, a, b);
                              return std::move(circuit.cards);
                          },
                          [&](const MeasuredPort &) {
                              return unheld("The measured data at port " + std::to_string(port) +
                                            ": a netlist cannot hold them");
                          },
                          [&](const DevicePort &) {
                              return unheld("The transistor at port " + std::to_string(port) +
                                            ": its data are not a netlist element");
                          },
                      },
                      termination.kind);
}

} // namespace tevmar::format
