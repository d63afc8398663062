// Headers most files of the core library include, compiled once per build (see DROPSCOUT_PCH).
#include <QtCore/QtCore>

#include <algorithm>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>
