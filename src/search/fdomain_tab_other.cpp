// The tabs "内容显示设置", "域名相关工具" and "批量导入、导出域名".
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QVBoxLayout>

#include "search/fdomain.h"
#include "search/fdomain_widgets.h"
#include "ui/lock_wait_pump.h"
#include "ui/markup.h"

namespace ds::search {
namespace {

QString S(const char16_t* text) { return QString::fromUtf16(text); }

QListWidget* MarkupList(QWidget* parent, const QString& name) {
    auto* list = new QListWidget(parent);
    list->setObjectName(name);
    list->setItemDelegate(new ui::MarkupItemDelegate(list));
    return list;
}

}  // namespace

QWidget* Fdomain::buildDisplayTab() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("tabdisplay"));
    auto* h = new QHBoxLayout(page);

    QGroupBox* show = MakeGroup(page, QStringLiteral("显示项目"));
    auto* sv = new QVBoxLayout(show);
    const char16_t* groups[] = {u"备案信息", u"注册信息", u"收录信息"};
    for (int i = 0; i < 3; ++i) {
        ui::MarkupCheck* c = MakeCheck(show, ArrayName(QStringLiteral("lshowset"), i), S(groups[i]), true);
        sv->addWidget(c);
        lshowset_ << c;
    }
    sv->addStretch(1);
    h->addWidget(show);

    QGroupBox* rows = MakeGroup(page, QStringLiteral("显示设置"));
    auto* rg = new QGridLayout(rows);
    rg->addWidget(MakeLabel(rows, QStringLiteral("最多显示：")), 0, 0);
    lmaxnum_ = MakeEdit(rows, QStringLiteral("lmaxnum"), QStringLiteral("2000"), 80);
    rg->addWidget(lmaxnum_, 0, 1);
    rg->addWidget(MakeLabel(rows, QStringLiteral("条")), 0, 2);
    rg->addWidget(MakeLabel(rows, QStringLiteral("每页显示：")), 1, 0);
    lsetrow_ = MakeEdit(rows, QStringLiteral("lsetrow"), QStringLiteral("20"), 80);
    rg->addWidget(lsetrow_, 1, 1);
    rg->addWidget(MakeLabel(rows, QStringLiteral("条")), 1, 2);
    ui::MarkupButton* defaults = MakeButton(rows, QStringLiteral("ldefaults"), QStringLiteral("恢复默认设置"));
    connect(defaults, &QPushButton::clicked, this, &Fdomain::restoreDefaults);
    rg->addWidget(defaults, 2, 0, 1, 3);
    rg->setRowStretch(3, 1);
    h->addWidget(rows);

    QGroupBox* rank = MakeGroup(page, QStringLiteral("即时收录查询项目"));
    auto* kv = new QVBoxLayout(rank);
    const char16_t* metrics[] = {u"PR值", u"百度收录", u"百度外链", u"ALEXA排名"};
    for (int i = 0; i < 4; ++i) kv->addWidget(MakeCheck(rank, ArrayName(QStringLiteral("lrankset"), i), S(metrics[i]), true));
    kv->addStretch(1);
    h->addWidget(rank);
    h->addStretch(1);
    return page;
}

QWidget* Fdomain::buildToolsTab() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("tabtools"));
    auto* h = new QHBoxLayout(page);

    QGroupBox* prices = MakeGroup(page, QStringLiteral("最新域名注册报价"));
    auto* pv = new QVBoxLayout(prices);
    pv->addWidget(actionButton(prices, QStringLiteral("showpricelist"),
                               QStringLiteral("<TextBlock>显示 <Run Foreground=\"blue\" FontWeight=\"Bold\">域名报价</Run></TextBlock>")));
    pv->addWidget(MarkupList(prices, QStringLiteral("lpricelist")), 1);
    h->addWidget(prices, 2);

    QGroupBox* proms = MakeGroup(page, QStringLiteral("最新优惠码"));
    auto* mv = new QVBoxLayout(proms);
    mv->addWidget(actionButton(proms, QStringLiteral("showpromlist"),
                               QStringLiteral("<TextBlock>显示 <Run Foreground=\"blue\" FontWeight=\"Bold\">优惠码</Run></TextBlock>")));
    mv->addWidget(MarkupList(proms, QStringLiteral("lpromlist")), 1);
    auto* bak = new QListWidget(proms);
    bak->setObjectName(QStringLiteral("lpromlist_bak"));
    bak->hide();
    auto* code = new QHBoxLayout;
    code->addWidget(MakeLabel(proms, QStringLiteral("选定优惠码：")));
    code->addWidget(MakeEdit(proms, QStringLiteral("lpromtext"), {}), 1);
    code->addWidget(actionButton(proms, QStringLiteral("goprom"),
                                 QStringLiteral("<TextBlock>点击<Run Foreground=\"blue\" FontWeight=\"Bold\">访问官网</Run></TextBlock>")));
    mv->addLayout(code);
    h->addWidget(proms, 3);

    QGroupBox* row = MakeGroup(page, QStringLiteral("选中域名相关操作"));
    auto* rv = new QVBoxLayout(row);
    rv->addWidget(actionButton(row, QStringLiteral("lwhois"),
                               QStringLiteral("<TextBlock>WHOIS <Run Foreground=\"blue\" FontWeight=\"Bold\">查 询</Run></TextBlock>")));
    rv->addWidget(actionButton(row, QStringLiteral("lip"),
                               QStringLiteral("<TextBlock>IP<Run Foreground=\"blue\" FontWeight=\"Bold\">　反查</Run> </TextBlock>")));
    rv->addWidget(actionButton(row, QStringLiteral("lbak"),
                               QStringLiteral("<TextBlock><Run Foreground=\"blue\" FontWeight=\"Bold\">显示</Run> 备案信息</TextBlock>")));
    rv->addWidget(actionButton(row, QStringLiteral("lregist"),
                               QStringLiteral("<TextBlock>域 名 <Run Foreground=\"blue\" FontWeight=\"Bold\">注 册</Run></TextBlock>")));
    rv->addStretch(1);
    h->addWidget(row, 1);
    return page;
}

