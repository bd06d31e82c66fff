#pragma once
// QDXFactor: one drawing step of a vector object, stored in one record of the
// same shape whatever its kind.
//
// A factor is a kind code plus a fixed set of generic typed slots (integers,
// bytes, colours, doubles, three fixed-point matrices, strings) and four
// containers (path nodes, target entries, a shape outline, gradation points).
// Which slots a kind fills, and what they mean, belongs to that kind's parser
// and writer; every slot a kind leaves alone keeps its reset value, which the
// renderer and the writer rely on. Nothing in the record points at another
// object: references are names (SourceName, TemplateNames, the target names)
// resolved when the factor is drawn or its dependencies are walked.
//
// Life cycle: constructed (members built), reset (all defaults, Kind 0), filled
// (a parser or an editor set the slots of its kind). A factor whose parse failed
// keeps Kind 0. The slots are public on purpose: the renderer reads them
// directly and the method editor writes numeric fields straight into them.
//
// Storage: a loaded document holds hundreds of thousands of factors, and most
// use only a few numbers and a name. The three lists, the outline, the three
// matrices and the template names are therefore held out of line and made on
// first write (QDXListSlot, QDXOutlineSlot, QDXMatrixSlot,
// QDXTemplateNamesSlot); until then each reads as its reset value, and each
// reads and writes like the plain member it stands for.
//
// Units: the shape and path kinds (1-12, 101-112) and their path nodes hold
// sixteenths of a pixel, all other kinds pixels. Matrices are 16.16 fixed point,
// row after row.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <utility>

#include "foundation/containers/ArrayAuto.h"
#include "foundation/containers/MemoryBlock.h"
#include "foundation/maps/Map.h"
#include "foundation/strings/Str.h"
#include "raster/surface/gradient/MixGradation.h"
#include "raster/surface/shape/DiagramInfo.h"

class CQDXCtrl;
class QDXObject;

// Upper bounds that the reader applies to one object line; the editing
// operations keep to the same bounds, so that every document they make reads
// back.
inline constexpr uint32_t kMaxFactorsPerObject = 2000;
inline constexpr uint32_t kMaxPathNodesPerFactor = 10000;
inline constexpr uint32_t kMaxTargetsPerFactor = 1000;
inline constexpr uint32_t kMaxGradationPointsPerFactor = 2000;

// Template arguments while a ghost object's factors are evaluated: four names
// standing for "_Template1".."_Template4", or null at the top level.
using QDXTemplateArgs = const char* const*;

// One node of a factor's path list. Line and Jump use X, Y; Arc uses X, Y, X2,
// Y2; CircleCurve uses all five; Return, Tip and Separator use none and hold 0.
// Enabled is stored for every type but honoured (and written) only for Line,
// CircleCurve and Arc.
struct QDXPath {
    enum : int32_t { kLine = 1, kCircleCurve = 2, kArc = 3, kJump = 4, kReturn = 5, kTip = 6, kSeparator = 7 };

    int32_t X = 0;
    int32_t Y = 0;
    int32_t Type = 0;
    int32_t X2 = 0;
    int32_t Y2 = 0;
    bool CurveFlag = false;  // CircleCurve direction ('t' / 'f'); false for every other type
    bool Enabled = true;     // false when the node's text began with "!"

    // Text form of one item of a "qdxpath(" list (defined with the text forms):
    // ParseText reads one item (false for anything malformed; the node may be
    // partly changed then), WriteText replaces out with the node's text (false,
    // out untouched, for a type outside 1..7).
    bool ParseText(const char* text);
    bool WriteText(CStr_base<64>& out) const;

    // Appends the outline element of this node to outline, the coordinates
    // scaled by (sx, sy) and rounded half away from zero unless both scales are
    // exactly 1. False, nothing appended, for a type outside 1..7.
    bool AppendToDiagram(DiagramInfo& outline, double sx, double sy) const;
};

