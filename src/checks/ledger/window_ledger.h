#pragma once
// The main window's check answers go into the same ledger as dropscout-cli's, so that a name
// checked in the window is known to the next morning's script. The composition root names the file;
// until it does (as in tests that build windows), the window keeps no ledger.
#include <QHash>
#include <QString>

#include "checks/engine/check_job.h"
#include "checks/ledger/ledger.h"

namespace ds::checks::ledger {

// Empty: none.
void SetWindowLedgerPath(const QString& path);

// Keeps one answer of the window's registration check (a stopped job is no answer and is not kept).
// False when it could not be kept; the check goes on either way, as the grid has the answer.
bool RecordWindowRegistration(const engine::CheckResult& result);

// Keeps one answer of the window's metrics or filing check for `domain`, with the values as
// dropscout-cli prints them. False when it could not be kept.
bool RecordWindowAnswer(const QString& domain, const QString& check, const QString& verdict, const QString& reason,
                        const QString& source, int httpStatus, const QJsonObject& values);

// The name an answer is kept under: its ASCII form, as dropscout-cli keeps it, so that both find it.
QString LedgerKey(const QString& domain);

// 跳过 N 小时内查过的域名: per LedgerKey, the last registration answer newer than `hours` and not
// unknown (nothing when the window keeps no ledger or `hours` is not above 0).
QHash<QString, Answer> FreshRegistrations(double hours);

// A kept answer as the result the window's check applies to its row: the outcome the verdict stands
// for, and the reason with the time it was given.
engine::CheckResult AsRegistrationResult(const Answer& answer);

}  // namespace ds::checks::ledger
