#pragma once
// What the commands of dropscout-cli share: the options before the command, the exit statuses, the
// database opening and the stop signal.
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

class QCommandLineParser;

namespace ds::cli {

// Exit statuses.
inline constexpr int kExitOk = 0;            // every domain answered
inline constexpr int kExitIncomplete = 1;    // some answers unknown, or not kept
inline constexpr int kExitUsage = 2;         // usage or configuration error
inline constexpr int kExitDatabase = 3;      // the database could not be reached
inline constexpr int kExitInterrupted = 130; // stopped by SIGINT or SIGTERM, the answers so far kept

struct GlobalOptions {
    QString db;      // --db FILE: an embedded database file, instead of the login
    QString ledger;  // --ledger FILE
};

// A line on stderr.
void Say(const QString& line);
// Writes bytes to stdout at once (a reader of the pipe sees every answer as it comes).
void Print(const QByteArray& bytes);

// Parses a command's arguments. An exit status when the command is done already: kExitUsage (with the
// reason and the help on stderr) or kExitOk after printing the help for --help; nothing to go on.
std::optional<int> ParseCommand(QCommandLineParser& parser, const QStringList& args);

// Opens the process-wide database connection: the file of --db, else the login's stored address
// (set.dat in the current folder, refreshed from the address service when unusable). kExitOk, or
// kExitDatabase with the reason said.
int OpenDatabase(const GlobalOptions& global);

// Called (on the main thread, from the event loop) when SIGINT or SIGTERM arrives; a second signal
// ends the program at once.
void OnStopSignal(std::function<void()> handler);
bool StopSignalled();

int RunCheck(const QStringList& args, const GlobalOptions& global);
int RunSearch(const QStringList& args, const GlobalOptions& global);
int RunExport(const QStringList& args, const GlobalOptions& global);

}  // namespace ds::cli
