#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "startup/components.h"
#include "startup/fload.h"
#include "startup/floadini.h"
#include "support/test_support.h"

using namespace ds::startup;
using namespace ds::test;

namespace {

void Touch(const QString& path) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("x");
}

class ComponentsTest : public testing::Test {
protected:
    ComponentsTest() {
        lists.systemFolder = QDir(root.path()).filePath(QStringLiteral("system"));
        lists.setupFolder = QDir(root.path()).filePath(QStringLiteral("setup"));
        lists.copyOnly = {QStringLiteral("qt6/plugins/platforms"), QStringLiteral("libsqlite3.so.0")};
        lists.copyAndRegister = {{QStringLiteral("odbc/libtdsodbc.so"), QStringLiteral("FreeTDS")}};
        lists.odbcDriversIni = QDir(root.path()).filePath(QStringLiteral("odbcinst.ini"));
        lists.templateFolder = root.path();
        QDir().mkpath(lists.systemFolder);
    }
    void provideAll(const QString& folder) {
        Touch(folder + QStringLiteral("/qt6/plugins/platforms/libqxcb.so"));
        Touch(folder + QStringLiteral("/libsqlite3.so.0"));
        Touch(folder + QStringLiteral("/odbc/libtdsodbc.so"));
    }
    void registerDriver() {
        QFile f(lists.odbcDriversIni);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("[PostgreSQL]\nDriver=psqlodbcw.so\n\n[ freetds ]\nDriver=libtdsodbc.so\n");
    }
    bool check() {
        return CheckComponentLists(lists, {[this] { ++yields; },
                                           [this](const QString& p, const QStringList& a) {
                                               commands << (QStringList{p} + a).join(u' ');
                                           }});
    }

    QTemporaryDir root;
    ComponentLists lists;
    int yields = 0;
    QStringList commands;
};

TEST_F(ComponentsTest, PresentComponentsMatchWithoutRegardToCase) {
    Touch(lists.systemFolder + QStringLiteral("/QT6/Plugins/PLATFORMS/libqxcb.so"));
    Touch(lists.systemFolder + QStringLiteral("/LIBSQLITE3.SO.0"));
    Touch(lists.systemFolder + QStringLiteral("/ODBC/LibTdsOdbc.so"));
    registerDriver();
    EXPECT_TRUE(check());
    EXPECT_EQ(yields, 3);
    EXPECT_TRUE(commands.isEmpty());
}

TEST_F(ComponentsTest, MissingComponentsAreCopiedFromSetup) {
    provideAll(lists.setupFolder);
    registerDriver();
    EXPECT_TRUE(check());
    EXPECT_TRUE(QFile::exists(lists.systemFolder + QStringLiteral("/qt6/plugins/platforms/libqxcb.so")));
    EXPECT_TRUE(QFile::exists(lists.systemFolder + QStringLiteral("/odbc/libtdsodbc.so")));
}

TEST_F(ComponentsTest, EmptyPluginFolderDoesNotCount) {
    provideAll(lists.systemFolder);
    QFile::remove(lists.systemFolder + QStringLiteral("/qt6/plugins/platforms/libqxcb.so"));
    registerDriver();
    EXPECT_FALSE(check());
}

TEST_F(ComponentsTest, PresentDriverIsRegisteredWhenUnixOdbcDoesNotKnowIt) {
    provideAll(lists.systemFolder);
    EXPECT_TRUE(check());
    const QString templatePath = QDir(root.path()).filePath(QStringLiteral("dropscout-odbc-driver.ini"));
    EXPECT_EQ(commands, QStringList{QStringLiteral("odbcinst -i -d -f ") + templatePath});
    QFile f(templatePath);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(f.readAll());
    EXPECT_TRUE(text.startsWith(QStringLiteral("[FreeTDS]\n")));
    EXPECT_TRUE(text.contains(QStringLiteral("Driver=") + lists.systemFolder + QStringLiteral("/odbc/libtdsodbc.so")));
}

TEST_F(ComponentsTest, MissingDriverIsNotRegistered) {
    Touch(lists.systemFolder + QStringLiteral("/libsqlite3.so.0"));
    EXPECT_FALSE(check());
    EXPECT_TRUE(commands.isEmpty());
}

TEST(ComponentCheck, RunsOnlyWhenTheMarkerIsPresentAndConsumesIt) {
    TempCwd cwd;
    DesktopScope desktop;
    ComponentLists lists;
    lists.systemFolder = cwd.file(QStringLiteral("sys"));
    lists.setupFolder = cwd.file(QStringLiteral("setup"));
    lists.copyOnly = {QStringLiteral("a.so"), QStringLiteral("b.so")};
    lists.copyAndRegister = {{QStringLiteral("c.so"), QStringLiteral("C")}};
    lists.odbcDriversIni = cwd.file(QStringLiteral("odbcinst.ini"));
    lists.templateFolder = cwd.path();
    Touch(lists.systemFolder + QStringLiteral("/C.SO"));  // present (other case) but not registered

    auto run = [&] {
        floadini first(lists);
        first.Form_Load();
        EXPECT_FALSE(first.isVisible());
        ASSERT_NE(first.startWindow(), nullptr);
        EXPECT_TRUE(first.startWindow()->isVisible());
        delete first.startWindow();
    };

    run();  // no marker: nothing looked at
    EXPECT_TRUE(desktop->messages.empty());
    EXPECT_TRUE(desktop->commands.isEmpty());

    Touch(cwd.file(QStringLiteral("setdomain.ini")));
    run();
    EXPECT_FALSE(QFile::exists(cwd.file(QStringLiteral("setdomain.ini"))));
    ASSERT_EQ(desktop->messages.size(), 1u);
    const QString text = desktop->messages[0].text;
    EXPECT_EQ(text, QStringLiteral("部分文件缺失或安装受阻，请将setup目录下的.ocx和.dll文件手工复制到") + lists.systemFolder +
                        QStringLiteral("目录下"));
    EXPECT_EQ(text.count(lists.systemFolder), 1);
    EXPECT_EQ(desktop->commands.size(), 1);  // the present driver was registered all the same

    run();  // the marker is gone: no second check
    EXPECT_EQ(desktop->messages.size(), 1u);
}

}  // namespace
