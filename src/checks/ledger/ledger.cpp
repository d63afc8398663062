#include "checks/ledger/ledger.h"

#include <sqlite3.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QStandardPaths>
#include <limits>

namespace ds::checks::ledger {
namespace {

// One prepared statement, finalized whatever happens.
class Statement {
public:
    Statement(sqlite3* db, const char* sql) { rc_ = sqlite3_prepare_v2(db, sql, -1, &stmt_, nullptr); }
    ~Statement() { sqlite3_finalize(stmt_); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    bool ok() const { return rc_ == SQLITE_OK && stmt_; }
    void bind(int i, const QString& text) {
        const QByteArray utf8 = text.toUtf8();
        sqlite3_bind_text(stmt_, i, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
    }
    void bind(int i, qint64 n) { sqlite3_bind_int64(stmt_, i, n); }
    // SQLITE_ROW, SQLITE_DONE or an error code.
    int step() { return ok() ? sqlite3_step(stmt_) : rc_; }
    QString text(int col) const {
        const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, col));
        return p ? QString::fromUtf8(p, sqlite3_column_bytes(stmt_, col)) : QString();
    }
    qint64 integer(int col) const { return sqlite3_column_int64(stmt_, col); }

private:
    sqlite3_stmt* stmt_ = nullptr;
    int rc_ = SQLITE_ERROR;
};

constexpr const char* kSchema =
    "CREATE TABLE IF NOT EXISTS runs ("
    " id INTEGER PRIMARY KEY, check_name TEXT NOT NULL, origin TEXT NOT NULL, started_at TEXT NOT NULL,"
    " finished_at TEXT);"
    "CREATE TABLE IF NOT EXISTS answers ("
    " id INTEGER PRIMARY KEY, run_id INTEGER, domain TEXT NOT NULL, check_name TEXT NOT NULL,"
    " verdict TEXT NOT NULL, reason TEXT NOT NULL, source TEXT NOT NULL, http_status INTEGER,"
    " vals TEXT NOT NULL DEFAULT '{}', checked_at TEXT NOT NULL, checked_ms INTEGER NOT NULL);"
    "CREATE INDEX IF NOT EXISTS answers_by_domain ON answers (check_name, domain, id);"
    "CREATE INDEX IF NOT EXISTS answers_by_run ON answers (run_id);"
    "CREATE INDEX IF NOT EXISTS answers_by_time ON answers (checked_ms);";

constexpr const char* kAnswerColumns =
    "domain, check_name, verdict, reason, source, http_status, vals, run_id, checked_at, checked_ms";

Answer ReadAnswer(const Statement& s) {
    Answer a;
    a.domain = s.text(0);
    a.check = s.text(1);
    a.verdict = s.text(2);
    a.reason = s.text(3);
    a.source = s.text(4);
    a.httpStatus = int(s.integer(5));
    a.values = QJsonDocument::fromJson(s.text(6).toUtf8()).object();
    a.runId = s.integer(7);
    // The stored text keeps the offset the answer was given in; the milliseconds are the same moment.
    a.checkedAt = QDateTime::fromString(s.text(8), Qt::ISODateWithMs);
    if (!a.checkedAt.isValid()) a.checkedAt = QDateTime::fromMSecsSinceEpoch(s.integer(9));
    return a;
}

QString Now() { return IsoWithOffset(QDateTime::currentDateTime()); }

}  // namespace

QString DefaultLedgerPath() {
    QString folder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    if (folder.isEmpty()) folder = QDir::homePath() + QStringLiteral("/.local/share/DropScout");
    return QDir(folder).filePath(QStringLiteral("ledger.db"));
}

QString IsoWithOffset(const QDateTime& at) {
    const QDateTime fixed = at.toOffsetFromUtc(at.offsetFromUtc());
    return fixed.toString(Qt::ISODate);
}

Ledger::~Ledger() {
    if (db_) sqlite3_close_v2(db_);
}

void Ledger::fail(const QString& what) {
    error_ = what + QStringLiteral(": ") + QString::fromUtf8(db_ ? sqlite3_errmsg(db_) : "cannot open");
}

bool Ledger::exec(const char* sql) {
    char* message = nullptr;
    const int rc = sqlite3_exec(db_, sql, nullptr, nullptr, &message);
    if (rc != SQLITE_OK) {
        error_ = QString::fromUtf8(message ? message : sqlite3_errstr(rc));
        sqlite3_free(message);
        return false;
    }
    return true;
}

bool Ledger::open(const QString& path) {
    if (db_) sqlite3_close_v2(db_);
    db_ = nullptr;
    readOnly_ = false;
    const QFileInfo info(path);
    if (!info.exists()) QDir().mkpath(info.absolutePath());
    const QByteArray name = QFile::encodeName(path);
    if (sqlite3_open_v2(name.constData(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK) {
        fail(QStringLiteral("cannot open %1").arg(path));
        sqlite3_close_v2(db_);
        db_ = nullptr;
        return false;
    }
    // The window and the command-line program may write at once: a writer waits for the other's
    // commit (a few milliseconds) rather than failing.
    sqlite3_busy_timeout(db_, 5000);
    readOnly_ = sqlite3_db_readonly(db_, "main") == 1;
    // The first read tells a file that is not a database (or a damaged one) from a good one.
    if (!exec("SELECT count(*) FROM sqlite_master")) {
        error_ = QStringLiteral("%1 is not a usable ledger: %2").arg(path, error_);
        sqlite3_close_v2(db_);
        db_ = nullptr;
        return false;
    }
    if (readOnly_) return true;
    // NORMAL is enough in WAL mode: a commit survives the process being killed; only a power cut can
    // lose the last few, never the file.
    if (!exec("PRAGMA journal_mode=WAL") || !exec("PRAGMA synchronous=NORMAL") || !exec(kSchema)) {
        error_ = QStringLiteral("%1 cannot be written: %2").arg(path, error_);
        readOnly_ = true;
    }
    return true;
}

qint64 Ledger::startRun(const QString& check, const QString& origin) {
    if (!writable()) return 0;
    Statement s(db_, "INSERT INTO runs (check_name, origin, started_at) VALUES (?, ?, ?)");
    s.bind(1, check);
    s.bind(2, origin);
    s.bind(3, Now());
    if (s.step() != SQLITE_DONE) {
        fail(QStringLiteral("cannot start a run"));
        return 0;
    }
    return sqlite3_last_insert_rowid(db_);
}

bool Ledger::finishRun(qint64 runId) {
    if (!writable() || runId <= 0) return false;
    Statement s(db_, "UPDATE runs SET finished_at = ? WHERE id = ?");
    s.bind(1, Now());
    s.bind(2, runId);
    if (s.step() != SQLITE_DONE) {
        fail(QStringLiteral("cannot close run %1").arg(runId));
        return false;
    }
    return true;
}

std::optional<qint64> Ledger::lastUnfinishedRun(const QString& check, const QString& origin) {
    if (!isOpen()) return std::nullopt;
    Statement s(db_, "SELECT id FROM runs WHERE check_name = ? AND origin = ? AND finished_at IS NULL"
                     " ORDER BY id DESC LIMIT 1");
    s.bind(1, check);
    s.bind(2, origin);
    if (s.step() != SQLITE_ROW) return std::nullopt;
    return s.integer(0);
}

QHash<QString, Answer> Ledger::answersOfRun(qint64 runId) {
    QHash<QString, Answer> out;
    if (!isOpen()) return out;
    const QByteArray sql = QByteArray("SELECT ") + kAnswerColumns + " FROM answers WHERE run_id = ? ORDER BY id";
    Statement s(db_, sql.constData());
    s.bind(1, runId);
    while (s.step() == SQLITE_ROW) {
        Answer a = ReadAnswer(s);
        out.insert(a.domain.toLower(), a);
    }
    return out;
}

QHash<QString, Answer> Ledger::freshAnswers(const QString& check, const QDateTime& since) {
    QHash<QString, Answer> out;
    if (!isOpen()) return out;
    // The last answer per domain decides: a domain whose newest answer is "unknown" is asked again
    // even when an older one was clear.
    const QByteArray sql = QByteArray("SELECT ") + kAnswerColumns +
                           " FROM answers WHERE id IN (SELECT max(id) FROM answers WHERE check_name = ?"
                           " GROUP BY domain) AND checked_ms >= ? AND verdict <> 'unknown'";
    Statement s(db_, sql.constData());
    s.bind(1, check);
    s.bind(2, since.toMSecsSinceEpoch());
    while (s.step() == SQLITE_ROW) {
        Answer a = ReadAnswer(s);
        out.insert(a.domain.toLower(), a);
    }
    return out;
}

std::vector<Answer> Ledger::answersSince(const QDateTime& since) {
    std::vector<Answer> out;
    if (!isOpen()) return out;
    const QByteArray sql = QByteArray("SELECT ") + kAnswerColumns + " FROM answers WHERE checked_ms >= ? ORDER BY id";
    Statement s(db_, sql.constData());
    s.bind(1, since.isValid() ? since.toMSecsSinceEpoch() : std::numeric_limits<qint64>::min());
    while (s.step() == SQLITE_ROW) out.push_back(ReadAnswer(s));
    return out;
}

bool Ledger::record(const Answer& a) {
    if (!writable()) {
        if (error_.isEmpty()) error_ = QStringLiteral("the ledger is not open for writing");
        return false;
    }
    Statement s(db_, "INSERT INTO answers (run_id, domain, check_name, verdict, reason, source, http_status,"
                     " vals, checked_at, checked_ms) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
    s.bind(1, a.runId);
    s.bind(2, a.domain.toLower());
    s.bind(3, a.check);
    s.bind(4, a.verdict);
    s.bind(5, a.reason);
    s.bind(6, a.source);
    s.bind(7, qint64(a.httpStatus));
    s.bind(8, QString::fromUtf8(QJsonDocument(a.values).toJson(QJsonDocument::Compact)));
    const QDateTime at = a.checkedAt.isValid() ? a.checkedAt : QDateTime::currentDateTime();
    s.bind(9, IsoWithOffset(at));
    s.bind(10, at.toMSecsSinceEpoch());
    if (s.step() != SQLITE_DONE) {
        fail(QStringLiteral("answer for %1 not kept").arg(a.domain));
        return false;
    }
    return true;
}

}  // namespace ds::checks::ledger
