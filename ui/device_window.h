#pragma once

#include "session/run/device.h"

#include <QWidget>

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QSlider;
class QTabWidget;

namespace tevmar {

class DevicePlot;
class DeviceChart;
class AmplifierPanel;

// A transistor's figures in pictures: K, mu and mu', MSG and MAG against
// frequency, and at a chosen frequency its source and load planes with the
// stability circles (the unstable side shaded), gain and noise circles a few
// dB from the best the device gives or at the levels chosen, and Gamma S,
// Gamma L and Gamma opt; the frequency from the data's or any between them
// by a slider, or the circles of several frequencies across the band at once.
// A second page designs an amplifier around it: both matching networks, their
// schematics and the whole amplifier's gain, noise and return losses.
class DeviceWindow final : public QWidget
{
  public:
    explicit DeviceWindow(session::DeviceOutcome device, QWidget *parent = nullptr);

    // Shows the planes at the device's `index`th data frequency.
    void ChooseFrequency(std::size_t index);
    std::size_t chosen() const { return chosen_; }
    // Shows the planes at any frequency of the band, the data interpolated
    // between its frequencies as the amplifier's design interpolates them.
    void ChooseHz(double frequencyHz);
    // The frequency the planes show (the band's when they show a family).
    double shownHz() const { return shownHz_; }
    // The planes' circles at `kFamily` frequencies across the band at once.
    static constexpr int kFamily = 5;
    void ShowFamily(bool family);

    QComboBox &frequencyBox() const { return *frequency_; }
    QSlider &frequencySlider() const { return *slider_; }
    QCheckBox &familyBox() const { return *family_; }
    // The gain and noise-figure circles' levels; at their least ("auto"),
    // a few dB from the best the device gives.
    QDoubleSpinBox &gainLevelBox() const { return *gainLevel_; }
    QDoubleSpinBox &noiseLevelBox() const { return *noiseLevel_; }
    DevicePlot &plot() const { return *plot_; }
    DeviceChart &sourceChart() const { return *sourceChart_; }
    DeviceChart &loadChart() const { return *loadChart_; }
    const session::DeviceOutcome &device() const { return device_; }
    QTabWidget &pages() const { return *pages_; }
    AmplifierPanel &amplifier() const { return *amplifier_; }

  private:
    // The planes redrawn with the frequency, family and levels as they stand.
    void ShowPlanes();
    analysis::DeviceLevels Levels(const analysis::DeviceLevels &automatic) const;
    double SliderHz(int position) const;

    session::DeviceOutcome device_;
    std::size_t chosen_ = 0;
    double shownHz_ = 0;
    bool fromData_ = true; // the planes at a data frequency, not between two
    QComboBox *frequency_;
    QSlider *slider_;
    QLabel *sliderText_;
    QCheckBox *family_;
    QDoubleSpinBox *gainLevel_, *noiseLevel_;
    DevicePlot *plot_;
    DeviceChart *sourceChart_, *loadChart_;
    QTabWidget *pages_;
    AmplifierPanel *amplifier_;
};

} // namespace tevmar
