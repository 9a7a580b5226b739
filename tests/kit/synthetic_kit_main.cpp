// Writes the synthetic 0402 kit the tests and the README use:
//   synthetic-kit FOLDER [--list]
// --list adds parts.csv.

#include "tests/common/synthetic_kit.h"

#include <cstring>
#include <iostream>

int main(int argc, char **argv)
{
    if (argc < 2 || argc > 3 || (argc == 3 && std::strcmp(argv[2], "--list") != 0)) {
        std::cerr << "usage: synthetic-kit FOLDER [--list]\n";
        return 2;
    }
    const int parts = tevmar::test_kit::WriteSyntheticKit(argv[1], argc == 3);
    std::cout << parts << " parts written to " << argv[1] << "\n";
    return 0;
}
