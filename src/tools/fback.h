#pragma once
// The filing window (the filing record of one domain, with its server's address) and the paste box
// that puts a pasted list of names into the main window's grid.
#include <QList>
#include <functional>
#include <memory>

#include "tools/side_window.h"

class QLineEdit;
class QPlainTextEdit;

namespace ds::ui {
class GridControl;
}

namespace ds::tools {

class cPing;

class fback : public SideWindow {
    Q_OBJECT
public:
    explicit fback(QWidget* parent = nullptr);
    ~fback() override;

    QLineEdit* ltext() const { return ltext_; }
    QLineEdit* lwith(int index) const { return lwith_.value(index); }

    // The lookup in ldomainback; a domain without a record leaves the fields empty, without a message.
    // The lookup yields to the window; a lookup asked for meanwhile (a hand-over, Enter) runs when the
    // current one has ended, so two never fill the same fields at once.
    void lfind_Click();
    void lclose_Click() { hideByUser(); }

protected:
    void runLookup() override { lfind_Click(); }

private:
    void lookup();

    QLineEdit* ltext_ = nullptr;
    QList<QLineEdit*> lwith_;
    std::unique_ptr<cPing> ping_;
};

// "备案查询域名导入框": floats on top along the right edge of the screen. `grid` is the main window's.
class flist_back : public QWidget {
    Q_OBJECT
public:
    // `rowsReplaced` is called after the grid has been filled (the main window forgets where its rows
    // came from: pasted names belong to no table).
    flist_back(ui::GridControl* grid, std::function<void()> rowsReplaced, QWidget* parent = nullptr);

    QPlainTextEdit* llist() const { return llist_; }

    void lgo_Click();
    void lclear_Click();
    void Command1_Click() { hide(); }
    // Places the window along the right edge of the screen it is on.
    void placeOnScreen();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    ui::GridControl* grid_;
    std::function<void()> rowsReplaced_;
    QPlainTextEdit* llist_ = nullptr;
};

}  // namespace ds::tools
