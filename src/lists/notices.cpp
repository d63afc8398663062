#include "lists/install.h"

namespace ds::lists {

void InstallNotices(search::Fdomain&) {}

}  // namespace ds::lists
