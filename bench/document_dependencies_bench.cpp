// Dependency walks and invalidation.
//
//   InvalidateDependents on 1000 objects, every object drawn before each call:
//     chain   (object i draws object i - 1; the first changed: 999 resets)
//     fan-out (999 objects draw one; that one changed: 999 resets)
//   against resetting name by name (every object tested against every reset
//   name, recursing at once), the plain reading of the operation.
//   Aim: < 1 ms per call (counter "ms"); "speed" = name-by-name time / ours.
//
//   The walks (DependsOn of a name that is nowhere, so the whole relation is
//   walked; CollectReferences) on ghost chains: object i holds two GhostObject
//   factors naming object i - 1 and a copy of an object of its own. A walk
//   bounded by depth alone makes 2^n calls for n levels; these must grow
//   linearly: "per_level" (seconds) stays flat as the levels grow. The self-ghosting
//   object (two GhostObject factors naming itself, template names swapped) is
//   the same at one object.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <vector>

#include "document/model/QDXCtrl.h"

namespace {

void AddObject(CQDXCtrl& doc, const std::string& name, const std::vector<std::string>& factors) {
    std::string text = "Render(1,1,0,array(";
    for (size_t i = 0; i < factors.size(); ++i) {
        if (i != 0) text += ',';
        text += factors[i];
    }
    text += "))";
    if (!doc.AddObjectFromText(name.c_str(), text.c_str())) std::abort();
}

// Texts are built by appending only (GCC 12 warns falsely on "literal" + string at -O3).
std::string Named(const char* prefix, int i) {
    std::string name(prefix);
    name += std::to_string(i);
    return name;
}

std::string Copy(const std::string& source) {
    std::string text("Copy(0,0,16,16,\"");
    text += source;
    text += "\",0,0)";
    return text;
}

std::string Ghost(const std::string& source) {
    std::string text("GhostObject(\"");
    text += source;
    text += "\",\"_Template2\",\"_Template1\",\"\",\"\")";
    return text;
}

void BuildChain(CQDXCtrl& doc, int count) {
    AddObject(doc, "A0", {"Fill(0,0,16,16,ff,255)"});
    for (int i = 1; i < count; ++i)
        AddObject(doc, Named("A", i), {"Fill(0,0,16,16,ff,255)", Copy(Named("A", i - 1))});
}

void BuildFanOut(CQDXCtrl& doc, int count) {
    AddObject(doc, "A0", {"Fill(0,0,16,16,ff,255)"});
    for (int i = 1; i < count; ++i) AddObject(doc, Named("A", i), {"Fill(0,0,16,16,ff,255)", Copy("A0")});
}

std::vector<QDXObject*> VectorObjects(CQDXCtrl& doc) {
    std::vector<QDXObject*> out;
    doc.Objects.ForEach([&](const char*, QDXObject& o) {
        if (o.Kind == QDXObject::kVector) out.push_back(&o);
    });
    return out;
}

bool ResetNameByName(CQDXCtrl& doc, const char* name) {
    bool any = false;
    doc.Objects.ForEach([&](const char* key, QDXObject& object) {
        if (object.InvalidateIfDependsOn(name)) {
            any = true;
            ResetNameByName(doc, key);
        }
    });
    return any;
}

double Seconds(std::chrono::steady_clock::duration d) { return std::chrono::duration<double>(d).count(); }

void BM_InvalidateDependents(benchmark::State& state) {
    CQDXCtrl doc;
    if (state.range(0) == 0)
        BuildChain(doc, 1000);
    else
        BuildFanOut(doc, 1000);
    const std::vector<QDXObject*> objects = VectorObjects(doc);
    auto drawAll = [&] {
        for (QDXObject* o : objects) o->RenderState = QDXObject::kDrawn;
    };
    double ours = 0, reference = 0;
    int64_t calls = 0;
    for (auto _ : state) {
        for (int turn = 0; turn < 2; ++turn) {
            const bool oursFirst = (calls & 1) == 0;
            const bool runOurs = (turn == 0) == oursFirst;
            drawAll();
            const auto start = std::chrono::steady_clock::now();
            const bool any = runOurs ? doc.InvalidateDependents("A0") : ResetNameByName(doc, "A0");
            const auto took = Seconds(std::chrono::steady_clock::now() - start);
            benchmark::DoNotOptimize(any);
            (runOurs ? ours : reference) += took;
        }
        ++calls;
        state.SetIterationTime(ours / static_cast<double>(calls));
    }
    state.counters["ms"] = ours / static_cast<double>(calls) * 1e3;
    state.counters["reference_ms"] = reference / static_cast<double>(calls) * 1e3;
    state.counters["speed"] = reference / ours;
    state.counters["aim_ms"] = 1.0;
}
// A fixed count: the name-by-name reference takes tens of milliseconds a call.
BENCHMARK(BM_InvalidateDependents)
    ->Arg(0)
    ->Arg(1)
    ->ArgNames({"fanout"})
    ->UseManualTime()
    ->Iterations(40)
    ->Unit(benchmark::kMicrosecond);

// Seconds per level and call: flat when the walk grows linearly.
benchmark::Counter PerLevel(int levels) {
    return benchmark::Counter(static_cast<double>(levels),
                              benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// Levels 1..n: object Gi ghosts G(i-1) twice and copies Ci.
void BuildGhostChain(CQDXCtrl& doc, int levels) {
    AddObject(doc, "G0", {Copy("C0")});
    for (int i = 1; i <= levels; ++i) {
        const std::string previous = Named("G", i - 1);
        AddObject(doc, Named("G", i), {Ghost(previous), Ghost(previous), Copy(Named("C", i))});
    }
}

void BM_DependsOnGhostChain(benchmark::State& state) {
    const int levels = static_cast<int>(state.range(0));
    CQDXCtrl doc;
    BuildGhostChain(doc, levels);
    QDXObject& top = doc.Objects.Find(Named("G", levels).c_str())->GetValue();
    for (auto _ : state) benchmark::DoNotOptimize(top.DependsOn("Nowhere", true));
    state.counters["per_level"] = PerLevel(levels);
}
BENCHMARK(BM_DependsOnGhostChain)->Arg(12)->Arg(25)->Arg(50)->Arg(100)->Unit(benchmark::kMicrosecond);

void BM_CollectReferencesGhostChain(benchmark::State& state) {
    const int levels = static_cast<int>(state.range(0));
    CQDXCtrl doc;
    BuildGhostChain(doc, levels);
    QDXObject& top = doc.Objects.Find(Named("G", levels).c_str())->GetValue();
    CMapSingle<const char*, 64, 32> map;
    for (auto _ : state) {
        map.RemoveAll();
        top.CollectReferences(map, false);
        benchmark::DoNotOptimize(map.GetCount());
    }
    state.counters["names"] = static_cast<double>(map.GetCount());
    state.counters["per_level"] = PerLevel(levels);
}
BENCHMARK(BM_CollectReferencesGhostChain)->Arg(12)->Arg(25)->Arg(50)->Arg(100)->Unit(benchmark::kMicrosecond);

void BM_SelfGhost(benchmark::State& state) {
    CQDXCtrl doc;
    AddObject(doc, "S", {Ghost("S"), Ghost("S"), Copy("Z"), "GhostFactor(\"S\",0)"});
    QDXObject& s = doc.Objects.Find("S")->GetValue();
    CMapSingle<const char*, 64, 32> map;
    for (auto _ : state) {
        benchmark::DoNotOptimize(s.DependsOn("Nowhere", false));
        map.RemoveAll();
        s.CollectReferences(map, false);
        s.RenderState = QDXObject::kDrawn;
        benchmark::DoNotOptimize(doc.InvalidateDependents("Z"));
    }
}
BENCHMARK(BM_SelfGhost)->Unit(benchmark::kMicrosecond);

}  // namespace
