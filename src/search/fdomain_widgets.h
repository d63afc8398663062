#pragma once
// Small factories for the main window's controls: every control gets its name as objectName (control
// arrays as "name(i)") and its caption or default in one call, so the layout code reads like the
// control table it implements.
#include <QString>
#include <QWidget>

class QDateEdit;
class QGroupBox;
class QLabel;
class QLineEdit;
class QToolButton;

namespace ds::ui {
class MarkupButton;
class MarkupCheck;
class MarkupLabel;
class MarkupRadio;
}  // namespace ds::ui

namespace ds::search {

// "lextendnum" + 3 -> "lextendnum(3)".
QString ArrayName(const QString& base, int index);

ui::MarkupCheck* MakeCheck(QWidget* parent, const QString& name, const QString& caption, bool checked);
ui::MarkupRadio* MakeRadio(QWidget* parent, const QString& name, const QString& caption, bool selected);
ui::MarkupButton* MakeButton(QWidget* parent, const QString& name, const QString& caption);
// A label; unnamed labels are plain captions next to other controls.
ui::MarkupLabel* MakeLabel(QWidget* parent, const QString& caption, const QString& name = {});
QLineEdit* MakeEdit(QWidget* parent, const QString& name, const QString& text, int width = 0);
// A date picker with a drop-down calendar showing dates as YYYY-MM-DD.
QDateEdit* MakeDate(QWidget* parent, const QString& name);
QGroupBox* MakeGroup(QWidget* parent, const QString& title);
// The 并发查询数 box beside a group of check buttons, `lconcurrency(index)`: how many requests the
// live checks keep in flight (1-16, from dropscout.ini at first). The window keeps its boxes in step.
QWidget* MakeConcurrencyBox(QWidget* parent, int index);
// A hidden label that only holds a value for other code to read by name.
QLabel* MakeValueLabel(QWidget* parent, const QString& name, const QString& text);

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
