// The Transistor window: opened from the output pane's menu on a two-port
// file without any design, it shows the first unconditionally stable
// frequency, and each plane's circles, marks and unstable side follow the
// frequency chosen.

#include "ui/device_chart.h"
#include "ui/device_plot.h"
#include "ui/device_window.h"
#include "ui/main_window.h"
#include "ui/result_tools.h"
#include "ui_test_support.h"

#include <QComboBox>
#include <fstream>

namespace tevmar::test {
namespace {

// A potentially unstable HFET at 2 GHz, an unconditionally stable FET at
// 4 GHz with noise parameters, and a device with |S11| above 1 at 8 GHz.
constexpr const char *kDevices = "# GHz S MA R 50\n"
                                 "2 0.894 -60.6 3.122 123.6 0.020 62.4 0.781 -27.6\n"
                                 "4 0.72 -116 2.60 76 0.03 57 0.73 -54\n"
                                 "8 1.2 -40 2.0 100 0.1 30 0.6 -50\n"
                                 "4 1.6 0.62 100 0.4\n";

class DeviceWindowTest : public InScratchDirectory
{
  protected:
    DeviceWindow &Open()
    {
        std::ofstream("fets.s2p") << kDevices;
        main_.tools().OpenDevice(QStringLiteral("fets.s2p"));
        return *main_.tools().deviceWindow();
    }
    MainWindow main_;
};

TEST_F(DeviceWindowTest, OpensOnTheFirstStableFrequencyWithCirclesNearTheBest)
{
    DeviceWindow &window = Open();
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(window.frequencyBox().count(), 3);
    EXPECT_EQ(window.chosen(), 1u);
    EXPECT_EQ(window.frequencyBox().currentText(), QStringLiteral("4 GHz"));
    // MAG 16.71 dB: gain circles at 15, 14 and 13 dB; NFmin 1.6 dB: noise
    // circles at 1.85, 2.1 and 2.6 dB; the match and Gamma opt marked.
    EXPECT_EQ(
        window.sourceChart().Labels(),
        (QStringList{"stability", "GA 15 dB", "GA 14 dB", "GA 13 dB", "NF 1.85 dB", "NF 2.1 dB",
                     "NF 2.6 dB", QStringLiteral("\u0393S"), QStringLiteral("\u0393opt")}));
    EXPECT_EQ(window.loadChart().Labels(), (QStringList{"stability", "GP 15 dB", "GP 14 dB",
                                                        "GP 13 dB", QStringLiteral("\u0393L")}));
    // Unconditionally stable: nothing in the chart is shaded.
    EXPECT_FALSE(window.loadChart().Shaded({0.9, 0.4}));
    EXPECT_EQ(window.plot().data().chosenGhz, 4.0);
    EXPECT_GE(window.plot().stabilityTop(), 2.0);
}

TEST_F(DeviceWindowTest, ChoosingAFrequencyMovesTheUnstableSide)
{
    DeviceWindow &window = Open();
    window.frequencyBox().setCurrentIndex(0); // 2 GHz, potentially unstable
    EXPECT_EQ(window.chosen(), 0u);
    // No MAG: the circles fall from MSG 21.9 dB; no match to mark.
    EXPECT_EQ(window.loadChart().Labels(),
              (QStringList{"stability", "GP 20 dB", "GP 19 dB", "GP 18 dB"}));
    EXPECT_FALSE(window.loadChart().Shaded({0, 0}));
    EXPECT_TRUE(window.loadChart().Shaded(std::polar(0.95, 0.82))); // inside the load circle
    window.ChooseFrequency(2); // |S11| > 1: the chart's centre itself oscillates
    EXPECT_TRUE(window.loadChart().Shaded({0, 0}));
    EXPECT_FALSE(window.sourceChart().Shaded({0, 0}));
    EXPECT_EQ(window.plot().data().chosenGhz, 8.0);
    // The window draws without a fault at every frequency.
    for (int i = 0; i < 3; ++i) {
        window.ChooseFrequency(static_cast<std::size_t>(i));
        EXPECT_FALSE(window.grab().isNull());
    }
}

} // namespace
} // namespace tevmar::test
