#include <clocale>
#include <gtest/gtest.h>

int main(int argc, char **argv)
{
    // Report text must be the same under every locale; run the tests in "C"
    // so that a locale-dependent formatter would show up as a diff, not pass by luck.
    std::setlocale(LC_ALL, "C");
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
