#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QElapsedTimer>

#include "db/connection.h"
#include "db/odbc_backend.h"

using namespace ds;
using namespace ds::db;

namespace {

TEST(OdbcConnectionText, MapsTheOleDbKeysToFreeTds) {
    const QString tail = u"TDS_Version=7.4;ClientCharset=UTF-8;"_qs;
    struct Case {
        QString oledb, user, password, odbc;
    } cases[] = {
        {u"Provider=SQLOLEDB;Data Source=10.1.2.3,1500;Initial Catalog=domains;User ID=reader;Password=secret"_qs,
         {},
         {},
         u"DRIVER=FreeTDS;Server=10.1.2.3,1500;Database=domains;UID=reader;PWD=secret;"_qs + tail},
        {u"Provider=SQLNCLI11;Data Source=db.example.com;Initial Catalog=d;User ID=u;Password=p"_qs,
         {},
         {},
         u"DRIVER=FreeTDS;Server=db.example.com,1433;Database=d;UID=u;PWD=p;"_qs + tail},
        {u"Provider=SQLOLEDB;Data Source=tcp:db.example.com, 2433;User ID=u;Password=p"_qs,
         {},
         {},
         u"DRIVER=FreeTDS;Server=db.example.com,2433;UID=u;PWD=p;"_qs + tail},
        {u"Provider=SQLOLEDB;Data Source=db\\SQLEXPRESS;User ID=u"_qs,
         {},
         {},
         u"DRIVER=FreeTDS;Server=db\\SQLEXPRESS;UID=u;"_qs + tail},
        {u"Provider=SQLOLEDB;Data Source=db\\SQLEXPRESS,1600"_qs, {}, {}, u"DRIVER=FreeTDS;Server=db,1600;"_qs + tail},
        {u"Provider=SQLOLEDB;Data Source=(local);User ID=u;Password=\"p;w{d\""_qs,
         {},
         {},
         u"DRIVER=FreeTDS;Server=127.0.0.1,1433;UID=u;PWD={p;w{d};"_qs + tail},
        // a user and password given to open() replace the text's own
        {u"Provider=MSOLEDBSQL;Data Source=h;User ID=u;Password=p"_qs, u"other"_qs, u"pass"_qs,
         u"DRIVER=FreeTDS;Server=h,1433;UID=other;PWD=pass;"_qs + tail},
    };
    for (const auto& c : cases)
        EXPECT_EQ(OdbcConnectionText(c.oledb, c.user, c.password), c.odbc) << c.oledb.toStdString();

    EXPECT_EQ(MapToOdbc(ParseConnectionText(u"Data Source=h;Connect Timeout=3"_qs)).loginTimeoutSeconds, 3);
    EXPECT_EQ(MapToOdbc(ParseConnectionText(u"Data Source=h"_qs)).loginTimeoutSeconds, kDefaultLoginTimeoutSeconds);
}

TEST(OdbcConnectionText, RefusesWhatTheDriverCannotTake) {
    struct Case {
        const char16_t* oledb;
        const char16_t* message;
    } cases[] = {
        {u"Provider=SQLOLEDB;Data Source=h;User ID=u;Password='a};b'", u"Password contains \"}\""},
        {u"Provider=SQLOLEDB;Data Source=h;Initial Catalog=x}", u"Initial Catalog contains \"}\""},
        {u"Provider=SQLOLEDB;Data Source=h,abc", u"port in the server address is not valid"},
        {u"Provider=SQLOLEDB;Data Source=h,70000", u"port in the server address is not valid"},
        {u"Provider=SQLOLEDB;Initial Catalog=d", u"names no server"},
    };
    for (const auto& c : cases) {
        try {
            OdbcConnectionText(QString::fromUtf16(c.oledb));
            ADD_FAILURE() << QString::fromUtf16(c.oledb).toStdString();
        } catch (const DbError& e) {
            EXPECT_TRUE(e.description().contains(QString::fromUtf16(c.message))) << e.what();
        }
    }
}

// A loopback socket that listens but never answers, like a server that stalls after the handshake.
class SilentListener {
public:
    SilentListener() {
        fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof addr;
        if (fd_ >= 0 && ::bind(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 && ::listen(fd_, 4) == 0 &&
            ::getsockname(fd_, reinterpret_cast<sockaddr*>(&addr), &length) == 0)
            port_ = ntohs(addr.sin_port);
    }
    ~SilentListener() { close(); }
    void close() {
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
    }
    int port() const { return port_; }

private:
    int fd_ = -1;
    int port_ = 0;
};

TEST(OdbcConnection, AnUnreachableServerFailsQuicklyWithTheDriversMessage) {
    // A port that was just listening and is now closed: the connection is refused at once.
    SilentListener listener;
    const int port = listener.port();
    ASSERT_GT(port, 0);
    listener.close();
    for (const char* provider : {"SQLOLEDB.1", "SQLNCLI11", "MSOLEDBSQL19"}) {
        Connection conn;
        QElapsedTimer timer;
        timer.start();
        try {
            conn.open(u"Provider=%1;Data Source=127.0.0.1,%2;Initial Catalog=domains;User ID=u;Password=p"_qs
                          .arg(QString::fromLatin1(provider))
                          .arg(port));
            ADD_FAILURE() << "a closed port must not connect";
        } catch (const DbError& e) {
            // FreeTDS says "Unable to connect: Adaptive Server is unavailable or does not exist" or similar.
            EXPECT_TRUE(e.description().contains(u"connect"_qs, Qt::CaseInsensitive)) << e.what();
        }
        EXPECT_LT(timer.elapsed(), 10000) << provider;
        EXPECT_FALSE(conn.isOpen());
    }
}

TEST(OdbcConnection, AServerThatNeverAnswersTimesOutAfterTheLoginTimeout) {
    SilentListener listener;
    ASSERT_GT(listener.port(), 0);
    Connection conn;
    QElapsedTimer timer;
    timer.start();
    try {
        conn.open(u"Provider=SQLOLEDB;Data Source=127.0.0.1,%1;User ID=u;Password=p;Connect Timeout=1"_qs.arg(
            listener.port()));
        ADD_FAILURE() << "a silent server must not connect";
    } catch (const DbError& e) {
        EXPECT_TRUE(e.description().contains(u"Timeout expired"_qs)) << e.what();
    }
    EXPECT_LT(timer.elapsed(), 8000);
    EXPECT_FALSE(conn.isOpen());
}

}  // namespace
