#pragma once
// What the main window remembers between runs: its geometry, the options of both search tabs, the
// column groups, rows per page and row limit, the export columns and the metrics to fetch. Kept in an
// INI file in the user's configuration folder; every value is checked when it is read, so a broken or
// foreign file leaves the controls it cannot vouch for at their defaults.
#include <QByteArray>
#include <QDate>
#include <QHash>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <optional>

class QWidget;

namespace ds::search {

// The file the main window reads when it opens and writes when the program ends. Empty, the default
// and what tests start with, means nothing is read or written: the program sets it at start.
void SetWindowSettingsPath(const QString& path);
QString WindowSettingsPath();
// window.ini in the user's configuration folder.
QString DefaultWindowSettingsPath();

// The remembered controls by name: check boxes and radio buttons, number boxes, date pickers.
struct RememberedControls {
    QStringList switches, numbers, dates;
};
const RememberedControls& Remembered();

// A value as the file holds it, taken only when it is of the control's kind. A radio button is only
// ever switched on (which switches its group's others off), so a file cannot leave a group empty.
std::optional<bool> SwitchValue(const QVariant& stored);
// A plain decimal number of at most 18 characters ("20", "2.5"); the box's own repair runs after.
std::optional<QString> NumberText(const QVariant& stored);
// A "YYYY-MM-DD" date from 1900 to 9999.
std::optional<QDate> DateValue(const QVariant& stored);

// The state of the remembered controls of a window: bools, texts and dates by control name.
class ControlSnapshot {
public:
    static ControlSnapshot Take(const QWidget* form);
    void applyTo(QWidget* form) const;

    QHash<QString, QVariant> values;
};

// Where the window stood when the program ended. `normal` is the window's own rectangle as it was when
// not maximized, in screen coordinates, without anything a window manager draws around it: set back
// with setGeometry it puts the window exactly where it was. (Qt's saveGeometry/restoreGeometry, used
// before, moves a window near the top of the screen down by a title bar's height on every run when
// the window draws its own frame.)
struct WindowPlacement {
    QRect normal;            // invalid when the file had none
    bool maximized = false;
    int tab = -1;            // the tab page shown; -1 when the file had none
};

// The settings file of one window. Reading returns what the file vouches for; writing replaces it.
struct StoredWindowState {
    ControlSnapshot controls;   // only the controls the file held valid values for
    WindowPlacement placement;  // the parts the file held valid values for
    QByteArray geometry;        // Qt's form, as files of earlier builds hold it; empty when none
};
// Nothing when the file is missing, unreadable or not an INI file.
std::optional<StoredWindowState> ReadWindowState(const QString& path);
// False when the file could not be written.
bool WriteWindowState(const QString& path, const ControlSnapshot& controls, const WindowPlacement& placement);

}  // namespace ds::search
