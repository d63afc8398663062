// The option values as the two search tabs give them: the starting values, and reading the controls
// of a form by name (missing controls read as their starting values).
#include <gtest/gtest.h>

#include <QDateEdit>
#include <QLineEdit>
#include <QVBoxLayout>
#include <QWidget>

#include "core/clock.h"
#include "search/statements/option_readers.h"
#include "search/statements/search_statements.h"
#include "ui/markup.h"

using namespace ds::search;
using namespace Qt::StringLiterals;

namespace {

const QDate kToday(2012, 3, 4);

struct ClockScope {
    ClockScope() { ds::SetClock(std::make_shared<ds::FixedClock>(QDateTime(kToday, QTime(9, 30)))); }
    ~ClockScope() { ds::SetClock(std::make_shared<ds::SystemClock>()); }
};

// A form whose named controls sit one level down, as they do on the tab pages of the main window.
class Form {
public:
    Form() : page_(new QWidget(&root_)) { new QVBoxLayout(page_); }
    QWidget* root() { return &root_; }

    ds::ui::MarkupCheck* check(const QString& name, bool checked, const QString& caption = {}) {
        auto* box = add(new ds::ui::MarkupCheck(caption), name);
        box->setChecked(checked);
        return box;
    }
    void radios(const QString& prefix, int selected, int count = 3) {
        auto* group = add(new QWidget, prefix + u"group"_s);
        for (int i = 1; i <= count; ++i) {
            auto* r = new ds::ui::MarkupRadio(u"r"_s, group);
            r->setObjectName(prefix + QString::number(i));
            r->setChecked(i == selected);
        }
    }
    void edit(const QString& name, const QString& text) { add(new QLineEdit(text), name); }
    void date(const QString& name, const QDate& d) { add(new QDateEdit(d), name); }

private:
    template <typename W>
    W* add(W* w, const QString& name) {
        w->setObjectName(name);
        page_->layout()->addWidget(w);
        return w;
    }
    QWidget root_;
    QWidget* page_;
};

}  // namespace

TEST(SearchOptionDefaults, MatchTheControlsAsTheWindowStarts) {
    ClockScope clock;
    const FiledSearchOptions f = FiledSearchOptions::Defaults();
    EXPECT_EQ(f.filingFrom, kToday);
    EXPECT_EQ(f.filingTo, kToday);
    EXPECT_EQ(f.keywordLeft + f.keywordRight, 0) << "左包含 and 右包含 start unchecked on the filed tab";
    EXPECT_EQ(f.rowLimit, u"2000"_s);
    QStringList captions;
    for (const auto& b : f.extensions) {
        captions << b.caption;
        EXPECT_EQ(b.checked, 0);
    }
    EXPECT_EQ(captions.join(u' '), u".com .net .org .info .name .biz .us .uk .eu .de .tk .in .co .asia .cn"_s);

    const ExpiredSearchOptions e = ExpiredSearchOptions::Defaults();
    EXPECT_EQ(e.deletionFrom, kToday);
    EXPECT_EQ(e.keywordLeft + e.keywordRight, 2) << "both position boxes start checked on the expired tab";
    EXPECT_EQ(e.extensions.size(), 15);
}

TEST(ReadSearchOptions, AFormWithoutControlsReadsAsTheDefaults) {
    ClockScope clock;
    QWidget empty;
    const FiledSearchOptions f = ReadFiledSearchOptions(&empty);
    const ExpiredSearchOptions e = ReadExpiredSearchOptions(&empty);
    FiledSearchOptions fd = FiledSearchOptions::Defaults();
    ExpiredSearchOptions ed = ExpiredSearchOptions::Defaults();
    // Every fragment switched on shows every value in the statement.
    auto open = [](auto& o) {
        o.lengthAll = 0;
        o.extensionAll = 0;
        o.keyword = u"k"_s;
        for (auto& b : o.extensions) b.checked = 1;
    };
    FiledSearchOptions f2 = f, fd2 = fd;
    open(f2);
    open(fd2);
    f2.filingDateAll = fd2.filingDateAll = 0;
    EXPECT_EQ(BuildFiledSearchStatement(f2), BuildFiledSearchStatement(fd2));
    ExpiredSearchOptions e2 = e, ed2 = ed;
    open(e2);
    open(ed2);
    e2.deletionDateAll = ed2.deletionDateAll = 0;
    EXPECT_EQ(BuildExpiredSearchStatement(e2), BuildExpiredSearchStatement(ed2));
    EXPECT_EQ(BuildFiledSearchStatement(f), BuildFiledSearchStatement(fd));
    EXPECT_EQ(BuildExpiredSearchStatement(e), BuildExpiredSearchStatement(ed));
    EXPECT_EQ(f.state, StateAll);
    EXPECT_EQ(f.holderKind, HolderAll);
    EXPECT_EQ(e.state, StateAll);
    EXPECT_EQ(f.filingFrom, kToday);
}

