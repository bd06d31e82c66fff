// The factor family of structure (1101-1118): factors that reuse another
// factor or a whole object (the ghosts), draw another object through a
// geometric transform (frame, quadrilateral, outline-bounded, mapping-matrix,
// affine, projective, 3D plane and sphere draws), carry extended information,
// hold a list of targets and repeat a factor over it, and open and close
// drawing masks. Coordinates are whole pixels, angles radians; reals are
// written with six decimals, the rotation angles of the 3D draws with eight.
//
// The option argument is read as a signed decimal everywhere but kept in three
// ways: a byte range-checked 0..255 (DrawFrame, Transform) or 0..9 (ExInfo),
// the low 8 bits of any number (the mapping matrices), or the whole 32-bit
// value (GhostFactor, AffineTransform, 3DDraw, 3DSphere). The whole-value
// options are read as unsigned (the same 32 bits for every number in range)
// and written signed, so those rows write through a hook.
//
// The members whose arguments no field slot can name (the template names of
// GhostObject, the 42 matrix entries), whose options need a check before they
// are stored, or whose counts are their own (TargetList, RAMappingMatrix) are
// read and written by hooks. Their counts are checked before anything is
// stored, and their arguments are then read from left to right, each straight
// into its field.
#include <charconv>
#include <iterator>

#include "document/model/QDXFactor.h"
#include "document/text/NumberScan.h"
#include "document/text/TextLexer.h"
#include "document/vocabulary/FactorTable.h"
#include "foundation/strings/Format.h"

namespace vocabulary {
namespace {

using F = QDXFactor;

const char* Mark(const QDXFactor& factor) { return factor.Enabled ? "" : "!"; }

// ---- reading the items of a hook-read member ----

class Items {
public:
    explicit Items(const CStrArray_base<64>& items) : m_items(items) {}

    const char* At(uint32_t i) const { return m_items.GetAt(i)->GetText(); }

