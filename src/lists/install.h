#pragma once
// Wires the lists, notices and links to the main window's buttons, menu entries and timer.
namespace ds::search {
class Fdomain;
}

namespace ds::lists {

void InstallListsAndNotices(search::Fdomain& form);

// Each part installs its own controls (defined beside it).
void InstallImportExport(search::Fdomain& form);  // lintxt, laddnewrow, ltxt
void InstallNotices(search::Fdomain& form);       // showpricelist, showpromlist, lpromlist, goprom, Timer1, ladtext, Pushshowbacklist
void InstallLinks(search::Fdomain& form);         // link buttons, menu entries, lregist, hover cursor

}  // namespace ds::lists
