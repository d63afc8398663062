// The skinned frame's paint time for a 1600 × 1000 window: the frame alone into an off-screen image,
// and a whole repaint of a skinned empty window (client background, frame and the copy to the
// window's backing store) on the offscreen platform.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QWidget>

#include "skin/form_skins.h"
#include "skin/frame_painter.h"
#include "skin/skinned_frame.h"

namespace {

using namespace ds::skin;

void BM_FramePaint(benchmark::State& state) {
    const int w = int(state.range(0)), h = int(state.range(1));
    FramePainter painter;
    painter.setPictures(picResource(6), picResource(7));
    const FrameSettings s = FormFrameSettings();
    FrameState st;
    st.width = w;
    st.height = h;
    st.buttons = LayoutButtons(w, s, painter.sizes(), LayoutCaption(w, s, painter.sizes(), 0), true, true, true);
    // The format of a window's backing store on X11 and offscreen.
    QImage target(w, h, QImage::Format_RGB32);
    for (auto _ : state) {
        QPainter p(&target);
        painter.paint(p, s, st);
        p.end();
        benchmark::DoNotOptimize(target.constBits());
    }
}
BENCHMARK(BM_FramePaint)->Args({1600, 1000})->Args({1024, 768})->Unit(benchmark::kMicrosecond);

void BM_SkinnedWindowRepaint(benchmark::State& state) {
    QWidget window;
    window.setGeometry(0, 0, 1600, 1000);
    Set_Skin(window);
    window.show();
    QCoreApplication::processEvents();
    for (auto _ : state) {
        window.repaint();
    }
    state.counters["frame_margins"] = window.contentsMargins().top();
}
BENCHMARK(BM_SkinnedWindowRepaint)->Unit(benchmark::kMicrosecond);

void BM_PlainWindowRepaint(benchmark::State& state) {
    QWidget window;
    window.setGeometry(0, 0, 1600, 1000);
    window.show();
    QCoreApplication::processEvents();
    for (auto _ : state) window.repaint();
}
BENCHMARK(BM_PlainWindowRepaint)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
