// Headers most files of the windows library include, compiled once per build (see DROPSCOUT_PCH).
#include <QtWidgets/QtWidgets>

#include <algorithm>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>
