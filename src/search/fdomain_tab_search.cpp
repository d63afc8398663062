// The two search tabs: "过期备案域名检索" (filed search) and "过期域名综合检索" (expired search).
#include <QDateEdit>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QVBoxLayout>

#include "search/fdomain.h"
#include "search/fdomain_widgets.h"
#include "ui/lock_wait_pump.h"
#include "ui/markup.h"

namespace ds::search {
namespace {

const char16_t* const kExtensions[] = {u".com", u".net", u".org",  u".info", u".name",
                                       u".biz", u".us",  u".uk",   u".eu",   u".de",
                                       u".tk",  u".in",  u".co",   u".asia", u".cn"};

const QString kRegShowCaption = QStringLiteral(
    "<TextBlock>查询<Run Foreground=\"blue\" FontWeight=\"Bold\">即时注册状态</Run></TextBlock>");
const QString kGetShowCaption = QStringLiteral(
    "<TextBlock>查询<Run Foreground=\"blue\" FontWeight=\"Bold\">即时收录信息</Run></TextBlock>");

QString S(const char16_t* text) { return QString::fromUtf16(text); }

// Radio group of the deletion-date state, shared by both tabs.
QGroupBox* StateGroup(QWidget* parent, const QString& prefix) {
    QGroupBox* g = MakeGroup(parent, QStringLiteral("注册状态"));
    auto* v = new QVBoxLayout(g);
    v->setSpacing(2);
    v->addWidget(MakeRadio(g, prefix + u"reg1",
                           QStringLiteral("<TextBlock><Run FontWeight='Bold'>全部</Run></TextBlock>"), true));
    v->addWidget(MakeRadio(g, prefix + u"reg2",
                           QStringLiteral("<TextBlock><Run Foreground='red'>已过期</Run></TextBlock>"), false));
    v->addWidget(MakeRadio(g, prefix + u"reg3",
                           QStringLiteral("<TextBlock><Run Foreground='blue'>将过期</Run></TextBlock>"), false));
    return g;
}

QGroupBox* ComposeGroup(QWidget* parent, const QString& prefix) {
    QGroupBox* g = MakeGroup(parent, QStringLiteral("构成"));
    auto* grid = new QGridLayout(g);
    grid->setVerticalSpacing(2);
    const char16_t* captions[] = {u"字 母", u"数 字", u"中划线", u"中 文"};
    for (int i = 0; i < 4; ++i) {
        grid->addWidget(MakeCheck(g, prefix + u"composenum" + QString::number(i + 1), S(captions[i]), true),
                        i / 2, i % 2);
    }
    return g;
}

// "全部" plus the from/to dates.
QGroupBox* DateGroup(QWidget* parent, const QString& title, const QString& prefix) {
    QGroupBox* g = MakeGroup(parent, title);
    auto* grid = new QGridLayout(g);
    grid->setVerticalSpacing(2);
    grid->addWidget(MakeCheck(g, prefix + u"time3", QStringLiteral("全部"), true), 0, 0, 1, 2);
    grid->addWidget(MakeLabel(g, QStringLiteral("从")), 1, 0);
    grid->addWidget(MakeDate(g, prefix + u"time1"), 1, 1);
    grid->addWidget(MakeLabel(g, QStringLiteral("至")), 2, 0);
    grid->addWidget(MakeDate(g, prefix + u"time2"), 2, 1);
    return g;
}

QGroupBox* LengthGroup(QWidget* parent, const QString& prefix) {
    QGroupBox* g = MakeGroup(parent, QStringLiteral("前缀字数"));
    auto* grid = new QGridLayout(g);
    grid->setVerticalSpacing(2);
    grid->addWidget(MakeCheck(g, prefix + u"num3", QStringLiteral("全部"), true), 0, 0, 1, 2);
    grid->addWidget(MakeLabel(g, QStringLiteral("从")), 1, 0);
    grid->addWidget(MakeEdit(g, prefix + u"num1", QStringLiteral("1"), 48), 1, 1);
    grid->addWidget(MakeLabel(g, QStringLiteral("至")), 2, 0);
    grid->addWidget(MakeEdit(g, prefix + u"num2", QStringLiteral("10"), 48), 2, 1);
    return g;
}

QGroupBox* SortGroup(QWidget* parent, const QString& name, const QList<const char16_t*>& captions, int perRow) {
    QGroupBox* g = MakeGroup(parent, QStringLiteral("排序"));
    auto* grid = new QGridLayout(g);
    grid->setVerticalSpacing(2);
    for (int i = 0; i < captions.size(); ++i) {
        grid->addWidget(MakeCheck(g, ArrayName(name, i), S(captions[i]), false), i / perRow, i % perRow);
    }
    return g;
}

}  // namespace

QGroupBox* Fdomain::buildExtensionGroup(QWidget* parent, const QString& prefix) {
    QGroupBox* g = MakeGroup(parent, QStringLiteral("后缀"));
    auto* grid = new QGridLayout(g);
    grid->setVerticalSpacing(2);
    ui::MarkupCheck* all = MakeCheck(g, prefix + u"extendnum1", QStringLiteral("全部"), true);
    grid->addWidget(all, 0, 0);
    QList<ui::MarkupCheck*> singles;
    for (int i = 0; i < 15; ++i) {
        ui::MarkupCheck* c = MakeCheck(g, ArrayName(prefix + u"extendnum", i), S(kExtensions[i]), false);
        const int slot = i + 1;
        grid->addWidget(c, slot / 8, slot % 8);
        singles << c;
    }
    if (prefix == u"l") {
        lextendnum_ = singles;
        lextendnum1_ = all;
    } else {
        slextendnum_ = singles;
        slextendnum1_ = all;
    }
    return g;
}

QWidget* Fdomain::buildFiledTab() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("tabfiled"));
    auto* v = new QVBoxLayout(page);
    v->setContentsMargins(6, 6, 6, 4);
    v->setSpacing(4);

    auto* top = new QHBoxLayout;
    top->addWidget(MakeLabel(page, QStringLiteral("关键字：")));
    lfind_ = MakeEdit(page, QStringLiteral("lfind"), {});
    lfind_->setMinimumWidth(220);
    top->addWidget(lfind_, 1);
    for (int i = 0; i < 2; ++i) {
        top->addWidget(MakeCheck(page, ArrayName(QStringLiteral("lcodent"), i),
                                 i == 0 ? QStringLiteral("左包含") : QStringLiteral("右包含"), false));
    }
    top->addWidget(MakeButton(page, QStringLiteral("lsearch"), QStringLiteral("搜索")));
    top->addWidget(ui::MarkStopButton(MakeButton(page, QStringLiteral("lstop"), QStringLiteral("停止"))));
    top->addSpacing(12);
    top->addWidget(actionButton(page, QStringLiteral("lfindwhois"), QStringLiteral("WHOIS")));
    top->addWidget(actionButton(page, QStringLiteral("lregshow(1)"), kRegShowCaption));
    top->addWidget(actionButton(page, QStringLiteral("lgetshow(1)"), kGetShowCaption));
    top->addWidget(MakeConcurrencyBox(page, 1));
    v->addLayout(top);

    auto* groups = new QHBoxLayout;
    groups->addWidget(StateGroup(page, QStringLiteral("l")));
    {
        QGroupBox* g = MakeGroup(page, QStringLiteral("登记性质"));
        auto* gv = new QVBoxLayout(g);
        gv->setSpacing(2);
        gv->addWidget(MakeRadio(g, QStringLiteral("lkind1"), QStringLiteral("全 部"), true));
        gv->addWidget(MakeRadio(g, QStringLiteral("lkind2"), QStringLiteral("个 人"), false));
        gv->addWidget(MakeRadio(g, QStringLiteral("lkind3"), QStringLiteral("企 业"), false));
        groups->addWidget(g);
    }
    groups->addWidget(ComposeGroup(page, QStringLiteral("l")));
    groups->addWidget(DateGroup(page, QStringLiteral("备案时间"), QStringLiteral("l")));
    groups->addWidget(LengthGroup(page, QStringLiteral("l")));
    {
        QGroupBox* g = MakeGroup(page, QStringLiteral("收录含有"));
        auto* grid = new QGridLayout(g);
        grid->setVerticalSpacing(2);
        const char16_t* captions[] = {u"BAIDU收录", u"BAIDU外链", u"PR值", u"ALEXA排名"};
        for (int i = 0; i < 4; ++i) {
            grid->addWidget(MakeCheck(g, ArrayName(QStringLiteral("lnormal"), i), S(captions[i]), false), i / 2,
                            i % 2);
        }
        groups->addWidget(g);
    }
    groups->addStretch(1);
    v->addLayout(groups);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(buildExtensionGroup(page, QStringLiteral("l")), 3);
    bottom->addWidget(SortGroup(page, QStringLiteral("lordernum"),
                                {u"字数", u"地区", u"时间", u"注册", u"构成", u"性质", u"PR值", u"ALEXA",
                                 u"外链", u"收录"},
                                5),
                      2);
    v->addLayout(bottom);
    return page;
}

