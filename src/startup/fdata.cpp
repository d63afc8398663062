#include "startup/fdata.h"

#include <QAbstractButton>
#include <QLabel>
#include <QListWidget>
#include <QVariant>

#include "core/config.h"
#include "core/text.h"
#include "db/shared_objects.h"
#include "startup/remote_settings.h"
#include "startup/startup_error.h"
#include "ui/desktop.h"
#include "ui/markup.h"

namespace ds::startup {

namespace {

QString CellText(const QVariant& v) {
    if (!v.isValid() || v.isNull()) return {};
    if (v.typeId() == QMetaType::Double) return ShortestNumber(v.toDouble());
    return v.toString();
}

// Sets the text of a main-window control found by name; a control that is not there is skipped.
void SetCaption(QWidget* main, const QString& name, const QString& text) {
    QWidget* w = main ? main->findChild<QWidget*>(name) : nullptr;
    if (auto* markupButton = qobject_cast<ui::MarkupButton*>(w))
        markupButton->setCaption(text);
    else if (auto* button = qobject_cast<QAbstractButton*>(w))
        button->setText(text);
    else if (auto* markupLabel = qobject_cast<ui::MarkupLabel*>(w))
        markupLabel->setCaption(text);
    else if (auto* label = qobject_cast<QLabel*>(w))
        label->setText(text);
}

void ApplyToMainWindow(QWidget* main, const RemoteSettings& s, const QString& versionText) {
    if (!main) return;
    for (const SettingsColumn& c : kSettingsColumns)
        if (!c.holderLabel && QLatin1StringView(c.target) != QLatin1StringView("lweblist"))
            SetCaption(main, QString::fromLatin1(c.target), s.field(QString::fromLatin1(c.column)));
    if (auto* lvertext = main->findChild<ui::MarkupLabel*>(QStringLiteral("lvertext")))
        lvertext->setCaption(VersionCaption(versionText));
    if (s.version > SettingsCurrentVersion) {
        const QString downloadUrl = s.field(QStringLiteral("ldownurl"));
        for (const char* name : {"lupnew", "lupnew2"}) {
            auto* button = main->findChild<QAbstractButton*>(QString::fromLatin1(name));
            if (!button) continue;
            button->setVisible(true);
            QObject::connect(button, &QAbstractButton::clicked, button,
                             [downloadUrl] { ui::OpenAddress(downloadUrl); });
        }
        if (auto* lupnew2 = main->findChild<ui::MarkupButton*>(QStringLiteral("lupnew2")))
            lupnew2->setCaption(UpgradeCaption(versionText));
    }
    if (auto* lweblist = main->findChild<QListWidget*>(QStringLiteral("lweblist")))
        for (const QString& entry : s.seoList) lweblist->addItem(entry);
}

}  // namespace

fdata::fdata(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("fdata"));
    for (const QString& name : SettingsLabelNames()) {
        auto* label = new QLabel(this);
        label->setObjectName(name);
        label->setTextFormat(Qt::PlainText);
        label->hide();
    }
    hide();
}

QString fdata::field(const QString& labelName) const {
    const auto* label = findChild<QLabel*>(labelName);
    return label ? label->text() : QString();
}

bool fdata::Form_Load(QWidget* mainWindow) {
    using namespace ds::db;
    try {
        if (!DbConn().isOpen()) NewDbObjects();
        OpenRecordset(DbRs(), QStringLiteral("SELECT * FROM lconfig_all"));
        if (DbRs().recordCount() < 1) {
            DbRs().close();
            ui::desktop().message(nullptr, QStringLiteral("数据库打开出错，请联系管理员") + config().adminContact);
            ui::desktop().endProgram(1);
            return false;
        }
        DbRs().moveFirst();
        // Every column is read before anything is shown, so a missing one changes nothing.
        RemoteSettings s;
        QString versionText;
        for (const SettingsColumn& c : kSettingsColumns) {
            const QString column = QString::fromLatin1(c.column);
            const QString text = CellText(DbRs().value(column));
            if (c.holderLabel)
                s.values.insert(QString::fromLatin1(c.target), text);
            else
                s.values.insert(column, text);
            if (column == u"lver_domain") versionText = text;
        }
        bool numeric = true;
        if (!versionText.trimmed().isEmpty()) s.version = versionText.trimmed().toDouble(&numeric);
        if (!numeric) throw StartupError(QStringLiteral("版本号“%1”不是数字").arg(versionText));
        s.seoList = s.field(QStringLiteral("lseolist")).split(u'|');
        s.loaded = true;

        for (const SettingsColumn& c : kSettingsColumns)
            if (c.holderLabel)
                if (auto* label = findChild<QLabel*>(QString::fromLatin1(c.target)))
                    label->setText(s.field(QString::fromLatin1(c.target)));
        SetRemoteSettings(s);
        ApplyToMainWindow(mainWindow, s, versionText);
        if (DbRs().state() == Recordset::StateOpen) DbRs().close();
        hide();
        return true;
    } catch (const DbError& e) {
        return Fail(e.description());
    } catch (const StartupError& e) {
        return Fail(e.description());
    } catch (const std::exception& e) {
        return Fail(QString::fromLocal8Bit(e.what()));
    }
}

bool fdata::Fail(const QString& description) {
    try {
        if (db::DbRs().state() == db::Recordset::StateOpen) db::DbRs().close();
    } catch (...) {
    }
    ui::desktop().message(nullptr, QStringLiteral("设置数据打开错误，请重试：") + description);
    ui::desktop().endProgram(1);
    return false;
}

fdata& fdataForm() {
    static fdata* form = new fdata();  // lives as long as the process, like the settings it holds
    return *form;
}

}  // namespace ds::startup
