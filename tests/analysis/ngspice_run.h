#pragma once

// Runs a netlist through ngspice in batch mode and reads its .print tables,
// for tests that check exported netlists against an independent simulator.

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace tevmar::test_ngspice {

// ngspice's .print tables: "Index frequency <vectors>" headers, then rows.
// Long listings repeat the header and split the vectors over several tables.
inline std::map<std::string, std::vector<double>> ReadPrintTables(const std::string &output)
{
    std::map<std::string, std::vector<double>> columns;
    std::vector<std::string> header;
    std::istringstream lines(output);
    for (std::string line; std::getline(lines, line);) {
        std::istringstream in(line);
        std::vector<std::string> words;
        for (std::string w; in >> w;)
            words.push_back(w);
        if (words.size() >= 3 && words[0] == "Index" && words[1] == "frequency") {
            header = words;
            continue;
        }
        if (header.empty() || words.size() != header.size() ||
            words[0].find_first_not_of("0123456789") != std::string::npos)
            continue;
        const auto row = static_cast<std::size_t>(std::stoul(words[0]));
        for (std::size_t k = 1; k < words.size(); ++k) {
            std::vector<double> &column = columns[header[k]];
            column.resize(std::max(column.size(), row + 1));
            column[row] = std::stod(words[k]);
        }
    }
    return columns;
}

inline std::string RunNgspice(const std::string &program, const std::filesystem::path &netlist)
{
    const std::string command = program + " -b '" + netlist.string() + "' 2>&1";
    std::FILE *pipe = ::popen(command.c_str(), "r");
    if (!pipe)
        return {};
    std::string output;
    char buffer[4096];
    while (const std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe))
        output.append(buffer, n);
    EXPECT_EQ(::pclose(pipe), 0) << output;
    return output;
}

} // namespace tevmar::test_ngspice
