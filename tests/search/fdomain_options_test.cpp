// The main window's option boxes: value repairs, extension boxes, form readers, column groups,
// selection commands and the grid's double-click.
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

TEST_F(FdomainTest, EditBoxesAreRepairedWhenLeft) {
    struct Case {
        QString box, typed, repaired;
    };
    const Case cases[] = {
        {u"lmaxnum"_qs, u"0"_qs, u"2000"_qs},      {u"lmaxnum"_qs, u"abc"_qs, u"2000"_qs},
        {u"lmaxnum"_qs, u"500"_qs, u"500"_qs},     {u"lsetrow"_qs, u"0"_qs, u"20"_qs},
        {u"lsetrow"_qs, u""_qs, u"20"_qs},         {u"lnewrowset"_qs, u"2000"_qs, u"1000"_qs},
        {u"lnewrowset"_qs, u"0"_qs, u"1"_qs},      {u"lnewrowset"_qs, u"x"_qs, u"1"_qs},
        {u"lnewrowset"_qs, u"15"_qs, u"15"_qs},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(QString(c.box + u" " + c.typed).toStdString());
        QLineEdit* e = edit(c.box);
        ASSERT_NE(e, nullptr);
        e->setText(c.typed);
        emit e->editingFinished();
        EXPECT_EQ(e->text(), c.repaired);
    }

    // The page size follows lsetrow while it is typed, and rounds halves to even.
    QLineEdit* rows = edit(u"lsetrow"_qs);
    rows->setText(u"30"_qs);
    EXPECT_EQ(w_->state().RowsPerPage, 30);
    rows->setText(u"2.5"_qs);
    emit rows->editingFinished();
    EXPECT_EQ(rows->text(), u"2.5"_qs);
    EXPECT_EQ(w_->state().RowsPerPage, 2);
    rows->setText(u"0"_qs);
    emit rows->editingFinished();
    EXPECT_EQ(w_->state().RowsPerPage, 20);

    // The spinner beside lnewrowset stays within 1..1000.
    QLineEdit* newRows = edit(u"lnewrowset"_qs);
    auto* spinner = child<UpDownSpinner>(u"lnewwith"_qs);
    newRows->setText(u"1000"_qs);
    spinner->stepBy(1);
    EXPECT_EQ(newRows->text(), u"1000"_qs);
    newRows->setText(u"1"_qs);
    spinner->stepBy(-1);
    EXPECT_EQ(newRows->text(), u"1"_qs);
    spinner->stepBy(1);
    EXPECT_EQ(newRows->text(), u"2"_qs);
}

TEST_F(FdomainTest, AllAndSingleExtensionsAreExclusive) {
    w_->activateWindow();
    ASSERT_TRUE(test::WaitFor([&] { return w_->isActiveWindow(); }, 2000));
    for (const QString& prefix : {u"l"_qs, u"sl"_qs}) {
        SCOPED_TRACE(prefix.toStdString());
        ui::MarkupCheck* all = check(prefix + u"extendnum1");
        ui::MarkupCheck* com = check(ArrayName(prefix + u"extendnum", 0));
        ui::MarkupCheck* cn = check(ArrayName(prefix + u"extendnum", 14));
        QLineEdit* keyword = edit(prefix + u"find");
        ASSERT_TRUE(all && com && cn && keyword);
        child<QTabWidget>(u"tabcontrolnew"_qs)->setCurrentIndex(prefix == u"l" ? 0 : 1);

        com->click();  // checking a single extension clears 全部
        EXPECT_TRUE(com->isChecked());
        EXPECT_FALSE(all->isChecked());
        cn->click();
        EXPECT_TRUE(cn->isChecked());
        all->click();  // checking 全部 clears every single extension
        EXPECT_TRUE(all->isChecked());
        EXPECT_FALSE(com->isChecked());
        EXPECT_FALSE(cn->isChecked());
        all->click();  // unchecking leaves nothing chosen
        EXPECT_FALSE(all->isChecked());
        cn->click();
        cn->click();
        EXPECT_FALSE(cn->isChecked());
        EXPECT_FALSE(all->isChecked());
        EXPECT_EQ(QApplication::focusWidget(), keyword);
        all->click();
    }
}

TEST_F(FdomainTest, FormReadersSeeTheDefaultsAndTheBoxes) {
    EXPECT_EQ(BuildFiledSearchStatement(ReadFiledSearchOptions(w_.get())),
              u"select top 2000 * from ldomainreg where (lregist=1)"_qs);
    edit(u"slfind"_qs)->setText(u"abc"_qs);
    EXPECT_EQ(BuildExpiredSearchStatement(ReadExpiredSearchOptions(w_.get())),
              u"select top 2000 * from ldomainhis where (lregist=1) and lname like 'abc' "_qs);

    check(u"lextendnum(0)"_qs)->click();
    check(u"lextendnum(14)"_qs)->click();
    child<ui::MarkupRadio>(u"lreg3"_qs)->click();
    child<ui::MarkupRadio>(u"lkind3"_qs)->click();
    edit(u"lmaxnum"_qs)->setText(u"50"_qs);
    EXPECT_EQ(BuildFiledSearchStatement(ReadFiledSearchOptions(w_.get())),
              u"select top 50 * from ldomainreg where (lregist=1) and datediff(day,ldeltime,getdate())<0 "
              u" and lbackhostkind='企业' and (1=2 or lextend like '%.com' or lextend like '%.cn')"_qs);
}

