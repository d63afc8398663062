// The selection commands of `lsel` and the value rules of the main window's edit boxes and columns.
#include <gtest/gtest.h>

#include <cfenv>
#include <string>

#include "search/fdomain_rules.h"
#include "search/selection.h"
#include "ui/markup.h"

using namespace ds::search;

namespace {

struct MarkCase {
    const char* name;
    int command;
    SelectionRow row;
    QString expected;
};

class SelectionMarkTest : public testing::TestWithParam<MarkCase> {};

TEST_P(SelectionMarkTest, MarksRow) {
    const MarkCase& c = GetParam();
    EXPECT_EQ(SelectionMark(c.command, c.row), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Commands, SelectionMarkTest,
    testing::Values(
        MarkCase{"AllMarksEvenAnEmptyRow", SelectAll, {}, u"1"_qs},
        MarkCase{"NoneClearsADomainRow", SelectNone, {u"a.com"_qs, u"未注册"_qs, u"京ICP备123456号"_qs}, u"0"_qs},
        MarkCase{"UnregisteredMarksUnregistered", SelectUnregistered, {u"a.com"_qs, u"未注册"_qs, {}}, u"1"_qs},
        MarkCase{"UnregisteredNeedsADot", SelectUnregistered, {u"acom"_qs, u"未注册"_qs, {}}, u"0"_qs},
        MarkCase{"UnregisteredIsExact", SelectUnregistered, {u"a.com"_qs, u"未注册 "_qs, {}}, u"0"_qs},
        MarkCase{"UnregisteredSkipsRegistered", SelectUnregistered, {u"a.com"_qs, u"已注册"_qs, {}}, u"0"_qs},
        MarkCase{"ExpiringMarksExpiring", SelectExpiring, {u"a.com"_qs, u"将过期"_qs, {}}, u"1"_qs},
        MarkCase{"ExpiringSkipsUnregistered", SelectExpiring, {u"a.com"_qs, u"未注册"_qs, {}}, u"0"_qs},
        MarkCase{"ExpiringNeedsADot", SelectExpiring, {u"a"_qs, u"将过期"_qs, {}}, u"0"_qs},
        MarkCase{"FiledSixCharacters", SelectFiled, {u"a.cn"_qs, {}, u"京ICP备1"_qs}, u"1"_qs},
        MarkCase{"FiledFiveCharactersIsNot", SelectFiled, {u"a.cn"_qs, {}, u"京ICP备"_qs}, u"0"_qs},
        MarkCase{"FiledPlaceholderIsNot", SelectFiled, {u"a.cn"_qs, {}, u"未备案"_qs}, u"0"_qs},
        MarkCase{"FiledNeedsADot", SelectFiled, {u"acn"_qs, {}, u"京ICP备123456号"_qs}, u"0"_qs},
        MarkCase{"NoEntryChosenLeavesMark", -1, {u"a.com"_qs, u"未注册"_qs, {}}, QString()},
        MarkCase{"UnknownEntryLeavesMark", 5, {u"a.com"_qs, u"未注册"_qs, {}}, QString()}),
    [](const testing::TestParamInfo<MarkCase>& info) { return std::string(info.param.name); });

TEST(SelectionEntries, FiveMarkupEntriesReadingTheCommands) {
    const QStringList entries = SelectionEntries();
    ASSERT_EQ(entries.size(), SelectionCommandCount);
    const QStringList plain{u"全选"_qs, u"全不选"_qs, u"选择未注册域名"_qs, u"选择将过期域名"_qs, u"选择已备案域名"_qs};
    for (int i = 0; i < entries.size(); ++i) EXPECT_EQ(ds::ui::ParseMarkup(entries[i]).plain, plain[i]) << i;
    EXPECT_EQ(entries[0], u"<TextBlock>全<Run  FontWeight='Bold'>选</Run></TextBlock>"_qs);
}

struct RepairCase {
    QString typed;
    QString rowLimit;
    QString rowsText;
    int rowsPerPage;
    QString newRows;
};

TEST(EditBoxRepairs, RowLimitRowsPerPageAndNewRows) {
    const RepairCase cases[] = {
        {u"0"_qs, u"2000"_qs, u"20"_qs, 20, u"1"_qs},
        {u""_qs, u"2000"_qs, u"20"_qs, 20, u"1"_qs},
        {u"abc"_qs, u"2000"_qs, u"20"_qs, 20, u"1"_qs},
        {u"0.5"_qs, u"2000"_qs, u"20"_qs, 20, u"1"_qs},
        {u"-3"_qs, u"2000"_qs, u"20"_qs, 20, u"1"_qs},
        {u"1"_qs, u"1"_qs, u"1"_qs, 1, u"1"_qs},
        {u"2.5"_qs, u"2.5"_qs, u"2.5"_qs, 2, u"2.5"_qs},   // halves go to the even neighbour
        {u"3.5"_qs, u"3.5"_qs, u"3.5"_qs, 4, u"3.5"_qs},
        {u"2.49"_qs, u"2.49"_qs, u"2.49"_qs, 2, u"2.49"_qs},
        {u"2.51"_qs, u"2.51"_qs, u"2.51"_qs, 3, u"2.51"_qs},
        {u"30条"_qs, u"30条"_qs, u"30条"_qs, 30, u"30"_qs},  // kept as typed; the number is its leading part
        {u"2000"_qs, u"2000"_qs, u"2000"_qs, 2000, u"1000"_qs},
        {u"99999999999"_qs, u"99999999999"_qs, u"99999999999"_qs, 2147483647, u"1000"_qs},
    };
    for (const RepairCase& c : cases) {
        SCOPED_TRACE(c.typed.toStdString());
        EXPECT_EQ(RepairRowLimit(c.typed), c.rowLimit);
        const RowsPerPageValue rows = RepairRowsPerPage(c.typed);
        EXPECT_EQ(rows.text, c.rowsText);
        EXPECT_EQ(rows.rowsPerPage, c.rowsPerPage);
        EXPECT_EQ(ClampNewRowCount(c.typed), c.newRows);
    }
    // The page size does not depend on the process's rounding mode, and leaves the mode as it was.
    const int saved = std::fegetround();
    for (const int mode : {FE_UPWARD, FE_DOWNWARD, FE_TOWARDZERO}) {
        std::fesetround(mode);
        for (const RepairCase& c : cases) {
            const int rowsPerPage = RepairRowsPerPage(c.typed).rowsPerPage;
            const int after = std::fegetround();
            std::fesetround(saved);  // for gtest's own number formatting
            EXPECT_EQ(rowsPerPage, c.rowsPerPage) << c.typed.toStdString() << " rounding mode " << mode;
            EXPECT_EQ(after, mode);
            std::fesetround(mode);
        }
    }
    std::fesetround(saved);
}

// What the searches accept from their boxes: NULs never reach a statement, and the keyword limit
// counts characters as the box shows them.
TEST(KeywordInput, NulRemovalAndLengthLimit) {
    const QString nul(QChar(u'\0'));
    const QString emoji = QString::fromUcs4(U"\U0001F600");  // two UTF-16 units, one character
    const struct {
        const char* name;
        QString typed, kept;
        bool tooLong;
    } cases[] = {
        {"empty", QString(), QString(), false},
        {"NUL inside", u"ab"_qs + nul + u"c"_qs, u"abc"_qs, false},
        {"only NULs", nul + nul, QString(), false},
        {"200 letters", QString(200, u'a'), QString(200, u'a'), false},
        {"201 letters", QString(201, u'a'), QString(201, u'a'), true},
        {"spaces count", u"abc"_qs + QString(198, u' '), u"abc"_qs + QString(198, u' '), true},
        {"200 Chinese", QString(200, u'域'), QString(200, u'域'), false},
        {"201 Chinese", QString(201, u'域'), QString(201, u'域'), true},
        {"NULs do not count", QString(200, u'a') + nul, QString(200, u'a'), false},
        {"200 outside the basic plane", emoji.repeated(200), emoji.repeated(200), false},
        {"201 outside the basic plane", emoji.repeated(201), emoji.repeated(201), true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(WithoutNul(c.typed), c.kept);
        EXPECT_EQ(KeywordTooLong(c.typed), c.tooLong);
    }
}

TEST(GridColumns, GroupsRestoreTheirLoadWidths) {
    const auto& columns = GridColumns();
    for (int group = 0; group < ColumnGroupCount; ++group) {
        for (const ColumnWidth& c : ColumnGroup(group)) {
            EXPECT_EQ(columns[c.col].width, c.width) << "group " << group << " column " << c.col;
        }
    }
    EXPECT_EQ(ColumnGroup(0).size(), 3u);
    EXPECT_EQ(ColumnGroup(1).size(), 3u);
    EXPECT_EQ(ColumnGroup(2).size(), 4u);
    EXPECT_TRUE(ColumnGroup(3).empty());
    EXPECT_EQ(ColumnGroup(2).front().col, 17);
    EXPECT_EQ(ColumnGroup(1).front().col, 5);
}

}  // namespace
