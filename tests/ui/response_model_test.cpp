#include "analysis/model/eseries.h"
#include "cli_run.h"
#include "response_test_support.h"
#include "session/views/response.h"
#include "ui/result_tools.h"
#include "ui_test_support.h"

#include <QTemporaryDir>
#include <algorithm>
#include <gtest/gtest.h>

namespace tevmar::test {
namespace {

using session::ComputeResponse;
using session::DesignSummary;
using session::ExportKind;
using session::FigureRow;
using session::Response;
using session::ResponseCurve;
using session::ResponseSettings;

std::string ExportText(ExportKind kind, const session::CalculateOutcome &design,
                       const ResponseSettings &settings)
{
    return ExportFileText(kind, design, settings);
}

TEST(ResponseModel, DefaultSettingsSweepBothNetworksOverHalfF1ToTwiceF2)
{
    const session::CalculateOutcome design = Solve(ShuntRc1pF());
    const Response r = ComputeResponse(design, ResponseSettings{});
    ASSERT_EQ(r.problem, "");
    ASSERT_EQ(r.curves.size(), 2u);
    EXPECT_EQ(r.curves[0].name, "Full precision");
    EXPECT_EQ(r.curves[1].name, "As printed");
    ASSERT_EQ(r.frequenciesHz.size(), 401u);
    EXPECT_DOUBLE_EQ(r.frequenciesHz.front(), 0.5e9);
    EXPECT_DOUBLE_EQ(r.frequenciesHz.back(), 4e9);
    // Half the points evenly over the 1 to 2 GHz band, the middle one at 1.5 GHz.
    EXPECT_NEAR(r.frequenciesHz[200], 1.5e9, 1e-3);
    EXPECT_EQ(std::count_if(r.frequenciesHz.begin(), r.frequenciesHz.end(),
                            [](double hz) { return hz >= 1e9 && hz <= 2e9; }),
              201);
    for (const ResponseCurve &curve : r.curves)
        EXPECT_EQ(curve.points.size(), 401u) << curve.name;
    EXPECT_TRUE(r.analysis.selfCheck.agrees);
    ASSERT_TRUE(r.analysis.yield);
    EXPECT_EQ(r.analysis.yield->options.trials, 1000);
}

TEST(ResponseModel, ChoicesAddTheSnappedCurveAndTheirFigures)
{
    const session::CalculateOutcome design = Solve(ShuntRc1pF());
    ResponseSettings s;
    s.eseries = analysis::ESeries::E24;
    s.inductorQ = 100;
    s.capacitorQ = 300;
    s.sweepFollowsBand = false;
    s.fromGhz = 0.8;
    s.toGhz = 2.5;
    s.points = 101;
    s.logarithmic = false;
    const Response r = ComputeResponse(design, s);
    ASSERT_EQ(r.problem, "");
    // With a Q the parts are as built: the ideal network is drawn beside them.
    ASSERT_EQ(r.curves.size(), 4u);
    EXPECT_EQ(r.curves[0].name, "Full precision, as built");
    EXPECT_EQ(r.curves[1].name, "Full precision, ideal parts");
    EXPECT_EQ(r.curves[3].name, "E24 values");
    ASSERT_EQ(r.frequenciesHz.size(), 101u);
    EXPECT_DOUBLE_EQ(r.frequenciesHz.front(), 0.8e9);
    EXPECT_DOUBLE_EQ(r.frequenciesHz[50], 1.65e9); // linear steps
    EXPECT_TRUE(r.analysis.finiteQ);
}

TEST(ResponseModel, SettingsThatCannotBeComputedSayWhyAndDrawNothing)
{
    struct Row
    {
        const char *name;
        void (*change)(ResponseSettings &);
        const char *problem;
    };
    const Row rows[] = {
        {"start above stop",
         [](ResponseSettings &s) {
             s.sweepFollowsBand = false;
             s.fromGhz = 3;
             s.toGhz = 2;
         },
         "The sweep's start must lie below its stop."},
        {"start equal to stop",
         [](ResponseSettings &s) {
             s.sweepFollowsBand = false;
             s.fromGhz = 2;
             s.toGhz = 2;
         },
         "The sweep's start must lie below its stop."},
        {"zero start",
         [](ResponseSettings &s) {
             s.sweepFollowsBand = false;
             s.fromGhz = 0;
         },
         "The sweep cannot be made: the sweep's frequencies must be positive."},
        {"one point", [](ResponseSettings &s) { s.points = 1; },
         "The sweep needs 2 to 20001 points."},
        {"too many points", [](ResponseSettings &s) { s.points = 20002; },
         "The sweep needs 2 to 20001 points."},
        {"no trials", [](ResponseSettings &s) { s.trials = 0; },
         "The tolerance trials must number 1 to 1000000."},
        {"more trials than tevmar-cli runs", [](ResponseSettings &s) { s.trials = 1000001; },
         "The tolerance trials must number 1 to 1000000."},
        {"tolerance of 100 %", [](ResponseSettings &s) { s.tolerancePercent = 100; },
         "The tolerance must be at least 0 and below 100 %."},
        {"negative Q", [](ResponseSettings &s) { s.inductorQ = -5; },
         "A component Q must be a positive number."},
    };
    const session::CalculateOutcome design = Solve(ShuntRc1pF());
    for (const Row &row : rows) {
        ResponseSettings s;
        row.change(s);
        const Response r = ComputeResponse(design, s);
        EXPECT_EQ(r.problem, row.problem) << row.name;
        EXPECT_TRUE(r.curves.empty()) << row.name;
        EXPECT_THROW(ExportText(ExportKind::SweepCsv, design, s), std::invalid_argument)
            << row.name;
    }
}

std::string ValueOf(const std::vector<FigureRow> &rows, const std::string &figure)
{
    for (const FigureRow &row : rows)
        if (row.figure == figure)
            return row.text.empty() ? row.gamma + " | " + row.vswr : row.text;
    return "(no row " + figure + ")";
}

TEST(ResponseModel, FigureRowsGiveEachNetworkAndTheAnalysesAsked)
{
    const session::CalculateOutcome absorbed = Solve(ShuntRc1pF());
    ResponseSettings s;
    s.eseries = analysis::ESeries::E24;
    s.inductorQ = 100;
    s.capacitorQ = 300;
    const std::vector<FigureRow> rows = session::FigureRows(ComputeResponse(absorbed, s));
    const std::pair<const char *, const char *> expected[] = {
        // The design's own check is of ideal parts; with a Q every figure after
        // it (standard values, sensitivity, trials) is of the parts as built.
        {"Design ripple", "0.004415 | 1.0089"},
        {"Full precision", "0.004415 | 1.0089"},
        {"As printed", "0.004469 | 1.009"},
        {"As built", "0.007068 | 1.0142"},
        {"As built, loss", "0.277 dB at most"}, // the in-band loss's top, below,
        {"E24 values", "0.03514 | 1.0728"},
        {"Bode\u2013Fano limit", "4.54e-05 | 1.0001"},
        {"Network check", "agrees with the design"},
        {"Most sensitive, per +1 %", "C4 +0.0078, C3 +0.0065, L1 +0.0028 in |S11| max"},
        // The load's own 1 pF is neither lossy nor varied: only the parts are.
        {"Loss, QL 100 QC 300", "0.1353 to 0.277 dB in band"},
        {"Loss at centre", "0.1691 dB"},
        {"Yield \u00B15 %, 1000 trials", "70.8 % below VSWR 1.1098"},
        {"VSWR 50/90/99 %", "1.0919 / 1.1399 / 1.1863"},
    };
    ASSERT_EQ(rows.size(), std::size(expected));
    for (const auto &[figure, value] : expected)
        EXPECT_EQ(ValueOf(rows, figure), value);

    const session::CalculateOutcome plain = Solve(Order4Plain());
    const std::vector<FigureRow> plainRows =
        session::FigureRows(ComputeResponse(plain, ResponseSettings{}));
    EXPECT_EQ(ValueOf(plainRows, "Bode\u2013Fano limit"), "none: nothing absorbed");
    EXPECT_EQ(ValueOf(plainRows, "Loss at centre"), "(no row Loss at centre)");
    EXPECT_EQ(ValueOf(plainRows, "E24 values"), "(no row E24 values)");
}

TEST(ResponseModel, SummaryNamesTheDesignAsRead)
{
    EXPECT_EQ(DesignSummary(Solve(ShuntRc1pF())),
              "Order 8, 1 to 2 GHz, 50 \u03A9 to 10 \u03A9, shunt RC 1 pF absorbed");
    EXPECT_EQ(DesignSummary(Solve(Order4Plain())),
              "Order 4, 1 to 2 GHz, 50 \u03A9 to 10 \u03A9, nothing absorbed");
    // A series RL load whose value is read leniently, as the design run reads it.
    EXPECT_EQ(DesignSummary(Solve({"1", "2", "50", "10", 4, LoadType::SeriesRL, true, "1nH"})),
              "Order 4, 1 to 2 GHz, 50 \u03A9 to 10 \u03A9, series RL 1 nH absorbed");
}

// --- The exports are the files tevmar-cli writes ------------------------------

TEST(Exports, EachFileIsTheOneTevmarCliWritesForTheSameChoices)
{
    struct Row
    {
        const char *name;
        ExportKind kind;
        QStringList cliOptions; // FILE stands for the output file
        void (*choose)(ResponseSettings &);
    };
    const Row rows[] = {
        {"JSON with every figure",
         ExportKind::Json,
         {"--json", "--eseries", "E24", "--q-l", "100", "--q-c", "300", "--monte-carlo", "1000",
          "--tolerance", "5"},
         [](ResponseSettings &s) {
             s.eseries = analysis::ESeries::E24;
             s.inductorQ = 100;
             s.capacitorQ = 300;
         }},
        {"JSON, constant Q and a pass limit of my own",
         ExportKind::Json,
         {"--json", "--q-l", "100", "--q-model", "constant", "--monte-carlo", "1000", "--tolerance",
          "5", "--yield-vswr", "1.05"},
         [](ResponseSettings &s) {
             s.inductorQ = 100;
             s.qModel = analysis::QModel::Constant;
             s.yieldVswr = 1.05;
         }},
        {"JSON, tolerance trials only",
         ExportKind::Json,
         {"--json", "--monte-carlo", "300", "--tolerance", "2.5"},
         [](ResponseSettings &s) {
             s.trials = 300;
             s.tolerancePercent = 2.5;
         }},
        {"Touchstone, default sweep",
         ExportKind::Touchstone,
         {"--touchstone", "FILE"},
         [](ResponseSettings &) {}},
        {"Touchstone, linear sweep of my own",
         ExportKind::Touchstone,
         {"--touchstone", "FILE", "--from", "0.8", "--to", "2.5", "--points", "101", "--lin"},
         [](ResponseSettings &s) {
             s.sweepFollowsBand = false;
             s.fromGhz = 0.8;
             s.toGhz = 2.5;
             s.points = 101;
             s.logarithmic = false;
         }},
        {"SPICE netlist", ExportKind::Spice, {"--spice", "FILE"}, [](ResponseSettings &) {}},
        {"CSV with snapped values and Q",
         ExportKind::SweepCsv,
         {"--sweep", "FILE", "--eseries", "E96", "--q-c", "250", "--points", "51"},
         [](ResponseSettings &s) {
             s.eseries = analysis::ESeries::E96;
             s.capacitorQ = 250;
             s.points = 51;
         }},
    };
    const QStringList design = {"--f1",   "1",        "--f2",     "2",       "--zhigh",
                                "50",     "--zlow",   "10",       "--order", "8",
                                "--load", "shunt-rc", "--absorb", "1"};
    const session::CalculateOutcome record = Solve(ShuntRc1pF());
    for (const Row &row : rows) {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("out"));
        QStringList arguments = design;
        for (const QString &option : row.cliOptions)
            arguments << (option == QStringLiteral("FILE") ? file : option);
        const CliRun cli = RunCli(dir.path(), arguments);
        ASSERT_EQ(cli.exitCode, 0) << row.name;
        const std::string expected =
            row.kind == ExportKind::Json ? cli.standardOutput : ReadFile(file.toStdString());
        ResponseSettings settings;
        row.choose(settings);
        EXPECT_EQ(ExportText(row.kind, record, settings), expected) << row.name;
    }
}

} // namespace
} // namespace tevmar::test
