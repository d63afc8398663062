#include "startup/startup_fixtures.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sqlite3.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QDir>
#include <QListWidget>
#include <QTemporaryDir>
#include <QUrl>
#include <QUrlQuery>
#include <stdexcept>

#include "core/codepage.h"
#include "db/demo_data.h"
#include "ui/busy_strip.h"
#include "ui/markup.h"

namespace ds::test {

AddressService::AddressService() {
    listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t length = sizeof address;
    if (listener_ < 0 || ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listener_, 16) != 0 || ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        throw std::runtime_error("cannot start the loopback address service");
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { serve(); });
}

AddressService::~AddressService() {
    stopping_ = true;
    ::shutdown(listener_, SHUT_RDWR);  // wakes accept()
    thread_.join();
    ::close(listener_);
}

void AddressService::serve() {
    while (!stopping_) {
        const int client = ::accept(listener_, nullptr, nullptr);
        if (client < 0) continue;
        answer(client);
        ::close(client);
    }
}

void AddressService::answer(int client) {
    std::string request;
    char buffer[4096];
    while (request.find("\r\n\r\n") == std::string::npos && request.size() < 65536) {
        const ssize_t n = ::recv(client, buffer, sizeof buffer, 0);
        if (n <= 0) return;
        request.append(buffer, static_cast<size_t>(n));
    }
    // "GET /path?query HTTP/1.1"
    const QString line = QString::fromLatin1(request.substr(0, request.find("\r\n")));
    const QString target = line.section(u' ', 1, 1);
    const QUrl url(QStringLiteral("http://localhost") + target);
    std::string reply;
    if (line.startsWith(QStringLiteral("GET ")) && url.path() == u"/geturl/dataurl.asp") {
        ++requests_;
        std::lock_guard lock(mutex_);
        lastQuery_ = QUrlQuery(url).queryItemValue(QStringLiteral("checkin"));
        reply = "HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=gb2312\r\nContent-Length: " +
                std::to_string(answer_.size()) + "\r\nConnection: close\r\n\r\n" + answer_.toStdString();
    } else {
        reply = "HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
    }
    size_t sent = 0;
    while (sent < reply.size()) {
        const ssize_t n = ::send(client, reply.data() + sent, reply.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) return;
        sent += static_cast<size_t>(n);
    }
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
