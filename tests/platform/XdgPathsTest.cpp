// Where the user's settings file lives, and making its folder.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/XdgPaths.h"

namespace {

// Sets (or, for null, unsets) an environment variable for one scope.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : m_name(name) {
        if (const char* old = std::getenv(name)) {
            m_had = true;
            m_old = old;
        }
        if (value != nullptr)
            setenv(name, value, 1);
        else
            unsetenv(name);
    }
    ~ScopedEnv() {
        if (m_had)
            setenv(m_name, m_old.c_str(), 1);
        else
            unsetenv(m_name);
    }

private:
    const char* m_name;
    bool m_had = false;
    std::string m_old;
};

TEST(XdgPaths, SettingsFileFollowsTheBaseDirectoryRules) {
    struct Case {
        const char* configHome;  // null: unset
        const char* home;
        const char* expected;
    };
    const Case cases[] = {
        {"/cfg", "/home/u", "/cfg/outlinecrafter/outlinecrafter.ini"},
        {"/cfg/", "/home/u", "/cfg/outlinecrafter/outlinecrafter.ini"},
        {nullptr, "/home/u", "/home/u/.config/outlinecrafter/outlinecrafter.ini"},
        {"", "/home/u/", "/home/u/.config/outlinecrafter/outlinecrafter.ini"},
        {"relative/cfg", "/home/u", "/home/u/.config/outlinecrafter/outlinecrafter.ini"},
        {nullptr, "/", "/.config/outlinecrafter/outlinecrafter.ini"},
    };
    for (const Case& c : cases) {
        ScopedEnv config("XDG_CONFIG_HOME", c.configHome);
        ScopedEnv home("HOME", c.home);
        std::string path;
        ASSERT_TRUE(platform::SettingsFilePath(path));
        EXPECT_EQ(path, c.expected) << (c.configHome ? c.configHome : "(unset)") << " " << c.home;
    }
    ScopedEnv data("XDG_DATA_HOME", nullptr);
    ScopedEnv home("HOME", "/home/u");
    std::string path;
    ASSERT_TRUE(platform::XdgDataHome(path));
    EXPECT_EQ(path, "/home/u/.local/share");
}

TEST(XdgPaths, MakeFoldersMakesEveryMissingLevelPrivately) {
    char base[] = "/tmp/xdgpaths-XXXXXX";
    ASSERT_NE(mkdtemp(base), nullptr);
    const std::string root = base;
    const std::string deep = root + "/a/b//c/";
    EXPECT_TRUE(platform::MakeFolders(deep));
    struct stat info;
    ASSERT_EQ(stat((root + "/a/b/c").c_str(), &info), 0);
    EXPECT_TRUE(S_ISDIR(info.st_mode));
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    EXPECT_TRUE(platform::MakeFolders(deep));  // already there

    // A file where a folder should be.
    const std::string file = root + "/file";
    FILE* f = fopen(file.c_str(), "w");
    ASSERT_NE(f, nullptr);
    fclose(f);
    EXPECT_FALSE(platform::MakeFolders(file));
    EXPECT_FALSE(platform::MakeFolders(file + "/sub"));
    EXPECT_FALSE(platform::MakeFolders(""));

    unlink(file.c_str());
    rmdir((root + "/a/b/c").c_str());
    rmdir((root + "/a/b").c_str());
    rmdir((root + "/a").c_str());
    rmdir(root.c_str());
}

TEST(XdgPathsTest, ProgramFolderHoldsTheRunningProgram) {
    std::string folder;
    ASSERT_TRUE(platform::ProgramFolder(folder));
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder[0], '/');
    EXPECT_NE(folder.back(), '/');
    // This test program lives in that folder, under the name it was built as.
    struct stat info {};
    EXPECT_EQ(stat((folder + "/platform_tests").c_str(), &info), 0);
}

}  // namespace
