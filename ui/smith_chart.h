#pragma once

#include "session/types.h"
#include "session/views/response.h"
#include "session/views/smith_path.h"

#include <QPen>
#include <QWidget>

class QPainter;
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace tevmar {

// The Smith chart of one port's reflection: S11 referred to the port-1
// (high-impedance) termination or S22 referred to the port-2 termination, of
// each network with the true load. The passband part of each trace is drawn
// bold, F1, F0 and F2 are marked on every trace, and the pointer near a trace
// shows its frequency, impedance and reflection coefficient. Over them, the
// path through the parts at F0: from the load, each part's arc to the point
// after it, labelled by the part; the pointer on an arc names the part and
// its value.
class SmithChart final : public QWidget
{
  public:
    explicit SmithChart(QWidget *parent = nullptr);

    void SetResponse(const session::Response &response);
    // 1 for S11, 2 for S22, kLoadView for a measured load itself.
    static constexpr int kLoadView = 0;
    void SetPort(int port);
    int port() const { return port_; }
    // Whether the path through the parts is drawn (it is by default).
    void SetShowPath(bool show);
    bool showsPath() const { return showPath_; }
    // The admittance grid over the impedance one (off by default).
    void SetShowAdmittance(bool show);
    bool showsAdmittance() const { return showAdmittance_; }
    // The contour of the node Q the band allows, f0 / (f2 - f1) (on by
    // default); unset in the load's view or for a band without width.
    void SetShowQ(bool show);
    bool showsQ() const { return showQ_; }
    std::optional<double> contourQ() const;
    // The path as drawn, at the band's centre; unset in the load's view.
    const std::optional<session::SmithPath> &path() const { return path_; }
    // Where a sample of a part's arc lies on the widget (the pointer's place
    // to name that part).
    QPointF PathSampleAt(std::size_t arc, std::size_t sample) const;

    // The tolerance trials' pass limit, drawn as its circle on the S11 chart
    // once the trials have run; unset before, or on another port's chart.
    std::optional<double> passVswr() const;
    // Where a reflection lies on the widget.
    QPointF ChartPositionOf(session::Complex gamma) const;
    // What the point of the chart under the pointer stands for (Z, Y, Gamma,
    // VSWR, Q), shown where the pointer is near no trace; empty off the chart.
    QString pointerReadout() const;
    // Dragging a part's point along its arc: `start` hears of a press on the
    // point after a part (named as the path names it) and says whether it may
    // be dragged, `move` of each place the pointer is dragged to (a
    // reflection against the chart's reference), `end` of the release.
    struct PartDrag
    {
        std::function<bool(const std::string &part)> start;
        std::function<void(session::Complex gamma, double referenceOhms)> move;
        std::function<void()> end;
    };
    void OnPartDrag(PartDrag drag) { drag_ = std::move(drag); }
    // The part being dragged, or none.
    const std::optional<std::string> &draggedPart() const { return dragged_; }
    // Where the path's point `point` (0 = the load) lies on the widget.
    QPointF PathPointAt(std::size_t point) const;

    // The hover box's lines, empty when the pointer is near no trace.
    QString hoverText() const;

    QSize sizeHint() const override { return {560, 560}; }
    QSize minimumSizeHint() const override { return {300, 300}; }

  protected:
    void paintEvent(QPaintEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void leaveEvent(QEvent *event) override;

  private:
    struct Geometry
    {
        double cx, cy, radius;
    };
    Geometry ChartGeometry() const;
    // The title's line is followed by the legend: each curve's name, then the
    // passband's note, with where its text starts.
    struct LegendEntry
    {
        QString name;
        QPointF at;
        std::optional<QPen> line; // the sample drawn before the name, if any
    };
    std::vector<LegendEntry> Legend() const;
    // The title and, in the load's view, the fit's lines, each wrapped to the width.
    QString Title() const;
    QStringList TitleLines() const;
    QStringList FitLines() const;
    void DrawTitle(QPainter &painter) const;
    session::Complex GammaOf(const session::ResponseCurve &curve, std::size_t i) const;
    double ReferenceOhms() const;
    void DrawLoad(QPainter &painter, const session::LoadTraces &load) const;
    void DrawModel(QPainter &painter, const std::vector<session::Complex> &ohms, double reference,
                   const QColor &colour) const;
    void DrawPoints(QPainter &painter, const std::vector<double> &hz,
                    const std::vector<session::Complex> &ohms, double reference,
                    const QColor &colour) const;

    void UpdatePath();
    void DrawPath(QPainter &painter, const Geometry &g) const;
    // F1, F0, F2 of the first trace and the path's part names, placed apart.
    struct PointLabel
    {
        QPointF at;
        QString text;
    };
    void DrawLabels(QPainter &painter, const std::vector<PointLabel> &edges) const;
    // The Q contour's arcs; its label joins `labels`.
    void DrawQContour(QPainter &painter, const Geometry &g, std::vector<PointLabel> &labels) const;

    const session::Response *response_ = nullptr;
    std::optional<session::SmithPath> path_;
    bool showPath_ = true;
    bool showAdmittance_ = false;
    bool showQ_ = true;
    int port_ = 1;
    struct Hover
    {
        std::size_t curve, point;
    };
    std::optional<Hover> hover_;
    struct ArcHover
    {
        std::size_t arc, sample;
    };
    std::optional<ArcHover> arcHover_; // the pointer on the path, nearer than any trace
    std::optional<QPointF> pointer_;   // the pointer within the chart, for its readout
    PartDrag drag_;
    std::optional<std::string> dragged_; // the part whose point follows the pointer
};

} // namespace tevmar
