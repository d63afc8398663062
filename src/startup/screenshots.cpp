#include "startup/screenshots.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEvent>
#include <QFile>
#include <QListWidget>
#include <QMouseEvent>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>
#include <QTabWidget>
#include <QTableView>
#include <QThread>
#include <QTimer>
#include <QToolTip>
#include <QWidget>
#include <functional>

#include "lists/notices.h"
#include "search/domain_row.h"
#include "search/fdomain.h"
#include "skin/form_skins.h"
#include "skin/skinned_frame.h"
#include "tools/fback.h"
#include "tools/fip.h"
#include "tools/fwhois.h"
#include "tools/install.h"
#include "ui/desktop.h"
#include "ui/grid_control.h"

namespace ds::startup {

namespace {

// The tab that holds 查询备案信息; the other checks are pressed on the first tab, whose grid they fill.
const QString kListsTabCaption = QStringLiteral("批量导入、导出域名");

class ScreenshotWatcher : public QObject {
public:
    ScreenshotWatcher(const QString& folder, const QString& scenario)
        : QObject(qApp), folder_(folder), scenario_(scenario) {
        QDir().mkpath(folder);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::Show || !watched->isWidgetType()) return false;
        auto* widget = static_cast<QWidget*>(watched);
        if (!widget->isWindow()) return false;
        if (!startTaken_ && widget->objectName() == u"fload") {
            startTaken_ = true;
            Save(widget, QStringLiteral("fload.png"), 100, false);  // after the first activation
        } else if (auto* form = qobject_cast<search::Fdomain*>(widget); form && !mainTaken_) {
            mainTaken_ = true;
            if (scenario_ == u"small") {
                const QPointer<search::Fdomain> target(form);
                QTimer::singleShot(1300, this, [this, target] {
                    if (target) PhotographScreenAfterSearch(*target);
                    QCoreApplication::exit(0);
                });
                return false;
            }
            const bool checks = scenario_ == u"checks";
            Save(widget, QStringLiteral("fdomain.png"), 1000, !checks);
            if (checks) {
                const QPointer<search::Fdomain> target(form);
                QTimer::singleShot(1300, this, [this, target] {
                    if (target) RunChecks(*target);
                    if (target) RunSideWindows(*target);
                    if (target) RunListsAndNotices(*target);
                    if (target) RunFrameStates(*target);
                    // Not quit(): it asks every window to close first, and the paste box only hides.
                    QCoreApplication::exit(0);
                });
            }
        }
        return false;
    }

private:
    void Save(QWidget* widget, const QString& name, int delayMs, bool quitAfter) {
        const QPointer<QWidget> target(widget);
        const QString path = QDir(folder_).filePath(name);
        QTimer::singleShot(delayMs, this, [target, path, quitAfter] {
            if (target) target->grab().save(path);
            if (quitAfter) QCoreApplication::quit();
        });
    }

    // Each command runs to its end inside the call (the checks yield to the event loop as they go),
    // so the window can be photographed right after it. The form may close meanwhile; every step
    // checks that it is still there.
    void RunChecks(search::Fdomain& form) {
        const QPointer<search::Fdomain> alive(&form);
        auto showTab = [&form](const QString& caption) { ShowTab(form, caption); };
        auto press = [&form](const QString& name) {
            if (auto* button = form.findChild<QPushButton*>(name)) button->click();
        };

        if (auto* tabs = form.findChild<QTabWidget*>(QStringLiteral("tabcontrolnew"))) tabs->setCurrentIndex(0);
        form.lsearch_Click();
        if (!alive) return;
        Photograph(form, QStringLiteral("fdomain-search.png"));

        press(QStringLiteral("lregshow(1)"));
        if (!alive) return;
        Photograph(form, QStringLiteral("fdomain-regcheck.png"));

        press(QStringLiteral("lgetshow(1)"));
        if (!alive) return;
        // The metric columns are the last four; scrolled fully right, the domain column stays in view.
        ScrollGrid(form, true);
        Photograph(form, QStringLiteral("fdomain-metrics.png"));
        ScrollGrid(form, false);

        showTab(kListsTabCaption);
        press(QStringLiteral("lbackshow(0)"));
        if (!alive) return;
        Photograph(form, QStringLiteral("fdomain-filing.png"));

        // The registries asked instead of the operator's page, and the tooltip of a name in its
        // redemption period or pending delete.
        if (auto* registries = form.findChild<QRadioButton*>(QStringLiteral("lregsource(1)")))
            registries->setChecked(true);
        if (auto* tabs = form.findChild<QTabWidget*>(QStringLiteral("tabcontrolnew"))) tabs->setCurrentIndex(0);
        form.lsearch_Click();
        if (!alive) return;
        press(QStringLiteral("lregshow(1)"));
        if (!alive) return;
        PhotographDroppingTip(form);
    }

