// What the main window remembers between runs: a real INI file in a temporary folder, real windows.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDateEdit>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QSpinBox>
#include <QTest>
#include <QScreen>
#include <QTabBar>
#include <QTabWidget>
#include <QAbstractButton>

#include "search/fdomain_fixture.h"
#include "search/fdomain_rules.h"
#include "search/window_settings.h"
#include "ui/grid_control.h"

using namespace ds;
using namespace ds::search;
using namespace ds::search::test_fdomain;

namespace {

TEST(WindowSettingsValues, OnlyValuesOfTheControlsKindAreTaken) {
    const struct {
        const char* name;
        QVariant stored;
        std::optional<bool> on;
        std::optional<QString> number;
        std::optional<QDate> date;
    } cases[] = {
        {"written by us", QVariant(u"true"_qs), true, std::nullopt, std::nullopt},
        {"a bool", QVariant(false), false, std::nullopt, std::nullopt},
        {"1 and 0 as another program writes them", QVariant(u"1"_qs), true, u"1"_qs, std::nullopt},
        {"a page size", QVariant(u" 20 "_qs), std::nullopt, u"20"_qs, std::nullopt},
        {"a negative number", QVariant(u"-3"_qs), std::nullopt, std::nullopt, std::nullopt},
        {"digits past any count", QVariant(QString(19, u'9')), std::nullopt, std::nullopt, std::nullopt},
        {"words", QVariant(u"yes please"_qs), std::nullopt, std::nullopt, std::nullopt},
        {"a list (a comma in the file)", QVariant(QStringList{u"1"_qs, u"2"_qs}), std::nullopt, std::nullopt,
         std::nullopt},
        {"a date", QVariant(u"2011-03-04"_qs), std::nullopt, std::nullopt, QDate(2011, 3, 4)},
        {"an impossible date", QVariant(u"2011-02-30"_qs), std::nullopt, std::nullopt, std::nullopt},
        {"a date out of range", QVariant(u"0099-01-01"_qs), std::nullopt, std::nullopt, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(SwitchValue(c.stored), c.on);
        EXPECT_EQ(NumberText(c.stored), c.number);
        EXPECT_EQ(DateValue(c.stored), c.date);
    }
}

class WindowSettingsTest : public FdomainTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder_.isValid());
        path_ = folder_.filePath(u"config/DropScout/window.ini"_qs);
        SetWindowSettingsPath(path_);
        FdomainTest::SetUp();
    }
    void TearDown() override {
        FdomainTest::TearDown();
        SetWindowSettingsPath(QString());
    }
    // Ends the program the way the user does (the recording desktop does not end the process) and
    // opens the window anew, as the next run would.
    void nextRun() {
        child<QPushButton>(u"loutb"_qs)->click();
        w_ = std::make_unique<Fdomain>();
        w_->show();
    }
    bool on(const QString& name) { return check(name) ? check(name)->isChecked() : false; }
    bool selected(const QString& name) { return child<QRadioButton>(name)->isChecked(); }
    QDate date(const QString& name) { return child<QDateEdit>(name)->date(); }

    QTemporaryDir folder_;
    QString path_;
};

