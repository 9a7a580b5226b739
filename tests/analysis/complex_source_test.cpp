// A network between a measured source and a measured load: its figures against
// a cascade worked out here node by node, the tuner's gradient against finite
// differences.

#include "analysis/model/network_gradient.h"
#include "analysis/model/two_port.h"

#include <cmath>
#include <complex>
#include <gtest/gtest.h>
#include <memory>
#include <numbers>

namespace tevmar::analysis {
namespace {

// Impedance data on a coarse grid, so that most frequencies fall between points.
std::shared_ptr<MeasuredLoad> Data(Complex (*z)(double), int port)
{
    auto data = std::make_shared<MeasuredLoad>();
    for (double f = 1.8e9; f <= 3.2e9; f += 0.2e9) {
        data->frequenciesHz.push_back(f);
        data->impedanceOhms.push_back(z(f));
    }
    data->port = port;
    return data;
}

Complex PaOutput(double f)
{
    return {8, 2 * std::numbers::pi * f * 0.5e-9};
}
Complex Antenna(double f)
{
    return {20 + 1e-9 * f, 2 * std::numbers::pi * f * 1.2e-9 - 5};
}

// The data between its points, as the engineer would draw it by hand.
Complex Between(const MeasuredLoad &m, double f)
{
    std::size_t i = 1;
    while (m.frequenciesHz[i] < f)
        ++i;
    const double t = (f - m.frequenciesHz[i - 1]) / (m.frequenciesHz[i] - m.frequenciesHz[i - 1]);
    return m.impedanceOhms[i - 1] + t * (m.impedanceOhms[i] - m.impedanceOhms[i - 1]);
}

Network FourParts()
{
    Network ladder{36, 8, {}};
    ladder.parts = {{ElementKind::SeriesCapacitor, 3.1, "CS="},
                    {ElementKind::ShuntCapacitor, 3.3, "CP="},
                    {ElementKind::SeriesInductor, 0.7, "LS="},
                    {ElementKind::ShuntInductor, 4.0, "LP="}};
    return ladder;
}

// The impedance seen into the parts from one port, the other port terminated in z:
// the parts are met from the far end inwards.
Complex LookInto(const Network &ladder, bool fromPort1, Complex z, double f)
{
    const double w = 2 * std::numbers::pi * f;
    const std::size_t n = ladder.parts.size();
    for (std::size_t k = 0; k < n; ++k) {
        const Part &e = ladder.parts[fromPort1 ? n - 1 - k : k];
        const Complex x = e.inductor() ? Complex{0, w * e.si()} : Complex{0, -1 / (w * e.si())};
        z = e.shunt() ? z * x / (z + x) : z + x;
    }
    return z;
}

TEST(ComplexSource, FiguresAndGradientMatchAHandCascadeBetweenTheTwoDataSets)
{
    for (const int loadPort : {2, 1}) {
        Network ladder = FourParts();
        auto load = Data(Antenna, loadPort);
        load->source = Data(PaOutput, 3 - loadPort);
        ladder.measured = load;
        for (const double f : {2.3e9, 2.45e9, 2.61e9}) {
            const Complex zs = Between(*load->source, f);
            const Complex zl = Between(*load, f);
            // Into the network from the source, and back into it from the load.
            const Complex zin = LookInto(ladder, loadPort == 2, zl, f);
            const Complex zout = LookInto(ladder, loadPort == 1, zs, f);
            const Complex gammaIn = (zin - std::conj(zs)) / (zin + zs);
            const Complex gammaOut = (zout - std::conj(zl)) / (zout + zl);
            // A lossless network passes what it takes: G_T = P_in / P_available.
            const double delivered = std::norm(1.0 / (zs + zin)) * zin.real();
            const double transducerGain = delivered * 4 * zs.real();

            const SweepPoint p = Evaluate(ladder, f);
            EXPECT_NEAR(std::abs(p.s.s11), std::abs(gammaIn), 1e-12) << loadPort << " " << f;
            EXPECT_NEAR(std::abs(p.s.s22), std::abs(gammaOut), 1e-12);
            EXPECT_NEAR(std::norm(p.s.s21), transducerGain, 1e-12);
            EXPECT_NEAR(std::sqrt(1 - transducerGain), std::abs(gammaIn), 1e-9);
            EXPECT_NEAR(p.vswr, (1 + std::abs(gammaIn)) / (1 - std::abs(gammaIn)), 1e-9);
            EXPECT_NEAR(ReflectionMagnitude(ladder, f), std::abs(gammaIn), 1e-12);

            // The tuner's gradient of |S11|^2 by ln(value), against finite differences.
            std::vector<double> gradient(ladder.parts.size());
            EXPECT_NEAR(ReflectedPower(ladder, f, gradient), std::norm(gammaIn), 1e-12);
            for (std::size_t i = 0; i < ladder.parts.size(); ++i) {
                Network up = ladder, down = ladder;
                up.parts[i].value *= std::exp(1e-6);
                down.parts[i].value *= std::exp(-1e-6);
                const double numeric = (ReflectedPower(up, f) - ReflectedPower(down, f)) / 2e-6;
                EXPECT_NEAR(gradient[i], numeric, 1e-6 * std::abs(numeric) + 1e-9) << i;
            }
        }
    }
}

} // namespace
} // namespace tevmar::analysis
