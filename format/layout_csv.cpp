#include "format/layout_csv.h"

#include "analysis/model/board_line.h"
#include "analysis/search/candidates.h"

#include <cstdio>

namespace tevmar::format {
namespace {

// Three decimals: a micron in mm, a thousandth of an ohm or a degree.
std::string Decimals(double value)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.3f", value);
    return text;
}

} // namespace

std::string LayoutCsv(const analysis::Network &network)
{
    std::string text = kLayoutHeader;
    const std::size_t n = network.parts.size();
    const bool fromPort1 = analysis::LoadPortOf(network) == 2;
    for (std::size_t k = 0; k < n; ++k) {
        const std::size_t i = fromPort1 ? k : n - 1 - k;
        const analysis::Part &part = network.parts[i];
        if (!part.isLine())
            continue;
        std::string width, length, extension;
        if (part.line.board) {
            width = Decimals(part.line.board->width * 1e3);
            length = Decimals(analysis::DrawnLengthOf(part) * 1e3);
            extension = Decimals(analysis::EndExtensionOf(part) * 1e3);
        }
        text += analysis::PartName(network, i) + "," + part.Description() + "," + width + "," +
                length + "," + extension + "," + Decimals(part.line.z0Ohms) + "," +
                Decimals(part.value) + "\n";
    }
    return text;
}

} // namespace tevmar::format
