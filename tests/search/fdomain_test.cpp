// The main window's controls, tab pages, menu, grid set-up, placeholders and closing, on real widgets.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QTabWidget>
#include <QTableView>

#include "core/remote_settings.h"
#include "db/schema.h"
#include "db/shared_objects.h"
#include "search/fdomain.h"
#include "search/fdomain_fixture.h"
#include "search/fdomain_widgets.h"
#include "search/statements/option_readers.h"
#include "search/statements/search_statements.h"
#include "support/test_support.h"
#include "ui/busy_strip.h"
#include "ui/grid_control.h"
#include "ui/markup.h"

using namespace ds;
using namespace ds::search;
using namespace ds::search::test_fdomain;

namespace {

// Kinds of control and what they start with.
enum Kind { Check, Radio, Button, Edit, Label, Date };
struct ControlCase {
    QString name;
    Kind kind;
    QString text;  // plain caption, edit text or label text
    bool on = false;  // checked / selected
};

TEST_F(FdomainTest, ControlsHaveTheirNamesCaptionsAndDefaults) {
    std::vector<ControlCase> cases = {
        {u"lfind"_qs, Edit, {}},
        {u"lsearch"_qs, Button, u"搜索"_qs},
        {u"lstop"_qs, Button, u"停止"_qs},
        {u"lextendnum1"_qs, Check, u"全部"_qs, true},
        {u"lreg1"_qs, Radio, u"全部"_qs, true},
        {u"lreg2"_qs, Radio, u"已过期"_qs},
        {u"lreg3"_qs, Radio, u"将过期"_qs},
        {u"lkind1"_qs, Radio, u"全 部"_qs, true},
        {u"lkind2"_qs, Radio, u"个 人"_qs},
        {u"lkind3"_qs, Radio, u"企 业"_qs},
        {u"lcomposenum1"_qs, Check, u"字 母"_qs, true},
        {u"lcomposenum2"_qs, Check, u"数 字"_qs, true},
        {u"lcomposenum3"_qs, Check, u"中划线"_qs, true},
        {u"lcomposenum4"_qs, Check, u"中 文"_qs, true},
        {u"lcodent(0)"_qs, Check, u"左包含"_qs},
        {u"lcodent(1)"_qs, Check, u"右包含"_qs},
        {u"ltime3"_qs, Check, u"全部"_qs, true},
        {u"ltime1"_qs, Date, {}},
        {u"ltime2"_qs, Date, {}},
        {u"lnum3"_qs, Check, u"全部"_qs, true},
        {u"lnum1"_qs, Edit, u"1"_qs},
        {u"lnum2"_qs, Edit, u"10"_qs},
        {u"lnormal(0)"_qs, Check, u"BAIDU收录"_qs},
        {u"lnormal(3)"_qs, Check, u"ALEXA排名"_qs},
        {u"lordernum(0)"_qs, Check, u"字数"_qs},
        {u"lordernum(9)"_qs, Check, u"收录"_qs},
        {u"lregshow(0)"_qs, Button, u"查询即时注册状态"_qs},
        {u"lregshow(1)"_qs, Button, u"查询即时注册状态"_qs},
        {u"lregshow(2)"_qs, Button, u"查询即时注册状态"_qs},
        {u"slfind"_qs, Edit, {}},
        {u"slsearch"_qs, Button, u"搜索"_qs},
        {u"slstop"_qs, Button, u"停止"_qs},
        {u"slextendnum1"_qs, Check, u"全部"_qs, true},
        {u"slreg1"_qs, Radio, u"全部"_qs, true},
        {u"slreg3"_qs, Radio, u"将过期"_qs},
        {u"slcomposenum4"_qs, Check, u"中 文"_qs, true},
        {u"slcodent(0)"_qs, Check, u"左包含"_qs, true},
        {u"slcodent(1)"_qs, Check, u"右包含"_qs, true},
        {u"sltime3"_qs, Check, u"全部"_qs, true},
        {u"sltime1"_qs, Date, {}},
        {u"sltime2"_qs, Date, {}},
        {u"slnum3"_qs, Check, u"全部"_qs, true},
        {u"slnum1"_qs, Edit, u"1"_qs},
        {u"slnum2"_qs, Edit, u"10"_qs},
        {u"slordernum(0)"_qs, Check, u"字数"_qs},
        {u"slordernum(6)"_qs, Check, u"百度外链"_qs},
        {u"stxtUpDown1"_qs, Edit, u"0"_qs},
        {u"stxtUpDown4"_qs, Edit, u"0"_qs},
        {u"lshowset(0)"_qs, Check, u"备案信息"_qs, true},
        {u"lshowset(1)"_qs, Check, u"注册信息"_qs, true},
        {u"lshowset(2)"_qs, Check, u"收录信息"_qs, true},
        {u"lmaxnum"_qs, Edit, u"2000"_qs},
        {u"lsetrow"_qs, Edit, u"20"_qs},
        {u"lnewrowset"_qs, Edit, u"2"_qs},
        {u"ldomainpre"_qs, Edit, {}},
        {u"lshowdomain"_qs, Button, u"显示 所有后缀域名"_qs},
        {u"lstop1"_qs, Button, u"停止查询"_qs},
        {u"loutb"_qs, Button, u"退出"_qs},
        {u"pfirst"_qs, Button, u"首页"_qs},
        {u"pbefore"_qs, Button, u"上一页"_qs},
        {u"pgo"_qs, Button, u"Go"_qs},
        {u"pnext"_qs, Button, u"下一页"_qs},
        {u"plast"_qs, Button, u"尾页"_qs},
        {u"pnumber"_qs, Label, u"0"_qs},
        {u"plist"_qs, Label, u"0"_qs},
        {u"ppageall"_qs, Label, u"1"_qs},
        {u"lshowpage"_qs, Label, u"lshowpage"_qs},
        {u"lstr"_qs, Label, {}},
        {u"lshowtext(0)"_qs, Label, u"等待显示"_qs},
        {u"lshowtext(18)"_qs, Label, u"等待显示"_qs},
        {u"txtUpDown(11)"_qs, Edit, u"0"_qs},
        {u"txtUpDown(13)"_qs, Edit, u"1000000000"_qs},
        {u"txtUpDown(17)"_qs, Edit, u"1000000000"_qs},
        {u"lshowtextbak(11)"_qs, Label, u"0"_qs},
        {u"lshowtextbutton"_qs, Button, u"点击查看"_qs},
        {u"lrankset(0)"_qs, Check, u"PR值"_qs, true},
        {u"lrankset(3)"_qs, Check, u"ALEXA排名"_qs, true},
        {u"louttext(0)"_qs, Check, u"域名"_qs, true},
        {u"ltxt"_qs, Button, u"导出 选中域名"_qs},
    };
    const QStringList extensions{u".com"_qs, u".net"_qs, u".org"_qs, u".info"_qs, u".name"_qs,
                                 u".biz"_qs, u".us"_qs,  u".uk"_qs,  u".eu"_qs,   u".de"_qs,
                                 u".tk"_qs,  u".in"_qs,  u".co"_qs,  u".asia"_qs, u".cn"_qs};
    for (int i = 0; i < extensions.size(); ++i) {
        cases.push_back({ArrayName(u"lextendnum"_qs, i), Check, extensions[i]});
        cases.push_back({ArrayName(u"slextendnum"_qs, i), Check, extensions[i]});
    }
    for (const ControlCase& c : cases) {
        SCOPED_TRACE(c.name.toStdString());
        switch (c.kind) {
        case Check:
            if (auto* b = child<ui::MarkupCheck>(c.name)) {
                EXPECT_EQ(b->text(), c.text);
                EXPECT_EQ(b->isChecked(), c.on);
            }
            break;
        case Radio:
            if (auto* b = child<ui::MarkupRadio>(c.name)) {
                EXPECT_EQ(b->text(), c.text);
                EXPECT_EQ(b->isChecked(), c.on);
            }
            break;
        case Button:
            if (auto* b = child<QPushButton>(c.name)) {
                EXPECT_EQ(b->text(), c.text);
            }
            break;
        case Edit:
            if (auto* e = child<QLineEdit>(c.name)) {
                EXPECT_EQ(e->text(), c.text);
            }
            break;
        case Label:
            if (auto* l = child<QLabel>(c.name)) {
                EXPECT_EQ(l->text(), c.text);
            }
            break;
        case Date:
            if (auto* d = child<QDateEdit>(c.name)) {
                EXPECT_EQ(d->date(), kToday);
            }
            break;
        }
    }
    for (const QString& hidden : {u"lupnew"_qs, u"lupnew2"_qs, u"lweblist"_qs, u"floadtxt"_qs, u"lstr"_qs,
                                  u"lshowpage"_qs, u"ladtext"_qs, u"lpromlist_bak"_qs}) {
        if (QWidget* c = child(hidden)) {
            EXPECT_TRUE(c->isHidden()) << hidden.toStdString();
        }
    }
    for (const QString& name : {u"lvertext"_qs, u"lemail"_qs, u"lhomeurl"_qs, u"lqq"_qs, u"ltaobao"_qs,
                                u"lbbsurl"_qs, u"lgbookurl"_qs, u"lchaturl"_qs, u"lweburl"_qs, u"lblogurl"_qs,
                                u"sUpDown1"_qs, u"lnewwith"_qs, u"UpDown(18)"_qs, u"Fpage"_qs, u"grid1"_qs}) {
        child(name);
    }
    EXPECT_NE(w_->findChild<QListWidget*>(u"lweblist"_qs), nullptr);
    EXPECT_NE(w_->findChild<ui::BusyStrip*>(u"floadtxt"_qs), nullptr);
    EXPECT_NE(w_->findChild<QComboBox*>(u"ppagelist"_qs), nullptr);
}

TEST_F(FdomainTest, WindowTabsMenuAndSelectionList) {
    EXPECT_EQ(w_->windowTitle(), u"DropScout 过期域名助手"_qs);
    auto* tabs = child<QTabWidget>(u"tabcontrolnew"_qs);
    ASSERT_NE(tabs, nullptr);
    const QStringList titles{u"过期备案域名检索"_qs, u"过期域名综合检索"_qs, u"内容显示设置"_qs, u"域名相关工具"_qs,
                             u"批量导入、导出域名"_qs, u"软件相关信息"_qs, u"联系交流"_qs};
    ASSERT_EQ(tabs->count(), titles.size());
    for (int i = 0; i < titles.size(); ++i) EXPECT_EQ(tabs->tabText(i), titles[i]);
    EXPECT_EQ(tabs->currentIndex(), 0);

    auto* mtext = w_->findChild<QAction*>(u"mtext"_qs);
    auto* mend = w_->findChild<QAction*>(u"mend"_qs);
    ASSERT_TRUE(mtext && mend);
    EXPECT_EQ(mtext->text(), u"内容"_qs);
    EXPECT_EQ(mend->text(), u"退出"_qs);

    auto* lsel = child<QComboBox>(u"lsel"_qs);
    ASSERT_NE(lsel, nullptr);
    ASSERT_EQ(lsel->count(), 5);
    EXPECT_EQ(lsel->currentIndex(), 0);
    EXPECT_EQ(lsel->itemText(4), u"选择已备案域名"_qs);
    EXPECT_EQ(lsel->itemData(1, ui::MarkupRole).toString(),
              u"<TextBlock>全<Run  FontWeight='Bold'>不选</Run></TextBlock>"_qs);

    // A second activation does not refill the list or move the tab page.
    lsel->setCurrentIndex(3);
    tabs->setCurrentIndex(2);
    w_->Form_Activate();
    EXPECT_EQ(lsel->count(), 5);
    EXPECT_EQ(lsel->currentIndex(), 3);
    EXPECT_EQ(tabs->currentIndex(), 2);

    mtext->trigger();
    QWidget* help = w_->findChild<QWidget*>(u"fhelp"_qs);
    ASSERT_NE(help, nullptr);
    EXPECT_TRUE(help->isVisible());
}

TEST_F(FdomainTest, GridStartsWithHeaderRowAndColumnTable) {
    ASSERT_EQ(grid()->cols(), 21);
    EXPECT_EQ(grid()->rows(), 1);
    const QStringList headers{u""_qs,       u"选择"_qs,     u"编号"_qs,     u"域名地址"_qs, u"注册状态"_qs, u"拟售价"_qs,
                              u"备案号"_qs, u"性质"_qs,     u"备案时间"_qs, u"网站名称"_qs, u"id"_qs,       u"空白"_qs,
                              u"空白"_qs,   u"注册时间"_qs, u"到期时间"_qs, u"删除时间"_qs, u"剩余"_qs,     u"PR值"_qs,
                              u"百度收录"_qs, u"百度外链"_qs, u"alexa排名"_qs};
    const int widths[] = {30, 30, 30, 200, 60, 50, 150, 50, 70, 200, 0, 0, 0, 0, 0, 70, 50, 50, 60, 60, 60};
    for (int c = 0; c < 21; ++c) {
        EXPECT_EQ(grid()->cellText(0, c), headers[c]) << c;
        EXPECT_EQ(grid()->columnWidth(c), widths[c]) << c;
    }
    EXPECT_EQ(grid()->view()->font().family(), u"Tahoma"_qs);
    EXPECT_EQ(grid()->view()->font().pointSize(), 8);
    EXPECT_EQ(w_->state().RowsPerPage, 20);
}

TEST_F(FdomainTest, CommandsOfLaterFeaturesSayNotYetOpenUntilSet) {
    w_->setAction(u"lintxt"_qs, {});  // as a build without the import would have it
    child<QPushButton>(u"lintxt"_qs)->click();
    ASSERT_EQ(desktop_->messages.size(), 1u);
    EXPECT_EQ(desktop_->messages[0].text, u"此功能尚未开放"_qs);
    int ran = 0;
    w_->setAction(u"lintxt"_qs, [&] { ++ran; });
    child<QPushButton>(u"lintxt"_qs)->click();
    EXPECT_EQ(ran, 1);
    EXPECT_EQ(desktop_->messages.size(), 1u);
}

TEST_F(FdomainTest, StopButtonsRaiseStopFlag) {
    for (const QString& name : {u"lstop"_qs, u"slstop"_qs, u"lstop1"_qs}) {
        w_->state().StopFlag = false;
        child<QPushButton>(name)->click();
        EXPECT_TRUE(w_->state().StopFlag) << name.toStdString();
    }
}

TEST_F(FdomainTest, EveryWayOfClosingReleasesAndEndsTheProgram) {
    test::TempCwd cwd;
    db::CreateEmptyDatabase(cwd.file(u"domains.db"_qs));
    db::NewDbObjects();
    db::DbConn().open(u"Provider=SQLite;Data Source="_qs + cwd.file(u"domains.db"_qs));
    int released = 0;
    w_->addReleaseHook([&] { ++released; });
    w_->state().StopFlag = false;
    w_->close();
    EXPECT_TRUE(w_->state().StopFlag);
    EXPECT_EQ(released, 1);
    EXPECT_FALSE(db::DbConn().isOpen());  // closed properly: the engine tidies its statistics
    EXPECT_EQ(desktop_->endCodes, std::vector<int>{0});
    EXPECT_TRUE(w_->isVisible());  // the ordinary close is cancelled; the program ends instead

    child<QPushButton>(u"loutb"_qs)->click();
    w_->findChild<QAction*>(u"mend"_qs)->trigger();
    EXPECT_EQ(desktop_->endCodes, (std::vector<int>{0, 0, 0}));
    EXPECT_EQ(released, 1);  // released once
    EXPECT_TRUE(desktop_->messages.empty());
}

}  // namespace
