// Dependencies between objects: the reference relation, the walks over it and
// the invalidation built on them.
//
// A factor F of object O, evaluated with template arguments T (four names that
// stand for "_Template1".."_Template4" inside a ghost object; none at the top
// level), references names: the resolved SourceName of the kinds that draw
// another object, the source of another factor of O (FrameRef, FrameRefA,
// DiagramTransform, DiagramTransform2), and through the nesting kinds what other
// factors reference: a GhostFactor the ghost object's numbered factor (still
// evaluated in O with T), a GhostObject every factor of the ghost object (with
// its own template names resolved against T), a Foreach its numbered factor and
// the target-list entries it takes.
//
// One walker serves every question asked of that relation. What it does with a
// name it finds is its mode:
//   - test: stop as soon as the name asked about turns up (DependsOn);
//   - gather: note (name, referring object) for every name (invalidation and the
//     dependents set, which then walk the reverse edges);
//   - collect: enter the name in a reference map and, when it is new, collect
//     the named object's references in turn (CollectReferences).
//
// Bounds. A nested call that finds the walk 101 calls deep contributes nothing,
// so cyclic and very deep ghost chains end (a collection counts each factor
// step, also the steps of the objects it descends into, so it reaches 101
// objects down a chain of copies). The depth alone bounds only the
// height of the walk, not its breadth: an object with two GhostObject factors
// naming itself would be walked 2^100 times. So every walk also keeps the
// (factor, object, template arguments) triples it has expanded, and expands a
// nesting factor (GhostFactor, GhostObject, Foreach) at most once: a triple met
// again either is being expanded right now (a cycle: its names are being found
// already) or has been (its names were found). The names found are therefore
// those of the unbounded relation whenever the depth bound is not reached, and
// a walk expands each factor it can reach at most once per template tuple it
// meets there. Template arguments are
// interned by content, so that equal tuples met through different ghosts are
// one key.
//
// Invalidation. Resetting the dependents of a name one name at a time (every
// object tested against every reset name) is quadratic on a chain of objects.
// Instead one gather pass over the drawn objects notes the names each one
// references, indexed by name; resetting then follows these reverse edges from
// the name. An object is reset only from "drawn", so the objects reset are the
// drawn objects from which a chain of references leads to the name, exactly
// those that resetting name by name reaches. The dependents set walks the same
// index depth first, in the order the objects come in the document's map, so
// it fills the set in the order that name-by-name recursion does.
//
// The walks themselves change nothing in the document; their state (depth, visited
// triples, template tuples) lives in the walker and goes with it.
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <vector>

#include "document/model/QDXCtrl.h"
#include "document/model/QDXFactor.h"
#include "document/model/QDXObject.h"

namespace {

// A nested call that finds the depth above this contributes nothing: 101
// nested calls run.
constexpr int32_t kMaxNesting = 100;

// The bits of a palette reference that select an entry: the two table bits and
// the ten entry bits.
constexpr uint32_t kPaletteEntryMask = 0xC3FF0000u;
// Palette references begin here; a smaller word refers to no palette.
constexpr uint32_t kFirstPaletteReference = 0x40000000u;


constexpr uint32_t kNone = 0xFFFFFFFFu;

using ObjectElement = CMapSingle<QDXObject, 64, 32>::Element;
using ReferenceMap = CMapSingle<const char*, 64, 32>;
using DependentsSet = CMapSingle<QDXObject*, 64, 32>;

uint64_t HashText(const char* text) noexcept {
    uint64_t hash = 0xCBF29CE484222325ull;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p != 0; ++p)
        hash = (hash ^ *p) * 0x100000001B3ull;
    return hash;
}

// Order matters: Mix(Mix(0, x), y) and Mix(Mix(0, y), x) differ.
uint64_t Mix(uint64_t a, uint64_t b) noexcept {
    return detail::FoldedProduct(a * 31 + b + 0x9E3779B97F4A7C15ull, 0xBF58476D1CE4E5B9ull);
}

// Factor `number` of object, or null when the number is not a position of its list.
const QDXFactor* FactorAt(const QDXObject& object, int32_t number) {
    if (number < 0 || static_cast<uint32_t>(number) >= object.Factors.GetCount()) return nullptr;
    return object.Factors.GetAt(static_cast<uint32_t>(number));
}

