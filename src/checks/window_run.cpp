#include "checks/window_run.h"

#include <QDateTime>
#include <QEventLoop>
#include <QSpinBox>
#include <QTimer>

#include "core/config.h"
#include "search/fdomain.h"
#include "ui/busy_strip.h"

namespace ds::checks {

engine::EngineSettings WindowEngineSettings(const search::Fdomain& form) {
    engine::EngineSettings s = engine::SettingsFromConfig(config());
    if (const auto* box = form.findChild<QSpinBox*>(QStringLiteral("lconcurrency(0)")))
        s.concurrency = std::clamp(box->value(), 1, 16);
    return s;
}

WindowRun::WindowRun(search::Fdomain& form, engine::CheckEngine& engine, ui::BusyStrip* strip)
    : form_(&form), engine_(engine), strip_(strip) {
    QObject::connect(&engine_, &engine::CheckEngine::hostPaused, &engine_, [this](const QString& host, qint64 ms) {
        pausedHost_ = host;
        pauseEndsMs_ = QDateTime::currentMSecsSinceEpoch() + ms;
        showProgress(done_, total_);
    });
}

WindowRun::End WindowRun::wait() {
    // Seen after every answer too, not only by the timer below: a stop pressed while an answer was on
    // its way, or by the answer's own handler, ends the run before the next job goes out. Connected
    // here, after the caller's handlers, so it runs after them.
    QObject::connect(&engine_, &engine::CheckEngine::jobFinished, &engine_, [this] {
        if (!stopSeen_ && (form_.isNull() || form_->state().StopFlag)) {
            stopSeen_ = true;
            engine_.stop();
        }
    });
    End end = End::Done;
    if (engine_.unanswered() > 0) {
        QEventLoop loop;
        QObject::connect(&engine_, &engine::CheckEngine::idle, &loop, &QEventLoop::quit);
        QTimer watch;
        QObject::connect(&watch, &QTimer::timeout, &loop, [&] {
            if (form_.isNull()) {
                end = End::WindowGone;
                engine_.stop();
            } else if (form_->state().StopFlag && !stopSeen_) {
                stopSeen_ = true;
                engine_.stop();
            } else if (!pausedHost_.isEmpty()) {
                showProgress(done_, total_);  // the pause counts down
            }
        });
        watch.start(20);
        if (engine_.unanswered() > 0) loop.exec();
    }
    if (form_.isNull()) return End::WindowGone;
    return stopSeen_ ? End::Stopped : end;
}

void WindowRun::showProgress(int done, int total) {
    done_ = done;
    total_ = total;
    if (!strip_) return;
    QString detail = u"，进行中 " + QString::number(engine_.inFlight());
    const qint64 left = pauseEndsMs_ - QDateTime::currentMSecsSinceEpoch();
    if (!pausedHost_.isEmpty() && left > 0)
        detail += u"，限速：" + pausedHost_ + u" 暂停 " + QString::number((left + 999) / 1000) + u" 秒";
    else
        pausedHost_.clear();
    strip_->setDetail(detail);
    strip_->setProgress(done, total);
}

}  // namespace ds::checks
