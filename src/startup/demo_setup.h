#pragma once
// The offline demo: a generated SQLite database in a folder and a settings file whose stored address
// points at it, so that 开始登录 works without the address service; the demo's dropscout.ini and name
// map, and the demo services on loopback for the session, so the live checks work offline too.
#include <QDate>
#include <QProcess>
#include <QString>

namespace ds::startup {

inline constexpr const char* kDemoDatabaseName = "dropscout-demo.db";

// The address payload for a database file (both network variants name the same file).
QString DemoPayload(const QString& databasePath);

// Creates "dropscout-demo.db" in `folder` unless it exists, and stores its address in `folder`/set.dat
// unless that already holds exactly this address. Throws (DbError, StartupError) on failure.
void PrepareDemoFolder(const QString& folder, const QDate& today);

// The shipped template of the demo's dropscout.ini (a data file, see core/install_paths.h).
inline constexpr const char* kDemoSettingsTemplate = "demo.ini";

// Shipped beside the template and named by it: the registry route's bootstrap and whois table, which
// send the demo's names to its RDAP and port-43 servers on loopback.
inline constexpr const char* kDemoCompanionFiles[] = {"demo_rdap_dns.json", "demo_whois_servers.txt"};

// Writes `folder`/dropscout.ini from the template when there is none. One the user has edited is left
// alone, but one from an older demo gains the keys it lacks, as long as it has no [sections] (after
// which an appended key would land in the last one). The companion files are copied into `folder` from
// the template's folder unless there already. Throws StartupError when a shipped file cannot be read or
// a file cannot be written.
void PrepareDemoSettings(const QString& folder, const QString& templatePath);

// The demo services (dropscout_demo_services) for one session of the program: start() writes the
// demo's name map (hosts.txt, named by the demo's HostsFile) from the database and starts the services
// as a child process, which ends with this object, or with the program should it die first.
class DemoServicesSession {
public:
    DemoServicesSession() = default;
    DemoServicesSession(const DemoServicesSession&) = delete;
    DemoServicesSession& operator=(const DemoServicesSession&) = delete;
    ~DemoServicesSession();

    // `program` is the services program, `folder` the demo folder holding the database. Returns false
    // with a reason in `note` when the name map could not be written or the services did not start
    // (usually because another demo session's services hold the ports; their answers are the same).
    bool start(const QString& program, const QString& folder, QString* note);
    bool running() const { return process_.state() != QProcess::NotRunning; }
    void stop();

private:
    QProcess process_;
};

}  // namespace ds::startup
