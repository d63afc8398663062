#pragma once
// The progress strip used as a status line (`floadtxt`): a progress bar that shows one text. Long
// commands show it with a text ending in "请稍候", count their steps on it ("12 / 200") where they know
// how many there are, and hide it when they end. A command that has something to report when it ends
// ("注册查询完成：…") leaves that on the status line beside the strip, where it stays until the next
// command starts.
//
// Counting is cheap and painting is not: the strip takes every step, but is painted at most once per
// kStripRepaintIntervalMs, and at once for the last step and when a command shows it (showBusy). A
// step or text that arrives inside the interval is painted when the interval ends, even if nothing
// follows it. The strip paints its whole rectangle, so the window behind it is not repainted with it.
#include <QElapsedTimer>
#include <QPointer>
#include <QProgressBar>
#include <QString>

class QLabel;
class QTimer;

namespace ds::ui {

inline constexpr int kStripRepaintIntervalMs = 50;

class BusyStrip : public QProgressBar {
    Q_OBJECT
public:
    explicit BusyStrip(const QString& text = {}, QWidget* parent = nullptr);
    void setText(const QString& text);
    // The command's text, without the count.
    QString text() const override { return text_; }
    // What the strip shows: the text, then the count once one is set.
    QString shownText() const;
    // Shows the strip with `text` and no count yet, raises it above its siblings, clears the status
    // line and lets the window repaint.
    void showBusy(const QString& text);
    // `done` of `total` steps; a total below 1 goes back to the running indicator without a count.
    // The bar's own value (QProgressBar::value) follows when the strip is painted.
    void setProgress(qint64 done, qint64 total);
    qint64 done() const { return done_; }
    qint64 total() const { return total_; }
    // A note shown after the count ("，进行中 4"); cleared by showBusy and finish.
    void setDetail(const QString& detail);

    // The label that keeps a command's closing report; none by default.
    void setStatusLine(QLabel* line);
    QLabel* statusLine() const;
    // Hides the strip and puts `summary` on the status line.
    void finish(const QString& summary);

signals:
    // Every step, as setProgress gets it (painting comes at most once per interval).
    void progressChanged(qint64 done, qint64 total);

protected:
    void initStyleOption(QStyleOptionProgressBar* option) const override;
    void paintEvent(QPaintEvent* event) override;

private:
    // Paints now, or once the interval since the last paint has passed.
    void refresh(bool now);
    void paintCountNow();

    QString text_;
    qint64 done_ = 0;
    qint64 total_ = 0;
    QString detail_;
    QPointer<QLabel> statusLine_;
    QElapsedTimer sincePaintRequest_;
    QTimer* pending_ = nullptr;
    quint64 paints_ = 0;
};

// "<done> / <total>", the count the strip shows.
QString ProgressCount(qint64 done, qint64 total);

}  // namespace ds::ui
