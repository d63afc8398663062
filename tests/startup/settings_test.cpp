#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QListWidget>
#include <memory>

#include "db/shared_objects.h"
#include "startup/fdata.h"
#include "startup/remote_settings.h"
#include "startup/startup_fixtures.h"
#include "support/test_support.h"
#include "ui/markup.h"

using namespace ds;
using namespace ds::startup;
using namespace ds::test;

namespace {

class SettingsTest : public testing::Test {
protected:
    void SetUp() override { SetRemoteSettings({}); }
    void TearDown() override { ds::db::NewDbObjects(); }

    // Opens the shared connection on a new database made of `statements` and runs the load.
    bool load(const QStringList& statements) {
        const QString path = cwd.file(QStringLiteral("settings-%1.db").arg(++files_));
        MakeSqliteFile(path, statements);
        ds::db::NewDbObjects();
        ds::db::DbConn().open(QStringLiteral("Provider=SQLite;Data Source=") + path);
        main.reset(NewBareMainWindow());
        return fdataForm().Form_Load(main.get());
    }
    template <typename T>
    T* control(const char* name) const {
        return main->findChild<T*>(QString::fromLatin1(name));
    }
    QStringList webList() const {
        QStringList entries;
        auto* list = control<QListWidget>("lweblist");
        for (int i = 0; i < list->count(); ++i) entries << list->item(i)->text();
        return entries;
    }

