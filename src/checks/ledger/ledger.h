#pragma once
// The check ledger: every live answer a check got, kept in an embedded SQLite file of its own (beside
// the user's data, also when the domain tables are on the operator's SQL Server), so that a batch can
// be resumed after an interruption and a domain asked recently need not be asked again.
//
// The file is in WAL mode with a busy wait, so the window and the command-line program can write it at
// the same time. Every answer is committed on its own: a process killed outright loses only the
// answers it had not been given yet. A ledger that cannot be written (read-only, corrupt, a full disk)
// never stops a check: record() says false and the caller counts what was not kept.
#include <QDateTime>
#include <QHash>
#include <QJsonObject>
#include <QString>
#include <optional>
#include <vector>

struct sqlite3;

namespace ds::checks::ledger {

struct Answer {
    QString domain;
    QString check;    // "registration", "metrics", "filing"
    QString verdict;  // "available", "registered", ..., "ok", "unknown"
    QString reason;
    QString source;   // the route that answered: "operator", "registry", "database"
    int httpStatus = 0;  // 0: no HTTP answer
    QJsonObject values;
    qint64 runId = 0;
    QDateTime checkedAt;
};

// The ledger's file when none is named: ledger.db in the user's data folder.
QString DefaultLedgerPath();

// "2024-05-01T09:00:00+08:00": the moment with its offset from UTC ("Z" for UTC itself).
QString IsoWithOffset(const QDateTime& at);

class Ledger {
public:
    Ledger() = default;
    ~Ledger();
    Ledger(const Ledger&) = delete;
    Ledger& operator=(const Ledger&) = delete;

    // Opens the file, creating it and its folder when missing. False with error() when the file is
    // not a usable ledger. A file that can be read but not written opens read-only: its answers serve
    // --skip-fresh and --resume, and record() fails.
    bool open(const QString& path);
    bool isOpen() const { return db_ != nullptr; }
    bool writable() const { return isOpen() && !readOnly_; }
    // The last failure, in words.
    QString error() const { return error_; }

    // A new run of `check` by `origin` ("cli", "window"); 0 when it could not be kept.
    qint64 startRun(const QString& check, const QString& origin);
    bool finishRun(qint64 runId);
    // The last run of `check` by `origin` that did not finish, if any. The window's runs are not the
    // program's to resume: they asked about rows of a grid, not a list.
    std::optional<qint64> lastUnfinishedRun(const QString& check, const QString& origin);
    // The last answer per domain (lower-cased) given in run `runId`.
    QHash<QString, Answer> answersOfRun(qint64 runId);
    // Per domain (lower-cased), the last answer of `check` when it is newer than `since` and not
    // "unknown": what --skip-fresh answers from.
    QHash<QString, Answer> freshAnswers(const QString& check, const QDateTime& since);
    // Every answer from `since` on (all when invalid), oldest first.
    std::vector<Answer> answersSince(const QDateTime& since);

    bool record(const Answer& answer);

private:
    bool exec(const char* sql);
    void fail(const QString& what);

    sqlite3* db_ = nullptr;
    bool readOnly_ = false;
    QString error_;
};

}  // namespace ds::checks::ledger
