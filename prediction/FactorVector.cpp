#include "prediction/FactorVector.h"

#include <cmath>
#include <cstring>

#include "document/text/NumberScan.h"
#include "document/text/TextLexer.h"
#include "foundation/strings/Format.h"

namespace {

constexpr char kListKeyword[] = "FactorVectorList(";
constexpr uint32_t kListKeywordLength = sizeof(kListKeyword) - 1;

}  // namespace

bool FactorVector::Parse(FactorVector& vector, const char* text, CStrArray_base<64>& items) {
    // The opening bracket is taken on trust; an empty item has nothing to skip.
    const char* inside = text[0] != 0 ? text + 1 : text;
    if (SplitArguments(items, inside) != 6) return false;
    if (!ScanReal(items.GetAt(0)->GetText(), vector.Angle)) return false;
    if (!ScanReal(items.GetAt(1)->GetText(), vector.Length)) return false;
    if (!ScanInt(items.GetAt(2)->GetText(), vector.Kind)) return false;
    if (!ScanReal(items.GetAt(3)->GetText(), vector.ControlAngle)) return false;
    if (!ScanReal(items.GetAt(4)->GetText(), vector.ControlDistance)) return false;
    vector.Flag = *items.GetAt(5) == "true" ? 1 : 0;
    vector.StartX = 0.0;
    vector.StartY = 0.0;
    return true;
}

bool FactorVectorList::Write(CStr_base<1024>& out) const {
    out.Format("FactorVectorList(%x,", Color);
    out.Append(Closed != 0 ? "c," : "o,");
    CStr_base<64> item;
    for (const FactorVector* v : *this) {
        item.Format("(%.9f,%.9f,%d,%.9f,%.9f,%s),", v->Angle, v->Length, v->Kind, v->ControlAngle,
                    v->ControlDistance, v->Flag != 0 ? "true" : "false");
        out.AppendString(item);
    }
    out.DropLastChar();
    out.Append(")");
    return true;
}

bool FactorVectorList::Parse(const char* line, CStrArray_base<1024>& items, CStrArray_base<64>& vectorItems) {
    if (std::strncmp(line, kListKeyword, kListKeywordLength) != 0) return false;
    const uint32_t count = SplitArguments(items, line + kListKeywordLength);
    if (count < 2) return false;
    if (!ScanHex(items.GetAt(0)->GetText(), Color)) return false;
    Closed = *items.GetAt(1) == "c" ? 1 : 0;
    TotalLength = 0.0;
    RemoveAll();
    double x = 0.0;
    double y = 0.0;
    for (uint32_t i = 2; i < count; ++i) {
        FactorVector* v = AddNew();
        if (!FactorVector::Parse(*v, items.GetAt(i)->GetText(), vectorItems)) {
            RemoveAt(GetCount() - 1);
            return false;
        }
        v->StartX = x;
        v->StartY = y;
        x += v->Length * std::cos(v->Angle);
        y += v->Length * std::sin(v->Angle);
        TotalLength += v->Length;
    }
    MeanLength = GetCount() != 0 ? TotalLength / double(count - 2) : 0.0;
    HasSeparator = 0;
    return true;
}

void FactorVectorList::CopyFrom(const FactorVectorList& other) {
    if (&other == this) return;
    RemoveAll();
    SetCount(other.GetCount());
    FactorVector* const* mine = GetIndex();
    const FactorVector* const* theirs = other.GetIndex();
    for (uint32_t i = 0; i < other.GetCount(); ++i) *mine[i] = *theirs[i];
    Closed = other.Closed;
    HasSeparator = other.HasSeparator;
    TotalLength = other.TotalLength;
    MeanLength = other.MeanLength;
    Color = other.Color;
}
