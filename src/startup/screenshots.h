#pragma once
// Screenshots for documentation and review: with a folder given, the start-up window is saved as
// fload.png once shown, the main window as fdomain.png one second after it shows, and the program then
// quits.
//
// With DROPSCOUT_SHOTS_SCENARIO=checks the program goes on instead of quitting: it runs the filed
// search and the three live checks on the main window, saving fdomain-search.png,
// fdomain-regcheck.png, fdomain-metrics.png and fdomain-filing.png after each; then it hands rows to
// the side windows through the row buttons, saving fwhois.png (a registered row), fip.png (the first
// row), fback.png (the first filed row), and pastes a list into the paste box, saving flist_back.png
// and the main window with the imported rows, fdomain-pasted.png; then the main window's frame in its
// other states, fdomain-inactive.png (behind the whois window), fdomain-maximized.png and
// fdomain-close-pressed.png (its close button held down); and quits. The checks and windows
// need their services (the demo services on loopback) and the demo's name map (HostsFile) to show
// anything but failures.
//
// With DROPSCOUT_SHOTS_SCENARIO=small it runs the filed search once the main window shows, saves the
// whole screen as fdomain-1024x768.png (the script gives it a screen of that size) and quits.
#include <QString>

namespace ds::startup {

inline constexpr char kScreenshotScenarioVariable[] = "DROPSCOUT_SHOTS_SCENARIO";

void WatchForScreenshots(const QString& folder);

}  // namespace ds::startup
