// Temporary: replaced by the site metrics check.
#include "checks/install.h"

namespace ds::checks {
void InstallSiteMetricsCheck(search::Fdomain&) {}
}  // namespace ds::checks
