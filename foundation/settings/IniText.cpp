// The settings text form: the reader (Parse) and the writers (WriteSection,
// WriteSectionToString) of a settings tree.
//
// Each line is one of
//     key=escaped value        a value of the current section
//     [name]                   enter (and make) the subsection `name`
//     [EndSection]             return to the enclosing section
// optionally indented by TABs and blanks; every other line is ignored. The writer
// puts a section's values first (in the value map's iteration order), then each
// subsection as "[name]", its contents one TAB deeper and "[EndSection]"; the
// root has no end line. Keys and names are written as stored.
//
// Both directions work without recursion, so a text nested arbitrarily deep
// (a damaged or hostile file) costs memory, never the stack.
//
// "[]" names no section the tree can hold (a path names nothing by the empty
// name), so the reader makes none. It still opens a level, as the writer's own
// pairing of "[name]" and "[EndSection]" has it: the lines up to the matching
// "[EndSection]" belong to the section around it, and that end line closes only
// the "[]". Reading it as a section that is never entered would let its end
// line close the section around it instead, and everything after it would land
// one level too high or stop the reading.
#include <cstdint>
#include <cstring>
#include <vector>

#include "foundation/files/IFFile.h"
#include "foundation/settings/IniEscape.h"
#include "foundation/settings/IniExCtrl.h"

namespace {

// Where the writer's lines go: straight into the caller's string, or into a
// buffer that is written to a file whenever it has grown large.
struct StringSink {
    CStr_base<1024>& out;
    bool Flush(bool) { return true; }
};

// A file is read with CR LF taken as LF (files written on Windows), which would
// cost a value that ends in CR its last byte. So a line that ends in CR (only a
// value can) is stored with CR LF after it, which reads back as the line itself;
// every other line ends in LF alone.
struct FileSink {
    IFFile& file;
    CStr_base<1024> out;
    // Writes what has collected when it is large enough, or at the end. What has
    // collected always ends at the end of a line.
    bool Flush(bool final) {
        constexpr int32_t kChunk = 64 * 1024;
        if (out.GetLength() == 0 || (!final && out.GetLength() < kChunk)) return true;
        const char* text = out.GetText();
        const char* const end = text + out.GetLength();
        bool ok = true;
        while (ok && text != end) {
            const char* crlf = nullptr;
            for (const char* p = text; (p = static_cast<const char*>(std::memchr(p, '\r', size_t(end - p)))) != nullptr;
                 ++p) {
                if (p + 1 != end && p[1] == '\n') {
                    crlf = p;
                    break;
                }
            }
            if (crlf == nullptr) {
                ok = file.Write(text, uint32_t(end - text)) == 0;
                break;
            }
            // Up to that CR, one more CR; the LF starts the next piece.
            ok = file.Write(text, uint32_t(crlf + 1 - text)) == 0 && file.Write("\r", 1) == 0;
            text = crlf + 1;
        }
        out.SetLength(0);
        return ok;
    }
};

template <unsigned N>
void AppendTabs(CStr_base<N>& out, int32_t count) {
    for (int32_t i = 0; i < count; ++i) out.AppendChar('\t');
}

// A length within one line of the text as a string length; a line beyond what
// a string can hold fails the way the string's own limit does.
int32_t LineLength(const char* from, const char* to) {
    if (to - from >= INT32_MAX) throw 0;
    return int32_t(to - from);
}

}  // namespace

