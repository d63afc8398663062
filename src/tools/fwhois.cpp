#include "tools/fwhois.h"

#include <QCoreApplication>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "core/remote_settings.h"
#include "core/stop_signal.h"
#include "net/decode.h"
#include "net/fetch.h"
#include "ui/control_factory.h"
#include "tools/lookup_rules.h"
#include "tools/page_view.h"
#include "ui/desktop.h"
#include "ui/markup.h"

namespace ds::tools {

Fwhois::Fwhois(QWidget* parent) : SideWindow(parent) {
    setObjectName(QStringLiteral("Fwhois"));
    setWindowTitle(QStringLiteral("Whois查询"));
    auto* layout = new QVBoxLayout(this);

    auto* top = new QHBoxLayout;
    top->addWidget(ui::MakeLabel(this, QStringLiteral("http://www."), QStringLiteral("Label9")));
    ltext_ = ui::MakeEdit(this, QStringLiteral("ltext"), {});
    top->addWidget(ltext_, 1);
    auto* lfind = ui::MakeButton(this, QStringLiteral("lfind"), QStringLiteral("WHOIS 查询"));
    auto* lstop = ui::MakeButton(this, QStringLiteral("lstop"), QStringLiteral("停止"));
    auto* lbrowser = ui::MakeButton(this, QStringLiteral("lbrowser"), QStringLiteral("在浏览器中打开"));
    auto* lclose = ui::MakeButton(this, QStringLiteral("lclose"), QStringLiteral("关  闭"));
    top->addWidget(lfind);
    top->addWidget(lstop);
    top->addWidget(lbrowser);
    top->addWidget(lclose);
    layout->addLayout(top);

    auto* frame = ui::MakeGroup(this, QStringLiteral("Whois信息"));
    frame->setObjectName(QStringLiteral("Frame2"));
    auto* frameLayout = new QVBoxLayout(frame);
    lshowwhois_ = new PageView(frame);
    lshowwhois_->setObjectName(QStringLiteral("lshowwhois"));
    frameLayout->addWidget(lshowwhois_);
    layout->addWidget(frame, 1);

    connect(lfind, &QPushButton::clicked, this, &Fwhois::lfind_Click);
    connect(lstop, &QPushButton::clicked, this, &Fwhois::lstop_Click);
    connect(lshowwhois_, &PageView::internalLink, this, [this](const QString& name) {
        if (name == u"raw") lshowwhois_->showHtml(rawPage_, QUrl(address_));
    });
    connect(lbrowser, &QPushButton::clicked, this, &Fwhois::lbrowser_Click);
    connect(lclose, &QPushButton::clicked, this, &Fwhois::lclose_Click);
    watchDomainBox(ltext_);
    resize(760, 560);
}

void Fwhois::lfind_Click() {
    QCoreApplication::processEvents();
    // Read after the yield: a lookup handled during it must not be followed by the older domain's page.
    const QString domain = LookupDomain(ltext_->text());
    // The setting ends exactly where the domain follows; nothing is put between them.
    address_ = remoteSettings().field(QStringLiteral("lwhoisurl")) + domain;
    rawPage_.clear();
    // No whois service configured: the bare domain would be fetched as if it were the service's page.
    if (!net::IsWebAddress(address_)) {
        lshowwhois_->showHtml({});
        return;
    }
    // A slow service must not look like a blank answer.
    lshowwhois_->setPlainText(u"正在查询 " + domain + u" 的 WHOIS 信息……");
    const quint64 lookup = ++lookups_;
    const net::PageReply page = lshowwhois_->showAddress(address_);
    if (lookup != lookups_) return;  // a later lookup or a stop took over
    if (!page.ok) {
        // A stop pressed here is what the user asked for, not a fault of the service.
        if (page.error != u"cancelled")
            lshowwhois_->setPlainText(QString::fromUtf16(kWhoisNoAnswerText) + u"（" + page.error + u"）");
        return;
    }
    if (page.status < 200 || page.status > 299) {
        // An error page of the service (or of a proxy before it) is no whois record; its text is one
        // click away for whoever wants it.
        rawPage_ = net::DecodePage(page.contentType, page.body);
        lshowwhois_->showHtml(u"<p>" + QString::fromUtf16(kWhoisErrorText).arg(page.status) +
                              u"</p><p><a href=\"#raw\">显示原始页面</a></p>");
    }
    ltext_->setFocus();
}

void Fwhois::lstop_Click() {
    ++lookups_;
    lshowwhois_->stopPictures();
    RequestStop();
    lshowwhois_->setPlainText(QStringLiteral("已停止"));
}

void Fwhois::lbrowser_Click() {
    if (net::IsWebAddress(address_)) ui::desktop().shellOpen(address_);
}

}  // namespace ds::tools
