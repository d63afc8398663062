#pragma once
// The domain and IP window: a domain's address, the other names the search engine lists on that
// address (kept when they resolve to it), the address's location table, and the user's own addresses.
#include <QList>
#include <QSet>
#include <memory>

#include "tools/side_window.h"

class QLabel;
class QLineEdit;
class QListWidget;

namespace ds::ui {
class BusyStrip;
}

namespace ds::tools {

class cPing;
class PageView;

class Fip : public SideWindow {
    Q_OBJECT
public:
    explicit Fip(QWidget* parent = nullptr);
    ~Fip() override;

    QLineEdit* ltext() const { return ltext_; }

    // The lookup. It yields to the window before every fetch and every candidate name, so the stop and
    // close buttons work. A lookup asked for while one runs (Enter, a hand-over) ends the running one
    // at its next check and then starts afresh, so the names of two lookups never mix.
    void lfind_Click();
    // Also ends a fetch or name lookup under way, as every stop button does; a lookup asked for
    // meanwhile is stopped with the running one.
    void lstop_Click() { stopRun(); }
    void lclose_Click() { hideByUser(); }
    void llist_Click();
    // Arms the own-address panel for the next lookup and puts the cursor into the domain box.
    void Form_Activate();

    // Upper bound on the further result pages fetched for one lookup: a page that claims thousands
    // must not keep the window busy for hours.
    static constexpr int kMaxResultPages = 100;

protected:
    void runLookup() override { lfind_Click(); }
    void onUserHide() override;
    bool event(QEvent* event) override;

private:
    void lookup();
    void ownAddressPanel();
    // The names on `address` from the search engine's result pages.
    void sameAddressNames(const QString& address);
    void location(const QString& address);
    void finish();
    void showMessage(const QString& text);
    // Ends the run at its next check, and the fetch or name lookup it waits on now.
    void stopRun();

    QLineEdit* ltext_ = nullptr;
    QLineEdit* lip_ = nullptr;
    QLineEdit* ldomain_ = nullptr;
    QListWidget* llist_ = nullptr;
    QLabel* lcount_ = nullptr;
    QLabel* lipstate_ = nullptr;
    PageView* lipmess_ = nullptr;
    ui::BusyStrip* floadtxt_ = nullptr;
    QList<QLineEdit*> liptext_;
    std::unique_ptr<cPing> ping_;

    bool stopFlag_ = true;
};

}  // namespace ds::tools
