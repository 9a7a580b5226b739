// Parts and networks: what each part model answers (immittance, value moves,
// range, SPICE text), and the cascade over a grid against the same cascade
// one frequency at a time and against a hand-written chain of impedances.

#include "analysis/model/designed_network.h"
#include "analysis/model/eseries.h"
#include "analysis/figures/monte_carlo.h"
#include "analysis/figures/sweep.h"
#include "analysis_fixture.h"

#include <cmath>
#include <cstring>
#include <gtest/gtest.h>
#include <numbers>

namespace tevmar::analysis {
namespace {

using units::Frequency;

TEST(Part, ImmittanceOfEachPlaceAndModelByHand)
{
    // At 1 GHz, w = 6.2832e9: 10 nH is j62.832 ohms, 2 pF is j0.012566 S.
    const double w = Frequency::FromGHz(1).omega();
    const Part ls{ElementKind::SeriesInductor, 10, "LS="};
    const Part lp{ElementKind::ShuntInductor, 10, "LP="};
    const Part cs{ElementKind::SeriesCapacitor, 2, "CS="};
    const Part cp{ElementKind::ShuntCapacitor, 2, "CP="};
    EXPECT_NEAR(ls.ImmittanceAt(w).imag(), 62.832, 1e-3);
    EXPECT_NEAR(lp.ImmittanceAt(w).imag(), -1 / 62.832, 1e-7);
    EXPECT_NEAR(cs.ImmittanceAt(w).imag(), -1 / 0.012566, 1e-2);
    EXPECT_NEAR(cp.ImmittanceAt(w).imag(), 0.012566, 1e-6);
    for (const Part &p : {ls, lp, cs, cp}) {
        EXPECT_TRUE(p.lossless());
        EXPECT_EQ(p.ImmittanceAt(w).real(), 0.0);
    }

    // Q 50 at a 1 GHz centre: the inductor's loss is 62.832 / 50 = 1.2566
    // ohms in series, at 2 GHz still (centre) or doubled (constant); the
    // capacitor's 0.012566 / 50 S across it.
    const Frequency centre = Frequency::FromGHz(1);
    const Part lsQ = ls.WithQ(50, std::nullopt, QModel::Centre, centre);
    EXPECT_NEAR(lsQ.ImmittanceAt(2 * w).real(), 1.2566, 1e-4);
    EXPECT_NEAR(ls.WithQ(50, {}, QModel::Constant, centre).ImmittanceAt(2 * w).real(), 2.5133,
                1e-4);
    EXPECT_NEAR(cp.WithQ({}, 50, QModel::Centre, centre).ImmittanceAt(w).real(), 0.012566 / 50,
                1e-8);
    // A Q given for the other kind leaves the part ideal.
    EXPECT_TRUE(cp.WithQ(50, {}, QModel::Centre, centre).lossless());
    EXPECT_FALSE(lsQ.lossless());
    EXPECT_TRUE(lsQ.WithQ({}, {}, QModel::Centre, centre).lossless());
}

TEST(Part, ValuesMoveAsTrialsTunersAndSeriesMoveThem)
{
    const Part cs{ElementKind::SeriesCapacitor, 2.3, "CS="};
    EXPECT_DOUBLE_EQ(cs.Scaled(1.1).value, 2.53);
    EXPECT_EQ(cs.Scaled(1.1).label, "CS=");
    EXPECT_EQ(cs.WithValue(4.7).value, 4.7);
    EXPECT_EQ(cs.Snapped(ESeries::E12).value, 2.2);
    const Part lp{ElementKind::ShuntInductor, 0.7, "LP="};
    EXPECT_EQ(lp.Snapped(ESeries::E24).value, 0.68);
    // The finite Q travels with the part through every move.
    const Part lossy = cs.WithQ({}, 40, QModel::Constant, Frequency::FromGHz(2));
    EXPECT_EQ(lossy.Snapped(ESeries::E12).model, lossy.model);
    EXPECT_EQ(lossy.Scaled(0.9).model, lossy.model);

    const PartRanges ranges{0.5, 20, 0.3, 50};
    EXPECT_EQ(cs.RangeIn(ranges), std::pair(0.3, 50.0));
    EXPECT_EQ(lp.RangeIn(ranges), std::pair(0.5, 20.0));

    EXPECT_EQ(cs.SpiceValue(), "2.3p");
    EXPECT_EQ(lp.WithValue(12.5).SpiceValue(), "12.5n");
    EXPECT_TRUE(lp.WithValue(0.09).belowChipRange());
    EXPECT_FALSE(cs.belowChipRange());
}

TEST(Part, WithImmittanceGivesThePartOfThatReactanceOrSusceptance)
{
    const double w = Frequency::FromGHz(2).omega();
    // +50 ohms in series: an inductor of 50 / w = 3.9789 nH; -50 ohms a
    // capacitor of 1 / (50 w) = 1.5915 pF; +0.02 S across: a capacitor of
    // 0.02 / w = 1.5915 pF; -0.02 S an inductor of 1 / (0.02 w) = 3.9789 nH.
    const Part a = Part::WithImmittance(true, 50, w);
    const Part b = Part::WithImmittance(true, -50, w);
    const Part c = Part::WithImmittance(false, 0.02, w);
    const Part d = Part::WithImmittance(false, -0.02, w);
    EXPECT_EQ(a.kind, ElementKind::SeriesInductor);
    EXPECT_EQ(b.kind, ElementKind::SeriesCapacitor);
    EXPECT_EQ(c.kind, ElementKind::ShuntCapacitor);
    EXPECT_EQ(d.kind, ElementKind::ShuntInductor);
    EXPECT_NEAR(a.value, 3.9789, 1e-4);
    EXPECT_NEAR(b.value, 1.5915, 1e-4);
    EXPECT_NEAR(c.value, 1.5915, 1e-4);
    EXPECT_NEAR(d.value, 3.9789, 1e-4);
    EXPECT_NEAR(a.ReactanceAt(w), 50, 1e-9);
    EXPECT_NEAR(b.ReactanceAt(w), -50, 1e-9);
    EXPECT_NEAR(c.SusceptanceAt(w), 0.02, 1e-12);
    EXPECT_NEAR(d.SusceptanceAt(w), -0.02, 1e-12);
}

// |S11| of a ladder by walking impedances from the load back to the source:
// no ABCD matrices, an independent check of the cascade.
double HandReflection(const Network &network, double hz)
{
    const double w = 2 * std::numbers::pi * hz;
    std::complex<double> z = network.port2Ohms;
    std::vector<Part> chain = network.parts;
    if (network.load)
        chain.insert(network.load->port() == 1 ? chain.begin() : chain.end(),
                     network.load->element);
    for (auto part = chain.rbegin(); part != chain.rend(); ++part) {
        const std::complex<double> own = part->inductor()
                                             ? std::complex<double>(0, w * part->si())
                                             : 1.0 / std::complex<double>(0, w * part->si());
        z = part->shunt() ? 1.0 / (1.0 / z + 1.0 / own) : z + own;
    }
    return std::abs((z - network.port1Ohms) / (z + network.port1Ohms));
}

TEST(Network, GridCascadeIsThePointCascadeToTheLastBitAndMatchesTheHandChain)
{
    for (const DesignCase &c : kDesigns) {
        const Design d = RunDesign(c);
        if (!d.result.solved)
            continue;
        const Network full = DesignedNetworkOf(d.result).full;
        const Band band = BandOf(d.result.band);
        // The sweep, and points so far out of band that |S11| is 1 to the
        // last bit and 1 - |S11|^2 reaches its floor.
        std::vector<double> f = SweepFrequencies(DefaultSweep(band));
        f.insert(f.end(), {1.0, 1e3, 1e15, 1e18});
        const LossModel q{40, 90, band.centreHz, QModel::Constant};
        // Measured data at the high-impedance port with a measured source at
        // the other: the cascade then runs from port 2 to port 1.
        auto load = std::make_shared<MeasuredLoad>();
        load->frequenciesHz = {band.lowHz, band.highHz};
        load->impedanceOhms = {{0.9 * full.port1Ohms, 5}, {1.1 * full.port1Ohms, -8}};
        load->port = 1;
        auto source = std::make_shared<MeasuredLoad>(*load);
        source->impedanceOhms = {{full.port2Ohms, 1}, {full.port2Ohms, 2}};
        load->source = source;
        Network measured = full;
        measured.measured = load;
        for (const Network &n : {full, WithLosses(full, q), measured}) {
            const std::vector<SweepPoint> grid = EvaluateOver(n, f);
            const std::vector<double> delay = GroupDelayOver(n, f);
            std::vector<double> gamma(f.size());
            ReflectionOver(n, f, gamma);
            for (std::size_t k = 0; k < f.size(); ++k) {
                const SweepPoint one = Evaluate(n, f[k]);
                const SweepPoint &g = grid[k];
                const auto same = [](double a, double b) {
                    return std::memcmp(&a, &b, sizeof a) == 0; // the sign of a zero too
                };
                const double gridFigures[] = {g.frequencyHz,    g.s.s11.real(),    g.s.s11.imag(),
                                              g.s.s21.real(),   g.s.s21.imag(),    g.s.s12.real(),
                                              g.s.s12.imag(),   g.s.s22.real(),    g.s.s22.imag(),
                                              g.s11Db,          g.returnLossDb,    g.vswr,
                                              g.mismatchLossDb, g.insertionLossDb, g.s21PhaseDeg,
                                              gamma[k],         delay[k]};
                const double pointFigures[] = {
                    one.frequencyHz,           one.s.s11.real(),
                    one.s.s11.imag(),          one.s.s21.real(),
                    one.s.s21.imag(),          one.s.s12.real(),
                    one.s.s12.imag(),          one.s.s22.real(),
                    one.s.s22.imag(),          one.s11Db,
                    one.returnLossDb,          one.vswr,
                    one.mismatchLossDb,        one.insertionLossDb,
                    one.s21PhaseDeg,           ReflectionMagnitude(n, f[k]),
                    GroupDelaySeconds(n, f[k])};
                for (std::size_t i = 0; i < std::size(gridFigures); ++i)
                    EXPECT_TRUE(same(gridFigures[i], pointFigures[i]))
                        << c.name << " " << f[k] << " Hz, figure " << i << ": " << gridFigures[i]
                        << " against " << pointFigures[i];
            }
        }
        for (std::size_t k = 0; k < f.size(); k += 13)
            EXPECT_NEAR(ReflectionMagnitude(full, f[k]), HandReflection(full, f[k]), 1e-9)
                << c.name << " " << f[k];
    }
}

TEST(Network, WithLossesGivesThePartsTheirQAndLeavesTheLoadIdeal)
{
    const Design d = RunDesign(kDesigns[2]); // absorbs a series load
    const Network full = DesignedNetworkOf(d.result).full;
    ASSERT_TRUE(full.load);
    const Network lossy = WithLosses(full, LossModel{30, std::nullopt, 1e9, QModel::Centre});
    for (std::size_t i = 0; i < lossy.parts.size(); ++i)
        EXPECT_EQ(lossy.parts[i].lossless(), !full.parts[i].inductor()) << i;
    EXPECT_TRUE(lossy.load->element.lossless());
    // Lossy parts take power: |S21|^2 + |S11|^2 falls below 1 at the centre.
    const SweepPoint p = Evaluate(lossy, BandOf(d.result.band).centreHz);
    EXPECT_LT(std::norm(p.s.s11) + std::norm(p.s.s21), 0.999);
}

} // namespace
} // namespace tevmar::analysis
