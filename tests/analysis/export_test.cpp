// The files engineers take elsewhere: Touchstone, CSV and JSON, each written
// to disk and read back, and the number text they share.

#include "analysis/export_csv.h"
#include "analysis/export_json.h"
#include "analysis/export_number.h"
#include "analysis/analysis_text.h"
#include "analysis/export_touchstone.h"
#include "analysis_fixture.h"
#include "tests/report/test_files.h"

#include <algorithm>
#include <charconv>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sstream>

namespace tevmar::analysis {
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
        std::vector<double> row;
        for (const std::string &token : Split(line, ' ')) {
            file.numberTokens.push_back(token);
            row.push_back(ParseNumber(token));
        }
        EXPECT_EQ(row.size(), 9u) << line;
        file.rows.push_back(row);
    }
    return file;
}

class TouchstoneOf : public testing::TestWithParam<double>
{
};

TEST_P(TouchstoneOf, ReadsBackToTheSweepsValues)
{
    const double referenceOhms = GetParam();
    const Design d = RunDesign(kDesigns[3]);
    const Ladder ladder = FromDesign(d.result, Precision::Full);
    const std::vector<double> f = SweepFrequencies(DefaultSweep(BandOf(d.result.band)));
    const TouchstoneFile file =
        ReadTouchstone(WriteAndRead(TouchstoneText(ladder, f, referenceOhms), "net.s2p"));

    EXPECT_EQ(file.optionLine, "# HZ S RI R " + ShortestNumber(referenceOhms));
    ASSERT_EQ(file.rows.size(), f.size());
    for (const std::string &token : file.numberTokens)
        EXPECT_NE(token.find('.'), std::string::npos) << "bare integer " << token;
    for (std::size_t i = 0; i < f.size(); ++i) {
        const std::vector<double> &row = file.rows[i];
        const SParameters s = SParametersOf(LadderAbcd(ladder, f[i]), referenceOhms, referenceOhms);
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

TEST(Touchstone, RejectsWhatTheFormatCannotHold)
{
    const Ladder ladder = FromDesign(RunDesign(kDesigns[0]).result, Precision::Full);
    EXPECT_THROW(TouchstoneText(ladder, {1e9}, 0.0), std::invalid_argument);
    EXPECT_THROW(TouchstoneText(ladder, {1e9}, -50.0), std::invalid_argument);
    EXPECT_THROW(TouchstoneText(ladder, {2e9, 1e9}), std::invalid_argument);
    EXPECT_THROW(TouchstoneText(ladder, {0.0, 1e9}), std::invalid_argument);
}

TEST(SweepCsv, HeaderThenOneRowPerFrequencyPerNetwork)
{
    const Design d = RunDesign(kDesigns[4]);
    const Ladder full = FromDesign(d.result, Precision::Full);
    const Ladder printed = FromDesign(d.result, Precision::Printed);
    const std::vector<double> f = SweepFrequencies(DefaultSweep(BandOf(d.result.band)));
    const std::vector<std::string> lines = Split(
        WriteAndRead(SweepCsv({{"full", full, {}}, {"printed", printed, {}}}, f), "s.csv"), '\n');

    ASSERT_EQ(lines.size(), f.size() + 1);
    EXPECT_EQ(lines[0], "frequency_hz,full_s11_db,full_vswr,full_insertion_loss_db,"
                        "printed_s11_db,printed_vswr,printed_insertion_loss_db");
    for (std::size_t i = 0; i < f.size(); ++i) {
        const std::vector<std::string> cells = Split(lines[i + 1], ',');
        ASSERT_EQ(cells.size(), 7u);
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
    const NetworkAnalysis a = AnalyseDesign(result, options);
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
    EXPECT_EQ(j["elements"][1]["unit"], " Pico-Farad");
    EXPECT_EQ(j["elements"][1]["kind"], "shunt capacitor");
    EXPECT_EQ(j["elements"][2]["printed"], 3.949);
    EXPECT_EQ(j["elements"][2]["full"], result.table[2].fullValue);

    const auto &analysis = j["analysis"];
    EXPECT_EQ(analysis["selfCheck"]["agrees"], true);
    EXPECT_EQ(analysis["selfCheck"]["fullPrecision"]["gammaMax"], a.selfCheck.full.gammaMax);
    EXPECT_EQ(analysis["bodeFano"]["applicable"], true);
    EXPECT_EQ(analysis["standardValues"]["series"], "E48");
    EXPECT_EQ(analysis["standardValues"]["elements"].size(), 8u);
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
    const NetworkAnalysis a = AnalyseDesign(d.result, {});
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
} // namespace tevmar::analysis
