#pragma once
// The whois window: shows the whois service's page for one domain.
#include "tools/side_window.h"

class QLineEdit;
class QPushButton;

namespace ds::tools {

class PageView;

// Told when the whois service gave no page (the reason follows), and when it answered with an error
// status (%1).
inline constexpr char16_t kWhoisNoAnswerText[] = u"WHOIS 服务没有应答";
inline constexpr char16_t kWhoisErrorText[] = u"WHOIS 服务返回了错误（HTTP %1），没有查到 WHOIS 信息。";

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
    // Ends the page load under way: the page's fetch and its pictures.
    void lstop_Click();

protected:
    void runLookup() override { lfind_Click(); }

private:
    QLineEdit* ltext_ = nullptr;
    PageView* lshowwhois_ = nullptr;
    QString rawPage_;     // an error page the service sent, shown on request
    quint64 lookups_ = 0;  // moves with every lookup and stop, so a superseded one shows nothing
    QString address_;
};

}  // namespace ds::tools
