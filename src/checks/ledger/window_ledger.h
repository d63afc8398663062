#pragma once
// The main window's registration answers go into the same ledger as dropscout-cli's, so that a name
// checked in the window is known to the next morning's script. The composition root names the file;
// until it does (as in tests that build windows), the window keeps no ledger.
#include <QString>

#include "checks/engine/check_job.h"

namespace ds::checks::ledger {

// Empty: none.
void SetWindowLedgerPath(const QString& path);

// Keeps one answer of the window's registration check (a stopped job is no answer and is not kept).
// False when it could not be kept; the check goes on either way, as the grid has the answer.
bool RecordWindowRegistration(const engine::CheckResult& result);

}  // namespace ds::checks::ledger
