// The whois window, the filing window and the paste list on real widgets, with a loopback whois
// service and a real SQLite file.
#include <QElapsedTimer>
#include <QFile>
#include <QKeyEvent>
#include <QScreen>
#include <functional>
#include <QMouseEvent>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <fcntl.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <QTableView>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTextDocument>

#include "core/codepage.h"
#include "tools/fback.h"
#include "tools/fip.h"
#include "tools/install.h"
#include "tools/fwhois.h"
#include "tools/page_view.h"
#include "tools_fixture.h"

namespace ds::tools::test {
namespace {

using WhoisTest = ToolsTest;

void Press(QWidget* target, Qt::Key key) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &press);
}

// The text shows at once, whatever the pictures do: one on a host that accepts and never answers is
// still on its way when the page is read. The window tells that it is fetching, says so when the
// service gives no page, and shows an error status as a short message with the raw page a click away.
TEST_F(WhoisTest, TextFirstPicturesAfterAndWhatTheServiceDidNotSay) {
    ds::test::RawServer silent{QByteArray()};
    const std::string picture = silent.url(u"/p.png"_qs).toStdString();
    services_.on("/whois", [picture](const httplib::Request& req) {
        return "<html>Domain " + req.get_param_value("d") + " Registrar: X<img src=\"" + picture + "\"></html>";
    });
    selectRow(u"abc.com"_qs);
    QElapsedTimer clock;
    clock.start();
    w_->runAction(u"lwhois"_qs);
    Fwhois* window = WhoisWindowOf(*w_);
    ASSERT_NE(window, nullptr);
    // Well under a second in a normal build; the bound leaves room for sanitizer builds, far below the
    // picture's own limit (the text used to wait for it).
    EXPECT_LT(clock.elapsed(), 3000);
    EXPECT_TRUE(window->lshowwhois()->toPlainText().contains(u"Registrar: X"_qs));
    EXPECT_TRUE(window->lshowwhois()->picturesLoading());
    click(window, u"lstop"_qs);
    EXPECT_FALSE(window->lshowwhois()->picturesLoading());

    services_.on("/whois", [](const httplib::Request&) { return std::string("<h1>404 Not Found</h1>nginx"); });
    services_.setStatus(404);
    window->lfind_Click();
    const QString error = window->lshowwhois()->toPlainText();
    EXPECT_TRUE(error.contains(u"HTTP 404"_qs)) << error.toStdString();
    EXPECT_FALSE(error.contains(u"nginx"_qs));
    emit window->lshowwhois()->anchorClicked(QUrl(u"#raw"_qs));
    EXPECT_TRUE(window->lshowwhois()->toPlainText().contains(u"nginx"_qs));
    EXPECT_TRUE(desktop_->opened.isEmpty());

    RemoteSettings s;
    s.loaded = true;
    s.values.insert(u"lwhoisurl"_qs, QStringLiteral("http://127.0.0.1:%1/whois?d=").arg(ds::test::ClosedPort()));
    SetRemoteSettings(s);
    window->lfind_Click();
    EXPECT_TRUE(window->lshowwhois()->toPlainText().startsWith(u"WHOIS 服务没有应答"_qs))
        << window->lshowwhois()->toPlainText().toStdString();
}