QWidget* Fdomain::buildListsTab() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("tablists"));
    auto* h = new QHBoxLayout(page);

    QGroupBox* import = MakeGroup(page, QStringLiteral("批量导入拟查询域名"));
    auto* iv = new QGridLayout(import);
    iv->addWidget(actionButton(import, QStringLiteral("lintxt"),
                               QStringLiteral("<TextBlock>从<Run Foreground=\"blue\" FontWeight=\"Bold\">文本文件</Run>导入</TextBlock>")),
                  0, 0, 1, 2);
    iv->addWidget(actionButton(import, QStringLiteral("Command2"),
                               QStringLiteral("<TextBlock>从<Run Foreground=\"blue\" FontWeight=\"Bold\">文本框</Run>导入</TextBlock>")),
                  1, 0, 1, 2);
    iv->addWidget(MakeLabel(import, QStringLiteral("域名前缀：")), 2, 0);
    ldomainpre_ = MakeEdit(import, QStringLiteral("ldomainpre"), {}, 120);
    iv->addWidget(ldomainpre_, 2, 1);
    iv->addWidget(MakeButton(import, QStringLiteral("lshowdomain"),
                             QStringLiteral("<TextBlock>显示 <Run Foreground=\"blue\" FontWeight=\"Bold\">所有后缀域名</Run></TextBlock>")),
                  3, 0, 1, 2);
    iv->setRowStretch(4, 1);
    h->addWidget(import);

    QGroupBox* rows = MakeGroup(page, QStringLiteral("新增空行设置"));
    auto* rg = new QGridLayout(rows);
    rg->addWidget(MakeLabel(rows, QStringLiteral("每次新增：")), 0, 0);
    lnewrowset_ = MakeEdit(rows, QStringLiteral("lnewrowset"), QStringLiteral("2"), 60);
    rg->addWidget(lnewrowset_, 0, 1);
    rg->addWidget(new UpDownSpinner(lnewrowset_, QStringLiteral("lnewwith"), 1, 1000, rows), 0, 2);
    rg->addWidget(MakeLabel(rows, QStringLiteral("空行")), 0, 3);
    rg->addWidget(actionButton(rows, QStringLiteral("laddnewrow"),
                               QStringLiteral("<TextBlock>新增<Run Foreground=\"blue\" FontWeight=\"Bold\">空行</Run></TextBlock>")),
                  1, 0, 1, 4);
    rg->setRowStretch(2, 1);
    h->addWidget(rows);

    QGroupBox* exportGroup = MakeGroup(page, QStringLiteral("批量导出域名信息"));
    auto* eg = new QGridLayout(exportGroup);
    const char16_t* columns[] = {u"域名", u"注册状态", u"备案信息", u"收录信息"};
    for (int i = 0; i < 4; ++i) {
        eg->addWidget(MakeCheck(exportGroup, ArrayName(QStringLiteral("louttext"), i), S(columns[i]), true), i / 2,
                      i % 2);
    }
    eg->addWidget(actionButton(exportGroup, QStringLiteral("ltxt"),
                               QStringLiteral("<TextBlock><Run Foreground=\"blue\" FontWeight=\"Bold\">导出</Run> 选中域名</TextBlock>")),
                  2, 0, 1, 2);
    eg->setRowStretch(3, 1);
    h->addWidget(exportGroup);

    QGroupBox* checks = MakeGroup(page, QStringLiteral("查询内容"));
    auto* cv = new QVBoxLayout(checks);
    cv->addWidget(actionButton(checks, QStringLiteral("lbackshow(0)"),
                               QStringLiteral("<TextBlock>查询<Run Foreground=\"blue\" FontWeight=\"Bold\">备案信息</Run></TextBlock>")));
    cv->addWidget(actionButton(checks, QStringLiteral("lregshow(0)"),
                               QStringLiteral("<TextBlock>查询<Run Foreground=\"blue\" FontWeight=\"Bold\">即时注册状态</Run></TextBlock>")));
    cv->addWidget(actionButton(checks, QStringLiteral("lgetshow(0)"),
                               QStringLiteral("<TextBlock>查询<Run Foreground=\"blue\" FontWeight=\"Bold\">即时收录信息</Run></TextBlock>")));
    cv->addWidget(MakeConcurrencyBox(checks, 0));
    cv->addWidget(ui::MarkStopButton(MakeButton(
        checks, QStringLiteral("lstop1"),
        QStringLiteral("<TextBlock><Run Foreground=\"red\" FontWeight=\"Bold\">停止</Run>查询</TextBlock>"))));
    cv->addStretch(1);
    h->addWidget(checks);
    h->addStretch(1);
    return page;
}

}  // namespace ds::search
