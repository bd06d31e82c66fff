// Editing a vector object's factor list: append, insert, delete, swap, move,
// drop the last, re-parse one factor, and moving one factor on the canvas.
//
// Factors point at other factors by position, so every edit that moves
// records keeps two things in step with the new order:
//   - the factor names, "<object>?<position>";
//   - every factor number pointing into the edited list: the own-list numbers
//     of FrameRefA, FrameRef, DiagramTransform, DiagramTransform2, Foreach and
//     SetMaskRef, and the numbers of the GhostFactors, in any vector object,
//     whose source is this object's very name (a "_PrevObject" or template
//     name stands for whatever the ghost is evaluated against, so it is never
//     renumbered).
// Each edit expresses its effect as one mapping old position -> new position
// and applies it to all of those numbers in one walk. Negative numbers never
// change (the mappings only touch positions inside the list or past its end).
//
// A successful edit sends the object to stale, drops the editor's cached
// intermediate canvases and invalidates the objects that depend on it. A
// refused or failed edit changes nothing.
#include <cstdint>

#include "document/model/QDXCtrl.h"
#include "document/model/QDXFactor.h"
#include "document/model/QDXObject.h"

namespace {

// Kinds whose RefNumber1 is a position in their own object's list. SetMaskRef
// belongs here too: left out, any edit before its factor would make it mask
// with another factor.
bool HasOwnListRef1(uint32_t kind) noexcept {
    switch (kind) {
        case QDXFactor::kFrameRefA:
        case QDXFactor::kFrameRef:
        case QDXFactor::kDiagramTransform:
        case QDXFactor::kDiagramTransform2:
        case QDXFactor::kForeach:
        case QDXFactor::kSetMaskRef:
            return true;
        default:
            return false;
    }
}

// Kinds whose RefNumber2 is a position in their own object's list as well.
bool HasOwnListRef2(uint32_t kind) noexcept { return kind == QDXFactor::kDiagramTransform2 || kind == QDXFactor::kForeach; }

// Applies map (int32_t -> int32_t) to every factor number pointing into
// object's list: the own-list numbers of its factors except skipOwn, and the
// GhostFactors naming it in every vector object of its document (all of them,
// skipOwn included).
template <class Map>
void RenumberReferences(QDXObject& object, const QDXFactor* skipOwn, const Map& map) {
    for (QDXFactor* factor : object.Factors) {
        if (factor == skipOwn) continue;
        if (HasOwnListRef1(factor->Kind)) factor->RefNumber1 = map(factor->RefNumber1);
        if (HasOwnListRef2(factor->Kind)) factor->RefNumber2 = map(factor->RefNumber2);
    }

    const char* name = object.Name.GetText();
    auto renumberGhosts = [name, &map](QDXObject& holder) {
        if (holder.Kind != QDXObject::kVector) return;
        for (QDXFactor* factor : holder.Factors) {
            if (factor->Kind == QDXFactor::kGhostFactor && factor->SourceName == name)
                factor->RefNumber1 = map(factor->RefNumber1);
        }
    };
    if (object.Owner == nullptr) {
        renumberGhosts(object);
        return;
    }
    const auto& objects = object.Owner->Objects;
    for (uint32_t bucket = 0; bucket < objects.kBuckets; ++bucket) {
        for (auto* element = objects.GetBucketHead(bucket); element != nullptr; element = element->GetNext())
            renumberGhosts(element->GetValue());
    }
}

// Names the records first .. last (inclusive) after their positions.
void RenameFactors(QDXObject& object, uint32_t first, uint32_t last) {
    for (uint32_t i = first; i <= last; ++i) object.Factors.GetAt(i)->AssignName(object.Name.GetText(), int32_t(i));
}

// The end of every successful edit: the object and what depends on it are stale.
void MarkChanged(QDXObject& object) {
    object.RenderState = QDXObject::kNotDrawn;
    object.CacheActive = false;
    if (object.Owner != nullptr) object.Owner->InvalidateDependents(object.Name.GetText());
}

// Adds d with two's-complement wrap-around: a coordinate at the edge of the
// range must not become undefined behaviour.
void AddWrapping(int32_t& value, int32_t d) noexcept { value = int32_t(uint32_t(value) + uint32_t(d)); }

}  // namespace

namespace {

// Puts a new factor read from text at position n (the later records move up in
// the index only) and names it; false, with the list as it was, when the text
// does not parse.
bool ParseNewFactorAt(QDXObject& object, uint32_t n, const char* text) {
    QDXFactor* factor = object.Factors.InsertAt(n);
    factor->Reset();
    factor->AssignName(object.Name.GetText(), int32_t(n));
    bool parsed = false;
    try {
        parsed = factor->ParseText(text);
    } catch (...) {
        object.Factors.RemoveAt(n);
        throw;
    }
    if (!parsed) object.Factors.RemoveAt(n);
    return parsed;
}

}  // namespace

bool QDXObject::AppendFactor(const char* text) {
    if (Kind != kVector) return false;
    const uint32_t n = Factors.GetCount();
    if (n >= kMaxFactorsPerObject) return false;
    if (!ParseNewFactorAt(*this, n, text)) return false;
    // Nothing moved, so no number changes.
    MarkChanged(*this);
    return true;
}

