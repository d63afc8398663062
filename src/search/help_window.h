#pragma once
// "帮助 > 内容": a short guide to the main window, shown in a window of its own beside it. Esc closes it.
#include <QWidget>

namespace ds::search {

class HelpWindow : public QWidget {
    Q_OBJECT
public:
    explicit HelpWindow(QWidget* parent = nullptr);

    // Shows the guide in front, over the owner's screen and wholly inside its free area.
    void showOnScreenOf(QWidget* owner);

    // The guide as rich text (kept apart so it can be read without a window).
    static QString GuideHtml();

protected:
    void keyPressEvent(QKeyEvent* event) override;
};

}  // namespace ds::search
