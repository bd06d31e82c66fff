// libFuzzer target for the settings text form and settings files.
//
// The input is tried two ways:
//   - as text (up to its first NUL) for Parse. Whatever was read (also when
//     reading stopped at a bad line) is written and read again: the second
//     reading must succeed and give the same tree, compared section by section
//     without regard to order (names sharing a bucket come back in reverse
//     order, as the form has it); after a third reading the writing must be the
//     first writing again. The text without indentation must read back to the
//     same tree too.
//   - as the bytes of a settings file for Load, which must give the tree that
//     Parse gives for the same bytes with CR LF read as LF and each NUL ending
//     its line's text. That tree is saved, the file must hold what the string
//     writer writes (except that a line ending in CR ends in CR CR LF), and
//     loading it must give the same tree again.
// A mismatch aborts; AddressSanitizer catches memory faults.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>
#include <utility>
#include <vector>

#include "foundation/settings/IniExCtrl.h"

namespace {

using Tree = CIniExCtrl_base<32, 32, 64>;
using Section = Tree::Section;

std::string Write(Tree& tree, bool noIndent) {
    CStr_base<1024> out;
    if (!tree.WriteSectionToString(out, tree.GetRoot(), 0, noIndent)) std::abort();
    return std::string(out.GetText(), size_t(out.GetLength()));
}

// Whether every section of a has its equal in b: the same values and the same
// subsection names, and nothing more. Walks with its own stack: a hostile text nests deeply.
bool SameTree(Tree& a, Tree& b) {
    std::vector<std::pair<Section*, Section*>> pending{{a.GetRoot(), b.GetRoot()}};
    while (!pending.empty()) {
        Section* const x = pending.back().first;
        Section* const y = pending.back().second;
        pending.pop_back();
        bool same = true;
        uint32_t values = 0;
        x->values.ForEach([&](const char* key, CStr_base<64>& value) {
            ++values;
            auto* other = y->values.Find(key, 0);
            if (other == nullptr || other->GetValue().GetLength() != value.GetLength() ||
                std::memcmp(other->GetValue().GetText(), value.GetText(), size_t(value.GetLength())) != 0)
                same = false;
        });
        y->values.ForEach([&](const char*, CStr_base<64>&) { --values; });
        uint32_t sections = 0;
        x->sections.ForEach([&](const char* name, Section*& child) {
            ++sections;
            auto* other = y->sections.Find(name, 0);
            if (other == nullptr)
                same = false;
            else
                pending.emplace_back(child, other->GetValue());
        });
        y->sections.ForEach([&](const char*, Section*&) { --sections; });
        if (!same || values != 0 || sections != 0) return false;
    }
    return true;
}

// The writing of `tree` reads back to the same tree, and settles: a third
// reading writes the first writing again.
void CheckRoundTrip(Tree& tree) {
    const std::string first = Write(tree, false);
    Tree second;
    if (!second.Parse(first.c_str(), true) || !SameTree(tree, second)) std::abort();
    Tree third;
    if (!third.Parse(Write(second, false).c_str(), true) || !SameTree(tree, third)) std::abort();
    if (Write(third, false) != first) std::abort();

    Tree flat;
    if (!flat.Parse(Write(tree, true).c_str(), true) || !SameTree(tree, flat)) std::abort();
}

// The file's bytes as a settings text: lines split at LF, the CR of a CR LF
// dropped, a line's text ending at its first NUL.
std::string AsFileText(const std::string& bytes) {
    std::string text;
    size_t from = 0;
    while (from <= bytes.size()) {
        size_t end = bytes.find('\n', from);
        const bool lf = end != std::string::npos;
        if (!lf) end = bytes.size();
        std::string line = bytes.substr(from, end - from);
        if (lf && !line.empty() && line.back() == '\r') line.pop_back();
        line.resize(std::strlen(line.c_str()));
        text += line;
        if (lf) text += '\n';
        from = end + 1;
    }
    return text;
}

// What Save must store for a tree whose string writing is `text`.
std::string AsSavedFile(const std::string& text) {
    std::string file;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' && i != 0 && text[i - 1] == '\r') file += '\r';
        file += text[i];
    }
    return file;
}

// A folder of this process's own, in memory when the system offers one: every
// save syncs its file, which costs a disk a great deal of time. Kept in plain
// characters, which outlive every destructor, for the exit handler.
char g_folder[] = "/dev/shm/settings_fuzz.XXXXXX";

void RemoveFolder() {
    for (const char* name : {"/input.ini", "/saved.ini"}) unlink((std::string(g_folder) + name).c_str());
    rmdir(g_folder);
}

std::string Folder() {
    static const bool made = [] {
        if (mkdtemp(g_folder) == nullptr) {
            std::strcpy(g_folder, "/tmp/settings_fuzz.XXXXXX");  // no longer than the first
            if (mkdtemp(g_folder) == nullptr) std::abort();
        }
        std::atexit(RemoveFolder);
        return true;
    }();
    (void)made;
    return g_folder;
}

std::u16string Wide(const std::string& ascii) { return std::u16string(ascii.begin(), ascii.end()); }

void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), std::streamsize(bytes.size()));
    if (!out) std::abort();
}

std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void CheckFile(const std::string& bytes) {
    const std::string input = Folder() + "/input.ini";
    const std::string saved = Folder() + "/saved.ini";
    WriteBytes(input, bytes);

    Tree loaded;
    const bool loadResult = loaded.Load(Wide(input).c_str(), true);
    Tree parsed;
    if (parsed.Parse(AsFileText(bytes).c_str(), true) != loadResult || !SameTree(loaded, parsed)) std::abort();

    if (!loaded.Save(saved.c_str())) std::abort();
    if (ReadBytes(saved) != AsSavedFile(Write(loaded, false))) std::abort();
    Tree reloaded;
    if (!reloaded.Load(Wide(saved).c_str(), true) || !SameTree(loaded, reloaded)) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > (1u << 16)) return 0;
    const std::string bytes(reinterpret_cast<const char*>(data), size);

    Tree tree;
    tree.Parse(bytes.c_str(), true);  // what was read before a bad line stays
    CheckRoundTrip(tree);

    CheckFile(bytes);
    return 0;
}
