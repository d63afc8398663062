// The demo's dropscout.ini, written by dropscout --demo from the shipped template.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include "startup/demo_setup.h"
#include "startup/startup_error.h"

using namespace ds::startup;

namespace {

const QString kTemplate = QStringLiteral(DROPSCOUT_DATA_DIR "/demo.ini");

QByteArray Read(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void Write(const QString& path, const QByteArray& text) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(text);
}

}  // namespace

TEST(DemoSettings, AFreshFolderGetsTheTemplateAndAnOlderDemoGainsOnlyTheKeysItLacks) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString ini = folder.filePath(QStringLiteral("dropscout.ini"));

    PrepareDemoSettings(folder.path(), kTemplate);
    EXPECT_EQ(Read(ini), Read(kTemplate));
    QSettings fresh(ini, QSettings::IniFormat);
    EXPECT_EQ(fresh.value(QStringLiteral("AddressServiceUrl")).toString(), QStringLiteral("http://127.0.0.1:8731"));
    EXPECT_EQ(fresh.value(QStringLiteral("HostsFile")).toString(), QStringLiteral("hosts.txt"));

    // The files its relative paths name come beside it; one the user has edited stays as it is.
    for (const char* name : kDemoCompanionFiles) {
        const QString copied = folder.filePath(QString::fromLatin1(name));
        EXPECT_EQ(Read(copied), Read(QStringLiteral(DROPSCOUT_DATA_DIR "/") + QString::fromLatin1(name))) << name;
        EXPECT_TRUE(fresh.value(QStringLiteral("RdapBootstrap")).toString() == QLatin1String(name) ||
                    fresh.value(QStringLiteral("WhoisServers")).toString() == QLatin1String(name));
    }
    const QString whois = folder.filePath(QStringLiteral("demo_whois_servers.txt"));
    Write(whois, "cn 127.0.0.1:9999\n");

    // Running again changes nothing.
    PrepareDemoSettings(folder.path(), kTemplate);
    EXPECT_EQ(Read(ini), Read(kTemplate));
    EXPECT_EQ(Read(whois), "cn 127.0.0.1:9999\n");

    // An older demo's file without a final line end: the user's values stay, the missing keys follow.
    Write(ini, "BaiduUrl=http://127.0.0.1:9999\nTotalTimeoutMs=5000");
    PrepareDemoSettings(folder.path(), kTemplate);
    QSettings older(ini, QSettings::IniFormat);
    EXPECT_EQ(older.value(QStringLiteral("BaiduUrl")).toString(), QStringLiteral("http://127.0.0.1:9999"));
    EXPECT_EQ(older.value(QStringLiteral("TotalTimeoutMs")).toString(), QStringLiteral("5000"));
    EXPECT_EQ(older.value(QStringLiteral("HostsFile")).toString(), QStringLiteral("hosts.txt"));
    EXPECT_EQ(older.value(QStringLiteral("ResolveTimeoutMs")).toString(), QStringLiteral("3000"));
    const QByteArray upgraded = Read(ini);
    EXPECT_EQ(upgraded.count("BaiduUrl="), 1);
    EXPECT_FALSE(upgraded.contains(';'));  // the template's comments are not copied in between

    // With [sections] an appended key would land in the last one: the file is left alone.
    const QByteArray sectioned = "BaiduUrl=http://127.0.0.1:9999\n[Extra]\nKey=1\n";
    Write(ini, sectioned);
    PrepareDemoSettings(folder.path(), kTemplate);
    EXPECT_EQ(Read(ini), sectioned);
}

TEST(DemoSettings, AMissingTemplateIsAClearError) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    EXPECT_THROW(PrepareDemoSettings(folder.path(), QString()), StartupError);
    EXPECT_THROW(PrepareDemoSettings(folder.path(), folder.filePath(QStringLiteral("missing.ini"))), StartupError);
    EXPECT_FALSE(QFile::exists(folder.filePath(QStringLiteral("dropscout.ini"))));
}