// The object a resolved name names; the empty name names none.
QDXObject* FindNamed(CQDXCtrl& document, const char* name) {
    if (*name == '\0') return nullptr;
    ObjectElement* element = document.Objects.Find(name);
    return element != nullptr ? &element->GetValue() : nullptr;
}

// Every object of the document in the map's order: buckets ascending, each chain
// from its head.
template <class F>
void ForEachObject(CQDXCtrl& document, F&& fn) {
    for (uint32_t b = 0; b < CMapSingle<QDXObject, 64, 32>::kBuckets; ++b)
        for (ObjectElement* e = document.Objects.GetBucketHead(b); e != nullptr; e = e->GetNext()) fn(e->GetValue());
}

// A bitmap showing its decoded image drops its stored texts when it is itself
// the changed object: the image is about to be written from the canvas, whose
// pixels changed behind its block opacity mask.
void DropStoredImageIfNamed(QDXObject& object, const char* name) {
    if (object.Kind == QDXObject::kBitmap && object.RenderState == QDXObject::kImageReady &&
        !object.ImageText.IsEmpty() && object.Name == name) {
        object.ImageText.Free();
        object.AlphaText.Free();
        object.Canvas.DropOpacityMask();
    }
}

// Template-argument tuples by content; 0 stands for "no template arguments".
class TemplateTuples {
public:
    using Names = std::array<const char*, 4>;

    uint32_t Intern(const Names& names) {
        uint64_t hash = 0;
        for (const char* name : names) hash = Mix(hash, HashText(name));
        if ((m_tuples.size() + 1) * 2 > m_slots.size()) Grow();
        const size_t mask = m_slots.size() - 1;
        for (size_t s = hash & mask;; s = (s + 1) & mask) {
            const uint32_t id = m_slots[s];
            if (id == 0) {
                m_tuples.push_back({names, hash});
                m_slots[s] = static_cast<uint32_t>(m_tuples.size());
                return m_slots[s];
            }
            const Tuple& t = m_tuples[id - 1];
            if (t.hash == hash && Equal(t.names, names)) return id;
        }
    }

    // Name k (0..3) of tuple id (not 0). Read afresh each time: interning may
    // move the tuples.
    const char* Name(uint32_t id, int32_t k) const noexcept { return m_tuples[id - 1].names[k]; }

private:
    struct Tuple {
        Names names;
        uint64_t hash;
    };

    static bool Equal(const Names& a, const Names& b) noexcept {
        for (size_t k = 0; k < 4; ++k)
            if (a[k] != b[k] && std::strcmp(a[k], b[k]) != 0) return false;
        return true;
    }

    void Grow() {
        std::vector<uint32_t> slots(m_slots.empty() ? 16 : m_slots.size() * 2, 0);
        const size_t mask = slots.size() - 1;
        for (uint32_t id = 1; id <= m_tuples.size(); ++id) {
            size_t s = m_tuples[id - 1].hash & mask;
            while (slots[s] != 0) s = (s + 1) & mask;
            slots[s] = id;
        }
        m_slots.swap(slots);
    }

    std::vector<Tuple> m_tuples;
    std::vector<uint32_t> m_slots;
};

// The (factor, object, template tuple) triples a walk has expanded. Clear is
// O(1): slots of an older generation count as empty.
class ExpandedSet {
public:
    // True when the triple was not in the set (it is now).
    bool Insert(const QDXFactor* factor, const QDXObject* object, uint32_t templates) {
        if ((m_count + 1) * 2 > m_slots.size()) Grow();
        const uint64_t hash = HashOf(factor, object, templates);
        const size_t mask = m_slots.size() - 1;
        for (size_t s = hash & mask;; s = (s + 1) & mask) {
            Slot& slot = m_slots[s];
            if (slot.generation != m_generation) {
                slot = {factor, object, templates, m_generation};
                ++m_count;
                return true;
            }
            if (slot.factor == factor && slot.object == object && slot.templates == templates) return false;
        }
    }