// One entry of a factor's target list: the four names that stand for
// "_Template1".."_Template4" while a Foreach repeats a factor for this entry.
struct QDXForeachTargetInfo {
    CStr_base<64> Names[4];
    bool Enabled = true;  // a disabled entry is skipped by the Foreach

    // Four empty names (buffers kept) and enabled: a blank entry.
    void Clear() noexcept {
        for (CStr_base<64>& name : Names) name.SetLength(0);
        Enabled = true;
    }

    // Text form of one "FTI(" item of a target list (defined with the text
    // forms): ParseText reads one item (false when malformed), WriteText
    // replaces out with the entry's text.
    bool ParseText(const char* text);
    bool WriteText(CStr_base<64>& out) const;

    // Whether one of the four names, resolved with templateArgs ("_PrevObject"
    // gives the empty name), is name; the enabled flag is not looked at.
    bool UsesName(const char* name, QDXTemplateArgs templateArgs) const;
    // False for a disabled entry, else UsesName (document and object are not
    // used).
    bool UsesNameIfEnabled(const char* name, CQDXCtrl& document, QDXObject& object,
                           QDXTemplateArgs templateArgs) const;

    // Adds each of the four names, resolved with templateArgs, to map (value:
    // referrerName) when new, and collects what a newly added name's object
    // references. A disabled entry adds nothing when onlyEnabled.
    void CollectReferences(CMapSingle<const char*, 64, 32>& map, const char* referrerName, CQDXCtrl& document,
                           bool onlyEnabled, QDXTemplateArgs templateArgs) const;
    // Each of the four names equal to from becomes to; true when any did.
    bool RenameName(const char* from, const char* to);
};

// A list of a factor (path nodes, target entries, gradation colours), made on
// first use. Most factors have no list at all, and an empty chunked array
// costs as much as many of a factor's numbers; until something adds to it the
// slot holds nothing and reads as an empty list. It reads and changes like the
// CArrayAuto<T> it stands for (same checks, same throws), and anything that
// takes a CArrayAuto<T>& can be given the slot directly (that makes the list).
template <class T>
class QDXListSlot {
public:
    using Array = CArrayAuto<T>;

    QDXListSlot() noexcept = default;
    QDXListSlot(const QDXListSlot&) = delete;
    QDXListSlot& operator=(const QDXListSlot&) = delete;
    QDXListSlot(QDXListSlot&&) noexcept = default;
    QDXListSlot& operator=(QDXListSlot&&) noexcept = default;
    friend void swap(QDXListSlot& a, QDXListSlot& b) noexcept { a.m_array.swap(b.m_array); }

    // The list, made (empty) when there is none yet.
    Array& Get() {
        if (m_array == nullptr) m_array = std::make_unique<Array>();
        return *m_array;
    }
    // Whether the list has been made.
    bool IsMade() const noexcept { return m_array != nullptr; }
    operator Array&() { return Get(); }
    // Read-only, a list not yet made is an empty array.
    operator const Array&() const noexcept {
        if (m_array != nullptr) return *m_array;
        static const Array empty;
        return empty;
    }

    // ---- reading: a list not yet made reads as an empty one ----
    uint32_t GetCount() const noexcept { return m_array != nullptr ? m_array->GetCount() : 0; }
    uint32_t GetReserved() const noexcept { return m_array != nullptr ? m_array->GetReserved() : 0; }
    T* GetAt(uint32_t i) {
        if (m_array == nullptr) throw static_cast<uint32_t>(i);
        return m_array->GetAt(i);
    }
    const T* GetAt(uint32_t i) const {
        if (m_array == nullptr) throw static_cast<uint32_t>(i);
        return m_array->GetAt(i);
    }
    T* GetLast() {
        if (m_array == nullptr) throw 0;
        return m_array->GetLast();
    }
    const T* GetLast() const {
        if (m_array == nullptr) throw 0;
        return m_array->GetLast();
    }
    T** GetIndex() noexcept { return m_array != nullptr ? m_array->GetIndex() : nullptr; }
    T* const* GetIndex() const noexcept { return m_array != nullptr ? m_array->GetIndex() : nullptr; }
    T** begin() noexcept { return m_array != nullptr ? m_array->begin() : nullptr; }
    T** end() noexcept { return m_array != nullptr ? m_array->end() : nullptr; }
    const T* const* begin() const noexcept { return m_array != nullptr ? m_array->begin() : nullptr; }
    const T* const* end() const noexcept { return m_array != nullptr ? m_array->end() : nullptr; }

