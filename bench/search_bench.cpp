// search_bench [--db FILE] [--orig FILE] [--reps N] [--sqlite3 PROGRAM] [--warm]
//
// Times the main window's commands on a full-size database (1,000,000 ldomainhis and 200,000 ldomainreg
// rows) and prints a table of figures against fixed targets; exits with 1 when a target is missed.
//
//   keywords   the expired search with a keyword in each position (exact, left, right, contains rare and
//              frequent, two letters). "open" is the statement through our backend, which may run it
//              through the name index ("form": driving, filtering or plain); beside it the sqlite3
//              program on the statement as written, on --orig (the same rows as made before the name
//              index and full statistics existed: what users got until now) and on --db, and on the
//              statement as our backend ran it. Targets on "open": exact and left-anchored < 10 ms,
//              right-anchored and contains of 3+ characters < 30 ms; two letters: sqlite3 on --db no
//              slower than on --orig (x 1.1 + 2 ms).
//   index      the first open of a copy of --orig, which builds the name index and gathers statistics:
//              under 30 s; the file grows by under 20 %.
//
//   searches   the handler called as its button calls it; "ours" runs from the call until the grid has
//              painted the first page ("ret" until the handler returned). Compared with the sqlite3
//              program running the same statement (as the SQLite backend rewrites it) on the same file:
//              wall-clock of the whole process, its output sent to /dev/null. "open" is the statement
//              alone through our backend. Target: ours <= 1.5 x sqlite3 + 50 ms (medians).
//   page 1000  a paging button with 1,000 rows per page, until painted. Target: under 150 ms; the busy
//              strip painted at most 30 times per page (medians).
//   page 2000  a filed search showing 2,000 rows on its first page, until painted. Target: no more than
//              the statement's own time through our backend ("open") + 100 ms.
//   statistics the first press of the count button (eleven counts). Target: under 2 s.
//   memory     peak resident size (VmHWM) of the process, taken with a 2,000-row page loaded.
//              Target: under 200 MB (10^6 bytes).
//
// Every timed command is run once untimed first, on both sides, so that the medians compare runs on a
// warm file cache. That first press is reported apart ("first ms"), and unless --warm is given it starts
// with the database file dropped from the system's file cache, as after a reboot; so does the statistics
// press, the only one that fetches anything.
#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QTableView>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <functional>
#include <spawn.h>
#include <sqlite3.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "core/clock.h"
#include "db/db_error.h"
#include "db/name_index.h"
#include "db/shared_objects.h"
#include "db/sqlite_dialect.h"
#include "search/fdomain.h"
#include "ui/desktop.h"
#include "ui/grid_control.h"

extern char** environ;

