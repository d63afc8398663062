// The domain and IP window against a loopback search engine and location service, with a fixed resolver.
#include <QElapsedTimer>
#include <QLabel>
#include <QListWidget>
#include <QMetaObject>

#include <chrono>
#include <thread>

#include "core/codepage.h"
#include "tools/fip.h"
#include "tools/lookup_rules.h"
#include "tools/page_view.h"
#include "tools_fixture.h"
#include "ui/busy_strip.h"

namespace ds::tools::test {
namespace {

// Result page with `markers` links to further pages and the given <cite> entries.
std::string ResultPage(int markers, const std::vector<std::string>& cites) {
    std::string page = "<html><body>";
    for (const std::string& c : cites) page += "<li><cite>" + c + "</cite></li>";
    for (int i = 1; i <= markers; ++i) page += "<a href=\"/search?q=ip&amp;first=" + std::to_string(10 * i + 1) + "\">p</a>";
    return page + "</body></html>";
}

const std::string kLocation =
    "<html><table class=\"table\"><tr><td><b>Location</b></td><td>Guangdong <img src=\"/images/flags/cn.png\">"
    "</td></tr><tr><td><b>ZIP Code</b></td><td>518000</td></tr></table></html>";

class FipTest : public ToolsTest {
protected:
    void SetUp() override {
        ToolsTest::SetUp();
        resolver_->set(QStringLiteral("shared.com"), kShared);
        resolver_->set(QStringLiteral("www.a.com"), kShared);
        resolver_->set(QStringLiteral("b.net"), kShared);
        resolver_->set(QStringLiteral("other.org"), QStringLiteral("10.9.9.9"));
        resolver_->set(QString(), QStringLiteral("192.168.1.20"));
        services_.on("/search", [](const httplib::Request& req) {
            const std::string first = req.get_param_value("first");
            if (first.empty()) return ResultPage(3, {"first.page.com/"});  // its own entries are not read
            if (first == "11") return ResultPage(3, {"www.a.com/x", "other.org/", "http://c.com/", "b.net/"});
            return ResultPage(3, {"www.a.com/again", "b.net/"});
        });
        services_.on("/ib1", [](const httplib::Request&) {
            return EncodeText(u"<b>8.8.4.4</b><b>电信</b><b>中国</b><b>广东</b><b>深圳</b>"_qs, u"GBK"_qs).toStdString();
        });
        services_.on("/" + kShared.toStdString(), [](const httplib::Request&) { return kLocation; });
        fip_ = std::make_unique<Fip>();
        fip_->show();
        fip_->Form_Activate();
    }
    void TearDown() override {
        fip_.reset();
        ToolsTest::TearDown();
    }
    QString field(const QString& name) { return child(fip_.get(), name)->text(); }
    QStringList names() {
        QStringList out;
        auto* list = child<QListWidget>(fip_.get(), u"llist"_qs);
        for (int i = 0; i < list->count(); ++i) out << list->item(i)->text();
        return out;
    }
    QString location() { return child<PageView>(fip_.get(), u"lipmess"_qs)->toPlainText(); }
    void lookUp(const QString& domain) {
        fip_->ltext()->setText(domain);
        fip_->lfind_Click();
    }
    bool busy() { return child<ui::BusyStrip>(fip_.get(), u"floadtxt"_qs)->isVisible(); }

