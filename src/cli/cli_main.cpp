// dropscout-cli: searches, checks and the ledger's export without a window. QtCore only.
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSocketNotifier>
#include <csignal>
#include <cstdio>
#include <unistd.h>

#include "cli/cli_program.h"
#include "core/config.h"
#include "db/db_error.h"
#include "db/shared_objects.h"
#include "net/fetch.h"
#include "startup/address_code.h"
#include "startup/address_store.h"
#include "startup/startup_error.h"

namespace ds::cli {
namespace {

int g_signalPipe[2] = {-1, -1};
volatile sig_atomic_t g_signalled = 0;
volatile sig_atomic_t g_orderlyStop = 0;  // a command that keeps its answers on a stop is running
std::function<void()>& StopHandler() {
    static std::function<void()> handler;
    return handler;
}

void HandleSignal(int) {
    // Nothing to keep (a search, an export, a list still being read): the program ends at once.
    if (!g_orderlyStop) ::_exit(130);
    // The first signal asks for an orderly stop (answers so far kept); a second one, from someone
    // who will not wait, ends the program with the default action.
    if (g_signalled) {
        std::signal(SIGINT, SIG_DFL);
        std::signal(SIGTERM, SIG_DFL);
        ::raise(SIGTERM);
        return;
    }
    g_signalled = 1;
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(g_signalPipe[1], &byte, 1);
}

void InstallSignals(QCoreApplication& app) {
    if (::pipe(g_signalPipe) != 0) return;
    auto* notifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, &app);
    QObject::connect(notifier, &QSocketNotifier::activated, &app, [] {
        char byte = 0;
        [[maybe_unused]] const ssize_t n = ::read(g_signalPipe[0], &byte, 1);
        if (StopHandler()) StopHandler()();
    });
    struct sigaction action {};
    action.sa_handler = HandleSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

const char* kUsage =
    "Usage: dropscout-cli [--db FILE] [--ledger FILE] COMMAND ...\n"
    "\n"
    "Commands:\n"
    "  search filed|expired   the rows a search of that tab gives (csv or jsonl)\n"
    "  check registration|metrics|filing\n"
    "                         live checks of a list of domains, one JSON line per answer\n"
    "  export --from-ledger   the answers kept in the ledger\n"
    "\n"
    "Options:\n"
    "  --db FILE      an embedded database file instead of the login's stored address\n"
    "  --ledger FILE  the check ledger (default: ledger.db in the user's data folder)\n"
    "  -h, --help     this text; COMMAND --help tells a command's options\n"
    "  --version      the program's version\n"
    "\n"
    "Exit status: 0 every domain answered, 1 some answers unknown or not kept, 2 usage or\n"
    "configuration error, 3 the database could not be reached, 130 stopped by SIGINT or SIGTERM.\n";

}  // namespace

void Say(const QString& line) {
    const QByteArray bytes = line.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
    std::fflush(stderr);
}

void Print(const QByteArray& bytes) {
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    std::fflush(stdout);
}

std::optional<int> ParseCommand(QCommandLineParser& parser, const QStringList& args) {
    if (!parser.parse(args)) {
        Say(u"error: " + parser.errorText() + u"\n\n" + parser.helpText());
        return kExitUsage;
    }
    if (parser.isSet(QStringLiteral("help"))) {
        Print(parser.helpText().toUtf8());
        return kExitOk;
    }
    return std::nullopt;
}

void OnStopSignal(std::function<void()> handler) {
    g_orderlyStop = handler ? 1 : 0;
    StopHandler() = std::move(handler);
}
bool StopSignalled() { return g_signalled != 0; }

int OpenDatabase(const GlobalOptions& global) {
    db::NewDbObjects();
    if (!global.db.isEmpty()) {
        // An embedded file that is not there would be created empty by the open: say so instead.
        if (!QFileInfo::exists(global.db)) {
            Say(QStringLiteral("error: database file %1 does not exist").arg(global.db));
            return kExitDatabase;
        }
        try {
            db::DbConn().open(QStringLiteral("Provider=SQLite;Data Source=") + global.db);
            return kExitOk;
        } catch (const db::DbError& e) {
            Say(QStringLiteral("error: cannot open database %1: %2").arg(global.db, e.description()));
            return kExitDatabase;
        }
    }
    // The login without its window: the stored address of set.dat, the network it last used, one
    // fresh address from the service when the stored one is unusable or does not open.
    const QString settingsFile = QStringLiteral("set.dat");
    QString payload;
    int network = 0;
    QString lastError;
    try {
        const startup::StoredAddress stored = startup::LoadAddress(settingsFile, config().codePage);
        payload = stored.payload;
        network = stored.record.field(startup::kNetworkField) == u"lt" ? 1 : 0;
    } catch (const startup::StartupError& e) {
        lastError = e.description();
    }
    const auto fetchFresh = [&] {
        const QString answer = net::GetBody(config().addressServiceUrl + QStringLiteral("/geturl/dataurl.asp?checkin=") +
                                                config().checkinToken,
                                            QStringLiteral("gb2312"));
        if (!answer.contains(QStringLiteral("|data|"))) {
            lastError = QStringLiteral("the address service gave no database address");
            return;
        }
        try {
            payload = startup::StoreAnswer(settingsFile, answer, config().codePage).payload;
        } catch (const startup::StartupError& e) {
            lastError = e.description();
        }
    };
    const auto tryOpen = [&] {
        if (!startup::IsUsablePayload(payload)) return false;
        try {
            db::ConnString = startup::ChooseVariant(payload, network);
            db::DbConn().open(db::ConnString);
            return true;
        } catch (const db::DbError& e) {
            lastError = e.description();
            return false;
        }
    };
    if (!startup::IsUsablePayload(payload)) fetchFresh();
    if (tryOpen()) return kExitOk;
    fetchFresh();
    if (tryOpen()) return kExitOk;
    Say(QStringLiteral("error: the database could not be reached (set.dat in %1, or --db FILE): %2")
            .arg(QDir::currentPath(), lastError.isEmpty() ? QStringLiteral("no usable address") : lastError));
    return kExitDatabase;
}

}  // namespace ds::cli

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("DropScout"));
    ds::SetConfig(ds::LoadConfig(ds::DefaultConfigPath()));
    ds::cli::InstallSignals(app);

    using namespace ds::cli;
    GlobalOptions global;
    const QStringList args = QCoreApplication::arguments();
    int at = 1;
    for (; at < args.size(); ++at) {
        const QString& a = args[at];
        const auto value = [&](const QString& name, QString& into) {
            if (a == name) {
                if (at + 1 >= args.size()) return false;
                into = args[++at];
                return true;
            }
            into = a.mid(name.size() + 1);
            return true;
        };
        if (a == u"-h" || a == u"--help") {
            Print(kUsage);
            return kExitOk;
        } else if (a == u"--version") {
            Print("dropscout-cli " DROPSCOUT_VERSION "\n");
            return kExitOk;
        } else if (a == u"--db" || a.startsWith(u"--db=")) {
            if (!value(QStringLiteral("--db"), global.db) || global.db.isEmpty()) {
                Say(QStringLiteral("error: --db needs a file"));
                return kExitUsage;
            }
        } else if (a == u"--ledger" || a.startsWith(u"--ledger=")) {
            if (!value(QStringLiteral("--ledger"), global.ledger) || global.ledger.isEmpty()) {
                Say(QStringLiteral("error: --ledger needs a file"));
                return kExitUsage;
            }
        } else if (a.startsWith(u'-')) {
            Say(QStringLiteral("error: unknown option %1\n").arg(a) + QString::fromLatin1(kUsage));
            return kExitUsage;
        } else {
            break;
        }
    }
    if (at >= args.size()) {
        Say(QStringLiteral("error: no command\n") + QString::fromLatin1(kUsage));
        return kExitUsage;
    }
    const QString command = args[at];
    // A command's own parser sees the program's name and the words after the command.
    const QStringList rest = QStringList{args[0] + u' ' + command} + args.mid(at + 1);
    if (command == u"check") return RunCheck(rest, global);
    if (command == u"search") return RunSearch(rest, global);
    if (command == u"export") return RunExport(rest, global);
    Say(QStringLiteral("error: unknown command %1\n").arg(command) + QString::fromLatin1(kUsage));
    return kExitUsage;
}
