#include "tools/fip.h"

#include <QCoreApplication>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QScreen>
#include <QVBoxLayout>

#include "core/config.h"
#include "core/stop_signal.h"
#include "net/fetch.h"
#include "ui/control_factory.h"
#include "tools/lookup_rules.h"
#include "tools/page_view.h"
#include "tools/cping.h"
#include "ui/busy_strip.h"
#include "ui/markup.h"

namespace ds::tools {
namespace {

const QString kCharset = QStringLiteral("GB2312");

QString Fetch(const QString& url) { return net::IsWebAddress(url) ? net::GetBody(url, kCharset) : QString(); }

}  // namespace

Fip::Fip(QWidget* parent) : SideWindow(parent), ping_(std::make_unique<cPing>()) {
    setObjectName(QStringLiteral("Fip"));
    setWindowTitle(QStringLiteral("IP地址反查域名"));
    auto* layout = new QVBoxLayout(this);

    auto* top = new QHBoxLayout;
    top->addWidget(ui::MakeLabel(this, QStringLiteral("域名：")));
    ltext_ = ui::MakeEdit(this, QStringLiteral("ltext"), {});
    top->addWidget(ltext_, 1);
    auto* lfind = ui::MakeButton(this, QStringLiteral("lfind"), QStringLiteral("IP 反查"));
    auto* lstop = ui::MakeButton(this, QStringLiteral("lstop"), QStringLiteral("停  止"));
    auto* lclose = ui::MakeButton(this, QStringLiteral("lclose"), QStringLiteral("关  闭"));
    top->addWidget(lfind);
    top->addWidget(lstop);
    top->addWidget(lclose);
    layout->addLayout(top);

    auto* second = new QHBoxLayout;
    second->addWidget(ui::MakeLabel(this, QStringLiteral("域名IP：")));
    lip_ = ui::MakeEdit(this, QStringLiteral("lip"), {});
    lip_->setReadOnly(true);
    second->addWidget(lip_, 1);
    second->addWidget(ui::MakeLabel(this, QStringLiteral("所选域名：")));
    ldomain_ = ui::MakeEdit(this, QStringLiteral("ldomain"), {});
    second->addWidget(ldomain_, 1);
    layout->addLayout(second);

    auto* middle = new QHBoxLayout;
    auto* left = new QVBoxLayout;
    llist_ = new QListWidget(this);
    llist_->setObjectName(QStringLiteral("llist"));
    left->addWidget(llist_, 1);
    auto* count = new QWidget(this);
    count->setObjectName(QStringLiteral("lcount2"));
    auto* countLayout = new QHBoxLayout(count);
    countLayout->setContentsMargins(0, 0, 0, 0);
    countLayout->addWidget(new QLabel(QStringLiteral("合计查到"), count));
    lcount_ = new QLabel(QStringLiteral("0"), count);
    lcount_->setObjectName(QStringLiteral("lcount"));
    lcount_->setStyleSheet(QStringLiteral("color: red; font-weight: bold"));
    countLayout->addWidget(lcount_);
    countLayout->addWidget(new QLabel(QStringLiteral("条共享域名"), count));
    countLayout->addStretch(1);
    left->addWidget(count);
    middle->addLayout(left, 1);
    lipmess_ = new PageView(this);
    lipmess_->setObjectName(QStringLiteral("lipmess"));
    middle->addWidget(lipmess_, 2);
    layout->addLayout(middle, 1);

    auto* own = ui::MakeGroup(this, QStringLiteral("本机IP信息"));
    own->setObjectName(QStringLiteral("GroupBox9"));
    auto* ownLayout = new QGridLayout(own);
    const char16_t* labels[6] = {u"广域网IP：", u"局域网IP：", u"ISP：", u"国家：", u"省：", u"城市："};
    for (int i = 0; i < 6; ++i) {
        auto* label = new QLabel(QString::fromUtf16(labels[i]), own);
        label->setObjectName(ui::ArrayName(QStringLiteral("Label2"), i + 1));
        auto* field = ui::MakeEdit(own, ui::ArrayName(QStringLiteral("liptext"), i), {});
        field->setReadOnly(true);
        ownLayout->addWidget(label, i / 3, (i % 3) * 2, Qt::AlignRight);
        ownLayout->addWidget(field, i / 3, (i % 3) * 2 + 1);
        liptext_ << field;
    }
    layout->addWidget(own);

    floadtxt_ = new ui::BusyStrip({}, this);
    floadtxt_->setObjectName(QStringLiteral("floadtxt"));
    QSizePolicy keep = floadtxt_->sizePolicy();
    keep.setRetainSizeWhenHidden(true);  // showing and hiding it moves nothing
    floadtxt_->setSizePolicy(keep);
    floadtxt_->hide();
    layout->addWidget(floadtxt_);
    lipstate_ = ui::MakeValueLabel(this, QStringLiteral("lipstate"), QStringLiteral("1"));

    connect(lfind, &QPushButton::clicked, this, &Fip::lfind_Click);
    connect(lstop, &QPushButton::clicked, this, &Fip::lstop_Click);
    connect(lclose, &QPushButton::clicked, this, &Fip::lclose_Click);
    connect(llist_, &QListWidget::itemClicked, this, &Fip::llist_Click);
    watchDomainBox(ltext_);

    resize(760, 560);
    if (const QScreen* s = screen())
        move(TwipsToPixels(100, s->logicalDotsPerInchX()), TwipsToPixels(10, s->logicalDotsPerInchY()));
}

Fip::~Fip() = default;

bool Fip::event(QEvent* event) {
    if (event->type() == QEvent::WindowActivate) Form_Activate();
    return SideWindow::event(event);
}

void Fip::Form_Activate() {
    ltext_->setFocus();
    lipstate_->setText(QStringLiteral("1"));
}

void Fip::onUserHide() { stopRun(); }

void Fip::stopRun() {
    stopFlag_ = true;
    dropQueuedRun();
    if (running()) RequestStop();
}

void Fip::llist_Click() {
    if (const QListWidgetItem* item = llist_->currentItem()) ldomain_->setText(item->text());
}

void Fip::lfind_Click() {
    // A lookup asked for during a run ends the running one at once (its fetch or name lookup too, not at
    // the fetch's deadline), then runs afresh.
    if (runOneAtATime([this] { lookup(); })) {
        stopFlag_ = true;
        RequestStop();
    }
}

void Fip::lookup() {
    floadtxt_->showBusy(QStringLiteral("正在进行域名IP互查......"));
    stopFlag_ = false;
    lcount_->setText(QStringLiteral("0"));
    llist_->clear();
    lip_->clear();
    ldomain_->clear();
    lipmess_->showHtml({});

    ownAddressPanel();
    if (stopFlag_) {
        floadtxt_->hide();
        return;
    }

    const QString domain = IpLookupDomain(ltext_->text());
    lip_->setText(domain);
    if (!HasDotAfterFirst(domain)) return finish();
    const QString address = ping_->funcGetIPFromHostName(domain);
    // A lookup cut short by the stop says nothing about the domain.
    if (stopFlag_) {
        floadtxt_->hide();
        return;
    }
    if (address.split(u'.').size() != 4) {
        lip_->setText(QString::fromUtf16(kIpFailedText));
        return finish();
    }
    lip_->setText(address);

    sameAddressNames(address);

    floadtxt_->setText(QStringLiteral("正在查询IP信息....."));
    QCoreApplication::processEvents();
    if (stopFlag_) {
        floadtxt_->hide();
        return;
    }
    if (address.contains(u'.')) location(address);
    finish();
}

void Fip::ownAddressPanel() {
    floadtxt_->setText(QStringLiteral("正在查询本机局域网IP......"));
    QCoreApplication::processEvents();
    if (lipstate_->text().trimmed() != u"1") return;
    lipstate_->setText(QStringLiteral("0"));
    liptext_[1]->setText(ping_->funcGetIPFromHostName(QString()));
    const QStringList values = OwnAddressValues(Fetch(config().ip2locationToolsUrl + u"/ib1"));
    if (stopFlag_) {
        lipstate_->setText(QStringLiteral("1"));  // the next lookup fills the panel
        return;
    }
    const int fields[5] = {0, 2, 3, 4, 5};
    for (int k = 0; k < values.size() && k < 5; ++k) liptext_[fields[k]]->setText(values[k]);
}

void Fip::sameAddressNames(const QString& address) {
    floadtxt_->setText(QStringLiteral("正在查询同IP域名......"));
    const QString search = config().bingUrl + u"/search?q=ip:" + address;
    // The first page only tells how many pages there are; its own entries are not read.
    const int pages = std::min(ResultPageMarkers(Fetch(search).toLower()), kMaxResultPages + 1);
    QSet<QString> seen;
    for (int i = 1; i < pages && !stopFlag_; ++i) {
        QCoreApplication::processEvents();
        if (stopFlag_) break;
        const QStringList hosts = CiteHosts(Fetch(search + u"&first=" + QString::number(FirstParameter(i))));
        for (const QString& host : hosts) {
            QCoreApplication::processEvents();
            if (stopFlag_) break;
            if (seen.contains(host)) continue;
            seen.insert(host);
            if (ping_->funcGetIPFromHostName(host) != address) continue;
            llist_->addItem(host);
            lcount_->setText(QString::number(llist_->count()));
        }
    }
}

void Fip::location(const QString& address) {
    const QString base = config().ip2locationUrl;
    const LocationAnswer answer = ReadLocationPage(Fetch(base + u'/' + address), base, config().adminContact);
    if (answer.kind == LocationAnswer::Table)
        lipmess_->showHtml(answer.html, QUrl(base + u'/'));
    else
        showMessage(answer.html);
}

void Fip::showMessage(const QString& text) { lipmess_->showHtml(text.toHtmlEscaped()); }

void Fip::finish() {
    ltext_->setFocus();
    stopFlag_ = true;
    floadtxt_->hide();
}

}  // namespace ds::tools