    // ---- changing: additions make the list, removals never do ----
    T* AddNew() { return Get().AddNew(); }
    T* InsertAt(uint32_t i) {
        if (i != 0 && m_array == nullptr) throw static_cast<uint32_t>(i);
        return Get().InsertAt(i);
    }
    uint32_t SetCount(uint32_t n) { return n == 0 && m_array == nullptr ? 0 : Get().SetCount(n); }
    void Grow(uint32_t n) { Get().Grow(n); }
    uint32_t RemoveAt(uint32_t i) {
        if (m_array == nullptr) throw static_cast<uint32_t>(i);
        return m_array->RemoveAt(i);
    }
    uint32_t RemoveAtSwap(uint32_t i) {
        if (m_array == nullptr) throw static_cast<uint32_t>(i);
        return m_array->RemoveAtSwap(i);
    }
    void Swap(uint32_t i, uint32_t j) {
        if (m_array == nullptr) throw static_cast<uint32_t>(i);
        m_array->Swap(i, j);
    }
    void RemoveAll() {
        if (m_array != nullptr) m_array->RemoveAll();
    }
    void FreeAll() {
        if (m_array != nullptr) m_array->FreeAll();
    }

private:
    std::unique_ptr<Array> m_array;
};

// The four template names of a factor, stored on first write. Only the ghost
// factors name templates; until then the slot holds nothing and every name
// reads as empty. names[i] and range-for work as on the CStr_base<64>[4] it
// stands for; non-const access stores the names, const access never does.
class QDXTemplateNamesSlot {
public:
    static constexpr uint32_t kCount = 4;

    QDXTemplateNamesSlot() noexcept = default;
    QDXTemplateNamesSlot(const QDXTemplateNamesSlot&) = delete;
    // Copies the names (an unstored source makes them all empty).
    QDXTemplateNamesSlot& operator=(const QDXTemplateNamesSlot& other) {
        if (this == &other) return *this;
        if (other.m_names != nullptr) {
            CStr_base<64>* names = Store();
            for (uint32_t i = 0; i < kCount; ++i) names[i].AssignString(other.m_names[i]);
        } else {
            Clear();
        }
        return *this;
    }
    QDXTemplateNamesSlot(QDXTemplateNamesSlot&&) noexcept = default;
    QDXTemplateNamesSlot& operator=(QDXTemplateNamesSlot&&) noexcept = default;
    friend void swap(QDXTemplateNamesSlot& a, QDXTemplateNamesSlot& b) noexcept { a.m_names.swap(b.m_names); }

    bool IsStored() const noexcept { return m_names != nullptr; }
    // Every name emptied, buffers kept.
    void Clear() noexcept {
        if (m_names == nullptr) return;
        for (uint32_t i = 0; i < kCount; ++i) m_names[i].SetLength(0);
    }