QWidget* Fdomain::buildExpiredTab() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("tabexpired"));
    auto* v = new QVBoxLayout(page);
    v->setContentsMargins(6, 6, 6, 4);
    v->setSpacing(4);

    auto* top = new QHBoxLayout;
    top->addWidget(MakeLabel(page, QStringLiteral("关键字：")));
    slfind_ = MakeEdit(page, QStringLiteral("slfind"), {});
    slfind_->setMinimumWidth(220);
    top->addWidget(slfind_, 1);
    for (int i = 0; i < 2; ++i) {
        top->addWidget(MakeCheck(page, ArrayName(QStringLiteral("slcodent"), i),
                                 i == 0 ? QStringLiteral("左包含") : QStringLiteral("右包含"), true));
    }
    top->addWidget(MakeButton(page, QStringLiteral("slsearch"), QStringLiteral("搜索")));
    top->addWidget(ui::MarkStopButton(MakeButton(page, QStringLiteral("slstop"), QStringLiteral("停止"))));
    top->addSpacing(12);
    top->addWidget(actionButton(page, QStringLiteral("slfindwhois"), QStringLiteral("WHOIS")));
    top->addWidget(actionButton(page, QStringLiteral("lregshow(2)"), kRegShowCaption));
    top->addWidget(actionButton(page, QStringLiteral("lgetshow(2)"), kGetShowCaption));
    top->addWidget(MakeConcurrencyBox(page, 2));
    v->addLayout(top);

    auto* groups = new QHBoxLayout;
    groups->addWidget(StateGroup(page, QStringLiteral("sl")));
    groups->addWidget(ComposeGroup(page, QStringLiteral("sl")));
    groups->addWidget(DateGroup(page, QStringLiteral("删除时间"), QStringLiteral("sl")));
    groups->addWidget(LengthGroup(page, QStringLiteral("sl")));
    {
        QGroupBox* g = MakeGroup(page, QStringLiteral("收录要求(0为不要求)"));
        auto* grid = new QGridLayout(g);
        grid->setVerticalSpacing(2);
        const char16_t* labels[] = {
            u"<TextBlock><Run FontWeight='Bold'>PR值</Run>大于</TextBlock>",
            u"<TextBlock><Run FontWeight='Bold'>百度收录</Run>大于</TextBlock>",
            u"<TextBlock><Run FontWeight='Bold'>ALEXA</Run>小于</TextBlock>",
            u"<TextBlock><Run FontWeight='Bold'>百度外链</Run>大于</TextBlock>",
        };
        for (int i = 0; i < 4; ++i) {
            const QString n = QString::number(i + 1);
            QLineEdit* box = MakeEdit(g, u"stxtUpDown" + n, QStringLiteral("0"), 80);
            const int row = i / 2, col = (i % 2) * 3;
            grid->addWidget(MakeLabel(g, S(labels[i])), row, col);
            grid->addWidget(box, row, col + 1);
            grid->addWidget(new UpDownSpinner(box, u"sUpDown" + n, 0, 2147483647, g), row, col + 2);
        }
        groups->addWidget(g);
    }
    groups->addStretch(1);
    v->addLayout(groups);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(buildExtensionGroup(page, QStringLiteral("sl")), 3);
    bottom->addWidget(SortGroup(page, QStringLiteral("slordernum"),
                                {u"字数", u"前缀", u"后缀", u"PR值", u"ALEXA", u"百度收录", u"百度外链"}, 4),
                      2);
    v->addLayout(bottom);
    return page;
}

}  // namespace ds::search
