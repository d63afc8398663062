#include "lists/notices.h"

#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPointer>
#include <QRandomGenerator>
#include <QTimer>

#include "core/remote_settings.h"
#include "core/reentry_guard.h"
#include "core/yield_pacer.h"
#include "db/lock_wait.h"
#include "db/shared_objects.h"
#include "lists/install.h"
#include "lists/notice_rules.h"
#include "search/domain_row.h"
#include "search/fdomain.h"
#include "ui/desktop.h"
#include "ui/markup.h"

namespace ds::lists {
namespace {

double (*g_draw)() = nullptr;

double Draw() { return g_draw ? g_draw() : QRandomGenerator::global()->generateDouble(); }

template <typename T>
T* Child(search::Fdomain& form, const char* name) {
    return form.findChild<T*>(QString::fromLatin1(name));
}

QSet<const void*>& FillingForms() {
    static QSet<const void*> forms;
    return forms;
}

void Append(QListWidget* list, const QString& markup) {
    auto* item = new QListWidgetItem(ui::ParseMarkup(markup).plain, list);
    item->setData(ui::MarkupRole, markup);
}

// Fills a list from DbRs by the opening rule, one entry per record; the window yields between
// entries. A failure keeps the entries already there and says why.
void FillList(search::Fdomain& form, NoticeList kind) {
    // A second press during the yields would reopen DbRs under this loop.
    ReentryGuard guard(FillingForms(), &form);
    if (!guard.entered()) return;
    const bool prices = kind == NoticeList::Prices;
    QPointer<QListWidget> list = Child<QListWidget>(form, prices ? "lpricelist" : "lpromlist");
    QPointer<QListWidget> addresses = Child<QListWidget>(form, "lpromlist_bak");
    if (!list || (!prices && !addresses)) return;
    list->clear();
    if (!prices) addresses->clear();
    db::Recordset& rs = db::DbRs();
    try {
        if (!db::DbConn().isOpen()) db::NewDbObjects();
        db::OpenRecordset(rs, QString::fromUtf16(prices ? kPriceStatement : kPromotionStatement));
        // Read whole before the loop yields: the filing check run from a click meanwhile reopens DbRs.
        QList<std::array<QString, 3>> rows;
        for (rs.moveFirst(); rs.recordCount() > 0 && !rs.eof(); rs.moveNext()) {
            if (prices)
                rows.append({rs.text(QStringLiteral("lextend")), rs.text(QStringLiteral("lprice")), {}});
            else
                rows.append({rs.text(QStringLiteral("ltext")), rs.text(QStringLiteral("lprom")),
                             rs.text(QStringLiteral("lweburl"))});
        }
        rs.close();
        YieldPacer pacer;
        for (int i = 0; i < rows.size(); ++i) {
            pacer.yield();
            if (!list || (!prices && !addresses)) return;
            Append(list, NoticeItemMarkup(kind, list->count(), rows[i][0], rows[i][1]));
            if (!prices) addresses->addItem(rows[i][2]);
        }
    } catch (const db::DbError& e) {
        if (rs.state() == db::Recordset::StateOpen) rs.close();
        ui::desktop().message(&form, QString::fromUtf16(kListFailureText) + e.description());
    }
}

// The advert label is a label: a click on it is a release of the mouse over it.
class AdvertClicks : public QObject {
public:
    AdvertClicks(search::Fdomain& form, QLabel* label) : QObject(label), form_(form) { label->installEventFilter(this); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::MouseButtonRelease) {
            // A left button let go over the label; a right click or a press dragged off it is no click.
            const auto* release = static_cast<QMouseEvent*>(event);
            const auto* label = static_cast<QWidget*>(watched);
            if (release->button() == Qt::LeftButton && label->rect().contains(release->position().toPoint()))
                ladtext_Click(form_);
        }
        return QObject::eventFilter(watched, event);
    }

private:
    search::Fdomain& form_;
};

}  // namespace

void SetAdvertDraw(double (*draw)()) { g_draw = draw; }

void showpricelist_Click(search::Fdomain& form) { FillList(form, NoticeList::Prices); }
void showpromlist_Click(search::Fdomain& form) { FillList(form, NoticeList::Promotions); }

