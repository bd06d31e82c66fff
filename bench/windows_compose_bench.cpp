// Window manager: hit testing and focus changes in a tree of 1,000 windows;
// reference: the frame budget of 60 frames per second (16.7 ms). Composition
// figures wait for the windows' caches (their Paint does not draw yet).
#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "raster/surface/sprite/DrawMode.h"
#include "raster/surface/sprite/RasterLibrary.h"
#include "windows/WndMgr.h"

namespace {

struct Tree {
    CQRKWndMgr mgr;
    std::vector<std::unique_ptr<IQRKWnd>> windows;
    Tree() {
        InitRasterLibrary(1);
        mgr.SetScreenSize(1920, 1080);
        // 100 top-level windows with 9 children each, spread over the screen.
        for (int i = 0; i < 100; ++i) {
            auto top = std::make_unique<IQRKWnd>();
            top->NewWindow((i % 10) * 190, (i / 10) * 100, 180, 90, &mgr, nullptr, kQRKLinkTopLevel,
                           draw_mode::Code(draw_mode::kCopy), 0, true, 255);
            IQRKWnd* parent = top.get();
            windows.push_back(std::move(top));
            for (int j = 0; j < 9; ++j) {
                auto child = std::make_unique<IQRKWnd>();
                child->NewWindow(j * 20, 10, 16, 16, &mgr, parent, kQRKLinkChild, draw_mode::Code(draw_mode::kCopy), 0,
                                 true, 255);
                windows.push_back(std::move(child));
            }
        }
    }
    ~Tree() {
        for (auto& w : windows) w->Close();
    }
};

void BM_FindWindowAt1000(benchmark::State& state) {
    Tree tree;
    int32_t i = 0;
    for (auto _ : state) {
        // Points over the lowest top-level window: the search visits every
        // window above it and their children first.
        benchmark::DoNotOptimize(tree.mgr.FindWindowAt(170 + (i & 7), 80 + (i & 7)));
        ++i;
    }
}
BENCHMARK(BM_FindWindowAt1000);

void BM_SetFocusWindow1000(benchmark::State& state) {
    Tree tree;
    size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(tree.mgr.SetFocusWindow(tree.windows[i % tree.windows.size()].get()));
        i += 37;
    }
}
BENCHMARK(BM_SetFocusWindow1000);

}  // namespace
