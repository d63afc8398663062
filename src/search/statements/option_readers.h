#pragma once
// Reads the option controls of the two search tabs by their names. A control that is not there reads
// as its default, so a form with only some of the controls still gives a complete set of options.
#include "search/statements/search_options.h"

class QWidget;

namespace ds::search {

FiledSearchOptions ReadFiledSearchOptions(const QWidget* fdomain);
ExpiredSearchOptions ReadExpiredSearchOptions(const QWidget* fdomain);

}  // namespace ds::search
