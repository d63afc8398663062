// Test entry: a real QApplication on the offscreen platform, so widgets can be created and driven.
#include <QApplication>
#include <gtest/gtest.h>

#include "app/features.h"
#include "ui/application.h"

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    ds::ui::Application app(argc, argv);
    // As the program does: every main window a test builds hosts the checks, tools and lists.
    ds::app::InstallFeaturesInEveryMainWindow();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