    std::unique_ptr<Fip> fip_;
};

TEST_F(FipTest, LookupFindsTheAddressItsNamesAndItsLocation) {
    lookUp(u" Shared.COM "_qs);
    EXPECT_EQ(field(u"lip"_qs), kShared);
    // Names that resolve to the address, once each, in the order found; the first page only counts.
    EXPECT_EQ(names(), (QStringList{u"www.a.com"_qs, u"b.net"_qs}));
    EXPECT_EQ(child<QLabel>(fip_.get(), u"lcount"_qs)->text(), u"2"_qs);
    EXPECT_EQ(resolver_->asked().count(u"www.a.com"_qs), 1);
    EXPECT_EQ(resolver_->asked().count(u"b.net"_qs), 1);
    EXPECT_FALSE(resolver_->asked().contains(u"first.page.com"_qs));
    EXPECT_EQ(services_.count("/search?q=ip:" + kShared.toStdString()), 1);
    EXPECT_EQ(services_.count("/search&first=11"), 1);
    EXPECT_EQ(services_.count("/search&first=21"), 1);
    EXPECT_EQ(services_.count("/search&first=31"), 0);

    const QString shown = location();
    EXPECT_TRUE(shown.contains(u"所在地址"_qs)) << shown.toStdString();
    EXPECT_TRUE(shown.contains(u"邮编"_qs));
    // The flag comes through the fetch layer, after the text.
    EXPECT_TRUE(ds::test::WaitFor([&] { return services_.count("/images/flags/cn.png") == 1; }));

    const QStringList own = {field(u"liptext(0)"_qs), field(u"liptext(1)"_qs), field(u"liptext(2)"_qs),
                             field(u"liptext(3)"_qs), field(u"liptext(4)"_qs), field(u"liptext(5)"_qs)};
    EXPECT_EQ(own, (QStringList{u"8.8.4.4"_qs, u"192.168.1.20"_qs, u"电信"_qs, u"中国"_qs, u"广东"_qs, u"深圳"_qs}));
    EXPECT_FALSE(busy());
    EXPECT_FALSE(fip_->running());
    EXPECT_TRUE(desktop_->messages.empty());
}

TEST_F(FipTest, OwnAddressPanelRefreshesOncePerActivation) {
    lookUp(u"shared.com"_qs);
    lookUp(u"shared.com"_qs);
    EXPECT_EQ(services_.count("/ib1"), 1);
    fip_->Form_Activate();
    lookUp(u"shared.com"_qs);
    EXPECT_EQ(services_.count("/ib1"), 2);
}

TEST_F(FipTest, NamesWithoutAnAddressEndEarly) {
    const struct {
        QString typed, lip;
    } cases[] = {
        {u"expired.com"_qs, QString::fromUtf16(kIpFailedText)},  // does not resolve
        {u".com"_qs, u".com"_qs},                                // the only dot first: no lookup
        {u"nodot"_qs, u"nodot"_qs},
        {QString(u'x').repeated(300) + u".com", QString::fromUtf16(kIpFailedText)},
    };
    for (const auto& c : cases) {
        services_.clearHits();
        lookUp(c.typed);
        EXPECT_EQ(field(u"lip"_qs), c.lip) << c.typed.toStdString();
        EXPECT_TRUE(names().isEmpty());
        EXPECT_EQ(location(), QString());
        for (const std::string& hit : services_.hits()) EXPECT_EQ(hit, "/ib1") << c.typed.toStdString();
        EXPECT_FALSE(busy());
    }
    EXPECT_TRUE(desktop_->messages.empty());
}

TEST_F(FipTest, LocationServiceMessages) {
    services_.on("/" + kShared.toStdString(), [](const httplib::Request&) {
        return std::string("<p>Your daily quota exceed. Please try later.</p>");
    });
    lookUp(u"shared.com"_qs);
    EXPECT_EQ(location(), QString::fromUtf16(kQuotaText));
    services_.on("/" + kShared.toStdString(), [](const httplib::Request&) { return std::string("<p>down</p>"); });
    lookUp(u"shared.com"_qs);
    EXPECT_EQ(location(), QString::fromUtf16(kNoDataText) + u"admin@example.cn");
}

// A search page without "first=" offers no further pages: nothing more is fetched.
TEST_F(FipTest, FirstPageWithoutMoreResultsGivesNoNames) {
    services_.on("/search", [](const httplib::Request&) { return ResultPage(0, {"www.a.com/"}); });
    lookUp(u"shared.com"_qs);
    EXPECT_TRUE(names().isEmpty());
    EXPECT_EQ(services_.count("/search&first=11"), 0);
    EXPECT_FALSE(location().isEmpty());
}

TEST_F(FipTest, StopEndsTheRunAtItsNextCheck) {
    services_.setHook([this](const httplib::Request& req) {
        if (req.get_param_value("first") == "11")
            QMetaObject::invokeMethod(fip_.get(), [this] { click(fip_.get(), u"lstop"_qs); }, Qt::QueuedConnection);
    });
    lookUp(u"shared.com"_qs);
    EXPECT_EQ(services_.count("/search&first=21"), 0);
    EXPECT_EQ(services_.count("/" + kShared.toStdString()), 0);  // the location step is not reached
    EXPECT_FALSE(busy());
    EXPECT_FALSE(fip_->running());
}

// A page that is slow to come is not waited for once the stop is pressed.
TEST_F(FipTest, StopEndsAFetchUnderWay) {
    services_.on("/search", [](const httplib::Request& req) {
        if (req.get_param_value("first") == "11") std::this_thread::sleep_for(std::chrono::seconds(2));
        return ResultPage(3, {"b.net/"});
    });
    services_.setHook([this](const httplib::Request& req) {
        if (req.get_param_value("first") == "11")
            QMetaObject::invokeMethod(fip_.get(), [this] { click(fip_.get(), u"lstop"_qs); }, Qt::QueuedConnection);
    });
    QElapsedTimer clock;
    clock.start();
    lookUp(u"shared.com"_qs);
    EXPECT_LT(clock.elapsed(), 1500);  // not the 2 s the page takes
    EXPECT_TRUE(names().isEmpty());
    EXPECT_FALSE(fip_->running());
}

// A stop ends the work of the window it was pressed in, and nothing else's: the main window's 停止 while
// this window's page is on its way leaves the lookup running, and this window's 停止 ends it.
TEST_F(FipTest, StopsOfOtherWindowsLeaveTheLookupAlone) {
    for (const bool ownStop : {false, true}) {
        SCOPED_TRACE(ownStop);
        // Only the slow page names b.net: the name is found only when that page is not cut short.
        services_.on("/search", [](const httplib::Request& req) {
            if (req.get_param_value("first") != "11") return ResultPage(3, {});
            std::this_thread::sleep_for(std::chrono::milliseconds(600));
            return ResultPage(3, {"b.net/"});
        });
        services_.setHook([this, ownStop](const httplib::Request& req) {
            if (req.get_param_value("first") != "11") return;
            QWidget* window = ownStop ? static_cast<QWidget*>(fip_.get()) : w_.get();
            const QString stop = ownStop ? u"lstop"_qs : u"lstop1"_qs;
            QMetaObject::invokeMethod(window, [this, window, stop] { click(window, stop); }, Qt::QueuedConnection);
        });
        // Asked for through the window's own event, as a click would: the lookup runs for this window.
        bool done = false;
        QMetaObject::invokeMethod(fip_.get(), [&] {
            lookUp(u"shared.com"_qs);
            done = true;
        }, Qt::QueuedConnection);
        ASSERT_TRUE(ds::test::WaitFor([&] { return done; }, 10000));
        EXPECT_EQ(names(), ownStop ? QStringList() : QStringList{u"b.net"_qs});
        EXPECT_TRUE(desktop_->messages.empty());
        EXPECT_FALSE(fip_->running());
    }
}

// The other way round: this window's 停止 while the main window's registration check waits for an answer
// leaves the check alone.
TEST_F(FipTest, ItsStopLeavesTheMainWindowsCheckAlone) {
    services_.on("/whois", [](const httplib::Request& req) {
        std::this_thread::sleep_for(std::chrono::milliseconds(400));
        return "Whois results for the domain " + req.get_param_value("d") + ": Registrar: X";
    });
    services_.setHook([this](const httplib::Request& req) {
        if (req.path == "/whois")
            QMetaObject::invokeMethod(fip_.get(), [this] { click(fip_.get(), u"lstop"_qs); }, Qt::QueuedConnection);
    });
    selectRow(u"a.com"_qs);
    w_->grid1()->setCellText(1, 4, u"未注册"_qs);
    QMetaObject::invokeMethod(w_.get(), [this] { w_->runAction(u"lregshow(0)"_qs); }, Qt::QueuedConnection);
    ASSERT_TRUE(ds::test::WaitFor([&] { return w_->grid1()->cellText(1, 4) == u"已注册"_qs; }, 5000))
        << w_->grid1()->cellText(1, 4).toStdString();
}

// Closing the window during a run ends the run; the window keeps its object.
TEST_F(FipTest, ClosingDuringARunStopsIt) {
    services_.setHook([this](const httplib::Request& req) {
        if (req.get_param_value("first") == "11")
            QMetaObject::invokeMethod(fip_.get(), [this] { fip_->close(); }, Qt::QueuedConnection);
    });
    lookUp(u"shared.com"_qs);
    EXPECT_TRUE(fip_->isHidden());
    EXPECT_EQ(services_.count("/search&first=21"), 0);
    EXPECT_FALSE(fip_->running());
}

// A lookup asked for during a run ends that run and starts afresh: the list holds only the new names.
TEST_F(FipTest, SecondLookupDuringARunStartsAfresh) {
    resolver_->set(u"second.com"_qs, u"10.0.0.8"_qs);
    resolver_->set(u"c.org"_qs, u"10.0.0.8"_qs);
    services_.setHook([this](const httplib::Request& req) {
        if (req.get_param_value("q") == "ip:10.0.0.7" && req.get_param_value("first") == "11")
            QMetaObject::invokeMethod(fip_.get(), [this] { lookUp(u"second.com"_qs); }, Qt::QueuedConnection);
    });
    services_.on("/search", [](const httplib::Request& req) {
        const bool second = req.get_param_value("q") == "ip:10.0.0.8";
        if (req.get_param_value("first").empty()) return ResultPage(2, {});
        // The first lookup's page is slow; the second lookup does not wait for it.
        if (!second) std::this_thread::sleep_for(std::chrono::seconds(3));
        return ResultPage(2, {second ? "c.org/" : "www.a.com/"});
    });
    services_.on("/10.0.0.8", [](const httplib::Request&) { return kLocation; });
    QElapsedTimer clock;
    clock.start();
    lookUp(u"shared.com"_qs);
    EXPECT_LT(clock.elapsed(), 2000);
    EXPECT_EQ(field(u"lip"_qs), u"10.0.0.8"_qs);
    EXPECT_EQ(names(), QStringList{u"c.org"_qs});
    EXPECT_EQ(child<QLabel>(fip_.get(), u"lcount"_qs)->text(), u"1"_qs);
    EXPECT_FALSE(fip_->running());
    EXPECT_FALSE(busy());
}

// The stop also ends a lookup asked for during the run, before it starts.
TEST_F(FipTest, StopDropsALookupAskedForMeanwhile) {
    resolver_->set(u"second.com"_qs, u"10.0.0.8"_qs);
    services_.setHook([this](const httplib::Request& req) {
        if (req.get_param_value("first") != "11") return;
        QMetaObject::invokeMethod(fip_.get(), [this] { lookUp(u"second.com"_qs); }, Qt::QueuedConnection);
        QMetaObject::invokeMethod(fip_.get(), [this] { click(fip_.get(), u"lstop"_qs); }, Qt::QueuedConnection);
    });
    lookUp(u"shared.com"_qs);
    EXPECT_EQ(services_.count("/search?q=ip:10.0.0.8"), 0);
    EXPECT_NE(field(u"lip"_qs), u"10.0.0.8"_qs);
    EXPECT_FALSE(fip_->running());
}

TEST_F(FipTest, ClickOnAFoundNameCopiesItToTheSelectionBox) {
    lookUp(u"shared.com"_qs);
    auto* list = child<QListWidget>(fip_.get(), u"llist"_qs);
    list->setCurrentRow(1);
    fip_->llist_Click();
    EXPECT_EQ(field(u"ldomain"_qs), u"b.net"_qs);
}

// From the main window: a double-click on the domain column, and the row button.
TEST_F(FipTest, MainWindowHandsTheRowsDomainOver) {
    selectRow(u"shared.com"_qs);
    w_->grid1_DblClick();  // the pointer is not over the cell: nothing happens
    EXPECT_EQ(IpWindowOf(*w_), nullptr);
    w_->runAction(u"lip"_qs);
    Fip* window = IpWindowOf(*w_);
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->ltext()->text(), u"shared.com"_qs);
    EXPECT_EQ(child(window, u"lip"_qs)->text(), kShared);

    // An empty row: the window only comes to the front.
    window->close();
    selectRow(QString());
    w_->runAction(u"lip"_qs);
    EXPECT_EQ(IpWindowOf(*w_), window);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->ltext()->text(), u"shared.com"_qs);
}

}  // namespace
}  // namespace ds::tools::test
