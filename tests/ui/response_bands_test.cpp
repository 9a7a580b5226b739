// Several bands at once in the Response window: the Bands and Reject boxes
// read as tevmar-cli reads --band and --reject, the candidates ranked over
// every band with the very figures the command line gives, each band shaded
// and marked, and the main window's design left on its own band.

#include "cli_run.h"
#include "format/analysis_text.h"
#include "ui/main_window.h"
#include "ui/plot_widget.h"
#include "ui/response_window.h"
#include "ui/result_tools.h"
#include "ui_test_support.h"

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <algorithm>
#include <cmath>
#include <complex>
#include <nlohmann/json.hpp>
#include <numbers>

namespace tevmar::test {
namespace {

using Command = ResultTools::Command;

class ResponseBands : public InScratchDirectory
{
  protected:
    // The main window's design: order 4 from 50 to 10 ohm at 1 to 2 GHz.
    static ResponseWindow &Open(MainWindow &w)
    {
        Type(w, "F1_text", QStringLiteral("1"));
        Type(w, "F2_text", QStringLiteral("2"));
        Type(w, "Zhigh_text", QStringLiteral("50"));
        Type(w, "Zlow_text", QStringLiteral("10"));
        Click(w, "N4");
        Click(w, "Calc_BP");
        w.tools().action(Command::Response)->trigger();
        ResponseWindow &r = *w.tools().responseWindow();
        // Ideal parts, whatever a kit an earlier run remembered.
        r.findChild<QComboBox *>(QStringLiteral("partSource"))->setCurrentIndex(0);
        return r;
    }

    static void Enter(ResponseWindow &r, const char *box, const QString &text)
    {
        auto *edit = r.findChild<QLineEdit *>(QString::fromLatin1(box));
        ASSERT_NE(edit, nullptr) << box;
        edit->setText(text);
        emit edit->editingFinished();
    }

    static void WaitForCandidates(const ResponseWindow &r)
    {
        for (int i = 0; i < 12000 && r.candidatesRunning(); ++i)
            QTest::qWait(5);
        QTest::qWait(20);
    }