namespace {

using namespace Qt::StringLiterals;
using ds::search::Fdomain;

// Message boxes would stop an unattended run; they are recorded and reported as failures instead.
class QuietDesktop : public ds::ui::Desktop {
public:
    QStringList messages;
    ds::ui::MessageAnswer message(QWidget*, const QString& text, const QString&, ds::ui::MessageButtons) override {
        messages << text;
        return ds::ui::MessageAnswer::Ok;
    }
    QString openFileName(QWidget*, const QString&, const QString&) override { return {}; }
    QString saveFileName(QWidget*, const QString&, const QString&, const QString&) override { return {}; }
    void shellOpen(const QString&) override {}
    void setClipboardText(const QString&) override {}
    QString clipboardText() override { return {}; }
    void startCommand(const QString&, const QStringList&) override {}
    void endProgram(int) override {}
};

struct Options {
    QString db = u"/tmp/dropscout_search_bench.db"_s;
    QString orig;  // the same rows without the name index, with sampled statistics
    int reps = 7;
    QString sqlite3 = u"sqlite3"_s;
    bool cold = true;
};

// Drops the file's pages from the system's file cache (needs no privileges: the pages are clean).
void EvictFromFileCache(const Options& o) {
    if (!o.cold) return;
    const int fd = ::open(o.db.toLocal8Bit().constData(), O_RDONLY);
    if (fd < 0) return;
    posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
    ::close(fd);
}

double Median(std::vector<double> v) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

double TimeMs(const std::function<void()>& action) {
    QElapsedTimer timer;
    timer.start();
    action();
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

// Wall-clock of `sqlite3 FILE "SQL" > /dev/null`, process start and exit included (FILE is --db unless
// given). Negative on failure.
double Sqlite3Ms(const Options& o, const QString& sql, const QString& on = {}) {
    QByteArray program = o.sqlite3.toLocal8Bit(), file = (on.isEmpty() ? o.db : on).toLocal8Bit(), text = sql.toUtf8();
    char* argv[] = {program.data(), file.data(), text.data(), nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    QElapsedTimer timer;
    timer.start();
    pid_t pid = 0;
    int status = 0;
    const bool started = posix_spawnp(&pid, program.constData(), &actions, nullptr, argv, environ) == 0;
    if (started) waitpid(pid, &status, 0);
    const double ms = static_cast<double>(timer.nsecsElapsed()) / 1e6;
    posix_spawn_file_actions_destroy(&actions);
    return started && WIFEXITED(status) && WEXITSTATUS(status) == 0 ? ms : -1;
}

// Counts paint events of the grid's cells, to tell when a loaded page has reached the screen.
class PaintWatch : public QObject {
public:
    int paints = 0;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) ++paints;
        return false;
    }
};

// kB figures of /proc/self/status ("VmRSS", "VmHWM").
long ProcStatusKb(const char* key) {
    QFile f(u"/proc/self/status"_s);
    if (!f.open(QIODevice::ReadOnly)) return -1;
    const QByteArray prefix = QByteArray(key) + ':';
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith(prefix)) return line.mid(prefix.size()).trimmed().split(' ').value(0).toLong();
    return -1;
}

class Bench {
public:
    Bench(const Options& o, Fdomain& w, QuietDesktop& desk) : o_(o), w_(w), desk_(desk) {
        w_.grid1()->view()->viewport()->installEventFilter(&paintWatch_);
        required<QWidget>(u"floadtxt"_s)->installEventFilter(&stripPaints_);
    }

    int failures() const { return failures_; }

    void header() {
        std::printf("%-30s %9s %9s %9s %9s %9s %9s %7s %6s  %s\n", "case", "ours ms", "ret ms", "first ms",
                    "open ms", "sqlite3", "limit ms", "rows", "", "statement (SQLite form)");
    }

    // One search case: `setup` sets the options, `press` is the button's handler.
    void search(const char* name, const std::function<void()>& setup, const std::function<void()>& press) {
        resetOptions();
        setup();
        desk_.messages.clear();
        // Warm-up on both sides (ours from a cold file cache, unless --warm), then the repetitions
        // interleaved, so that a neighbour's load on the machine falls on both sides alike.
        EvictFromFileCache(o_);
        const double first = timePress(press).shownMs;
        const QString sql = ds::db::AdaptToSqlite(label(u"lstr"_s), ds::clock().now());
        bool sqliteFailed = Sqlite3Ms(o_, sql) < 0;
        std::vector<double> ours, returned, open, theirs;
        for (int i = 0; i < o_.reps && !sqliteFailed; ++i) {
            const Press p = timePress(press);
            ours.push_back(p.shownMs);
            returned.push_back(p.returnedMs);
            // The same statement through our backend alone, to tell engine time from window time.
            open.push_back(TimeMs([&] {
                ds::db::Recordset rs;
                rs.open(label(u"lstr"_s), ds::db::DbConn());
            }));
            const double ms = Sqlite3Ms(o_, sql);
            sqliteFailed = ms < 0;
            theirs.push_back(ms);
        }
        const double oursMs = Median(ours), theirMs = Median(theirs), limit = 1.5 * theirMs + 50;
        const bool pass = !sqliteFailed && desk_.messages.isEmpty() && gridRows() > 0 && oursMs <= limit;
        std::printf("%-30s %9.1f %9.1f %9.1f %9.1f %9.1f %9.1f %7s %6s  %s\n", name, oursMs, Median(returned), first,
                    Median(open), theirMs, limit, qPrintable(label(u"pnumber"_s)), verdict(pass),
                    qPrintable(sql.simplified()));
        if (sqliteFailed) std::printf("    sqlite3 failed on the statement\n");
        for (const QString& m : desk_.messages) std::printf("    message: %s\n", qPrintable(m));
    }

