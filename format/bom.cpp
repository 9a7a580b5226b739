#include "format/bom.h"

#include "analysis/candidates.h"
#include "analysis/kit_search.h"
#include "report/number_format.h"

namespace tevmar::format {
namespace {

// A field as CSV writes it: quoted when it holds a comma, a quote or a line
// break, its quotes doubled.
std::string CsvField(const std::string &text)
{
    if (text.find_first_of(",\"\r\n") == std::string::npos)
        return text;
    std::string quoted = "\"";
    for (const char c : text)
        quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + "\"";
}

} // namespace

std::string BomCsv(const analysis::Network &network)
{
    std::string text = "reference,part,kind,value,unit,placement,position\n";
    const std::size_t n = network.parts.size();
    const bool fromPort1 = analysis::LoadPortOf(network) == 2;
    for (std::size_t k = 0; k < n; ++k) {
        const std::size_t i = fromPort1 ? k : n - 1 - k;
        const analysis::Part &part = network.parts[i];
        const analysis::KitPart *kit = analysis::KitPartOf(part);
        text += analysis::PartName(network, i) + "," + CsvField(kit ? kit->partNumber : "") + "," +
                (part.inductor() ? "inductor" : "capacitor") + "," + ShortestNumber(part.value) +
                "," + part.unit() + "," + (part.shunt() ? "shunt" : "series") + "," +
                std::to_string(k + 1) + "\n";
    }
    return text;
}

} // namespace tevmar::format