    void Clear() noexcept {
        if (m_count == 0) return;
        m_count = 0;
        ++m_generation;
    }

private:
    struct Slot {
        const QDXFactor* factor = nullptr;
        const QDXObject* object = nullptr;
        uint32_t templates = 0;
        uint32_t generation = 0;
    };

    static uint64_t HashOf(const QDXFactor* factor, const QDXObject* object, uint32_t templates) noexcept {
        return Mix(Mix(reinterpret_cast<uintptr_t>(factor), reinterpret_cast<uintptr_t>(object)), templates);
    }

    void Grow() {
        std::vector<Slot> slots(m_slots.empty() ? 64 : m_slots.size() * 2);
        const size_t mask = slots.size() - 1;
        for (const Slot& old : m_slots) {
            if (old.generation != m_generation) continue;
            size_t s = HashOf(old.factor, old.object, old.templates) & mask;
            while (slots[s].generation == m_generation) s = (s + 1) & mask;
            slots[s] = old;
        }
        m_slots.swap(slots);
    }

    std::vector<Slot> m_slots;
    size_t m_count = 0;
    uint32_t m_generation = 1;
};

// A name some object references, noted by a gather walk.
struct ReferenceEdge {
    const char* name;  // points into the document (a factor's or entry's text)
    uint32_t referrer;
    uint32_t next = kNone;  // the next edge of the same name, in referrer order
};

class ReferenceWalker {
public:
    enum class Mode : uint8_t { kTest, kGather, kCollect };

    ReferenceWalker(CQDXCtrl& document, Mode mode, bool onlyEnabled) noexcept
        : m_document(document), m_mode(mode), m_onlyEnabled(onlyEnabled) {}

    void SetTestName(const char* name) noexcept { m_testName = name; }
    void SetCollectMap(ReferenceMap& map) noexcept { m_map = &map; }
    void SetGatherSink(std::vector<ReferenceEdge>& edges) noexcept { m_edges = &edges; }
    // The referring object of the names the gather walk notes from now on; a new
    // referrer starts with nothing expanded.
    void SetReferrer(uint32_t referrer) noexcept {
        m_referrer = referrer;
        m_expanded.Clear();
    }

    uint32_t InternArguments(QDXTemplateArgs args) {
        if (args == nullptr) return 0;
        return m_tuples.Intern({args[0], args[1], args[2], args[3]});
    }

    // The per-factor step: factor evaluated as a factor of object with the
    // template tuple. True when a test found its name (the walk then stops).
    bool Factor(const QDXFactor& factor, const QDXObject& object, uint32_t templates) {
        if (m_depth > kMaxNesting) return false;
        DepthGuard guard(m_depth);
        switch (factor.Kind) {
            case QDXFactor::kFrameRefA:
            case QDXFactor::kFrameRef:
            case QDXFactor::kDiagramTransform:
                return FrameSource(factor, object, factor.RefNumber1, templates);
            case QDXFactor::kDiagramTransform2:
                return FrameSource(factor, object, factor.RefNumber1, templates) ||
                       FrameSource(factor, object, factor.RefNumber2, templates);
            case QDXFactor::kGhostFactor:
                return GhostFactor(factor, object, templates);
            case QDXFactor::kGhostObject:
                return GhostObject(factor, object, templates);
            case QDXFactor::kForeach:
                return Foreach(factor, object, templates);
            default:
                if (!FactorKindNamesSourceObject(factor.Kind)) return false;
                return Found(Resolve(factor.SourceName.GetText(), templates), factor.Name.GetText());
        }
    }

    // The four names of a target entry, resolved with the tuple; a disabled
    // entry gives none when only enabled ones count.
    bool Entry(const QDXForeachTargetInfo& entry, const char* referrer, uint32_t templates) {
        if (m_onlyEnabled && !entry.Enabled) return false;
        for (const CStr_base<64>& name : entry.Names)
            if (Found(Resolve(name.GetText(), templates), referrer)) return true;
        return false;
    }