    static QString Banner(const ResponseWindow &r)
    {
        return r.findChild<QLabel *>(QStringLiteral("designBanner"))->text();
    }
};

// |S11| at the 50 ohm source through ideal parts (source side first) into
// 10 ohm, worked out here from the parts the command line lists.
double Gamma(const nlohmann::json &elements, double hz)
{
    const double w = 2 * std::numbers::pi * hz;
    std::complex<double> z = 10;
    for (auto e = elements.rbegin(); e != elements.rend(); ++e) {
        const double value = e->at("value");
        const std::complex<double> x = e->at("unit") == "nH"
                                           ? std::complex<double>(0, w * value * 1e-9)
                                           : std::complex<double>(0, -1 / (w * value * 1e-12));
        z = e->at("kind").get<std::string>().rfind("shunt", 0) == 0 ? 1.0 / (1.0 / z + 1.0 / x)
                                                                    : z + x;
    }
    return std::abs((z - 50.0) / (z + 50.0));
}

TEST_F(ResponseBands, TwoBandsAndAHarmonicGiveTheCommandLinesCandidatesAndFigures)
{
    MainWindow w;
    ResponseWindow &r = Open(w);
    const std::vector<session::FigureRow> designRows = session::FigureRows(r.response());
    Enter(r, "reject", QStringLiteral("2.6:2.8@20dB"));
    EXPECT_FALSE(r.settings().bands.several()) << "a band to reject needs the passbands";
    Enter(r, "bands", QStringLiteral("0.88:0.92, 1.76:1.84"));
    ASSERT_TRUE(r.bandsProblem().isEmpty()) << r.bandsProblem().toStdString();
    ASSERT_TRUE(r.settings().bands.several());
    WaitForCandidates(r);
    ASSERT_TRUE(r.candidates());
    ASSERT_EQ(r.pickedRank(), 1) << "the best candidate stands in for the design";

    // The pane's first line of the candidates-only run, and the band kept.
    EXPECT_TRUE(Banner(r).startsWith(
        QStringLiteral("Bands 0.88-0.92, 1.76-1.84 GHz, rejecting 2.6-2.8 by 20 dB: no textbook "
                       "design or report for several bands")))
        << Banner(r).toStdString();
    EXPECT_TRUE(Banner(r).contains(QStringLiteral("keeps its band, 1 to 2 GHz")));
    EXPECT_FALSE(r.findChild<QPushButton *>(QStringLiteral("showOwnDesign"))->isEnabled());

    QTemporaryDir dir;
    const CliRun cli =
        RunCli(dir.path(), {"--band", "0.88:0.92", "--band", "1.76:1.84", "--reject",
                            "2.6:2.8@20dB", "--zhigh", "50", "--zlow", "10", "--json"});
    ASSERT_EQ(cli.exitCode, 6);
    const auto document = nlohmann::json::parse(cli.standardOutput);
    const auto &expected = document.at("candidates");
    const auto &found = r.candidates()->candidates;
    ASSERT_EQ(found.size(), expected.size());
    for (std::size_t k = 0; k < found.size(); ++k) {
        EXPECT_EQ(found[k].tuned.gammaMax, expected[k].at("gammaMax").get<double>()) << k;
        const auto &bands = expected[k].at("bands");
        ASSERT_EQ(found[k].bandFigures.size(), bands.size());
        for (std::size_t b = 0; b < bands.size(); ++b)
            EXPECT_EQ(found[k].bandFigures[b].worst,
                      bands[b].at(b == 2 ? "s21Max" : "gammaMax").get<double>())
                << k << " band " << b;
    }

    // The drawn candidate's figures, band by band, are those figures, and a
    // cascade of its parts worked here finds them on a dense grid.
    const session::Response &shown = r.response();
    ASSERT_EQ(shown.bandFigures.size(), 3u);
    const auto &best = expected[0];
    for (std::size_t b = 0; b < 2; ++b) {
        const double figure = shown.bandFigures[b].worst;
        EXPECT_DOUBLE_EQ(figure, best.at("bands")[b].at("gammaMax").get<double>());
        const double low = b == 0 ? 0.88 : 1.76, high = b == 0 ? 0.92 : 1.84;
        double worst = 0;
        for (int i = 0; i <= 4000; ++i)
            worst =
                std::max(worst, Gamma(best.at("elements"), (low + (high - low) * i / 4000) * 1e9));
        EXPECT_GE(figure, worst * (1 - 1e-6)) << b;
        EXPECT_LE(figure, worst * (1 + 2e-3)) << b;
    }
    EXPECT_LE(shown.bandFigures[2].worst, 0.1) << "20 dB of rejection met by the best";
    const std::vector<session::FigureRow> rows = session::FigureRows(shown);
    ASSERT_GE(rows.size(), 3u);
    EXPECT_EQ(rows[0].figure, "Candidate 1, 0.88-0.92 GHz");
    EXPECT_EQ(rows[0].gamma, Figure(best.at("bands")[0].at("gammaMax").get<double>(), 4));
    EXPECT_EQ(rows[2].figure, "Candidate 1, reject 2.6-2.8 GHz");

    // A part stepped by hand: its network's figure band by band beside.
    r.SelectPart(0);
    r.StepPart(+1, 5);
    int stepped = 0;
    for (const session::FigureRow &row : session::FigureRows(r.response()))
        if (row.figure.rfind("Stepped: ", 0) == 0) {
            ++stepped;
            EXPECT_NE(row.gamma + row.text, rows[0].gamma) << row.figure;
        }
    EXPECT_EQ(stepped, 3);
    r.ClearSteps();

    // The sweep spans every band; the plot shades each, the harmonic apart
    // with its 20 dB line, and scales to the passbands alone.
    EXPECT_DOUBLE_EQ(shown.frequenciesHz.front(), 0.44e9);
    EXPECT_DOUBLE_EQ(shown.frequenciesHz.back(), 5.6e9);
    const PlotData &plot = r.plot().data();
    ASSERT_EQ(plot.bands.size(), 3u);
    EXPECT_FALSE(plot.bands[1].reject);
    EXPECT_TRUE(plot.bands[2].reject);
    EXPECT_DOUBLE_EQ(*plot.bands[2].lineDb, 20);
    ASSERT_TRUE(plot.rippleGamma);
    EXPECT_DOUBLE_EQ(*plot.rippleGamma,
                     std::max(shown.bandFigures[0].worst, shown.bandFigures[1].worst));
    EXPECT_FALSE(plot.limitGamma) << "no closed-form limit over several bands";

    // File -> Export writes the candidate drawn, the command line's --pick 1.
    const std::filesystem::path exported = Here() / "two-bands.cir";
    w.tools().SetSavePathAsker([&](QWidget *, const session::ExportFormat &) {
        return QString::fromStdString(exported.string());
    });
    w.tools().UpdateActions();
    EXPECT_EQ(MessageFrom([&] { w.tools().exportAction(session::ExportKind::Spice)->trigger(); }),
              QStringLiteral("(no message)"));
    const CliRun picked = RunCli(dir.path(), {"--band", "0.88:0.92", "--band", "1.76:1.84",
                                              "--reject", "2.6:2.8@20dB", "--zhigh", "50", "--zlow",
                                              "10", "--pick", "1", "--spice", "two-bands.cir"});
    EXPECT_EQ(picked.exitCode, 6);
    EXPECT_EQ(ReadFile(exported),
              ReadFile(std::filesystem::path(dir.path().toStdString()) / "two-bands.cir"));

    // Empty boxes: the main window's design again, every figure as before.
    Enter(r, "reject", QString());
    Enter(r, "bands", QString());
    EXPECT_FALSE(r.settings().bands.several());
    EXPECT_FALSE(r.pickedRank());
    ASSERT_TRUE(r.design());
    EXPECT_EQ(r.design()->inputs.f1Text, "1");
    const std::vector<session::FigureRow> again = session::FigureRows(r.response());
    ASSERT_EQ(again.size(), designRows.size());
    for (std::size_t k = 0; k < again.size(); ++k)
        EXPECT_EQ(again[k].figure + again[k].gamma + again[k].text,
                  designRows[k].figure + designRows[k].gamma + designRows[k].text);
    EXPECT_TRUE(r.plot().data().bands.empty());
}

TEST_F(ResponseBands, ABadBandSaysWhyInTheBoxesWordsAndChangesNothing)
{
    MainWindow w;
    ResponseWindow &r = Open(w);
    const double gamma = r.response().analysis.selfCheck.full.gammaMax;
    struct Case
    {
        const char *bands, *reject, *says;
    };
    const Case cases[] = {
        {"0.88-0.92, 1.76:1.84", "", "Bands: \"0.88-0.92\" is not a band"},
        {"0.88:0.92", "2.6:2.8", "Reject: \"2.6:2.8\" needs the attenuation"},
        {"0.88:0.92, 0.9:1.0", "", "Bands: 0.9:1.0 overlaps or touches Bands 0.88:0.92"},
        {"0.92:0.88, 1.76:1.84", "", "Bands: \"0.92:0.88\": the lower edge comes first"},
        {"0.88:0.92", "", "Bands: one band without a limit or a weight is the main window's"},
        {"0.88:0.92@w0", "", "Bands: \"0.88:0.92@w0\": a weight is a number above 0"},
    };
    for (const Case &c : cases) {
        Enter(r, "reject", QString::fromLatin1(c.reject));
        Enter(r, "bands", QString::fromLatin1(c.bands));
        EXPECT_TRUE(r.bandsProblem().startsWith(QString::fromUtf8(c.says)))
            << c.bands << " | " << r.bandsProblem().toStdString();
        EXPECT_FALSE(r.settings().bands.several()) << c.bands;
        EXPECT_FALSE(r.candidatesRunning()) << c.bands;
        EXPECT_EQ(r.response().analysis.selfCheck.full.gammaMax, gamma) << c.bands;
        // The text being mended stays in its box.
        EXPECT_EQ(r.findChild<QLineEdit *>(QStringLiteral("bands"))->text(),
                  QString::fromLatin1(c.bands));
    }
    // One band with a limit is a goal of its own; mended, the message goes.
    Enter(r, "reject", QString());
    Enter(r, "bands", QStringLiteral("0.88:0.92@-15dB"));
    EXPECT_TRUE(r.bandsProblem().isEmpty()) << r.bandsProblem().toStdString();
    EXPECT_TRUE(r.settings().bands.several());
}

// Chip inductors resonating at 12.7 GHz / sqrt(L in nH) (0.3 pF across):
// the margin above 0.5 GHz caps the values the candidates may take, in the
// window as on the command line.
TEST_F(ResponseBands, TheSrfMarginBoxCapsTheChipModelsAsTheCommandLinesMargin)
{
    MainWindow w;
    Type(w, "F1_text", QStringLiteral("0.4"));
    Type(w, "F2_text", QStringLiteral("0.5"));
    Type(w, "Zhigh_text", QStringLiteral("50"));
    Type(w, "Zlow_text", QStringLiteral("5"));
    Click(w, "N4");
    Click(w, "Calc_BP");
    w.tools().action(Command::Response)->trigger();
    ResponseWindow &r = *w.tools().responseWindow();
    auto *margin = r.findChild<QDoubleSpinBox *>(QStringLiteral("srfMargin"));
    ASSERT_NE(margin, nullptr);
    EXPECT_EQ(margin->value(), 25) << "the command line's default";
    EXPECT_EQ(margin->maximum(), 1000);
    r.findChild<QComboBox *>(QStringLiteral("partSource"))->setCurrentIndex(1);
    Enter(r, "inductorModel", QStringLiteral("55@1.5GHz,0.3pF"));
    margin->setValue(0);
    EXPECT_EQ(w.tools().settings().srfMarginPercent, 0) << "the exports follow it";

    const auto expectCli = [&](const char *percent) {
        QTemporaryDir dir;
        const CliRun cli =
            RunCli(dir.path(),
                   {"--f1", "0.4", "--f2", "0.5", "--zhigh", "50", "--zlow", "5", "--candidates",
                    "--l-model", "55@1.5GHz,0.3pF", "--srf-margin", percent, "--json"});
        ASSERT_EQ(cli.exitCode, 0) << percent;
        const auto document = nlohmann::json::parse(cli.standardOutput);
        const auto &expected = document.at("candidates");
        ASSERT_TRUE(r.candidates());
        const auto &found = r.candidates()->candidates;
        ASSERT_EQ(found.size(), expected.size()) << percent;
        for (std::size_t k = 0; k < found.size(); ++k)
            EXPECT_EQ(found[k].tuned.gammaMax, expected[k].at("gammaMax").get<double>())
                << percent << " candidate " << k + 1;
    };
    r.FindCandidates();
    WaitForCandidates(r);
    expectCli("0");
    const double third = r.candidates()->candidates.at(2).tuned.gammaMax;
    // Found again at once with the parts' new limit.
    margin->setValue(25);
    WaitForCandidates(r);
    expectCli("25");
    EXPECT_NE(r.candidates()->candidates.at(2).tuned.gammaMax, third)
        << "the margin holds a part back";
}

// The in-band scales read the passbands alone: a deep notch between two
// bands, or in a band to reject, does not stretch the return-loss axis, and
// the VSWR axis reaches the worst passband.
TEST(ResponseBandsPlot, TheInBandScalesFollowThePassbandsAlone)
{
    PlotData data;
    PlotSeries curve;
    for (int k = 0; k <= 400; ++k) {
        const double ghz = 0.5 * std::pow(10.0, k / 400.0); // 0.5 to 5 GHz
        data.frequencyGhz.push_back(ghz);
        const bool notch = ghz > 1.2 && ghz < 1.4;     // between the bands
        const bool upper = ghz >= 1.76 && ghz <= 1.84; // the worse passband
        const double rl = notch ? 80 : upper ? 15 : 30;
        curve.returnLossDb.push_back(rl);
        const double gamma = std::pow(10.0, -rl / 20);
        curve.vswr.push_back((1 + gamma) / (1 - gamma));
        curve.s21Db.push_back(0);
    }
    data.series.push_back(curve);
    data.bandLowGhz = 0.88;
    data.bandHighGhz = 1.84;
    data.bands = {{0.88, 0.92, false, std::nullopt},
                  {1.76, 1.84, false, std::nullopt},
                  {2.6, 2.8, true, 20.0}};
    ResponsePlot plot;
    plot.resize(640, 480);
    plot.SetData(data);
    EXPECT_EQ(plot.returnLossTopDb(), 35) << "30 dB, the better band, with room: not the notch";
    EXPECT_EQ(plot.vswrTop(), 3.0) << "VSWR 1.43 in the upper band, 2.5 times its excess";

    data.bands.clear(); // one band from 0.88 to 1.84 GHz: the notch lies in it
    plot.SetData(data);
    EXPECT_EQ(plot.returnLossTopDb(), 60);
}

} // namespace
} // namespace tevmar::test