    void keywordHeader() {
        std::printf("\n%-26s %8s %8s %8s %9s %8s %8s %8s %8s %6s %7s %6s  %s\n", "keyword search", "ours ms",
                    "open ms", "first ms", "form", "today", "orig@db", "ran@db", "limit", "rows", "", "",
                    "statement as written (SQLite form)");
    }

    // One expired search with `keyword` and the position boxes (左包含, 右包含). `limitMs` applies to
    // "open"; a negative one asks for two-letter treatment: sqlite3 on --db no slower than on --orig.
    void keyword(const char* name, const QString& keyword, bool left, bool right, double limitMs) {
        resetOptions();
        edit(u"slfind"_s)->setText(keyword);
        check(u"slcodent(0)"_s)->setChecked(left);
        check(u"slcodent(1)"_s)->setChecked(right);
        desk_.messages.clear();
        EvictFromFileCache(o_);
        const double first = timePress([&] { w_.slsearch_Click(); }).shownMs;
        const QString statement = label(u"lstr"_s);
        const QString written = ds::db::AdaptToSqlite(statement, ds::clock().now());
        const ds::db::NameSearchChoice ran = asRun(statement);
        std::vector<double> ours, open, today, origOnDb, ranOnDb;
        bool sqliteFailed = false;
        for (int i = 0; i < o_.reps && !sqliteFailed; ++i) {
            ours.push_back(timePress([&] { w_.slsearch_Click(); }).shownMs);
            open.push_back(TimeMs([&] {
                ds::db::Recordset rs;
                rs.open(statement, ds::db::DbConn());
            }));
            const double t = o_.orig.isEmpty() ? 0 : Sqlite3Ms(o_, written, o_.orig);
            const double a = Sqlite3Ms(o_, written), b = Sqlite3Ms(o_, ran.sql);
            sqliteFailed = t < 0 || a < 0 || b < 0;
            today.push_back(t);
            origOnDb.push_back(a);
            ranOnDb.push_back(b);
        }
        const double openMs = Median(open), todayMs = Median(today), origMs = Median(origOnDb);
        const bool twoLetters = limitMs < 0;
        const double limit = twoLetters ? 1.1 * todayMs + 2 : limitMs;
        const bool fast = twoLetters ? (o_.orig.isEmpty() || origMs <= limit) : openMs < limit;
        const bool pass = !sqliteFailed && desk_.messages.isEmpty() && fast;
        static const char* const forms[] = {"plain", "driving", "filtering"};
        std::printf("%-26s %8.1f %8.1f %8.1f %9s %8.1f %8.1f %8.1f %8.1f %6s %7s %6s  %s\n", name, Median(ours),
                    openMs, first, forms[static_cast<int>(ran.form)], todayMs, origMs, Median(ranOnDb), limit,
                    qPrintable(label(u"pnumber"_s)), verdict(pass), twoLetters ? "2 let." : "",
                    qPrintable(written.simplified()));
        if (sqliteFailed) std::printf("    sqlite3 failed on the statement\n");
        for (const QString& m : desk_.messages) std::printf("    message: %s\n", qPrintable(m));
    }

