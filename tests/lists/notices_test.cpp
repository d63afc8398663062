// The price, promotion and advert panels and the links of the main window, over a real SQLite file.
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>
#include <sqlite3.h>

#include <gtest/gtest.h>

#include "core/clock.h"
#include "core/remote_settings.h"
#include "db/schema.h"
#include "db/shared_objects.h"
#include "lists/notices.h"
#include "search/fdomain.h"
#include "support/test_support.h"
#include "ui/grid_control.h"
#include "ui/markup.h"

namespace ds::lists {
namespace {

const QDate kToday(2024, 5, 1);

class NoticesTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetClock(std::make_shared<FixedClock>(QDateTime(kToday, QTime(9, 0))));
        path_ = cwd_.file(u"domains.db"_qs);
        db::CreateEmptyDatabase(path_);
        run(u"insert into ldomainprice (lextend,lprice) values ('.com','55'),('.cn','29'),('.net','<b>69</b>');"
            u"insert into ldomainprom (lprom,ltext,lweburl,ltimeend) values "
            u"('TODAY1','今天到期','http://reg.example/today','2024-05-01'),"
            u"('GONE','昨天到期','http://reg.example/gone','2024-04-30'),"
            u"('PAREN','续费(限.com)','http://reg.example/paren','2024-06-01'),"
            u"('Q''T','it''s & <ok>','file:///etc/passwd','2024-06-01');"
            u"insert into lad (lid,lkind,ltext,laddress,lnum) values (1,1,'广告一','http://ad.example/1',0),"
            u"(2,1,'广告二','http://ad.example/2',5),(3,2,'不显示','http://ad.example/3',0);"_qs);
        db::NewDbObjects();
        db::DbConn().open(u"Provider=SQLite;Data Source="_qs + path_);
        w_ = std::make_unique<search::Fdomain>();
        w_->show();
        RemoteSettings s;
        s.loaded = true;
        s.values.insert(u"lbuyurl"_qs, u"http://buy.example/?d="_qs);
        s.values.insert(u"lmailurl"_qs, u"mailto:ops@example.cn"_qs);
        s.values.insert(u"lqqurl"_qs, u"tencent://message/?uin=10000"_qs);
        s.values.insert(u"ltaobaourl"_qs, u"file:///bin/sh"_qs);
        s.values.insert(u"lbaktext"_qs, u"<TextBlock>备案只需<Run FontWeight='Bold'>7</Run>天</TextBlock>"_qs);
        SetRemoteSettings(s);
    }
    void TearDown() override {
        SetAdvertDraw(nullptr);
        w_.reset();
        db::NewDbObjects();
        SetRemoteSettings({});
        SetClock(nullptr);
    }
    void run(const QString& sql) {
        sqlite3* h = nullptr;
        ASSERT_EQ(sqlite3_open(path_.toUtf8().constData(), &h), SQLITE_OK);
        db::ExecSqliteScript(h, sql);
        sqlite3_close(h);
    }
    QString scalar(const QString& sql) {
        db::Connection other;
        other.open(u"Provider=SQLite;Data Source="_qs + path_);
        return other.query(sql).rows.at(0).at(0).toString();
    }
    template <typename T>
    T* child(const QString& name) {
        T* c = w_->findChild<T*>(name);
        EXPECT_NE(c, nullptr) << name.toStdString();
        return c;
    }
    QStringList entries(const QString& list) {
        QStringList out;
        auto* l = child<QListWidget>(list);
        for (int i = 0; i < l->count(); ++i) out << l->item(i)->data(ui::MarkupRole).toString();
        return out;
    }
    void click(const QString& name) { child<QPushButton>(name)->click(); }

    test::TempCwd cwd_;
    test::DesktopScope desktop_;
    QString path_;
    std::unique_ptr<search::Fdomain> w_;
};

TEST_F(NoticesTest, PriceListIsFilledBlueFirst) {
    click(u"showpricelist"_qs);
    const QStringList items = entries(u"lpricelist"_qs);
    ASSERT_EQ(items.size(), 3);
    EXPECT_TRUE(items[0].contains(u"BorderBrush='blue'"));
    EXPECT_TRUE(items[1].contains(u"BorderBrush='orange'"));
    EXPECT_TRUE(items[2].contains(u"BorderBrush='orange'"));
    EXPECT_EQ(child<QListWidget>(u"lpricelist"_qs)->item(2)->text().contains(u"<b>69</b>"), true);
    click(u"showpricelist"_qs);  // a second press refills, it does not add
    EXPECT_EQ(entries(u"lpricelist"_qs).size(), 3);
}

