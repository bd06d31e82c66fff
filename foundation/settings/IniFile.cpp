// Loading and saving a settings tree as a file.
//
// Reading takes the whole file at once and accepts both line ends: CR LF (files
// written on Windows, whose C runtime turned them into LF while reading) becomes
// LF, a lone CR stays. Writing produces LF line ends (CR LF after a line that
// ends in CR, so that the CR survives the reading) and goes through a
// temporary file that replaces the target only when everything was written, so
// a failure never leaves a truncated settings file behind.
#include <cstring>
#include <string>

#include "foundation/files/AtomicFile.h"
#include "foundation/settings/IniExCtrl.h"
#include "foundation/strings/UStr.h"
#include "platform/PosixFile.h"
#include "platform/Utf8.h"
#include "platform/XdgPaths.h"

namespace {

// Reads a whole file; false when it cannot be opened or read.
bool ReadWholeFile(const std::string& path, std::string& text) {
    platform::FileOpenRequest request;
    request.shareRead = true;
    request.hint = platform::FileAccessHint::Sequential;
    const int fd = platform::OpenFile(path.c_str(), request);
    if (fd < 0) return false;
    int64_t size = 0;
    bool ok = platform::GetFileSize(fd, size);
    text.clear();
    if (ok && size > 0) text.reserve(size_t(size));
    char buffer[64 * 1024];
    while (ok) {
        const int64_t n = platform::ReadFile(fd, buffer, sizeof buffer);
        if (n < 0) ok = false;
        if (n <= 0) break;
        text.append(buffer, size_t(n));
    }
    platform::CloseFile(fd);
    return ok;
}

// The file's bytes as the reader takes them: CR LF becomes LF, and a NUL byte
// ends its line's text (the rest of that line up to the LF is dropped), since the
// text is handed on as one NUL-terminated string.
void NormaliseText(std::string& text) {
    const size_t length = text.size();
    char* p = text.data();
    size_t w = 0;
    for (size_t r = 0; r < length; ++r) {
        const char c = p[r];
        if (c == '\r' && r + 1 < length && p[r + 1] == '\n') continue;
        if (c == 0) {
            while (r + 1 < length && p[r + 1] != '\n') ++r;
            continue;
        }
        p[w++] = c;
    }
    text.resize(w);
}

// The UTF-8 form of a UTF-16 path as the file system takes it ("\" separates
// like "/").
bool WidePathToSystem(const char16_t* path, std::string& out) {
    std::u16string wide(path);
    for (char16_t& u : wide) {
        if (u == u'\\') u = u'/';
    }
    return platform::Utf16ToUtf8(wide.data(), wide.size(), out);
}

// The folder part of a path ("" when it has none).
std::string FolderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return std::string();
    return slash == 0 ? std::string("/") : path.substr(0, slash);
}

}  // namespace

template <unsigned NB, unsigned K, unsigned S>
bool CIniExCtrl_base<NB, K, S>::Load(const char16_t* path, bool clear) {
    if (clear) Clear();
    std::u16string defaultPath;
    if (path == nullptr) {
        m_fileName.Assign("");
        std::string utf8;
        if (!platform::SettingsFilePath(utf8) || !platform::Utf8ToUtf16(utf8.data(), utf8.size(), defaultPath))
            return false;
        path = defaultPath.c_str();
    }
    // A name that cannot be told back exactly is not remembered: a later Save
    // without a path then goes to the default file instead of a wrong one.
    if (!m_fileName.FromWide(path, true) || m_fileName.FindChar('?', 0) >= 0) m_fileName.Assign("");

    std::string systemPath;
    std::string text;
    if (!WidePathToSystem(path, systemPath) || !ReadWholeFile(systemPath, text)) return false;
    NormaliseText(text);
    return Parse(text.c_str(), false);
}

template <unsigned NB, unsigned K, unsigned S>
bool CIniExCtrl_base<NB, K, S>::Save(const char* path) {
    CStr_base<64> name;
    name.Assign(path != nullptr ? path : m_fileName.GetText());

    // The user's settings file may be saved before its folder exists.
    std::string defaultPath;
    const bool haveDefault = platform::SettingsFilePath(defaultPath);
    if (name.IsEmpty()) {
        if (!haveDefault || !PathFromSystem(defaultPath.c_str(), name)) return false;
    }
    std::string target;
    if (haveDefault && PathToSystem(name.GetText(), target) && target == defaultPath)
        platform::MakeFolders(FolderOf(defaultPath));

    CAtomicFile file;
    if (file.Open(name.GetText(), "w", 0) != 0) return false;
    if (!WriteSection(file, m_root, 0)) {
        file.Abort();
        return false;
    }
    return file.Commit() == 0;
}

template bool CIniExCtrl_base<32, 32, 64>::Load(const char16_t*, bool);
template bool CIniExCtrl_base<32, 32, 64>::Save(const char*);