TEST_F(WhoisTest, HandOverShowsTheServicesPageForTheCleanedDomain) {
    // A GB2312 page that names its set only in a meta tag, with a relative link and picture.
    services_.on("/whois", [](const httplib::Request& req) {
        const QString page = u"<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=gb2312\">"
                             u"</head><body>域名 " + QString::fromStdString(req.get_param_value("d")) +
                             u" 注册商：万网 <a href=\"/more?x=1\">更多</a><img src=\"logo.png\">"
                             u"<img src=\"file:///etc/passwd\"></body></html>";
        return EncodeText(page, u"GBK"_qs).toStdString();
    });
    services_.on("/logo.png", [](const httplib::Request&) { return std::string("not really a picture"); });
    selectRow(u"HTTP://WWW.Abc.COM"_qs);
    w_->runAction(u"lwhois"_qs);

    Fwhois* window = WhoisWindowOf(*w_);
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->ltext()->text(), u"HTTP://WWW.Abc.COM"_qs);
    EXPECT_EQ(services_.count("/whois?d=abc.com"), 1);
    // The picture comes after the text, on its own.
    EXPECT_TRUE(ds::test::WaitFor([&] { return services_.count("/logo.png") == 1; }));
    const QString text = window->lshowwhois()->toPlainText();
    EXPECT_TRUE(text.contains(u"域名 abc.com 注册商：万网"_qs)) << text.toStdString();

    // Links open in the user's browser, resolved against the page's address.
    emit window->lshowwhois()->anchorClicked(QUrl(u"/more?x=1"_qs));
    EXPECT_EQ(desktop_->opened, QStringList{services_.url(u"/more?x=1"_qs)});
    click(window, u"lbrowser"_qs);
    EXPECT_EQ(desktop_->opened.last(), services_.url(u"/whois?d=abc.com"_qs));
    EXPECT_TRUE(desktop_->messages.empty());
}

TEST_F(WhoisTest, KeysCloseAndTheOneWindowObject) {
    services_.on("/whois", [](const httplib::Request& req) { return "whois of " + req.get_param_value("d"); });
    selectRow(u"a.com"_qs);
    w_->runAction(u"lfindwhois"_qs);
    Fwhois* window = WhoisWindowOf(*w_);
    ASSERT_NE(window, nullptr);

    window->ltext()->setText(u"www.sub.www.B.com"_qs);
    Press(window->ltext(), Qt::Key_Return);
    EXPECT_EQ(services_.count("/whois?d=sub.b.com"), 1);  // "www." goes wherever it stands
    Press(window->ltext(), Qt::Key_Escape);
    EXPECT_TRUE(window->isHidden());

    // The expired-search tab's button: the same window, with the new domain.
    selectRow(u"c.com"_qs);
    w_->runAction(u"slfindwhois"_qs);
    EXPECT_EQ(WhoisWindowOf(*w_), window);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->lshowwhois()->toPlainText(), u"whois of c.com"_qs);
    window->close();
    EXPECT_TRUE(window->isHidden());
    EXPECT_EQ(WhoisWindowOf(*w_), window);
}

