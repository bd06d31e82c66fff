// The main window's presentation and frame pacing.
//
//   Present1080p/Scaled    the back buffer (1920 x 1080, or 640 x 625 stretched)
//                          shown on a 1920 x 1080 client area, drawn from the
//                          sprite's own memory; vs one memcpy of the same bytes
//                          (the least a present can cost). Aim: under 4 ms.
//   Pacing10s              the real program for 10 s: frames started (aim 625
//                          +/- 2, 62.5 a second) and the p99 of how far a frame
//                          start lies from 16 ms after the one before.
//
// Runs on the offscreen platform unless QT_QPA_PLATFORM says otherwise (under
// xvfb-run, QT_QPA_PLATFORM=xcb includes the X server's share).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "app/dialog/OutlinecrafterDlg.h"
#include "bench/TimeInTurns.h"
#include "platform/qt/QtHostWindow.h"
#include "raster/surface/sprite/RasterLibrary.h"
#include "raster/surface/sprite/SpriteView.h"

namespace {

QApplication& Application() {
    static QApplication* app = [] {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        static char pattern[] = "/tmp/oc-bench-XXXXXX";
        if (const char* dir = mkdtemp(pattern)) setenv("XDG_CONFIG_HOME", dir, 1);
        static int argc = 1;
        static char name[] = "host_present_bench";
        static char* argv[] = {name, nullptr};
        return new QApplication(argc, argv);
    }();
    return *app;
}

void Present(benchmark::State& state, int32_t bufferWidth, int32_t bufferHeight) {
    Application();
    InitRasterLibrary(1);
    platform::QtHostWindow window;
    window.MoveWindow(window.AdjustWindowRect(platform::Rect{0, 0, 1920, 1080}), false);
    window.show();
    QCoreApplication::processEvents();
    platform::Rect client;
    window.GetClientRect(client);
    CSpriteView buffer;
    buffer.Create(bufferWidth, bufferHeight, true);
    for (int32_t i = 0; i < bufferWidth * bufferHeight; ++i) buffer.GetPixels()[i] = 0xFF000000u | (i * 2654435761u);
    std::vector<uint32_t> copy(static_cast<size_t>(client.Width()) * client.Height());
    double presentSeconds = 0;
    double copySeconds = 0;
    bool ok = true;
    bench::TimeInTurns(
        state, [] {},
        [&] {
            ok &= buffer.StretchBltTo(window.GetClientDevice(), 0, 0, client.Width(), client.Height(), 0, 0,
                                      bufferWidth, bufferHeight, platform::SRCCOPY);
        },
        [&] { std::memcpy(copy.data(), buffer.GetPixels(), std::min(copy.size(), size_t(bufferWidth) * bufferHeight) * 4); },
        presentSeconds, copySeconds);
    const double n = static_cast<double>(state.iterations());
    state.counters["present_ms"] = presentSeconds / n * 1e3;
    state.counters["memcpy_ms"] = copySeconds / n * 1e3;
    state.counters["ratio_vs_memcpy"] = presentSeconds / copySeconds;
    state.counters["aim_4ms_met"] = presentSeconds / n < 0.004 ? 1 : 0;
    if (!ok) state.SkipWithError("a present failed");
    state.SetLabel(QString("%1x%2 -> %3x%4").arg(bufferWidth).arg(bufferHeight).arg(client.Width()).arg(client.Height()).toStdString());
}

void BM_Present1080p(benchmark::State& state) { Present(state, 1920, 1080); }
void BM_PresentScaled(benchmark::State& state) { Present(state, 640, 625); }
BENCHMARK(BM_Present1080p)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PresentScaled)->Unit(benchmark::kMillisecond);

// Records when each frame's update starts.
struct TimingScene final : IScene {
    std::vector<std::chrono::steady_clock::time_point> starts;
    void Update() override { starts.push_back(std::chrono::steady_clock::now()); }
};

void BM_Pacing10s(benchmark::State& state) {
    Application();
    for (auto _ : state) {
        platform::QtHostWindow window;
        COutlinecrafterDlg dialog(window);
        TimingScene timing;
        timing.starts.reserve(2000);
        // After the start-up scene is done, time 10.5 s of frames.
        QTimer::singleShot(500, &window, [&] { dialog.PushScene(&timing); });
        QTimer::singleShot(11200, &window, [&] { window.close(); });
        dialog.DoModal();

        const auto& s = timing.starts;
        if (s.size() < 2) {
            state.SkipWithError("no frames");
            return;
        }
        const auto end = s.front() + std::chrono::seconds(10);
        int64_t frames = 0;
        std::vector<double> jitter;
        for (size_t i = 0; i < s.size() && s[i] < end; ++i) {
            ++frames;
            if (i > 0) jitter.push_back(std::abs(std::chrono::duration<double, std::milli>(s[i] - s[i - 1]).count() - 16.0));
        }
        std::sort(jitter.begin(), jitter.end());
        const double p99 = jitter.empty() ? 0 : jitter[std::min(jitter.size() - 1, jitter.size() * 99 / 100)];
        state.counters["frames_in_10s"] = static_cast<double>(frames);
        state.counters["aim_625pm2_met"] = std::abs(frames - 625) <= 2 ? 1 : 0;
        state.counters["p99_jitter_ms"] = p99;
        state.counters["max_jitter_ms"] = jitter.empty() ? 0 : jitter.back();
    }
}
BENCHMARK(BM_Pacing10s)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace
