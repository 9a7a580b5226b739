#pragma once

#include "session/views/schematic.h"

#include <QImage>
#include <QPalette>
#include <QString>
#include <QWidget>
#include <functional>
#include <optional>
#include <vector>

class QPainter;

namespace tevmar {

enum class SchematicInk { Plain, Muted, Load, Standard, Tuned };

// A block of text in the drawing and where it goes.
struct SchematicLabel
{
    QRectF rect;
    QStringList lines;
    std::vector<SchematicInk> inks; // one per line
    Qt::Alignment align = Qt::AlignLeft;
    int owner = 0; // the part's index, or one of SchematicLayout's k...Box and kKey
};

// Where everything of the drawing goes, in the painter's pixels. A long
// ladder runs on over rows, joined by named connectors.
struct SchematicLayout
{
    static constexpr int kSourceBox = -1, kLoadBox = -2, kKey = -3, kConnector = -4;
    double unit = 1; // the symbols' scale, 1 at the natural size
    QRectF bounds;
    QRectF boxes[2]; // the terminations at port 1 and port 2
    struct Row
    {
        double top = 0, bottom = 0;      // the upper rail and the ground rail
        double railFrom = 0, railTo = 0; // where the rails run
    };
    std::vector<Row> rows;
    struct PartPlace
    {
        int row;
        double axis, from, to; // a series part spans from..to along the rail
    };
    std::vector<PartPlace> parts;
    struct PortPlaces
    {
        double resistorX = 0, loadAxis = 0, loadFrom = 0, loadTo = 0;
    } ports[2];
    struct Connector
    {
        int row;
        double x;
        bool end; // where the row breaks off, rather than where it takes up
    };
    std::vector<Connector> connectors;
    std::vector<SchematicLabel> labels;
};

// Lays the drawing out in `area`, its text in `font` at the font's own size:
// the symbols and spacing scale to fill the area, the text never shrinks, and
// each slot is as wide as its label, so that no label lies over another or
// over a termination's box.
SchematicLayout LayOutSchematic(const session::Schematic &schematic, const QRectF &area,
                                const QFont &font);

// Where part `index` of a laid-out drawing lies, its symbol and its label
// together: what a click selects and what the selection outlines.
QRectF PartArea(const SchematicLayout &layout, std::size_t index);
// The part whose area holds `point`, or none.
std::optional<std::size_t> PartAt(const SchematicLayout &layout, QPointF point);

// Draws the schematic, scaled to fit `area`: the ladder with its standard
// symbols and value labels, and a box at each end for the termination, the
// absorbed load's reactance inside its box. One routine for the window, the
// PNG and SVG files and the clipboard, so that all show the same drawing.
void PaintSchematic(QPainter &painter, const session::Schematic &schematic, const QRectF &area,
                    const QPalette &palette);

// Black on white, as saved files and the clipboard carry the drawing.
QPalette PaperPalette();

// The natural size of the drawing in pixels at 96 dpi, in the application's font.
QSize SchematicSize(const session::Schematic &schematic);

// The drawing as an image at its natural size (twice that for `scale` 2).
QImage SchematicImage(const session::Schematic &schematic, const QPalette &palette, int scale = 1);

// Saves the drawing as SVG or PNG, chosen by the name's suffix (.svg or
// .png). Empty on success, otherwise why nothing was saved.
QString SaveSchematic(const session::Schematic &schematic, const QString &fileName,
                      const QPalette &palette);

// The schematic in the window. A click on a part selects it (outlined); the
// keys + and - (or Up and Down) step the selected part, Left and Right
// select its neighbours, as the window's step buttons do. The wheel over a
// part selects it and steps it, a step a notch.
class SchematicView final : public QWidget
{
  public:
    explicit SchematicView(QWidget *parent = nullptr);

    void SetSchematic(session::Schematic schematic);
    const session::Schematic &schematic() const { return schematic_; }

    // The part outlined as selected, or none.
    void SetSelected(std::optional<std::size_t> index);
    std::optional<std::size_t> selected() const { return selected_; }
    // Hears of a part chosen by a click or the arrow keys (none: a click
    // beside every part), and of a step asked for by a key (+1 or -1).
    void OnSelect(std::function<void(std::optional<std::size_t>)> select)
    {
        select_ = std::move(select);
    }
    void OnStep(std::function<void(int)> step) { step_ = std::move(step); }
    // Where the drawing lies in the widget, as painted.
    SchematicLayout Layout() const;

    QSize sizeHint() const override { return {560, 320}; }

  protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;

  private:
    session::Schematic schematic_;
    std::optional<std::size_t> selected_;
    std::function<void(std::optional<std::size_t>)> select_;
    std::function<void(int)> step_;
    int wheelEighths_ = 0; // a touchpad's part of a notch, kept until it makes one
};

} // namespace tevmar