    TempCwd cwd;
    DesktopScope desktop;
    ConfigScope configScope{QStringLiteral("http://127.0.0.1:9")};
    std::unique_ptr<QWidget> main;
    int files_ = 0;
};

TEST_F(SettingsTest, NewerVersionShowsBothUpgradeButtons) {
    struct Case {
        const char* version;
        bool upgrade;
        const char* shown;
    };
    for (const Case& c : {Case{"3.11", false, "3.11"}, Case{"3.12", true, "3.12"}, Case{"3.1", false, "3.1"},
                          Case{"4", true, "4"}, Case{"NULL", false, ""}}) {
        SCOPED_TRACE(c.version);
        ASSERT_TRUE(load({ConfigTableSql(), ConfigRowSql(QString::fromLatin1(c.version), QStringLiteral("a"))}));
        EXPECT_EQ(control<QWidget>("lupnew")->isVisibleTo(main.get()), c.upgrade);
        EXPECT_EQ(control<QWidget>("lupnew2")->isVisibleTo(main.get()), c.upgrade);
        EXPECT_EQ(control<ds::ui::MarkupLabel>("lvertext")->plainText(),
                  QString(QStringLiteral("Version ") + QString::fromLatin1(c.shown)).trimmed());
        if (c.upgrade) {
            EXPECT_EQ(control<ds::ui::MarkupButton>("lupnew2")->caption(),
                      QStringLiteral("<TextBlock>升级到 <Run FontWeight='Bold' Foreground='blue'>V") +
                          QString::fromLatin1(c.version) + QStringLiteral("版</Run></TextBlock>"));
        }
        EXPECT_TRUE(desktop->messages.empty());
    }
}

TEST_F(SettingsTest, UpgradeButtonsOpenTheDownloadAddress) {
    ASSERT_TRUE(load({ConfigTableSql(), ConfigRowSql(QStringLiteral("3.5"), QString()),
                      QStringLiteral("UPDATE lconfig_all SET ldownurl_domain='http://dl.example/new.exe'")}));
    control<QAbstractButton>("lupnew")->click();
    control<QAbstractButton>("lupnew2")->click();
    EXPECT_EQ(desktop->opened, (QStringList{QStringLiteral("http://dl.example/new.exe"), QStringLiteral("http://dl.example/new.exe")}));
}

// The address comes from the operator's database: a local file or program is not handed to the desktop.
TEST_F(SettingsTest, UpgradeButtonsOpenOnlyWebAddresses) {
    ASSERT_TRUE(load({ConfigTableSql(), ConfigRowSql(QStringLiteral("3.5"), QString()),
                      QStringLiteral("UPDATE lconfig_all SET ldownurl_domain='file:///tmp/setup.sh'")}));
    control<QAbstractButton>("lupnew")->click();
    EXPECT_TRUE(desktop->opened.isEmpty());
}

TEST_F(SettingsTest, FieldsGoToTheHolderAndCaptionsToTheMainWindow) {
    ASSERT_TRUE(load({ConfigTableSql(), ConfigRowSql(QStringLiteral("3.11"), QStringLiteral("x"), QString())}));
    EXPECT_EQ(fdataForm().field(QStringLiteral("lbuyurl")), QStringLiteral("lbuyurl-value"));
    EXPECT_EQ(fdataForm().field(QStringLiteral("ldownurl")), QStringLiteral("ldownurl_domain-value"));
    EXPECT_EQ(fdataForm().field(QStringLiteral("lwhoisurl")), QString());  // empty is fine
    EXPECT_EQ(fdataForm().field(QStringLiteral("ldataurl")), QString());
    EXPECT_FALSE(fdataForm().isVisible());
    EXPECT_EQ(remoteSettings().field(QStringLiteral("lmailurl")), QStringLiteral("lmailurl-value"));
    EXPECT_EQ(remoteSettings().field(QStringLiteral("lver")), QStringLiteral("3.11"));
    EXPECT_DOUBLE_EQ(remoteSettings().version, 3.11);
    EXPECT_EQ(control<QAbstractButton>("lemail")->text(), QStringLiteral("lmail-value"));
    EXPECT_EQ(control<QAbstractButton>("lweburl")->text(), QStringLiteral("lweburl_domain-value"));
    EXPECT_EQ(control<QAbstractButton>("lblogurl")->text(), QStringLiteral("lblogurl-value"));
    EXPECT_EQ(ds::db::DbRs().state(), ds::db::Recordset::StateClosed);
}

TEST_F(SettingsTest, SeoListEntriesKeepEmptyPieces) {
    const std::pair<QString, QStringList> cases[] = {
        {QString(), {QString()}},
        {QStringLiteral("a|b|"), {QStringLiteral("a"), QStringLiteral("b"), QString()}},
        {QStringLiteral("|x||"), {QString(), QStringLiteral("x"), QString(), QString()}},
    };
    for (const auto& [list, entries] : cases) {
        SCOPED_TRACE(list.toStdString());
        ASSERT_TRUE(load({ConfigTableSql(), ConfigRowSql(QStringLiteral("3.11"), list)}));
        EXPECT_EQ(webList(), entries);
        EXPECT_EQ(remoteSettings().seoList, entries);
    }
}

TEST_F(SettingsTest, OnlyTheFirstRowCounts) {
    ASSERT_TRUE(load({ConfigTableSql(), ConfigRowSql(QStringLiteral("3.11"), QStringLiteral("first")),
                      ConfigRowSql(QStringLiteral("9.9"), QStringLiteral("second"))}));
    EXPECT_EQ(webList(), QStringList{QStringLiteral("first")});
    EXPECT_FALSE(control<QWidget>("lupnew")->isVisibleTo(main.get()));
}

TEST_F(SettingsTest, MissingControlsAreSkipped) {
    MakeSqliteFile(cwd.file(QStringLiteral("bare.db")), {ConfigTableSql(), ConfigRowSql(QStringLiteral("3.12"), QStringLiteral("a|b"))});
    ds::db::NewDbObjects();
    ds::db::DbConn().open(QStringLiteral("Provider=SQLite;Data Source=") + cwd.file(QStringLiteral("bare.db")));
    QWidget empty;
    EXPECT_TRUE(fdataForm().Form_Load(&empty));
    EXPECT_TRUE(fdataForm().Form_Load(nullptr));
    EXPECT_TRUE(desktop->messages.empty());
}

TEST_F(SettingsTest, FailuresShowTheirMessageAndEndTheProgram) {
    struct Case {
        const char* name;
        QStringList statements;
        QString message;
    };
    const QString openError = QStringLiteral("数据库打开出错，请联系管理员admin@test");
    const QString loadError = QStringLiteral("设置数据打开错误，请重试：");
    const Case cases[] = {
        {"no row", {ConfigTableSql()}, openError},
        {"missing table", {QStringLiteral("CREATE TABLE other (x TEXT)")}, loadError},
        {"missing column", {ConfigTableSql(QStringLiteral("lblogurl")), QStringLiteral("INSERT INTO lconfig_all (lver_domain) VALUES (3.2)")}, loadError},
        {"version not a number", {ConfigTableSql(), ConfigRowSql(QStringLiteral("'new'"), QString())}, loadError},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        desktop->messages.clear();
        desktop->endCodes.clear();
        EXPECT_FALSE(load(c.statements));
        ASSERT_EQ(desktop->messages.size(), 1u);
        if (c.message == openError) {
            EXPECT_EQ(desktop->messages[0].text, c.message);
        } else {
            EXPECT_TRUE(desktop->messages[0].text.startsWith(c.message)) << desktop->messages[0].text.toStdString();
        }
        EXPECT_EQ(desktop->endCodes.size(), 1u);
        EXPECT_EQ(ds::db::DbRs().state(), ds::db::Recordset::StateClosed);
        // Nothing reached the main window.
        EXPECT_FALSE(control<QWidget>("lupnew")->isVisibleTo(main.get()));
        EXPECT_EQ(control<QListWidget>("lweblist")->count(), 0);
    }
}

}  // namespace
