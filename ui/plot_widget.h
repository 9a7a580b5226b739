#pragma once

#include <QColor>
#include <QString>
#include <QWidget>
#include <functional>
#include <optional>
#include <vector>

namespace tevmar {

// One network's response on the plot's frequency grid.
struct PlotSeries
{
    QString name;
    QColor colour;
    Qt::PenStyle style = Qt::SolidLine;
    std::vector<double> returnLossDb; // one per frequency, positive in the passband
    std::vector<double> vswr;
    std::vector<double> s21Db; // 20 log10 |S21|, 0 or below
    std::vector<double> groupDelayNs;
    // Drawn in the S21 and delay panels only: the network with the parts'
    // loss, whose match the ideal curves already show.
    bool transmissionOnly = false;
};

// One of several bands at once: a passband, shaded as F1 to F2 is, or a band
// the network must reject, in a shade of its own.
struct PlotBand
{
    double lowGhz = 0, highGhz = 0;
    bool reject = false;
    // A passband's |S11| limit as a return loss, or a rejection band's
    // attenuation, dB: drawn as a line over the band.
    std::optional<double> lineDb;
};

struct PlotData
{
    std::vector<double> frequencyGhz; // rising
    bool logarithmic = true;
    double bandLowGhz = 0; // the passband F1 to F2, shaded
    double bandHighGhz = 0;
    // Several bands at once: each shaded, the in-band scales following the
    // passbands alone. Empty: F1 to F2 is the one passband.
    std::vector<PlotBand> bands;
    std::vector<PlotSeries> series;
    std::optional<double> rippleGamma; // the design's (or candidate's) maximum in-band |S11|
    QString rippleName = QStringLiteral("design ripple max"); // as its mark names it
    std::optional<double> limitGamma; // the Bode-Fano limit, when a reactance is absorbed
    // Into a measured load: the frequencies the measurement covers. Beyond
    // them the load's end values are held, and the plot says so.
    std::optional<double> measuredLowGhz, measuredHighGhz;
    QString message; // shown instead of curves when there are none
};

// Tick positions for an axis from `low` to `high`: steps of 1, 2 or 5 times a
// power of ten, about `wanted` of them; on a logarithmic axis spanning more
// than a decade, 1, 2 and 5 of each decade. Every tick lies within the range.
std::vector<double> AxisTicks(double low, double high, bool logarithmic, int wanted = 6);

// Markers kept at their frequencies on a new sweep: each moved to the
// nearest sweep point, those beyond the sweep's ends dropped.
std::vector<double> MarkersOnSweep(const std::vector<double> &markersGhz,
                                   const std::vector<double> &frequencyGhz);

// A tick's label: plain digits, "." as the decimal point whatever the locale.
QString TickLabel(double value);

// The return loss (dB) and VSWR of a matching network against frequency
// (GHz), drawn in two panels over one frequency axis. The passband is shaded,
// the design's ripple maximum and the Bode-Fano limit are marked, and moving
// the mouse over the plot shows the frequency and each curve's values there.
class ResponsePlot final : public QWidget
{
  public:
    // The panels the engineer can show, one above the other.
    enum PanelKind : unsigned {
        ReturnLossPanel = 1,
        VswrPanel = 2,
        TransmissionPanel = 4,
        DelayPanel = 8,
    };
    static constexpr unsigned kAllPanels = 15;

    explicit ResponsePlot(QWidget *parent = nullptr);

    // Which panels show (a set of PanelKind); at least one.
    void SetPanels(unsigned panels);
    unsigned panels() const { return panels_; }

    // Markers: a click places one (up to four) at the nearest sweep point, a
    // drag moves it, a right click on it removes it. `changed` hears of each.
    // New data (a new design or sweep) keeps each marker at its frequency,
    // moved to the nearest new sweep point, and drops those beyond the sweep.
    const std::vector<double> &markersGhz() const { return markersGhz_; }
    void SetMarkers(std::vector<double> markersGhz);
    void OnMarkersChanged(std::function<void()> changed) { markersChanged_ = std::move(changed); }

    void SetData(PlotData data);
    const PlotData &data() const { return data_; }

    // The hover box's lines, empty when the pointer is not over the curves.
    QString hoverText() const;

    // The value range of each panel as last laid out, for the axis labels.
    // The return loss runs to a little beyond its deepest in-band value or
    // the marks, but not past the ceiling (60 dB unless set otherwise).
    double returnLossTopDb() const;
    void SetReturnLossCeiling(double db);
    double vswrTop() const;

    QSize sizeHint() const override { return {640, 480}; }
    QSize minimumSizeHint() const override { return {360, 300}; }

  protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

  private:
    struct Panel;
    std::vector<Panel> Panels() const;
    double XOf(double frequencyGhz) const;
    QRect PlotArea() const;
    void DrawPanel(QPainter &painter, const Panel &panel) const;
    // Whether the sweep runs beyond a measured load's data, and whether a frequency does.
    bool HasBeyondMeasured() const;
    // Whether a frequency lies in the passband, or in one of several.
    bool InBand(double frequencyGhz) const;
    // The bands' shading and their limit lines on one panel.
    void DrawBands(QPainter &painter, const Panel &panel) const;
    bool Beyond(double frequencyGhz) const;
    // One entry of the legend above the panels, and where it goes.
    struct LegendEntry
    {
        QString name;
        QColor colour;
        Qt::PenStyle style;
        bool shade; // the passband's shading rather than a line
        Qt::BrushStyle pattern;
        QRect place;
    };
    std::vector<LegendEntry> Legend() const;
    // Lays the legend out again for the series and width: how far down the panels start.
    void PlaceLegend();
    void DrawLegend(QPainter &painter) const;
    void DrawHover(QPainter &painter, const std::vector<Panel> &panels) const;
    void DrawMarkers(QPainter &painter, const std::vector<Panel> &panels) const;
    std::optional<std::size_t> NearestPoint(double x) const;
    std::optional<std::size_t> MarkerNear(double x) const;

    PlotData data_;
    int legendHeight_ = 40; // from the top to the upper panel
    std::optional<std::size_t> hover_;
    unsigned panels_ = ReturnLossPanel | VswrPanel;
    std::vector<double> markersGhz_;
    std::optional<std::size_t> dragged_;
    std::function<void()> markersChanged_;
    double returnLossCeilingDb_ = 60;
};

} // namespace tevmar