// A side window opens over the middle of the main window, inside the screen (touching its edge where
// the middle would take it past one); later showings keep the place the user moved it to.
TEST_F(WhoisTest, SideWindowsOpenCentredOverTheMainWindow) {
    services_.on("/whois", [](const httplib::Request& req) { return "whois of " + req.get_param_value("d"); });
    const QRect free = w_->screen()->availableGeometry();
    selectRow(u"a.com"_qs);
    const struct {
        const char* action;
        std::function<QWidget*()> window;
    } cases[] = {
        {"lwhois", [this] { return static_cast<QWidget*>(WhoisWindowOf(*w_)); }},
        {"lip", [this] { return static_cast<QWidget*>(IpWindowOf(*w_)); }},
        {"lbak", [this] { return static_cast<QWidget*>(FilingWindowOf(*w_)); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.action);
        w_->runAction(QString::fromLatin1(c.action));
        QWidget* side = c.window();
        ASSERT_NE(side, nullptr);
        const QRect at = side->frameGeometry(), main = w_->frameGeometry();
        EXPECT_TRUE(free.contains(at)) << at.x() << "," << at.y() << " " << at.width() << "x" << at.height();
        const QPoint offset = at.center() - main.center();
        EXPECT_TRUE(std::abs(offset.x()) <= 1 || at.left() == free.left() || at.right() == free.right()) << offset.x();
        EXPECT_TRUE(std::abs(offset.y()) <= 1 || at.top() == free.top() || at.bottom() == free.bottom()) << offset.y();
        side->hide();
    }
    Fwhois* whois = WhoisWindowOf(*w_);
    whois->move(whois->pos() + QPoint(-7, 5));
    const QPoint moved = whois->pos();
    w_->runAction(u"lwhois"_qs);
    EXPECT_EQ(whois->pos(), moved);
}

// Watches a path for opens: a regular file through inotify, a FIFO by asking whether it has a reader
// (a writer's non-blocking open fails while nobody reads). A reader found on the FIFO is let go at
// once (the writer's end is closed, so the read ends empty), so the old fault fails the test instead
// of hanging it.
class OpenWatch {
public:
    explicit OpenWatch(const QString& path, bool fifo) : path_(QFile::encodeName(path)) {
        if (!fifo) {
            inotify_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
            EXPECT_GE(inotify_add_watch(inotify_, path_.constData(), IN_OPEN), 0);
            return;
        }
        fifoWatch_ = std::thread([this] {
            while (!done_) {
                const int fd = ::open(path_.constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
                if (fd >= 0) {
                    opened_ = true;
                    ::close(fd);
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
            }
        });
    }
    ~OpenWatch() {
        done_ = true;
        if (fifoWatch_.joinable()) fifoWatch_.join();
        if (inotify_ >= 0) ::close(inotify_);
    }
    bool opened() {
        if (inotify_ >= 0) {
            alignas(inotify_event) char buffer[4096];
            if (::read(inotify_, buffer, sizeof buffer) > 0) opened_ = true;
        }
        return opened_;
    }

private:
    QByteArray path_;
    int inotify_ = -1;
    std::thread fifoWatch_;
    std::atomic<bool> done_{false};
    std::atomic<bool> opened_{false};
};

// Pictures the view did not fetch are never read from disk, however the page names them: a file:
// address, a plain absolute path, a relative name whose web fetch failed (the current folder holds a
// file of that name), a path naming a FIFO (whose open would block the window for good).
TEST_F(WhoisTest, PicturesNeverComeFromLocalFiles) {
    QTemporaryDir dir;
    const QString png = dir.filePath(u"secret.png"_qs);
    QImage(4, 4, QImage::Format_RGB32).save(png);
    QImage(4, 4, QImage::Format_RGB32).save(cwd_.file(u"here.png"_qs));
    const QString fifo = dir.filePath(u"pipe.png"_qs);
    ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    struct Case {
        QString src;
        QString watched;
        bool fifo;
    };
    const Case cases[] = {
        {QUrl::fromLocalFile(png).toString(), png, false},
        {png, png, false},
        {u"here.png"_qs, cwd_.file(u"here.png"_qs), false},
        {fifo, fifo, true},
    };
    PageView view;
    view.resize(300, 200);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.src.toStdString());
        OpenWatch watch(c.watched, c.fifo);
        const QString html = u"<p>x<img src=\""_qs + c.src + u"\"><table background=\""_qs + c.src +
                             u"\"><tr><td>y</td></tr></table><link rel=\"stylesheet\" href=\""_qs + c.src + u"\">"_qs;
        // The relative name is first asked of the page's server, which has no such picture.
        view.showHtml(html, QUrl(services_.url(u"/page"_qs)));
        (void)view.document()->size();
        view.grab();
        QCoreApplication::processEvents();
        EXPECT_FALSE(watch.opened());
        EXPECT_TRUE(view.toPlainText().contains(u'y'));
        EXPECT_TRUE(view.document()->resource(QTextDocument::StyleSheetResource, QUrl(c.src)).toString().isEmpty());
    }
}

// Pages whose layout took minutes (nested tables, one endless word, an endless table stream) are shown
// at once, as their text, and the window handles its events all the while.
TEST_F(WhoisTest, HostilePagesShowWithinSecondsWhileTheWindowHandlesEvents) {
    struct Case {
        const char* name;
        QString page;
        QString shows;
    };
    const Case cases[] = {
        {"tables nested 50 deep", u"<table><tr><td>"_qs.repeated(50) + u"deep"_qs + u"</td></tr></table>"_qs.repeated(50),
         u"deep"_qs},
        {"a 1 MB word", u"<p>word"_qs + QString(1 << 20, u'w') + u"</p>"_qs, u"wordwww"_qs},
        {"an endless table stream", u"start"_qs + u"<table><tr><td>"_qs.repeated(100000), u"start"_qs},
    };
    selectRow(u"a.com"_qs);
    w_->runAction(u"lwhois"_qs);
    Fwhois* window = WhoisWindowOf(*w_);
    ASSERT_NE(window, nullptr);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string body = c.page.toStdString();
        services_.on("/whois", [body](const httplib::Request&) { return body; });
        QElapsedTimer clock;
        qint64 lastTick = 0, longestGap = 0;
        QTimer ticker;
        QObject::connect(&ticker, &QTimer::timeout, [&] {
            longestGap = std::max(longestGap, clock.elapsed() - lastTick);
            lastTick = clock.elapsed();
        });
        clock.start();
        ticker.start(10);
        window->ltext()->setText(u"b.com"_qs);
        window->lfind_Click();
        (void)window->lshowwhois()->document()->size();  // the whole layout, as painting needs it
        window->grab();
        QCoreApplication::processEvents();
        const qint64 took = clock.elapsed();
        longestGap = std::max(longestGap, took - lastTick);
        EXPECT_LT(took, 3000);
        EXPECT_LT(longestGap, 1500) << "the window held its events that long";
        EXPECT_TRUE(window->lshowwhois()->toPlainText().contains(c.shows));
    }
}

