#pragma once
// The whois window: shows the whois service's page for one domain.
#include "tools/side_window.h"

class QLineEdit;
class QPushButton;

namespace ds::tools {

class PageView;

class Fwhois : public SideWindow {
    Q_OBJECT
public:
    explicit Fwhois(QWidget* parent = nullptr);

    QLineEdit* ltext() const { return ltext_; }
    PageView* lshowwhois() const { return lshowwhois_; }

    // The lookup: the whois service's address (setting lwhoisurl) followed by the cleaned domain.
    void lfind_Click();
    void lclose_Click() { hideByUser(); }
    // Opens the page on show in the user's browser, for pages that need a real one.
    void lbrowser_Click();

protected:
    void runLookup() override { lfind_Click(); }

private:
    QLineEdit* ltext_ = nullptr;
    PageView* lshowwhois_ = nullptr;
    QString address_;
};

}  // namespace ds::tools
