#pragma once
// Screenshots for documentation and review: with a folder given, the start-up window is saved as
// fload.png once shown, the main window as fdomain.png one second after it shows, and the program then
// quits.
#include <QString>

namespace ds::startup {

void WatchForScreenshots(const QString& folder);

}  // namespace ds::startup
