#pragma once

#include "session/schematic.h"

#include <QImage>
#include <QPalette>
#include <QString>
#include <QWidget>

class QPainter;

namespace tevmar {

// Draws the schematic, scaled to fit `area`: the ladder with its standard
// symbols and value labels, and a box at each end for the termination, the
// absorbed load's reactance inside its box. One routine for the window, the
// PNG and SVG files and the clipboard, so that all show the same drawing.
void PaintSchematic(QPainter &painter, const session::Schematic &schematic, const QRectF &area,
                    const QPalette &palette);

// Black on white, as saved files and the clipboard carry the drawing.
QPalette PaperPalette();

// The natural size of the drawing in pixels at 96 dpi.
QSize SchematicSize(const session::Schematic &schematic);

// The drawing as an image at its natural size (twice that for `scale` 2).
QImage SchematicImage(const session::Schematic &schematic, const QPalette &palette, int scale = 1);

// Saves the drawing as SVG or PNG, chosen by the name's suffix (.svg or
// .png). Empty on success, otherwise why nothing was saved.
QString SaveSchematic(const session::Schematic &schematic, const QString &fileName,
                      const QPalette &palette);

class SchematicView final : public QWidget
{
  public:
    explicit SchematicView(QWidget *parent = nullptr);

    void SetSchematic(session::Schematic schematic);
    const session::Schematic &schematic() const { return schematic_; }

    QSize sizeHint() const override { return {560, 320}; }

  protected:
    void paintEvent(QPaintEvent *event) override;

  private:
    session::Schematic schematic_;
};

} // namespace tevmar