template <unsigned NB, unsigned K, unsigned S>
bool CIniExCtrl_base<NB, K, S>::Parse(const char* text, bool clear) {
    if (clear) Clear();
    CStr_base<64> key;
    CStr_base<64> name;
    // The levels opened by this text, innermost last: true for a "[]" level,
    // false for a section. An "[EndSection]" beyond them leaves a section the
    // reading began in.
    std::vector<bool> levels;
    const char* p = text;
    for (;;) {
        while (*p == ' ' || *p == '\t') ++p;
        const char* const first = p;
        const char* q = first + std::strcspn(first, "=\n");
        if (*q == '=') {
            const char* const end = strchrnul(q + 1, '\n');
            key.AssignBytesN(first, LineLength(first, q));
            Value* value = m_current->values.GetOrAdd(key.GetText());
            detail::AssignUnescapedIniValue(*value, q + 1, size_t(end - (q + 1)));
            q = end;
        } else {
            const size_t n = size_t(q - first);
            if (n == 12 && std::memcmp(first, "[EndSection]", 12) == 0) {
                const bool unnamed = !levels.empty() && levels.back();
                if (!unnamed) {
                    if (m_current->parent == nullptr) return false;
                    m_current = m_current->parent;
                    ApplyRelativePath("..");
                }
                if (!levels.empty()) levels.pop_back();
            } else if (n == 2 && first[0] == '[' && first[1] == ']') {
                levels.push_back(true);
            } else if (n > 2 && first[0] == '[' && q[-1] == ']') {
                const size_t length = n - 2;
                if (!detail::IsIniSectionNameAllowed(first + 1, length)) return false;
                name.AssignBytesN(first + 1, LineLength(first + 1, q - 1));
                auto* element = m_current->sections.Find(name.GetText(), 0);
                m_current = element != nullptr ? element->GetValue() : MakeSubsection(name.GetText());
                ApplyRelativePath(name.GetText());
                levels.push_back(false);
            }
        }
        if (*q == 0 || q[1] == 0) break;
        p = q + 1;
    }
    m_current = m_root;
    SetCurrentPath("");
    return true;
}

// Writes one section and its subtree. Values of a section come first, then each
// subsection between its "[name]" line and its "[EndSection]" line. Every map is
// iterated safely: a position is used only while its key still finds its
// element.
template <unsigned NB, unsigned K, unsigned S>
template <class Sink>
bool CIniExCtrl_base<NB, K, S>::WriteTree(Sink& sink, Section* top, int32_t depth, bool indent) {
    auto& out = sink.out;
    auto tabs = [&](int32_t n) {
        if (indent) AppendTabs(out, n);
    };
    auto writeValues = [&](Section* section, int32_t d) -> bool {
        CMapPosition pos;
        section->values.GetFirst(pos);
        while (section->values.IsCurrent(pos)) {
            auto* element = section->values.GetElement(pos);
            tabs(d);
            out.AppendString(pos.key);
            out.AppendChar('=');
            const Value& value = element->GetValue();
            detail::AppendEscapedIniValue(out, value.GetText(), size_t(value.GetLength()));
            out.AppendChar('\n');
            section->values.GetNext(pos);
        }
        return sink.Flush(false);
    };

    struct Frame {
        Section* section = nullptr;
        int32_t depth = 0;
        CMapPosition pos;
    };
    // Frames never move, so a frame stays put while deeper ones are added.
    CArrayAuto<Frame> stack;
    auto push = [&](Section* section, int32_t d) -> bool {
        if (!writeValues(section, d)) return false;
        Frame* frame = stack.AddNew();
        frame->section = section;
        frame->depth = d;
        section->sections.GetFirst(frame->pos);
        return true;
    };

    if (!push(top, depth)) return false;
    while (stack.GetCount() != 0) {
        if (!sink.Flush(false)) return false;
        Frame* frame = stack.GetLast();
        auto& map = frame->section->sections;
        if (map.IsCurrent(frame->pos)) {
            auto* element = map.GetElement(frame->pos);
            tabs(frame->depth);
            out.AppendChar('[');
            out.AppendString(frame->pos.key);
            out.Append("]\n");
            Section* child = element->GetValue();
            map.GetNext(frame->pos);
            if (!push(child, frame->depth + 1)) return false;
        } else {
            if (frame->depth != 0) {
                tabs(frame->depth - 1);
                out.Append("[EndSection]\n");
            }
            stack.RemoveAt(stack.GetCount() - 1);
        }
    }
    return sink.Flush(true);
}

template <unsigned NB, unsigned K, unsigned S>
bool CIniExCtrl_base<NB, K, S>::WriteSection(IFFile& file, Section* section, int32_t depth) {
    FileSink sink{file, {}};
    return WriteTree(sink, section, depth, true);
}

template <unsigned NB, unsigned K, unsigned S>
bool CIniExCtrl_base<NB, K, S>::WriteSectionToString(CStr_base<1024>& out, Section* section, int32_t depth,
                                                     bool noIndent) {
    StringSink sink{out};
    return WriteTree(sink, section, depth, !noIndent);
}

template bool CIniExCtrl_base<32, 32, 64>::Parse(const char*, bool);
template bool CIniExCtrl_base<32, 32, 64>::WriteSection(IFFile&, Section*, int32_t);
template bool CIniExCtrl_base<32, 32, 64>::WriteSectionToString(CStr_base<1024>&, Section*, int32_t, bool);