    // The whole screen, so the tooltip (a window of its own) is in the picture.
    void PhotographDroppingTip(search::Fdomain& form) {
        ui::GridControl* grid = form.grid1();
        if (!grid) return;
        const int row = FirstRow(*grid, [grid](int r) {
            const QString tip = grid->cellTip(r, search::col::Status);
            return tip.contains(u"赎回期") || tip.contains(u"待删除");
        });
        QTableView* view = grid->view();
        const QModelIndex cell = view->model()->index(row, search::col::Status);
        view->scrollTo(cell);
        QCoreApplication::processEvents();
        const QRect at = view->visualRect(cell);
        QToolTip::showText(view->viewport()->mapToGlobal(at.center()), grid->cellTip(row, search::col::Status), view);
        QCoreApplication::processEvents();
        QThread::msleep(300);
        QCoreApplication::processEvents();
        if (QScreen* screen = form.screen())
            screen->grabWindow(0).save(QDir(folder_).filePath(QStringLiteral("fdomain-registry.png")));
        QToolTip::hideText();
    }

    // The whole screen, not only the window: on a small one the point is that the window fits it.
    void PhotographScreenAfterSearch(search::Fdomain& form) {
        const QPointer<search::Fdomain> alive(&form);
        form.lsearch_Click();
        if (!alive) return;
        QCoreApplication::processEvents();
        if (QScreen* screen = form.screen())
            screen->grabWindow(0).save(QDir(folder_).filePath(QStringLiteral("fdomain-1024x768.png")));
        // The option pages folded away and the grid scrolled to its metric columns: the rows get the
        // room, and the domain column stays in view.
        if (auto* fold = form.findChild<QAbstractButton*>(QStringLiteral("lfoldpanel"))) fold->setChecked(true);
        ScrollGrid(form, true);
        QCoreApplication::processEvents();
        if (QScreen* screen = form.screen())
            screen->grabWindow(0).save(QDir(folder_).filePath(QStringLiteral("fdomain-1024x768-folded.png")));
    }

