#pragma once

#include "session/run/device.h"

#include <QWidget>

class QComboBox;

namespace tevmar {

class DevicePlot;
class DeviceChart;

// A transistor's figures in pictures: K, mu and mu', MSG and MAG against
// frequency, and at a chosen frequency its source and load planes with the
// stability circles (the unstable side shaded), gain and noise circles a few
// dB from the best the device gives, and Gamma S, Gamma L and Gamma opt.
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

  private:
    session::DeviceOutcome device_;
    std::size_t chosen_ = 0;
    QComboBox *frequency_;
    DevicePlot *plot_;
    DeviceChart *sourceChart_, *loadChart_;
};

} // namespace tevmar
