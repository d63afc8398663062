#pragma once
// The ICP filing check of the main window: fills the filing columns of every grid row from the
// filing table ldomainback.
namespace ds::search {
class Fdomain;
}

namespace ds::checks {

inline constexpr char16_t FilingBusyText[] = u"正在读取备案数据,请稍候";
// The database's description follows it.
inline constexpr char16_t FilingFailureText[] = u"有错误发生，请重试：";
inline constexpr char16_t NotFiledText[] = u"未备案";

// Runs over every row present when it starts. A database failure ends the run with a message; rows
// already done keep their new cells. A click while a run is in progress is ignored.
void CheckFiling(search::Fdomain& form);

}  // namespace ds::checks
