#pragma once
// Small factories for the program's controls, shared by every window: each control gets its name as
// objectName (control arrays as "name(i)") and its caption or default in one call, so the layout code
// reads like the control table it implements.
#include <QString>
#include <QWidget>

class QDateEdit;
class QGroupBox;
class QLabel;
class QLineEdit;

namespace ds::ui {

class MarkupButton;
class MarkupCheck;
class MarkupLabel;
class MarkupRadio;

// "lextendnum" + 3 -> "lextendnum(3)".
QString ArrayName(const QString& base, int index);

MarkupCheck* MakeCheck(QWidget* parent, const QString& name, const QString& caption, bool checked);
MarkupRadio* MakeRadio(QWidget* parent, const QString& name, const QString& caption, bool selected);
MarkupButton* MakeButton(QWidget* parent, const QString& name, const QString& caption);
// A label; unnamed labels are plain captions next to other controls.
MarkupLabel* MakeLabel(QWidget* parent, const QString& caption, const QString& name = {});
QLineEdit* MakeEdit(QWidget* parent, const QString& name, const QString& text, int width = 0);
// A date picker with a drop-down calendar showing dates as YYYY-MM-DD.
QDateEdit* MakeDate(QWidget* parent, const QString& name);
QGroupBox* MakeGroup(QWidget* parent, const QString& title);
// A hidden label that only holds a value for other code to read by name.
QLabel* MakeValueLabel(QWidget* parent, const QString& name, const QString& text);

}  // namespace ds::ui
