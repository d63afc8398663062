// Temporary: replaced by the registration and filing checks.
#include "checks/install.h"

namespace ds::checks {
void InstallRegistrationCheck(search::Fdomain&) {}
void InstallFilingCheck(search::Fdomain&) {}
}  // namespace ds::checks
