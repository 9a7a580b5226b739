// The files engineers take elsewhere: Touchstone, CSV and JSON, each written
// to disk and read back, and the number text they share.

#include "analysis/model/designed_network.h"
#include "engine/lenient_number.h"
#include "format/analysis_text.h"
#include "format/export_csv.h"
#include "format/export_json.h"
#include "format/export_touchstone.h"
#include "format/json_number.h"
#include "report/number_format.h"
#include "tests/analysis/analysis_fixture.h"
#include "tests/report/test_files.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <nlohmann/json.hpp>
#include <numbers>
#include <sstream>

namespace tevmar::format {
using namespace analysis;
namespace {

using test_files::ReadBytes;
using test_files::TempDir;

std::string WriteAndRead(const std::string &text, const std::string &name)
{
    TempDir dir;
    test_files::WriteBytes(dir / name, text);
    return ReadBytes(dir / name);
}

std::vector<std::string> Split(const std::string &text, char separator)
{
    std::vector<std::string> parts;
    std::string part;
    std::istringstream in(text);
    while (std::getline(in, part, separator))
        parts.push_back(part);
    return parts;
}

double ParseNumber(const std::string &token)
{
    double value = 0;
    const auto [end, ec] = std::from_chars(token.data(), token.data() + token.size(), value);
    EXPECT_TRUE(ec == std::errc{} && end == token.data() + token.size()) << token;
    return value;
}

TEST(ExportNumber, ShortestRoundTripTextWithAndWithoutPoint)
{
    const struct
    {
        double value;
        const char *shortest;
        const char *decimal;
        const char *fixed;
    } rows[] = {
        {0.0, "0", "0.0", "0"},
        {-0.0, "0", "0.0", "0"},
        {50.0, "50", "50.0", "50"},
        {-1.0, "-1", "-1.0", "-1"},
        {0.135, "0.135", "0.135", "0.135"},
        {1e-5, "1e-05", "1.0e-05", "0.00001"},
        {1.5e-13, "1.5e-13", "1.5e-13", "0.00000000000015"},
        {1e9, "1e+09", "1.0e+09", "1000000000"},
    };
    for (const auto &row : rows) {
        EXPECT_EQ(ShortestNumber(row.value), row.shortest) << row.shortest;
        EXPECT_EQ(DecimalNumber(row.value), row.decimal) << row.shortest;
        EXPECT_EQ(FixedNumber(row.value), row.fixed) << row.shortest;
    }
    const double third = 1.0 / 3.0;
    EXPECT_EQ(ParseNumber(ShortestNumber(third)), third);
    for (const double bad : {std::numeric_limits<double>::infinity(), std::nan("")}) {
        EXPECT_THROW(ShortestNumber(bad), std::domain_error);
        EXPECT_THROW(DecimalNumber(bad), std::domain_error);
        EXPECT_THROW(FixedNumber(bad), std::domain_error);
    }
}

// One data line of a two-port file: the frequency and four complex numbers;
// `tokens`, when given, also receives the numbers' texts.
std::vector<double> DataRow(const std::string &line, std::vector<std::string> *tokens = nullptr)
{
    std::vector<double> row;
    for (const std::string &token : Split(line, ' ')) {
        if (tokens)
            tokens->push_back(token);
        row.push_back(ParseNumber(token));
    }
    EXPECT_EQ(row.size(), 9u) << line;
    return row;
}

// A small Touchstone 1.1 reader: option line, comments, data lines of 9 numbers.
struct TouchstoneFile
{
    std::string optionLine;
    std::vector<std::vector<double>> rows;
    std::vector<std::string> numberTokens;
};

TouchstoneFile ReadTouchstone(const std::string &text)
{
    TouchstoneFile file;
    for (const std::string &line : Split(text, '\n')) {
        if (line.empty() || line[0] == '!')
            continue;
        if (line[0] == '#') {
            EXPECT_TRUE(file.optionLine.empty()) << "second option line";
            file.optionLine = line;
            continue;
        }
        EXPECT_FALSE(file.optionLine.empty()) << "data before the option line";
        file.rows.push_back(DataRow(line, &file.numberTokens));
    }
    return file;
}

class TouchstoneOf : public testing::TestWithParam<double>
{
};

TEST_P(TouchstoneOf, ReadsBackToTheSweepsValues)
{
    const double referenceOhms = GetParam();
    const Design d = RunDesign(kDesigns[1]); // nothing absorbed: the file's network is all of it
    const Network ladder = DesignedNetworkOf(d.result).full;
    const std::vector<double> f = SweepFrequencies(DefaultSweep(BandOf(d.result.band)));
    const TouchstoneFile file =
        ReadTouchstone(WriteAndRead(TouchstoneText(ladder, f, referenceOhms), "net.s2p"));

    EXPECT_EQ(file.optionLine, "# HZ S RI R " + ShortestNumber(referenceOhms));
    ASSERT_EQ(file.rows.size(), f.size());
    for (const std::string &token : file.numberTokens)
        EXPECT_NE(token.find('.'), std::string::npos) << "bare integer " << token;
    for (std::size_t i = 0; i < f.size(); ++i) {
        const std::vector<double> &row = file.rows[i];
        const SParameters s = SParametersOf(PartsAbcd(ladder, f[i]), referenceOhms, referenceOhms);
        EXPECT_EQ(row[0], f[i]);
        // Order of a 2-port line: S11 S21 S12 S22.
        const Complex expected[] = {s.s11, s.s21, s.s12, s.s22};
        for (std::size_t k = 0; k < 4; ++k) {
            EXPECT_EQ(row[1 + 2 * k], expected[k].real()) << i << " " << k;
            EXPECT_EQ(row[2 + 2 * k], expected[k].imag()) << i << " " << k;
        }
        // Terminated in the design's own ports, the file's network gives the
        // design's reflection: Gamma_in = S11 + S12 S21 GL / (1 - S22 GL).
        const Complex s11(row[1], row[2]), s21(row[3], row[4]), s12(row[5], row[6]),
            s22(row[7], row[8]);
        const double r = referenceOhms;
        const Complex gl = (ladder.port2Ohms - r) / (ladder.port2Ohms + r);
        const Complex gin = s11 + s12 * s21 * gl / (1.0 - s22 * gl);
        const Complex zin = r * (1.0 + gin) / (1.0 - gin);
        const double gamma = std::abs((zin - ladder.port1Ohms) / (zin + ladder.port1Ohms));
        EXPECT_NEAR(gamma, std::abs(Evaluate(ladder, f[i]).s.s11), 1e-9) << f[i];
    }
}

INSTANTIATE_TEST_SUITE_P(ReferenceResistance, TouchstoneOf, testing::Values(50.0, 75.0, 12.5),
                         [](const testing::TestParamInfo<double> &info) {
                             std::string name = "Ohms" + Figure(info.param);
                             std::replace(name.begin(), name.end(), '.', '_');
                             return name;
                         });

// Touchstone 2.0: keywords in their order, and the data row by row.
struct TouchstoneV2File
{
    std::vector<std::string> keywords; // "[Version] 2.0", the option line, ...
    std::vector<std::vector<double>> rows;
};

TouchstoneV2File ReadTouchstoneV2(const std::string &text)
{
    TouchstoneV2File file;
    for (const std::string &line : Split(text, '\n')) {
        if (line.empty() || line[0] == '!')
            continue;
        if (line[0] == '[' || line[0] == '#') {
            file.keywords.push_back(line);
            continue;
        }
        file.rows.push_back(DataRow(line));
    }
    return file;
}

class TouchstoneV2WithTheTrueLoad : public testing::TestWithParam<DesignCase>
{
};

// The file holds the network alone, each port referred to its termination.
// Attaching the real load by hand must give the design's in-band |S11| max:
// for a series load at port 2, G_L = jX / (2 R2 + jX) and
// G_in = S11 + S12 S21 G_L / (1 - S22 G_L), seen from the port-1 source; for a
// shunt load at port 1, Z_L = R1 || jX, G_L = (Z_L - R1) / (Z_L + R1) and
// G_out = S22 + S12 S21 G_L / (1 - S11 G_L), seen from the port-2 source (the
// same magnitude for a lossless network).
TEST_P(TouchstoneV2WithTheTrueLoad, ReproducesTheDesignsRippleMaximum)
{
    const Design d = RunDesign(GetParam());
    const LoadType type = GetParam().load;
    const double r1 = ReadNumber(GetParam().zhighOhms), r2 = ReadNumber(GetParam().zlowOhms);
    const double typed = ReadNumber(GetParam().absorb);
    const Network ladder = DesignedNetworkOf(d.result).full;
    const std::vector<double> f = BandGrid(BandOf(d.result.band), 2001);
    const TouchstoneV2File file =
        ReadTouchstoneV2(WriteAndRead(TouchstoneV2Text(ladder, f), "n.s2p"));

    const std::vector<std::string> keywords{"[Version] 2.0",
                                            "# HZ S RI R " + std::string(GetParam().zhighOhms),
                                            "[Number of Ports] 2",
                                            "[Two-Port Data Order] 12_21",
                                            "[Number of Frequencies] 2001",
                                            "[Reference] " + std::string(GetParam().zhighOhms) +
                                                " " + GetParam().zlowOhms,
                                            "[Network Data]",
                                            "[End]"};
    EXPECT_EQ(file.keywords, keywords);
    ASSERT_EQ(file.rows.size(), f.size());
    double worst = 0;
    for (const std::vector<double> &row : file.rows) {
        const Complex s11(row[1], row[2]), s12(row[3], row[4]), s21(row[5], row[6]),
            s22(row[7], row[8]);
        const double w = 2 * std::numbers::pi * row[0];
        const double x = IsInductiveLoad(type) ? w * typed * 1e-9 : -1 / (w * typed * 1e-12);
        const Complex jx(0, x);
        double gamma = 0;
        if (IsSeriesLoad(type)) {
            const Complex gl = jx / (2 * r2 + jx);
            gamma = std::abs(s11 + s12 * s21 * gl / (1.0 - s22 * gl));
        } else {
            const Complex zl = r1 * jx / (r1 + jx);
            const Complex gl = (zl - r1) / (zl + r1);
            gamma = std::abs(s22 + s12 * s21 * gl / (1.0 - s11 * gl));
        }
        worst = std::max(worst, gamma);
    }
    EXPECT_NEAR(worst, d.result.GammaMax, 0.005 * d.result.GammaMax);
}

INSTANTIATE_TEST_SUITE_P(LoadTypes, TouchstoneV2WithTheTrueLoad,
                         testing::ValuesIn(kAbsorbingDesigns),
                         [](const auto &info) { return std::string(info.param.name); });

// A JSON figure of zero reads "0.0" whichever zero the arithmetic left: a
// total reflection's return loss, -20 log10(1), is -0.0 in a double.
TEST(ExportNumber, JsonFiguresNeverNegativeZeroNorInfinite)
{
    const double totalReflectionLossDb = -20 * std::log10(1.0);
    ASSERT_TRUE(std::signbit(totalReflectionLossDb));
    const format::Json figures{{"returnLossDb", format::Number(totalReflectionLossDb)},
                               {"limit", format::Number(std::numeric_limits<double>::infinity())},
                               {"negative", format::Number(-2.5)}};
    EXPECT_EQ(figures.dump(), R"({"returnLossDb":0.0,"limit":null,"negative":-2.5})");
}

TEST(Touchstone, RejectsWhatTheFormatCannotHold)
{
    const Network ladder = DesignedNetworkOf(RunDesign(kDesigns[0]).result).full;
    EXPECT_THROW(TouchstoneText(ladder, {1e9}, 0.0), std::invalid_argument);
    EXPECT_THROW(TouchstoneText(ladder, {1e9}, -50.0), std::invalid_argument);
    EXPECT_THROW(TouchstoneText(ladder, {2e9, 1e9}), std::invalid_argument);
    EXPECT_THROW(TouchstoneText(ladder, {0.0, 1e9}), std::invalid_argument);
}

TEST(SweepCsv, HeaderThenOneRowPerFrequencyPerNetwork)
{
    const Design d = RunDesign(kDesigns[4]);
    const Network full = DesignedNetworkOf(d.result).full;
    const Network printed = DesignedNetworkOf(d.result).Printed();
    const std::vector<double> f = SweepFrequencies(DefaultSweep(BandOf(d.result.band)));
    const std::vector<std::string> lines =
        Split(WriteAndRead(SweepCsv({{"full", full}, {"printed", printed}}, f), "s.csv"), '\n');

    ASSERT_EQ(lines.size(), f.size() + 1);
    EXPECT_EQ(lines[0], "frequency_hz,full_s11_db,full_vswr,full_insertion_loss_db,"
                        "printed_s11_db,printed_vswr,printed_insertion_loss_db,"
                        "full_s21_phase_deg,full_group_delay_ns,"
                        "printed_s21_phase_deg,printed_group_delay_ns");
    for (std::size_t i = 0; i < f.size(); ++i) {
        const std::vector<std::string> cells = Split(lines[i + 1], ',');
        ASSERT_EQ(cells.size(), 11u);
        EXPECT_EQ(ParseNumber(cells[0]), f[i]);
        const SweepPoint a = Evaluate(full, f[i]);
        const SweepPoint b = Evaluate(printed, f[i]);
        const double expected[] = {a.s11Db, a.vswr, a.insertionLossDb,
                                   b.s11Db, b.vswr, b.insertionLossDb};
        for (std::size_t k = 0; k < 6; ++k)
            EXPECT_EQ(ParseNumber(cells[k + 1]), expected[k]) << i << " " << k;
    }
}

TEST(DesignJson, HoldsInputsFiguresTableAndTheAnalysisAskedFor)
{
    DesignInputs inputs = InputsOf(kDesigns[3]); // order 8, shunt RC, 1 pF absorbed
    inputs.zlowText = " 10 ohm";                 // typed with blanks and a unit
    const DesignResult result = RunDesign(inputs);
    AnalysisOptions options;
    options.eseries = ESeries::E48;
    const NetworkAnalysis a = AnalyseDesign(DesignedNetworkOf(result), options);
    const auto j =
        nlohmann::json::parse(WriteAndRead(DesignJson(inputs, result, "", &a), "d.json"));

    EXPECT_EQ(j["status"], "solved");
    EXPECT_EQ(j["inputs"]["typed"]["Zlow_text"], " 10 ohm");
    EXPECT_EQ(j["inputs"]["typed"]["loadType"], "PRC");
    EXPECT_EQ(j["inputs"]["typed"]["networkOrder"], 8);
    EXPECT_EQ(j["inputs"]["typed"]["absorb"], true);
    EXPECT_EQ(j["inputs"]["read"]["ZlowOhms"], 10.0);
    EXPECT_EQ(j["inputs"]["read"]["LC_value"], 1.0);
    EXPECT_EQ(j["band"]["F1MHz"], 1000.0);
    EXPECT_EQ(j["band"]["BWMHz"], 1000.0);
    EXPECT_EQ(j["q"]["Qt"], result.band.Qt);
    EXPECT_EQ(j["transformation"]["achieved"], result.f);
    EXPECT_EQ(j["loss"]["maxVswr"], result.Smax);
    EXPECT_EQ(j["topology"], "capacitive");
    EXPECT_EQ(j["absorbed"], true);

    ASSERT_EQ(j["elements"].size(), result.table.size());
    EXPECT_EQ(j["elements"][1]["label"], "CP=");
    EXPECT_EQ(j["elements"][1]["unit"], "pF");
    EXPECT_EQ(j["elements"][1]["kind"], "shunt capacitor");
    EXPECT_EQ(j["elements"][1]["absorbedLoad"], true); // the shunt load's own 1 pF
    EXPECT_EQ(j["elements"][1]["full"], 1.0);
    EXPECT_EQ(j["elements"][2]["absorbedLoad"], false);
    EXPECT_EQ(j["elements"][2]["part"], "L1");
    EXPECT_EQ(j["elements"][2]["unit"], "nH");
    EXPECT_EQ(j["elements"][2]["printed"], 3.949);
    EXPECT_EQ(j["elements"][2]["full"], result.table[2].fullValue);
    EXPECT_EQ(j["elements"][0]["unit"], "ohms");
    EXPECT_EQ(j["elements"][9]["full"], 10.0); // as read, not the run's 10.00000000009
    EXPECT_EQ(j["ports"][0]["end"], "high-impedance");
    EXPECT_EQ(j["ports"][0]["terminationOhms"], 50.0);
    EXPECT_EQ(j["ports"][0]["absorbedLoad"]["value"], 1.0);
    EXPECT_EQ(j["ports"][0]["absorbedLoad"]["unit"], "pF");
    EXPECT_EQ(j["ports"][1]["terminationOhms"], 10.0);
    EXPECT_TRUE(j["ports"][1]["absorbedLoad"].is_null());
    // No figure in the whole document is written as negative zero.
    EXPECT_EQ(j.dump().find("-0.0,"), std::string::npos);

    const auto &analysis = j["analysis"];
    EXPECT_EQ(analysis["selfCheck"]["agrees"], true);
    EXPECT_EQ(analysis["selfCheck"]["fullPrecision"]["gammaMax"], a.selfCheck.full.gammaMax);
    EXPECT_EQ(analysis["bodeFano"]["applicable"], true);
    EXPECT_EQ(analysis["standardValues"]["series"], "E48");
    EXPECT_EQ(analysis["standardValues"]["elements"].size(), 7u); // the load is not snapped
    ASSERT_EQ(analysis["sensitivity"].size(), 7u); // ranked by the size of the change
    for (std::size_t i = 1; i < 7; ++i)
        EXPECT_GE(
            std::abs(analysis["sensitivity"][i - 1]["gammaMaxChangePerPercent"].get<double>()),
            std::abs(analysis["sensitivity"][i]["gammaMaxChangePerPercent"].get<double>()));
    EXPECT_FALSE(analysis.contains("finiteQ"));
    EXPECT_FALSE(analysis.contains("monteCarlo"));
}

TEST(DesignJson, FailedDesignGivesStatusAndInputsOnly)
{
    DesignInputs inputs = InputsOf({"equal ports", "1", "2", "50", "50", 4, SRL});
    inputs.f2Text = "1e999"; // reads as infinite
    const DesignResult result = RunDesign(inputs);
    ASSERT_FALSE(result.solved);
    const auto j = nlohmann::json::parse(DesignJson(inputs, result, "", nullptr));
    EXPECT_EQ(j["status"], "solution out of range");
    EXPECT_EQ(j["inputs"]["typed"]["F2_text"], "1e999");
    EXPECT_TRUE(j["inputs"]["read"]["F2GHz"].is_null());
    EXPECT_FALSE(j.contains("elements"));
    EXPECT_FALSE(j.contains("analysis"));
    EXPECT_FALSE(j.contains("reportError"));
}

TEST(DesignJson, NothingAbsorbedSaysThereIsNoBodeFanoLimit)
{
    const Design d = RunDesign(kDesigns[0]);
    const NetworkAnalysis a = AnalyseDesign(DesignedNetworkOf(d.result), {});
    const auto j = nlohmann::json::parse(DesignJson(d.inputs, d.result, "", &a));
    EXPECT_EQ(j["analysis"]["bodeFano"]["applicable"], false);
    EXPECT_TRUE(j["analysis"]["bodeFano"].contains("note"));
    EXPECT_EQ(j["topology"], "inductive");
    // Unticked, nothing is read from the value box.
    EXPECT_EQ(j["inputs"]["typed"]["absorb"], false);
    EXPECT_EQ(j["inputs"]["read"]["LC_value"], 0.0);
}

// A design whose report file could not be saved is still a design: its
// figures are all there, with the reason beside the status.
TEST(DesignJson, UnsavedReportKeepsTheFiguresAndSaysWhy)
{
    const Design d = RunDesign(kDesigns[0]);
    const auto j = nlohmann::json::parse(
        DesignJson(d.inputs, d.result, "cannot create a file in /gone: No such file", nullptr));
    EXPECT_EQ(j["status"], "solved, report not saved");
    EXPECT_EQ(j["reportError"], "cannot create a file in /gone: No such file");
    EXPECT_EQ(j["elements"].size(), d.result.table.size());
}

} // namespace
} // namespace tevmar::format
