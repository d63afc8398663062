#include "startup/startup_fixtures.h"

#include <httplib.h>
#include <sqlite3.h>

#include <QDir>
#include <QListWidget>
#include <QTemporaryDir>
#include <chrono>
#include <stdexcept>

#include "core/codepage.h"
#include "db/demo_data.h"
#include "ui/busy_strip.h"
#include "ui/markup.h"

namespace ds::test {

AddressService::AddressService() : server_(std::make_unique<httplib::Server>()) {
    server_->Get("/geturl/dataurl.asp", [this](const httplib::Request& req, httplib::Response& res) {
        ++requests_;
        std::lock_guard lock(mutex_);
        lastQuery_ = QString::fromStdString(req.get_param_value("checkin"));
        res.set_content(answer_.toStdString(), "text/html; charset=gb2312");
    });
    port_ = server_->bind_to_any_port("127.0.0.1");
    if (port_ <= 0) throw std::runtime_error("cannot start the loopback address service");
    thread_ = std::thread([this] { server_->listen_after_bind(); });
    // stop() only reaches a running loop, so the destructor must not come before the loop starts.
    while (!server_->is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

AddressService::~AddressService() {
    server_->stop();
    thread_.join();
}

void AddressService::setAnswer(const QString& answer) {
    std::lock_guard lock(mutex_);
    answer_ = EncodeText(answer, QStringLiteral("GBK"));
}

QString AddressService::lastQuery() const {
    std::lock_guard lock(mutex_);
    return lastQuery_;
}

QString AddressService::url() const { return QStringLiteral("http://127.0.0.1:%1").arg(port_); }

ConfigScope::ConfigScope(const QString& serviceUrl) : previous_(config()) {
    Config c = previous_;
    c.addressServiceUrl = serviceUrl;
    c.checkinToken = QStringLiteral("t3st0k1");
    c.adminContact = QStringLiteral("admin@test");
    c.codePage = QStringLiteral("GBK");
    SetConfig(c);
}

ConfigScope::~ConfigScope() { SetConfig(previous_); }

QString SharedDemoDatabase() {
    static QTemporaryDir dir;
    static const QString path = [] {
        const QString p = QDir(dir.path()).filePath(QStringLiteral("demo.db"));
        db::DemoOptions options;
        options.regRows = 40;
        options.hisRows = 40;
        options.backRows = 20;
        options.today = QDate(2026, 3, 1);
        db::GenerateDemoDatabase(p, options);
        return p;
    }();
    return path;
}

void MakeSqliteFile(const QString& path, const QStringList& statements) {
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK)
        throw std::runtime_error("cannot create test database");
    for (const QString& sql : statements) {
        char* error = nullptr;
        if (sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, &error) != SQLITE_OK) {
            const std::string message = error ? error : "sqlite error";
            sqlite3_free(error);
            sqlite3_close(db);
            throw std::runtime_error(message);
        }
    }
    sqlite3_close(db);
}

namespace {
const QStringList kColumns = {
    QStringLiteral("lver_domain"), QStringLiteral("ldownurl_domain"), QStringLiteral("ldomainurl"),
    QStringLiteral("lqqimg"),      QStringLiteral("lqqurl"),          QStringLiteral("ltaobaoimg"),
    QStringLiteral("ltaobaourl"),  QStringLiteral("lbuyurl"),         QStringLiteral("llinkurl"),
    QStringLiteral("lwhoisurl"),   QStringLiteral("lipurl"),          QStringLiteral("lipmessurl"),
    QStringLiteral("lbaktext"),    QStringLiteral("lmailurl"),        QStringLiteral("lmail"),
    QStringLiteral("lhomeurl"),    QStringLiteral("lqq"),             QStringLiteral("ltaobao"),
    QStringLiteral("lbbsurl"),     QStringLiteral("lgbookurl"),       QStringLiteral("lchaturl"),
    QStringLiteral("lweburl_domain"), QStringLiteral("lblogurl"),     QStringLiteral("lseolist")};
}  // namespace

QString ConfigTableSql(const QString& leaveOut) {
    QStringList defs;
    for (const QString& c : kColumns)
        if (c != leaveOut) defs << c + (c == u"lver_domain" ? QStringLiteral(" REAL") : QStringLiteral(" TEXT"));
    return QStringLiteral("CREATE TABLE lconfig_all (") + defs.join(QStringLiteral(", ")) + u')';
}

QString ConfigRowSql(const QString& version, const QString& seoList, const QString& whoisUrl) {
    QStringList values;
    for (const QString& c : kColumns) {
        if (c == u"lver_domain")
            values << version;
        else if (c == u"lseolist")
            values << u'\'' + seoList + u'\'';
        else if (c == u"lwhoisurl")
            values << u'\'' + whoisUrl + u'\'';
        else
            values << u'\'' + c + QStringLiteral("-value'");
    }
    return QStringLiteral("INSERT INTO lconfig_all (") + kColumns.join(u',') + QStringLiteral(") VALUES (") +
           values.join(u',') + u')';
}

QWidget* NewBareMainWindow() {
    auto* w = new QWidget;
    w->setObjectName(QStringLiteral("Fdomain"));
    (new ui::MarkupLabel(QString(), w))->setObjectName(QStringLiteral("lvertext"));
    for (const char* name : {"lupnew", "lupnew2", "lemail", "lhomeurl", "lqq", "ltaobao", "lbbsurl", "lgbookurl",
                             "lchaturl", "lweburl", "lblogurl"}) {
        auto* b = new ui::MarkupButton(QString(), w);
        b->setObjectName(QString::fromLatin1(name));
        if (QByteArray(name).startsWith("lupnew")) b->hide();
    }
    auto* list = new QListWidget(w);
    list->setObjectName(QStringLiteral("lweblist"));
    list->hide();
    (new ui::BusyStrip(QStringLiteral("x"), w))->setObjectName(QStringLiteral("floadtxt"));
    return w;
}

}  // namespace ds::test
