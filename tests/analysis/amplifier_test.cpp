// Designed amplifiers checked by an independent cascade: each network's
// parts multiplied out as ABCD matrices, the device's scattering matrix
// turned into one, the transducer gain read as |S21|^2 of the whole chain
// between the source and load resistances, and the textbook formulas for the
// gain and noise figure between the reflections the networks present.

#include "analysis/amplifier/amplifier.h"
#include "analysis/amplifier/amplifier_stabiliser.h"
#include "analysis/model/two_port.h"
#include "tests/common/silicon_bjt.h"

#include <algorithm>
#include <complex>
#include <gtest/gtest.h>
#include <numbers>

namespace tevmar::analysis {
namespace {

using Complex = std::complex<double>;

Complex Polar(double magnitude, double degrees)
{
    return std::polar(magnitude, degrees * std::numbers::pi / 180);
}

struct Matrix2
{
    Complex a{1}, b{0}, c{0}, d{1};
};

Matrix2 operator*(const Matrix2 &x, const Matrix2 &y)
{
    return {x.a * y.a + x.b * y.c, x.a * y.b + x.b * y.d, x.c * y.a + x.d * y.c,
            x.c * y.b + x.d * y.d};
}

// The parts in their listed order, each a series impedance or a shunt
// admittance.
Matrix2 PartsMatrix(const std::vector<Part> &parts, double hz)
{
    const double w = 2 * std::numbers::pi * hz;
    Matrix2 m;
    for (const Part &e : parts) {
        const double si = e.value * (e.inductor() ? 1e-9 : 1e-12);
        const Complex jw(0, w);
        switch (e.kind) {
        case ElementKind::SeriesInductor:
            m = m * Matrix2{1, jw * si, 0, 1};
            break;
        case ElementKind::SeriesCapacitor:
            m = m * Matrix2{1, 1.0 / (jw * si), 0, 1};
            break;
        case ElementKind::ShuntCapacitor:
            m = m * Matrix2{1, 0, jw * si, 1};
            break;
        case ElementKind::ShuntInductor:
            m = m * Matrix2{1, 0, 1.0 / (jw * si), 1};
            break;
        default:
            ADD_FAILURE() << "not a part";
        }
    }
    return m;
}

// The device as an ABCD matrix: its ports as voltage and current waves at z0.
Matrix2 DeviceMatrix(const TwoPortMatrix &s, double z0)
{
    // Through the impedance matrix, a route apart from the S-to-ABCD formula.
    const Complex den = (1.0 - s.s11) * (1.0 - s.s22) - s.s12 * s.s21;
    const Complex z11 = z0 * ((1.0 + s.s11) * (1.0 - s.s22) + s.s12 * s.s21) / den;
    const Complex z12 = z0 * 2.0 * s.s12 / den;
    const Complex z21 = z0 * 2.0 * s.s21 / den;
    const Complex z22 = z0 * ((1.0 - s.s11) * (1.0 + s.s22) + s.s12 * s.s21) / den;
    return {z11 / z21, (z11 * z22 - z12 * z21) / z21, 1.0 / z21, z22 / z21};
}

// The power in the load over the source's available power: with the chain's
// ABCD matrix, 4 Re Zs Re Zl / |A Zl + B + C Zs Zl + D Zs|^2.
double GtDbByCascade(const Amplifier &amp, const TwoPortMatrix &s, double z0, double hz, Complex zs,
                     Complex zl)
{
    const Matrix2 m =
        PartsMatrix(amp.input.parts, hz) * DeviceMatrix(s, z0) * PartsMatrix(amp.output.parts, hz);
    return 10 * std::log10(4 * zs.real() * zl.real() /
                           std::norm(m.a * zl + m.b + m.c * zs * zl + m.d * zs));
}

double TransducerGainDb(const TwoPortMatrix &s, Complex gs, Complex gl)
{
    return 10 *
           std::log10(std::norm(s.s21) * (1 - std::norm(gs)) * (1 - std::norm(gl)) /
                      std::norm((1.0 - s.s11 * gs) * (1.0 - s.s22 * gl) - s.s12 * s.s21 * gs * gl));
}

double NoiseFigureDb(const DeviceNoise &n, Complex gs, double z0)
{
    const double fMin = std::pow(10.0, n.nfMinDb / 10);
    return 10 * std::log10(fMin + 4 * n.rnOhms / z0 * std::norm(gs - n.gammaOpt) /
                                      ((1 - std::norm(gs)) * std::norm(1.0 + n.gammaOpt)));
}

// The reflection the input network shows the device with the source behind
// it, and the output network with the load behind it.
Complex SourceSeen(const Amplifier &amp, double hz, Complex rs, double z0)
{
    const Matrix2 m = PartsMatrix(amp.input.parts, hz);
    const Complex z = (m.d * rs + m.b) / (m.c * rs + m.a);
    return (z - z0) / (z + z0);
}
Complex LoadSeen(const Amplifier &amp, double hz, Complex rl, double z0)
{
    const Matrix2 m = PartsMatrix(amp.output.parts, hz);
    const Complex z = (m.a * rl + m.b) / (m.c * rl + m.d);
    return (z - z0) / (z + z0);
}

// A device file around `hz`: the matrix at the centre, its gain falling by
// 6 dB an octave and its phases turning with frequency elsewhere, and the
// noise parameters (if any) the same at every point.
TwoPortData DeviceAround(const TwoPortMatrix &s, double hz, std::optional<DeviceNoise> noise)
{
    TwoPortData data;
    for (const double ratio : {0.5, 0.75, 0.9, 0.99, 1.0, 1.01, 1.1, 1.25, 1.5}) {
        const double turn = -40 * (ratio - 1) * std::numbers::pi / 180;
        TwoPortMatrix m = s;
        m.s11 *= std::polar(1.0, turn);
        m.s22 *= std::polar(1.0, turn);
        m.s21 *= std::polar(1.0 / ratio, turn);
        m.s12 *= std::polar(ratio, turn);
        data.frequenciesHz.push_back(ratio * hz);
        data.s.push_back(m);
        if (noise)
            data.noise.push_back({ratio * hz, noise->nfMinDb, noise->gammaOpt, noise->rnOhms});
    }
    return data;
}

// Every claimed figure against the cascade and the formulas.
void CheckClaims(const Amplifier &amp, const TwoPortData &data, Complex rs, Complex rl)
{
    const double z0 = data.referenceOhms;
    ASSERT_FALSE(amp.band.empty());
    for (const AmplifierPoint &p : amp.band) {
        const auto at = std::ranges::find(data.frequenciesHz, p.frequencyHz);
        ASSERT_NE(at, data.frequenciesHz.end());
        const TwoPortMatrix &s = data.s[at - data.frequenciesHz.begin()];
        const Complex gs = SourceSeen(amp, p.frequencyHz, rs, z0);
        const Complex gl = LoadSeen(amp, p.frequencyHz, rl, z0);
        EXPECT_NEAR(std::abs(p.gammaS - gs), 0, 1e-9);
        EXPECT_NEAR(std::abs(p.gammaL - gl), 0, 1e-9);
        EXPECT_NEAR(p.gtDb, GtDbByCascade(amp, s, z0, p.frequencyHz, rs, rl), 1e-6);
        EXPECT_NEAR(p.gtDb, TransducerGainDb(s, gs, gl), 1e-6);
        if (!data.noise.empty()) {
            ASSERT_TRUE(p.nfDb);
            EXPECT_NEAR(*p.nfDb, NoiseFigureDb(*NoiseAt(data.noise, p.frequencyHz), gs, z0), 1e-6);
        }
        EXPECT_LE(amp.gtDbMin, p.gtDb);
        EXPECT_GE(amp.gtDbMax, p.gtDb);
    }
    // Input elements from the source, output elements toward the load.
    for (const auto *side : {&amp.input, &amp.output}) {
        EXPECT_GE(side->parts.size(), 2u);
        EXPECT_LE(side->parts.size(), 6u);
        EXPECT_EQ(side->parts.front().label.substr(1), "1");
    }
}

// A GaAs FET at 4 GHz, unconditionally stable, MAG 16.7 dB.
const TwoPortMatrix kFet{Polar(0.72, -116), Polar(0.03, 57), Polar(2.60, 76), Polar(0.73, -54)};
// A low-noise GaAs FET at 4 GHz: NFmin 1.6 dB, Gamma opt 0.62 at 100 deg.
const TwoPortMatrix kLowNoiseFet{Polar(0.6, -60), Polar(0.05, 26), Polar(1.9, 81), Polar(0.5, -60)};
const DeviceNoise kLowNoise{1.6, Polar(0.62, 100), 20};

TEST(Amplifier, GainDesignReachesTheMostAvailableGainOnANarrowBand)
{
    const TwoPortData data = DeviceAround(kFet, 4e9, std::nullopt);
    const double mag = *DeviceFiguresAt(4e9, kFet, std::nullopt, 50, {}).magDb;
    const AmplifierDesign design = DesignAmplifier(data, 3.96e9, 4.04e9, {});
    ASSERT_TRUE(design.amplifier) << design.problem;
    const Amplifier &amp = *design.amplifier;
    CheckClaims(amp, data, 50, 50);
    EXPECT_EQ(amp.band.size(), 3u);
    EXPECT_GT(amp.gtDbMin, mag - 0.5);
    EXPECT_LE(amp.gtDbMax, mag + 1e-6 + 0.2); // the band's edges hold a little more gain
    for (const AmplifierPoint &p : AmplifierSweep(data, 0, 1e12, amp.input, amp.output, {}, {})) {
        EXPECT_LT(p.gammaInMagnitude, 1);
        EXPECT_LT(p.gammaOutMagnitude, 1);
    }
}

TEST(Amplifier, NoiseDesignReachesTheLeastNoiseFigureThenGain)
{
    const TwoPortData data = DeviceAround(kLowNoiseFet, 4e9, kLowNoise);
    AmplifierOptions options;
    options.goal = AmplifierGoal::Noise;
    const AmplifierDesign design = DesignAmplifier(data, 3.96e9, 4.04e9, options);
    ASSERT_TRUE(design.amplifier) << design.problem;
    const Amplifier &amp = *design.amplifier;
    CheckClaims(amp, data, 50, 50);
    ASSERT_TRUE(amp.nfDbMax);
    EXPECT_LT(*amp.nfDbMax, kLowNoise.nfMinDb + 0.25);
    // With the input fixed by the noise match, the output is conjugate to
    // what the device then shows: its available gain at that source.
    const AmplifierPoint &mid = amp.band[1];
    const TwoPortMatrix &s = data.s[4];
    const Complex gout = s.s22 + s.s12 * s.s21 * mid.gammaS / (1.0 - s.s11 * mid.gammaS);
    EXPECT_NEAR(mid.gtDb, TransducerGainDb(s, mid.gammaS, std::conj(gout)), 0.3);
}

TEST(Amplifier, OtherTerminationsAndAWideBandAreStillClaimedTruly)
{
    const TwoPortData data = DeviceAround(kFet, 4e9, std::nullopt);
    AmplifierOptions options;
    options.source = ResistanceTermination(25);
    options.load = ResistanceTermination(75);
    const AmplifierDesign design = DesignAmplifier(data, 3.5e9, 4.5e9, options);
    ASSERT_TRUE(design.amplifier) << design.problem;
    CheckClaims(*design.amplifier, data, 25, 75);
    EXPECT_EQ(design.amplifier->band.size(), 5u);
}

// A long file is searched at some of its frequencies, but every in-band
// point is claimed and checked, and stability is checked at every one.
TEST(Amplifier, ALongFileIsClaimedAtEveryPointInTheBand)
{
    TwoPortData data;
    for (int k = 0; k <= 2000; ++k) {
        const double ratio = 0.5 + k / 2000.0;
        const double turn = -40 * (ratio - 1) * std::numbers::pi / 180;
        TwoPortMatrix m = kFet;
        m.s11 *= std::polar(1.0, turn);
        m.s22 *= std::polar(1.0, turn);
        m.s21 *= std::polar(1.0 / ratio, turn);
        m.s12 *= std::polar(ratio, turn);
        data.frequenciesHz.push_back(ratio * 4e9);
        data.s.push_back(m);
    }
    const AmplifierDesign design = DesignAmplifier(data, 3.6e9, 4.4e9, {});
    ASSERT_TRUE(design.amplifier) << design.problem;
    EXPECT_EQ(design.amplifier->band.size(), 401u);
    CheckClaims(*design.amplifier, data, 50, 50);
    for (const AmplifierPoint &p :
         AmplifierSweep(data, 0, 1e12, design.amplifier->input, design.amplifier->output, {}, {})) {
        EXPECT_LT(p.gammaInMagnitude, 1);
        EXPECT_LT(p.gammaOutMagnitude, 1);
    }
}

// A measured source and load, reactive and changing over the band: the
// claims are the available power's share that reaches the load.
TEST(Amplifier, MeasuredTerminationsAreClaimedTruly)
{
    const TwoPortData data = DeviceAround(kLowNoiseFet, 4e9, kLowNoise);
    auto source = std::make_shared<MeasuredLoad>();
    source->frequenciesHz = {3e9, 5e9};
    source->impedanceOhms = {Complex(30, 10), Complex(40, 30)};
    auto load = std::make_shared<MeasuredLoad>();
    load->frequenciesHz = {3e9, 5e9};
    load->impedanceOhms = {Complex(80, -20), Complex(60, -10)};
    AmplifierOptions options;
    options.source = MeasuredTermination(source);
    options.load = MeasuredTermination(load);
    for (const AmplifierGoal goal : {AmplifierGoal::Gain, AmplifierGoal::Noise}) {
        options.goal = goal;
        const AmplifierDesign design = DesignAmplifier(data, 3.6e9, 4.4e9, options);
        ASSERT_TRUE(design.amplifier) << design.problem;
        for (const AmplifierPoint &p : design.amplifier->band) {
            const auto at = std::ranges::find(data.frequenciesHz, p.frequencyHz);
            const TwoPortMatrix &s = data.s[at - data.frequenciesHz.begin()];
            const Complex zs = source->ImpedanceAt(p.frequencyHz);
            const Complex zl = load->ImpedanceAt(p.frequencyHz);
            EXPECT_NEAR(p.gtDb, GtDbByCascade(*design.amplifier, s, 50, p.frequencyHz, zs, zl),
                        1e-6);
            EXPECT_NEAR(std::abs(p.gammaS - SourceSeen(*design.amplifier, p.frequencyHz, zs, 50)),
                        0, 1e-9);
            EXPECT_NEAR(std::abs(p.gammaL - LoadSeen(*design.amplifier, p.frequencyHz, zl, 50)), 0,
                        1e-9);
        }
        if (goal == AmplifierGoal::Noise) {
            EXPECT_LT(*design.amplifier->nfDbMax, kLowNoise.nfMinDb + 0.25);
        }
    }
    // A source with no resistance has no power to give.
    source->impedanceOhms = {Complex(0, 10), Complex(40, 30)};
    options.goal = AmplifierGoal::Gain;
    EXPECT_NE(DesignAmplifier(data, 3.6e9, 4.4e9, options).problem.find("no resistance at 2 GHz"),
              std::string::npos);
}

// Each side is an ordinary network between terminations: the common cascade
// of its parts, driven by a source typed as a circuit and into a measured
// load, gives the reflections the amplifier presents to the device.
TEST(Amplifier, ItsSidesAreNetworksBetweenTerminations)
{
    const TwoPortData data = DeviceAround(kLowNoiseFet, 4e9, kLowNoise);
    auto source = std::make_shared<MeasuredLoad>();
    source->frequenciesHz = {3e9, 5e9};
    source->impedanceOhms = {Complex(40, 23), Complex(40, 47)}; // the points a fit would take
    source->exact = CircuitImpedance{std::make_shared<Circuit>(Circuit::Parse("40 + 1.2nH"))};
    auto load = std::make_shared<MeasuredLoad>();
    load->frequenciesHz = {3e9, 5e9};
    load->impedanceOhms = {Complex(80, -20), Complex(60, -10)};
    AmplifierOptions options;
    options.source = MeasuredTermination(source);
    options.load = MeasuredTermination(load);
    const AmplifierDesign design = DesignAmplifier(data, 3.6e9, 4.4e9, options);
    ASSERT_TRUE(design.amplifier) << design.problem;
    const Amplifier &a = *design.amplifier;
    const Termination zs = options.source, zl = options.load;
    ASSERT_TRUE(std::holds_alternative<CircuitLoad>(zs.kind));
    ASSERT_TRUE(std::holds_alternative<MeasuredPort>(zl.kind));
    const Network &input = a.input, &output = a.output;
    const double z0 = data.referenceOhms;
    ASSERT_FALSE(a.dense.empty());
    for (const AmplifierPoint &p : a.dense) {
        const double f = p.frequencyHz;
        // The input network from the source, seen back from the device.
        const Abcd in = PartsAbcd(input, f);
        const Complex s = zs.ImpedanceAt(f);
        const Complex zOut = (in.D * s + in.B) / (in.C * s + in.A);
        EXPECT_NEAR(std::abs(p.gammaS - (zOut - z0) / (zOut + z0)), 0, 1e-9) << f;
        // The output network from the device into the load.
        const Abcd out = PartsAbcd(output, f);
        const Complex l = zl.ImpedanceAt(f);
        const Complex zIn = (out.A * l + out.B) / (out.C * l + out.D);
        EXPECT_NEAR(std::abs(p.gammaL - (zIn - z0) / (zIn + z0)), 0, 1e-9) << f;
    }
}

TEST(Amplifier, NoiseGoalWithoutNoiseDataAndBadTerminationsAreRefused)
{
    const TwoPortData data = DeviceAround(kFet, 4e9, std::nullopt);
    AmplifierOptions options;
    options.goal = AmplifierGoal::Noise;
    EXPECT_FALSE(DesignAmplifier(data, 3.96e9, 4.04e9, options).amplifier);
    options.goal = AmplifierGoal::Gain;
    options.source = ResistanceTermination(0);
    EXPECT_THROW(DesignAmplifier(data, 3.96e9, 4.04e9, options), std::invalid_argument);
}

// A lossy input network (a Q-20 series inductor, a Q-50 shunt capacitor,
// each Q the same at every frequency) before the low-noise FET, an ideal
// output network after it: the gain is the whole chain's, and the noise
// figure the network's loss cascaded with the device's by Friis.
TEST(Amplifier, ALossyInputNetworksLossCountsInTheGainAndTheNoise)
{
    const double hz = 4e9, w = 2 * std::numbers::pi * hz, z0 = 50;
    const units::Frequency centre = units::Frequency::FromHz(hz);
    Network input = AmplifierNetwork(
        {Part{ElementKind::SeriesInductor, 1.5, "L1", FiniteQ{20, QModel::Constant, centre}},
         Part{ElementKind::ShuntCapacitor, 0.9, "C2", FiniteQ{50, QModel::Constant, centre}}},
        50, 50);
    const Network output = AmplifierNetwork({Part{ElementKind::SeriesInductor, 3.0, "L1"},
                                             Part{ElementKind::ShuntCapacitor, 0.7, "C2"}},
                                            50, 50);
    const AmplifierPoint p =
        AmplifierPointAt(hz, kLowNoiseFet, kLowNoise, z0, input, output, {}, {});

    const Complex zl(w * 1.5e-9 / 20, w * 1.5e-9), yc(w * 0.9e-12 / 50, w * 0.9e-12);
    const Matrix2 in = Matrix2{1, zl, 0, 1} * Matrix2{1, 0, yc, 1};
    const Matrix2 whole = in * DeviceMatrix(kLowNoiseFet, z0) * PartsMatrix(output.parts, hz);
    const Complex rs = 50, rl = 50;
    EXPECT_NEAR(
        p.gtDb,
        10 * std::log10(4 * rs.real() * rl.real() /
                        std::norm(whole.a * rl + whole.b + whole.c * rs * rl + whole.d * rs)),
        1e-9);
    const Complex zs = (in.d * rs + in.b) / (in.c * rs + in.a);
    const Complex gs = (zs - z0) / (zs + z0);
    EXPECT_NEAR(std::abs(p.gammaS - gs), 0, 1e-12);
    // The network's available gain: what it delivers to a conjugate match
    // of what the source can give.
    const double available = rs.real() / (std::norm(in.a + in.c * rs) * zs.real());
    ASSERT_LT(available, 0.99);
    const double device = std::pow(10, NoiseFigureDb(kLowNoise, gs, z0) / 10);
    ASSERT_TRUE(p.nfDb);
    EXPECT_NEAR(*p.nfDb, 10 * std::log10(1 / available + (device - 1) / available), 1e-9);

    // The same parts ideal: the formulas between the reflections, as before.
    for (Part &e : input.parts)
        e.model = Ideal{};
    const AmplifierPoint ideal =
        AmplifierPointAt(hz, kLowNoiseFet, kLowNoise, z0, input, output, {}, {});
    EXPECT_NEAR(*ideal.nfDb, NoiseFigureDb(kLowNoise, ideal.gammaS, z0), 1e-12);
    EXPECT_LT(*ideal.nfDb, *p.nfDb);
}

// Designed with the parts as built: every part carries its kind's loss and
// both ladders the pads.
TEST(Amplifier, ADesignWithThePartsAsBuiltCarriesThemAndPaysTheirNoise)
{
    const TwoPortData data = DeviceAround(kLowNoiseFet, 4e9, kLowNoise);
    AmplifierOptions options;
    options.goal = AmplifierGoal::Noise;
    options.built.inductorQ = 25;
    options.built.capacitorQ = 100;
    options.built.padPf = 0.05;
    const AmplifierDesign design = DesignAmplifier(data, 3.96e9, 4.04e9, options);
    ASSERT_TRUE(design.amplifier) << design.problem;
    const Amplifier &amp = *design.amplifier;
    for (const Network *side : {&amp.input, &amp.output}) {
        EXPECT_EQ(side->padPf, 0.05);
        for (const Part &e : side->parts) {
            const FiniteQ *q = std::get_if<FiniteQ>(&e.model);
            ASSERT_TRUE(q) << e.label;
            EXPECT_EQ(q->q, e.inductor() ? 25 : 100);
            EXPECT_NEAR(q->centre.si(), std::sqrt(3.96e9 * 4.04e9), 1); // the band's centre
        }
    }
    // Lossy parts cost noise: no better than the lossless design's figure.
    options.built = {};
    const AmplifierDesign ideal = DesignAmplifier(data, 3.96e9, 4.04e9, options);
    ASSERT_TRUE(ideal.amplifier);
    EXPECT_GT(*amp.nfDbMax, *ideal.amplifier->nfDbMax);
}

// ------------------------------------------------------------ stability

TwoPortData Bjt()
{
    return ReadTwoPort(test::kSiliconBjt, "bjt.s2p");
}

// The textbook HFET at 2 GHz (K 0.61, MSG 21.9 dB), turned with frequency
// around it.
const TwoPortMatrix kHfet{Polar(0.894, -60.6), Polar(0.020, 62.4), Polar(3.122, 123.6),
                          Polar(0.781, -27.6)};

// The data between two points, each parameter's magnitude and angle linear in
// frequency, the angle the short way round.
TwoPortMatrix Interpolated(const TwoPortData &data, double hz)
{
    const auto &f = data.frequenciesHz;
    std::size_t k = 1;
    while (k + 1 < f.size() && f[k] < hz)
        ++k;
    const double t = std::clamp((hz - f[k - 1]) / (f[k] - f[k - 1]), 0.0, 1.0);
    const auto mix = [t](Complex a, Complex b) {
        double turn = std::arg(b) - std::arg(a);
        while (turn > std::numbers::pi)
            turn -= 2 * std::numbers::pi;
        while (turn < -std::numbers::pi)
            turn += 2 * std::numbers::pi;
        return std::polar(std::abs(a) + t * (std::abs(b) - std::abs(a)), std::arg(a) + t * turn);
    };
    const TwoPortMatrix &a = data.s[k - 1], &b = data.s[k];
    return {mix(a.s11, b.s11), mix(a.s12, b.s12), mix(a.s21, b.s21), mix(a.s22, b.s22)};
}

// The larger of |GammaS Gamma in| and |GammaL Gamma out| with the listed
// parts between 50 ohm terminations, from the device's data alone.
double WorstLoop(const Network &input, const Network &output, const TwoPortMatrix &s, double hz)
{
    Amplifier amp;
    amp.input = input;
    amp.output = output;
    const Complex gs = SourceSeen(amp, hz, 50, 50), gl = LoadSeen(amp, hz, 50, 50);
    const Complex gin = s.s11 + s.s12 * s.s21 * gl / (1.0 - s.s22 * gl);
    const Complex gout = s.s22 + s.s12 * s.s21 * gs / (1.0 - s.s11 * gs);
    return std::max(std::abs(gs * gin), std::abs(gl * gout));
}

// The device's own most stable gain: MAG where K > 1, else MSG.
double MostStableGainDb(const TwoPortMatrix &s)
{
    const double delta = std::abs(s.s11 * s.s22 - s.s12 * s.s21);
    const double k =
        (1 - std::norm(s.s11) - std::norm(s.s22) + delta * delta) / (2 * std::abs(s.s12 * s.s21));
    const double msg = std::abs(s.s21) / std::abs(s.s12);
    return 10 * std::log10(k > 1 ? msg * (k - std::sqrt(k * k - 1)) : msg);
}

// Everything the design promises about stability, from the data and the
// listed parts: the margin and the gain cap on a dense in-band grid, and both
// loops below 1 over the whole data with each part moved alone by
// `spreadPercent`.
void CheckStability(const Amplifier &amp, const TwoPortData &data, double fromHz, double toHz,
                    double margin, double spreadPercent)
{
    double worstInBand = 0;
    for (int k = 0; k <= 400; ++k) {
        const double hz = fromHz + (toHz - fromHz) * k / 400;
        const TwoPortMatrix s = Interpolated(data, hz);
        const double loop = WorstLoop(amp.input, amp.output, s, hz);
        worstInBand = std::max(worstInBand, loop);
        EXPECT_LE(loop, margin * margin + 1e-4) << hz;
        EXPECT_LE(GtDbByCascade(amp, s, 50, hz, 50, 50), MostStableGainDb(s) + 1e-4) << hz;
    }
    EXPECT_NEAR(amp.stability.worstLoopInBand, worstInBand, 2e-3);
    const auto &f = data.frequenciesHz;
    double worst = 0;
    for (std::size_t i = 0; i + 1 < f.size(); ++i)
        for (int k = 0; k < 24; ++k) {
            const double hz = f[i] + (f[i + 1] - f[i]) * k / 24;
            const TwoPortMatrix s = Interpolated(data, hz);
            worst = std::max(worst, WorstLoop(amp.input, amp.output, s, hz));
            for (const bool inputSide : {true, false}) {
                const std::size_t parts = (inputSide ? amp.input : amp.output).parts.size();
                for (std::size_t p = 0; p < parts; ++p)
                    for (const double sign : {-1.0, 1.0}) {
                        Network in = amp.input, out = amp.output;
                        (inputSide ? in : out).parts[p].value *= 1 + sign * spreadPercent / 100;
                        const double loop = WorstLoop(in, out, s, hz);
                        worst = std::max(worst, loop);
                        ASSERT_LT(loop, 1) << hz << " part " << p << " sign " << sign;
                    }
            }
        }
    EXPECT_LT(worst, 1);
    EXPECT_LE(worst, amp.stability.worstLoopOverData + 2e-3);
}

TEST(AmplifierStability, APotentiallyUnstableBjtKeepsTheMarginAndNoRegenerativeGain)
{
    const TwoPortData data = Bjt();
    const AmplifierDesign design = DesignAmplifier(data, 1.7e9, 2.1e9, {});
    ASSERT_TRUE(design.amplifier) << design.problem;
    const Amplifier &amp = *design.amplifier;
    CheckClaims(amp, data, 50, 50);
    CheckStability(amp, data, 1.7e9, 2.1e9, 0.9, 2);
    // Below MSG (21.0 dB at 2.1 GHz), and not far below it: a margin costs
    // some gain, not all of it.
    EXPECT_LT(amp.gtDbMax, 22.1);
    EXPECT_GT(amp.gtDbMin, 20);
    EXPECT_FALSE(amp.stable);
    EXPECT_FALSE(amp.stability.deviceUnconditional);
    EXPECT_EQ(amp.stability.deviceLeastMuHz, 0.5e9);
    EXPECT_EQ(amp.stability.toleranceChecked, 2);
    EXPECT_EQ(amp.dense.size(), static_cast<std::size_t>(kDenseBandPoints));
    for (const AmplifierPoint &p : amp.dense) {
        EXPECT_LE(amp.gtDbMin, p.gtDb);
        EXPECT_GE(amp.gtDbMax, p.gtDb);
    }
}

TEST(AmplifierStability, TheTextbookHfetKeepsTheMarginAndATighterOneOnAsking)
{
    const TwoPortData data = DeviceAround(kHfet, 2e9, std::nullopt);
    for (const double margin : {0.9, 0.8}) {
        AmplifierOptions options;
        options.stabilityMargin = margin;
        const AmplifierDesign design = DesignAmplifier(data, 1.9e9, 2.1e9, options);
        ASSERT_TRUE(design.amplifier) << design.problem;
        CheckClaims(*design.amplifier, data, 50, 50);
        CheckStability(*design.amplifier, data, 1.9e9, 2.1e9, margin, 2);
        EXPECT_EQ(design.amplifier->stability.marginAsked, margin);
    }
}

TEST(AmplifierStability, AWiderToleranceIsCheckedWhenAsked)
{
    const TwoPortData data = Bjt();
    AmplifierOptions options;
    options.tolerancePercent = 5;
    const AmplifierDesign design = DesignAmplifier(data, 1.8e9, 2.0e9, options);
    ASSERT_TRUE(design.amplifier) << design.problem;
    EXPECT_EQ(design.amplifier->stability.toleranceChecked, 5);
    CheckStability(*design.amplifier, data, 1.8e9, 2.0e9, 0.9, 5);
}

// A device whose input reflects more than it receives (|S11| above 1 with no
// feedback, a negative resistance) is held stable by the source the input
// network shows it: both loops within the margin in band and below 1 over
// the data, the parts moved too.
TEST(AmplifierStability, ANegativeResistanceInputIsHeldByTheSourceItSees)
{
    TwoPortMatrix s = kFet;
    s.s11 = Polar(1.2, -116);
    s.s12 = 0;
    const TwoPortData data = DeviceAround(s, 4e9, std::nullopt);
    const AmplifierDesign design = DesignAmplifier(data, 3.96e9, 4.04e9, {});
    ASSERT_TRUE(design.amplifier) << design.problem;
    CheckStability(*design.amplifier, data, 3.96e9, 4.04e9, 0.9, 2);
}

TEST(AmplifierStability, NoForwardGainAndImpossibleMarginsAreRefused)
{
    TwoPortData data = DeviceAround(kFet, 4e9, std::nullopt);
    data.s[4].s21 = 0;
    const AmplifierDesign none = DesignAmplifier(data, 3.96e9, 4.04e9, {});
    EXPECT_FALSE(none.amplifier);
    EXPECT_NE(none.problem.find("no forward gain at 4 GHz"), std::string::npos) << none.problem;
    AmplifierOptions options;
    for (const double margin : {0.0, 1.0, -0.5, std::nan("")}) {
        options.stabilityMargin = margin;
        EXPECT_THROW(DesignAmplifier(Bjt(), 1.7e9, 2.1e9, options), std::invalid_argument);
    }
}

// ------------------------------------------------------------ stabilised

// The resistors as chain matrices around the device.
Matrix2 StabilisedMatrix(const TwoPortMatrix &s, double z0, const Stabiliser &st)
{
    Matrix2 m = DeviceMatrix(s, z0);
    if (st.inputSeriesOhms)
        m = Matrix2{1, *st.inputSeriesOhms, 0, 1} * m;
    if (st.outputShuntOhms)
        m = m * Matrix2{1, 0, 1 / *st.outputShuntOhms, 1};
    return m;
}

// A chain matrix between two z0 ports as a scattering matrix.
TwoPortMatrix ScatteringOf(const Matrix2 &m, double z0)
{
    const Complex den = m.a + m.b / z0 + m.c * z0 + m.d;
    return {(m.a + m.b / z0 - m.c * z0 - m.d) / den, 2.0 * (m.a * m.d - m.b * m.c) / den, 2.0 / den,
            (-m.a + m.b / z0 - m.c * z0 + m.d) / den};
}

double MuOf(const TwoPortMatrix &s)
{
    const Complex delta = s.s11 * s.s22 - s.s12 * s.s21;
    return (1 - std::norm(s.s11)) /
           (std::abs(s.s22 - delta * std::conj(s.s11)) + std::abs(s.s12 * s.s21));
}

// The file with the resistors cascaded at each data frequency.
TwoPortData LoadedBy(const TwoPortData &data, const Stabiliser &st)
{
    TwoPortData loaded = data;
    for (std::size_t i = 0; i < data.s.size(); ++i)
        loaded.s[i] = ScatteringOf(StabilisedMatrix(data.s[i], data.referenceOhms, st), 50);
    loaded.noise.clear();
    return loaded;
}

// Everything --stabilise promises, from the data and the listed resistors
// and parts: mu of the loaded device at or above 1.02 at every data frequency
// (above 1 with either resistor 2 % off), G_T through the whole chain, the
// margins of the stability tests, and the gain it costs against the device's
// own least MAG or MSG in band.
void CheckStabilised(const Amplifier &amp, const TwoPortData &data, double fromHz, double toHz)
{
    ASSERT_TRUE(amp.stabiliser);
    const Stabiliser &st = *amp.stabiliser;
    ASSERT_TRUE(st.any());
    for (std::size_t i = 0; i < data.s.size(); ++i) {
        EXPECT_GE(MuOf(ScatteringOf(StabilisedMatrix(data.s[i], 50, st), 50)), 1.02 - 1e-9);
        for (const double factor : {0.98, 1.02}) {
            Stabiliser moved = st;
            if (moved.inputSeriesOhms)
                *moved.inputSeriesOhms *= factor;
            if (moved.outputShuntOhms)
                *moved.outputShuntOhms /= factor;
            EXPECT_GT(MuOf(ScatteringOf(StabilisedMatrix(data.s[i], 50, moved), 50)), 1);
        }
    }
    double before = HUGE_VAL, after = HUGE_VAL;
    for (const AmplifierPoint &p : amp.band) {
        const auto at = std::ranges::find(data.frequenciesHz, p.frequencyHz);
        ASSERT_NE(at, data.frequenciesHz.end());
        const TwoPortMatrix &s = data.s[at - data.frequenciesHz.begin()];
        const Matrix2 m = PartsMatrix(amp.input.parts, p.frequencyHz) *
                          StabilisedMatrix(s, 50, st) *
                          PartsMatrix(amp.output.parts, p.frequencyHz);
        EXPECT_NEAR(
            p.gtDb,
            10 * std::log10(4 * 50 * 50 / std::norm(m.a * 50.0 + m.b + m.c * 2500.0 + m.d * 50.0)),
            1e-6);
        before = std::min(before, MostStableGainDb(s));
        after = std::min(after, MostStableGainDb(ScatteringOf(StabilisedMatrix(s, 50, st), 50)));
    }
    EXPECT_NEAR(st.gainCostDb(), before - after, 1e-6);
    EXPECT_GT(st.gainCostDb(), 0);
    EXPECT_TRUE(amp.stable);
    EXPECT_TRUE(amp.stability.deviceUnconditional);
    CheckStability(amp, LoadedBy(data, st), fromHz, toHz, 0.9, 2);
}

TEST(AmplifierStabilised, TheBjtIsLoadedUntilUnconditionallyStableAndMatchedAround)
{
    const TwoPortData data = Bjt();
    const StabilisedDesign stabilised = DesignStabilisedAmplifier(data, 1.7e9, 2.1e9, {});
    ASSERT_TRUE(stabilised.design.amplifier) << stabilised.design.problem;
    const Amplifier &amp = *stabilised.design.amplifier;
    CheckStabilised(amp, data, 1.7e9, 2.1e9);
    // Loading costs gain, but an amplifier is left: some dB below the
    // device's MSG, which the margin alone keeps to 21 dB.
    EXPECT_LT(amp.gtDbMax, 21);
    EXPECT_GT(amp.gtDbMin, 10);
    EXPECT_NEAR(amp.gtDbMin, amp.stabiliser->stabilisedGainDb, 0.6);
}

TEST(AmplifierStabilised, TheTextbookHfetAndAWiderToleranceToo)
{
    const TwoPortData data = DeviceAround(kHfet, 2e9, std::nullopt);
    const StabilisedDesign stabilised = DesignStabilisedAmplifier(data, 1.9e9, 2.1e9, {});
    ASSERT_TRUE(stabilised.design.amplifier) << stabilised.design.problem;
    CheckStabilised(*stabilised.design.amplifier, data, 1.9e9, 2.1e9);
    AmplifierOptions options;
    options.tolerancePercent = 10;
    const StabilisedDesign wide = DesignStabilisedAmplifier(data, 1.9e9, 2.1e9, options);
    ASSERT_TRUE(wide.design.amplifier) << wide.design.problem;
    const Stabiliser &st = *wide.design.amplifier->stabiliser;
    EXPECT_EQ(st.toleranceChecked, 10);
    for (const TwoPortMatrix &s : data.s) {
        Stabiliser moved = st;
        if (moved.inputSeriesOhms)
            *moved.inputSeriesOhms *= 0.9;
        if (moved.outputShuntOhms)
            *moved.outputShuntOhms *= 1.1;
        EXPECT_GT(MuOf(ScatteringOf(StabilisedMatrix(s, 50, moved), 50)), 1);
    }
}

TEST(AmplifierStabilised, AnUnconditionallyStableDeviceGetsNoResistorAndKeepsItsFigures)
{
    const TwoPortData data = DeviceAround(kFet, 4e9, std::nullopt);
    const StabilisedDesign stabilised = DesignStabilisedAmplifier(data, 3.96e9, 4.04e9, {});
    ASSERT_TRUE(stabilised.design.amplifier) << stabilised.design.problem;
    const Amplifier &amp = *stabilised.design.amplifier;
    ASSERT_TRUE(amp.stabiliser);
    EXPECT_FALSE(amp.stabiliser->any());
    EXPECT_EQ(amp.stabiliser->gainCostDb(), 0);
    const AmplifierDesign plain = DesignAmplifier(data, 3.96e9, 4.04e9, {});
    ASSERT_TRUE(plain.amplifier);
    EXPECT_EQ(amp.gtDbMin, plain.amplifier->gtDbMin);
    EXPECT_EQ(amp.gtDbMax, plain.amplifier->gtDbMax);
    CheckClaims(amp, data, 50, 50);
}

// A series resistor's noise and a shunt resistor's, against Friis: the
// resistor's own loss as a noise factor, the device's behind it from the
// source the resistor leaves it.
TEST(AmplifierStabilised, TheLoadedDevicesNoiseIsTheResistorsAddedByFriis)
{
    const TwoPortData data = DeviceAround(kLowNoiseFet, 4e9, kLowNoise);
    const double f = 4e9, z0 = 50;
    const TwoPortMatrix &s = kLowNoiseFet;
    const auto factor = [](double db) { return std::pow(10.0, db / 10); };
    Stabiliser series;
    series.inputSeriesOhms = 20;
    const TwoPortData withSeries = StabilisedData(data, series);
    // From a 50 ohm source: the resistor's loss, then the device from 70 ohms.
    const double fDevice = factor(NoiseFigureDb(kLowNoise, Complex(20.0 / 120), z0));
    const double expectSeries = 70.0 / 50 + (fDevice - 1) * 70.0 / 50;
    EXPECT_NEAR(factor(NoiseFigureDb(*NoiseAt(withSeries.noise, f), 0, z0)), expectSeries, 1e-9);

    Stabiliser shunt;
    shunt.outputShuntOhms = 300;
    const TwoPortData withShunt = StabilisedData(data, shunt);
    const Complex gout = s.s22;
    const double available = std::norm(s.s21) / (1 - std::norm(gout));
    const double gOut = (1.0 / (z0 * (1.0 + gout) / (1.0 - gout))).real();
    const double expectShunt =
        factor(NoiseFigureDb(kLowNoise, 0, z0)) + (1.0 / 300 / gOut) / available;
    EXPECT_NEAR(factor(NoiseFigureDb(*NoiseAt(withShunt.noise, f), 0, z0)), expectShunt, 1e-9);
}

TEST(AmplifierStabilised, NoResistorThatReachesTheMarginIsSaidSo)
{
    // An input of -2 kohm and no feedback: no series resistor up to 1 kohm
    // takes it positive, and nothing at the output reaches it.
    TwoPortMatrix s = kFet;
    s.s11 = Complex(2050.0 / 1950);
    s.s12 = 0;
    const StabilisedDesign none =
        DesignStabilisedAmplifier(DeviceAround(s, 4e9, std::nullopt), 3.96e9, 4.04e9, {});
    EXPECT_FALSE(none.design.amplifier);
    EXPECT_NE(none.design.problem.find("makes its mu reach 1.02 at every data frequency"),
              std::string::npos)
        << none.design.problem;
}

} // namespace
} // namespace tevmar::analysis
