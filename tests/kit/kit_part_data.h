// A kit part's impedance read from its file by the tests alone, not by the
// tool's reader: frequency and S11 S21 S12 S22 as magnitude and angle of the
// part in series between 50 ohm ports, Z = 100 (1 - S21) / S21, linear
// between the points.
#pragma once

#include <algorithm>
#include <complex>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <sstream>
#include <string>
#include <vector>

namespace tevmar::test_kit {

struct PartData
{
    std::vector<double> hz;
    std::vector<std::complex<double>> z;

    std::complex<double> At(double f) const
    {
        const auto above = std::upper_bound(hz.begin(), hz.end(), f);
        const auto i = static_cast<std::size_t>(above - hz.begin());
        const double t = (f - hz[i - 1]) / (hz[i] - hz[i - 1]);
        return z[i - 1] + t * (z[i] - z[i - 1]);
    }
};

inline PartData ReadPart(const std::filesystem::path &path)
{
    PartData data;
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line[0] == '!' || line[0] == '#')
            continue;
        std::istringstream words(line);
        double f, m11, a11, m21, a21;
        words >> f >> m11 >> a11 >> m21 >> a21;
        const std::complex<double> s21 = std::polar(m21, a21 * std::numbers::pi / 180);
        data.hz.push_back(f);
        data.z.push_back(100.0 * (1.0 - s21) / s21);
    }
    return data;
}

} // namespace tevmar::test_kit
