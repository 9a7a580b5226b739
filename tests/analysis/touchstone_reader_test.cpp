// The one-port Touchstone reader: every version, unit, parameter and format
// read from hand-written files, and every kind of bad file refused with the
// file, the line and what was expected.

#include "analysis/readers/touchstone_reader.h"

#include <complex>
#include <gtest/gtest.h>
#include <numbers>

namespace tevmar::analysis {
namespace {

using Complex = std::complex<double>;

// S = 0.5 at 90 degrees against 50 ohms: Z = 50 (1 + 0.5j) / (1 - 0.5j) = 30 + 40j.
const Complex kHalfAt90 = 50.0 * Complex(1, 0.5) / Complex(1, -0.5);

struct GoodFile
{
    const char *name;
    const char *text;
    double secondFrequencyHz; // every file has two points; the second is checked
    Complex secondOhms;
};

const GoodFile kGoodFiles[] = {
    {"DefaultsAreGhzSMagnitudeAngle50", "#\n1 0 0\n2 0.5 90\n", 2e9, kHalfAt90},
    {"Hz", "# HZ S RI R 50\n1 0 0\n2 0.2 0\n", 2, Complex(75, 0)},
    {"KHz", "# khz S RI\n1 0 0\n2 0.2 0\n", 2e3, Complex(75, 0)},
    {"MHz", "# MHz S RI\n1 0 0\n2.5 0.2 0\n", 2.5e6, Complex(75, 0)},
    {"DecibelAngle", "# GHz S DB R 50\n1 -100 0\n2 -6.020599913 90\n", 2e9, kHalfAt90},
    {"OptionTokensInAnyOrderAndCase", "# r 75 Ri mHz s\n1 0 0\n3 0 0\n", 3e6, Complex(75, 0)},
    {"ZNormalisedIn1_1", "# GHz Z RI R 25\n1 1 0\n2 0.4 -2\n", 2e9, Complex(10, -50)},
    {"YNormalisedIn1_1", "# GHz Y RI R 50\n1 1 0\n2 0.5 0\n", 2e9, Complex(100, 0)},
    {"CommentsBlankLinesAndSplitPoints",
     "! measured on the bench\n\n# GHz S MA R 50 ! the options\n1 0 0\n2\n  0.5 ! magnitude\n"
     "90\n",
     2e9, kHalfAt90},
    {"Version2SInOhmsOfReference",
     "[Version] 2.0\n# GHz S RI R 50\n[Number of Ports] 1\n[Number of Frequencies] 2\n"
     "[Reference] 75\n[Network Data]\n1 0 0\n2 0.2 0\n[End]\n",
     2e9, Complex(112.5, 0)},
    {"Version2ReferenceOnTheNextLine",
     "[version] 2.0\n# GHz S RI\n[number of ports] 1\n[Reference]\n25\n[Network Data]\n"
     "1 0 0\n2 0 0\n[End]\n",
     2e9, Complex(25, 0)},
    {"Version2ZInOhms",
     "[Version] 2.0\n# MHz Z RI R 50\n[Number of Ports] 1\n[Network Data]\n1 1 1\n2 12 -3\n"
     "[End]\nanything after the end\n",
     2e6, Complex(12, -3)},
    {"Version2YInSiemens",
     "[Version] 2.0\n# GHz Y RI R 50\n[Number of Ports] 1\n[Begin Information]\nnotes\n"
     "[End Information]\n[Network Data]\n1 0.1 0\n2 0.02 0\n[End]\n",
     2e9, Complex(50, 0)},
};

class ReadsGoodFile : public testing::TestWithParam<GoodFile>
{
};

TEST_P(ReadsGoodFile, ToFrequencyAndImpedance)
{
    const GoodFile &file = GetParam();
    const OnePortData data = ReadOnePort(file.text, "load.s1p");
    ASSERT_EQ(data.frequenciesHz.size(), 2u);
    EXPECT_DOUBLE_EQ(data.frequenciesHz[1], file.secondFrequencyHz);
    EXPECT_NEAR(data.impedanceOhms[1].real(), file.secondOhms.real(), 1e-6);
    EXPECT_NEAR(data.impedanceOhms[1].imag(), file.secondOhms.imag(), 1e-6);
}

INSTANTIATE_TEST_SUITE_P(Formats, ReadsGoodFile, testing::ValuesIn(kGoodFiles),
                         [](const auto &info) { return std::string(info.param.name); });

struct BadFile
{
    const char *name;
    const char *text;
    const char *message; // "<line>: what was found; expected ..."
};

const BadFile kBadFiles[] = {
    {"NotTouchstone", "{\"json\": true}\n", "load.s1p:1: \"{\"json\": true}\" is not Touchstone"},
    {"NotANumber", "# GHz S RI\n1 0.1 0.2\n2 0,1 0\n", "load.s1p:3: \"0,1\" is not a number"},
    {"NaN", "# GHz S RI\n1 nan 0\n", "load.s1p:2: \"nan\" is not a finite number"},
    {"Infinity", "# GHz S RI\n1 0 -inf\n", "load.s1p:2: \"-inf\" is not a finite number"},
    {"OutOfRange", "# GHz S RI\n1e999 0 0\n", "load.s1p:2: \"1e999\" is out of range"},
    {"MissingValue", "# GHz S RI\n1 0.1 0.2\n2 0.1\n", "load.s1p:3: the point has 2 of its 3"},
    {"TwoPortData", "# GHz S RI\n1 0.1 0.2 0.9 0 0.9 0 0.1 0.2\n",
     "load.s1p:2: 9 numbers on the line; expected 3"},
    {"RepeatedFrequency", "# GHz S RI\n1 0 0\n1 0 0\n", "load.s1p:3: frequency 1 is not above"},
    {"EmptyFile", "", "load.s1p:1: no data; expected at least one point"},
    {"HParameters", "# GHz H RI\n1 0 0\n", "load.s1p:1: H parameters describe a two-port"},
    {"ActiveLoad", "# GHz S MA\n1 1.2 30\n", "load.s1p:2: |S11| 1.2 is above 1"},
    {"NegativeResistance", "# GHz Z RI\n1 -0.1 0.5\n",
     "load.s1p:2: resistance -5 ohms is negative"},
    {"ShortCircuit", "# GHz S RI\n1 -1 0\n", "load.s1p:2: a short circuit (|Z| below"},
    {"OpenCircuit", "# GHz Y RI\n1 0 0\n", "load.s1p:2: an open circuit (|Z| above"},
    {"UnknownOption", "# GHz S XY\n", "load.s1p:1: \"XY\" in the option line; expected a unit"},
    {"KeywordIn1_1", "# GHz S RI\n[Number of Ports] 1\n",
     "load.s1p:2: [number of ports] belongs to Touchstone 2.0"},
    {"Version2TwoPort", "[Version] 2.0\n# GHz S RI\n[Number of Ports] 2\n",
     "load.s1p:3: a file of 2 ports"},
    {"Version2DataBeforeNetworkData", "[Version] 2.0\n# GHz S RI\n[Number of Ports] 1\n1 0 0\n",
     "load.s1p:4: data before [Network Data]"},
    {"Version2WrongCount",
     "[Version] 2.0\n# GHz S RI\n[Number of Ports] 1\n[Number of Frequencies] 3\n"
     "[Network Data]\n1 0 0\n2 0 0\n[End]\n",
     "load.s1p:8: 2 points; expected 3"},
    {"Version2NoiseData", "[Version] 2.0\n# GHz S RI\n[Noise Data]\n",
     "load.s1p:3: [noise data] belongs to a file of more than one port"},
};

class RefusesBadFile : public testing::TestWithParam<BadFile>
{
};

TEST_P(RefusesBadFile, NamingFileLineAndWhatWasExpected)
{
    const BadFile &file = GetParam();
    try {
        ReadOnePort(file.text, "load.s1p");
        FAIL() << "read without complaint";
    } catch (const TouchstoneError &e) {
        EXPECT_NE(std::string(e.what()).find(file.message), std::string::npos) << e.what();
    }
}

INSTANTIATE_TEST_SUITE_P(Inputs, RefusesBadFile, testing::ValuesIn(kBadFiles),
                         [](const auto &info) { return std::string(info.param.name); });

} // namespace
} // namespace tevmar::analysis
