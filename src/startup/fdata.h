#pragma once
// The hidden settings holder: one label per field of the operator's settings row, named after the
// field. It is never shown; code reads the fields through remoteSettings() (or the labels by name).
#include <QString>
#include <QWidget>

namespace ds::startup {

class fdata : public QWidget {
    Q_OBJECT
public:
    explicit fdata(QWidget* parent = nullptr);

    // Reads lconfig_all, fills the labels and the process-wide settings, and applies the main window's
    // part (captions, version label, upgrade buttons, lweblist). Controls the main window lacks are
    // skipped. On failure shows the message and ends the program; returns false then.
    bool Form_Load(QWidget* mainWindow);

    // The caption of the label `labelName` (empty when there is no such label).
    QString field(const QString& labelName) const;

private:
    bool Fail(const QString& description);
};

// The process-wide holder, created (hidden) on first use.
fdata& fdataForm();

}  // namespace ds::startup
