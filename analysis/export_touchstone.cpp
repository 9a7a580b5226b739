#include "analysis/export_touchstone.h"

#include "analysis/export_number.h"
#include "analysis/two_port.h"

#include <cmath>
#include <stdexcept>

namespace tevmar::analysis {
namespace {

void AppendComplex(std::string &line, Complex value)
{
    line += ' ';
    line += DecimalNumber(value.real());
    line += ' ';
    line += DecimalNumber(value.imag());
}

std::string ElementComment(const LadderElement &element)
{
    const bool inductor = IsInductor(element.kind);
    return "! " + element.label + " " + ShortestNumber(element.value) + (inductor ? " nH" : " pF") +
           (IsShunt(element.kind) ? " shunt" : " series") + "\n";
}

} // namespace

std::string TouchstoneText(const Ladder &ladder, const std::vector<double> &frequenciesHz,
                           double referenceOhms)
{
    if (!std::isfinite(referenceOhms) || referenceOhms <= 0)
        throw std::invalid_argument("the Touchstone reference resistance must be positive");
    for (std::size_t i = 0; i < frequenciesHz.size(); ++i)
        if (!(frequenciesHz[i] > 0) || (i > 0 && !(frequenciesHz[i] > frequenciesHz[i - 1])))
            throw std::invalid_argument("Touchstone frequencies must be positive and rising");

    std::string text = "! Tevmar Z-Match bandpass matching network, terminations excluded\n"
                       "! Port 1: high-impedance end (designed for " +
                       ShortestNumber(ladder.port1Ohms) +
                       " ohms); port 2: low-impedance end (designed for " +
                       ShortestNumber(ladder.port2Ohms) +
                       " ohms)\n"
                       "! Elements from port 1 to port 2:\n";
    for (const LadderElement &element : ladder.elements)
        text += ElementComment(element);
    text += "# HZ S RI R " + ShortestNumber(referenceOhms) + "\n";

    for (const double f : frequenciesHz) {
        const SParameters s = SParametersOf(LadderAbcd(ladder, f), referenceOhms, referenceOhms);
        std::string line = FixedNumber(f);
        if (line.find('.') == std::string::npos)
            line += ".0";
        for (const Complex value : {s.s11, s.s21, s.s12, s.s22})
            AppendComplex(line, value);
        text += line + "\n";
    }
    return text;
}

} // namespace tevmar::analysis
