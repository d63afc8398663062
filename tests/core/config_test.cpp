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
        if (c.noted) EXPECT_TRUE(notes[0].startsWith(u"CheckConcurrency=")) << notes[0].toStdString();
    }
}

}  // namespace
}  // namespace ds
