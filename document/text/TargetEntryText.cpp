// The text form of one target entry, an item of a "TargetList(" factor:
//   FTI("a","b","c","d")   or, disabled,   !FTI("a","b","c","d")
// The four names are read and written as they are: no escapes are undone or
// added (object names hold neither quotes nor backslashes).
#include <cstring>
#include <utility>

#include "document/model/QDXFactor.h"
#include "document/text/TextLexer.h"
#include "foundation/containers/StrArray.h"

namespace {

// The argument items of one entry, kept from one entry to the next.
CStrArray_base<64>& ScratchItems() {
    thread_local CStrArray_base<64> items;
    return items;
}

}  // namespace

bool QDXForeachTargetInfo::ParseText(const char* text) {
    bool enabled = true;
    if (*text == '!') {
        enabled = false;
        ++text;
    }
    if (!KeywordPrefixMatch(text, "FTI(")) return false;
    CStrArray_base<64>& items = ScratchItems();
    if (SplitArguments(items, text + 4) != 4) return false;
    for (uint32_t i = 0; i < 4; ++i) {
        const char* item = items.GetAt(i)->GetText();
        if (*item == 0) {
            Names[i].SetLength(0);
            continue;
        }
        // The first byte opens the name, whatever it is; without a closing
        // byte the name is the rest of the item. Names are written between
        // double quotes as they are, so one that would not read back that way
        // is refused.
        const int32_t close = FindClosingQuote(item);
        const int32_t length = close < 0 ? int32_t(std::strlen(item + 1)) : close - 1;
        if (!ReadsBackQuoted(item + 1, length)) return false;
        Names[i].AssignBytesN(item + 1, length);
    }
    Enabled = enabled;
    return true;
}

bool QDXForeachTargetInfo::WriteText(CStr_base<64>& out) const {
    // Built aside, so that out may be one of the names.
    CStr_base<64> text;
    text.Reserve(uint32_t(Names[0].GetLength()) + uint32_t(Names[1].GetLength()) + uint32_t(Names[2].GetLength()) +
                 uint32_t(Names[3].GetLength()) + 24);
    text.Append(Enabled ? "FTI(\"" : "!FTI(\"");
    for (uint32_t i = 0; i < 4; ++i) {
        text.AppendString(Names[i]);
        text.Append(i < 3 ? "\",\"" : "\")");
    }
    out = std::move(text);
    return true;
}
