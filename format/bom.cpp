#include "format/bom.h"

#include "analysis/search/candidates.h"
#include "analysis/search/kit_search.h"
#include "report/number_format.h"
#include "report/printable_text.h"

#include <string_view>

namespace tevmar::format {
namespace {

// A part number as a BOM cell: one line without control bytes, and inert in
// a spreadsheet. A cell that begins with "=", "+", "-" or "@" (or a tab or
// carriage return, which a spreadsheet strips before reading the rest) is
// taken as a formula, which may run a command: such a cell gets a leading
// single quote, which makes it text, and is quoted. A cell holding a comma,
// a quote or a semicolon (the separator of some locales) is quoted, its
// quotes doubled.
std::string CsvField(const std::string &partNumber)
{
    std::string text = PrintableText(partNumber);
    const bool formula =
        !partNumber.empty() &&
        std::string_view("=+-@\t\r").find(partNumber.front()) != std::string_view::npos;
    if (formula)
        text.insert(0, 1, '\'');
    if (!formula && text.find_first_of(",\";") == std::string::npos)
        return text;
    std::string quoted = "\"";
    for (const char c : text)
        quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + "\"";
}

} // namespace

std::string BomCsv(const analysis::Network &network)
{
    std::string text = kBomHeader;
    const std::size_t n = network.parts.size();
    const bool fromPort1 = analysis::LoadPortOf(network) == 2;
    for (std::size_t k = 0; k < n; ++k) {
        const std::size_t i = fromPort1 ? k : n - 1 - k;
        const analysis::Part &part = network.parts[i];
        // A line is etched, not bought: the layout table lists it.
        if (part.isLine())
            continue;
        const analysis::KitPart *kit = analysis::KitPartOf(part);
        text += analysis::PartName(network, i) + "," + CsvField(kit ? kit->partNumber : "") + "," +
                part.noun() + "," + ShortestNumber(part.value) + "," + part.unit() + "," +
                (part.shunt() ? "shunt" : "series") + "," + std::to_string(k + 1) + "\n";
    }
    return text;
}

} // namespace tevmar::format