    // Every factor of the object (only the enabled ones when they alone count),
    // evaluated in it at the top level.
    bool ObjectFactors(const QDXObject& object) {
        const uint32_t count = object.Factors.GetCount();
        for (uint32_t i = 0; i < count; ++i) {
            const QDXFactor& factor = *object.Factors.GetAt(i);
            if (m_onlyEnabled && !factor.Enabled) continue;
            if (Factor(factor, object, 0)) return true;
        }
        return false;
    }

private:
    // Raised for one nested call, lowered on every way out.
    class DepthGuard {
    public:
        explicit DepthGuard(int32_t& depth) noexcept : m_depth(depth) { ++m_depth; }
        ~DepthGuard() { --m_depth; }
        DepthGuard(const DepthGuard&) = delete;
        DepthGuard& operator=(const DepthGuard&) = delete;

    private:
        int32_t& m_depth;
    };

    // "_PrevObject" gives the empty name; a template name gives its argument
    // when there are arguments; every other name stays.
    const char* Resolve(const char* name, uint32_t templates) const noexcept {
        if (IsPrevObjectName(name)) return "";
        if (templates != 0) {
            if (const int32_t k = TemplateNameIndex(name)) return m_tuples.Name(templates, k - 1);
        }
        return name;
    }

    // What the mode does with a name the relation gives; referrer is the Name
    // text of the factor that gave it.
    bool Found(const char* name, const char* referrer) {
        switch (m_mode) {
            case Mode::kTest:
                return std::strcmp(name, m_testName) == 0;
            case Mode::kGather:
                m_edges->push_back({name, m_referrer});
                return false;
            case Mode::kCollect: {
                const char** value = nullptr;
                if (!m_map->Insert(name, &value)) return false;  // known: its object is being or was collected
                *value = referrer;
                if (const QDXObject* named = FindNamed(m_document, name)) ObjectFactors(*named);
                return false;
            }
        }
        return false;
    }

    bool FrameSource(const QDXFactor& factor, const QDXObject& object, int32_t number, uint32_t templates) {
        const QDXFactor* source = FactorAt(object, number);
        return source != nullptr && Found(Resolve(source->SourceName.GetText(), templates), factor.Name.GetText());
    }

    bool GhostFactor(const QDXFactor& factor, const QDXObject& object, uint32_t templates) {
        if (!m_expanded.Insert(&factor, &object, templates)) return false;
        const char* source = Resolve(factor.SourceName.GetText(), templates);
        if (Found(source, factor.Name.GetText())) return true;
        const QDXObject* ghost = FindNamed(m_document, source);
        const QDXFactor* ghosted = ghost != nullptr ? FactorAt(*ghost, factor.RefNumber1) : nullptr;
        // Taken whether enabled or not, and evaluated where the GhostFactor is.
        return ghosted != nullptr && Factor(*ghosted, object, templates);
    }

    bool GhostObject(const QDXFactor& factor, const QDXObject& object, uint32_t templates) {
        if (!m_expanded.Insert(&factor, &object, templates)) return false;
        const char* source = Resolve(factor.SourceName.GetText(), templates);
        if (Found(source, factor.Name.GetText())) return true;
        const QDXObject* ghost = FindNamed(m_document, source);
        if (ghost == nullptr) return false;
        TemplateTuples::Names names;
        for (int32_t k = 0; k < 4; ++k) names[k] = Resolve(factor.TemplateNames[k].GetText(), templates);
        const uint32_t inner = m_tuples.Intern(names);
        const uint32_t count = ghost->Factors.GetCount();
        for (uint32_t i = 0; i < count; ++i) {
            const QDXFactor& ghosted = *ghost->Factors.GetAt(i);
            if (m_onlyEnabled && !ghosted.Enabled) continue;
            if (Factor(ghosted, *ghost, inner)) return true;
        }
        return false;
    }

