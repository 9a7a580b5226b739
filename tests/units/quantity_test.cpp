// Quantities between the units they are typed or printed in and their SI
// values: a length in mm, mil or um, a frequency in GHz, an admittance in mS.

#include "units/quantity.h"

#include <complex>
#include <gtest/gtest.h>

namespace tevmar::units {
namespace {

TEST(Quantity, MillimetresBothWaysAndTheUnitsBeside)
{
    // A width back in mm is the figure typed, for the widths the layout
    // prints to a micron.
    for (const double mm : {0.15, 0.2, 1.6, 2.935, 5.0})
        EXPECT_DOUBLE_EQ(Length::FromMillimetres(mm).millimetres(), mm);
    EXPECT_EQ(Length::FromMetres(1.524e-3).millimetres(), 1.524e-3 * 1e3);
    EXPECT_DOUBLE_EQ(Length::FromMils(62).millimetres(), 1.5748);
    EXPECT_DOUBLE_EQ(Length::FromMicrometres(35).millimetres(), 0.035);
    EXPECT_EQ(Frequency::FromGHz(1000).hz(), 1e12);
    EXPECT_EQ(Frequency::FromGHz(2.4).mhz(), 2400);
    // 50 ohms is 20 mS; 25 + j25 ohms is 20 - j20 mS.
    EXPECT_DOUBLE_EQ(kMillisiemensPerSiemens / 50.0, 20.0);
    const std::complex<double> y = kMillisiemensPerSiemens / std::complex<double>(25, 25);
    EXPECT_DOUBLE_EQ(y.real(), 20.0);
    EXPECT_DOUBLE_EQ(y.imag(), -20.0);
}

} // namespace
} // namespace tevmar::units
