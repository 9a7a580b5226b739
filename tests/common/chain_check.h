#pragma once

// What the amplifier tests re-derive claimed figures with, apart from the
// code under test: ABCD matrices multiplied by hand, a two-port's four
// scattering parameters, and the numbers of a Touchstone or CSV text row by
// row.

#include <complex>
#include <sstream>
#include <string>
#include <vector>

namespace tevmar::test {

struct Chain
{
    std::complex<double> a{1}, b{0}, c{0}, d{1};
    Chain operator*(const Chain &m) const
    {
        return {a * m.a + b * m.c, a * m.b + b * m.d, c * m.a + d * m.c, c * m.b + d * m.d};
    }
};

struct Scattering
{
    std::complex<double> s11, s21, s12, s22;
};

// Each row of numbers, skipping blank lines, comments ('!'), option lines
// ('#') and the keywords of a version 2 file ('[').
inline std::vector<std::vector<double>> NumberRows(const std::string &text)
{
    std::vector<std::vector<double>> rows;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        if (line.empty() || line[0] == '!' || line[0] == '#' || line[0] == '[')
            continue;
        std::istringstream in(line);
        std::vector<double> row;
        for (double v; in >> v;)
            row.push_back(v);
        rows.push_back(row);
    }
    return rows;
}

} // namespace tevmar::test