bool QDXObject::InsertFactor(uint32_t n, const char* text) {
    const uint32_t count = Factors.GetCount();
    if (n > count || Kind != kVector) return false;
    if (count >= kMaxFactorsPerObject) return false;
    // The later records' names follow once the text has parsed, so a failure
    // has only the new record to take out again.
    if (!ParseNewFactorAt(*this, n, text)) return false;
    const QDXFactor* factor = Factors.GetAt(n);
    if (n < count) RenameFactors(*this, n + 1, count);

    // The new factor keeps the own-list numbers written in its text; a
    // GhostFactor naming this object is renumbered like any other. A number
    // already at the top of the range points past any list and stays.
    const int64_t at = n;
    RenumberReferences(*this, factor, [at](int32_t v) { return v >= at && v < INT32_MAX ? v + 1 : v; });

    MarkChanged(*this);
    return true;
}

bool QDXObject::DeleteFactor(uint32_t n) {
    const uint32_t count = Factors.GetCount();
    if (n >= count || Kind != kVector) return false;
    Factors.RemoveAt(n);
    if (n + 1 < count) RenameFactors(*this, n, count - 2);
    // A number equal to n now names the factor that moved into place n.
    const int64_t at = n;
    RenumberReferences(*this, nullptr, [at](int32_t v) { return v > at ? v - 1 : v; });
    MarkChanged(*this);
    return true;
}

namespace {

bool SwapFactors(QDXObject& object, uint32_t a, uint32_t b) {
    object.Factors.Swap(a, b);
    object.Factors.GetAt(a)->AssignName(object.Name.GetText(), int32_t(a));
    object.Factors.GetAt(b)->AssignName(object.Name.GetText(), int32_t(b));
    const int64_t pa = a;
    const int64_t pb = b;
    RenumberReferences(object, nullptr, [pa, pb](int32_t v) -> int32_t {
        if (v == pa) return int32_t(pb);
        if (v == pb) return int32_t(pa);
        return v;
    });
    MarkChanged(object);
    return true;
}

}  // namespace

bool QDXObject::SwapFactorWithNext(uint32_t a) {
    if (uint64_t(a) + 1 >= Factors.GetCount() || Kind != kVector) return false;
    return SwapFactors(*this, a, a + 1);
}

bool QDXObject::SwapFactorWithPrevious(uint32_t a) {
    if (a == 0 || a >= Factors.GetCount() || Kind != kVector) return false;
    return SwapFactors(*this, a, a - 1);
}

bool QDXObject::MoveFactor(uint32_t from, uint32_t to) {
    const uint32_t count = Factors.GetCount();
    if (from >= count || to >= count) return false;
    if (from == to) return true;
    if (Kind != kVector) return false;

    // One place at a time through the index: the records themselves stay put.
    if (to < from) {
        for (uint32_t i = from; i > to; --i) Factors.Swap(i, i - 1);
        RenameFactors(*this, to, from);
    } else {
        for (uint32_t i = from; i < to; ++i) Factors.Swap(i, i + 1);
        RenameFactors(*this, from, to);
    }

    const int64_t f = from;
    const int64_t t = to;
    RenumberReferences(*this, nullptr, [f, t](int32_t v) -> int32_t {
        if (v == f) return int32_t(t);
        if (t < f && v >= t && v < f) return v + 1;
        if (t > f && v > f && v <= t) return v - 1;
        return v;
    });
    MarkChanged(*this);
    return true;
}

bool QDXObject::RemoveLastFactor() {
    const uint32_t count = Factors.GetCount();
    if (count == 0 || Kind != kVector) return false;
    // Numbers that pointed at it now point past the end, as after DeleteFactor.
    Factors.RemoveAt(count - 1);
    MarkChanged(*this);
    return true;
}

bool QDXObject::ReplaceFactorText(uint32_t n, const char* text) {
    if (n >= Factors.GetCount() || Kind != kVector) return false;
    RenderState = kNotDrawn;
    CacheActive = false;
    // The text is read over a copy of the record (slots its kind does not set
    // keep their values, as an in-place parse would leave them), which replaces
    // the record only once every argument was accepted: a text that does not
    // parse leaves the factor exactly as it was.
    QDXFactor& factor = *Factors.GetAt(n);
    QDXFactor edited;
    edited.CopyContentsFrom(factor);
    if (!edited.ParseText(text)) return false;
    factor.SwapContents(edited);
    if (Owner != nullptr) Owner->InvalidateDependents(Name.GetText());
    return true;
}

bool QDXFactor::Translate(int32_t dx, int32_t dy) {
    switch (Kind) {
        case 1:     // DiagramA
        case 11:    // FrameA
        case 101:   // Diagram
        case 111:   // Frame
            AddWrapping(X1, dx);
            AddWrapping(Y1, dy);
            for (QDXPath* node : Path) {
                AddWrapping(node->X, dx);
                AddWrapping(node->X2, dx);
                AddWrapping(node->Y, dy);
                AddWrapping(node->Y2, dy);
            }
            return true;
        case QDXFactor::kGhostFactor:
            return true;
        case QDXFactor::kTransform:
        case QDXFactor::kHomographyTransform: {
            // Pixel units: whole pixels, truncated toward zero.
            const int32_t px = dx / 16;
            const int32_t py = dy / 16;
            for (int32_t* x : {&X1, &X2, &X3, &X4}) AddWrapping(*x, px);
            for (int32_t* y : {&Y1, &Y2, &Y3, &Y4}) AddWrapping(*y, py);
            return true;
        }
        default:
            break;
    }
    if (Kind < 200) {
        // The shapes (sixteenths), and an empty record.
        for (int32_t* x : {&X1, &X2, &X3}) AddWrapping(*x, dx);
        for (int32_t* y : {&Y1, &Y2, &Y3}) AddWrapping(*y, dy);
    } else {
        AddWrapping(X1, dx / 16);
        AddWrapping(Y1, dy / 16);
    }
    return true;
}