TEST_F(FdomainTest, ColumnGroupsHideAndRestore) {
    struct Group {
        int index;
        std::vector<std::pair<int, int>> widths;
    };
    const Group groups[] = {{0, {{7, 50}, {8, 70}, {9, 200}}},
                            {1, {{5, 50}, {15, 70}, {16, 50}}},
                            {2, {{17, 50}, {18, 60}, {19, 60}, {20, 60}}}};
    for (const Group& g : groups) {
        SCOPED_TRACE(g.index);
        ui::MarkupCheck* box = check(ArrayName(u"lshowset"_qs, g.index));
        box->click();
        for (const auto& [col, width] : g.widths) EXPECT_EQ(grid()->columnWidth(col), 0) << col;
        EXPECT_EQ(grid()->columnWidth(3), 200);
        box->click();
        for (const auto& [col, width] : g.widths) EXPECT_EQ(grid()->columnWidth(col), width) << col;
    }
}

TEST_F(FdomainTest, SelectionCommandsMarkTheRows) {
    fillGrid({{u"a.com"_qs, u"未注册"_qs, u"京ICP备123456号"_qs},
              {u"b.net"_qs, u"将过期"_qs, u"京ICP备"_qs},
              {u"nodot"_qs, u"未注册"_qs, u"京ICP备123456号"_qs},
              {u""_qs, u""_qs, u""_qs},
              {u"c.cn"_qs, u"已注册"_qs, u"沪ICP备05"_qs}});
    auto* lsel = child<QComboBox>(u"lsel"_qs);
    const std::vector<QStringList> expected = {
        {u"1"_qs, u"1"_qs, u"1"_qs, u"1"_qs, u"1"_qs},  // 全选
        {u"0"_qs, u"0"_qs, u"0"_qs, u"0"_qs, u"0"_qs},  // 全不选
        {u"1"_qs, u"0"_qs, u"0"_qs, u"0"_qs, u"0"_qs},  // 选择未注册域名
        {u"0"_qs, u"1"_qs, u"0"_qs, u"0"_qs, u"0"_qs},  // 选择将过期域名
        {u"1"_qs, u"0"_qs, u"0"_qs, u"0"_qs, u"1"_qs},  // 选择已备案域名
    };
    for (int command = 0; command < 5; ++command) {
        lsel->setCurrentIndex(command);
        emit lsel->activated(command);
        EXPECT_EQ(marks(), expected[command]) << command;
    }
    // Picking the chosen entry again re-applies it over marks the user changed.
    grid()->setCellText(1, 1, u"0"_qs);
    emit lsel->activated(4);
    EXPECT_EQ(marks(), expected[4]);
}

TEST_F(FdomainTest, DoubleClickOnOtherColumnCopiesAndOpensPurchasePage) {
    RemoteSettings settings;
    settings.loaded = true;
    settings.values.insert(u"lbuyurl"_qs, u"http://buy.example/reg?d="_qs);
    SetRemoteSettings(settings);
    fillGrid({{u"a.com"_qs, u"未注册"_qs, {}}, {u""_qs, {}, {}}});
    QTableView* view = grid()->view();
    auto doubleClick = [&](int row, int col) {
        grid()->setActiveCell(row, col);
        const QPoint at = view->visualRect(view->model()->index(row - 1, col)).center();
        QMouseEvent move(QEvent::MouseMove, at, view->viewport()->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                         Qt::NoModifier);
        QCoreApplication::sendEvent(view->viewport(), &move);
        w_->grid1_DblClick();
    };
    doubleClick(1, 2);
    EXPECT_EQ(desktop_->clipboard, u"a.com"_qs);
    ASSERT_EQ(desktop_->messages.size(), 1u);
    EXPECT_EQ(desktop_->messages[0].text, u"选中域名  a.com  已加入剪贴板"_qs);
    EXPECT_EQ(desktop_->opened, QStringList{u"http://buy.example/reg?d=a.com"_qs});

    // The row header, the tick box, an empty row or a mouse that is not over the active cell run no
    // command; on an empty row the double-click opens the cell for typing instead.
    // The editor opens where the cell is seen: in the frozen columns' view for the domain column.
    const auto editing = [this] {
        const auto editors = grid()->findChildren<QLineEdit*>();
        return std::any_of(editors.begin(), editors.end(), [](QLineEdit* e) { return e->isVisible(); });
    };
    doubleClick(1, 0);
    doubleClick(1, 1);
    EXPECT_FALSE(editing());
    doubleClick(2, 2);
    EXPECT_TRUE(editing());
    EXPECT_EQ(grid()->activeRow(), 2);
    grid()->setActiveCell(1, 5);
    w_->grid1_DblClick();
    EXPECT_EQ(desktop_->messages.size(), 1u);
    EXPECT_EQ(desktop_->opened.size(), 1);

    // The side windows are handed the domain when they are there.
    QStringList handed;
    w_->setHandOver(u"Fwhois"_qs, [&](const QString& d) { handed << u"Fwhois " + d; });
    doubleClick(1, 4);
    EXPECT_EQ(handed, QStringList{u"Fwhois a.com"_qs});
    w_->setHandOver(u"Fip"_qs, {});  // a window without a hand-over is not open yet
    doubleClick(1, 3);
    ASSERT_EQ(desktop_->messages.size(), 2u);
    EXPECT_EQ(desktop_->messages[1].text, u"此功能尚未开放"_qs);
    SetRemoteSettings({});
}

}  // namespace
