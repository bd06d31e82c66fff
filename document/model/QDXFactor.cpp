#include "document/model/QDXFactor.h"

#include <algorithm>
#include <cstring>
#include <utility>

QDXFactor::QDXFactor() { ResetValues(); }

void QDXFactor::Reset() noexcept {
    Path.RemoveAll();
    Targets.RemoveAll();
    Diagram.Reset();
    GradationPoints.Free();
    ResetValues();
}

void QDXFactor::ResetValues() noexcept {
    GradationCount = 0;
    Options = 0;
    Kind = 0;
    SpaceParam1 = SpaceParam2 = SpaceParam3 = 0;
    RangeParam1 = 360;
    RangeParam2 = 256;
    RangeParam3 = 256;
    Alpha = ByteParam1 = ByteParam2 = ByteParam3 = 255;
    Color1 = Color2 = Color3 = Color4 = 0;
    ColorRef1 = ColorRef2 = ColorRef3 = ColorRef4 = 0;
    X1 = X2 = X3 = X5 = 0;
    Y1 = Y2 = Y3 = Y5 = 0;
    X4 = Y4 = 1;
    Width = 16;
    RefNumber1 = RefNumber2 = 0;
    ForeachFirst = 0;
    ForeachLast = -1;
    CurveFlag = false;
    Enabled = true;
    Real1 = Real2 = Real3 = 0.0;
    Real4 = Real5 = Real6 = Real7 = Real8 = 1.0;
    Real9 = Real10 = Real11 = 0.0;
    Real12 = 10000.0;
    IntParam1 = 0x01010101u;
    IntParam2 = 0x7777u;
    IntParam3 = IntParam4 = IntParam5 = 0;
    IntParam6 = 256;

    // Back to the identities; a stored matrix keeps its storage.
    ColorExMatrix.Reset();
    XYMatrix.Reset();
    RAMatrix.Reset();

    // Emptied, buffers kept: the next parse usually fills them again.
    SourceName.SetLength(0);
    Name.SetLength(0);
    FontSpec.SetLength(0);
    Text.SetLength(0);
    TemplateNames.Clear();
}

// "%s?%d" without the formatter: every factor of a loaded document is named.
void QDXFactor::AssignName(const char* objectName, int32_t index) {
    char digits[12];
    char* p = digits + sizeof digits;
    uint32_t value = index < 0 ? 0u - uint32_t(index) : uint32_t(index);
    do {
        *--p = char('0' + value % 10);
        value /= 10;
    } while (value != 0);
    if (index < 0) *--p = '-';
    *--p = '?';
    Name.Assign(objectName);
    Name.AppendBytesN(p, int32_t(digits + sizeof digits - p));
}

// Every value slot, strings and matrices included; the lists are handled apart.
#define QDX_FACTOR_VALUE_SLOTS(X)                                                                                  \
    X(GradationCount) X(Options) X(SpaceParam1) X(SpaceParam2) X(SpaceParam3) X(RangeParam1) X(RangeParam2)         \
    X(RangeParam3) X(Alpha) X(ByteParam1) X(ByteParam2) X(ByteParam3) X(Color1) X(Color2) X(Color3) X(Color4)      \
    X(ColorRef1) X(ColorRef2) X(ColorRef3) X(ColorRef4) X(X1) X(X2) X(X3) X(X4) X(X5) X(Y1) X(Y2) X(Y3) X(Y4)       \
    X(Y5) X(Width) X(RefNumber1) X(RefNumber2) X(ForeachFirst) X(ForeachLast) X(CurveFlag) X(Enabled) X(Real1)    \
    X(Real2) X(Real3) X(Real4) X(Real5) X(Real6) X(Real7) X(Real8) X(Real9) X(Real10) X(Real11) X(Real12)          \
    X(IntParam1) X(IntParam2) X(IntParam3) X(IntParam4) X(IntParam5) X(IntParam6) X(ColorExMatrix) X(XYMatrix)     \
    X(RAMatrix) X(SourceName) X(Name) X(FontSpec) X(Text) X(TemplateNames) X(Kind)

namespace {

template <class T>
void CopySlot(T& to, const T& from) {
    to = from;
}
template <class T, size_t N>
void CopySlot(T (&to)[N], const T (&from)[N]) {
    std::copy(from, from + N, to);
}

}  // namespace

void QDXFactor::CopyContentsFrom(const QDXFactor& other) {
    if (&other == this) return;
#define QDX_COPY_SLOT(slot) CopySlot(slot, other.slot);
    QDX_FACTOR_VALUE_SLOTS(QDX_COPY_SLOT)
#undef QDX_COPY_SLOT
    Path.RemoveAll();
    for (const QDXPath* node : other.Path) *Path.AddNew() = *node;
    Targets.RemoveAll();
    for (const QDXForeachTargetInfo* entry : other.Targets) *Targets.AddNew() = *entry;
    GradationPoints.Free();
    const uint32_t points = other.GradationPoints.GetCount();
    if (points != 0)
        std::copy(other.GradationPoints.GetBuffer(), other.GradationPoints.GetBuffer() + points,
                  GradationPoints.Alloc(points));
    GradationColors.RemoveAll();
    for (const uint32_t* word : other.GradationColors) *GradationColors.AddNew() = *word;
}

void QDXFactor::SwapContents(QDXFactor& other) noexcept {
    using std::swap;
#define QDX_SWAP_SLOT(slot) swap(slot, other.slot);
    QDX_FACTOR_VALUE_SLOTS(QDX_SWAP_SLOT)
#undef QDX_SWAP_SLOT
    swap(Path, other.Path);
    swap(Targets, other.Targets);
    swap(GradationPoints, other.GradationPoints);
    swap(GradationColors, other.GradationColors);
}