    static constexpr uint32_t size() noexcept { return kCount; }
    CStr_base<64>& operator[](size_t i) { return Store()[i]; }
    const CStr_base<64>& operator[](size_t i) const noexcept { return m_names != nullptr ? m_names[i] : Empty(); }
    CStr_base<64>* begin() { return Store(); }
    CStr_base<64>* end() { return Store() + kCount; }
    // Const iteration over an unstored slot visits four empty names.
    class ConstIterator {
    public:
        ConstIterator(const QDXTemplateNamesSlot* slot, uint32_t i) noexcept : m_slot(slot), m_i(i) {}
        const CStr_base<64>& operator*() const noexcept { return (*m_slot)[m_i]; }
        ConstIterator& operator++() noexcept {
            ++m_i;
            return *this;
        }
        bool operator==(const ConstIterator& other) const noexcept { return m_i == other.m_i; }

    private:
        const QDXTemplateNamesSlot* m_slot;
        uint32_t m_i;
    };
    ConstIterator begin() const noexcept { return ConstIterator(this, 0); }
    ConstIterator end() const noexcept { return ConstIterator(this, kCount); }

private:
    static const CStr_base<64>& Empty() noexcept {
        static const CStr_base<64> empty;
        return empty;
    }
    CStr_base<64>* Store() {
        if (m_names == nullptr) m_names = std::make_unique<CStr_base<64>[]>(kCount);
        return m_names.get();
    }

    std::unique_ptr<CStr_base<64>[]> m_names;
};

// A factor's shape outline, made on first use. Most factors are read, written
// and edited without ever being drawn, and an outline (element array, crossing
// lists) costs far more than the text of a factor; until something asks for it
// the slot holds nothing and reads as a new outline: one start element at
// (0, 0). Anything that takes a DiagramInfo& can be given the slot directly.
class QDXOutlineSlot {
public:
    QDXOutlineSlot() noexcept = default;
    QDXOutlineSlot(const QDXOutlineSlot&) = delete;
    QDXOutlineSlot& operator=(const QDXOutlineSlot&) = delete;

    // The outline, made (as a new outline) when there is none yet.
    DiagramInfo& Get() {
        if (m_outline == nullptr) m_outline = std::make_unique<DiagramInfo>();
        return *m_outline;
    }
    // Whether the outline has been made.
    bool IsMade() const noexcept { return m_outline != nullptr; }

    operator DiagramInfo&() { return Get(); }
    DiagramInfo* operator->() { return &Get(); }

    // The outline's own operations; reading an outline not yet made reads a
    // new one, and resetting it keeps it unmade.
    void Reset() {
        if (m_outline != nullptr) m_outline->Reset();
    }
    uint32_t GetCount() const noexcept { return m_outline != nullptr ? m_outline->GetCount() : 1; }
    const DiagramInfoFactor& operator[](uint32_t i) const {
        if (m_outline != nullptr) return (*m_outline)[i];
        static const DiagramInfoFactor start{};
        if (i != 0) throw static_cast<uint32_t>(i);
        return start;
    }
    DiagramInfoFactor& operator[](uint32_t i) { return Get()[i]; }
    bool SetStartPoint(int32_t x, int32_t y) { return Get().SetStartPoint(x, y); }
    bool AddLine(int32_t x, int32_t y, uint8_t enabled) { return Get().AddLine(x, y, enabled); }
    bool AddCircleCurve(int32_t x, int32_t y, int32_t cx, int32_t cy, uint8_t direction, uint8_t enabled) {
        return Get().AddCircleCurve(x, y, cx, cy, direction, enabled);
    }
    bool AddArc(int32_t x, int32_t y, int32_t cx, int32_t cy, uint8_t enabled) {
        return Get().AddArc(x, y, cx, cy, enabled);
    }
    bool AddJump(int32_t x, int32_t y) { return Get().AddJump(x, y); }
    bool AddReturn() { return Get().AddReturn(); }
    bool AddTip() { return Get().AddTip(); }
    bool AddSeparator() { return Get().AddSeparator(); }

private:
    std::unique_ptr<DiagramInfo> m_outline;
};

