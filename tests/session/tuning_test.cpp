// What the Response window gets from a tune run off its GUI thread: the tuned
// curves and figures in its response, the values table, the relaxed network
// where no design exists, and a tune dropped by its stop flag.

#include "format/analysis_text.h"
#include "session/run/tuning.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <numbers>

namespace tevmar::session {
namespace {

DesignInputs SeriesInputs(const char *f1, const char *f2, const char *zlow, LoadType load,
                          const char *value)
{
    DesignInputs inputs;
    inputs.f1Text = f1;
    inputs.f2Text = f2;
    inputs.zhighText = "50";
    inputs.zlowText = zlow;
    inputs.networkOrder = 8;
    inputs.loadType = load;
    inputs.absorb = true;
    inputs.absorbText = value;
    return inputs;
}

// The largest |S11| of a curve's points inside the band.
double InBandMax(const ResponseCurve &curve, double lowHz, double highHz)
{
    double worst = 0;
    for (const analysis::SweepPoint &p : curve.points)
        if (p.frequencyHz >= lowHz && p.frequencyHz <= highHz)
            worst = std::max(worst, std::abs(p.s.s11));
    return worst;
}

TEST(TuneForWindow, TunedCurvesFiguresAndValuesJoinTheWindowsResponse)
{
    // 2 to 3 GHz, 50 to 8 ohms, series RC absorbing 10 pF: |S11| 0.042 by design.
    const CalculateOutcome design =
        Calculate(SeriesInputs("2", "3", "8", LoadType::SeriesRC, "10"));
    ResponseSettings settings;
    settings.eseries = analysis::ESeries::E24;
    settings.sweepFollowsBand = false;
    settings.fromGhz = 2;
    settings.toGhz = 3;
    settings.points = 2001;
    settings.logarithmic = false;
    Response response = ComputeResponse(design, settings, Trials::Later);
    response.tunePending = true;
    EXPECT_EQ(FigureRows(response)[4].text, "tuning\u2026");

    const TunedResponse r = TuneForWindow(design, settings);
    ASSERT_EQ(r.problem, "");
    ASSERT_TRUE(r.figures);
    AddTuned(response, *r.tuned, &*r.figures);
    ASSERT_EQ(response.curves.size(), 5u); // full, printed, E24, tuned, tuned E24
    const ResponseCurve &tuned = response.curves[3];
    const ResponseCurve &standard = response.curves[4];
    EXPECT_EQ(tuned.name, "Tuned");
    EXPECT_EQ(standard.name, "Tuned, E24 values");
    EXPECT_EQ(tuned.points.size(), 2001u);
    // The curves are of the networks with the load, as the figures say.
    EXPECT_LE(InBandMax(tuned, 2e9, 3e9), r.tuned->tuned.gammaMax * 1.0001);
    EXPECT_GE(InBandMax(tuned, 2e9, 3e9), r.tuned->tuned.gammaMax * 0.99);
    EXPECT_LE(r.tuned->tuned.gammaMax, 0.008);
    EXPECT_LE(InBandMax(standard, 2e9, 3e9), r.tuned->standard->gammaMax * 1.0001);

    // The figures table has the tuned networks beside the design's.
    const std::vector<FigureRow> rows = FigureRows(response);
    EXPECT_EQ(rows[4].figure, "Tuned");
    EXPECT_EQ(rows[4].gamma, Figure(r.tuned->tuned.gammaMax, 4));
    EXPECT_EQ(rows[5].figure, "Tuned, E24 values");
    // The tuned network's own trials and sensitivity follow the design's.
    const auto tunedRow = [&rows](const std::string &figure) {
        return std::find_if(rows.begin(), rows.end(),
                            [&figure](const FigureRow &row) { return row.figure == figure; });
    };
    EXPECT_NE(tunedRow("Tuned: Most sensitive, per +1 %"), rows.end());
    ASSERT_NE(tunedRow("Tuned: VSWR 50/90/99 %"), rows.end());
    EXPECT_EQ(r.figures->yield->options.trials, settings.trials);

    // The copied values: the tune's lines, then one row per part with the
    // design's, tuned and E24 values; every standard value is on the series.
    const std::string text = TunedValuesText(r);
    EXPECT_NE(text.find(r.lines.front() + "\n"), std::string::npos);
    EXPECT_NE(text.find("\nPart\tDesign\tTuned\tTuned, E24 values\n"), std::string::npos);
    const std::vector<TunedValueRow> values = TunedValueRows(*r.tuned);
    ASSERT_EQ(values.size(), 7u); // the eighth element is the load's 10 pF, held
    // C1 would fall below 0.1 pF, the chip range's limit, and is held there.
    EXPECT_EQ(values[0].tuned, "0.100 pF (range limit)");
    EXPECT_NE(text.find("  At a range limit: C1 0.1 pF (lower limit)\n"), std::string::npos)
        << text;
    for (std::size_t i = 0; i < values.size(); ++i) {
        const analysis::Part &e = r.tuned->standard->network.parts[i];
        EXPECT_EQ(analysis::SnapToSeries(e.value, analysis::ESeries::E24), e.value) << i;
        EXPECT_NE(text.find(values[i].part + "\t" + values[i].design + "\t" + values[i].tuned +
                            "\t" + values[i].standard + "\n"),
                  std::string::npos)
            << i;
    }
}

TEST(TuneForWindow, PartsNearTheirResonanceLimitAreMarkedInTheValuesTable)
{
    // The chip antenna, 2.4 to 2.5 GHz, 50 to 20 ohms with 2.7 nH, on 0402
    // chip models and E24 values: the antenna wants a large shunt inductor,
    // which the margin holds at the value resonating 25 % above the band.
    const CalculateOutcome design =
        Calculate(SeriesInputs("2.4", "2.5", "20", LoadType::SeriesRL, "2.7"));
    ResponseSettings settings;
    settings.eseries = analysis::ESeries::E24;
    settings.inductorChip = analysis::ChipInductor{55, units::Frequency::FromGHz(1.5),
                                                   units::Capacitance::FromPicofarads(0.157)};
    settings.capacitorChip =
        analysis::ChipCapacitor{units::Inductance::FromNanohenries(0.45),
                                units::Resistance::FromOhms(0.12), units::Frequency::FromGHz(1)};
    const TunedResponse r = TuneForWindow(design, settings);
    ASSERT_EQ(r.problem, "");
    ASSERT_TRUE(r.tuned && r.tuned->standard);
    // Each part's mark, recomputed from its value and its model's parasitic:
    // near when it resonates below 1.1 x 1.25 x 2.5 GHz.
    const auto near = [](const analysis::Part &part) {
        const double parasitic = part.unit() == std::string("nH") ? 0.157e-12 : 0.45e-9;
        const double si = part.value * (part.unit() == std::string("nH") ? 1e-9 : 1e-12);
        return 1 / (2 * std::numbers::pi * std::sqrt(si * parasitic)) < 1.1 * 1.25 * 2.5e9;
    };
    const std::vector<TunedValueRow> rows = TunedValueRows(*r.tuned);
    bool any = false;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const bool tuned = near(r.tuned->tuned.network.parts[i]);
        const bool standard = near(r.tuned->standard->network.parts[i]);
        EXPECT_EQ(rows[i].tuned.ends_with(" (near resonance)"), tuned) << rows[i].tuned;
        EXPECT_EQ(rows[i].standard.ends_with(" (near resonance)"), standard) << rows[i].standard;
        any = any || tuned;
    }
    EXPECT_TRUE(any);
    // The tune's lines name them too.
    EXPECT_TRUE(std::ranges::any_of(
        r.lines, [](const std::string &l) { return l.starts_with("  Near resonance: L"); }));
}

TEST(TuneForWindow, RelaxedNetworkWhereNoDesignAbsorbsTheLoad)
{
    // 1 to 1.3 GHz, 50 to 12 ohms, series RL with 2.5 nH: out of range.
    const CalculateOutcome design =
        Calculate(SeriesInputs("1", "1.3", "12", LoadType::SeriesRL, "2.5"));
    ASSERT_FALSE(design.solved());
    const TunedResponse r = TuneForWindow(design, ResponseSettings{});
    ASSERT_EQ(r.problem, "");
    ASSERT_TRUE(r.tuned && r.tuned->relaxed);
    EXPECT_EQ(r.tuned->tuned.network.load->element.value, 2.5);
    EXPECT_LE(r.tuned->tuned.gammaMax, 0.040);

    // 50 to 49.999 ohms solves for no value of the load: nothing is tuned
    // without it.
    const TunedResponse none = TuneForWindow(
        Calculate(SeriesInputs("1", "3", "49.999", LoadType::SeriesRL, "1")), ResponseSettings{});
    EXPECT_FALSE(none.tuned);
    EXPECT_EQ(none.problem, "No design absorbs this load, nor any value of it with lower load "
                            "Q: there is no network to tune.");
}

TEST(TuneForWindow, ARaisedStopFlagDropsTheTune)
{
    const CalculateOutcome design =
        Calculate(SeriesInputs("2", "3", "8", LoadType::SeriesRC, "10"));
    const std::atomic<bool> stop{true};
    const TunedResponse r = TuneForWindow(design, ResponseSettings{}, &stop);
    EXPECT_TRUE(r.cancelled);
    EXPECT_FALSE(r.tuned);
    EXPECT_EQ(TunedValuesText(r), "");
}

} // namespace
} // namespace tevmar::session
