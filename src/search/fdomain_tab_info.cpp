// The tabs "软件相关信息" (version, upgrade, the statistics panel "收录信息") and "联系交流".
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTimer>
#include <QVBoxLayout>

#include "search/fdomain.h"
#include "search/fdomain_widgets.h"
#include "ui/markup.h"

namespace ds::search {
namespace {

QString S(const char16_t* text) { return QString::fromUtf16(text); }

const QString kWaiting = QStringLiteral("等待显示");

// A count label, named lshowtext(index), until fetched reading "等待显示".
QLabel* CountLabel(QWidget* parent, int index) {
    auto* l = new QLabel(kWaiting, parent);
    l->setObjectName(ArrayName(QStringLiteral("lshowtext"), index));
    l->setMinimumWidth(70);
    return l;
}

}  // namespace

QWidget* Fdomain::buildAboutTab() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("tababout"));
    auto* h = new QHBoxLayout(page);

    auto* version = new QVBoxLayout;
    version->addWidget(MakeLabel(
        page, QStringLiteral("<TextBlock>Version <Run FontWeight='Bold' Foreground='blue'>3.11</Run></TextBlock>"),
        QStringLiteral("lvertext")));
    // The upgrade buttons get their command from the settings load, which shows them when a newer
    // version exists and knows its download address.
    auto* up = new ui::MarkupButton(
        QStringLiteral("<TextBlock>点击<Run Foreground=\"blue\" FontWeight=\"Bold\">升级</Run></TextBlock>"), page);
    up->setObjectName(QStringLiteral("lupnew"));
    up->setCursor(Qt::PointingHandCursor);
    up->hide();
    version->addWidget(up);
    auto* up2 = new ui::MarkupButton(QStringLiteral("升级到新版"), page);
    up2->setObjectName(QStringLiteral("lupnew2"));
    up2->setCursor(Qt::PointingHandCursor);
    up2->hide();
    version->addWidget(up2);
    version->addWidget(actionButton(page, QStringLiteral("lweburltop"),
                                    QStringLiteral("<TextBlock><Run  FontWeight=\"Bold\">访问网页版</Run></TextBlock>")));
    version->addWidget(
        actionButton(page, QStringLiteral("lhelp"), QStringLiteral("<TextBlock><Run  FontWeight=\"Bold\">帮助</Run></TextBlock>")));
    version->addStretch(1);
    h->addLayout(version);

    QGroupBox* stats = MakeGroup(page, QStringLiteral("收录信息"));
    auto* grid = new QGridLayout(stats);
    grid->setVerticalSpacing(3);
    const char16_t* totals[] = {u"已过期备案域名：", u"将过期备案域名：", u"综合过期域名："};
    for (int i = 0; i < 3; ++i) {
        grid->addWidget(MakeLabel(stats, S(totals[i])), i, 0);
        grid->addWidget(CountLabel(stats, i), i, 1);
    }
    // Threshold counts: label caption, default threshold, and where they sit (row, column block).
    struct Threshold {
        int index;
        const char16_t* caption;
        const char16_t* value;
        int row, block;
    };
    const Threshold thresholds[] = {
        {11, u"<TextBlock>其中<Run FontWeight='Bold'>PR值</Run>大于</TextBlock>", u"0", 0, 0},
        {12, u"<TextBlock><Run FontWeight='Bold'>百度收录</Run>大于</TextBlock>", u"0", 0, 1},
        {13, u"<TextBlock><Run FontWeight='Bold'>ALEXA排名</Run>小于</TextBlock>", u"1000000000", 1, 0},
        {14, u"<TextBlock><Run FontWeight='Bold'>百度外链</Run>大于</TextBlock>", u"0", 1, 1},
        {15, u"<TextBlock>其中<Run FontWeight='Bold'>PR值</Run>大于</TextBlock>", u"0", 2, 0},
        {16, u"<TextBlock><Run FontWeight='Bold'>百度收录</Run>大于</TextBlock>", u"0", 2, 1},
        {17, u"<TextBlock><Run FontWeight='Bold'>ALEXA排名</Run>小于</TextBlock>", u"1000000000", 3, 0},
        {18, u"<TextBlock><Run FontWeight='Bold'>百度外链</Run>大于</TextBlock>", u"0", 3, 1},
    };
    for (const Threshold& t : thresholds) {
        const int col = 2 + t.block * 4;
        grid->addWidget(MakeLabel(stats, S(t.caption)), t.row, col);
        QLineEdit* box = MakeEdit(stats, ArrayName(QStringLiteral("txtUpDown"), t.index), S(t.value), 90);
        auto* cell = new QHBoxLayout;
        cell->setSpacing(0);
        cell->addWidget(box);
        cell->addWidget(new UpDownSpinner(box, ArrayName(QStringLiteral("UpDown"), t.index), 0, 2147483647, stats));
        grid->addLayout(cell, t.row, col + 1);
        grid->addWidget(CountLabel(stats, t.index), t.row, col + 2);
        MakeValueLabel(stats, ArrayName(QStringLiteral("lshowtextbak"), t.index), QStringLiteral("0"));
    }
    grid->addWidget(MakeButton(stats, QStringLiteral("lshowtextbutton"),
                               QStringLiteral("<TextBlock>点击<Run Foreground=\"blue\" FontWeight=\"Bold\">查看</Run></TextBlock>")),
                    3, 0, 1, 2);
    grid->setColumnStretch(10, 1);
    grid->setRowStretch(4, 1);
    h->addWidget(stats, 1);
    return page;
}

QWidget* Fdomain::buildContactTab() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("tabcontact"));
    auto* h = new QHBoxLayout(page);
    auto* grid = new QGridLayout;
    // Captions arrive with the remote settings; each button opens an address (see setAction).
    const std::pair<const char16_t*, const char16_t*> links[] = {
        {u"lhomeurl", u"官方网站："}, {u"lweburl", u"软件网页版："}, {u"lbbsurl", u"信息论坛："},
        {u"lblogurl", u"资源博客："}, {u"lgbookurl", u"建议留言："}, {u"lchaturl", u"心情聊天："},
        {u"lemail", u"电子信箱："},   {u"lqq", u"腾迅QQ："},         {u"ltaobao", u"淘宝帐号："},
    };
    int i = 0;
    for (const auto& [name, label] : links) {
        const int row = i % 5, col = (i / 5) * 2;
        grid->addWidget(MakeLabel(page, S(label)), row, col);
        ui::MarkupButton* b = actionButton(page, S(name), {});
        b->setFlat(true);
        b->setCursor(Qt::PointingHandCursor);
        b->setMinimumWidth(220);
        b->setStyleSheet(QStringLiteral("text-align: left;"));
        grid->addWidget(b, row, col + 1);
        ++i;
    }
    grid->setRowStretch(5, 1);
    h->addLayout(grid);
    auto* right = new QVBoxLayout;
    right->addWidget(actionButton(
        page, QStringLiteral("Pushshowbacklist"),
        QStringLiteral("<TextBlock>域名<Run Foreground=\"blue\" FontWeight=\"Bold\">快速备案</Run>价格列表</TextBlock>")));
    right->addStretch(1);
    h->addLayout(right);
    h->addStretch(1);

    // Relay addresses of the site metrics check, filled from the remote settings; never shown.
    auto* relays = new QListWidget(page);
    relays->setObjectName(QStringLiteral("lweblist"));
    relays->hide();
    return page;
}

}  // namespace ds::search
