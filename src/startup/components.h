#pragma once
// The first-run component check. On this platform the runtime pieces the program needs are the Qt
// platform plugins, the SQLite library and the FreeTDS ODBC driver (which unixODBC must also know by
// name). Missing pieces are copied from the "setup" folder beside the program; one message reports what
// could not be provided. The lists are data so that the check can run against any folders.
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

namespace ds::startup {

// A component that must also be registered: an ODBC driver library, known to unixODBC as `driverName`.
struct RegisteredComponent {
    QString name;
    QString driverName;
};

struct ComponentLists {
    QString systemFolder;  // where the components belong; named in the message
    QString setupFolder;   // copies come from here (same relative names)
    QStringList copyOnly;  // names relative to systemFolder (files or folders), in checking order
    std::vector<RegisteredComponent> copyAndRegister;
    QString odbcDriversIni;  // unixODBC's driver list
    QString templateFolder;  // where the driver description for odbcinst is written
};

// The lists this build needs, with the setup folder inside `programFolder`.
ComponentLists DefaultComponentLists(const QString& programFolder);

struct ComponentHooks {
    std::function<void()> yield;
    std::function<void(const QString& program, const QStringList& arguments)> startCommand;
};

// The path of `relativeName` below `folder`, each part matched without regard to letter case; empty
// when some part is absent.
QString FindComponent(const QString& folder, const QString& relativeName);

// Whether the drivers list has a section named `driverName` (letter case ignored).
bool DriverRegistered(const QString& odbcDriversIni, const QString& driverName);

// Runs the check; returns true when every component is present afterwards.
bool CheckComponentLists(const ComponentLists& lists, const ComponentHooks& hooks);

// The one message shown when something is still missing.
QString MissingComponentsMessage(const QString& systemFolder);

}  // namespace ds::startup