TEST_F(NoticesTest, PromotionsStillValidWithTheirCodesAndAddresses) {
    click(u"showpromlist"_qs);
    auto* list = child<QListWidget>(u"lpromlist"_qs);
    auto* addresses = child<QListWidget>(u"lpromlist_bak"_qs);
    ASSERT_EQ(list->count(), 3);  // ended yesterday: gone; ends today: still there
    EXPECT_EQ(addresses->count(), 3);
    EXPECT_TRUE(list->item(0)->text().contains(u"今天到期"));

    list->setCurrentRow(0);
    EXPECT_EQ(child<QLineEdit>(u"lpromtext"_qs)->text(), u"TODAY1"_qs);
    EXPECT_EQ(addresses->currentRow(), 0);
    click(u"goprom"_qs);
    EXPECT_EQ(desktop_->opened, QStringList{u"http://reg.example/today"_qs});

    list->setCurrentRow(1);
    EXPECT_EQ(child<QLineEdit>(u"lpromtext"_qs)->text(), u"限.com"_qs);
    list->setCurrentRow(2);
    EXPECT_EQ(child<QLineEdit>(u"lpromtext"_qs)->text(), u"Q'T"_qs);
    click(u"goprom"_qs);  // a local file from the database is not opened
    EXPECT_EQ(desktop_->opened.size(), 1);
    EXPECT_TRUE(desktop_->messages.empty());
}

TEST_F(NoticesTest, ListFailureIsToldAndKeepsNothingOpen) {
    run(u"drop table ldomainprom;"_qs);
    click(u"showpromlist"_qs);
    ASSERT_EQ(desktop_->messages.size(), 1u);
    EXPECT_EQ(desktop_->messages[0].text, u"有错误发生，请重试：no such table: ldomainprom"_qs);
    EXPECT_EQ(db::DbRs().state(), db::Recordset::StateClosed);
}

