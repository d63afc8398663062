// The side windows on a demo database, as the demo runs them: the real demo services on loopback, the
// system resolver answering from the name map the demo writes, and real windows.
#include <gtest/gtest.h>

#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QSet>
#include <QTemporaryDir>
#include <memory>

#include "app/demo_lookup_pages.h"
#include "app/demo_pages.h"
#include "app/demo_services.h"
#include "core/remote_settings.h"
#include "db/demo_data.h"
#include "db/shared_objects.h"
#include "net/net_test_support.h"
#include "tools/fback.h"
#include "tools/fip.h"
#include "tools/fwhois.h"
#include "tools/lookup_rules.h"
#include "tools/page_view.h"
#include "tools/resolver.h"

namespace ds::demo {
namespace {

using namespace Qt::StringLiterals;

class DemoSideWindows : public testing::Test {
protected:
    static void SetUpTestSuite() {
        dir_ = new QTemporaryDir;
        database_ = dir_->filePath(u"dropscout-demo.db"_s);
        db::DemoOptions options;
        options.regRows = options.hisRows = options.backRows = 120;
        options.today = QDate(2026, 3, 1);
        db::GenerateDemoDatabase(database_, options);
        rows_ = DemoRowDomains(database_, 20);
        QFile hosts(dir_->filePath(u"hosts.txt"_s));
        ASSERT_TRUE(hosts.open(QIODevice::WriteOnly));
        hosts.write(HostsText(rows_).toUtf8());
        services_ = new DemoServices(database_, false);
        ASSERT_EQ(services_->bind("127.0.0.1", {0, 0, 0, 0, 0, 0}), -1);
        services_->start();
    }
    static void TearDownTestSuite() {
        delete services_;
        delete dir_;
    }

    void SetUp() override {
        const QString public_ = u"http://127.0.0.1:%1"_s.arg(services_->port(Service::Public));
        config_.edit().hostsFile = dir_->filePath(u"hosts.txt"_s);
        config_.edit().bingUrl = config_.edit().ip2locationUrl = config_.edit().ip2locationToolsUrl = public_;
        config_.apply();
        tools::SetResolver(nullptr);
    }
    void TearDown() override {
        db::NewDbObjects();
        SetRemoteSettings({});
    }

    // The first demo row on an address whose location the service describes.
    static QString RowWithALocation() {
        for (const QString& d : rows_)
            if (LocationKindFor(DemoAddressFor(d)) == LocationKind::Table) return d;
        ADD_FAILURE() << "no row with a location";
        return {};
    }

    static inline QTemporaryDir* dir_ = nullptr;
    static inline QString database_;
    static inline QStringList rows_;
    static inline DemoServices* services_ = nullptr;
    test::ConfigScope config_;
};

TEST_F(DemoSideWindows, IpWindowFindsTheNamesOnTheRowsAddressAndItsLocation) {
    const QString domain = RowWithALocation();
    const QString address = DemoAddressFor(domain);
    tools::Fip fip;
    fip.show();
    fip.ltext()->setText(domain);
    fip.lfind_Click();

    EXPECT_EQ(fip.findChild<QLineEdit*>(u"lip"_s)->text(), address);
    auto* list = fip.findChild<QListWidget*>(u"llist"_s);
    QStringList found;
    for (int i = 0; i < list->count(); ++i) found << list->item(i)->text();
    EXPECT_GE(found.size(), 5);
    EXPECT_EQ(fip.findChild<QLabel*>(u"lcount"_s)->text(), QString::number(found.size()));
    EXPECT_EQ(QSet<QString>(found.cbegin(), found.cend()).size(), found.size()) << "each name once";
    for (const QString& name : found) EXPECT_TRUE(NamesOn(address).contains(name)) << qPrintable(name);

    const QString location = fip.findChild<tools::PageView*>(u"lipmess"_s)->toPlainText();
    EXPECT_TRUE(location.contains(u"所在地址"_s)) << qPrintable(location);
    EXPECT_TRUE(location.contains(u"邮编"_s));
    EXPECT_EQ(fip.findChild<QLineEdit*>(u"liptext(0)"_s)->text(), QString::fromLatin1(kOwnWanAddress));
    EXPECT_EQ(fip.findChild<QLineEdit*>(u"liptext(5)"_s)->text(), u"深圳市"_s);
}

TEST_F(DemoSideWindows, FilingWindowShowsTheRecordAndTheAddress) {
    db::NewDbObjects();
    db::DbConn().open(u"Provider=SQLite;Data Source="_s + database_);
    // The first row of the filed search that carries a filing number.
    QString domain;
    const db::ResultTable first = db::DbConn().query(u"select top 20 * from ldomainreg where (lregist=1)"_s);
    for (const auto& row : first.rows)
        if (domain.isEmpty() && !row[size_t(first.columns.indexOf(u"lback"_s))].toString().isEmpty())
            domain = row[size_t(first.columns.indexOf(u"lallname"_s))].toString();
    ASSERT_FALSE(domain.isEmpty());
    {
        tools::fback window;
        window.show();
        window.ltext()->setText(u"http://www."_s + domain.toUpper());
        window.lfind_Click();
        EXPECT_FALSE(window.lwith(0)->text().isEmpty()) << "the filing number";
        EXPECT_FALSE(window.lwith(2)->text().isEmpty()) << "the holder";
        EXPECT_EQ(window.lwith(6)->text(), domain);
        EXPECT_EQ(window.lwith(7)->text(), DemoAddressFor(domain));
    }
}

TEST_F(DemoSideWindows, WhoisWindowShowsARegistrationRecord) {
    RemoteSettings settings;
    settings.loaded = true;
    settings.values.insert(u"lwhoisurl"_s,
                           u"http://127.0.0.1:%1/whois?domain="_s.arg(services_->port(Service::Whois)));
    SetRemoteSettings(settings);
    QString registered;
    for (const QString& d : rows_)
        if (registered.isEmpty() && WhoisKindFor(d) == WhoisKind::Registered) registered = d;
    tools::Fwhois window;
    window.show();
    window.ltext()->setText(registered);
    window.lfind_Click();
    const QString page = window.lshowwhois()->toPlainText();
    for (const char16_t* line : {u"注册商", u"到期日期", u"Creation Date:", u"Domain Status:"})
        EXPECT_TRUE(page.contains(QString::fromUtf16(line))) << qPrintable(page);
}

}  // namespace
}  // namespace ds::demo