// A fixed-point matrix slot whose entries are stored only once written. Few
// kinds use a matrix, and three matrices would otherwise be most of a factor's
// record; an unstored matrix reads as its identity (Identity::Make()).
//
// It reads and writes like the int32_t[N] it stands for: m[i], range-for, and
// conversion to int32_t (&)[N] or a pointer. Every non-const access stores the
// entries (starting from the identity); const access never does. A reset puts
// the identity back and keeps the storage for the next use.
template <uint32_t N, class Identity>
class QDXMatrixSlot {
public:
    using Array = int32_t[N];

    QDXMatrixSlot() noexcept = default;
    ~QDXMatrixSlot() { delete m_block; }
    QDXMatrixSlot(const QDXMatrixSlot&) = delete;
    // Copies the entries (an unstored source makes this one read as the identity).
    QDXMatrixSlot& operator=(const QDXMatrixSlot& other) {
        if (this == &other) return *this;
        if (other.m_block != nullptr) {
            Store() = *other.m_block;
        } else if (m_block != nullptr) {
            *m_block = kIdentity;
        }
        return *this;
    }
    QDXMatrixSlot(QDXMatrixSlot&& other) noexcept : m_block(other.m_block) { other.m_block = nullptr; }
    QDXMatrixSlot& operator=(QDXMatrixSlot&& other) noexcept {
        std::swap(m_block, other.m_block);
        return *this;
    }
    friend void swap(QDXMatrixSlot& a, QDXMatrixSlot& b) noexcept { std::swap(a.m_block, b.m_block); }

    static constexpr uint32_t size() noexcept { return N; }
    // Whether entries are stored (false: the slot reads as the identity).
    bool IsStored() const noexcept { return m_block != nullptr; }
    void Reset() noexcept {
        if (m_block != nullptr) *m_block = kIdentity;
    }

    Array& Get() { return Store().v; }
    const Array& Get() const noexcept { return m_block != nullptr ? m_block->v : kIdentity.v; }
    operator Array&() { return Get(); }
    operator const Array&() const noexcept { return Get(); }
    int32_t& operator[](size_t i) { return Get()[i]; }
    const int32_t& operator[](size_t i) const noexcept { return Get()[i]; }
    int32_t* begin() { return Get(); }
    int32_t* end() { return Get() + N; }
    const int32_t* begin() const noexcept { return Get(); }
    const int32_t* end() const noexcept { return Get() + N; }

private:
    struct Block {
        Array v;
    };
    static constexpr Block MakeIdentity() {
        Block b{};
        Identity::Make(b.v);
        return b;
    }
    static constexpr Block kIdentity = MakeIdentity();

    Block& Store() {
        if (m_block == nullptr) m_block = new Block(kIdentity);
        return *m_block;
    }

    Block* m_block = nullptr;
};

// The identities of the three matrices in 16.16: the colour matrix maps each of
// its four channels onto itself; the mapping matrices carry their constant
// term in entry 20.
struct QDXColorExIdentity {
    static constexpr void Make(int32_t (&m)[36]) { m[0] = m[11] = m[22] = m[33] = 0x10000; }
};
struct QDXXYIdentity {
    static constexpr void Make(int32_t (&m)[42]) {
        m[0] = m[8] = 0x10000;
        m[20] = 0x1000000;
    }
};
struct QDXRAIdentity {
    static constexpr void Make(int32_t (&m)[42]) {
        m[9] = 0x10000;
        m[20] = 0x1000000;
    }
};

class QDXFactor {
public:
    // Number of entries of the three matrices (4 x 9, 6 x 7, 6 x 7).
    static constexpr uint32_t kColorExMatrixSize = 36;
    static constexpr uint32_t kMappingMatrixSize = 42;

