#include "format/export_touchstone.h"

#include "analysis/model/two_port.h"
#include "format/port_text.h"
#include "report/number_format.h"
#include "report/printable_text.h"

#include <cmath>
#include <stdexcept>

namespace tevmar::format {
using namespace analysis;
namespace {

void AppendComplex(std::string &line, Complex value)
{
    line += ' ';
    line += DecimalNumber(value.real());
    line += ' ';
    line += DecimalNumber(value.imag());
}

void CheckFrequencies(const std::vector<double> &frequenciesHz)
{
    for (std::size_t i = 0; i < frequenciesHz.size(); ++i)
        if (!(frequenciesHz[i] > 0) || (i > 0 && !(frequenciesHz[i] > frequenciesHz[i - 1])))
            throw std::invalid_argument("Touchstone frequencies must be positive and rising");
}

// The comment lines both versions open with: the ports, the load and the parts.
std::string HeaderComments(const Network &ladder, const std::string &reference)
{
    std::string text = std::string("! Tevmar Z-Match ") + NetworkShape(ladder) +
                       " matching network: its parts alone, without the\n"
                       "! port terminations" +
                       std::string(ladder.load && !DataOnly(ladder)
                                       ? " and without the absorbed load's reactance\n"
                                       : "\n");
    for (const std::string &line : PortLines(ladder))
        text += "! " + line + "\n";
    text += "! " + reference + "\n";
    text += "! Parts from port 1 to port 2:\n";
    for (std::size_t i = 0; i < ladder.parts.size(); ++i) {
        const Part &element = ladder.parts[i];
        // A tuned network's parts are labelled by their names: one is enough.
        const std::string name = PartName(ladder, i);
        text += "! " + name + (element.label == name ? "" : " " + PrintableText(element.label)) +
                " " + ValueText(element) + (element.shunt() ? " shunt" : " series") + "\n";
    }
    return text;
}

// One data line: the frequency, then the four parameters in the given order.
std::string DataLine(double frequencyHz, std::initializer_list<Complex> values)
{
    std::string line = FixedNumber(frequencyHz);
    if (line.find('.') == std::string::npos)
        line += ".0";
    for (const Complex value : values)
        AppendComplex(line, value);
    return line + "\n";
}

} // namespace

std::string TouchstoneText(const Network &ladder, const std::vector<double> &frequenciesHz,
                           double referenceOhms)
{
    if (!std::isfinite(referenceOhms) || referenceOhms <= 0)
        throw std::invalid_argument("the Touchstone reference resistance must be positive");
    CheckFrequencies(frequenciesHz);

    const std::string r = ShortestNumber(referenceOhms);
    std::string text = HeaderComments(
        ladder, "Both ports referred to " + r +
                    " ohms: renormalise each port to its termination to read the match");
    text += "# HZ S RI R " + r + "\n";
    for (const double f : frequenciesHz) {
        const SParameters s = SParametersOf(PartsAbcd(ladder, f), referenceOhms, referenceOhms);
        text += DataLine(f, {s.s11, s.s21, s.s12, s.s22});
    }
    return text;
}

std::string TouchstoneV2Text(const Network &ladder, const std::vector<double> &frequenciesHz)
{
    CheckFrequencies(frequenciesHz);
    // Each port referred to what the file's header says terminates it: data
    // no fitted kind describes are referred to as they were measured.
    const double ohms1 = FileReferenceOhms(ladder, 1), ohms2 = FileReferenceOhms(ladder, 2);
    const std::string r1 = ShortestNumber(ohms1);
    const std::string r2 = ShortestNumber(ohms2);
    std::string text = "[Version] 2.0\n";
    text += HeaderComments(ladder, "Port 1 referred to " + r1 + " ohms, port 2 to " + r2 +
                                       " ohms ([Reference]); data order S11 S12 S21 S22");
    text += "# HZ S RI R " + r1 + "\n";
    text += "[Number of Ports] 2\n";
    text += "[Two-Port Data Order] 12_21\n";
    text += "[Number of Frequencies] " + std::to_string(frequenciesHz.size()) + "\n";
    text += "[Reference] " + r1 + " " + r2 + "\n";
    text += "[Network Data]\n";
    for (const double f : frequenciesHz) {
        const SParameters s = SParametersOf(PartsAbcd(ladder, f), ohms1, ohms2);
        text += DataLine(f, {s.s11, s.s12, s.s21, s.s22});
    }
    return text + "[End]\n";
}

} // namespace tevmar::format
