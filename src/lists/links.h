#pragma once
// The buttons and menu entries that leave the program: the operator's pages, mail and QQ, the help
// page, the registrar's page for the current row (with the domain on the clipboard), and the hand
// pointer over the link buttons.
namespace ds::search {
class Fdomain;
}

namespace ds::lists {

void lregist_Click(search::Fdomain& form);

}  // namespace ds::lists
