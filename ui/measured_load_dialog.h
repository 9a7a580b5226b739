#pragma once

#include "session/types.h"

#include <QDialog>
#include <optional>

class QComboBox;
class QDoubleSpinBox;
class QLineEdit;
class QPushButton;

namespace tevmar {

// Asks what matching a measured load needs beyond the main window's band and
// order: the network analyser's one-port file, the source's resistance, and
// the load kind when the engineer wants one rather than the best fit; a
// measured source's file, if given, takes the resistance's place. It
// opens with the choices of the last match made through it.
class MeasuredLoadDialog final : public QDialog
{
  public:
    explicit MeasuredLoadDialog(QWidget *parent = nullptr);

    QString filePath() const;
    double sourceOhms() const;
    QString sourceFilePath() const;           // empty: the source is the resistance
    std::optional<LoadType> loadKind() const; // empty: the kind that fits best

  private:
    void Browse(QLineEdit *into);
    void Recall();
    void Remember() const;

    QLineEdit *file_ = nullptr;
    QDoubleSpinBox *source_ = nullptr;
    QLineEdit *sourceFile_ = nullptr;
    QComboBox *kind_ = nullptr;
    QPushButton *ok_ = nullptr;
};

} // namespace tevmar