    bool Int(uint32_t i, int32_t& value) const { return ScanInt(At(i), value); }
    bool Real(uint32_t i, double& value) const { return ScanFiniteReal(At(i), value); }
    // An object name: the bytes between the item's first byte and the next
    // occurrence of it, refused when they could not be written back.
    bool Name(uint32_t i, CStr_base<64>& name) const {
        const char* begin;
        int32_t length;
        if (!FindQuotedText(At(i), begin, length)) return false;
        name.AssignN(begin, length);
        return true;
    }
    // ExInfo's free text: quoted like a name, read verbatim here (the caller
    // unescapes it). It is written escaped, so any byte between the quotes
    // reads back.
    bool Text(uint32_t i, CStr_base<64>& text) const {
        const char* item = At(i);
        const int32_t close = FindClosingQuote(item);
        if (close < 1) return false;
        text.AssignN(item + 1, close - 1);
        return true;
    }
    // A level 0..255.
    bool Level(uint32_t i, uint8_t& level) const {
        int32_t value;
        if (!ScanInt(At(i), value) || value < 0 || value > 255) return false;
        level = uint8_t(value);
        return true;
    }
    // An option that must lie in 0..max; stored only when it does.
    bool RangedOption(uint32_t i, int32_t max, uint32_t& options) const {
        int32_t value;
        if (!ScanInt(At(i), value) || value < 0 || value > max) return false;
        options = uint32_t(value);
        return true;
    }
    // Any number; its low 8 bits are kept (-1 becomes 255, 256 becomes 0).
    bool ByteOption(uint32_t i, uint32_t& options) const {
        int32_t value;
        if (!ScanInt(At(i), value)) return false;
        options = uint32_t(value) & 0xFFu;
        return true;
    }

private:
    const CStrArray_base<64>& m_items;
};

void AppendInt(CStr_base<1024>& out, int32_t value) {
    char digits[12];
    const std::to_chars_result end = std::to_chars(digits, digits + sizeof digits, value);
    out.AppendBytesN(digits, int32_t(end.ptr - digits));
}

// ---- 1101 "GhostFactor(" (read by fields; the option written signed) ----


// ---- 1102 "GhostObject(": the source and the four template names ----

bool ParseGhostObject(QDXFactor& f, const CStrArray_base<64>& items, uint32_t count) {
    if (count != 5) return false;
    const Items in(items);
    if (!in.Name(0, f.SourceName)) return false;
    for (uint32_t k = 0; k < 4; ++k)
        if (!in.Name(1 + k, f.TemplateNames[k])) return false;
    return true;
}

bool WriteGhostObject(const QDXFactor& f, CStr_base<1024>& out) {
    out.Format("%sGhostObject(\"%s\",\"%s\",\"%s\",\"%s\",\"%s\")", Mark(f), f.SourceName.GetText(),
               f.TemplateNames[0].GetText(), f.TemplateNames[1].GetText(), f.TemplateNames[2].GetText(),
               f.TemplateNames[3].GetText());
    return true;
}

// ---- 1103 "DrawFrame(": exactly 11, the option 0..255 ----

bool ParseDrawFrame(QDXFactor& f, const CStrArray_base<64>& items, uint32_t count) {
    if (count != 11) return false;
    const Items in(items);
    return in.Int(0, f.X1) && in.Int(1, f.Y1) && in.Int(2, f.X2) && in.Int(3, f.Y2) && in.Name(4, f.SourceName) &&
           in.Int(5, f.X3) && in.Int(6, f.Y3) && in.Int(7, f.X4) && in.Int(8, f.Y4) && in.Level(9, f.Alpha) &&
           in.RangedOption(10, 255, f.Options);
}

bool WriteDrawFrame(const QDXFactor& f, CStr_base<1024>& out) {
    out.Format("%sDrawFrame(%d,%d,%d,%d,\"%s\",%d,%d,%d,%d,%u,%u)", Mark(f), f.X1, f.Y1, f.X2, f.Y2,
               f.SourceName.GetText(), f.X3, f.Y3, f.X4, f.Y4, uint32_t(f.Alpha), f.Options);
    return true;
}

// ---- 1104 "Transform(": exactly 10, the option 0..255 ----

bool ParseTransform(QDXFactor& f, const CStrArray_base<64>& items, uint32_t count) {
    if (count != 10) return false;
    const Items in(items);
    return in.Name(0, f.SourceName) && in.Int(1, f.X1) && in.Int(2, f.Y1) && in.Int(3, f.X2) && in.Int(4, f.Y2) &&
           in.Int(5, f.X3) && in.Int(6, f.Y3) && in.Int(7, f.X4) && in.Int(8, f.Y4) &&
           in.RangedOption(9, 255, f.Options);
}

bool WriteTransform(const QDXFactor& f, CStr_base<1024>& out) {
    out.Format("%sTransform(\"%s\",%d,%d,%d,%d,%d,%d,%d,%d,%u)", Mark(f), f.SourceName.GetText(), f.X1, f.Y1, f.X2,
               f.Y2, f.X3, f.Y3, f.X4, f.Y4, f.Options);
    return true;
}

// ---- 1107 "XYMappingMatrix(" and 1108 "RAMappingMatrix(" ----

// Draw geometry and source, arguments 1-11, then the angle (argument 12).
bool ParseMappingHead(QDXFactor& f, const Items& in) {
    return in.Int(0, f.X1) && in.Int(1, f.Y1) && in.Int(2, f.X2) && in.Int(3, f.Y2) && in.Int(4, f.X3) &&
           in.Int(5, f.Y3) && in.Name(6, f.SourceName) && in.Int(7, f.X4) && in.Int(8, f.Y4) && in.Int(9, f.X5) &&
           in.Int(10, f.Y5) && in.Real(11, f.Real1);
}

// The 42 entries, row after row, from item first on.
bool ParseMatrix(const Items& in, uint32_t first, int32_t (&matrix)[QDXFactor::kMappingMatrixSize]) {
    for (uint32_t k = 0; k < QDXFactor::kMappingMatrixSize; ++k)
        if (!in.Int(first + k, matrix[k])) return false;
    return true;
}

void WriteMappingHead(const QDXFactor& f, const char* keyword, CStr_base<1024>& out) {
    out.Format("%s%s%d,%d,%d,%d,%d,%d,\"%s\",%d,%d,%d,%d,%f,", Mark(f), keyword, f.X1, f.Y1, f.X2, f.Y2, f.X3, f.Y3,
               f.SourceName.GetText(), f.X4, f.Y4, f.X5, f.Y5, f.Real1);
}

void WriteMatrix(const int32_t (&matrix)[QDXFactor::kMappingMatrixSize], CStr_base<1024>& out) {
    for (const int32_t entry : matrix) {
        AppendInt(out, entry);
        out.AppendChar(',');
    }
}

constexpr uint32_t kXYMatrixFirst = 12;

bool ParseXYMappingMatrix(QDXFactor& f, const CStrArray_base<64>& items, uint32_t count) {
    if (count != 56) return false;
    const Items in(items);
    return ParseMappingHead(f, in) && ParseMatrix(in, kXYMatrixFirst, f.XYMatrix) && in.Level(54, f.Alpha) &&
           in.ByteOption(55, f.Options);
}

bool WriteXYMappingMatrix(const QDXFactor& f, CStr_base<1024>& out) {
    WriteMappingHead(f, "XYMappingMatrix(", out);
    WriteMatrix(f.XYMatrix, out);
    CStr_base<64> tail;
    tail.Format("%u,%u)", uint32_t(f.Alpha), f.Options);
    out.AppendString(tail);
    return true;
}

// RAMappingMatrix has Real8 after the angle, so everything after it is one
// position later; its last two reals are read only from a list of exactly 59.
constexpr uint32_t kRAMatrixFirst = 13;
constexpr uint32_t kRAMappingLeast = 57;
constexpr uint32_t kRAMappingFull = 59;

bool ParseRAMappingMatrix(QDXFactor& f, const CStrArray_base<64>& items, uint32_t count) {
    if (count < kRAMappingLeast) return false;
    const Items in(items);
    if (!ParseMappingHead(f, in) || !in.Real(12, f.Real8) || !ParseMatrix(in, kRAMatrixFirst, f.RAMatrix) ||
        !in.Level(55, f.Alpha) || !in.ByteOption(56, f.Options))
        return false;
    if (count != kRAMappingFull) {
        f.Real11 = 0.0;
        f.Real12 = 10000.0;
        return true;
    }
    return in.Real(57, f.Real11) && in.Real(58, f.Real12);
}

bool WriteRAMappingMatrix(const QDXFactor& f, CStr_base<1024>& out) {
    WriteMappingHead(f, "RAMappingMatrix(", out);
    CStr_base<64> piece;
    piece.Format("%f,", f.Real8);
    out.AppendString(piece);
    WriteMatrix(f.RAMatrix, out);
    piece.Format("%u,%u,%f,%f)", uint32_t(f.Alpha), f.Options, f.Real11, f.Real12);
    out.AppendString(piece);
    return true;
}

// ---- 1109 "ExInfo(": the option stored before the level is read; the text
// unescaped on reading and escaped on writing ----

bool ParseExInfo(QDXFactor& f, const CStrArray_base<64>& items, uint32_t count) {
    if (count != 8) return false;
    const Items in(items);
    if (!in.Int(0, f.X1) || !in.Int(1, f.Y1) || !in.Int(2, f.X2) || !in.Int(3, f.Y2) ||
        !in.RangedOption(4, 9, f.Options) || !in.Level(5, f.Alpha) || !in.Name(6, f.SourceName) ||
        !in.Text(7, f.Text))
        return false;
    thread_local CStr_base<64> scratch;
    Unescape(f.Text, scratch);
    return true;
}

bool WriteExInfo(const QDXFactor& f, CStr_base<1024>& out) {
    thread_local CStr_base<64> text;
    thread_local CStr_base<64> scratch;
    text.AssignString(f.Text);
    Escape(text, scratch);
    out.Format("%sExInfo(%d,%d,%d,%d,%u,%u,\"%s\",\"", Mark(f), f.X1, f.Y1, f.X2, f.Y2, f.Options,
               uint32_t(f.Alpha), f.SourceName.GetText());
    out.AppendString(text);
    out.Append("\")");
    return true;
}

// ---- 1110 "TargetList(": up to 1000 "FTI(" items ----

constexpr uint32_t kMaxTargets = 1000;

// The row is parsed all or nothing, so an item that does not read leaves the
// factor's list (and everything else) as it was, rather than holding the
// entries appended before it.
bool ParseTargetList(QDXFactor& f, const CStrArray_base<64>& items, uint32_t count) {
    if (count > kMaxTargets) return false;
    f.Targets.RemoveAll();
    if (items.GetAt(0)->IsEmpty()) return true;  // an empty list; later items are not looked at
    for (uint32_t i = 0; i < count; ++i) {
        if (!f.Targets.AddNew()->ParseText(items.GetAt(i)->GetText())) return false;
    }
    return true;
}

bool WriteTargetList(const QDXFactor& f, CStr_base<1024>& out) {
    thread_local CStr_base<64> entry;
    out.Assign(Mark(f));
    out.Append("TargetList(");
    const uint32_t count = f.Targets.GetCount();
    for (uint32_t i = 0; i < count; ++i) {
        f.Targets.GetAt(i)->WriteText(entry);
        out.AppendString(entry);
        out.AppendChar(',');
    }
    if (count != 0) out.DropLastChar();
    out.AppendChar(')');
    return true;
}

// ---- 1112 "AffineTransform(", 1117 "3DDraw(", 1118 "3DSphere(": read by
// fields, the whole-value option written signed ----




// ---- fields ----

// An int that the short form omits; it then takes the default.
constexpr FactorField OptionalInt(uint8_t position, int32_t QDXFactor::*slot, int32_t defaultValue) {
    return {ArgType::kInt, position, FactorField::kOptional, 0, defaultValue, slot};
}
// A whole-value option: any number, all 32 bits kept, written signed.
constexpr FactorField WholeOption(uint8_t position, uint8_t flags = 0) {
    return {ArgType::kULongInt, position, flags, 0, 0, &QDXFactor::Options};
}
// A real written "%f".
constexpr FactorField Real6(uint8_t position, double QDXFactor::*slot) { return Real(position, slot, 6); }
// A rotation angle of the 3D draws, written "%.8f".
constexpr FactorField Angle(uint8_t position, double QDXFactor::*slot) { return Real(position, slot, 8); }

constexpr FactorField kGhostFactor[] = {Name(0, &F::SourceName), Int(1, &F::RefNumber1),
                                        WholeOption(2, FactorField::kOptional)};

constexpr FactorField kDiagramTransform[] = {Int(0, &F::RefNumber1), Name(1, &F::SourceName), Int(2, &F::X3),
                                             Int(3, &F::Y3),         Int(4, &F::X4),          Int(5, &F::Y4)};

constexpr FactorField kDiagramTransform2[] = {Int(0, &F::RefNumber1), Name(1, &F::SourceName),
                                              Int(2, &F::RefNumber2)};

constexpr FactorField kForeach[] = {Int(0, &F::RefNumber1), Int(1, &F::RefNumber2),
                                    OptionalInt(2, &F::ForeachFirst, 0), OptionalInt(3, &F::ForeachLast, -1)};

constexpr FactorField kAffineTransform[] = {
    Int(0, &F::X1),       Int(1, &F::Y1),       Int(2, &F::X2),       Int(3, &F::Y2),
    Int(4, &F::X3),       Int(5, &F::Y3),       Name(6, &F::SourceName), Int(7, &F::X4),
    Int(8, &F::Y4),       Alpha(9),             Real6(10, &F::Real4), Real6(11, &F::Real5),
    Real6(12, &F::Real1), Real6(13, &F::Real9), Real6(14, &F::Real10), Int(15, &F::X5),
    Int(16, &F::Y5),      WholeOption(17)};

constexpr FactorField kSetMask[] = {Int(0, &F::X1),          Int(1, &F::Y1), Int(2, &F::X2), Int(3, &F::Y2),
                                    Name(4, &F::SourceName), Int(5, &F::X3), Int(6, &F::Y3)};

constexpr FactorField kSetMaskRef[] = {Int(0, &F::RefNumber1)};

constexpr FactorField kHomographyTransform[] = {Name(0, &F::SourceName), Int(1, &F::X1), Int(2, &F::Y1),
                                                Int(3, &F::X2),          Int(4, &F::Y2), Int(5, &F::X3),
                                                Int(6, &F::Y3),          Int(7, &F::X4), Int(8, &F::Y4),
                                                Alpha(9)};

constexpr FactorField k3DDraw[] = {
    Name(0, &F::SourceName), Int(1, &F::X1),       Int(2, &F::Y1),       Int(3, &F::X2),
    Int(4, &F::Y2),          Real6(5, &F::Real11), Real6(6, &F::Real4),  Real6(7, &F::Real5),
    Angle(8, &F::Real1),     Angle(9, &F::Real2),  Angle(10, &F::Real3), Int(11, &F::X3),
    Int(12, &F::Y3),         Int(13, &F::X5),      Int(14, &F::Y5),      Real6(15, &F::Real12),
    Alpha(16),               WholeOption(17)};

constexpr FactorField k3DSphere[] = {
    Name(0, &F::SourceName), Int(1, &F::X1),        Int(2, &F::Y1),       Int(3, &F::X2),
    Int(4, &F::Y2),          Real6(5, &F::Real11),  Int(6, &F::Width),    Angle(7, &F::Real1),
    Angle(8, &F::Real2),     Angle(9, &F::Real3),   Real6(10, &F::Real12), Int(11, &F::X3),
    Int(12, &F::Y3),         Int(13, &F::X4),       Int(14, &F::Y4),      Alpha(15),
    WholeOption(16)};

// ---- rows ----

constexpr FactorRow Hooked(uint32_t kind, const char* keyword, ParseHook parse, WriteHook write) {
    return FactorRow{kind, keyword, CountRule::kCustom, 0, 0, {}, parse, write};
}
constexpr FactorRow Exact(uint32_t kind, const char* keyword, FieldList fields, WriteHook write = nullptr) {
    return FactorRow{kind, keyword, CountRule::kExact, uint8_t(fields.count), 0, fields, nullptr, write};
}

constexpr FactorRow kStructureRows[] = {
    FactorRow{1101, "GhostFactor(", CountRule::kFullOrShort, 3, 2, kGhostFactor},
    Hooked(1102, "GhostObject(", &ParseGhostObject, &WriteGhostObject),
    Hooked(1103, "DrawFrame(", &ParseDrawFrame, &WriteDrawFrame),
    Hooked(1104, "Transform(", &ParseTransform, &WriteTransform),
    Exact(1105, "DiagramTransform(", kDiagramTransform),
    Exact(1106, "DiagramTransform2(", kDiagramTransform2),
    Hooked(1107, "XYMappingMatrix(", &ParseXYMappingMatrix, &WriteXYMappingMatrix),
    Hooked(1108, "RAMappingMatrix(", &ParseRAMappingMatrix, &WriteRAMappingMatrix),
    Hooked(1109, "ExInfo(", &ParseExInfo, &WriteExInfo),
    FactorRow{1110, "TargetList(", CountRule::kCustom, 0, 0, {}, &ParseTargetList, &WriteTargetList,
              FactorRow::kAllOrNothing},
    FactorRow{1111, "Foreach(", CountRule::kFullOrShort, 4, 2, kForeach},
    Exact(1112, "AffineTransform(", kAffineTransform),
    FactorRow{1113, "SetMask(", CountRule::kAtLeast, 7, 0, kSetMask},
    FactorRow{1114, "ClearMask()", CountRule::kNone, 0, 0, {}},
    Exact(1115, "SetMaskRef(", kSetMaskRef),
    Exact(1116, "HomographyTransform(", kHomographyTransform),
    Exact(1117, "3DDraw(", k3DDraw),
    Exact(1118, "3DSphere(", k3DSphere),
};

}  // namespace

constinit const FactorFamily kStructureFamily = {kStructureRows, uint32_t(std::size(kStructureRows)), nullptr, 0};

}  // namespace vocabulary