    // The first open of a copy of --orig: the name index is built and statistics gathered.
    void indexBuild() {
        if (o_.orig.isEmpty()) return;
        const QString copy = o_.orig + u".first-open"_s;
        QFile::remove(copy);
        if (!QFile::copy(o_.orig, copy)) {
            std::printf("index: the copy %s could not be made\n", qPrintable(copy));
            ++failures_;
            return;
        }
        QElapsedTimer timer;
        timer.start();
        double builtMs = 0;
        const auto previous = ds::db::SetBuildProgressHook([&](qint64 done, qint64 total) {
            if (done == total) builtMs = static_cast<double>(timer.nsecsElapsed()) / 1e6;
        });
        double openMs = 0;
        try {
            ds::db::Connection c;
            c.open(u"Provider=SQLite;Data Source="_s + copy);
            openMs = static_cast<double>(timer.nsecsElapsed()) / 1e6;
        } catch (const ds::db::DbError& e) {
            std::printf("index: %s\n", qPrintable(e.description()));
        }
        ds::db::SetBuildProgressHook(previous);
        const double before = static_cast<double>(QFileInfo(o_.orig).size()) / 1e6;
        const double after = static_cast<double>(QFileInfo(copy).size()) / 1e6;
        const double generated = static_cast<double>(QFileInfo(o_.db).size()) / 1e6;
        QFile::remove(copy);
        const bool pass = builtMs > 0 && openMs < 30000 && after < 1.2 * before;
        std::printf("\nname index, first open of the original file: %.1f s (index %.1f s, then statistics %.1f s) %s\n",
                    openMs / 1000, builtMs / 1000, (openMs - builtMs) / 1000, verdict(pass));
        std::printf("file size: original %.1f MB, after the first open %.1f MB (+%.1f %%), as generated %.1f MB "
                    "(+%.1f %%); limits 30 s, +20 %%\n",
                    before, after, 100 * (after / before - 1), generated, 100 * (generated / before - 1));
    }

    // Startup of the sqlite3 program on a statement that reads nothing: the part of its figures that is
    // process start, loading the library and opening the file.
    void sqliteStartup() {
        std::vector<double> v;
        for (int i = 0; i <= o_.reps; ++i) v.push_back(Sqlite3Ms(o_, u"select 1"_s));
        v.erase(v.begin());
        std::printf("%-30s %9s %9s %9s %9s %9.1f %9s %7s %6s  %s\n", "sqlite3 startup (select 1)", "", "", "", "",
                    Median(v), "", "", "info", "included in every sqlite3 figure above");
    }

    // A paging button with `rows` per page, after a default filed search (2,000 rows).
    void page(const char* name, int rows, double limitMs) {
        resetOptions();
        edit(u"lsetrow"_s)->setText(QString::number(rows));
        w_.lsetrow_Change();
        desk_.messages.clear();
        w_.lsearch_Click();
        std::vector<double> shown, returned, stripPaints;
        // Alternates first and next page so that every press loads a full page that differs from the last.
        for (int i = 0; i <= o_.reps; ++i) {
            stripPaints_.paints = 0;
            const Press p = timePress([&] {
                if (i % 2) w_.pageLoader().pfirst_Click();
                else w_.pageLoader().pnext_Click();
            });
            shown.push_back(p.shownMs);
            returned.push_back(p.returnedMs);
            stripPaints.push_back(stripPaints_.paints);
        }
        const double first = shown.front();
        shown.erase(shown.begin());
        returned.erase(returned.begin());
        stripPaints.erase(stripPaints.begin());
        const double ms = Median(shown), paints = Median(stripPaints);
        const bool pass = desk_.messages.isEmpty() && gridRows() == rows && ms < limitMs;
        std::printf("%-30s %9.1f %9.1f %9.1f %9s %9s %9.1f %7d %6s\n", name, ms, Median(returned), first, "", "",
                    limitMs, gridRows(), verdict(pass));
        // The busy strip counts every row; painting each count once cost more than the rows.
        const double paintLimit = 30.0 * rows / 1000;
        std::printf("%-30s %9.0f %9s %9s %9s %9s %9.0f %7d %6s  %s\n", "  strip paints per page", paints, "", "", "",
                    "", paintLimit, gridRows(), verdict(paints <= paintLimit), "median paint events of the busy strip");
        for (const QString& m : desk_.messages) std::printf("    message: %s\n", qPrintable(m));
    }