void lpromlist_Click(search::Fdomain& form) {
    auto* list = Child<QListWidget>(form, "lpromlist");
    auto* addresses = Child<QListWidget>(form, "lpromlist_bak");
    auto* code = Child<QLineEdit>(form, "lpromtext");
    const QListWidgetItem* item = list ? list->currentItem() : nullptr;
    if (!item || !code) return;
    code->setText(PromotionCode(item->data(ui::MarkupRole).toString()));
    if (addresses) addresses->setCurrentRow(list->currentRow());
}

void goprom_Click(search::Fdomain& form) {
    auto* addresses = Child<QListWidget>(form, "lpromlist_bak");
    if (const QListWidgetItem* item = addresses ? addresses->currentItem() : nullptr) ui::OpenAddress(item->text());
}

void Timer1_Timer(search::Fdomain& form) {
    // A statement is waiting for the database file; the connection takes no other meanwhile. The
    // next tick tries again.
    if (db::LockWaitsInProgress() > 0) return;
    auto* timer = Child<QTimer>(form, "Timer1");
    auto* text = Child<ui::MarkupLabel>(form, "ladtext");
    db::Recordset& rs = db::DbRs3();
    try {
        if (!db::DbConn().isOpen()) db::NewDbObjects();
        db::OpenRecordset(rs, QString::fromUtf16(kAdvertStatement));
        const qint64 count = rs.recordCount();
        if (auto* stat = Child<QLabel>(form, "ladstat")) stat->setText(QString::number(count));
        if (count > 0 && text) {
            text->show();
            const int n = AdvertNumber(static_cast<int>(std::min<qint64>(count, INT_MAX)), Draw());
            rs.moveFirst();
            for (int i = 1; i < n && !rs.eof(); ++i) rs.moveNext();
            if (!rs.eof()) {
                Child<QLabel>(form, "ladid")->setText(search::CellText(rs.value(QStringLiteral("lid"))));
                Child<QLabel>(form, "ladaddress")->setText(rs.text(QStringLiteral("laddress")));
                text->setCaption(rs.text(QStringLiteral("ltext")));
            }
        }
        // The recordset stays open until the next tick, as the advert's own.
    } catch (const db::DbError& e) {
        // Another program holding the file for a while is no fault of the table: the next tick tries
        // again. Anything else ends the rotation for the rest of the session; the advert on show stays.
        if (e.description().contains(u"database is locked")) return;
        if (timer) timer->stop();
    }
}

void ladtext_Click(search::Fdomain& form) {
    const QString id = Child<QLabel>(form, "ladid")->text();
    if (const std::optional<QString> statement = AdvertClickStatement(id)) {
        db::SqlText = *statement;
        try {
            db::ExecSql();
        } catch (const db::DbError&) {
            // The counter is the operator's statistic; the user still gets to the advertiser's page.
        }
    }
    ui::OpenAddress(Child<QLabel>(form, "ladaddress")->text());
}

void Pushshowbacklist_Click(search::Fdomain& form) {
    ui::desktop().markupDialog(&form, QStringLiteral("域名快速备案"), QStringLiteral("<TextBlock>价格优惠，成功率高</TextBlock>"),
                               remoteSettings().field(QStringLiteral("lbaktext")));
}

void InstallNotices(search::Fdomain& form) {
    form.setAction(QStringLiteral("showpricelist"), [&form] { showpricelist_Click(form); });
    form.setAction(QStringLiteral("showpromlist"), [&form] { showpromlist_Click(form); });
    form.setAction(QStringLiteral("goprom"), [&form] { goprom_Click(form); });
    form.setAction(QStringLiteral("Pushshowbacklist"), [&form] { Pushshowbacklist_Click(form); });
    if (auto* list = Child<QListWidget>(form, "lpromlist"))
        QObject::connect(list, &QListWidget::itemSelectionChanged, &form, [&form] { lpromlist_Click(form); });
    if (auto* label = Child<QLabel>(form, "ladtext")) new AdvertClicks(form, label);
    if (auto* timer = Child<QTimer>(form, "Timer1")) {
        QObject::connect(timer, &QTimer::timeout, &form, [&form] { Timer1_Timer(form); });
        timer->start();
    }
}

}  // namespace ds::lists
