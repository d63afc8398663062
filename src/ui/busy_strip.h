#pragma once
// The progress strip used as a status line (`floadtxt`): a busy progress bar that shows one text.
// Long commands show it with a text ending in "请稍候" and hide it when they end.
#include <QProgressBar>
#include <QString>

namespace ds::ui {

class BusyStrip : public QProgressBar {
    Q_OBJECT
public:
    explicit BusyStrip(const QString& text = {}, QWidget* parent = nullptr);
    void setText(const QString& text);
    QString text() const override { return text_; }
    // Shows the strip with `text`, raises it above its siblings and lets the window repaint.
    void showBusy(const QString& text);

private:
    QString text_;
};

}  // namespace ds::ui