TEST_F(WindowSettingsTest, OptionsColumnsPageSizeAndGeometryComeBackNextRun) {
    child<QRadioButton>(u"lreg3"_qs)->setChecked(true);
    child<QRadioButton>(u"slreg2"_qs)->setChecked(true);
    child<QRadioButton>(u"lkind2"_qs)->setChecked(true);
    for (const QString& name : {u"lextendnum(14)"_qs, u"lordernum(9)"_qs, u"slordernum(3)"_qs, u"lnormal(2)"_qs})
        check(name)->setChecked(true);
    for (const QString& name : {u"lextendnum1"_qs, u"slcodent(1)"_qs, u"lshowset(2)"_qs, u"louttext(3)"_qs,
                                u"lrankset(0)"_qs, u"ltime3"_qs})
        check(name)->setChecked(false);
    edit(u"lsetrow"_qs)->setText(u"50"_qs);
    edit(u"lmaxnum"_qs)->setText(u"500"_qs);
    edit(u"stxtUpDown2"_qs)->setText(u"7"_qs);
    // Typed but not yet left: the value is repaired before it is kept.
    edit(u"lnewrowset"_qs)->setText(u"5000"_qs);
    child<QDateEdit>(u"ltime1"_qs)->setDate(QDate(2010, 1, 2));
    // The live checks' options: the concurrency (set on a search tab, kept for all three boxes) and the
    // ledger's 跳过 N 小时内查过的域名.
    child<QSpinBox>(u"lconcurrency(1)"_qs)->setValue(9);
    child<QCheckBox>(u"lskipfresh"_qs)->setChecked(true);
    child<QSpinBox>(u"lskiphours"_qs)->setValue(48);
    // A height of the user's choosing; the width cannot go below the window's least.
    w_->resize(w_->minimumSizeHint() + QSize(0, 20));
    const QSize size = w_->size();

    nextRun();
    EXPECT_TRUE(QFile::exists(path_));
    EXPECT_TRUE(selected(u"lreg3"_qs));
    EXPECT_FALSE(selected(u"lreg1"_qs));
    EXPECT_TRUE(selected(u"slreg2"_qs));
    EXPECT_TRUE(selected(u"lkind2"_qs));
    for (const QString& name : {u"lextendnum(14)"_qs, u"lordernum(9)"_qs, u"slordernum(3)"_qs, u"lnormal(2)"_qs})
        EXPECT_TRUE(on(name)) << name.toStdString();
    for (const QString& name : {u"lextendnum1"_qs, u"slcodent(1)"_qs, u"lshowset(2)"_qs, u"louttext(3)"_qs,
                                u"lrankset(0)"_qs, u"ltime3"_qs})
        EXPECT_FALSE(on(name)) << name.toStdString();
    EXPECT_TRUE(on(u"slcodent(0)"_qs));  // what was not changed keeps its default
    EXPECT_EQ(edit(u"lsetrow"_qs)->text(), u"50"_qs);
    EXPECT_EQ(w_->state().RowsPerPage, 50);
    EXPECT_EQ(edit(u"lmaxnum"_qs)->text(), u"500"_qs);
    EXPECT_EQ(edit(u"stxtUpDown2"_qs)->text(), u"7"_qs);
    EXPECT_EQ(edit(u"lnewrowset"_qs)->text(), u"1000"_qs);
    EXPECT_EQ(date(u"ltime1"_qs), QDate(2010, 1, 2));
    EXPECT_EQ(date(u"ltime2"_qs), kToday);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(child<QSpinBox>(QStringLiteral("lconcurrency(%1)").arg(i))->value(), 9) << i;
    EXPECT_TRUE(child<QCheckBox>(u"lskipfresh"_qs)->isChecked());
    EXPECT_EQ(child<QSpinBox>(u"lskiphours"_qs)->value(), 48);
    // The hidden column group is hidden again, not only ticked off.
    for (int c : {17, 18, 19, 20}) EXPECT_EQ(grid()->columnWidth(c), 0) << c;
    EXPECT_EQ(w_->size(), size);

    // The restore command asks first; "no" keeps everything.
    desktop_->answers = {ui::MessageAnswer::No};
    child<QPushButton>(u"ldefaults"_qs)->click();
    EXPECT_TRUE(selected(u"lreg3"_qs));
    desktop_->answers = {ui::MessageAnswer::Yes};
    child<QPushButton>(u"ldefaults"_qs)->click();
    ASSERT_EQ(desktop_->messages.size(), 2u);
    EXPECT_EQ(desktop_->messages[1].text, QString::fromUtf16(RestoreDefaultsQuestion));
    EXPECT_TRUE(selected(u"lreg1"_qs));
    EXPECT_TRUE(on(u"lextendnum1"_qs));
    EXPECT_FALSE(on(u"lextendnum(14)"_qs));
    EXPECT_TRUE(on(u"lshowset(2)"_qs));
    EXPECT_EQ(grid()->columnWidth(17), 50);
    EXPECT_EQ(edit(u"lsetrow"_qs)->text(), u"20"_qs);
    EXPECT_EQ(w_->state().RowsPerPage, 20);
    EXPECT_EQ(date(u"ltime1"_qs), kToday);
    EXPECT_FALSE(QFile::exists(path_));
}

