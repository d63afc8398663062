#include "lists/install.h"

namespace ds::lists {

void InstallImportExport(search::Fdomain&) {}

}  // namespace ds::lists