TEST_F(NoticesTest, AdvertRotatesCountsClicksAndStopsForGoodOnFailure) {
    auto* text = child<ui::MarkupLabel>(u"ladtext"_qs);
    auto* timer = child<QTimer>(u"Timer1"_qs);
    EXPECT_TRUE(timer->isActive());
    EXPECT_EQ(timer->interval(), 30000);
    EXPECT_TRUE(text->isHidden());

    SetAdvertDraw([] { return 0.99; });
    Timer1_Timer(*w_);
    EXPECT_TRUE(text->isVisible());
    EXPECT_EQ(text->caption(), u"广告二"_qs);
    EXPECT_EQ(child<QLabel>(u"ladstat"_qs)->text(), u"2"_qs);
    EXPECT_EQ(child<QLabel>(u"ladid"_qs)->text(), u"2"_qs);

    // A click (a release over the label) counts and opens the advertiser's page.
    text->resize(text->sizeHint());  // as the layout sizes it once its tab is on show
    ASSERT_FALSE(text->rect().isEmpty());
    const QPoint at = text->rect().center();
    QMouseEvent release(QEvent::MouseButtonRelease, at, text->mapToGlobal(at), Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QCoreApplication::sendEvent(text, &release);
    EXPECT_EQ(scalar(u"select lnum from lad where lid=2"_qs), u"6"_qs);
    EXPECT_EQ(desktop_->opened, QStringList{u"http://ad.example/2"_qs});
    // A right button, or a press dragged off the label, is no click.
    for (const auto& [button, point] : {std::pair{Qt::RightButton, at}, std::pair{Qt::LeftButton, QPoint(-5, -5)}}) {
        QMouseEvent other(QEvent::MouseButtonRelease, point, text->mapToGlobal(point), button, Qt::NoButton,
                          Qt::NoModifier);
        QCoreApplication::sendEvent(text, &other);
    }
    EXPECT_EQ(scalar(u"select lnum from lad where lid=2"_qs), u"6"_qs);
    // An id that is not a whole number never reaches the statement; the page still opens.
    child<QLabel>(u"ladid"_qs)->setText(u"2 or 1=1"_qs);
    ladtext_Click(*w_);
    EXPECT_EQ(scalar(u"select sum(lnum) from lad"_qs), u"6"_qs);
    EXPECT_EQ(desktop_->opened.size(), 2);

    run(u"drop table lad;"_qs);
    Timer1_Timer(*w_);
    EXPECT_FALSE(timer->isActive());
    EXPECT_EQ(text->caption(), u"广告二"_qs);
    EXPECT_TRUE(desktop_->messages.empty());
}

TEST_F(NoticesTest, NoAdvertLeavesTheLabelHidden) {
    run(u"delete from lad;"_qs);
    Timer1_Timer(*w_);
    EXPECT_EQ(child<QLabel>(u"ladstat"_qs)->text(), u"0"_qs);
    EXPECT_TRUE(child<ui::MarkupLabel>(u"ladtext"_qs)->isHidden());
    EXPECT_TRUE(child<QTimer>(u"Timer1"_qs)->isActive());
}

TEST_F(NoticesTest, FilingServiceOfferShowsTheSettingAsMarkup) {
    click(u"Pushshowbacklist"_qs);
    ASSERT_EQ(desktop_->messages.size(), 1u);
    EXPECT_EQ(desktop_->messages[0].title, u"域名快速备案"_qs);
    EXPECT_EQ(desktop_->messages[0].text, u"价格优惠，成功率高\n\n备案只需7天"_qs);
}

// --- Links -----------------------------------------------------------------------------------------

TEST_F(NoticesTest, LinkButtonsAndMenuEntriesOpenTheirAddresses) {
    child<ui::MarkupButton>(u"lweburl"_qs)->setCaption(u"http://web.example/"_qs);
    child<ui::MarkupButton>(u"lhomeurl"_qs)->setCaption(u"http://home.example"_qs);
    child<ui::MarkupButton>(u"lbbsurl"_qs)->setCaption(u"C:\\\\tools\\\\bbs.exe"_qs);
    for (const QString& name : {u"lweburl"_qs, u"lweburltop"_qs, u"lhelp"_qs, u"lhomeurl"_qs, u"lemail"_qs,
                                u"lqq"_qs, u"ltaobao"_qs, u"lbbsurl"_qs})
        click(name);
    for (const QString& menu : {u"mhome"_qs, u"mweb"_qs, u"mbbs"_qs}) w_->runAction(menu);
    EXPECT_EQ(desktop_->opened,
              (QStringList{u"http://web.example/"_qs, u"http://web.example/"_qs,
                           u"http://web.example/download/help_domainhis.asp"_qs, u"http://home.example"_qs,
                           u"mailto:ops@example.cn"_qs, u"tencent://message/?uin=10000"_qs, u"http://home.example"_qs,
                           u"http://web.example/"_qs}));
    EXPECT_TRUE(desktop_->messages.empty());
    EXPECT_EQ(child<QWidget>(u"lqq"_qs)->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_EQ(child<QWidget>(u"ladtext"_qs)->cursor().shape(), Qt::PointingHandCursor);
}

TEST_F(NoticesTest, RegistrationPutsTheRowsDomainOnTheClipboard) {
    ui::GridControl* g = w_->grid1();
    g->setRows(1);
    g->appendRow({{}, {}, u"1"_qs, u"a.com"_qs});
    g->appendRow({});
    g->setActiveCell(1, 3);
    click(u"lregist"_qs);
    EXPECT_EQ(desktop_->clipboard, u"a.com"_qs);
    ASSERT_EQ(desktop_->messages.size(), 1u);
    EXPECT_EQ(desktop_->messages[0].text, u"选中域名  a.com  已加入剪贴板"_qs);
    g->setActiveCell(2, 3);
    desktop_->clipboard = u"kept"_qs;
    click(u"lregist"_qs);
    EXPECT_EQ(desktop_->clipboard, u"kept"_qs);
    EXPECT_EQ(desktop_->messages.size(), 1u);
    EXPECT_EQ(desktop_->opened, (QStringList{u"http://buy.example/?d=a.com"_qs, u"http://buy.example/?d="_qs}));
}

}  // namespace
}  // namespace ds::lists
