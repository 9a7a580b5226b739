// Fitting a measured load as one of the four absorbable kinds, and the
// figures of a network terminated in measured data: data made from a kind
// give back its values, data that are exactly a design's load model give the
// model's figures, and the tuner's gradient into the data is the true one.

#include "analysis/figures/bode_fano.h"
#include "analysis/figures/network_analysis.h"
#include "analysis/model/network_gradient.h"
#include "analysis/search/load_fit.h"
#include "analysis_fixture.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <numbers>

namespace tevmar::analysis {
namespace {

using Complex = std::complex<double>;

Complex ModelImpedance(LoadType type, double ohms, double value, double frequencyHz)
{
    const double omega = 2 * std::numbers::pi * frequencyHz;
    const Complex reactance = IsInductiveLoad(type) ? Complex(0, omega * value * 1e-9)
                                                    : Complex(0, -1 / (omega * value * 1e-12));
    return IsSeriesLoad(type) ? ohms + reactance : 1.0 / (1.0 / ohms + 1.0 / reactance);
}

// Evenly spaced points from lowHz to highHz of any impedance.
template <typename Impedance>
OnePortData Measure(double lowHz, double highHz, int points, Impedance impedance)
{
    OnePortData data;
    for (int i = 0; i < points; ++i) {
        const double f = lowHz + (highHz - lowHz) * i / (points - 1);
        data.frequenciesHz.push_back(f);
        data.impedanceOhms.push_back(impedance(f));
    }
    return data;
}

// A resonance, series or across, is recovered from its own data, and its
// Bode-Fano limit is the tighter of its two elements' bounds: through the
// inductor, exp(-pi R / (L dw)) in series; through the capacitor,
// exp(-pi / (R C dw)) across.
TEST(ResonanceFit, RecoversSeriesAndShuntRlcAndBoundsTheMatchByTheTighterElement)
{
    const double r = 15, l = 8e-9, c = 5e-12;
    for (const bool series : {true, false}) {
        const double ohms = series ? r : 400;
        const OnePortData data = Measure(0.8e9, 0.96e9, 17, [&](double hz) {
            const double w = 2 * std::numbers::pi * hz;
            if (series)
                return ohms + Complex{0, w * l - 1 / (w * c)};
            return 1.0 / (1.0 / ohms + Complex{0, w * c - 1 / (w * l)});
        });
        const std::optional<ResonantModel> fit = FitResonance(PointsInBand(data, 0.8e9, 0.96e9));
        ASSERT_TRUE(fit) << series;
        EXPECT_EQ(fit->series, series);
        EXPECT_NEAR(fit->ohms, ohms, 1e-9 * ohms);
        EXPECT_NEAR(fit->henries, l, 1e-9 * l);
        EXPECT_NEAR(fit->farads, c, 1e-9 * c);
        EXPECT_LT(fit->rmsRelativeError, 1e-9);

        const Band band{0.8e9, 0.96e9, std::sqrt(0.8e9 * 0.96e9)};
        const double dw = 2 * std::numbers::pi * 0.16e9;
        const double w1 = 2 * std::numbers::pi * 0.8e9, w2 = 2 * std::numbers::pi * 0.96e9;
        const double viaL = series ? std::numbers::pi * ohms / (l * dw)
                                   : std::numbers::pi * l / (ohms * (1 / w1 - 1 / w2));
        const double viaC = series ? std::numbers::pi * ohms * c / (1 / w1 - 1 / w2)
                                   : std::numbers::pi / (ohms * c * dw);
        const double limit = ResonanceGammaLimit(*fit, band);
        EXPECT_NEAR(limit, std::exp(-std::min(viaL, viaC)), 1e-6 * limit) << series;
        EXPECT_GT(limit, 0);
        EXPECT_LT(limit, 1);
    }
    // A plain series RL leaves no capacitance to fit.
    const OnePortData rl = Measure(1e9, 2e9, 11, [](double hz) {
        return Complex{10, 2 * std::numbers::pi * hz * 2e-9};
    });
    const std::optional<ResonantModel> none = FitResonance(PointsInBand(rl, 1e9, 2e9));
    EXPECT_TRUE(!none || none->rmsRelativeError > 1e-3 || none->farads > 1e-6);
}

struct KindCase
{
    const char *name;
    LoadType type;
    double ohms, value; // nH or pF
};

const KindCase kKinds[] = {
    {"SeriesRL", LoadType::SeriesRL, 12.5, 2.2},
    {"SeriesRC", LoadType::SeriesRC, 7, 3.3},
    {"ShuntRL", LoadType::ShuntRL, 220, 15},
    {"ShuntRC", LoadType::ShuntRC, 150, 0.8},
};

class FitOfKind : public testing::TestWithParam<KindCase>
{
};

TEST_P(FitOfKind, RecoversTheValuesItWasMadeFromAndRanksItFirst)
{
    const KindCase &k = GetParam();
    const OnePortData data = Measure(
        0.8e9, 3.2e9, 41, [&](double f) { return ModelImpedance(k.type, k.ohms, k.value, f); });
    const std::vector<LoadFit> fits = FitAllLoads(PointsInBand(data, 2e9, 1e9));
    const LoadFit &fit = fits[static_cast<std::size_t>(k.type)];
    ASSERT_TRUE(fit.valid);
    EXPECT_NEAR(fit.resistanceOhms, k.ohms, k.ohms * 1e-6);
    EXPECT_NEAR(fit.reactiveValue, k.value, k.value * 1e-6);
    EXPECT_LT(fit.rmsRelativeError, 1e-9);
    // With a source on the right side of it, the best fit is its own kind.
    const double sourceOhms = IsSeriesLoad(k.type) ? 50 : 100;
    const std::optional<LoadFit> best = ChooseFit(fits, sourceOhms);
    ASSERT_TRUE(best);
    EXPECT_EQ(best->type, k.type);
}

INSTANTIATE_TEST_SUITE_P(Kinds, FitOfKind, testing::ValuesIn(kKinds),
                         [](const auto &info) { return std::string(info.param.name); });

TEST(ChooseFit, PicksTheKindThatFitsAParasiticLoadOnTheRightSideOfTheSource)
{
    // A chip antenna: 18 ohms with 1.2 nH, and 0.2 pF across its pads. Both
    // inductive kinds fit, the series one far better; the shunt one's 37
    // ohms could not stand at the high-impedance port against 50 ohms anyway.
    const OnePortData antenna = Measure(2e9, 3e9, 101, [](double f) {
        const Complex pads = ModelImpedance(LoadType::ShuntRC, 1e12, 0.2, f);
        const Complex chip = ModelImpedance(LoadType::SeriesRL, 18, 1.2, f);
        return 1.0 / (1.0 / pads + 1.0 / chip);
    });
    const std::vector<LoadFit> fits = FitAllLoads(PointsInBand(antenna, 2.3e9, 2.6e9));
    EXPECT_FALSE(fits[1].valid); // no capacitive kind fits an inductive load
    EXPECT_FALSE(fits[3].valid);
    EXPECT_NE(FitProblem(fits[2], 50).find("not above the source's 50 ohms"), std::string::npos);
    const std::optional<LoadFit> best = ChooseFit(fits, 50);
    ASSERT_TRUE(best);
    EXPECT_EQ(best->type, LoadType::SeriesRL);
    EXPECT_NEAR(best->resistanceOhms, 20.17, 0.005);
    EXPECT_NEAR(best->reactiveValue, 1.196, 0.0005);
    EXPECT_NEAR(best->rmsRelativeError, 0.0068, 0.0001);

    // A 10 ohm source leaves only the shunt kind; a series kind cannot be forced then.
    EXPECT_EQ(ChooseFit(fits, 10)->type, LoadType::ShuntRL);
    EXPECT_FALSE(ChooseFit(fits, 10, LoadType::SeriesRL));
    EXPECT_FALSE(ChooseFit(fits, 50, LoadType::SeriesRC));
}

// The model's load as measured data at its port, on a grid fine enough that
// linear interpolation is exact to 1e-10.
std::shared_ptr<const MeasuredLoad> MeasuredModel(const Design &d)
{
    const Band band = BandOf(d.result.band);
    const LoadType type = d.inputs.loadType;
    const double ohms = IsSeriesLoad(type) ? d.result.zlowOhms : d.result.zhighOhms;
    const OnePortData data = Measure(0.9 * band.lowHz, 1.1 * band.highHz, 20001, [&](double f) {
        return ModelImpedance(type, ohms, d.result.absorbedValue, f);
    });
    auto load = std::make_shared<MeasuredLoad>();
    load->frequenciesHz = data.frequenciesHz;
    load->impedanceOhms = data.impedanceOhms;
    load->port = IsSeriesLoad(type) ? 2 : 1;
    return load;
}

class IntoExactModel : public testing::TestWithParam<DesignCase>
{
};

TEST_P(IntoExactModel, EveryFigureIsTheModels)
{
    const Design d = RunDesign(GetParam());
    ASSERT_TRUE(d.result.solved);
    AnalysisOptions options;
    options.eseries = ESeries::E24;
    options.built.inductorQ = 40;
    options.built.capacitorQ = 200;
    options.monteCarlo = YieldOptions{};
    options.monteCarlo->trials = 20;
    const NetworkAnalysis model = AnalyseDesign(DesignedNetworkOf(d.result), options);
    options.measuredLoad = MeasuredModel(d);
    const NetworkAnalysis measured = AnalyseDesign(DesignedNetworkOf(d.result), options);

    constexpr double kTolerance = 1e-9;
    EXPECT_TRUE(measured.selfCheck.measuredLoad);
    for (const auto member : {&SelfCheck::full, &SelfCheck::printed}) {
        EXPECT_NEAR((measured.selfCheck.*member).gammaMax, (model.selfCheck.*member).gammaMax,
                    kTolerance);
        EXPECT_NEAR((measured.selfCheck.*member).gammaMin, (model.selfCheck.*member).gammaMin,
                    kTolerance);
    }
    EXPECT_NEAR(measured.standardValues->figures.gammaMax, model.standardValues->figures.gammaMax,
                kTolerance);
    ASSERT_EQ(measured.sensitivity.size(), model.sensitivity.size());
    for (std::size_t i = 0; i < model.sensitivity.size(); ++i)
        EXPECT_NEAR(measured.sensitivity[i].gammaMaxChangePerPercent,
                    model.sensitivity[i].gammaMaxChangePerPercent, kTolerance);
    // Insertion loss is the same from either end, finite Q or not.
    EXPECT_NEAR(measured.finiteQ->maxInsertionLossDb, model.finiteQ->maxInsertionLossDb, 1e-8);
    EXPECT_NEAR(measured.finiteQ->centreInsertionLossDb, model.finiteQ->centreInsertionLossDb,
                1e-8);
    EXPECT_NEAR(measured.yield->worstVswr, model.yield->worstVswr, 1e-8);
    EXPECT_EQ(measured.bodeFano.gammaLimit, model.bodeFano.gammaLimit);
}

INSTANTIATE_TEST_SUITE_P(LoadTypes, IntoExactModel, testing::ValuesIn(kAbsorbingDesigns),
                         [](const auto &info) { return std::string(info.param.name); });

TEST(ReflectedPower, IntoMeasuredDataHasTheTrueGradientFromEitherPort)
{
    for (const DesignCase &c : {kAbsorbingDesigns[0], kAbsorbingDesigns[3]}) {
        const Design d = RunDesign(c);
        Network ladder = DesignedNetworkOf(d.result).full;
        // Data a little off the model, so that the match is not perfect anywhere.
        auto load = std::make_shared<MeasuredLoad>(*MeasuredModel(d));
        for (Complex &z : load->impedanceOhms)
            z *= Complex(1.05, 0.03);
        ladder.measured = load;
        const double f = BandOf(d.result.band).centreHz * 1.03;
        std::vector<double> gradient(ladder.parts.size());
        const double power = ReflectedPower(ladder, f, gradient);
        EXPECT_NEAR(power, std::pow(ReflectionMagnitude(ladder, f), 2), 1e-12) << c.name;
        for (std::size_t i = 0; i < ladder.parts.size(); ++i) {
            Network up = ladder, down = ladder;
            up.parts[i].value *= std::exp(1e-6);
            down.parts[i].value *= std::exp(-1e-6);
            const double numeric = (ReflectedPower(up, f) - ReflectedPower(down, f)) / 2e-6;
            EXPECT_NEAR(gradient[i], numeric, 1e-6 * (1 + std::abs(numeric))) << c.name << i;
        }
    }
}

} // namespace
} // namespace tevmar::analysis