    bool Foreach(const QDXFactor& factor, const QDXObject& object, uint32_t templates) {
        if (!m_expanded.Insert(&factor, &object, templates)) return false;
        // Without the factor it repeats a Foreach draws nothing (it fails), so
        // it uses nothing either, not even the names of its list.
        const QDXFactor* repeated = FactorAt(object, factor.RefNumber1);
        if (repeated == nullptr) return false;
        if (Factor(*repeated, object, templates)) return true;
        // The list factor; a GhostFactor stands for the factor it ghosts (one
        // step only), after its source is taken as a name of its own.
        const QDXFactor* list = FactorAt(object, factor.RefNumber2);
        if (list != nullptr && list->Kind == QDXFactor::kGhostFactor) {
            const char* source = Resolve(list->SourceName.GetText(), templates);
            if (Found(source, factor.Name.GetText())) return true;
            const QDXObject* ghost = FindNamed(m_document, source);
            list = ghost != nullptr ? FactorAt(*ghost, list->RefNumber1) : nullptr;
        }
        if (list == nullptr || list->Kind != QDXFactor::kTargetList) return false;

        const int64_t count = list->Targets.GetCount();
        int64_t first = 0;
        int64_t end = count;
        if (m_onlyEnabled) {
            // The entries the Foreach runs: ForeachFirst up to ForeachLast, just
            // ForeachFirst for -2, to the end for any other negative last. A
            // negative first runs none, as the Foreach itself does.
            first = factor.ForeachFirst;
            if (first < 0) return false;
            if (factor.ForeachLast >= 0)
                end = std::min<int64_t>(int64_t{factor.ForeachLast} + 1, count);
            else if (factor.ForeachLast == -2)
                end = std::min<int64_t>(first + 1, count);
        }
        for (int64_t i = first; i < end; ++i) {
            if (Entry(*list->Targets.GetAt(static_cast<uint32_t>(i)), factor.Name.GetText(), templates)) return true;
        }
        return false;
    }

    CQDXCtrl& m_document;
    const Mode m_mode;
    const bool m_onlyEnabled;
    int32_t m_depth = 0;
    const char* m_testName = "";
    ReferenceMap* m_map = nullptr;
    std::vector<ReferenceEdge>* m_edges = nullptr;
    uint32_t m_referrer = 0;
    ExpandedSet m_expanded;
    TemplateTuples m_tuples;
};

// For a chosen group of objects, the names their factors reference, indexed by
// name: the referrers of a name come in the order of the document's map.
class ReverseReferences {
public:
    // onlyDrawn: only drawn objects take part (the ones invalidation can reset).
    ReverseReferences(CQDXCtrl& document, bool onlyEnabled, bool onlyDrawn) {
        ReferenceWalker walker(document, ReferenceWalker::Mode::kGather, onlyEnabled);
        walker.SetGatherSink(m_edges);
        ForEachObject(document, [&](QDXObject& object) {
            if (onlyDrawn && object.RenderState != QDXObject::kDrawn) return;
            if (object.Factors.GetCount() == 0) return;
            walker.SetReferrer(static_cast<uint32_t>(m_referrers.size()));
            m_referrers.push_back(&object);
            walker.ObjectFactors(object);
        });
        Index();
    }

    bool IsEmpty() const noexcept { return m_edges.empty(); }

    // The first edge of the name, or kNone.
    uint32_t First(const char* name) const {
        if (m_slots.empty()) return kNone;
        const uint64_t hash = HashText(name);
        const size_t mask = m_slots.size() - 1;
        for (size_t s = hash & mask;; s = (s + 1) & mask) {
            const Slot& slot = m_slots[s];
            if (slot.head == kNone) return kNone;
            if (slot.hash == hash && std::strcmp(m_edges[slot.head].name, name) == 0) return slot.head;
        }
    }
    uint32_t Next(uint32_t edge) const noexcept { return m_edges[edge].next; }
    QDXObject& Referrer(uint32_t edge) const noexcept { return *m_referrers[m_edges[edge].referrer]; }

private:
    struct Slot {
        uint64_t hash = 0;
        uint32_t head = kNone;
        uint32_t tail = kNone;
    };

    // Links the edges of each name in the order they were noted, keeping one
    // edge per (name, referrer).
    void Index() {
        if (m_edges.empty()) return;
        size_t size = 16;
        while (size < m_edges.size() * 2) size *= 2;
        m_slots.assign(size, Slot{});
        const size_t mask = size - 1;
        const uint32_t count = static_cast<uint32_t>(m_edges.size());
        for (uint32_t i = 0; i < count; ++i) {
            ReferenceEdge& edge = m_edges[i];
            const uint64_t hash = HashText(edge.name);
            for (size_t s = hash & mask;; s = (s + 1) & mask) {
                Slot& slot = m_slots[s];
                if (slot.head == kNone) {
                    slot = {hash, i, i};
                    break;
                }
                if (slot.hash != hash || std::strcmp(m_edges[slot.head].name, edge.name) != 0) continue;
                // A referrer's names are noted together, so a repeat follows its
                // own earlier edge at the tail.
                if (m_edges[slot.tail].referrer != edge.referrer) {
                    m_edges[slot.tail].next = i;
                    slot.tail = i;
                }
                break;
            }
        }
    }

