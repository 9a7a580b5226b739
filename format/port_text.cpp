#include "format/port_text.h"

#include "report/number_format.h"

namespace tevmar::format {
using namespace analysis;

std::string ValueText(const Part &element)
{
    return ShortestNumber(element.value) + " " + element.unit();
}

std::vector<std::string> PortLines(const Network &ladder)
{
    std::vector<std::string> lines{
        "Port 1: high-impedance end, terminated in " + ShortestNumber(ladder.port1Ohms) + " ohms",
        "Port 2: low-impedance end, terminated in " + ShortestNumber(ladder.port2Ohms) + " ohms",
    };
    if (const auto &load = ladder.load) {
        const int port = load->port();
        const double ohms = port == 1 ? ladder.port1Ohms : ladder.port2Ohms;
        lines.push_back(std::string("Load: ") + NamesOf(load->type).phrase + ", " +
                        ValueText(load->element) + (port == 1 ? " across" : " in series with") +
                        " the " + ShortestNumber(ohms) + " ohms at port " + std::to_string(port) +
                        "; the load's own reactance, not part of this network");
    } else {
        lines.push_back("Load: resistive, nothing absorbed");
    }
    // Between a measured source and a measured load the file still holds the
    // network alone: its ports are the fitted resistances, not the data.
    if (ladder.measured && ladder.measured->source)
        lines.push_back("Measured source and load: not part of this network; each port is "
                        "referred to the fitted resistance at its end");
    return lines;
}

const char *NetworkShape(const analysis::Network &ladder)
{
    bool low = false, high = false;
    for (const analysis::Part &e : ladder.parts) {
        // A series inductor or a shunt capacitor passes the low frequencies.
        (e.immittanceGrowsWithValue() ? low : high) = true;
    }
    return low && !high ? "lowpass" : high && !low ? "highpass" : "bandpass";
}

} // namespace tevmar::format
