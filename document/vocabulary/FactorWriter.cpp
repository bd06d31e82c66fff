// QDXFactor::WriteText: the mark, the kind's keyword and its arguments in
// position order, every optional argument included, so the text is always the
// full form of its keyword.
//
// Numbers are converted straight into the output buffer (FactorSink.h).
#include "document/model/QDXFactor.h"
#include "document/vocabulary/FactorSink.h"
#include "document/vocabulary/FactorTable.h"

namespace vocabulary {
namespace {

uint32_t QDXFactor::*const kColours[4] = {&QDXFactor::Color1, &QDXFactor::Color2, &QDXFactor::Color3,
                                          &QDXFactor::Color4};
uint32_t QDXFactor::*const kColourRefs[4] = {&QDXFactor::ColorRef1, &QDXFactor::ColorRef2, &QDXFactor::ColorRef3,
                                             &QDXFactor::ColorRef4};

void WriteField(FactorSink& sink, const QDXFactor& factor, const FactorField& field, const CStr_base<1024>& list) {
    switch (field.type) {
    case ArgType::kInt:
        sink.Int(factor.*field.slot.i);
        break;
    case ArgType::kReal:
        sink.Real(factor.*field.slot.r, field.precision);
        break;
    case ArgType::kHex:
        sink.Hex(factor.*field.slot.u);
        break;
    case ArgType::kULong:
        sink.Unsigned(factor.*field.slot.u);
        break;
    case ArgType::kULongInt:
        sink.Int(int32_t(factor.*field.slot.u));
        break;
    case ArgType::kColour:
    case ArgType::kAColour: {
        const uint32_t n = field.slot.colour - 1;
        const uint32_t ref = factor.*kColourRefs[n];
        if (ref == 0) {
            sink.Hex(factor.*kColours[n]);
        } else {
            sink.Char('P');
            sink.Hex(ref);
            if (field.type == ArgType::kAColour) {
                sink.Char('#');
                sink.Hex(factor.*kColours[n] >> 24);
            }
        }
        break;
    }
    case ArgType::kAlpha:
        sink.Unsigned(factor.*field.slot.b);
        break;
    case ArgType::kName: {
        const CStr_base<64>& name = factor.*field.slot.s;
        sink.Char('"');
        sink.Bytes(name.GetText(), size_t(name.GetLength()));
        sink.Char('"');
        break;
    }
    case ArgType::kFlag:
        sink.Char(factor.*field.slot.f ? 't' : 'f');
        break;
    case ArgType::kList:
        sink.Bytes(list.GetText(), size_t(list.GetLength()));
        break;
    }
}

// Where a row's list is assembled before anything reaches the output.
CStr_base<1024>& ListScratch() {
    thread_local CStr_base<1024> list;
    return list;
}

}  // namespace

bool WriteRow(const QDXFactor& factor, const FactorRow& row, CStr_base<1024>& out) {
    if (row.writeHook != nullptr) return row.writeHook(factor, out);

    const uint32_t count = row.fields.count;
    const FactorField* const* order;
    const FactorField* local[256] = {};
    if (FindFactorKind(row.kind) == &row) {
        order = WriteOrder(row);
    } else {
        // A row outside the vocabulary (tools, tests): order its fields here.
        if (count > 256) return false;
        for (uint32_t k = 0; k < count; ++k) {
            const FactorField& field = row.fields.data[k];
            if (field.position >= count) return false;
            local[field.position] = &field;
        }
        for (uint32_t k = 0; k < count; ++k)
            if (local[k] == nullptr) return false;
        order = local;
    }

    // A list element that cannot be written fails the call before out is
    // touched, so the list goes first.
    CStr_base<1024>& list = ListScratch();
    list.SetLength(0);
    for (uint32_t k = 0; k < count; ++k) {
        if (order[k]->type != ArgType::kList) continue;
        const ListCodec& codec = *order[k]->slot.list;
        list.Assign(codec.opening);
        if (!codec.write(factor, list)) return false;
    }

    FactorSink sink(out);
    if (!factor.Enabled) sink.Char('!');
    sink.Text(row.keyword);
    if (row.rule != CountRule::kNone) {
        for (uint32_t k = 0; k < count; ++k) {
            if (k != 0) sink.Char(',');
            WriteField(sink, factor, *order[k], list);
        }
        sink.Char(')');
    }
    sink.Finish();
    return true;
}

}  // namespace vocabulary

bool QDXFactor::WriteText(CStr_base<1024>& out) const {
    const vocabulary::FactorRow* row = vocabulary::FindFactorKind(Kind);
    if (row == nullptr) return false;
    return vocabulary::WriteRow(*this, *row, out);
}
