#include "search/statements/statistics_runner.h"

#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QAbstractSpinBox>
#include <QWidget>
#include <exception>

#include "core/reentry_guard.h"
#include "db/db_error.h"
#include "db/shared_objects.h"
#include "search/statements/statistics_plan.h"
#include "ui/busy_strip.h"
#include "ui/desktop.h"

using namespace Qt::StringLiterals;

namespace ds::search {
namespace {

QString ArrayName(const QString& name, int index) { return name + u'(' + QString::number(index) + u')'; }

QLabel* Label(QWidget* form, const QString& name, int index) {
    return form->findChild<QLabel*>(ArrayName(name, index));
}

// Count labels may be markup labels, whose Qt text is the rendered form of their "caption" property;
// the caption is what the panel compares and writes.
QString LabelText(const QLabel* label) {
    const QVariant caption = label->property("caption");
    return caption.isValid() ? caption.toString() : label->text();
}

void SetLabelText(QLabel* label, const QString& text) {
    if (label->property("caption").isValid()) label->setProperty("caption", text);
    else label->setText(text);
}

QString ThresholdText(QWidget* form, int index) {
    const QString name = ArrayName(u"txtUpDown"_s, index);
    if (const auto* edit = form->findChild<QLineEdit*>(name)) return edit->text();
    if (const auto* spin = form->findChild<QAbstractSpinBox*>(name)) return spin->text();
    return StatisticsPanel::Initial().thresholds[index];
}

// The panel as the window shows it; a missing label reads as it starts.
StatisticsPanel ReadPanel(QWidget* form) {
    StatisticsPanel panel = StatisticsPanel::Initial();
    auto read = [&](const QString& name, int i, QString& text) {
        if (const QLabel* l = Label(form, name, i)) text = LabelText(l);
    };
    for (int i : TotalLabels) read(u"lshowtext"_s, i, panel.shown[i]);
    for (int i : ThresholdLabels) {
        read(u"lshowtext"_s, i, panel.shown[i]);
        read(u"lshowtextbak"_s, i, panel.remembered[i]);
        panel.thresholds[i] = ThresholdText(form, i);
    }
    return panel;
}

// One count by the opening rule on the shared recordset; its first column as text.
QString FetchCount(const QString& statement) {
    if (!db::DbConn().isOpen()) db::NewDbObjects();
    db::Recordset& rs = db::DbRs();
    db::OpenRecordset(rs, statement);
    if (rs.eof()) return {};
    return rs.value(0).toString();
}

// Shows the busy strip for the command and hides it however the command ends.
class BusyScope {
public:
    explicit BusyScope(QWidget* form) : strip_(form->findChild<ui::BusyStrip*>(u"floadtxt"_s)) {}
    ~BusyScope() {
        if (strip_) strip_->hide();
    }
    void show(const QString& text) {
        if (strip_) strip_->showBusy(text);
    }

private:
    QPointer<ui::BusyStrip> strip_;
};

}  // namespace

void RunStatistics(QWidget* form) {
    if (!form) return;
    // The counts yield between them; a press meanwhile would run the same counts inside this run and
    // hide the busy strip under it.
    static QSet<const void*> running;
    ReentryGuard guard(running, form);
    if (!guard.entered()) return;
    BusyScope busy(form);
    busy.show(QString::fromUtf16(StatisticsBusyText));

    for (const StatisticsFetch& fetch : PlanStatistics(ReadPanel(form))) {
        busy.show(fetch.busyText);
        QString count;
        QString error;
        bool failed = true;
        try {
            count = FetchCount(fetch.statement);
            failed = false;
        } catch (const db::DbError& e) {
            error = e.description();
        } catch (const std::exception& e) {
            error = QString::fromLocal8Bit(e.what());
        }
        if (failed) {
            ui::desktop().message(form, QString::fromUtf16(StatisticsErrorText) + error);
            return;
        }
        if (QLabel* l = Label(form, u"lshowtext"_s, fetch.label)) SetLabelText(l, count);
        if (fetch.isThreshold)
            if (QLabel* l = Label(form, u"lshowtextbak"_s, fetch.label)) SetLabelText(l, fetch.thresholdText);
        QCoreApplication::processEvents();
    }
}

}  // namespace ds::search