TEST_F(WhoisTest, NothingIsFetchedWithoutAWebAddress) {
    RemoteSettings s;
    s.values.insert(u"lwhoisurl"_qs, u"whois.example/?d="_qs);
    SetRemoteSettings(s);
    selectRow(u"a.com"_qs);
    w_->runAction(u"lwhois"_qs);
    EXPECT_TRUE(services_.hits().empty());
    EXPECT_EQ(WhoisWindowOf(*w_)->lshowwhois()->toPlainText(), QString());
    click(WhoisWindowOf(*w_), u"lbrowser"_qs);
    EXPECT_TRUE(desktop_->opened.isEmpty());
}

// --- Filing window ---------------------------------------------------------------------------------

class FilingTest : public ToolsTest {
protected:
    void SetUp() override {
        ToolsTest::SetUp();
        runScript(u"insert into ldomainback (lallname,lback,lbacktime,lbackhost,lbackhostkind,lbackname,lbackweb) "
                  u"values ('filed.com','京ICP备05000001号','2009-04-01','北京某公司','企业','某网站','京ICP备05000001号-1');"
                  u"insert into ldomainback (lallname,lback) values ('o''neil.com','沪ICP备1号');"_qs);
        resolver_->set(u"filed.com"_qs, u"10.1.2.3"_qs);
    }
    QStringList fields(fback* window) {
        QStringList out;
        for (int i = 0; i < 8; ++i) out << window->lwith(i)->text();
        return out;
    }
};

TEST_F(FilingTest, RecordAndServerAddressOfTheCleanedDomain) {
    selectRow(u" HTTP://WWW.Filed.COM"_qs);
    w_->runAction(u"lbak"_qs);
    fback* window = FilingWindowOf(*w_);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(fields(window), (QStringList{u"京ICP备05000001号"_qs, u"2009-04-01"_qs, u"北京某公司"_qs, u"企业"_qs,
                                           u"某网站"_qs, u"京ICP备05000001号-1"_qs, u"filed.com"_qs, u"10.1.2.3"_qs}));

    // A quote in the name is part of the name; a name without a record empties the fields quietly.
    window->ltext()->setText(u"o'neil.com"_qs);
    window->lfind_Click();
    EXPECT_EQ(window->lwith(0)->text(), u"沪ICP备1号"_qs);
    EXPECT_EQ(window->lwith(6)->text(), u"o'neil.com"_qs);
    window->ltext()->setText(u"unfiled.com"_qs);
    window->lfind_Click();
    EXPECT_EQ(fields(window), QStringList(8, QString()));
    window->ltext()->setText(u".com"_qs);
    window->lfind_Click();
    EXPECT_EQ(fields(window), QStringList(8, QString()));
    EXPECT_TRUE(desktop_->messages.empty());
}

