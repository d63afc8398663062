#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <arpa/inet.h>
#include <memory>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "db/shared_objects.h"
#include "startup/address_code.h"
#include "startup/address_store.h"
#include "startup/demo_setup.h"
#include "startup/fload.h"
#include "startup/remote_settings.h"
#include "startup/startup_fixtures.h"
#include "support/test_support.h"
#include "ui/busy_strip.h"
#include "ui/markup.h"

using namespace ds;
using namespace ds::startup;
using namespace ds::test;

namespace {

const QString kGbk = QStringLiteral("GBK");
const QString kFailurePrefix = QStringLiteral("登录初始化出错，请稍后重试，或联系管理员：admin@test：");

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class LoginTest : public testing::Test {
protected:
    void SetUp() override {
        fload::SetMainWindowFactory([] { return NewBareMainWindow(); });
        SetRemoteSettings({});
    }
    void TearDown() override {
        if (window && window->mainWindow()) delete window->mainWindow();
        window.reset();
        fload::SetMainWindowFactory({});
        ds::db::NewDbObjects();
    }

public:
    QString setDat() const { return cwd.file(QStringLiteral("set.dat")); }
    void store(const QString& payload) { StoreAnswer(setDat(), QStringLiteral("|data|") + payload, kGbk); }
    QString storedPayload() const { return LoadAddress(setDat(), kGbk).payload; }
    QString storedNetwork() const { return ReadStoredRecord(setDat(), kGbk).field(kNetworkField); }

    fload& open() {
        window = std::make_unique<fload>();
        window->Form_Activate();
        return *window;
    }
    void choose(int index) { window->findChild<QAbstractButton*>(QStringLiteral("lnet(%1)").arg(index))->setChecked(true); }
    QAbstractButton* llogin() const { return window->findChild<QAbstractButton*>(QStringLiteral("llogin")); }
    void login() { llogin()->click(); }
    bool loggedIn() const { return window->mainWindow() && window->mainWindow()->isVisible(); }

    TempCwd cwd;
    DesktopScope desktop;
    AddressService service;
    ConfigScope configScope{service.url()};
    std::unique_ptr<fload> window;
};

QString GoodPayload() { return DemoPayload(SharedDemoDatabase()); }

// A loopback port whose connections the kernel accepts and nobody ever answers: a fetch from it waits
// for its receive limit.
class SilentPort {
public:
    SilentPort() {
        fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof address;
        if (fd_ < 0 || ::bind(fd_, reinterpret_cast<sockaddr*>(&address), size) != 0 || ::listen(fd_, 8) != 0 ||
            ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &size) != 0)
            ADD_FAILURE() << "no loopback socket";
        port_ = ntohs(address.sin_port);
    }
    ~SilentPort() {
        if (fd_ >= 0) ::close(fd_);
    }
    QString url() const { return QStringLiteral("http://127.0.0.1:%1").arg(port_); }

private:
    int fd_ = -1;
    int port_ = 0;
};
QString MissingPayload() { return DemoPayload(QStringLiteral("/nonexistent/dropscout-missing.db")); }

TEST_F(LoginTest, StoredPayloadConnectsWithoutAskingTheService) {
    store(GoodPayload());
    open();
    choose(1);
    login();
    ASSERT_TRUE(loggedIn());
    EXPECT_EQ(service.requests(), 0);
    EXPECT_TRUE(desktop->messages.empty());
    EXPECT_EQ(window->DataAddress, GoodPayload());
    EXPECT_EQ(ds::db::ConnString, QStringLiteral("Provider=SQLite;Data Source=") + SharedDemoDatabase());
    EXPECT_TRUE(ds::db::DbConn().isOpen());
    EXPECT_EQ(storedNetwork(), QStringLiteral("lt"));
    EXPECT_FALSE(window->isVisible());
    EXPECT_FALSE(window->mainWindow()->findChild<ds::ui::BusyStrip*>(QStringLiteral("floadtxt"))->isVisible());
    // The settings row has been applied to the main window.
    EXPECT_TRUE(remoteSettings().loaded);
    EXPECT_EQ(window->mainWindow()->findChild<ds::ui::MarkupLabel*>(QStringLiteral("lvertext"))->plainText(),
              QStringLiteral("Version 3.11"));
}