    std::vector<QDXObject*> m_referrers;
    std::vector<ReferenceEdge> m_edges;
    std::vector<Slot> m_slots;
};

// Resets the drawn objects that reference any of the names, and in turn theirs.
// True when any object was reset.
bool ResetReferrers(const ReverseReferences& index, std::vector<const char*>& pending) {
    bool any = false;
    while (!pending.empty()) {
        const char* name = pending.back();
        pending.pop_back();
        for (uint32_t e = index.First(name); e != kNone; e = index.Next(e)) {
            QDXObject& object = index.Referrer(e);
            if (object.RenderState != QDXObject::kDrawn) continue;
            object.RenderState = QDXObject::kNotDrawn;
            any = true;
            pending.push_back(object.Name.GetText());
        }
    }
    return any;
}

}  // namespace

bool FactorKindNamesSourceObject(uint32_t kind) noexcept {
    struct Range {
        uint32_t first, last;
    };
    static constexpr Range kRanges[] = {{201, 499},   {831, 840},   {901, 999},   {1102, 1109}, {1112, 1113},
                                        {1116, 1118}, {1201, 1387}, {1409, 1411}, {1413, 1415}, {5005, 5007}};
    for (const Range& r : kRanges)
        if (kind >= r.first && kind <= r.last) return true;
    return false;
}

// ---- the per-factor and per-entry steps ----

bool QDXFactor::DependsOn(const char* name, CQDXCtrl& document, QDXObject& object, bool onlyEnabled,
                          QDXTemplateArgs templateArgs) const {
    ReferenceWalker walker(document, ReferenceWalker::Mode::kTest, onlyEnabled);
    walker.SetTestName(name);
    return walker.Factor(*this, object, walker.InternArguments(templateArgs));
}

bool QDXFactor::DependsOnForInvalidate(const char* name, CQDXCtrl& document, QDXObject& object,
                                       QDXTemplateArgs templateArgs) const {
    return DependsOn(name, document, object, true, templateArgs);
}

void QDXFactor::CollectReferences(CMapSingle<const char*, 64, 32>& map, CQDXCtrl& document, QDXObject& object,
                                  bool onlyEnabled, QDXTemplateArgs templateArgs) const {
    ReferenceWalker walker(document, ReferenceWalker::Mode::kCollect, onlyEnabled);
    walker.SetCollectMap(map);
    walker.Factor(*this, object, walker.InternArguments(templateArgs));
}

void QDXForeachTargetInfo::CollectReferences(CMapSingle<const char*, 64, 32>& map, const char* referrerName,
                                             CQDXCtrl& document, bool onlyEnabled,
                                             QDXTemplateArgs templateArgs) const {
    ReferenceWalker walker(document, ReferenceWalker::Mode::kCollect, onlyEnabled);
    walker.SetCollectMap(map);
    walker.Entry(*this, referrerName, walker.InternArguments(templateArgs));
}

bool QDXForeachTargetInfo::UsesName(const char* name, QDXTemplateArgs templateArgs) const {
    for (const CStr_base<64>& entryName : Names) {
        const char* resolved = entryName.GetText();
        if (IsPrevObjectName(resolved)) {
            resolved = "";
        } else if (templateArgs != nullptr) {
            if (const int32_t k = TemplateNameIndex(resolved)) resolved = templateArgs[k - 1];
        }
        if (std::strcmp(resolved, name) == 0) return true;
    }
    return false;
}

bool QDXForeachTargetInfo::UsesNameIfEnabled(const char* name, CQDXCtrl&, QDXObject&,
                                             QDXTemplateArgs templateArgs) const {
    return Enabled && UsesName(name, templateArgs);
}

// ---- objects ----

