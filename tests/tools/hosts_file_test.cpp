// The name map of HostsFile: how its lines are read, where a relative path points, and the system
// resolver answering from the file (and noticing when it changes) before any name service is asked.
#include <gtest/gtest.h>

#include <QDateTime>
#include <QDir>
#include <QFile>

#include "core/config.h"
#include "net/net_test_support.h"
#include "support/test_support.h"
#include "tools/cping.h"
#include "tools/resolver.h"

namespace ds::tools {
namespace {

struct ParseCase {
    const char* what;
    const char16_t* text;
    const char16_t* name;
    const char16_t* address;  // empty: the name is not in the map
};

const ParseCase kParseCases[] = {
    {"plain line", u"10.0.0.1 a.com", u"a.com", u"10.0.0.1"},
    {"several names on a line", u"10.0.0.2 a.com www.a.com  b.net", u"b.net", u"10.0.0.2"},
    {"tabs and a carriage return", u"10.0.0.3\ta.com\tc.org\r\n", u"c.org", u"10.0.0.3"},
    {"names in any case", u"10.0.0.4 MiXed.Com", u"mixed.COM", u"10.0.0.4"},
    {"closing dot of a full name", u"10.0.0.5 dot.com.", u"dot.com", u"10.0.0.5"},
    {"Chinese name", u"10.0.0.6 中文网.com", u"中文网.COM", u"10.0.0.6"},
    {"comment after the names", u"10.0.0.7 a.com # b.com", u"b.com", u""},
    {"commented line", u"# 10.0.0.8 a.com", u"a.com", u""},
    {"comment glued to a name", u"10.0.0.9 a.com#note", u"a.com", u"10.0.0.9"},
    {"blank and space-only lines", u"\n   \n\t\n10.0.0.10 a.com\n\n", u"a.com", u"10.0.0.10"},
    {"first address of a name wins", u"10.0.0.11 a.com\n10.0.0.12 a.com", u"a.com", u"10.0.0.11"},
    {"address without names", u"10.0.0.13\n10.0.0.14 a.com", u"a.com", u"10.0.0.14"},
    {"name first", u"a.com 10.0.0.15", u"10.0.0.15", u""},
    {"five parts", u"10.0.0.0.16 a.com", u"a.com", u""},
    {"part over 255", u"10.0.0.256 a.com", u"a.com", u""},
    {"three parts", u"10.0.17 a.com", u"a.com", u""},
    {"IPv6 line", u"::1 localhost ip6-localhost", u"localhost", u""},
    {"a bad line does not spoil the next", u"x.y.z.w a.com\n10.0.0.18 a.com", u"a.com", u"10.0.0.18"},
};

TEST(ParseHosts, LinesCommentsAndMalformedInput) {
    for (const ParseCase& c : kParseCases) {
        SCOPED_TRACE(c.what);
        const HostsMap map = ParseHosts(QString::fromUtf16(c.text));
        EXPECT_EQ(map.value(QString::fromUtf16(c.name).toLower()), QString::fromUtf16(c.address));
    }
}

// Where a relative HostsFile points: beside the configuration file when the map is there, else in the
// current folder; an absolute path stays.
TEST(HostsFileSetting, RelativePathsResolveBesideTheIniOrInTheCurrentFolder) {
    const test::TempCwd cwd;
    QDir(cwd.path()).mkpath(u"conf"_qs);
    int loads = 0;
    auto load = [&cwd, &loads](const QString& value) {
        // A file of its own each time: QSettings keeps what it read of a file whose size and time
        // have not changed.
        const QString ini = cwd.file(u"conf/dropscout%1.ini"_qs.arg(++loads));
        QFile f(ini);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write("HostsFile=" + value.toUtf8() + "\n");
        f.close();
        return LoadConfig(ini).hostsFile;
    };
    auto touch = [](const QString& path) {
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    };

    EXPECT_EQ(load(u"hosts.txt"_qs), cwd.file(u"hosts.txt"_qs)) << "in neither place: the current folder";
    touch(cwd.file(u"conf/hosts.txt"_qs));
    EXPECT_EQ(load(u"hosts.txt"_qs), cwd.file(u"conf/hosts.txt"_qs));
    touch(cwd.file(u"names.txt"_qs));
    EXPECT_EQ(load(u"names.txt"_qs), cwd.file(u"names.txt"_qs));
    EXPECT_EQ(load(u"/etc/demo-hosts"_qs), u"/etc/demo-hosts"_qs);
    EXPECT_EQ(LoadConfig(cwd.file(u"missing.ini"_qs)).hostsFile, QString());
}

class HostsFileResolver : public ::testing::Test {
protected:
    void SetUp() override {
        path_ = cwd_.file(u"hosts.txt"_qs);
        config_.edit().hostsFile = path_;
        config_.edit().resolveTimeoutMs = 20000;
        config_.apply();
    }
    void write(const QByteArray& text, const QDateTime& time) {
        QFile f(path_);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(text);
        // The time is set outright: two writes within the clock's resolution must still differ.
        ASSERT_TRUE(f.setFileTime(time, QFileDevice::FileModificationTime));
    }

    test::TempCwd cwd_;
    test::ConfigScope config_;
    QString path_;
    const QDateTime start_ = QDateTime(QDate(2026, 3, 1), QTime(9, 0));
};

// Names under ".invalid" never reach a name server, so only the file can answer them.
TEST_F(HostsFileResolver, TheFileAnswersBeforeTheNameServiceAndIsReadAgainWhenItChanges) {
    write("# demo names\n192.0.2.7 shop.invalid WWW.Shop.invalid\n", start_);
    SystemResolver system;
    EXPECT_EQ(system.firstIPv4(u"shop.invalid"_qs), u"192.0.2.7"_qs);
    EXPECT_EQ(system.firstIPv4(u"www.SHOP.invalid"_qs), u"192.0.2.7"_qs);
    EXPECT_EQ(system.firstIPv4(u"other.invalid"_qs), QString());
    EXPECT_EQ(system.firstIPv4(u"localhost"_qs), u"127.0.0.1"_qs) << "names the file lacks go to the system";

    write("192.0.2.9 shop.invalid\n", start_.addSecs(60));
    EXPECT_EQ(system.firstIPv4(u"shop.invalid"_qs), u"192.0.2.9"_qs);
    EXPECT_EQ(system.firstIPv4(u"www.shop.invalid"_qs), QString());

    QFile::remove(path_);
    EXPECT_EQ(system.firstIPv4(u"shop.invalid"_qs), QString());
    write("192.0.2.10 shop.invalid\n", start_);
    EXPECT_EQ(system.firstIPv4(u"shop.invalid"_qs), u"192.0.2.10"_qs) << "a file that comes back is read";
}

// The windows reach the file through cPing and the bounded wait; "http://name" is asked as www.name.
TEST_F(HostsFileResolver, SideWindowsResolveThroughTheFile) {
    write("192.0.2.20 shop.invalid www.shop.invalid\n", start_);
    SetResolver(nullptr);
    cPing ping;
    EXPECT_EQ(ping.funcGetIPFromHostName(u"shop.invalid"_qs), u"192.0.2.20"_qs);
    EXPECT_EQ(ping.funcGetIPFromHostName(u"http://shop.invalid"_qs), u"192.0.2.20"_qs);

    config_.edit().hostsFile.clear();
    config_.apply();
    EXPECT_EQ(ping.funcGetIPFromHostName(u"shop.invalid"_qs), QString());
}

}  // namespace
}  // namespace ds::tools
