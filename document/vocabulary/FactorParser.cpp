// QDXFactor::ParseText: the frame every factor text goes through (the disabled
// mark, the keyword lookup, the split, the count rule) and the generic scan of
// a row's typed fields.
//
// A parse writes the record in place and rolls nothing back: fields accepted
// before a failing item keep their new values. Kind is stored last, only when
// every item was accepted, so a failed parse leaves it as it was. Rows with a
// list are the exception: they parse into a scratch record that replaces the
// factor only on success, so a list read half-way never leaves its count and
// its elements apart.
#include <cstring>

#include "document/model/QDXFactor.h"
#include "document/text/NumberScan.h"
#include "document/text/TextLexer.h"
#include "document/vocabulary/FactorTable.h"

namespace vocabulary {
namespace {

// The argument items of one factor. Object texts hold thousands of factors, so
// the array and its item buffers are kept from one call to the next.
CStrArray_base<64>& ArgumentItems() {
    thread_local CStrArray_base<64> items;
    return items;
}

uint32_t QDXFactor::*const kColours[4] = {&QDXFactor::Color1, &QDXFactor::Color2, &QDXFactor::Color3,
                                          &QDXFactor::Color4};
uint32_t QDXFactor::*const kColourRefs[4] = {&QDXFactor::ColorRef1, &QDXFactor::ColorRef2, &QDXFactor::ColorRef3,
                                             &QDXFactor::ColorRef4};

}  // namespace

bool ScanField(QDXFactor& factor, const FactorField& field, const CStr_base<64>& itemText) {
    const char* item = itemText.GetText();
    switch (field.type) {
    case ArgType::kInt:
        return ScanInt(item, factor.*field.slot.i);
    case ArgType::kReal:
        return ScanFiniteReal(item, factor.*field.slot.r);
    case ArgType::kHex:
        return ScanHex(item, factor.*field.slot.u);
    case ArgType::kULong:
    case ArgType::kULongInt:
        return ScanUnsigned(item, factor.*field.slot.u);
    case ArgType::kColour: {
        // "P%x" needs the P as the very first byte; the hex scan then skips
        // blanks after it, as the literal-then-conversion scan does.
        const uint32_t n = field.slot.colour - 1;
        if (item[0] == 'P' && ScanHex(item + 1, factor.*kColourRefs[n])) return true;
        return ScanHex(item, factor.*kColours[n]);
    }
    case ArgType::kAColour: {
        const uint32_t n = field.slot.colour - 1;
        uint32_t& colour = factor.*kColours[n];
        const int32_t got = ScanFormat(item, "P%x#%x", {&(factor.*kColourRefs[n]), &colour});
        if (got == 2) {
            colour <<= 24;  // only the alpha byte of the second value survives
            return true;
        }
        if (got == 1) {
            colour = 0;
            return true;
        }
        return ScanHex(item, colour);
    }
    case ArgType::kAlpha: {
        int32_t value;
        if (!ScanInt(item, value) || value < 0 || value > 255) return false;
        factor.*field.slot.b = uint8_t(value);
        return true;
    }
    case ArgType::kName: {
        const char* begin;
        int32_t length;
        if (!FindQuotedText(item, begin, length)) return false;
        (factor.*field.slot.s).AssignN(begin, length);
        return true;
    }
    case ArgType::kFlag:
        factor.*field.slot.f = itemText.GetLength() == 1 && item[0] == 't';
        return true;
    case ArgType::kList: {
        const ListCodec& codec = *field.slot.list;
        if (!KeywordPrefixMatch(item, codec.opening)) return false;
        return codec.parse(factor, item + std::strlen(codec.opening));
    }
    }
    return false;
}

void StoreDefault(QDXFactor& factor, const FactorField& field) {
    switch (field.type) {
    case ArgType::kInt:
        factor.*field.slot.i = field.defaultValue;
        break;
    case ArgType::kReal:
        factor.*field.slot.r = field.defaultValue;
        break;
    case ArgType::kHex:
    case ArgType::kULong:
    case ArgType::kULongInt:
        factor.*field.slot.u = uint32_t(field.defaultValue);
        break;
    case ArgType::kAlpha:
        factor.*field.slot.b = uint8_t(field.defaultValue);
        break;
    case ArgType::kFlag:
        factor.*field.slot.f = field.defaultValue != 0;
        break;
    case ArgType::kColour:
    case ArgType::kAColour:
        factor.*kColours[field.slot.colour - 1] = uint32_t(field.defaultValue);
        break;
    case ArgType::kName:
        (factor.*field.slot.s).SetLength(0);
        break;
    case ArgType::kList:
        break;  // an optional list is left as it was
    }
}

bool ParseArguments(QDXFactor& factor, const FactorRow& row, const char* arguments) {
    CStrArray_base<64>& items = ArgumentItems();
    uint32_t count = 0;
    bool shortForm = false;
    if (row.rule != CountRule::kNone) {
        count = SplitArguments(items, arguments);
        switch (row.rule) {
        case CountRule::kExact:
            if (count != row.full) return false;
            break;
        case CountRule::kFullOrShort:
            if (count == row.short_)
                shortForm = true;
            else if (count != row.full)
                return false;
            break;
        case CountRule::kAtLeast:
            if (count < row.full) return false;
            break;
        case CountRule::kNone:
        case CountRule::kCustom:
            break;
        }
    }

    const FactorField* const fields = row.fields.data;
    const uint32_t fieldCount = row.fields.count;
    bool lateDefaults = false;
    for (uint32_t k = 0; k < fieldCount; ++k) {
        const FactorField& field = fields[k];
        uint32_t index = field.position;
        if (shortForm) {
            if (field.flags & FactorField::kOptional) {
                if (field.flags & FactorField::kLateDefault)
                    lateDefaults = true;
                else
                    StoreDefault(factor, field);
                continue;
            }
            // The omitted items before this one shift it down.
            for (uint32_t j = 0; j < fieldCount; ++j) {
                if ((fields[j].flags & FactorField::kOptional) && fields[j].position < field.position) --index;
            }
        }
        if (index >= count) return false;  // only a custom count rule can get here
        if (!ScanField(factor, field, *items.GetAt(index))) return false;
    }
    if (lateDefaults) {
        for (uint32_t k = 0; k < fieldCount; ++k) {
            const FactorField& field = fields[k];
            if ((field.flags & (FactorField::kOptional | FactorField::kLateDefault)) ==
                (FactorField::kOptional | FactorField::kLateDefault))
                StoreDefault(factor, field);
        }
    }
    if (row.parseHook != nullptr && !row.parseHook(factor, items, count)) return false;

    factor.Kind = row.kind;
    return true;
}

bool ParsesWhole(const FactorRow& row) noexcept {
    if (row.flags & FactorRow::kAllOrNothing) return true;
    for (uint32_t k = 0; k < row.fields.count; ++k)
        if (row.fields.data[k].type == ArgType::kList) return true;
    return false;
}

namespace {

// The record an all-or-nothing row is parsed into; its lists keep their
// storage from one parse to the next.
QDXFactor& ScratchFactor() {
    thread_local QDXFactor scratch;
    return scratch;
}

void StartFrame(QDXFactor& factor, bool enabled) {
    factor.ColorRef1 = factor.ColorRef2 = factor.ColorRef3 = factor.ColorRef4 = 0;
    factor.Enabled = enabled;
}

}  // namespace

}  // namespace vocabulary

bool QDXFactor::ParseText(const char* text) {
    const bool enabled = *text != '!';
    if (!enabled) ++text;  // one mark only: a second "!" matches no keyword
    const vocabulary::FactorRow* row = vocabulary::FindFactorKeyword(text);
    const char* arguments = row != nullptr ? text + std::strlen(row->keyword) : nullptr;
    if (row == nullptr || !vocabulary::ParsesWhole(*row)) {
        vocabulary::StartFrame(*this, enabled);
        return row != nullptr && vocabulary::ParseArguments(*this, *row, arguments);
    }
    QDXFactor& scratch = vocabulary::ScratchFactor();
    scratch.CopyContentsFrom(*this);
    vocabulary::StartFrame(scratch, enabled);
    if (!vocabulary::ParseArguments(scratch, *row, arguments)) return false;
    SwapContents(scratch);
    return true;
}