bool QDXObject::Invalidate() {
    if (Kind == kBitmap && RenderState == kImageReady) return false;
    RenderState = kNotDrawn;
    return true;
}

bool QDXObject::DependsOn(const char* name, bool onlyEnabled) {
    if (Owner == nullptr) return false;
    // One walk for all factors: what one factor's walk expanded without
    // finding the name need not be expanded again for the next.
    ReferenceWalker walker(*Owner, ReferenceWalker::Mode::kTest, onlyEnabled);
    walker.SetTestName(name);
    return walker.ObjectFactors(*this);
}

void QDXObject::CollectReferences(CMapSingle<const char*, 64, 32>& map, bool onlyEnabled) {
    if (Owner == nullptr) return;
    ReferenceWalker walker(*Owner, ReferenceWalker::Mode::kCollect, onlyEnabled);
    walker.SetCollectMap(map);
    walker.ObjectFactors(*this);
}

bool QDXObject::InvalidateIfDependsOn(const char* name) {
    if (RenderState == kDrawn) {
        if (Owner == nullptr) return false;
        ReferenceWalker walker(*Owner, ReferenceWalker::Mode::kTest, true);
        walker.SetTestName(name);
        if (!walker.ObjectFactors(*this)) return false;
        RenderState = kNotDrawn;
        return true;
    }
    DropStoredImageIfNamed(*this, name);
    return false;
}

bool QDXObject::UsesPaletteEntry(uint32_t key) {
    if (RenderState != kDrawn) return false;
    // A key without table bits selects no entry (and would otherwise match every
    // direct colour's empty reference).
    if (key < kFirstPaletteReference) return false;
    const uint32_t count = Factors.GetCount();
    for (uint32_t i = 0; i < count; ++i) {
        const QDXFactor& f = *Factors.GetAt(i);
        for (const uint32_t reference : {f.ColorRef1, f.ColorRef2, f.ColorRef3, f.ColorRef4}) {
            if ((reference & kPaletteEntryMask) == key) {
                RenderState = kNotDrawn;
                return true;
            }
        }
    }
    return false;
}

// ---- the document ----

void CQDXCtrl::InvalidateObjects(bool allButBitmaps) {
    ForEachObject(*this, [allButBitmaps](QDXObject& object) {
        if (allButBitmaps ? object.Kind != QDXObject::kBitmap : object.Kind == QDXObject::kVector)
            object.RenderState = QDXObject::kNotDrawn;
    });
}

bool CQDXCtrl::InvalidateDependents(const char* name) {
    if (ObjectElement* element = Objects.Find(name)) DropStoredImageIfNamed(element->GetValue(), name);
    const ReverseReferences index(*this, true, true);
    if (index.IsEmpty()) return false;
    std::vector<const char*> pending{name};
    return ResetReferrers(index, pending);
}

bool CQDXCtrl::InvalidatePaletteUsers(uint32_t reference) {
    const uint32_t key = reference & kPaletteEntryMask;
    std::vector<const char*> pending;
    ForEachObject(*this, [&](QDXObject& object) {
        if (object.UsesPaletteEntry(key)) pending.push_back(object.Name.GetText());
    });
    if (pending.empty()) return false;
    // The users are reset already; their drawn dependents are left.
    const ReverseReferences index(*this, true, true);
    ResetReferrers(index, pending);
    return true;
}

void CQDXCtrl::CollectDependents(const char* name, CMapSingle<QDXObject*, 64, 32>& set, bool onlyEnabled,
                                 bool recursive) {
    const ReverseReferences index(*this, onlyEnabled, false);
    if (index.IsEmpty()) return;
    // Depth first, each name's referrers in map order: the order in which
    // recursing name by name meets them.
    std::vector<uint32_t> cursors{index.First(name)};
    while (!cursors.empty()) {
        const uint32_t edge = cursors.back();
        if (edge == kNone) {
            cursors.pop_back();
            continue;
        }
        cursors.back() = index.Next(edge);
        QDXObject& object = index.Referrer(edge);
        QDXObject** value = nullptr;
        if (!set.Insert(object.Name.GetText(), &value)) continue;  // in the set already
        *value = &object;
        if (recursive) cursors.push_back(index.First(object.Name.GetText()));
    }
}