    // Kind codes that the document itself acts on: factors that point at other
    // factors by position, name other objects in ghost and target lists, or
    // move by whole pixels.
    static constexpr uint32_t kFrameRefA = 12;
    static constexpr uint32_t kFrameRef = 112;
    static constexpr uint32_t kGhostFactor = 1101;
    static constexpr uint32_t kGhostObject = 1102;
    static constexpr uint32_t kTransform = 1104;
    static constexpr uint32_t kDiagramTransform = 1105;
    static constexpr uint32_t kDiagramTransform2 = 1106;
    static constexpr uint32_t kTargetList = 1110;
    static constexpr uint32_t kForeach = 1111;
    static constexpr uint32_t kSetMaskRef = 1115;
    static constexpr uint32_t kHomographyTransform = 1116;

    // The members built empty and every value slot at its reset value (a record
    // is never read before a reset, but a defined start costs nothing).
    QDXFactor();
    // Members go in reverse order of declaration (the containers free their
    // storage); nothing else to do.
    ~QDXFactor() = default;

    QDXFactor(const QDXFactor&) = delete;
    QDXFactor& operator=(const QDXFactor&) = delete;

    // Back to the reset state. Cheap on purpose: the path and target arrays and
    // the outline keep their storage for reuse, the strings their buffers; only
    // the gradation-point block is freed. GradationColors is left as it is: it is
    // read only up to GradationCount (0 now), and the gradient parser empties it
    // before it fills it.
    void Reset() noexcept;

    // Every slot but the shape outline (Diagram: built from the others before
    // drawing, never by a parse) copied from other, lists included.
    void CopyContentsFrom(const QDXFactor& other);
    // Every slot but the shape outline exchanged with other, without copying.
    void SwapContents(QDXFactor& other) noexcept;

    // Name := "<objectName>?<index>", the name every factor carries: its owning
    // object's name and its position in the factor list, from 0.
    void AssignName(const char* objectName, int32_t index);

    // Reads one factor text of the current vocabulary (formats 1.1 and 1.2)
    // into this record in place: true when a keyword matched and every argument
    // was accepted (Kind then holds its code); false otherwise, with Kind
    // unchanged. Defined with the factor vocabulary (document/vocabulary/).
    bool ParseText(const char* text);
    // Reads one factor text of the format-1.0 vocabulary (read only: such a
    // document is saved in the current format) into this record, which the
    // caller has reset and named: true when a keyword matched and every
    // argument was accepted. On false the record is partly written (Kind
    // still as it was) and the caller discards it. Defined with the legacy
    // vocabulary (document/legacy/).
    bool ParseLegacyText(const char* text);
    // Replaces out with the factor's text in format 1.2: true when written;
    // false, out unchanged, for a kind outside the vocabulary or a list element
    // that cannot be written. Defined with the factor vocabulary.
    bool WriteText(CStr_base<1024>& out) const;

    // ---- references between objects (the dependency walker) ----

    // Whether this factor, evaluated as a factor of object with templateArgs,
    // references name: directly, or through the factors a ghost or a Foreach
    // takes. With onlyEnabled a GhostObject looks only at enabled factors and a
    // Foreach only at the enabled target entries in its range.
    bool DependsOn(const char* name, CQDXCtrl& document, QDXObject& object, bool onlyEnabled,
                   QDXTemplateArgs templateArgs) const;
    // The relation invalidation uses: DependsOn with only enabled ghost factors
    // and target entries counting.
    bool DependsOnForInvalidate(const char* name, CQDXCtrl& document, QDXObject& object,
                                QDXTemplateArgs templateArgs) const;
    // Adds every name this factor references to map (value: this factor's Name
    // for a name added here), and transitively what the named objects reference.
    void CollectReferences(CMapSingle<const char*, 64, 32>& map, CQDXCtrl& document, QDXObject& object,
                           bool onlyEnabled, QDXTemplateArgs templateArgs) const;

    // ---- drawing ----

