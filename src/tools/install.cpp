#include "tools/install.h"

#include <QLineEdit>
#include <QPointer>
#include <QScreen>
#include <algorithm>

#include "search/fdomain.h"
#include "tools/fback.h"
#include "tools/fip.h"
#include "tools/fwhois.h"
#include "ui/grid_control.h"

namespace ds::tools {
namespace {

// A side window first opens in the middle of the main window, kept inside the free area of the main
// window's screen, so that it comes up where the user is looking, whatever the size and place of the
// main window. Later showings keep the place the user moved it to. (The paste box is not one of these:
// it keeps its place at the screen's right edge.)
void PlaceOver(QWidget& window, const QWidget& form) {
    const QScreen* screen = form.screen() ? form.screen() : window.screen();
    if (!screen) return;
    const QRect free = screen->availableGeometry();
    QRect placed(QPoint(), window.frameGeometry().size().boundedTo(free.size()));
    if (placed.size() != window.frameGeometry().size())
        window.resize(window.size() - (window.frameGeometry().size() - placed.size()));
    placed.moveCenter(form.frameGeometry().center());
    placed.moveLeft(std::clamp(placed.left(), free.left(), free.right() + 1 - placed.width()));
    placed.moveTop(std::clamp(placed.top(), free.top(), free.bottom() + 1 - placed.height()));
    window.move(placed.topLeft());
}

// Owns a main window's side windows. They are top-level windows of their own, created on first use
// and only hidden when closed, so each keeps its state until the main window goes.
class SideWindows : public QObject {
public:
    explicit SideWindows(search::Fdomain& form) : QObject(&form), form_(form) {
        setObjectName(QStringLiteral("sideWindows"));
    }
    ~SideWindows() override {
        delete whois_;
        delete ip_;
        delete filing_;
        delete paste_;
    }

    Fwhois* whois(bool create) { return make(whois_, create, [] { return new Fwhois; }); }
    Fip* ip(bool create) { return make(ip_, create, [] { return new Fip; }); }
    fback* filing(bool create) { return make(filing_, create, [] { return new fback; }); }
    flist_back* paste(bool create) {
        return make(paste_, create, [this] {
            return new flist_back(form_.grid1(), [this] {
                form_.GridTakenByList();
                // A page load or check suspended under this click must not go on over the pasted rows.
                form_.state().StopFlag = true;
                // The pasted rows are chosen as the 选择 box says (全选 ticks them).
                form_.ApplySelection();
                form_.ShowListCount(form_.grid1()->rows() - 1);
            });
        });
    }

private:
    template <typename W, typename Make>
    W* make(QPointer<W>& window, bool create, Make makeOne) {
        if (!window && create) window = makeOne();
        return window;
    }

    search::Fdomain& form_;
    QPointer<Fwhois> whois_;
    QPointer<Fip> ip_;
    QPointer<fback> filing_;
    QPointer<flist_back> paste_;
};

SideWindows* WindowsOf(const search::Fdomain& form) {
    return form.findChild<SideWindows*>(QStringLiteral("sideWindows"), Qt::FindDirectChildrenOnly);
}

// Shows the window in front and, for a name with a ".", puts it into the window's box and runs the
// lookup; otherwise the window only comes to the front as it was.
template <typename W>
void HandOver(W* window, const search::Fdomain& form, const QString& domain) {
    window->showInFront();
    // Placed once it is shown, when its size and frame are what the screen will see.
    if (!window->property("placedOverMain").toBool()) {
        window->setProperty("placedOverMain", true);
        PlaceOver(*window, form);
    }
    if (!domain.contains(u'.')) return;
    window->ltext()->setText(domain);
    window->lfind_Click();
}

}  // namespace

void InstallSideTools(search::Fdomain& form) {
    auto* windows = new SideWindows(form);
    auto* f = &form;
    form.setHandOver(QStringLiteral("Fwhois"), [f, windows](const QString& d) { HandOver(windows->whois(true), *f, d); });
    form.setHandOver(QStringLiteral("Fip"), [f, windows](const QString& d) { HandOver(windows->ip(true), *f, d); });
    form.setHandOver(QStringLiteral("fback"), [f, windows](const QString& d) { HandOver(windows->filing(true), *f, d); });

    for (const char* name : {"lwhois", "lfindwhois", "slfindwhois"})
        form.setAction(QString::fromLatin1(name), [f, windows] { HandOver(windows->whois(true), *f, f->CurrentRowDomain()); });
    form.setAction(QStringLiteral("lip"), [f, windows] { HandOver(windows->ip(true), *f, f->CurrentRowDomain()); });
    form.setAction(QStringLiteral("lbak"), [f, windows] { HandOver(windows->filing(true), *f, f->CurrentRowDomain()); });
    form.setAction(QStringLiteral("Command2"), [windows] {
        flist_back* paste = windows->paste(true);
        paste->show();
        paste->raise();
    });
}

Fwhois* WhoisWindowOf(const search::Fdomain& form) {
    SideWindows* w = WindowsOf(form);
    return w ? w->whois(false) : nullptr;
}
Fip* IpWindowOf(const search::Fdomain& form) {
    SideWindows* w = WindowsOf(form);
    return w ? w->ip(false) : nullptr;
}
fback* FilingWindowOf(const search::Fdomain& form) {
    SideWindows* w = WindowsOf(form);
    return w ? w->filing(false) : nullptr;
}
flist_back* PasteListOf(const search::Fdomain& form) {
    SideWindows* w = WindowsOf(form);
    return w ? w->paste(false) : nullptr;
}

}  // namespace ds::tools
