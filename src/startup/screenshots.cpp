#include "startup/screenshots.h"

#include <QApplication>
#include <QDir>
#include <QEvent>
#include <QPixmap>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include "search/fdomain.h"

namespace ds::startup {

namespace {

class ScreenshotWatcher : public QObject {
public:
    explicit ScreenshotWatcher(const QString& folder) : QObject(qApp), folder_(folder) { QDir().mkpath(folder); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::Show || !watched->isWidgetType()) return false;
        auto* widget = static_cast<QWidget*>(watched);
        if (!widget->isWindow()) return false;
        if (!startTaken_ && widget->objectName() == u"fload") {
            startTaken_ = true;
            Save(widget, QStringLiteral("fload.png"), 100, false);  // after the first activation
        } else if (!mainTaken_ && qobject_cast<search::Fdomain*>(widget)) {
            mainTaken_ = true;
            Save(widget, QStringLiteral("fdomain.png"), 1000, true);
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

    QString folder_;
    bool startTaken_ = false;
    bool mainTaken_ = false;
};

}  // namespace

void WatchForScreenshots(const QString& folder) { qApp->installEventFilter(new ScreenshotWatcher(folder)); }

}  // namespace ds::startup
