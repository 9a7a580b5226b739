// Writes the program's icon as a PNG of the given size, for the desktop entry.
// Run at build time; the image is drawn by the same code as the window icon.

#include "ui/icons.h"

#include <cstdio>
#include <cstdlib>

int main(int argc, char **argv)
{
    if (argc != 3) {
        std::fputs("usage: tevmar-write-icon SIZE FILE.png\n", stderr);
        return 2;
    }
    const int size = std::atoi(argv[1]);
    if (size < 16 || size > 512 ||
        !tevmar::TevmarIcon(size).save(QString::fromLocal8Bit(argv[2]), "PNG")) {
        std::fprintf(stderr, "tevmar-write-icon: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
