#include "tools/fwhois.h"

#include <QCoreApplication>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "core/remote_settings.h"
#include "net/fetch.h"
#include "search/fdomain_widgets.h"
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
    top->addWidget(search::MakeLabel(this, QStringLiteral("http://www."), QStringLiteral("Label9")));
    ltext_ = search::MakeEdit(this, QStringLiteral("ltext"), {});
    top->addWidget(ltext_, 1);
    auto* lfind = search::MakeButton(this, QStringLiteral("lfind"), QStringLiteral("WHOIS 查询"));
    auto* lbrowser = search::MakeButton(this, QStringLiteral("lbrowser"), QStringLiteral("在浏览器中打开"));
    auto* lclose = search::MakeButton(this, QStringLiteral("lclose"), QStringLiteral("关  闭"));
    top->addWidget(lfind);
    top->addWidget(lbrowser);
    top->addWidget(lclose);
    layout->addLayout(top);

    auto* frame = search::MakeGroup(this, QStringLiteral("Whois信息"));
    frame->setObjectName(QStringLiteral("Frame2"));
    auto* frameLayout = new QVBoxLayout(frame);
    lshowwhois_ = new PageView(frame);
    lshowwhois_->setObjectName(QStringLiteral("lshowwhois"));
    frameLayout->addWidget(lshowwhois_);
    layout->addWidget(frame, 1);

    connect(lfind, &QPushButton::clicked, this, &Fwhois::lfind_Click);
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
    // No whois service configured: the bare domain would be fetched as if it were the service's page.
    if (net::IsWebAddress(address_))
        lshowwhois_->showAddress(address_);
    else
        lshowwhois_->showHtml({});
    ltext_->setFocus();
}

void Fwhois::lbrowser_Click() {
    if (net::IsWebAddress(address_)) ui::desktop().shellOpen(address_);
}

}  // namespace ds::tools
