#include "lists/links.h"

#include <QAbstractButton>
#include <QAction>

#include "core/remote_settings.h"
#include "lists/install.h"
#include "lists/notice_rules.h"
#include "search/fdomain.h"
#include "ui/desktop.h"
#include "ui/markup.h"

namespace ds::lists {
namespace {

// The address a contact button shows as its caption (filled from the settings row at login).
QString CaptionOf(search::Fdomain& form, const QString& button) {
    if (const auto* b = form.findChild<ui::MarkupButton*>(button)) return ui::ParseMarkup(b->caption()).plain.trimmed();
    if (const auto* b = form.findChild<QAbstractButton*>(button)) return b->text().trimmed();
    return {};
}

}  // namespace

void lregist_Click(search::Fdomain& form) {
    const QString domain = form.CurrentRowDomain();
    if (domain.contains(u'.')) {
        ui::desktop().setClipboardText(domain);
        ui::desktop().message(&form, ClipboardMessage(domain));
    }
    ui::OpenAddress(RegistrationAddress(remoteSettings().field(QStringLiteral("lbuyurl")), domain));
}

void InstallLinks(search::Fdomain& form) {
    // Buttons whose caption is their address, and the entries that open the same address.
    const std::pair<const char*, const char*> ownCaption[] = {
        {"lhomeurl", "lhomeurl"}, {"lweburl", "lweburl"},   {"lweburltop", "lweburl"}, {"lbbsurl", "lbbsurl"},
        {"lblogurl", "lblogurl"}, {"lgbookurl", "lgbookurl"}, {"lchaturl", "lchaturl"}, {"mhome", "lhomeurl"},
        {"mweb", "lweburl"},      {"mbbs", "lbbsurl"},       {"mchat", "lchaturl"},     {"mgbook", "lgbookurl"},
    };
    for (const auto& [control, button] : ownCaption) {
        const QString source = QString::fromLatin1(button);
        form.setAction(QString::fromLatin1(control), [&form, source] { ui::OpenAddress(CaptionOf(form, source)); });
    }
    form.setAction(QStringLiteral("lhelp"),
                   [&form] { ui::OpenAddress(HelpAddress(CaptionOf(form, QStringLiteral("lweburl")))); });
    // Buttons that show a name or number and open an address of the settings row.
    const std::pair<const char*, const char*> fromSettings[] = {
        {"lemail", "lmailurl"}, {"lqq", "lqqurl"}, {"ltaobao", "ltaobaourl"}};
    for (const auto& [control, field] : fromSettings) {
        const QString name = QString::fromLatin1(field);
        form.setAction(QString::fromLatin1(control), [name] { ui::OpenAddress(remoteSettings().field(name)); });
    }
    form.setAction(QStringLiteral("lregist"), [&form] { lregist_Click(form); });

    // The hand pointer over everything that opens an address.
    for (const char* name : {"lbbsurl", "lblogurl", "lchaturl", "lemail", "lgbookurl", "lhomeurl", "lqq", "ltaobao",
                             "lupnew", "lupnew2", "lweburl", "ladtext"})
        if (auto* w = form.findChild<QWidget*>(QString::fromLatin1(name))) w->setCursor(Qt::PointingHandCursor);
}

}  // namespace ds::lists
