#pragma once
// The progress strip used as a status line (`floadtxt`): a progress bar that shows one text. Long
// commands show it with a text ending in "请稍候", count their steps on it ("12 / 200") where they know
// how many there are, and hide it when they end. A command that has something to report when it ends
// ("注册查询完成：…") leaves that on the status line beside the strip, where it stays until the next
// command starts.
#include <QPointer>
#include <QProgressBar>
#include <QString>

class QLabel;

namespace ds::ui {

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
    void setProgress(qint64 done, qint64 total);
    // A note shown after the count ("，进行中 4"); cleared by showBusy and finish.
    void setDetail(const QString& detail);

    // The label that keeps a command's closing report; none by default.
    void setStatusLine(QLabel* line);
    QLabel* statusLine() const;
    // Hides the strip and puts `summary` on the status line.
    void finish(const QString& summary);

protected:
    void initStyleOption(QStyleOptionProgressBar* option) const override;

private:
    void refresh();

    QString text_;
    qint64 done_ = 0;
    qint64 total_ = 0;
    QString detail_;
    QPointer<QLabel> statusLine_;
};

// "<done> / <total>", the count the strip shows.
QString ProgressCount(qint64 done, qint64 total);

}  // namespace ds::ui
