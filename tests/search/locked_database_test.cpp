// A search on a database file that another program holds locked, on the real main window: the window
// keeps handling events while the statement waits, a stop press ends the wait with the search's usual
// message, other input is kept away meanwhile, and the window works again once the lock is gone.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCloseEvent>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QtTest/qtestspontaneevent.h>
#include <functional>
#include <memory>

#include "core/clock.h"
#include "db/file_lock.h"
#include "db/lock_wait.h"
#include "db/schema.h"
#include "db/shared_objects.h"
#include "search/fdomain.h"
#include "support/test_support.h"
#include "ui/busy_strip.h"
#include "ui/grid_control.h"

using namespace ds;
using namespace ds::search;
using std::chrono::milliseconds;

namespace {

const QDate kToday(2024, 5, 1);
const QString kLocked = u"database is locked"_qs;

// Counts the paints a widget gets while a statement waits for the lock.
class PaintCounter : public QObject {
public:
    int paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint && db::LockWaitsInProgress() > 0) ++paints;
        return false;
    }
};

class LockedDatabaseTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetClock(std::make_shared<FixedClock>(QDateTime(kToday, QTime(9, 0))));
        path_ = cwd_.file(u"domains.db"_qs);
        db::CreateEmptyDatabase(path_);
        db::NewDbObjects();
        db::DbConn().open(u"Provider=SQLite;Data Source="_qs + path_);
        const QString columns = u" (lid,lname,lextend,lallname,llength,lregist,ldeltime) values "_qs;
        db::DbConn().query(u"insert into ldomainprice (lextend,lprice) values ('.com','55')"_qs);
        db::DbConn().query(u"insert into ldomainreg"_qs + columns +
                           u"(1,'abc01','.com','abc01.com',5,1,'2024-05-11'),"
                           u"(2,'abc02','.com','abc02.com',5,1,'2024-04-20')"_qs);
        db::DbConn().query(u"insert into ldomainhis"_qs + columns + u"(1,'xyz','.com','xyz.com',3,1,'2024-04-01')"_qs);

        w_ = std::make_unique<Fdomain>();
        w_->show();
        w_->findChild<QLineEdit*>(u"lfind"_qs)->setText(u"abc"_qs);
        w_->findChild<QLineEdit*>(u"slfind"_qs)->setText(u"xyz"_qs);
    }
    void TearDown() override {
        w_.reset();
        db::NewDbObjects();
        SetClock(nullptr);
    }

    template <typename T = QPushButton>
    T* child(const QString& name) {
        T* c = w_->findChild<T*>(name);
        EXPECT_NE(c, nullptr) << name.toStdString();
        return c;
    }
    QStringList domains() {
        QStringList out;
        for (int r = 1; r < w_->grid1()->rows(); ++r) out << w_->grid1()->cellText(r, 3);
        return out;
    }

    // Presses `button` and returns how long the command took. While a statement waits, a timer ticks
    // and asks the busy strip to repaint; once a few ticks and a paint got through, it runs
    // `duringWait` (which ends the wait: without it, the wait would run to its 5 s limit).
    milliseconds pressAndWait(QPushButton* button, const std::function<void()>& duringWait = {}) {
        PaintCounter counter;
        auto* strip = child<ui::BusyStrip>(u"floadtxt"_qs);
        strip->installEventFilter(&counter);
        QTimer ticker;
        ticker.setInterval(5);
        QObject::connect(&ticker, &QTimer::timeout, [&] {
            if (db::LockWaitsInProgress() == 0) return;
            ++ticksDuringWait_;
            strip->update();
            if (duringWait && ticksDuringWait_ >= 3 && counter.paints > 0) {
                duringWait();
                ticker.stop();
            }
        });
        ticker.start();
        QElapsedTimer timer;
        timer.start();
        button->click();
        strip->removeEventFilter(&counter);
        return milliseconds(timer.elapsed());
    }

    test::TempCwd cwd_;
    test::DesktopScope desktop_;
    QString path_;
    std::unique_ptr<Fdomain> w_;
    int ticksDuringWait_ = 0;
};

// Every stop button ends the wait long before the 5 s limit, and the search ends as any failed search
// does; with the lock gone the same window searches again, by real clicks.
TEST_F(LockedDatabaseTest, StopPressEndsTheWaitAndTheWindowStaysUsable) {
    struct Case {
        int tab, stopTab;
        QString search, stop, failureText;
        QStringList found;
    };
    const Case cases[] = {
        {0, 0, u"lsearch"_qs, u"lstop"_qs, u"快速过期备案检索有错误发生，请重试："_qs, {u"abc01.com"_qs, u"abc02.com"_qs}},
        {1, 1, u"slsearch"_qs, u"slstop"_qs, u"过期域名检索有错误发生，请重试："_qs, {u"xyz.com"_qs}},
        // 停止查询 on the import and export tab, which the program shows while it waits.
        {0, 4, u"lsearch"_qs, u"lstop1"_qs, u"快速过期备案检索有错误发生，请重试："_qs, {u"abc01.com"_qs, u"abc02.com"_qs}},
    };
    auto* tabs = child<QTabWidget>(u"tabcontrolnew"_qs);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stop.toStdString());
        desktop_->messages.clear();
        ticksDuringWait_ = 0;
        tabs->setCurrentIndex(c.tab);
        auto lock = std::make_unique<test::FileLock>(path_);

        QPushButton* stop = child(c.stop);
        const milliseconds took = pressAndWait(child(c.search), [&] {
            tabs->setCurrentIndex(c.stopTab);
            QTest::mouseClick(stop, Qt::LeftButton);
        });

        EXPECT_LT(took, milliseconds(2500));
        ASSERT_EQ(desktop_->messages.size(), 1u);
        EXPECT_EQ(desktop_->messages[0].text, c.failureText + kLocked);
        EXPECT_TRUE(child<ui::BusyStrip>(u"floadtxt"_qs)->isHidden());

        lock.reset();
        desktop_->messages.clear();
        tabs->setCurrentIndex(c.tab);
        QTest::mouseClick(child(c.search), Qt::LeftButton);
        for (const auto& m : desktop_->messages) ADD_FAILURE() << m.text.toStdString();
        EXPECT_EQ(domains(), c.found);
    }
}