TEST_F(FilingTest, DatabaseFailureIsToldWithTheContact) {
    runScript(u"drop table ldomainback;"_qs);
    selectRow(u"filed.com"_qs);
    w_->runAction(u"lbak"_qs);
    ASSERT_EQ(desktop_->messages.size(), 1u);
    EXPECT_EQ(desktop_->messages[0].text, u"有错误发生，请联系管理员admin@example.cn：no such table: ldomainback"_qs);
    EXPECT_EQ(fields(FilingWindowOf(*w_)), QStringList(8, QString()));
}

// Double-click on the filing-number column hands the row over too.
TEST_F(FilingTest, DoubleClickOnTheFilingColumn) {
    selectRow(u"filed.com"_qs);
    ui::GridControl* g = w_->grid1();
    g->setActiveCell(1, 6);
    QTableView* view = g->view();
    const QPoint at = view->visualRect(view->model()->index(0, 6)).center();
    QMouseEvent move(QEvent::MouseMove, at, view->viewport()->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QCoreApplication::sendEvent(view->viewport(), &move);
    w_->grid1_DblClick();
    ASSERT_NE(FilingWindowOf(*w_), nullptr);
    EXPECT_EQ(FilingWindowOf(*w_)->lwith(0)->text(), u"京ICP备05000001号"_qs);
}

// --- Paste list ------------------------------------------------------------------------------------

TEST_F(ToolsTest, PasteListFillsTheGridAsAFreshListFromNoTable) {
    w_->state().loadedTable = u"ldomainreg"_qs;
    w_->runAction(u"Command2"_qs);
    flist_back* paste = PasteListOf(*w_);
    ASSERT_NE(paste, nullptr);
    EXPECT_TRUE(paste->isVisible());
    EXPECT_TRUE(paste->windowFlags() & Qt::WindowStaysOnTopHint);
    const QRect screen = paste->screen()->availableGeometry();
    EXPECT_TRUE(screen.contains(paste->frameGeometry().topLeft()));
    EXPECT_LE(paste->geometry().bottom(), screen.bottom());

    paste->llist()->setPlainText(u"a.com\r\n\r\nb c.net\r\nnodot\r\nc.org"_qs);
    w_->state().StopFlag = false;  // as while a page load is suspended under the click
    click(paste, u"lgo"_qs);
    EXPECT_TRUE(w_->state().StopFlag);  // so that load does not go on appending its rows
    ui::GridControl* g = w_->grid1();
    ASSERT_EQ(g->rows(), 4);
    for (int r = 1; r <= 3; ++r) EXPECT_EQ(g->cellText(r, 2), QString::number(r));
    EXPECT_EQ(g->cellText(2, 3), u"bc.net"_qs);
    EXPECT_TRUE(w_->state().loadedTable.isEmpty());
    EXPECT_FALSE(w_->findChild<QPushButton*>(u"pnext"_qs)->isEnabled());  // no search's pages to page

    click(paste, u"lclear"_qs);
    EXPECT_TRUE(paste->llist()->toPlainText().isEmpty());
    click(paste, u"lgo"_qs);
    EXPECT_EQ(g->rows(), 1);  // an empty paste still clears the grid
    click(paste, u"Command1"_qs);
    EXPECT_TRUE(paste->isHidden());
}

}  // namespace
}  // namespace ds::tools::test