    // A search whose first page holds `rows` rows, until painted, against the statement alone through our
    // backend: what the window adds to the engine's time.
    void searchPage(const char* name, int rows, double overMs) {
        resetOptions();
        edit(u"lmaxnum"_s)->setText(QString::number(rows));
        edit(u"lsetrow"_s)->setText(QString::number(rows));
        w_.lsetrow_Change();
        desk_.messages.clear();
        const double first = timePress([&] { w_.lsearch_Click(); }).shownMs;
        std::vector<double> shown, returned, open;
        for (int i = 0; i < o_.reps; ++i) {
            const Press p = timePress([&] { w_.lsearch_Click(); });
            shown.push_back(p.shownMs);
            returned.push_back(p.returnedMs);
            open.push_back(TimeMs([&] {
                ds::db::Recordset rs;
                rs.open(label(u"lstr"_s), ds::db::DbConn());
            }));
        }
        const double ms = Median(shown), openMs = Median(open), limit = openMs + overMs;
        const bool pass = desk_.messages.isEmpty() && gridRows() == rows && ms <= limit;
        std::printf("%-30s %9.1f %9.1f %9.1f %9.1f %9s %9.1f %7d %6s  %s\n", name, ms, Median(returned), first, openMs,
                    "", limit, gridRows(), verdict(pass), "limit: the statement's own time + 100 ms");
        for (const QString& m : desk_.messages) std::printf("    message: %s\n", qPrintable(m));
    }

    void statistics() {
        desk_.messages.clear();
        EvictFromFileCache(o_);
        const double ms = TimeMs([&] { w_.lshowtextbutton_Click(); });
        int fetched = 0;
        for (int i : {0, 1, 2, 11, 12, 13, 14, 15, 16, 17, 18}) {
            const auto* l = w_.findChild<QLabel*>(u"lshowtext("_s + QString::number(i) + u')');
            const QVariant caption = l ? l->property("caption") : QVariant();
            const QString text = caption.isValid() ? caption.toString() : l ? l->text() : QString();
            if (l && text != u"等待显示" && !text.isEmpty()) ++fetched;
        }
        const bool pass = desk_.messages.isEmpty() && fetched == 11 && ms < 2000;
        std::printf("%-30s %9.1f %9s %9s %9s %9s %9.1f %7d %6s  %s\n", "statistics, first press", ms, "", "", "", "",
                    2000.0, fetched, verdict(pass), "counts fetched (of 11)");
        for (const QString& m : desk_.messages) std::printf("    message: %s\n", qPrintable(m));
    }

    // Resident size with a 2,000-row page in the grid; the peak covers the whole run before it.
    void memory() {
        resetOptions();
        edit(u"lmaxnum"_s)->setText(u"2000"_s);
        edit(u"lsetrow"_s)->setText(u"2000"_s);
        w_.lsetrow_Change();
        desk_.messages.clear();
        const Press p = timePress([&] { w_.lsearch_Click(); });
        const long rss = ProcStatusKb("VmRSS"), hwm = ProcStatusKb("VmHWM");
        const double limitMb = 200, hwmMb = hwm * 1024 / 1e6, rssMb = rss * 1024 / 1e6;
        const bool pass = desk_.messages.isEmpty() && gridRows() == 2000 && hwm > 0 && hwmMb < limitMb;
        std::printf("%-30s %9.1f %9.1f %9s %9s %9s %9s %7d %6s\n", "search, 2000-row page", p.shownMs, p.returnedMs,
                    "", "", "", "", gridRows(), "info");
        std::printf("%-30s %9.1f %9s %9s %9s %9s %9.1f %7s %6s  %s%.1f MB\n", "memory VmHWM MB (2000 rows)", hwmMb, "",
                    "", "", "", limitMb, "", verdict(pass), "VmRSS now ", rssMb);
        for (const QString& m : desk_.messages) std::printf("    message: %s\n", qPrintable(m));
    }

