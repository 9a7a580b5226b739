#pragma once

#include "session/run/device.h"

#include <QWidget>

class QComboBox;
class QTabWidget;

namespace tevmar {

class DevicePlot;
class DeviceChart;
class AmplifierPanel;

// A transistor's figures in pictures: K, mu and mu', MSG and MAG against
// frequency, and at a chosen frequency its source and load planes with the
// stability circles (the unstable side shaded), gain and noise circles a few
// dB from the best the device gives, and Gamma S, Gamma L and Gamma opt.
// A second page designs an amplifier around it: both matching networks, their
// schematics and the whole amplifier's gain, noise and return losses.
class DeviceWindow final : public QWidget
{
  public:
    explicit DeviceWindow(session::DeviceOutcome device, QWidget *parent = nullptr);

    // Shows the planes at the device's `index`th data frequency.
    void ChooseFrequency(std::size_t index);
    std::size_t chosen() const { return chosen_; }

    QComboBox &frequencyBox() const { return *frequency_; }
    DevicePlot &plot() const { return *plot_; }
    DeviceChart &sourceChart() const { return *sourceChart_; }
    DeviceChart &loadChart() const { return *loadChart_; }
    const session::DeviceOutcome &device() const { return device_; }
    QTabWidget &pages() const { return *pages_; }
    AmplifierPanel &amplifier() const { return *amplifier_; }

  private:
    session::DeviceOutcome device_;
    std::size_t chosen_ = 0;
    QComboBox *frequency_;
    DevicePlot *plot_;
    DeviceChart *sourceChart_, *loadChart_;
    QTabWidget *pages_;
    AmplifierPanel *amplifier_;
};

} // namespace tevmar
