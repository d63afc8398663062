#pragma once
// The registration status check of the main window: asks the whois web service about each grid row
// still shown as free, writes the answer into the status column and, for a domain that was due for
// deletion but is registered again, corrects its row in the domain table.
#include <QString>

namespace ds::search {
class Fdomain;
}

namespace ds::checks {

inline constexpr char16_t RegBusyText[] = u"正在读取获取即时注册信息，请稍候";
// Told when the run is over and some corrections of the domain table could not be saved (a locked or
// read-only database); %1 is how many, the database's own reason follows.
inline constexpr char16_t WriteBackFailedText[] = u"注册状态查询已完成，但有 %1 个域名的注册状态未能写入数据库：";
// The charset whois answers are read in.
inline constexpr char16_t WhoisCharset[] = u"GB2312";

// One pass over the grid: pass 0 visits rows shown as "未注册" and then runs pass 1, which retries the
// rows left "超时". Write-backs that failed are told in one message at the end. `table` is the domain table of the pressed button; with `writeBack` false nothing
// is ever sent to the database (rows of an imported list have no table).
void CheckRegStatus(search::Fdomain& form, int pass, const QString& table, bool writeBack = true);

// The buttons lregshow(0..2). A click while a check is already running is ignored: the running check
// keeps going, and a second one inside it would fetch the same rows twice.
void lregshow_Click(search::Fdomain& form, int index);

// True while a registration check runs on `form`.
bool IsRegCheckRunning(const search::Fdomain& form);

}  // namespace ds::checks