TEST(ReadSearchOptions, FiledTabControlsGiveTheirStatement) {
    ClockScope clock;
    Form form;
    form.radios(u"lreg"_s, 3);
    form.radios(u"lkind"_s, 2);
    form.check(u"lnum3"_s, false);
    form.edit(u"lnum1"_s, u"3"_s);
    form.edit(u"lnum2"_s, u"6.50"_s);
    form.check(u"ltime3"_s, false);
    form.date(u"ltime1"_s, QDate(2010, 1, 2));
    form.date(u"ltime2"_s, QDate(2011, 11, 30));
    form.edit(u"lfind"_s, u"Go Od"_s);
    form.check(u"lcodent(0)"_s, false, u"左包含"_s);
    form.check(u"lcodent(1)"_s, true, u"右包含"_s);
    form.check(u"lnormal(3)"_s, true);
    form.check(u"lcomposenum1"_s, true);
    form.check(u"lcomposenum2"_s, false);
    form.check(u"lcomposenum3"_s, true);
    form.check(u"lcomposenum4"_s, false);
    form.check(u"lextendnum1"_s, false, u"全部"_s);
    form.check(u"lextendnum(0)"_s, true, u".com"_s);
    form.check(u"lextendnum(14)"_s, true, u"<TextBlock><Run FontWeight='Bold'>.cn</Run></TextBlock>"_s);
    form.check(u"lordernum(9)"_s, true);
    form.check(u"lordernum(2)"_s, true);
    form.edit(u"lmaxnum"_s, u"300"_s);

    const FiledSearchOptions o = ReadFiledSearchOptions(form.root());
    EXPECT_EQ(o.state, StateExpiring);
    EXPECT_EQ(o.holderKind, HolderPerson);
    EXPECT_EQ(o.extensions[14].caption, u".cn"_s) << "the caption's plain text, not its markup";
    EXPECT_EQ(BuildFiledSearchStatement(o),
              u"select top 300 * from ldomainreg where (lregist=1) and datediff(day,ldeltime,getdate())<0 "
              " and lbackhostkind='个人'  and (llength between 3 and 6.5) and (lbacktime between "
              "'2010-01-02' and '2011-11-30') and lname like '%good'  and lalexa<100000000 and lcompose=2 "
              "and llang=1 and (1=2 or lextend like '%.com' or lextend like '%.cn') order by lbacktime "
              "desc,lbaidudomain desc"_s);
}

TEST(ReadSearchOptions, ExpiredTabControlsGiveTheirStatement) {
    ClockScope clock;
    Form form;
    form.check(u"slnum3"_s, true);
    form.edit(u"slnum1"_s, u"99"_s);  // ignored while 全部 is checked
    form.edit(u"slfind"_s, u"ab"_s);
    form.check(u"slcodent(0)"_s, true);
    form.check(u"slcodent(1)"_s, false);
    form.edit(u"stxtUpDown1"_s, u"2"_s);
    form.edit(u"stxtUpDown3"_s, u"5000"_s);
    form.edit(u"stxtUpDown4"_s, u"x"_s);
    form.check(u"slcomposenum1"_s, false);
    form.check(u"sltime3"_s, false);
    form.date(u"sltime1"_s, QDate(2011, 12, 1));
    form.date(u"sltime2"_s, QDate(2011, 12, 1));
    form.radios(u"slreg"_s, 2);
    form.check(u"slextendnum1"_s, true);
    form.check(u"slextendnum(3)"_s, true, u".info"_s);  // 全部 still wins
    form.check(u"slordernum(6)"_s, true);
    form.check(u"slordernum(0)"_s, true);
    form.edit(u"lmaxnum"_s, u"abc"_s);
    // The filed tab's twins must not be read by the expired search.
    form.edit(u"lfind"_s, u"zzz"_s);
    form.check(u"lnum3"_s, false);

    EXPECT_EQ(BuildExpiredSearchStatement(ReadExpiredSearchOptions(form.root())),
              u"select top 0 * from ldomainhis where (lregist=1) and lname like 'ab%'  and lgooglepr>=2 "
              "and lalexa<=5000 and lcompose=3 and (ldeltime between '2011-12-01' and '2011-12-01') and "
              "datediff(day,ldeltime,getdate())>=0  order by llength,lbaidusite desc"_s);
}

TEST(ReadSearchOptions, RadioGroupsReadAsTheSearchTreatsThem) {
    struct Case {
        const char* name;
        int present;   // how many of the three buttons the form has (from the first)
        int selected;  // 1-based, 0 for none
        int expected;
    } cases[] = {
        {"全部", 3, 1, StateAll},
        {"已过期", 3, 2, StateExpired},
        {"将过期", 3, 3, StateExpiring},
        {"none selected: neither 全部 nor 已过期 means 将过期", 3, 0, StateExpiring},
        {"only the first two, second selected", 2, 2, StateExpired},
    };
    for (const auto& c : cases) {
        Form form;
        form.radios(u"lreg"_s, c.selected, c.present);
        form.radios(u"slreg"_s, c.selected, c.present);
        EXPECT_EQ(ReadFiledSearchOptions(form.root()).state, c.expected) << c.name;
        EXPECT_EQ(ReadExpiredSearchOptions(form.root()).state, c.expected) << c.name;
    }
}
