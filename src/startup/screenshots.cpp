#include "startup/screenshots.h"

#include <QApplication>
#include <QDir>
#include <QEvent>
#include <QPixmap>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>
#include <QWidget>

#include "search/fdomain.h"
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
            const bool checks = scenario_ == u"checks";
            Save(widget, QStringLiteral("fdomain.png"), 1000, !checks);
            if (checks) {
                const QPointer<search::Fdomain> target(form);
                QTimer::singleShot(1300, this, [this, target] {
                    if (target) RunChecks(*target);
                    QCoreApplication::quit();
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
        auto* tabs = form.findChild<QTabWidget*>(QStringLiteral("tabcontrolnew"));
        auto showTab = [tabs](const QString& caption) {
            if (!tabs) return;
            for (int i = 0; i < tabs->count(); ++i)
                if (tabs->tabText(i) == caption) tabs->setCurrentIndex(i);
        };
        auto press = [&form](const QString& name) {
            if (auto* button = form.findChild<QPushButton*>(name)) button->click();
        };

        if (tabs) tabs->setCurrentIndex(0);
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
