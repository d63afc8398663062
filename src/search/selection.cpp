#include "search/selection.h"

namespace ds::search {

QStringList SelectionEntries() {
    return {
        QStringLiteral("<TextBlock>全<Run  FontWeight='Bold'>选</Run></TextBlock>"),
        QStringLiteral("<TextBlock>全<Run  FontWeight='Bold'>不选</Run></TextBlock>"),
        QStringLiteral("<TextBlock>选择<Run  FontWeight='Bold'>未注册域名</Run></TextBlock>"),
        QStringLiteral("<TextBlock>选择<Run  FontWeight='Bold'>将过期域名</Run></TextBlock>"),
        QStringLiteral("<TextBlock>选择<Run  FontWeight='Bold'>已备案域名</Run></TextBlock>"),
    };
}

bool IsSelectionCommand(int command) { return command >= 0 && command < SelectionCommandCount; }

QString SelectionMark(int command, const SelectionRow& row) {
    // Rows without a "." in the domain cell are empty or typed-in rows: no command but "select all"
    // marks them.
    const bool isDomain = row.domain.contains(u'.');
    bool selected = false;
    switch (command) {
    case SelectAll: selected = true; break;
    case SelectNone: selected = false; break;
    case SelectUnregistered: selected = isDomain && row.status == u"未注册"; break;
    case SelectExpiring: selected = isDomain && row.status == u"将过期"; break;
    // A real filing number ("京ICP备05001234号") is never shorter than six characters; shorter texts
    // are placeholders such as "未备案" or leftovers.
    case SelectFiled: selected = isDomain && row.filingNumber.size() >= 6; break;
    default: return {};
    }
    return selected ? QStringLiteral("1") : QStringLiteral("0");
}

}  // namespace ds::search
