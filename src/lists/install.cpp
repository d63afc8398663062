#include "lists/install.h"

namespace ds::lists {

void InstallListsAndNotices(search::Fdomain& form) {
    InstallImportExport(form);
    InstallNotices(form);
    InstallLinks(form);
}

}  // namespace ds::lists
