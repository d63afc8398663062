#pragma once
// The composition root's wiring of the features a main window hosts: the live checks, the side tools,
// the lists and notices. The search window knows none of them; it runs the installer it is given.
namespace ds::search {
class Fdomain;
}

namespace ds::app {

// Installs the checks, tools and lists into `form`; a second call on the same window does nothing.
void InstallFeatures(search::Fdomain& form);

// Makes every main window made from now on get InstallFeatures while it is built.
void InstallFeaturesInEveryMainWindow();

}  // namespace ds::app