TEST_F(LoginTest, UnusableStoredPayloadIsFetchedAndStored) {
    const std::pair<const char*, std::function<void(LoginTest&)>> cases[] = {
        {"no set.dat", [](LoginTest&) {}},
        {"damaged set.dat", [](LoginTest& t) {
             QFile f(t.setDat());
             ASSERT_TRUE(f.open(QIODevice::WriteOnly));
             f.write("garbage");
         }},
        {"payload without ^", [](LoginTest& t) { t.store(QStringLiteral("Provider=SQLite;Data Source=x.db")); }},
        {"payload without provider", [](LoginTest& t) { t.store(QStringLiteral("Data Source=x.db^Data Source=y.db")); }},
        {"numbers that are no characters", [](LoginTest& t) {
             StoredAddressRecord r = BuildAddressRecord(QString(), kGbk);
             r.field(2) = QStringLiteral("12 abc ");
             WriteStoredRecord(t.setDat(), r, kGbk);
         }},
    };
    for (const auto& [name, prepare] : cases) {
        SCOPED_TRACE(name);
        QFile::remove(setDat());
        prepare(*this);
        const int before = service.requests();
        service.setAnswer(QStringLiteral("ok|data|") + GoodPayload() + QStringLiteral("|data|end"));
        if (window && window->mainWindow()) delete window->mainWindow();
        open();
        choose(1);
        login();
        ASSERT_TRUE(loggedIn());
        EXPECT_EQ(service.requests(), before + 1);
        EXPECT_EQ(service.lastQuery(), QStringLiteral("t3st0k1"));
        EXPECT_EQ(storedPayload(), GoodPayload());
        // The fresh record says "dx"; the chosen radio wins afterwards.
        EXPECT_EQ(storedNetwork(), QStringLiteral("lt"));
        EXPECT_TRUE(desktop->messages.empty());
    }
}

