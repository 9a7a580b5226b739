#include "format/port_text.h"

#include "analysis/search/load_fit.h"
#include "format/termination_text.h"
#include "report/number_format.h"

namespace tevmar::format {
using namespace analysis;

std::string ValueText(const Part &element)
{
    return ShortestNumber(element.value) + " " + element.unit();
}

bool DataOnly(const Network &ladder)
{
    return ladder.measured && !ladder.measured->modelDescribes;
}

bool SourceDataOnly(const Network &ladder)
{
    return ladder.measured && ladder.measured->source && !ladder.measured->source->modelDescribes;
}

double FileReferenceOhms(const Network &ladder, int port)
{
    if (ladder.measured) {
        const bool loadPort = port == LoadPortOf(ladder);
        if (loadPort && DataOnly(ladder))
            return ladder.measured->referenceOhms;
        if (!loadPort && SourceDataOnly(ladder))
            return ladder.measured->source->referenceOhms;
    }
    return port == 1 ? ladder.port1Ohms : ladder.port2Ohms;
}

namespace {

// A network tuned into data no fitted kind describes (the load's, the
// source's or both): such a port faces the data, and its reference in a file
// is the data's own.
std::vector<std::string> DataOnlyPortLines(const Network &ladder)
{
    const int loadPort = LoadPortOf(ladder);
    const std::string within = ShortestNumber(100 * kSimpleModelError) + " %";
    std::vector<std::string> lines;
    for (const int port : {1, 2}) {
        const double ohms = FileReferenceOhms(ladder, port);
        const bool data = port == loadPort ? DataOnly(ladder) : SourceDataOnly(ladder);
        const MeasuredLoad *end =
            port == loadPort ? ladder.measured.get() : ladder.measured->source.get();
        std::string line = "Port " + std::to_string(port) +
                           (port == 1 ? ": high-impedance end, " : ": low-impedance end, ");
        if (!data)
            line += "terminated in " + ShortestNumber(ohms) + " ohms";
        else
            line +=
                std::string(port == loadPort ? "into the load below" : "from the source below") +
                " (referred to " + ShortestNumber(ohms) +
                (end && end->exact ? " ohms, a circuit having no reference of its own)"
                                   : " ohms, the reference of its data)");
        lines.push_back(line);
    }
    if (DataOnly(ladder))
        lines.push_back(TerminationLine(LoadTerminationOf(ladder)) +
                        "; no load kind fits it within " + within +
                        ": the network is tuned into it");
    else
        lines.push_back(TerminationLine(ModelLoadTerminationOf(ladder)));
    if (SourceDataOnly(ladder))
        lines.push_back("Source" + TerminationLine(SourceTerminationOf(ladder)).substr(4) +
                        "; no source kind fits it within " + within +
                        ": the network is tuned from it");
    else if (ladder.measured->source)
        lines.push_back("Measured source: not part of this network; its port is referred to "
                        "its fitted resistance");
    return lines;
}

} // namespace

std::vector<std::string> PortLines(const Network &ladder)
{
    if (DataOnly(ladder) || SourceDataOnly(ladder))
        return DataOnlyPortLines(ladder);
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
