#include "app/features.h"

#include "checks/install.h"
#include "lists/install.h"
#include "search/fdomain.h"
#include "tools/install.h"

namespace ds::app {

void InstallFeatures(search::Fdomain& form) {
    static const QString marker = QStringLiteral("featuresInstalled");
    if (form.findChild<QObject*>(marker, Qt::FindDirectChildrenOnly)) return;
    (new QObject(&form))->setObjectName(marker);
    checks::InstallLiveChecks(form);
    tools::InstallSideTools(form);
    lists::InstallListsAndNotices(form);
}

void InstallFeaturesInEveryMainWindow() { search::Fdomain::SetFeatureInstaller(InstallFeatures); }

}  // namespace ds::app
