#pragma once
// Where the program finds what ships beside it: the data files (share/dropscout) and its helper
// programs (lib/dropscout). Both the installed layout and the build tree are searched; the current
// folder never is, so a stray file in whatever folder the program was started from cannot stand in.
#include <QString>
#include <QStringList>

namespace ds {

// Folders a data file is looked for in, in order: <prefix>/share/dropscout for a program installed as
// <prefix>/bin/dropscout, then the data/ folder of the source tree the program was built from. Only
// absolute folders are listed.
QStringList DataFolderCandidates(const QString& programFolder);

// Paths a helper program is looked for at, in order: <prefix>/lib/dropscout/<name> when installed,
// then beside the program (the build tree keeps every program in one folder).
QStringList HelperProgramCandidates(const QString& programFolder, const QString& name);

// The first candidate folder holding `name`, as an absolute path; empty when none does.
QString FindDataFile(const QString& name, const QStringList& folders);
// The first candidate that is an executable file; empty when none is.
QString FindHelperProgram(const QStringList& candidates);

// The same, for the running program (QCoreApplication::applicationDirPath()).
QString FindDataFile(const QString& name);
QString FindHelperProgram(const QString& name);

}  // namespace ds