// The start-up window deletes itself on close; a close that arrives while the login handler waits (in
// the fetch's local event loop, or in a yield) used to free the window under the running handler.
TEST_F(LoginTest, ClosingTheWindowDuringALoginEndsTheProgramAndKeepsTheWindowForTheLogin) {
    SilentPort silent;
    struct Case {
        const char* name;
        bool storedAddress;  // otherwise the login waits on the silent address service
        int closeAfterMs;
    };
    const Case cases[] = {{"while the address service is silent", false, 200},
                          {"during the first yield", true, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        desktop->messages.clear();
        desktop->endCodes.clear();
        QFile::remove(setDat());
        if (c.storedAddress) store(GoodPayload());
        ds::Config config = ds::config();
        config.addressServiceUrl = silent.url();
        config.receiveTimeoutMs = 1500;
        ds::SetConfig(config);

        auto* start = new fload();
        start->setAttribute(Qt::WA_DeleteOnClose);
        start->show();
        start->Form_Activate();
        QPointer<fload> alive(start);
        bool inLogin = false, destroyedInLogin = false;
        QObject::connect(start, &QObject::destroyed, [&] { destroyedInLogin = inLogin; });
        QTimer::singleShot(c.closeAfterMs, start, [start] { start->close(); });
        inLogin = true;
        start->llogin_Click();
        inLogin = false;

        EXPECT_FALSE(destroyedInLogin);
        ASSERT_FALSE(alive.isNull());
        EXPECT_EQ(desktop->endCodes, std::vector<int>{0});
        QPointer<QWidget> main = start->mainWindow();
        EXPECT_EQ(!main.isNull(), c.storedAddress);
        if (!c.storedAddress) {
            // The recorder does not end the program: the login ran on to its failure message.
            EXPECT_EQ(desktop->messages.size(), 1u);
            EXPECT_TRUE(start->isVisible());
            delete start;
        } else {
            // A finished login still closes (and so deletes) the window itself.
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            EXPECT_TRUE(alive.isNull());
            delete main.data();
        }
    }
}

TEST_F(LoginTest, RefusedConnectionRefetchesOnceThenReportsFailure) {
    store(MissingPayload());
    service.setAnswer(QStringLiteral("|data|") + MissingPayload());
    open();
    login();
    EXPECT_FALSE(loggedIn());
    EXPECT_EQ(service.requests(), 1);
    ASSERT_EQ(desktop->messages.size(), 1u);
    const QString text = desktop->messages[0].text;
    EXPECT_TRUE(text.startsWith(kFailurePrefix)) << text.toStdString();
    EXPECT_GT(text.size(), kFailurePrefix.size()) << "the engine's description follows";
    EXPECT_FALSE(llogin()->isEnabled());
    EXPECT_TRUE(window->findChild<ds::ui::BusyStrip*>(QStringLiteral("floadtxt"))->isVisibleTo(window.get()));
}

TEST_F(LoginTest, RefusedConnectionIsRescuedByAFreshAddress) {
    store(MissingPayload());
    service.setAnswer(QStringLiteral("|data|") + GoodPayload());
    open();
    login();
    EXPECT_TRUE(loggedIn());
    EXPECT_EQ(service.requests(), 1);
    EXPECT_EQ(storedPayload(), GoodPayload());
    EXPECT_TRUE(desktop->messages.empty());
}

TEST_F(LoginTest, AnswerWithoutMarkerLeavesSetDatUntouched) {
    store(MissingPayload());
    const QByteArray before = ReadAll(setDat());
    for (const QString& answer : QStringList{QString(), QStringLiteral("maintenance"), QString(QStringLiteral("|DATA|") + GoodPayload())}) {
        SCOPED_TRACE(answer.toStdString());
        desktop->messages.clear();
        service.setAnswer(answer);
        open();
        login();
        EXPECT_FALSE(loggedIn());
        EXPECT_EQ(ReadAll(setDat()), before);
        ASSERT_EQ(desktop->messages.size(), 1u);
        EXPECT_TRUE(desktop->messages[0].text.startsWith(kFailurePrefix));
        // The same stored payload was tried twice: once before, once after the fruitless fetch.
        EXPECT_EQ(window->DataAddress, MissingPayload());
    }
}

TEST_F(LoginTest, UnusableWithoutAnyErrorEndsTheMessageAfterTheColon) {
    store(QStringLiteral("nothing useful"));
    service.setAnswer(QStringLiteral("no marker here"));
    open();
    login();
    ASSERT_EQ(desktop->messages.size(), 1u);
    EXPECT_EQ(desktop->messages[0].text, kFailurePrefix);
}

TEST_F(LoginTest, EmptyPayloadAfterMarkerIsStoredAndFails) {
    service.setAnswer(QStringLiteral("abc|data|"));
    open();
    login();
    EXPECT_FALSE(loggedIn());
    ASSERT_EQ(desktop->messages.size(), 1u);
    EXPECT_TRUE(desktop->messages[0].text.startsWith(kFailurePrefix));
    const StoredAddressRecord record = ReadStoredRecord(setDat(), kGbk);
    EXPECT_TRUE(JoinedSegments(record).isEmpty());
    EXPECT_EQ(record.field(1).size(), 5);  // fillers written
}

TEST_F(LoginTest, EmptySecondVariantFailsLikeAWrongAddress) {
    const QString payload = QStringLiteral("Provider=SQLite;Data Source=") + SharedDemoDatabase() + u'^';
    store(payload);
    service.setAnswer(QStringLiteral("|data|") + payload);
    open();
    choose(1);
    login();
    EXPECT_FALSE(loggedIn());
    EXPECT_EQ(service.requests(), 1);
    ASSERT_EQ(desktop->messages.size(), 1u);
    // The first variant of the same payload connects.
    desktop->messages.clear();
    open();
    choose(0);
    login();
    EXPECT_TRUE(loggedIn());
    EXPECT_EQ(storedNetwork(), QStringLiteral("dx"));
}

TEST_F(LoginTest, OversizedPayloadLeavesSetDatAndDataAddressAlone) {
    store(GoodPayload());
    const QByteArray before = ReadAll(setDat());
    open();
    window->DataAddress = QStringLiteral("kept");
    EXPECT_THROW(window->StoreAddress(QStringLiteral("|data|Provider=") + QString(1700, u' ') + u'^'), StartupError);
    EXPECT_EQ(window->DataAddress, QStringLiteral("kept"));
    EXPECT_EQ(ReadAll(setDat()), before);
    EXPECT_THROW(window->StoreAddress(QStringLiteral("|data|Provider=中^")), StartupError);
    EXPECT_EQ(window->DataAddress, QStringLiteral("kept"));
    EXPECT_EQ(ReadAll(setDat()), before);
}

TEST_F(LoginTest, NetworkTagSelectsTheRadioOnFirstActivation) {
    const std::pair<const char*, int> cases[] = {{"lt", 1}, {"LT", 0}, {"dx", 0}, {"", 0}, {" lt", 0}};
    for (const auto& [tag, expected] : cases) {
        SCOPED_TRACE(tag);
        StoredAddressRecord record;
        record.field(kNetworkField) = QString::fromLatin1(tag);
        WriteStoredRecord(setDat(), record, kGbk);
        open();
        EXPECT_EQ(window->networkIndex(), expected);
    }
}

TEST_F(LoginTest, LaterActivationsKeepTheUsersChoice) {
    StoredAddressRecord record;
    record.field(kNetworkField) = QStringLiteral("lt");
    WriteStoredRecord(setDat(), record, kGbk);
    open();
    EXPECT_EQ(window->networkIndex(), 1);
    choose(0);
    window->Form_Activate();
    QEvent activate(QEvent::WindowActivate);
    QCoreApplication::sendEvent(window.get(), &activate);
    EXPECT_EQ(window->networkIndex(), 0);
}

TEST_F(LoginTest, NoSetDatSelectsFirstVariantAndCreatesAnEmptyFile) {
    open();
    EXPECT_EQ(window->networkIndex(), 0);
    EXPECT_TRUE(QFile::exists(setDat()));
    EXPECT_EQ(QFile(setDat()).size(), 0);
    // A damaged file is not reported; the first variant is chosen.
    QFile f(setDat());
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("xyz");
    f.close();
    open();
    EXPECT_EQ(window->networkIndex(), 0);
    EXPECT_TRUE(desktop->messages.empty());
}

TEST_F(LoginTest, WindowHasItsCaptionsAndEnterPressesLogin) {
    open();
    EXPECT_EQ(window->windowTitle(), QStringLiteral("DropScout 登录"));
    EXPECT_EQ(window->findChild<QAbstractButton*>(QStringLiteral("lnet(0)"))->text(), QStringLiteral("电信 用户"));
    EXPECT_EQ(window->findChild<QAbstractButton*>(QStringLiteral("lnet(1)"))->text(), QStringLiteral("网通 用户"));
    EXPECT_EQ(window->findChild<QAbstractButton*>(QStringLiteral("lquit"))->text(), QStringLiteral("退出登录"));
    EXPECT_EQ(window->findChild<QWidget*>(QStringLiteral("GroupBox24"))->property("title").toString(),
              QStringLiteral("登录网络设置"));
    auto* strip = window->findChild<ds::ui::BusyStrip*>(QStringLiteral("floadtxt"));
    EXPECT_EQ(strip->text(), QStringLiteral("正在连接域名数据库，请稍候"));
    EXPECT_FALSE(strip->isVisibleTo(window.get()));
    EXPECT_TRUE(qobject_cast<QPushButton*>(llogin())->isDefault());

    store(GoodPayload());
    window->show();
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QCoreApplication::sendEvent(window.get(), &enter);
    EXPECT_TRUE(loggedIn());
}

TEST_F(LoginTest, EscapeClosesTheConnectionAndEndsTheProgram) {
    store(GoodPayload());
    open();
    ds::db::NewDbObjects();
    ds::db::DbConn().open(QStringLiteral("Provider=SQLite;Data Source=") + SharedDemoDatabase());
    QKeyEvent other(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier);
    QCoreApplication::sendEvent(window.get(), &other);
    EXPECT_TRUE(desktop->endCodes.empty());
    QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QCoreApplication::sendEvent(window.get(), &esc);
    EXPECT_FALSE(ds::db::DbConn().isOpen());
    EXPECT_EQ(desktop->endCodes, std::vector<int>{0});
    window->findChild<QAbstractButton*>(QStringLiteral("lquit"))->click();
    EXPECT_EQ(desktop->endCodes.size(), 2u);
}

TEST_F(LoginTest, DemoFolderGetsADatabaseAndAWorkingAddress) {
    PrepareDemoFolder(cwd.path(), QDate(2026, 3, 1));
    const QString db = cwd.file(QString::fromLatin1(kDemoDatabaseName));
    EXPECT_TRUE(QFile::exists(db));
    EXPECT_EQ(storedPayload(), DemoPayload(db));

    // Later runs keep this folder's own address (with the network chosen since) and replace any other,
    // even a usable one, so the demo never logs in elsewhere.
    const std::pair<QString, bool> cases[] = {
        {DemoPayload(db), true},
        {DemoPayload(QString::fromLatin1(kDemoDatabaseName)), true},
        {GoodPayload(), false},
        {DemoPayload(cwd.file(QStringLiteral("other/dropscout-demo.db"))), false},
    };
    for (const auto& [payload, kept] : cases) {
        SCOPED_TRACE(payload.toStdString());
        store(payload);
        StoredAddressRecord record = ReadStoredRecord(setDat(), kGbk);
        record.field(kNetworkField) = QStringLiteral("lt");
        WriteStoredRecord(setDat(), record, kGbk);
        PrepareDemoFolder(cwd.path(), QDate(2026, 3, 1));
        EXPECT_EQ(storedPayload(), kept ? payload : DemoPayload(db));
        EXPECT_EQ(storedNetwork(), kept ? QStringLiteral("lt") : QStringLiteral("dx"));
    }
    store(GoodPayload());
    PrepareDemoFolder(cwd.path(), QDate(2026, 3, 1));
    open();
    login();
    EXPECT_TRUE(loggedIn());
    EXPECT_EQ(ds::db::ConnString, QStringLiteral("Provider=SQLite;Data Source=") + db);

    // A folder name the address code cannot hold falls back to the file name alone.
    const QString chinese = cwd.file(QStringLiteral("演示"));
    ASSERT_TRUE(QDir().mkpath(chinese));
    PrepareDemoFolder(chinese, QDate(2026, 3, 1));
    EXPECT_EQ(LoadAddress(chinese + QStringLiteral("/set.dat"), kGbk).payload,
              DemoPayload(QString::fromLatin1(kDemoDatabaseName)));
}

}  // namespace
