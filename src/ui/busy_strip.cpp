#include "ui/busy_strip.h"

#include <QCoreApplication>
#include <QLabel>
#include <QStyleOptionProgressBar>
#include <QTimer>
#include <algorithm>
#include <limits>
#include <utility>

namespace ds::ui {

QString ProgressCount(qint64 done, qint64 total) {
    return QString::number(done) + u" / " + QString::number(total);
}

namespace {
// The bar's maximum and value for `done` of `total`: the bar counts in int, so a larger total is drawn
// to scale.
std::pair<int, int> BarScale(qint64 done, qint64 total) {
    const qint64 cap = std::numeric_limits<int>::max();
    const double scale = total > cap ? static_cast<double>(cap) / static_cast<double>(total) : 1.0;
    return {static_cast<int>(static_cast<double>(total) * scale), static_cast<int>(static_cast<double>(done) * scale)};
}
}  // namespace

BusyStrip::BusyStrip(const QString& text, QWidget* parent) : QProgressBar(parent) {
    setRange(0, 0);  // busy indicator: no known end
    setTextVisible(true);
    setAlignment(Qt::AlignCenter);
    // The strip fills its whole rectangle with the window's colour before the bar is drawn: a strip the
    // window showed through would have the window behind it repainted with every count. (Filling it in
    // paintEvent under WA_OpaquePaintEvent is not enough: the style's polish clears that attribute on
    // progress bars.)
    setAutoFillBackground(true);
    pending_ = new QTimer(this);
    pending_->setSingleShot(true);
    connect(pending_, &QTimer::timeout, this, &BusyStrip::paintCountNow);
    text_ = text;
}

void BusyStrip::setText(const QString& text) {
    if (text == text_) return;
    text_ = text;
    refresh(false);
}

QString BusyStrip::shownText() const {
    return total_ > 0 ? text_ + u"  " + ProgressCount(done_, total_) + detail_ : text_;
}

void BusyStrip::setDetail(const QString& detail) {
    if (detail == detail_) return;
    detail_ = detail;
    refresh(false);
}

void BusyStrip::refresh(bool now) {
    const qint64 since = sincePaintRequest_.isValid() ? sincePaintRequest_.elapsed() : kStripRepaintIntervalMs;
    if (now || since >= kStripRepaintIntervalMs) {
        paintCountNow();
    } else if (!pending_->isActive()) {
        pending_->start(static_cast<int>(kStripRepaintIntervalMs - since));
    }
}

// The bar's range and value are set here rather than at every step: QProgressBar repaints itself on the
// spot whenever its value moves a percent or a pixel.
void BusyStrip::paintCountNow() {
    pending_->stop();
    sincePaintRequest_.start();
    const quint64 paintsBefore = paints_;
    if (total_ > 0) {
        const auto [maximum, value] = BarScale(done_, total_);
        setRange(0, maximum);
        setValue(value);
    } else {
        setRange(0, 0);
    }
    // A value that moved far enough has just been painted by the bar itself.
    if (paints_ == paintsBefore) update();
}

// The bar draws what text() returns; it is given the count too, while text() stays the command's text.
// A paint for any other reason (the window uncovered) shows the latest count, bar and text alike.
void BusyStrip::initStyleOption(QStyleOptionProgressBar* option) const {
    QProgressBar::initStyleOption(option);
    option->text = shownText();
    if (total_ > 0) {
        const auto [maximum, value] = BarScale(done_, total_);
        option->minimum = 0;
        option->maximum = maximum;
        option->progress = value;
    }
}

void BusyStrip::paintEvent(QPaintEvent* event) {
    ++paints_;
    QProgressBar::paintEvent(event);
}

void BusyStrip::setProgress(qint64 done, qint64 total) {
    total_ = std::max<qint64>(total, 0);
    done_ = std::clamp<qint64>(done, 0, total_);
    emit progressChanged(done_, total_);
    // The last step is painted at once: the loop may end, or wait long, right after it.
    refresh(total_ == 0 || done_ == total_);
}

void BusyStrip::showBusy(const QString& text) {
    done_ = total_ = 0;
    detail_.clear();
    text_ = text;
    if (statusLine_) statusLine_->clear();
    paintCountNow();
    show();
    raise();
    QCoreApplication::processEvents();
}

void BusyStrip::setStatusLine(QLabel* line) { statusLine_ = line; }
QLabel* BusyStrip::statusLine() const { return statusLine_; }

void BusyStrip::finish(const QString& summary) {
    hide();
    pending_->stop();
    done_ = total_ = 0;
    detail_.clear();
    if (statusLine_) statusLine_->setText(summary);
}

}  // namespace ds::ui
