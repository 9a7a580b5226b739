// Writes the synthetic 0402 kit the tests and the README use:
//   synthetic-kit FOLDER [--list]
// --list adds parts.csv. With --dense N it writes a vendor's whole range of
// N parts instead (half inductors 0.5-30 nH, half capacitors 0.1-10 pF, 40
// points each), the size a large kit reaches.

#include "tests/common/synthetic_kit.h"

#include <charconv>
#include <cstring>
#include <fstream>
#include <iostream>

int main(int argc, char **argv)
{
    if (argc == 4 && std::strcmp(argv[2], "--dense") == 0) {
        int count = 0;
        const char *end = argv[3] + std::strlen(argv[3]);
        if (const auto [at, error] = std::from_chars(argv[3], end, count);
            error != std::errc{} || at != end || count < 2 || count > 100000) {
            std::cerr << "synthetic-kit: --dense takes a number of parts from 2 to 100000\n";
            return 2;
        }
        const std::filesystem::path folder = argv[1];
        std::filesystem::create_directories(folder);
        for (const auto &[name, text] : tevmar::test_kit::DenseKitFiles(count))
            std::ofstream(folder / name) << text;
        std::cout << count << " parts written to " << argv[1] << "\n";
        return 0;
    }
    if (argc < 2 || argc > 3 || (argc == 3 && std::strcmp(argv[2], "--list") != 0)) {
        std::cerr << "usage: synthetic-kit FOLDER [--list | --dense N]\n";
        return 2;
    }
    const int parts = tevmar::test_kit::WriteSyntheticKit(argv[1], argc == 3);
    std::cout << parts << " parts written to " << argv[1] << "\n";
    return 0;
}
