#include "format/layout_csv.h"

#include "analysis/model/board_line.h"
#include "analysis/search/candidates.h"
#include "units/quantity.h"

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

// A length on the board, held in metres, in mm to a micron.
std::string Millimetres(double metres)
{
    return Decimals(units::Length::FromMetres(metres).millimetres());
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
            width = Millimetres(part.line.board->width);
            length = Millimetres(analysis::DrawnLengthOf(part));
            extension = Millimetres(analysis::EndExtensionOf(part));
        }
        text += analysis::PartName(network, i) + "," + part.Description() + "," + width + "," +
                length + "," + extension + "," + Decimals(part.line.z0Ohms) + "," +
                Decimals(part.value) + "\n";
    }
    return text;
}

} // namespace tevmar::format
