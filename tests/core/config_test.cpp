// dropscout.ini's bounded numbers: a value out of range or not a number is brought into range and said.
#include <gtest/gtest.h>

#include <QFile>

#include "core/config.h"
#include "support/test_support.h"

namespace ds {
namespace {

TEST(Config, CheckEngineSettingsAreKeptInRangeAndRepairsAreSaid) {
    const struct {
        const char* text;
        int concurrency;
        bool noted;
    } cases[] = {
        {"8", 8, false}, {"0", 1, true}, {"17", 16, true}, {"abc", 4, true}, {" 16 ", 16, false}, {"-3", 1, true},
    };
    test::TempCwd cwd;
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        // A file of its own each time: Qt keeps what it read of a settings file for the process.
        const QString path = cwd.file(QStringLiteral("dropscout%1.ini").arg(++n));
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(QByteArray("[General]\nCheckConcurrency=") + c.text + "\nPerHostIntervalMs=250\n");
        f.close();
        QStringList notes;
        const Config config = LoadConfig(path, &notes);
        EXPECT_EQ(config.checkConcurrency, c.concurrency);
        EXPECT_EQ(config.perHostIntervalMs, 250);
        EXPECT_EQ(config.perHostInFlight, 2);
        ASSERT_EQ(notes.size(), c.noted ? 1 : 0);
        if (c.noted) {
            EXPECT_TRUE(notes[0].startsWith(u"CheckConcurrency=")) << notes[0].toStdString();
        }
    }
}

// The registration check's source and its files: an unknown source is said and falls back to the
// operator's page; file names relative to the ini are taken beside it, addresses as they are.
TEST(Config, RegistrySettings) {
    test::TempCwd cwd;
    const QString path = cwd.file(QStringLiteral("registry.ini"));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("RegistrationSource=Registries\nRdapBootstrap=https://rdap.example/dns.json\nWhoisServers=tables/w.txt\n");
    f.close();
    QStringList notes;
    const Config c = LoadConfig(path, &notes);
    EXPECT_EQ(c.registrationSource, u"operator");
    ASSERT_EQ(notes.size(), 1);
    EXPECT_TRUE(notes[0].startsWith(u"RegistrationSource=registries")) << notes[0].toStdString();
    EXPECT_EQ(c.rdapBootstrap, u"https://rdap.example/dns.json");
    EXPECT_EQ(c.whoisServers, cwd.file(QStringLiteral("tables/w.txt")));
}

}  // namespace
}  // namespace ds
