#pragma once

#include <QColor>
#include <QString>
#include <QWidget>
#include <optional>
#include <utility>
#include <vector>

class QPainter;
class QPalette;

namespace tevmar {

// One curve of a panel against frequency; NaN leaves a gap.
struct PlotCurve
{
    const std::vector<double> *values;
    QString name;
    QColor colour;
    Qt::PenStyle style;
};

// A panel over the shared frequency axis: its scale, title, curves, legend
// and a horizontal reference line where one divides good from bad.
struct PlotPanel
{
    double low, high;
    QString title;
    std::vector<PlotCurve> curves;
    std::optional<double> line;
};

// Panels stacked over one frequency axis in `area`, each with its title and
// legend above it; the chosen frequency dotted and a band shaded in each.
// `empty` is said where there is nothing to draw. Each point is marked with a
// dot, or where `marked` is given only the points it flags (the measured ones
// among interpolated ones) and any point standing alone.
void PaintFrequencyPanels(QPainter &painter, const QRect &area, const QPalette &palette,
                          const std::vector<double> &frequencyGhz,
                          const std::vector<PlotPanel> &panels, std::optional<double> chosenGhz,
                          std::optional<std::pair<double, double>> bandGhz, const QString &empty,
                          const std::vector<bool> *marked = nullptr);

// A transistor's stability and gain against frequency, in two panels over
// one frequency axis: K, mu and mu' with the line at 1 that divides stable
// from potentially unstable, and MSG and MAG in dB. A figure that does not
// exist at a frequency (NaN) leaves a gap; the chosen frequency is marked.
struct DevicePlotData
{
    std::vector<double> frequencyGhz; // rising
    std::vector<double> k, mu, muPrime, msgDb, magDb;
    // Which points are data frequencies (only they are marked); empty: all.
    std::vector<bool> measured;
    std::optional<double> chosenGhz;
};

class DevicePlot final : public QWidget
{
  public:
    explicit DevicePlot(QWidget *parent = nullptr);

    void SetData(DevicePlotData data);
    const DevicePlotData &data() const { return data_; }

    // The stability panel's top: a little above the largest of the figures,
    // at least 2 and at most 5 (K grows without bound as S12 vanishes).
    double stabilityTop() const;

    QSize sizeHint() const override { return {520, 520}; }
    QSize minimumSizeHint() const override { return {320, 300}; }

  protected:
    void paintEvent(QPaintEvent *event) override;

  private:
    DevicePlotData data_;
};

} // namespace tevmar
