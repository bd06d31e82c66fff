#include "platform/XdgPaths.h"

#include <cerrno>
#include <cstdlib>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace platform {

namespace {

bool IsAbsolute(const char* path) { return path != nullptr && path[0] == '/'; }

// The path without its trailing "/" characters (the root stays "/").
std::string WithoutTrailingSlashes(std::string path) {
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path;
}

bool HomeFolder(std::string& out) {
    const char* home = std::getenv("HOME");
    if (IsAbsolute(home)) {
        out = WithoutTrailingSlashes(home);
        return true;
    }
    long size = sysconf(_SC_GETPW_R_SIZE_MAX);
    if (size <= 0) size = 16384;
    std::vector<char> buffer(static_cast<size_t>(size));
    passwd entry{};
    passwd* found = nullptr;
    while (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == ERANGE &&
           buffer.size() < (1u << 20)) {
        buffer.resize(buffer.size() * 2);
    }
    if (found == nullptr || !IsAbsolute(found->pw_dir)) return false;
    out = WithoutTrailingSlashes(found->pw_dir);
    return true;
}

bool BaseFolder(const char* variable, const char* underHome, std::string& out) {
    const char* value = std::getenv(variable);
    if (IsAbsolute(value)) {
        out = WithoutTrailingSlashes(value);
        return true;
    }
    std::string home;
    if (!HomeFolder(home)) return false;
    if (home != "/") home += '/';
    out = home + underHome;
    return true;
}

bool IsFolderPath(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

}  // namespace

bool XdgConfigHome(std::string& out) { return BaseFolder("XDG_CONFIG_HOME", ".config", out); }

bool XdgDataHome(std::string& out) { return BaseFolder("XDG_DATA_HOME", ".local/share", out); }

bool SettingsFilePath(std::string& out) {
    std::string base;
    if (!XdgConfigHome(base)) return false;
    if (base != "/") base += '/';
    out = base + kProgramFolderName + "/" + kProgramFolderName + ".ini";
    return true;
}

bool MakeFolders(const std::string& path) {
    if (path.empty()) return false;
    if (IsFolderPath(path)) return true;
    // Make each missing folder from the top down; one that appears meanwhile
    // (EEXIST) is fine as long as it is a folder.
    size_t pos = path[0] == '/' ? 1 : 0;
    for (;;) {
        const size_t slash = path.find('/', pos);
        const std::string part = path.substr(0, slash);
        if (!part.empty() && part.back() != '/') {
            if (mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return false;
        }
        if (slash == std::string::npos) break;
        pos = slash + 1;
    }
    return IsFolderPath(path);
}

bool ProgramFolder(std::string& out) {
    std::string path(4096, '\0');
    const ssize_t length = readlink("/proc/self/exe", path.data(), path.size());
    if (length <= 0 || size_t(length) >= path.size()) return false;
    path.resize(size_t(length));
    const size_t cut = path.rfind('/');
    if (cut == std::string::npos) return false;
    path.resize(cut == 0 ? 1 : cut);
    out = std::move(path);
    return true;
}

}  // namespace platform