    QLineEdit* edit(const QString& name) { return required<QLineEdit>(name); }
    QCheckBox* check(const QString& name) { return required<QCheckBox>(name); }

private:
    template <typename T>
    T* required(const QString& name) {
        T* c = w_.findChild<T*>(name);
        if (!c) {
            std::fprintf(stderr, "search_bench: the main window has no control %s\n", qPrintable(name));
            std::exit(2);
        }
        return c;
    }

    struct Press {
        double returnedMs;  // until the handler returned
        double shownMs;     // until the grid had painted the page
    };

    // The grid holds its redrawing back for a moment while rows arrive, so the handler's return is not
    // yet the page on the screen: the wait goes on until the cells have been painted.
    Press timePress(const std::function<void()>& press) {
        QElapsedTimer timer;
        timer.start();
        press();
        const double returned = static_cast<double>(timer.nsecsElapsed()) / 1e6;
        QTableView* view = w_.grid1()->view();
        if (view->updatesEnabled()) {
            QCoreApplication::processEvents();
        } else {
            paintWatch_.paints = 0;
            bool late = false;
            QTimer deadline;  // wakes the wait below should the page never be painted
            deadline.setSingleShot(true);
            QObject::connect(&deadline, &QTimer::timeout, [&] { late = true; });
            deadline.start(5000);
            while (paintWatch_.paints == 0 && !late) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
            if (late) std::printf("    the grid was not painted within 5 s\n");
        }
        return {returned, static_cast<double>(timer.nsecsElapsed()) / 1e6};
    }

    QString label(const QString& name) { return required<QLabel>(name)->text(); }

    // The statement as our backend runs it, chosen on a handle of our own.
    ds::db::NameSearchChoice asRun(const QString& statement) {
        sqlite3* db = nullptr;
        const QDateTime now = ds::clock().now();
        ds::db::NameSearchChoice choice{ds::db::NameSearchForm::Plain, ds::db::AdaptToSqlite(statement, now)};
        if (sqlite3_open_v2(o_.db.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK)
            choice =
                ds::db::ChooseNameSearch(db, ds::db::AdaptNameSearch(statement, now, ds::db::NameIndexedTables(db)));
        sqlite3_close(db);
        return choice;
    }
    int gridRows() const { return w_.grid1()->rows() - 1; }

    const char* verdict(bool pass) {
        if (!pass) ++failures_;
        return pass ? "PASS" : "FAIL";
    }

    // The options every case starts from: the window's defaults for what the cases touch.
    void resetOptions() {
        edit(u"lfind"_s)->clear();
        edit(u"slfind"_s)->clear();
        edit(u"lmaxnum"_s)->setText(u"2000"_s);
        edit(u"lsetrow"_s)->setText(u"20"_s);
        w_.lsetrow_Change();
        for (int i = 0; i < 10; ++i) check(u"lordernum("_s + QString::number(i) + u')')->setChecked(false);
        for (int i = 0; i < 7; ++i) check(u"slordernum("_s + QString::number(i) + u')')->setChecked(false);
        for (int i : {0, 1}) check(u"slcodent("_s + QString::number(i) + u')')->setChecked(true);
    }

    const Options& o_;
    Fdomain& w_;
    QuietDesktop& desk_;
    PaintWatch paintWatch_;
    PaintWatch stripPaints_;
    int failures_ = 0;
};

// The offscreen platform warns on every window it shows; the table is easier to read without that.
void QuietOffscreenWarnings(QtMsgType type, const QMessageLogContext&, const QString& text) {
    if (text.contains(u"propagateSizeHints"_s)) return;
    std::fprintf(stderr, "%s%s\n", type >= QtWarningMsg ? "warning: " : "", qPrintable(text));
}

bool ParseArgs(const QStringList& args, Options& o) {
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a == u"--warm") {
            o.cold = false;
            continue;
        }
        if (i + 1 >= args.size()) return false;
        const QString value = args[++i];
        if (a == u"--db") o.db = value;
        else if (a == u"--orig") o.orig = value;
        else if (a == u"--sqlite3") o.sqlite3 = value;
        else if (a == u"--reps") o.reps = std::max(1, value.toInt());
        else return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(QuietOffscreenWarnings);
    QApplication app(argc, argv);
    Options o;
    if (!ParseArgs(app.arguments().mid(1), o)) {
        std::fprintf(stderr, "usage: search_bench [--db FILE] [--orig FILE] [--reps N] [--sqlite3 PROGRAM] [--warm]\n");
        return 2;
    }
    if (!QFileInfo(o.db).isFile()) {
        std::fprintf(stderr, "search_bench: %s not found (bench/run_search_bench.sh makes it)\n", qPrintable(o.db));
        return 2;
    }
    auto desk = std::make_shared<QuietDesktop>();
    ds::ui::SetDesktop(desk);
    try {
        ds::db::NewDbObjects();
        ds::db::DbConn().open(u"Provider=SQLite;Data Source="_s + o.db);
    } catch (const ds::db::DbError& e) {
        std::fprintf(stderr, "search_bench: %s\n", qPrintable(e.description()));
        return 2;
    }

