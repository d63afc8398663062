#pragma once
// "帮助 > 内容": a short guide to the main window, shown in a window of its own beside it.
#include <QWidget>

namespace ds::search {

class HelpWindow : public QWidget {
    Q_OBJECT
public:
    explicit HelpWindow(QWidget* parent = nullptr);

    // The guide as rich text (kept apart so it can be read without a window).
    static QString GuideHtml();
};

}  // namespace ds::search
