#pragma once
// The main window's own controls beyond the shared factories (ui/control_factory.h): the 并发查询数
// box and the up-down control of its number boxes.
#include <QString>
#include <QWidget>

#include "ui/control_factory.h"

class QLineEdit;

namespace ds::search {

// The shared control factories, by their short names in this window's files.
using ui::ArrayName;
using ui::MakeButton;
using ui::MakeCheck;
using ui::MakeDate;
using ui::MakeEdit;
using ui::MakeGroup;
using ui::MakeLabel;
using ui::MakeRadio;
using ui::MakeValueLabel;

// The 并发查询数 box beside a group of check buttons, `lconcurrency(index)`: how many requests the
// live checks keep in flight (1-16, from dropscout.ini at first). The window keeps its boxes in step.
QWidget* MakeConcurrencyBox(QWidget* parent, int index);

// The up-down control beside a number box: each arrow steps the box's number by one within
// [minimum, maximum]; the box stays the place the value is read from.
class UpDownSpinner : public QWidget {
    Q_OBJECT
public:
    UpDownSpinner(QLineEdit* buddy, const QString& name, double minimum, double maximum, QWidget* parent);
    void stepBy(int steps);

private:
    QLineEdit* buddy_;
    double minimum_;
    double maximum_;
};

}  // namespace ds::search
