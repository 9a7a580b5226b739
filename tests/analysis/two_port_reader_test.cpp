// The two-port Touchstone reader: one transistor's data written in every
// version, format and parameter a vendor uses must read back to the same
// matrix and noise parameters, and every malformed file is refused with the
// file, the line and what was expected.

#include "analysis/readers/touchstone_reader.h"

#include <complex>
#include <gtest/gtest.h>
#include <numbers>

namespace tevmar::analysis {
namespace {

using Complex = std::complex<double>;

Complex Polar(double magnitude, double degrees)
{
    return std::polar(magnitude, degrees * std::numbers::pi / 180);
}

// A GaAs FET at 4 GHz: S11 0.72/-116, S21 2.60/76, S12 0.03/57, S22 0.73/-54.
const TwoPortMatrix kFet{Polar(0.72, -116), Polar(0.03, 57), Polar(2.60, 76), Polar(0.73, -54)};

void ExpectMatrix(const TwoPortMatrix &read, const TwoPortMatrix &expected, double tolerance)
{
    EXPECT_LT(std::abs(read.s11 - expected.s11), tolerance);
    EXPECT_LT(std::abs(read.s12 - expected.s12), tolerance);
    EXPECT_LT(std::abs(read.s21 - expected.s21), tolerance);
    EXPECT_LT(std::abs(read.s22 - expected.s22), tolerance);
}

struct SameDevice
{
    const char *name;
    const char *text;
};

// The FET at 4 GHz (second point) with noise parameters NFmin 1.6 dB,
// Gamma opt 0.62/100, Rn 20 ohms at 4 GHz, in every layout.
const SameDevice kSameDevice[] = {
    {"Version1MagnitudeAngle", "# GHz S MA R 50\n"
                               "2 0.8 -60 3 120 0.02 60 0.8 -30\n"
                               "4 0.72 -116 2.60 76 0.03 57 0.73 -54\n"
                               "! noise parameters start where the frequency falls back\n"
                               "3 1.2 0.7 80 0.3\n"
                               "4 1.6 0.62 100 0.4\n"},
    {"Version1DecibelMegahertz", "# MHz S DB R 50\n"
                                 "2000 -1.9382 -60 9.5424 120 -33.979 60 -1.9382 -30\n"
                                 "4000 -2.85335 -116 8.29947 76 -30.4576 57 -2.73354 -54\n"
                                 "3000 1.2 0.7 80 0.3\n"
                                 "4000 1.6 0.62 100 0.4\n"},
    {"Version2Order12_21RealImaginary",
     "[Version] 2.0\n# GHz S RI R 50\n[Number of Ports] 2\n[Two-Port Data Order] 12_21\n"
     "[Number of Frequencies] 2\n[Number of Noise Frequencies] 2\n[Network Data]\n"
     "2 0.4 -0.69282 0.01 0.017321 -1.5 2.598076 0.69282 -0.4\n"
     "4 -0.315627 -0.647132 0.016339 0.025160 0.628997 2.522769 0.429083 -0.590582\n"
     "[Noise Data]\n3 1.2 0.7 80 15\n4 1.6 0.62 100 20\n[End]\n"},
    {"Version2Order21_12", "[Version] 2.0\n# GHz S MA R 50\n[Number of Ports] 2\n"
                           "[Two-Port Data Order] 21_12\n[Network Data]\n"
                           "2 0.8 -60 3 120 0.02 60 0.8 -30\n"
                           "4 0.72 -116 2.60 76 0.03 57 0.73 -54\n"
                           "[Noise Data]\n3 1.2 0.7 80 15\n4 1.6 0.62 100 20\n[End]\n"},
};

TEST(TwoPortReader, EveryLayoutOfOneDeviceReadsTheSame)
{
    for (const SameDevice &file : kSameDevice) {
        SCOPED_TRACE(file.name);
        const TwoPortData data = ReadTwoPort(file.text, "fet.s2p");
        ASSERT_EQ(data.frequenciesHz.size(), 2u);
        EXPECT_DOUBLE_EQ(data.frequenciesHz[1], 4e9);
        ExpectMatrix(data.s[1], kFet, 2e-5);
        ASSERT_EQ(data.noise.size(), 2u);
        const NoisePoint &n = data.noise[1];
        EXPECT_DOUBLE_EQ(n.frequencyHz, 4e9);
        EXPECT_DOUBLE_EQ(n.nfMinDb, 1.6);
        EXPECT_LT(std::abs(n.gammaOpt - Polar(0.62, 100)), 1e-12);
        // Version 1.1 gives Rn normalised (0.4 of 50 ohms), 2.0 in ohms.
        EXPECT_NEAR(n.rnOhms, 20, 1e-12);
        EXPECT_TRUE(data.warnings.empty()) << data.warnings.front();
    }
}

TEST(TwoPortReader, ImpedanceAdmittanceReferenceAndHalfMatrix)
{
    // A shunt 25 ohm resistor has Z = 25 [[1 1] [1 1]] (normalised to 50:
    // 0.5); between 50 ohm ports S11 = -R0 / (2 Zp + R0) = -1/2, S21 = 1/2.
    const TwoPortMatrix shunt{-0.5, 0.5, 0.5, -0.5};
    ExpectMatrix(ReadTwoPort("# GHz Z RI R 50\n1 0.5 0 0.5 0 0.5 0 0.5 0\n", "z.s2p").s[0], shunt,
                 1e-12);
    // A series 100 ohm resistor has Y = 0.01 [[1 -1] [-1 1]] siemens:
    // S11 = Zs / (Zs + 2 R0) = 1/2, S21 = 2 R0 / (Zs + 2 R0) = 1/2.
    const TwoPortMatrix series{0.5, 0.5, 0.5, 0.5};
    ExpectMatrix(ReadTwoPort("[Version] 2.0\n# GHz Y RI R 50\n[Number of Ports] 2\n"
                             "[Two-Port Data Order] 21_12\n[Network Data]\n"
                             "1 0.01 0 -0.01 0 -0.01 0 0.01 0\n[End]\n",
                             "y.s2p")
                     .s[0],
                 series, 1e-12);
    // A reciprocal network's lower half: S11, S21 = S12, S22.
    const TwoPortData lower = ReadTwoPort(
        "[Version] 2.0\n# GHz S RI\n[Number of Ports] 2\n[Two-Port Data Order] 12_21\n"
        "[Reference] 75 75\n[Matrix Format] Lower\n[Network Data]\n1 0.5 0 0.5 0 0.5 0\n",
        "half.s2p");
    ExpectMatrix(lower.s[0], series, 1e-12);
    EXPECT_EQ(lower.referenceOhms, 75);
    // Version 1.1 Rn is normalised to the file's reference.
    EXPECT_DOUBLE_EQ(ReadTwoPort("# GHz S MA R 75\n1 0 0 1 0 0 0 0 0\n1 1 0.5 30 0.4\n", "a.s2p")
                         .noise[0]
                         .rnOhms,
                     30);
}

struct BadFile
{
    const char *name;
    const char *text;
    const char *message; // the whole message, file and line included
};

const BadFile kBadFiles[] = {
    {"OnePortFile", "# GHz S MA R 50\n1 0.5 30\n2 0.5 40\n",
     "d.s2p:2: 3 numbers on the line; expected 9, the frequency and four complex values of a "
     "two-port (a one-port file?)"},
    {"FourPortVersion1", "# GHz S MA\n1 0 0 1 0 0 0 0 0\n0 0 0 0 0 0 0 0\n",
     "d.s2p:3: 8 numbers on the noise line; expected 5: the frequency, NFmin (dB), |Gamma opt|, "
     "its angle (degrees) and Rn"},
    {"FourPortVersion2", "[Version] 2.0\n# GHz S MA\n[Number of Ports] 4\n",
     "d.s2p:3: a file of 4 ports; expected two ports, a transistor's input and output"},
    {"NoDataOrder", "[Version] 2.0\n# GHz S MA\n[Number of Ports] 2\n[Network Data]\n",
     "d.s2p:4: [Network Data] without [Two-Port Data Order]; expected 12_21 or 21_12 first, "
     "which says where S21 stands"},
    {"NoiseLineShort", "# GHz S MA\n1 0 0 1 0 0 0 0 0\n2 0 0 1 0 0 0 0 0\n1 1.5 0.5 30\n",
     "d.s2p:4: 4 numbers on the noise line; expected 5: the frequency, NFmin (dB), |Gamma opt|, "
     "its angle (degrees) and Rn"},
    {"NoiseFallsBackTwice", "# GHz S MA\n2 0 0 1 0 0 0 0 0\n1 1.5 0.5 30 0.2\n1 1.5 0.5 30 0.2\n",
     "d.s2p:4: noise frequency 1 is not above the one before; expected strictly increasing "
     "frequencies"},
    {"GammaOptOnTheRim", "# GHz S MA\n2 0 0 1 0 0 0 0 0\n1 1.5 1 30 0.2\n",
     "d.s2p:3: |Gamma opt| 1; expected a magnitude from 0 to below 1, a passive source"},
    {"NegativeNfMin", "# GHz S MA\n2 0 0 1 0 0 0 0 0\n1 -0.1 0.5 30 0.2\n",
     "d.s2p:3: NFmin -0.1 dB is below 0; expected a noise figure of 0 dB or more"},
    {"ZeroRn", "# GHz S MA\n2 0 0 1 0 0 0 0 0\n1 1 0.5 30 0\n",
     "d.s2p:3: noise resistance 0; expected a positive equivalent noise resistance"},
    {"NoiseCountDisagrees",
     "[Version] 2.0\n# GHz S MA\n[Number of Ports] 2\n[Two-Port Data Order] 21_12\n"
     "[Number of Noise Frequencies] 2\n[Network Data]\n1 0 0 1 0 0 0 0 0\n[Noise Data]\n"
     "1 1 0.5 30 10\n[End]\n",
     "d.s2p:10: 1 noise points; expected 2 as [Number of Noise Frequencies] says"},
    {"NoiseBeforeNetworkData",
     "[Version] 2.0\n# GHz S MA\n[Number of Ports] 2\n[Two-Port Data Order] 21_12\n"
     "[Noise Data]\n",
     "d.s2p:5: [Noise Data] before [Network Data]; expected the network data first"},
    {"ReferencesDiffer", "[Version] 2.0\n# GHz S MA\n[Number of Ports] 2\n[Reference] 50 75\n",
     "d.s2p:4: reference resistances 50 and 75 ohms; expected the same at both ports"},
    {"SingularImpedance", "# GHz Z RI\n1 -1 0 0 0 0 0 0 0\n",
     "d.s2p:2: a matrix with no scattering form (1 + z or 1 + y is singular); expected a "
     "two-port that can be driven from the reference"},
    {"NegativeMagnitude", "# GHz S MA\n1 0 0 -1 0 0 0 0 0\n",
     "d.s2p:2: magnitude -1 is negative; expected a magnitude of zero or above"},
    {"TooManyOnALine", "# GHz S MA\n1 0 0 1 0 0 0 0 0 2 0 0 1 0 0 0 0 0\n",
     "d.s2p:2: 18 numbers on the line; expected 9, the frequency and four complex values of a "
     "two-port"},
};

TEST(TwoPortReader, MalformedFilesNameFileLineAndWhatWasExpected)
{
    for (const BadFile &file : kBadFiles) {
        SCOPED_TRACE(file.name);
        try {
            ReadTwoPort(file.text, "d.s2p");
            ADD_FAILURE() << "read";
        } catch (const TouchstoneError &e) {
            EXPECT_EQ(std::string(e.what()), file.message);
        }
    }
    // A quoted token keeps its control bytes out of the terminal.
    try {
        ReadTwoPort("# GHz S MA\n1 0 0 1 0 0 0 0 \x1b[2J\n", "d\x1b.s2p");
        ADD_FAILURE() << "read";
    } catch (const TouchstoneError &e) {
        for (const char c : std::string(e.what()))
            EXPECT_FALSE(static_cast<unsigned char>(c) < 0x20) << e.what();
    }
}

} // namespace
} // namespace tevmar::analysis
