#pragma once
// Wires the live checks (registration status, site metrics, ICP filing) to the main window's buttons.
namespace ds::search {
class Fdomain;
}

namespace ds::checks {

void InstallLiveChecks(search::Fdomain& form);

// Each check installs its own buttons (defined beside the check).
void InstallRegistrationCheck(search::Fdomain& form);  // lregshow(0..2)
void InstallFilingCheck(search::Fdomain& form);        // lbackshow(0)
void InstallSiteMetricsCheck(search::Fdomain& form);   // lgetshow(0..2)

}  // namespace ds::checks
