// The Amplifier page's model: the band it starts with, the boxes read as
// tevmar-cli reads its options, and the curves of a design, with gaps where
// the file has no noise data and the return loss of a near-perfect match held
// to a scale a plot can show.

#include "report/number_format.h"
#include "session/run/study.h"
#include "session/views/amplifier_view.h"
#include "tests/common/gaas_fet.h"
#include "tests/report/test_files.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <gtest/gtest.h>

namespace tevmar::session {
namespace {

using Band = std::pair<std::string, std::string>;

// Noise parameters from 4 GHz up only.
const std::string kFet = std::string(test::kGaasFetNetworkData) + test::kGaasFetNoiseFrom4GHz;

DeviceOutcome Device(const test_files::TempDir &dir, const std::string &text)
{
    const std::string path = (dir / "device.s2p").string();
    test_files::WriteBytes(path, text);
    DeviceInput input;
    input.filePath = path;
    DeviceRun run = RunDevice(input, {}, {});
    EXPECT_TRUE(run.outcome) << run.problem;
    return std::move(*run.outcome);
}

TEST(AmplifierView, StartingBandIsWhereTheDeviceIsFirstUnconditionallyStable)
{
    test_files::TempDir dir;
    EXPECT_EQ(StartingBand(Device(dir, kFet)), Band("3.9", "4"));
    // Potentially unstable everywhere: the whole data, for the engineer to narrow.
    EXPECT_EQ(StartingBand(Device(dir, "# GHz S MA R 50\n"
                                       "2 0.894 -60.6 3.122 123.6 0.020 62.4 0.781 -27.6\n"
                                       "3 0.80 -95 3.10 88 0.025 62 0.78 -44\n")),
              Band("2", "3"));
}

// The window's amplifier through the study: the same boxes over the same
// device answer from the last design, with the same networks; another
// margin designs again.
TEST(AmplifierView, TheSameBoxesInAStudyAnswerFromItsLastDesign)
{
    test_files::TempDir dir;
    const DeviceOutcome device = Device(dir, kFet);
    Study study;
    AmplifierBoxes boxes{AmplifierGoal::Gain, "3.9", "4.1", "50", "50"};
    const AmplifierRun first = RunAmplifierFromBoxes(device, boxes, &study);
    ASSERT_TRUE(first.outcome) << first.problem;
    const AmplifierRun again = RunAmplifierFromBoxes(device, boxes, &study);
    ASSERT_TRUE(again.outcome) << again.problem;
    EXPECT_EQ(study.runs(Stage::Amplifier), 1);
    EXPECT_EQ(AmplifierViewOf(*again.outcome).summary, AmplifierViewOf(*first.outcome).summary);
    ASSERT_EQ(again.outcome->amplifier.input.parts.size(),
              first.outcome->amplifier.input.parts.size());
    for (std::size_t i = 0; i < first.outcome->amplifier.input.parts.size(); ++i)
        EXPECT_EQ(again.outcome->amplifier.input.parts[i].value,
                  first.outcome->amplifier.input.parts[i].value);
    boxes.stabilityMargin = "0.8";
    ASSERT_TRUE(RunAmplifierFromBoxes(device, boxes, &study).outcome);
    EXPECT_EQ(study.runs(Stage::Amplifier), 2);
}

// A design no longer wanted ends at once and leaves nothing behind: the
// study designs the same boxes afresh next time, to the same networks as a
// run never stopped.
TEST(AmplifierView, AStoppedDesignThrowsAndIsNotKept)
{
    test_files::TempDir dir;
    const DeviceOutcome device = Device(dir, kFet);
    const AmplifierBoxes boxes{AmplifierGoal::Gain, "3.9", "4.1", "50", "50"};
    Study study;
    const std::atomic<bool> stopped{true};
    const auto started = std::chrono::steady_clock::now();
    EXPECT_THROW(RunAmplifierFromBoxes(device, boxes, &study, &stopped), analysis::TuneCancelled);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(500));
    EXPECT_EQ(study.runs(Stage::Amplifier), 1);
    const std::atomic<bool> running{false};
    const AmplifierRun run = RunAmplifierFromBoxes(device, boxes, &study, &running);
    ASSERT_TRUE(run.outcome) << run.problem;
    EXPECT_EQ(study.runs(Stage::Amplifier), 2);
    const AmplifierRun plain = RunAmplifierFromBoxes(device, boxes);
    ASSERT_TRUE(plain.outcome);
    ASSERT_EQ(run.outcome->amplifier.output.parts.size(),
              plain.outcome->amplifier.output.parts.size());
    for (std::size_t i = 0; i < plain.outcome->amplifier.output.parts.size(); ++i)
        EXPECT_EQ(run.outcome->amplifier.output.parts[i].value,
                  plain.outcome->amplifier.output.parts[i].value);
}

TEST(AmplifierView, BoxesAreReadAsTheCommandLineReadsTheOptions)
{
    test_files::TempDir dir;
    const DeviceOutcome device = Device(dir, kFet);
    AmplifierBoxes boxes{AmplifierGoal::Gain, "3.9", "4.1", "50 ohms", "50"};
    AmplifierRun run = RunAmplifierFromBoxes(device, boxes);
    EXPECT_FALSE(run.outcome);
    EXPECT_TRUE(run.usage);
    EXPECT_EQ(run.problem, "the source needs its resistance in ohms");
    boxes.sourceOhms = "50";
    boxes.loadOhms = "0";
    run = RunAmplifierFromBoxes(device, boxes);
    EXPECT_EQ(run.problem, "a source or load of 0 ohms; expected 0.001 to 1e+06 ohms");
    boxes.loadOhms = "50";
    boxes.f2Ghz.clear();
    EXPECT_EQ(RunAmplifierFromBoxes(device, boxes).problem,
              "the amplifier needs its band: F1 and F2 in GHz");
    // The noise goal where the band has no noise data has no design.
    boxes = {AmplifierGoal::Noise, "3.5", "3.9", "50", "50"};
    run = RunAmplifierFromBoxes(device, boxes);
    EXPECT_FALSE(run.outcome);
    EXPECT_FALSE(run.usage);
    EXPECT_FALSE(run.problem.empty());
}

// The margin box sets the margin tevmar-cli's --stability-margin sets, and
// says so in the summary; a margin that is not one is refused.
TEST(AmplifierView, TheMarginBoxHoldsTheLoopsAndIsRefusedOutsideZeroToOne)
{
    test_files::TempDir dir;
    const DeviceOutcome device = Device(dir, kFet);
    AmplifierBoxes boxes{AmplifierGoal::Gain, "3.9", "4.1", "50", "50", "0.8"};
    AmplifierRun run = RunAmplifierFromBoxes(device, boxes);
    ASSERT_TRUE(run.outcome) << run.problem;
    EXPECT_EQ(run.outcome->amplifier.stability.marginAsked, 0.8);
    EXPECT_LE(run.outcome->amplifier.stability.worstLoopInBand, 0.64 + 1e-6);
    const AmplifierView view = AmplifierViewOf(*run.outcome);
    EXPECT_EQ(view.summary.substr(0, 3), "GT ");
    EXPECT_NE(view.summary.find("within 0.64 (a margin of 0.8 each way)"), std::string::npos)
        << view.summary;
    for (const char *margin : {"1", "0", "-0.5", "tight", ""}) {
        boxes.stabilityMargin = margin;
        run = RunAmplifierFromBoxes(device, boxes);
        EXPECT_FALSE(run.outcome) << margin;
        EXPECT_TRUE(run.usage);
        EXPECT_EQ(run.problem, "the stability margin needs a number above 0 and below 1");
    }
}

TEST(AmplifierView, CurvesCoverTheWholeFileWithGapsWhereAFigureDoesNotExist)
{
    test_files::TempDir dir;
    const DeviceOutcome device = Device(dir, kFet);
    const AmplifierRun run =
        RunAmplifierFromBoxes(device, {AmplifierGoal::Gain, "3.9", "4.1", "50", "75"});
    ASSERT_TRUE(run.outcome) << run.problem;
    const AmplifierView view = AmplifierViewOf(*run.outcome);
    // The four data frequencies outside the band, and 201 points across it
    // (the band's three data frequencies among them), in order; between the
    // data frequencies outside the band, points a 400th of the 2 GHz span
    // apart (99, 79, 79 and 99 of them), not a straight line.
    ASSERT_EQ(view.frequencyGhz.size(), 205u + 356u);
    EXPECT_TRUE(std::ranges::is_sorted(view.frequencyGhz));
    for (std::size_t i = 1; i < view.frequencyGhz.size(); ++i)
        EXPECT_LE(view.frequencyGhz[i] - view.frequencyGhz[i - 1], 0.005 + 1e-12) << i;
    const auto index = [&view](double hz) {
        const auto at = std::ranges::find_if(
            view.frequencyGhz, [hz](double ghz) { return std::abs(ghz * 1e9 - hz) <= 1e-9 * hz; });
        return static_cast<std::size_t>(at - view.frequencyGhz.begin());
    };
    const std::size_t bandStart = index(3.9e9);
    EXPECT_NEAR(view.frequencyGhz[bandStart + 1] - view.frequencyGhz[bandStart], 0.001, 1e-12);
    for (const analysis::AmplifierPoint &p : run.outcome->whole) {
        const std::size_t i = index(p.frequencyHz);
        ASSERT_LT(i, view.frequencyGhz.size()) << p.frequencyHz;
        EXPECT_EQ(view.gtDb[i], p.gtDb);
        // No noise data below 4 GHz: a gap, not a made-up figure.
        EXPECT_EQ(std::isnan(view.nfDb[i]), p.frequencyHz < 4e9) << p.frequencyHz;
        EXPECT_LE(view.inputReturnLossDb[i], 60);
        EXPECT_LE(view.outputReturnLossDb[i], 60);
        EXPECT_EQ(view.outputReturnLossDb[i], std::min(p.outputReturnLossDb, 60.0));
    }
    // Between 4.5 and 5 GHz the gain follows the design at the interpolated
    // data, not the chord between the two data frequencies.
    const std::size_t between = index(4.5e9) + 50; // 4.75 GHz
    EXPECT_NEAR(view.frequencyGhz[between], 4.75, 1e-9);
    const analysis::AmplifierPoint mid = analysis::AmplifierPointAt(
        4.75e9, analysis::DeviceScatteringAt(run.outcome->data, 4.75e9),
        analysis::NoiseAt(run.outcome->data.noise, 4.75e9), 50, run.outcome->amplifier.input,
        run.outcome->amplifier.output, run.outcome->source, run.outcome->load);
    EXPECT_EQ(view.gtDb[between], mid.gtDb);
    EXPECT_EQ(view.nfDb[between], *mid.nfDb);
    // Only the file's seven data frequencies are marked on the curves, not
    // the interpolated grid between them.
    ASSERT_EQ(view.measured.size(), view.frequencyGhz.size());
    std::vector<double> marked;
    for (std::size_t i = 0; i < view.measured.size(); ++i)
        if (view.measured[i])
            marked.push_back(view.frequencyGhz[i]);
    ASSERT_EQ(marked.size(), 7u);
    EXPECT_DOUBLE_EQ(marked[3], 4.0);
    EXPECT_FALSE(view.measured[bandStart + 1]); // 3.901 GHz, a grid point
}

// The Stabilise box loads the device as --stabilise does: the resistor is
// drawn beside the device's pins and the summary says what it costs.
TEST(AmplifierView, StabiliseDrawsTheResistorBesideTheDevice)
{
    test_files::TempDir dir;
    const DeviceOutcome device = Device(dir, kFet);
    AmplifierBoxes boxes{AmplifierGoal::Gain, "3.5", "4.5", "50", "50"};
    boxes.stabilise = true;
    const AmplifierRun run = RunAmplifierFromBoxes(device, boxes);
    ASSERT_TRUE(run.outcome) << run.problem;
    const AmplifierView view = AmplifierViewOf(*run.outcome);
    ASSERT_FALSE(view.output.parts.empty());
    EXPECT_EQ(view.output.parts.front().symbol, Symbol::ShuntResistor);
    EXPECT_EQ(view.output.parts.front().name, "Rout");
    EXPECT_EQ(view.output.parts.front().value,
              Figure(*run.outcome->amplifier.stabiliser->outputShuntOhms, 6) + " \u03A9");
    EXPECT_EQ(view.output.parts.size(), run.outcome->amplifier.output.parts.size() + 1);
    EXPECT_EQ(view.input.parts.size(), run.outcome->amplifier.input.parts.size());
    EXPECT_NE(view.summary.find("\nStabilised by the resistors beside the device: "),
              std::string::npos)
        << view.summary;
}

} // namespace
} // namespace tevmar::session
