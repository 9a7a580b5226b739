// The Response window's Candidates tab: where the synthesis cannot absorb the
// load it opens on the candidates, draws the chosen one and exports it.

#include "session/views/candidates.h"
#include "ui/main_window.h"
#include "ui/response_window.h"
#include "ui/result_tools.h"
#include "ui_test_support.h"

#include <QHeaderView>
#include <QTableWidget>
#include <QTest>
#include <sstream>

namespace tevmar::test {
namespace {

using session::ExportKind;

class CandidatesTab : public InScratchDirectory
{
  protected:
    static void WaitForCandidates(const ResponseWindow &r)
    {
        for (int i = 0; i < 4000 && r.candidatesRunning(); ++i)
            QTest::qWait(5);
        QTest::qWait(20); // the progress updates queued before the result
    }

    // The SPICE file's value of the part `name` ("L1") as the window exports it.
    double ExportedValue(MainWindow &w, const std::string &name)
    {
        const std::filesystem::path path = Here() / "picked.cir";
        w.tools().SetSavePathAsker([&](QWidget *, const session::ExportFormat &) {
            return QString::fromStdString(path.string());
        });
        w.tools().UpdateActions(); // as opening the File menu does
        EXPECT_EQ(MessageFrom([&] { w.tools().exportAction(ExportKind::Spice)->trigger(); }),
                  QStringLiteral("(no message)"));
        const std::string netlist = ReadFile(path);
        const std::size_t line = netlist.find("\n" + name + " ");
        if (line == std::string::npos)
            return 0;
        std::istringstream words(netlist.substr(line));
        std::string part, from, to, value;
        words >> part >> from >> to >> value;
        return std::stod(value);
    }
};

TEST_F(CandidatesTab, NoTextbookDesignOpensOnTheBestCandidateAndExportsTheChosenOne)
{
    MainWindow w;
    Type(w, "F1_text", QStringLiteral("1.8"));
    Type(w, "F2_text", QStringLiteral("2.2"));
    Type(w, "Zhigh_text", QStringLiteral("50"));
    Type(w, "Zlow_text", QStringLiteral("30"));
    Click(w, "SRL");
    Click(w, "LC_abs");
    Type(w, "LC_text", QStringLiteral("2"));
    Click(w, "Calc_BP");

    ResponseWindow *r = w.tools().responseWindow();
    ASSERT_NE(r, nullptr);
    EXPECT_TRUE(r->isVisible());
    WaitForCandidates(*r);
    ASSERT_TRUE(r->candidates());
    const auto &list = r->candidates()->candidates;
    ASSERT_GE(list.size(), 12u); // ladders that are smaller ones folded into those
    EXPECT_EQ(r->candidateTable().rowCount(), static_cast<int>(list.size()));
    // The best is drawn: every view follows the window's design.
    ASSERT_EQ(r->pickedRank(), 1);
    ASSERT_TRUE(r->design());
    ASSERT_TRUE(r->design()->network);
    EXPECT_DOUBLE_EQ(r->design()->network->gammaMax, list.front().tuned.gammaMax);
    // Its figures are its own: the Bode-Fano limit of the load it matches.
    ASSERT_TRUE(r->response().analysis.bodeFano.applicable);
    EXPECT_DOUBLE_EQ(r->response().analysis.bodeFano.gammaLimit, *r->candidates()->bodeFanoGamma);
    EXPECT_TRUE(r->response().problem.empty()) << r->response().problem;

    // Sorted by part count, the third candidate's row is found by its rank.
    r->candidateTable().sortItems(2);
    for (int row = 0; row < r->candidateTable().rowCount(); ++row)
        if (r->candidateTable().item(row, 0)->text() == QStringLiteral("3"))
            r->candidateTable().selectRow(row);
    ASSERT_EQ(r->pickedRank(), 3);
    const auto parts = analysis::SourceToLoad(list[2].tuned.network);
    EXPECT_NEAR(ExportedValue(w, parts.front().label) / parts.front().value, 1.0, 1e-9);
}

// A band edge typed with its unit designs for the number before it, and the
// candidates follow the same reading: the window offers them for the band
// the design was made for.
TEST_F(CandidatesTab, ABandEdgeTypedWithItsUnitOffersTheCandidates)
{
    MainWindow w;
    Type(w, "F1_text", QStringLiteral("1.8"));
    Type(w, "F2_text", QStringLiteral("2.2 GHz"));
    Type(w, "Zhigh_text", QStringLiteral("50"));
    Type(w, "Zlow_text", QStringLiteral("30"));
    Click(w, "SRL");
    Click(w, "LC_abs");
    Type(w, "LC_text", QStringLiteral("2"));
    Click(w, "Calc_BP");

    ResponseWindow *r = w.tools().responseWindow();
    ASSERT_NE(r, nullptr) << "no candidates offered for F2 typed as \"2.2 GHz\"";
    EXPECT_TRUE(r->isVisible());
    WaitForCandidates(*r);
    ASSERT_TRUE(r->candidates());
    const auto &list = r->candidates()->candidates;
    ASSERT_GE(list.size(), 12u); // ladders that are smaller ones folded into those
    EXPECT_DOUBLE_EQ(list.front().problem.band.lowHz, 1.8e9);
    EXPECT_DOUBLE_EQ(list.front().problem.band.highHz, 2.2e9);
    ASSERT_EQ(r->pickedRank(), 1);
}

} // namespace
} // namespace tevmar::test
