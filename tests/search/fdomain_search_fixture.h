#pragma once
// The main window over a real SQLite file with 45 filed rows abc01..abc45 (.com, deletion 10 days ahead
// for odd ids), 2 that are registered again, and 3 expired rows in ldomainhis; a fixed "today" and a
// recording desktop.
#include <gtest/gtest.h>

#include <QLabel>
#include <memory>
#include <sqlite3.h>

#include "core/clock.h"
#include "core/text.h"
#include "db/schema.h"
#include "db/shared_objects.h"
#include "search/fdomain.h"
#include "support/test_support.h"
#include "ui/grid_control.h"

namespace ds::search::test_search {

using namespace ds;
using namespace ds::search;

inline const QDate kToday(2024, 5, 1);

inline QString Row(const QString& table, int lid, const QString& name, const QString& ext, int regist, int daysToDelete) {
    return u"insert into "_qs + table +
           u" (lid,lname,lextend,lallname,llength,lcompose,lesp,llang,lregist,lregtime,louttime,ldeltime,lback,"
           u"lbacktime,lbackhostkind,lbackname,lgooglepr,lalexa,lbaidusite,lbaidudomain) values ("_qs +
           QString::number(lid) + u",'" + name + u"','" + ext + u"','" + name + ext + u"'," +
           QString::number(name.size()) + u",1,0,1," + QString::number(regist) + u",'2010-01-02','2024-04-01','" +
           IsoDate(kToday.addDays(daysToDelete)) + u"','京ICP备" + QString::number(100000 + lid) +
           u"号','2011-03-04','企业','站点',3,123456,200,100);";
}

class FdomainSearchTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetClock(std::make_shared<FixedClock>(QDateTime(kToday, QTime(9, 0))));
        path_ = cwd_.file(u"domains.db"_qs);
        db::CreateEmptyDatabase(path_);
        QString script = u"insert into ldomainprice (lextend,lprice) values ('.com','55'),('.net','66');"_qs;
        for (int i = 1; i <= 45; ++i)
            script += Row(u"ldomainreg"_qs, i, u"abc"_qs + QString::number(i).rightJustified(2, u'0'), u".com"_qs, 1,
                          i % 2 ? 10 : -5);
        script += Row(u"ldomainreg"_qs, 46, u"zzz1"_qs, u".net"_qs, 0, 3);
        script += Row(u"ldomainreg"_qs, 47, u"zzz2"_qs, u".net"_qs, 0, 3);
        script += Row(u"ldomainhis"_qs, 1, u"xyz"_qs, u".net"_qs, 1, -30);
        script += Row(u"ldomainhis"_qs, 2, u"xyzw"_qs, u".net"_qs, 1, -30);
        script += Row(u"ldomainhis"_qs, 3, u"qxyz"_qs, u".cn"_qs, 1, -30);
        runScript(script);
        db::NewDbObjects();
        db::DbConn().open(u"Provider=SQLite;Data Source="_qs + path_);

        w_ = std::make_unique<Fdomain>();
        w_->show();
    }
    void TearDown() override {
        w_.reset();
        db::NewDbObjects();
        SetClock(nullptr);
    }

    void runScript(const QString& script) {
        sqlite3* handle = nullptr;
        ASSERT_EQ(sqlite3_open(path_.toUtf8().constData(), &handle), SQLITE_OK);
        db::ExecSqliteScript(handle, u"begin;"_qs + script + u"commit;"_qs);
        sqlite3_close(handle);
    }

    template <typename T = QWidget>
    T* child(const QString& name) {
        T* c = w_->findChild<T*>(name);
        EXPECT_NE(c, nullptr) << name.toStdString();
        return c;
    }
    QString text(const QString& label) { return child<QLabel>(label)->text(); }
    ui::GridControl* grid() { return w_->grid1(); }
    QStringList column(int col) {
        QStringList out;
        for (int r = 1; r < grid()->rows(); ++r) out << grid()->cellText(r, col);
        return out;
    }

    test::TempCwd cwd_;
    test::DesktopScope desktop_;
    QString path_;
    std::unique_ptr<Fdomain> w_;
};

}  // namespace ds::search::test_search
