#include "format/port_text.h"

#include "format/termination_text.h"
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
    // The load as the network was designed for it: the fit's model where
    // the data are measured.
    lines.push_back(TerminationLine(ModelLoadTerminationOf(ladder)));
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