// Clicks, keys and a close of the window during the wait reach nothing but the stop button: no second
// search starts (one message, the statement of the first search kept), no text is typed, and the
// program does not end.
TEST_F(LockedDatabaseTest, InputDuringTheWaitReachesOnlyTheStopButton) {
    child<QPushButton>(u"lsearch"_qs)->click();
    ASSERT_EQ(domains().size(), 2);
    const QString firstStatement = child<QLabel>(u"lstr"_qs)->text();

    auto* lfind = child<QLineEdit>(u"lfind"_qs);
    auto* slfind = child<QLineEdit>(u"slfind"_qs);
    test::FileLock lock(path_);
    const milliseconds took = pressAndWait(child(u"lsearch"_qs), [&] {
        lfind->setText(u"abc02"_qs);
        QTest::mouseClick(child(u"lsearch"_qs), Qt::LeftButton);
        QTest::mouseClick(child(u"slsearch"_qs), Qt::LeftButton);
        QTest::keyClick(lfind, Qt::Key_Return);
        QTest::keyClicks(slfind, u"typed"_qs);
        QTest::keyClick(slfind, Qt::Key_Return);
        QCloseEvent close;
        QSpontaneKeyEvent::setSpontaneous(&close);
        QApplication::instance()->notify(w_.get(), &close);
        QTest::mouseClick(child(u"lstop"_qs), Qt::LeftButton);
    });

    EXPECT_LT(took, milliseconds(2500));  // the stop press did get through
    ASSERT_EQ(desktop_->messages.size(), 1u);
    EXPECT_EQ(desktop_->messages[0].text, u"快速过期备案检索有错误发生，请重试："_qs + kLocked);
    EXPECT_EQ(child<QLabel>(u"lstr"_qs)->text(), firstStatement);
    EXPECT_EQ(domains().size(), 2);  // the grid keeps the first search's page
    EXPECT_EQ(slfind->text(), u"xyz"_qs);
    EXPECT_TRUE(desktop_->endCodes.empty());
    EXPECT_TRUE(w_->isVisible());
}

// Nobody presses stop: the statement gives up at the limit with the same message.
TEST_F(LockedDatabaseTest, UnstoppedWaitEndsAtTheLimit) {
    const milliseconds limit(400);
    const milliseconds previous = db::SetLockWaitLimit(limit);
    test::FileLock lock(path_);
    const milliseconds took = pressAndWait(child(u"slsearch"_qs));
    db::SetLockWaitLimit(previous);

    EXPECT_GE(took, limit);
    EXPECT_LT(took, milliseconds(5000));
    EXPECT_GT(ticksDuringWait_, 0);
    ASSERT_EQ(desktop_->messages.size(), 1u);
    EXPECT_EQ(desktop_->messages[0].text, u"过期域名检索有错误发生，请重试："_qs + kLocked);
}

// The advert's rotation ticks during the wait: that tick is skipped, not taken for a broken database
// (which would end the rotation for the rest of the session).
TEST_F(LockedDatabaseTest, AdvertRotationOutlivesAWait) {
    auto* rotation = child<QTimer>(u"Timer1"_qs);
    ASSERT_TRUE(rotation && rotation->isActive());
    rotation->start(5);
    const milliseconds previous = db::SetLockWaitLimit(milliseconds(300));
    {
        test::FileLock lock(path_);
        pressAndWait(child(u"slsearch"_qs));
    }
    db::SetLockWaitLimit(previous);
    EXPECT_GT(ticksDuringWait_, 0);
    EXPECT_TRUE(rotation->isActive());
}

// A paging press whose page cannot be read (here: the price of its extension, asked while another
// program holds the file) keeps the page the grid showed, and the paging bar stays on it.
TEST_F(LockedDatabaseTest, FailedPagingPressKeepsTheRowsShown) {
    child<QLineEdit>(u"lsetrow"_qs)->setText(u"1"_qs);
    child<QPushButton>(u"lsearch"_qs)->click();
    ASSERT_EQ(domains(), QStringList{u"abc01.com"_qs});
    const QString price = w_->grid1()->cellText(1, 5);

    const milliseconds previous = db::SetLockWaitLimit(milliseconds(300));
    {
        test::FileLock lock(path_);
        pressAndWait(child(u"pnext"_qs));
    }
    db::SetLockWaitLimit(previous);

    ASSERT_EQ(desktop_->messages.size(), 1u);
    EXPECT_EQ(desktop_->messages[0].text, u"读取数据出错，请重试："_qs + kLocked);
    EXPECT_EQ(domains(), QStringList{u"abc01.com"_qs});
    EXPECT_EQ(w_->grid1()->cellText(1, 5), price);
    EXPECT_EQ(child<QLabel>(u"lshowpage"_qs)->text(), u"1"_qs);
    EXPECT_FALSE(child(u"pbefore"_qs)->isEnabled());
    EXPECT_TRUE(child(u"pnext"_qs)->isEnabled());

    // With the lock gone the same press loads the next page.
    desktop_->messages.clear();
    child<QPushButton>(u"pnext"_qs)->click();
    EXPECT_TRUE(desktop_->messages.empty());
    EXPECT_EQ(domains(), QStringList{u"abc02.com"_qs});
}

}  // namespace
