#include "ui/busy_strip.h"

#include <QCoreApplication>

namespace ds::ui {

BusyStrip::BusyStrip(const QString& text, QWidget* parent) : QProgressBar(parent) {
    setRange(0, 0);  // busy indicator: no known end
    setTextVisible(true);
    setAlignment(Qt::AlignCenter);
    setText(text);
}

void BusyStrip::setText(const QString& text) {
    text_ = text;
    setFormat(text);
    update();
}

void BusyStrip::showBusy(const QString& text) {
    setText(text);
    show();
    raise();
    QCoreApplication::processEvents();
}

}  // namespace ds::ui