    // The side windows as a user reaches them after the checks: a row's buttons hand its domain over,
    // and each window has done its lookup when the call returns.
    void RunSideWindows(search::Fdomain& form) {
        const QPointer<search::Fdomain> alive(&form);
        ui::GridControl* grid = form.grid1();
        if (!grid || grid->rows() < 2) return;
        // The whois record is worth reading on a registered name, which the registration check found.
        const int registered = FirstRow(*grid, [grid](int row) {
            return grid->cellText(row, search::col::Status) == u"已注册";
        });
        grid->setActiveCell(registered, search::col::Domain);
        form.runAction(QStringLiteral("lwhois"));
        if (!alive) return;
        PhotographAndHide(tools::WhoisWindowOf(form), QStringLiteral("fwhois.png"));

        // The first row's address is one the demo's search engine lists names on.
        grid->setActiveCell(1, search::col::Domain);
        form.runAction(QStringLiteral("lip"));
        if (!alive) return;
        PhotographAndHide(tools::IpWindowOf(form), QStringLiteral("fip.png"));

        const int filed = FirstRow(*grid, [grid](int row) {
            const QString number = grid->cellText(row, search::col::FilingNumber);
            return !number.isEmpty() && number != u"未备案";
        });
        grid->setActiveCell(filed, search::col::Domain);
        form.runAction(QStringLiteral("lbak"));
        if (!alive) return;
        PhotographAndHide(tools::FilingWindowOf(form), QStringLiteral("fback.png"));

        // A pasted list as it comes from another program: Windows line ends, a blank line, spaces
        // and capitals, and a line without a dot, which the import skips.
        QStringList lines;
        for (int row = 2; row < grid->rows() && lines.size() < 6; row += 3)
            lines << grid->cellText(row, search::col::Domain);
        if (lines.size() > 1) lines[1] = u" " + lines[1].toUpper() + u" ";
        lines.insert(qMin(lines.size(), qsizetype(3)), QString());
        lines << QStringLiteral("备案域名列表");
        form.runAction(QStringLiteral("Command2"));
        tools::flist_back* paste = tools::PasteListOf(form);
        if (!alive || !paste) return;
        paste->llist()->setPlainText(lines.join(u"\r\n"));
        if (auto* lgo = paste->findChild<QPushButton*>(QStringLiteral("lgo"))) lgo->click();
        if (!alive) return;
        Photograph(*paste, QStringLiteral("flist_back.png"));
        Photograph(form, QStringLiteral("fdomain-pasted.png"));
    }

    // The notices of the tools tab (both lists filled, a promotion picked, the advert drawn) and the
    // lists tab after a text file was imported; the open-file dialog is answered with a file written here.
    void RunListsAndNotices(search::Fdomain& form) {
        const QPointer<search::Fdomain> alive(&form);
        auto showTab = [&form](const QString& caption) { ShowTab(form, caption); };
        showTab(QStringLiteral("域名相关工具"));
        form.runAction(QStringLiteral("showpricelist"));
        if (!alive) return;
        form.runAction(QStringLiteral("showpromlist"));
        if (!alive) return;
        if (auto* proms = form.findChild<QListWidget*>(QStringLiteral("lpromlist")); proms && proms->count() > 0)
            proms->setCurrentRow(0);
        lists::Timer1_Timer(form);
        Photograph(form, QStringLiteral("fdomain-tools.png"));

        // A private list as users keep one: a heading, names with notes after them, a blank line.
        const QStringList lines = {QStringLiteral("我的关注列表"),      QStringLiteral("lexiaomei.com  朋友推荐"),
                                   QStringLiteral("yunduanshu.cn"),    QStringLiteral("huaxia-mall.com.cn  商城"),
                                   QString(),                          QStringLiteral("kaixinwang.net"),
                                   QStringLiteral("青岛啤酒.com  中文"), QStringLiteral("88tianqi.cn"),
                                   QStringLiteral("shuzishenghuo.org"), QStringLiteral("zhongkeyun.com.cn  备用")};
        const QString file = QDir(folder_).filePath(QStringLiteral("import-list.txt"));
        QFile out(file);
        if (!out.open(QIODevice::WriteOnly)) return;
        out.write(lines.join(QStringLiteral("\r\n")).toUtf8());
        out.close();
        showTab(kListsTabCaption);
        ui::SetDesktop(std::make_shared<AnsweringDesktop>(file));
        form.runAction(QStringLiteral("lintxt"));
        ui::SetDesktop(nullptr);
        QFile::remove(file);
        if (!alive) return;
        Photograph(form, QStringLiteral("fdomain-imported.png"));
    }

    // The real desktop, but its open-file dialog answers with one prepared file.
    class AnsweringDesktop : public ui::QtDesktop {
    public:
        explicit AnsweringDesktop(QString file) : file_(std::move(file)) {}
        QString openFileName(QWidget*, const QString&, const QString&) override { return file_; }

    private:
        QString file_;
    };