    Fdomain w;
    w.show();
    QCoreApplication::processEvents();
    Bench b(o, w, *desk);
    std::printf("database %s, %d timed repetitions per case (medians after one warm-up press on each side;\n"
                "\"first ms\" is that warm-up press%s)\n",
                qPrintable(o.db), o.reps, o.cold ? ", started with the file out of the system's cache" : "");
    b.header();

    b.statistics();
    b.search("filed search, defaults", [] {}, [&] { w.lsearch_Click(); });
    b.search("expired search, defaults", [] {}, [&] { w.slsearch_Click(); });
    b.search("filed search, keyword ab", [&] { b.edit(u"lfind"_s)->setText(u"ab"_s); }, [&] { w.lsearch_Click(); });
    // The expired tab matches the whole name by default (both position boxes checked): "ab" alone finds
    // nothing there, so the contains form is timed with the boxes cleared, and the default form with a
    // name that exists.
    b.search("expired search, keyword ab", [&] {
        b.edit(u"slfind"_s)->setText(u"ab"_s);
        for (int i : {0, 1}) b.check(u"slcodent("_s + QString::number(i) + u')')->setChecked(false);
    }, [&] { w.slsearch_Click(); });
    b.search("expired search, exact name", [&] { b.edit(u"slfind"_s)->setText(u"lexiaomei"_s); },
             [&] { w.slsearch_Click(); });
    b.search("filed search, sort 0+6+9", [&] {
        for (int i : {0, 6, 9}) b.check(u"lordernum("_s + QString::number(i) + u')')->setChecked(true);
    }, [&] { w.lsearch_Click(); });
    b.search("expired search, sort 0+3+6", [&] {
        for (int i : {0, 3, 6}) b.check(u"slordernum("_s + QString::number(i) + u')')->setChecked(true);
    }, [&] { w.slsearch_Click(); });
    b.sqliteStartup();
    b.page("page of 1000 rows (paging)", 1000, 150);
    b.searchPage("search, 2000 rows on its page", 2000, 100);
    b.memory();

    b.keywordHeader();
    b.keyword("exact name", u"lexiaomei"_s, true, true, 10);
    b.keyword("left-anchored ab%", u"ab"_s, true, false, 10);
    b.keyword("right-anchored %mall", u"mall"_s, false, true, 30);
    b.keyword("contains rare %zzq%", u"zzq"_s, false, false, 30);
    b.keyword("contains common %xiao%", u"xiao"_s, false, false, 30);
    b.keyword("contains frequent %ang%", u"ang"_s, false, false, 30);
    b.keyword("two letters %ab%", u"ab"_s, false, false, -1);
    b.indexBuild();

    std::printf("%s: %d target(s) missed\n", b.failures() ? "FAIL" : "PASS", b.failures());
    ds::db::NewDbObjects();
    ds::ui::SetDesktop(nullptr);
    return b.failures() ? 1 : 0;
}
