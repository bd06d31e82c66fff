// The text form of one path node, an item of a "qdxpath(" list:
//   Line(x,y)  CircleCurve(x,y,x2,y2,t|f)  Arc(x,y,x2,y2)  Jump(x,y)
//   Return  Tip  Separator
// A leading "!" disables the node. Every node keeps the mark, but only Line,
// CircleCurve and Arc honour it, so only they write it back.
#include <cstring>

#include "document/model/QDXFactor.h"
#include "document/text/NumberScan.h"
#include "document/text/TextLexer.h"
#include "foundation/containers/StrArray.h"
#include "foundation/strings/Format.h"

namespace {

// The argument items of one node. A path list may hold thousands of nodes, so
// the array and its item buffers are kept from one node to the next.
CStrArray_base<64>& ScratchItems() {
    thread_local CStrArray_base<64> items;
    return items;
}

}  // namespace

bool QDXPath::ParseText(const char* text) {
    bool enabled = true;
    if (*text == '!') {
        enabled = false;
        ++text;
    }
    int32_t type;
    uint32_t count;  // arguments of the bracketed forms; 0 for the bare words
    const char* list = nullptr;
    if (KeywordPrefixMatch(text, "Line(")) {
        type = kLine;
        count = 2;
        list = text + 5;
    } else if (KeywordPrefixMatch(text, "CircleCurve(")) {
        type = kCircleCurve;
        count = 5;
        list = text + 12;
    } else if (KeywordPrefixMatch(text, "Arc(")) {
        type = kArc;
        count = 4;
        list = text + 4;
    } else if (KeywordPrefixMatch(text, "Jump(")) {
        type = kJump;
        count = 2;
        list = text + 5;
    } else if (std::strcmp(text, "Return") == 0) {
        type = kReturn;
        count = 0;
    } else if (std::strcmp(text, "Tip") == 0) {
        type = kTip;
        count = 0;
    } else if (std::strcmp(text, "Separator") == 0) {
        type = kSeparator;
        count = 0;
    } else {
        return false;
    }

    // Coordinates in the order X, Y, X2, Y2; the fields a form does not store are 0.
    int32_t values[4] = {0, 0, 0, 0};
    bool curve = false;
    if (count != 0) {
        CStrArray_base<64>& items = ScratchItems();
        if (SplitArguments(items, list) != count) return false;
        const uint32_t coordinates = count < 4 ? count : 4;
        for (uint32_t i = 0; i < coordinates; ++i) {
            if (!ScanInt(items.GetAt(i)->GetText(), values[i])) return false;
        }
        if (type == kCircleCurve) curve = *items.GetAt(4) == "t";
    }
    X = values[0];
    Y = values[1];
    X2 = values[2];
    Y2 = values[3];
    CurveFlag = curve;
    Type = type;
    Enabled = enabled;
    return true;
}

bool QDXPath::WriteText(CStr_base<64>& out) const {
    const char* mark = Enabled ? "" : "!";
    switch (Type) {
    case kLine:
        out.Format("%sLine(%d,%d)", mark, X, Y);
        return true;
    case kCircleCurve:
        out.Format("%sCircleCurve(%d,%d,%d,%d,%c)", mark, X, Y, X2, Y2, CurveFlag ? 't' : 'f');
        return true;
    case kArc:
        out.Format("%sArc(%d,%d,%d,%d)", mark, X, Y, X2, Y2);
        return true;
    case kJump:
        out.Format("Jump(%d,%d)", X, Y);
        return true;
    case kReturn:
        out.Assign("Return");
        return true;
    case kTip:
        out.Assign("Tip");
        return true;
    case kSeparator:
        out.Assign("Separator");
        return true;
    default:
        return false;
    }
}
