#pragma once
// The keyword index on the names of ldomainreg and ldomainhis (a trigram index, the "-- @name-index"
// section of data/schema_sqlite.sql): building it, finding it on a connection, and deciding per
// statement whether a keyword search runs through it. Without it every search runs as written, only
// slower, so each step here gives up quietly rather than fail the open or the search.
#include <QString>
#include <QStringList>
#include <functional>

struct sqlite3;

namespace ds::db {

struct NameSearchForms;

// Progress of filling the name index: `done` of `total` rows. Called on the opening thread before the
// first rows, between batches and at the end; it may let the window handle events (nothing else can
// reach a connection that is still being opened).
using BuildProgress = std::function<void(qint64 done, qint64 total)>;

// The handler every later open of a file without the index reports to; returns the one it replaces.
// Empty for none.
BuildProgress SetBuildProgressHook(BuildProgress hook);

// True when this SQLite has FTS5 with the trigram tokenizer (3.34 and later, built with FTS5).
bool NameIndexSupported(sqlite3* db);

// Creates the index and its triggers on a database holding both domain tables and fills it from them,
// all in one savepoint; false, with the file left as it was, when that cannot be done (no trigram
// tokenizer, a read-only or locked file, a table missing).
bool BuildNameIndex(sqlite3* db, const BuildProgress& progress = {});

// On opening a file made before the index existed: builds it, reporting to the installed hook, and
// refreshes the planner's statistics, which such files lack or hold only from samples. Does nothing on
// a file that has the index, or that cannot be written.
void EnsureNameIndex(sqlite3* db);

// The domain tables whose index this connection can use: it exists with all three triggers (without
// them it could have fallen behind the table) and this SQLite can read it.
QStringList NameIndexedTables(sqlite3* db);

enum class NameSearchForm { Plain, Driving, Filtering };

struct NameSearchChoice {
    NameSearchForm form = NameSearchForm::Plain;
    QString sql;
};

// Which of the forms to run. A rewritten form is taken only when the engine's plans show it returns the
// rows in the order the plain statement would, which makes the answers identical:
//   driving    when both plans read the table in rowid order (a scan, or an index searched by equality
//              only), each with the same sort after it or none;
//   filtering  when its plan is the plain plan itself;
// and neither when the plain plan can stop at the row limit early and the keyword is so common that
// scanning reaches the limit sooner than the index lists every match.
NameSearchChoice ChooseNameSearch(sqlite3* db, const NameSearchForms& forms);

}  // namespace ds::db