    // The main window's frame in its other states: inactive behind a side window, maximized, and with
    // its close button held down (released away from the button, so nothing closes).
    void RunFrameStates(search::Fdomain& form) {
        const QPointer<search::Fdomain> alive(&form);
        if (QWidget* side = tools::WhoisWindowOf(form)) {
            side->show();
            side->raise();
            side->activateWindow();
            WaitUntil([&form] { return !form.isActiveWindow(); });
            if (!alive) return;
            Photograph(form, QStringLiteral("fdomain-inactive.png"));
            side->hide();
        }
        form.activateWindow();
        WaitUntil([&form] { return form.isActiveWindow(); });
        if (!alive) return;

        const QRect before = form.geometry();
        form.showMaximized();
        // Without a window manager nobody sizes a maximized window; it is given the screen's free area.
        const QRect free = form.screen() ? form.screen()->availableGeometry() : QRect();
        if (!WaitUntil([&form, &free] { return form.geometry() == free; }) && free.isValid()) form.setGeometry(free);
        if (!alive) return;
        Photograph(form, QStringLiteral("fdomain-maximized.png"));
        form.showNormal();
        form.setGeometry(before);
        QCoreApplication::processEvents();

        const skin::cNeoClass* frame = skin::FrameOf(form);
        if (!frame || !frame->buttons().present[skin::Close]) return;
        const skin::WinRect close = frame->buttons().rect[skin::Close];
        const QPoint on((close.left + close.right) / 2, (close.top + close.bottom) / 2);
        const QPoint away(form.width() / 2, close.top + 4);
        SendMouse(form, QEvent::MouseButtonPress, on, Qt::LeftButton);
        Photograph(form, QStringLiteral("fdomain-close-pressed.png"));
        SendMouse(form, QEvent::MouseMove, away, Qt::NoButton);
        SendMouse(form, QEvent::MouseButtonRelease, away, Qt::LeftButton);
    }

    static void SendMouse(QWidget& w, QEvent::Type type, QPoint at, Qt::MouseButton button) {
        const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent e(type, at, w.mapToGlobal(at), button, held, Qt::NoModifier);
        QApplication::sendEvent(&w, &e);
    }

    // Lets the window system answer for up to a second.
    static bool WaitUntil(const std::function<bool()>& done) {
        QElapsedTimer t;
        t.start();
        while (!done() && t.elapsed() < 1000) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        return done();
    }

    // The first grid row that `wanted` accepts, else the first row.
    template <typename Pred>
    static int FirstRow(const ui::GridControl& grid, Pred wanted) {
        for (int row = 1; row < grid.rows(); ++row)
            if (wanted(row)) return row;
        return 1;
    }

    void PhotographAndHide(QWidget* window, const QString& name) {
        if (!window) return;
        Photograph(*window, name);
        window->hide();
    }

    static void ShowTab(search::Fdomain& form, const QString& caption) {
        auto* tabs = form.findChild<QTabWidget*>(QStringLiteral("tabcontrolnew"));
        if (!tabs) return;
        for (int i = 0; i < tabs->count(); ++i)
            if (tabs->tabText(i) == caption) tabs->setCurrentIndex(i);
    }

    static void ScrollGrid(search::Fdomain& form, bool toRight) {
        if (!form.grid1()) return;
        QScrollBar* bar = form.grid1()->view()->horizontalScrollBar();
        bar->setValue(toRight ? bar->maximum() : bar->minimum());
    }

    void Photograph(QWidget& window, const QString& name) {
        // Lets the last cell updates and the hidden busy strip reach the screen before the grab.
        QCoreApplication::processEvents();
        window.grab().save(QDir(folder_).filePath(name));
    }

    QString folder_;
    QString scenario_;
    bool startTaken_ = false;
    bool mainTaken_ = false;
};

}  // namespace

void WatchForScreenshots(const QString& folder) {
    qApp->installEventFilter(new ScreenshotWatcher(folder, qEnvironmentVariable(kScreenshotScenarioVariable)));
}

}  // namespace ds::startup