    // Builds the factor's shape outline into Diagram: the path kinds (1, 11,
    // 101, 111) from their start point and path list, scaled by (scaleX,
    // scaleY); the shape kinds 2-8, 10, 102-108, 110 from their fields through
    // the shape builders, scaled as they draw (coordinates by scaleX and
    // scaleY, widths by scaleThickness), so an outline always matches the
    // shape on the canvas. False for every other kind, for a shape its builder
    // refuses, and for a path node that cannot be read (then with a message).
    // Defined with the renderer (document/renderer/).
    bool BuildDiagram(double scaleX, double scaleY, double scaleThickness, CStr_base<64>* errorText);

    // ---- editing ----

    // Moves the factor by (dx, dy) sixteenths of a pixel: shapes and paths by
    // that much, the other kinds by whole pixels (truncated toward zero).
    // Always true; invalidating is the caller's business.
    bool Translate(int32_t dx, int32_t dy);
    // Puts prefix in front of every object name this factor references (not
    // the reserved names, not a GhostFactor's source). Always true.
    bool PrefixReferences(const char* prefix);

    // ---- slots, in record order ----
    // The lists are made on first addition; until then each reads as empty.
    QDXListSlot<QDXPath> Path;                        // at most 10000 from text
    QDXListSlot<QDXForeachTargetInfo> Targets;        // at most 1000 from text
    QDXOutlineSlot Diagram;                           // shape outline, built before drawing (made on first use)
    CMemoryBlock<MixGradationPoint> GradationPoints;  // at most 2000 from text
    QDXListSlot<uint32_t> GradationColors;            // one palette word per point; first GradationCount valid
    uint32_t GradationCount;
    uint32_t Options;  // option bits, or a whole number, per kind
    int32_t SpaceParam1;
    int32_t SpaceParam2;
    int32_t SpaceParam3;
    int32_t RangeParam1;
    int32_t RangeParam2;
    int32_t RangeParam3;
    uint8_t Alpha;
    uint8_t ByteParam1;
    uint8_t ByteParam2;
    uint8_t ByteParam3;
    uint32_t Color1;
    uint32_t Color2;
    uint32_t Color3;
    uint32_t Color4;
    uint32_t ColorRef1;  // 0: Color1 is a direct colour; else the palette reference supplying it
    uint32_t ColorRef2;
    uint32_t ColorRef3;
    uint32_t ColorRef4;
    int32_t X1;
    int32_t X2;
    int32_t X3;
    int32_t X4;
    int32_t X5;
    int32_t Y1;
    int32_t Y2;
    int32_t Y3;
    int32_t Y4;
    int32_t Y5;
    int32_t Width;
    int32_t RefNumber1;  // position of another factor in a factor list, from 0
    int32_t RefNumber2;
    int32_t ForeachFirst;
    int32_t ForeachLast;
    bool CurveFlag;
    bool Enabled;  // false when the factor's text began with "!"
    double Real1;
    double Real2;
    double Real3;
    double Real4;
    double Real5;
    double Real6;
    double Real7;
    double Real8;
    double Real9;
    double Real10;
    double Real11;
    double Real12;
    uint32_t IntParam1;
    uint32_t IntParam2;
    int32_t IntParam3;
    int32_t IntParam4;
    int32_t IntParam5;
    int32_t IntParam6;
    // Stored on first write; until then each reads as its identity.
    QDXMatrixSlot<kColorExMatrixSize, QDXColorExIdentity> ColorExMatrix;  // 4 rows of 9
    QDXMatrixSlot<kMappingMatrixSize, QDXXYIdentity> XYMatrix;            // 6 rows of 7
    QDXMatrixSlot<kMappingMatrixSize, QDXRAIdentity> RAMatrix;            // 6 rows of 7
    CStr_base<64> SourceName;
    CStr_base<64> Name;
    CStr_base<64> FontSpec;  // as written
    CStr_base<64> Text;      // unescaped
    QDXTemplateNamesSlot TemplateNames;  // stored on first write; until then four empty names
    uint32_t Kind;  // 0: no kind

private:
    void ResetValues() noexcept;
};
