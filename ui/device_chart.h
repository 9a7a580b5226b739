#pragma once

#include "session/run/device.h"
#include "session/views/smith_path.h"

#include <QString>
#include <QWidget>
#include <complex>
#include <optional>
#include <vector>

namespace tevmar {

// One of a transistor's reflection planes at one frequency on a Smith chart:
// the source plane (Gamma S) with the source stability circle, the
// available-gain and noise-figure circles, the simultaneous match and Gamma
// opt; or the load plane (Gamma L) with the load stability circle, the
// operating-gain circles and the simultaneous match. The terminations that
// would make the device oscillate are shaded. Across a band, the circles of
// several frequencies as a family.
class DeviceChart final : public QWidget
{
  public:
    enum class Plane { Source, Load };

    explicit DeviceChart(Plane plane, QWidget *parent = nullptr);

    void SetPoint(const analysis::DevicePoint &point);
    // Several frequencies across a band at once, low to high: each one's
    // circles drawn in its own shade from light to dark, the terminations
    // unstable at any of them shaded, the marks joined into their locus.
    void SetFamily(std::vector<analysis::DevicePoint> family);
    Plane plane() const { return plane_; }
    std::size_t frequencies() const { return points_.size(); }
    // The termination an amplifier's network presents to the transistor in
    // this plane across its band, drawn as its locus from the band's lower
    // edge (a dot) to its upper (an arrow's head); empty: none.
    void SetDesign(std::vector<std::complex<double>> locus);
    const std::vector<std::complex<double>> &design() const { return design_; }
    // The path through that network's parts at the band's centre, its
    // impedances referred to `referenceOhms` (the device data's): an arc
    // per part, each point named by the part just passed; hovering an arc
    // names the part and its value. Unset: none.
    void SetPath(std::optional<session::SmithPath> path, double referenceOhms);
    const std::optional<session::SmithPath> &path() const { return path_; }
    // Where the path's `k`th point is drawn.
    QPointF PathPointPosition(std::size_t k) const;
    // The part and value of the arc under the pointer, with its reading
    // there; empty off the path.
    QString hoverText() const;

    // Whether a reflection lies on the shaded (unstable) side, as drawn.
    bool Shaded(std::complex<double> gamma) const;
    // Where a reflection is drawn, in the widget's coordinates.
    QPointF Position(std::complex<double> gamma) const;
    // The labels of the circles and marks drawn, in drawing order.
    QStringList Labels() const;

    QSize sizeHint() const override { return {460, 500}; }
    QSize minimumSizeHint() const override { return {280, 300}; }

  protected:
    void paintEvent(QPaintEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void leaveEvent(QEvent *event) override;

  private:
    struct Geometry
    {
        double cx, cy, radius;
    };
    Geometry ChartGeometry() const;
    const std::optional<analysis::StabilityCircle> &Stability(const analysis::DevicePoint &p) const;
    QString Subtitle() const;
    int TitleHeight() const;

    Plane plane_;
    std::vector<analysis::DevicePoint> points_;
    std::vector<std::complex<double>> design_;
    std::optional<session::SmithPath> path_;
    double pathOhms_ = 50;
    struct ArcHover
    {
        std::size_t arc, sample;
    };
    std::optional<ArcHover> arcHover_;
};

} // namespace tevmar