// The window reopens exactly where it was closed: near the top of the screen too, where a window that
// draws its own frame used to come back a title bar's height lower (and shorter) on every run.
TEST_F(WindowSettingsTest, ReopensWhereItWasClosedOnTheTabItWasLeftOn) {
    const QRect free = w_->screen()->availableGeometry();
    const struct {
        const char* name;
        QPoint at;
        int tab;
    } cases[] = {
        {"at the top of the screen", free.topLeft() + QPoint(0, 3), 1},
        {"lower down", free.topLeft() + QPoint(12, 40), 4},
        {"back on the first tab", free.topLeft() + QPoint(5, 0), 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        w_->resize(w_->minimumSizeHint() + QSize(0, 10));
        w_->move(c.at);
        w_->fitToScreen();  // where the window itself would let the user leave it on this screen
        child<QTabWidget>(u"tabcontrolnew"_qs)->setCurrentIndex(c.tab);
        QApplication::processEvents();
        const QRect closed = w_->geometry();
        for (int run = 1; run <= 3; ++run) {  // a drift would add up run after run
            nextRun();
            QApplication::processEvents();
            EXPECT_EQ(w_->geometry(), closed) << "run " << run;
            EXPECT_EQ(child<QTabWidget>(u"tabcontrolnew"_qs)->currentIndex(), c.tab) << "run " << run;
        }
    }
}

// Folding the option pages leaves the tab bar alone above the grid, and the next run opens folded; a
// click on a tab unfolds them, and so does the restore command.
TEST_F(WindowSettingsTest, FoldedOptionPagesStayFoldedNextRun) {
    auto* fold = child<QAbstractButton>(u"lfoldpanel"_qs);
    ASSERT_FALSE(fold->isChecked());
    const int gridHeight = grid()->height();
    fold->click();
    QApplication::processEvents();
    auto* tabs = child<QTabWidget>(u"tabcontrolnew"_qs);
    EXPECT_LE(tabs->height(), tabs->tabBar()->height() + 2);
    EXPECT_FALSE(child(u"lfind"_qs)->isVisible());
    EXPECT_GT(grid()->height(), gridHeight + 100);

    nextRun();
    QApplication::processEvents();
    fold = child<QAbstractButton>(u"lfoldpanel"_qs);
    tabs = child<QTabWidget>(u"tabcontrolnew"_qs);
    EXPECT_TRUE(fold->isChecked());
    EXPECT_LE(tabs->height(), tabs->tabBar()->height() + 2);
    EXPECT_FALSE(child(u"lfind"_qs)->isVisible());

    QTest::mouseClick(tabs->tabBar(), Qt::LeftButton, {}, tabs->tabBar()->tabRect(1).center());
    QApplication::processEvents();
    EXPECT_FALSE(fold->isChecked());
    EXPECT_EQ(tabs->currentIndex(), 1);
    EXPECT_TRUE(child(u"slfind"_qs)->isVisible());

    fold->click();
    desktop_->answers = {ui::MessageAnswer::Yes};
    child<QPushButton>(u"ldefaults"_qs)->click();
    EXPECT_FALSE(fold->isChecked());
}

// A file this program did not write, or one that is damaged, must never stop the window from opening:
// what it cannot vouch for stays at the default.
TEST_F(WindowSettingsTest, BrokenOrForeignFilesFallBackToTheDefaults) {
    const struct {
        const char* name;
        QByteArray content;
        bool lreg3;  // whether the one good value in it is taken
    } cases[] = {
        {"binary garbage", QByteArray("\x00\xff\xfe[[[=\n\x01\x02", 10) + QByteArray(4000, '\x9c'), false},
        {"another program's settings", "[General]\nfoo=bar\n[window]\ngeometry=not a geometry\n", false},
        {"wrong kinds of values",
         "[options]\nlreg3=true\nlreg1=maybe\nlsetrow=-5\nlmaxnum=abc\nltime1=yesterday\nlshowset%280%29=2\n"
         "[window]\ngeometry=@ByteArray(\\x1\\x2\\x3)\n",
         true},
        {"empty", "", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        w_.reset();
        QFile file(path_);
        ASSERT_TRUE(QDir().mkpath(QFileInfo(path_).absolutePath()));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(c.content);
        file.close();

        w_ = std::make_unique<Fdomain>();
        w_->show();
        EXPECT_EQ(selected(u"lreg3"_qs), c.lreg3);
        EXPECT_EQ(selected(u"lreg1"_qs), !c.lreg3);
        EXPECT_EQ(edit(u"lsetrow"_qs)->text(), u"20"_qs);
        EXPECT_EQ(edit(u"lmaxnum"_qs)->text(), u"2000"_qs);
        EXPECT_EQ(date(u"ltime1"_qs), kToday);
        EXPECT_TRUE(on(u"lshowset(0)"_qs));
        EXPECT_EQ(grid()->columnWidth(7), 50);
        EXPECT_LE(w_->width(), 1200);
        EXPECT_TRUE(desktop_->messages.empty());
    }
    // The next run writes a good file over it.
    nextRun();
    QSettings written(path_, QSettings::IniFormat);
    EXPECT_EQ(written.status(), QSettings::NoError);
    EXPECT_EQ(written.value(u"options/lsetrow"_qs).toString(), u"20"_qs);
}

// Without a settings file named (tests, and any run that did not ask for one) nothing is read or written.
TEST_F(FdomainTest, WithoutASettingsPathNothingIsWritten) {
    ASSERT_TRUE(WindowSettingsPath().isEmpty());
    test::TempCwd cwd;
    child<QPushButton>(u"loutb"_qs)->click();
    EXPECT_TRUE(QDir(cwd.path()).entryList(QDir::Files | QDir::NoDotAndDotDot).isEmpty());
    EXPECT_EQ(desktop_->endCodes, std::vector<int>{0});
}

}  // namespace
