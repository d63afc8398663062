#include "checks/install.h"

namespace ds::checks {

void InstallLiveChecks(search::Fdomain& form) {
    InstallRegistrationCheck(form);
    InstallFilingCheck(form);
    InstallSiteMetricsCheck(form);
}

}  // namespace ds::checks
