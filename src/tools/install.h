#pragma once
// Puts the side windows (whois, domain and IP, filing, paste list) behind the main window's grid
// double-click, its row buttons and the paste-list button.
namespace ds::search {
class Fdomain;
}

namespace ds::tools {

class Fwhois;
class Fip;
class fback;
class flist_back;

void InstallSideTools(search::Fdomain& form);

// The side windows of a main window, created on first use; nullptr before that.
Fwhois* WhoisWindowOf(const search::Fdomain& form);
Fip* IpWindowOf(const search::Fdomain& form);
fback* FilingWindowOf(const search::Fdomain& form);
flist_back* PasteListOf(const search::Fdomain& form);

}  // namespace ds::tools
