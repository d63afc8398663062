#include "ui/busy_strip.h"

#include <QCoreApplication>
#include <QLabel>
#include <QStyleOptionProgressBar>
#include <algorithm>
#include <limits>

namespace ds::ui {

QString ProgressCount(qint64 done, qint64 total) {
    return QString::number(done) + u" / " + QString::number(total);
}

BusyStrip::BusyStrip(const QString& text, QWidget* parent) : QProgressBar(parent) {
    setRange(0, 0);  // busy indicator: no known end
    setTextVisible(true);
    setAlignment(Qt::AlignCenter);
    setText(text);
}

void BusyStrip::setText(const QString& text) {
    text_ = text;
    refresh();
}

QString BusyStrip::shownText() const {
    return total_ > 0 ? text_ + u"  " + ProgressCount(done_, total_) + detail_ : text_;
}

void BusyStrip::setDetail(const QString& detail) {
    if (detail == detail_) return;
    detail_ = detail;
    refresh();
}

void BusyStrip::refresh() { update(); }

// The bar draws what text() returns; it is given the count too, while text() stays the command's text.
void BusyStrip::initStyleOption(QStyleOptionProgressBar* option) const {
    QProgressBar::initStyleOption(option);
    option->text = shownText();
}

void BusyStrip::setProgress(qint64 done, qint64 total) {
    total_ = std::max<qint64>(total, 0);
    done_ = std::clamp<qint64>(done, 0, total_);
    if (total_ > 0) {
        // The bar counts in int; a larger total is drawn to scale.
        const qint64 cap = std::numeric_limits<int>::max();
        const double scale = total_ > cap ? static_cast<double>(cap) / static_cast<double>(total_) : 1.0;
        setRange(0, static_cast<int>(static_cast<double>(total_) * scale));
        setValue(static_cast<int>(static_cast<double>(done_) * scale));
    } else {
        setRange(0, 0);
    }
    refresh();
}

void BusyStrip::showBusy(const QString& text) {
    done_ = total_ = 0;
    detail_.clear();
    setRange(0, 0);
    setText(text);
    if (statusLine_) statusLine_->clear();
    show();
    raise();
    QCoreApplication::processEvents();
}

void BusyStrip::setStatusLine(QLabel* line) { statusLine_ = line; }
QLabel* BusyStrip::statusLine() const { return statusLine_; }

void BusyStrip::finish(const QString& summary) {
    hide();
    done_ = total_ = 0;
    detail_.clear();
    if (statusLine_) statusLine_->setText(summary);
}

}  // namespace ds::ui
