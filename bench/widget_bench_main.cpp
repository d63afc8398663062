// Entry of the benchmarks that drive real widgets: a QApplication on the offscreen platform unless
// another is asked for.
#include <benchmark/benchmark.h>

#include <QApplication>

#include "app/features.h"

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ds::app::InstallFeaturesInEveryMainWindow();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
