#include "lists/install.h"

namespace ds::lists {

void InstallLinks(search::Fdomain&) {}

}  // namespace ds::lists
