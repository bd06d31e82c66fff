// Whole renders through the document's renderer, fast and full quality.
//
// Frame50: one 1920 x 1080 object of 50 factors (square fills, gradients,
// circles, boxes, lines, a filled path and alpha draws of a 256 x 256 object)
// redrawn each iteration; the aim is under one 16 ms frame in fast mode.
// frame_ratio = time per render / 16 ms (below 1 meets the aim).
//
// Document200: a generated document of 200 objects of 640 x 480, each of 20
// factors of the same families, later objects drawing earlier ones; every
// object is reset and the whole document drawn each iteration.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <random>
#include <string>

#include "document/model/QDXCtrl.h"
#include "raster/surface/sprite/RasterLibrary.h"

namespace {

std::string Hex(uint32_t v) {
    char text[16];
    std::snprintf(text, sizeof text, "%x", v);
    return text;
}

// One factor of the families the benchmark draws; `source` is an object the
// draws may use (empty: none). Shape coordinates are in 1/16 pixel.
std::string Factor(std::mt19937& rng, int32_t w, int32_t h, const std::string& source) {
    auto n = [&rng](int32_t limit) { return std::to_string(int32_t(rng() % uint32_t(limit))); };
    const std::string colour = Hex(rng() & 0xFFFFFF);
    const std::string argb = Hex(0xFF000000u | (rng() & 0xFFFFFF));
    const std::string x = n(w * 16), y = n(h * 16);
    switch (rng() % 8) {
    case 0:
        return "Square(" + n(w * 8) + "," + n(h * 8) + "," + std::to_string(w * 8 + int32_t(rng() % (w * 8))) + "," +
               std::to_string(h * 8 + int32_t(rng() % (h * 8))) + "," + colour + ",200)";
    case 1:
        return "GradationH(" + n(w / 2) + "," + n(h / 2) + "," + std::to_string(w / 2) + "," + std::to_string(h / 2) +
               "," + argb + "," + Hex(0x80000000u | (rng() & 0xFFFFFF)) + ")";
    case 2:
        return "GradationHV(0,0," + std::to_string(w) + "," + std::to_string(h / 3) + "," + argb + "," + argb + ",ff000000," +
               "ffffffff)";
    case 3:
        return "Circle(" + x + "," + y + "," + n(h * 4) + "," + colour + ",180)";
    case 4:
        return "Box(" + n(w * 8) + "," + n(h * 8) + "," + std::to_string(w * 8) + "," + std::to_string(h * 8) + "," +
               n(160) + "," + colour + ",255)";
    case 5:
        return "Line(" + x + "," + y + "," + n(w * 16) + "," + n(h * 16) + "," + n(320) + "," + colour + ",255)";
    case 6: {
        std::string text = "Diagram(" + x + "," + y + "," + colour + ",160,qdxpath(";
        for (int i = 0; i < 6; ++i) text += "Line(" + n(w * 16) + "," + n(h * 16) + "),";
        return text + "CircleCurve(" + n(w * 16) + "," + n(h * 16) + "," + n(w * 16) + "," + n(h * 16) + ",t)))";
    }
    default:
        if (source.empty()) return "Circle(" + x + "," + y + "," + n(h * 4) + "," + colour + ",120)";
        return "Alpha(" + n(w) + "," + n(h) + ",256,256,\"" + source + "\",0,0," + n(256) + ")";
    }
}

std::string Object(std::mt19937& rng, int32_t w, int32_t h, int factors, const std::string& source) {
    std::string text = "Render(" + std::to_string(w) + "," + std::to_string(h) + ",ffffffff,1,1,1,0,array(";
    for (int i = 0; i < factors; ++i) text += (i ? "," : "") + Factor(rng, w, h, source);
    return text + "))";
}

bool Load(CQDXCtrl& doc, const std::string& objects) {
    const std::string text =
        "QDXTextFormat1.2\n[Palette]\nPalette1()\nPalette2()\nPalette4()\n[QDXObject]\n" + objects + "[MetaData]\n";
    return doc.LoadString(text.c_str()) == 0;
}

void BM_Frame50(benchmark::State& state) {
    const bool fast = state.range(0) != 0;
    InitRasterLibrary(1);
    std::mt19937 rng(11);
    CQDXCtrl doc;
    std::string objects = "Sprite=" + Object(rng, 256, 256, 12, "") + "\n";
    objects += "Frame=" + Object(rng, 1920, 1080, 50, "Sprite") + "\n";
    if (!Load(doc, objects)) {
        state.SkipWithError("the document does not load");
        return;
    }
    QDXObject* frame = doc.FindObject("Frame", nullptr, "");
    CStr_base<64> error;
    if (!frame->Render(fast, &error)) {
        state.SkipWithError(error.GetText());
        return;
    }
    double seconds = 0;
    for (auto _ : state) {
        frame->RenderState = QDXObject::kNotDrawn;
        const auto start = std::chrono::steady_clock::now();
        frame->Render(fast, nullptr);
        benchmark::ClobberMemory();
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
    state.counters["frame_ratio"] = seconds / double(state.iterations()) / 0.016;
}
BENCHMARK(BM_Frame50)->ArgName("fast")->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

void BM_Document200(benchmark::State& state) {
    const bool fast = state.range(0) != 0;
    InitRasterLibrary(1);
    std::mt19937 rng(5);
    CQDXCtrl doc;
    std::string objects;
    for (int i = 0; i < 200; ++i) {
        const std::string source = i > 0 ? "O" + std::to_string(int(rng() % uint32_t(i))) : "";
        objects += "O" + std::to_string(i) + "=" + Object(rng, 640, 480, 20, source) + "\n";
    }
    if (!Load(doc, objects)) {
        state.SkipWithError("the document does not load");
        return;
    }
    std::vector<QDXObject*> list;
    for (int i = 0; i < 200; ++i) list.push_back(doc.FindObject(("O" + std::to_string(i)).c_str(), nullptr, ""));
    CStr_base<64> error;
    // Once before timing, so that the canvases exist and their pages are in.
    for (QDXObject* object : list) object->Render(fast, nullptr);
    for (auto _ : state) {
        for (QDXObject* object : list) object->RenderState = QDXObject::kNotDrawn;
        for (QDXObject* object : list) {
            if (!object->Render(fast, &error)) {
                state.SkipWithError(error.GetText());
                return;
            }
        }
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_Document200)->ArgName("fast")->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

}  // namespace
