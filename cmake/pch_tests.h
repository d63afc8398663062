// Headers most test files include, compiled once per test program (see DROPSCOUT_PCH).
#include <gtest/gtest.h>
#include <httplib.h>

#include <QtTest/QtTest>
#include <QtWidgets/QtWidgets>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>
