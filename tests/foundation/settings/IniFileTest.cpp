// Loading and saving settings files: line ends, the remembered file name, the
// user's default settings file, and saves that fail without harming the old file.
#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <dirent.h>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "foundation/settings/IniExCtrl.h"

namespace {

using Tree = CIniExCtrl_base<32, 32, 64>;

const char kExample[] =
    "k1=x\n"
    "[A]\n"
    "\tk2=y\n"
    "\t[B]\n"
    "\t\tk3=z\n"
    "\t[EndSection]\n"
    "[EndSection]\n";

class IniFile : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/inifile-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        m_dir = pattern;
    }
    void TearDown() override { RemoveTree(m_dir); }

    static void RemoveTree(const std::string& path) {
        if (DIR* dir = opendir(path.c_str())) {
            while (dirent* entry = readdir(dir)) {
                const std::string name = entry->d_name;
                if (name == "." || name == "..") continue;
                RemoveTree(path + "/" + name);
            }
            closedir(dir);
            rmdir(path.c_str());
        } else {
            unlink(path.c_str());
        }
    }

    static std::string ReadFile(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    static void WriteFile(const std::string& path, const std::string& bytes) {
        std::ofstream out(path, std::ios::binary);
        out << bytes;
    }
    static std::u16string Wide(const std::string& ascii) { return std::u16string(ascii.begin(), ascii.end()); }

    std::vector<std::string> Entries() const {
        std::vector<std::string> names;
        if (DIR* dir = opendir(m_dir.c_str())) {
            while (dirent* entry = readdir(dir)) {
                const std::string name = entry->d_name;
                if (name != "." && name != "..") names.push_back(name);
            }
            closedir(dir);
        }
        return names;
    }

    static void BuildExample(Tree& tree) {
        ASSERT_NE(tree.SetString("/k1", "x"), nullptr);
        ASSERT_TRUE(tree.AddSection("A"));
        ASSERT_TRUE(tree.ChangeSection("A"));
        ASSERT_NE(tree.SetString("k2", "y"), nullptr);
        ASSERT_TRUE(tree.AddSection("B"));
        ASSERT_NE(tree.SetString("B/k3", "z"), nullptr);
        ASSERT_TRUE(tree.ChangeSection("/"));
    }

    std::string m_dir;
};

TEST_F(IniFile, SavesWithLfLineEndsAndLoadsBack) {
    const std::string path = m_dir + "/settings.ini";
    Tree tree;
    BuildExample(tree);
    ASSERT_TRUE(tree.Save(path.c_str()));
    EXPECT_EQ(ReadFile(path), kExample);
    EXPECT_STREQ(tree.GetFileName().GetText(), "");  // saving does not remember

    Tree loaded;
    ASSERT_TRUE(loaded.Load(Wide(path).c_str(), true));
    EXPECT_STREQ(loaded.GetFileName().GetText(), path.c_str());
    EXPECT_STREQ(loaded.FindValue("/A/B/k3")->GetText(), "z");
    CStr_base<1024> text;
    loaded.WriteSectionToString(text, loaded.GetRoot(), 0, false);
    EXPECT_STREQ(text.GetText(), kExample);
}

TEST_F(IniFile, LoadsAWindowsWrittenFile) {
    const std::string path = m_dir + "/windows.ini";
    WriteFile(path, std::string("k1=x\r\n[A]\r\n\tk2=y\r\n\t[B]\r\n\t\tk3=z\r\n\t[EndSection]\r\n[EndSection]\r\n"
                                "lone=a\rb\r\n"
                                "cr=end\r\r\n"
                                "nul=ab\0cd\r\n"
                                "after=1",
                                99));
    Tree tree;
    ASSERT_TRUE(tree.Load(Wide(path).c_str(), true));
    struct Case {
        const char* path;
        const char* value;
    };
    const Case cases[] = {
        {"/k1", "x"}, {"/A/k2", "y"}, {"/A/B/k3", "z"},
        {"/lone", "a\rb"},   // a lone CR stays
        {"/cr", "end\r"},    // only the CR of CR LF goes
        {"/nul", "ab"},      // a NUL byte ends its line's text
        {"/after", "1"},
    };
    for (const Case& c : cases) {
        const CStr_base<64>* value = tree.FindValue(c.path);
        ASSERT_NE(value, nullptr) << c.path;
        EXPECT_STREQ(value->GetText(), c.value) << c.path;
    }
}

TEST_F(IniFile, LoadOfAMissingFileFails) {
    const std::u16string missing = Wide(m_dir + "/missing.ini");
    Tree tree;
    BuildExample(tree);
    EXPECT_FALSE(tree.Load(missing.c_str(), false));
    EXPECT_NE(tree.FindValue("/A/k2"), nullptr);  // kept without the clear flag
    EXPECT_FALSE(tree.Load(missing.c_str(), true));
    EXPECT_EQ(tree.FindSection("A"), nullptr);
    EXPECT_EQ(tree.FindValue("/k1"), nullptr);
    EXPECT_FALSE(tree.Load(Wide(m_dir).c_str(), true));  // a folder is no file
}

TEST_F(IniFile, SaveWithoutAPathWritesTheLoadedFileEvenAfterClear) {
    // A name with characters of code page 932 and one without (é), which the
    // remembered name carries as an escape.
    const std::string path = m_dir + "/\xE8\xA8\xAD\xE5\xAE\x9A-caf\xC3\xA9.ini";
    WriteFile(path, "old=1\n");
    const std::u16string wide = u"" + Wide(m_dir) + u"/\u8A2D\u5B9A-caf\u00E9.ini";
    Tree tree;
    ASSERT_TRUE(tree.Load(wide.c_str(), true));
    EXPECT_STREQ(tree.FindValue("old")->GetText(), "1");
    tree.Clear();
    ASSERT_NE(tree.SetString("new", "2"), nullptr);
    ASSERT_TRUE(tree.Save(nullptr));
    EXPECT_EQ(ReadFile(path), "new=2\n");
    EXPECT_EQ(Entries().size(), 1u);
}

TEST_F(IniFile, TheDefaultFileIsTheUsersSettingsFile) {
    const std::string config = m_dir + "/config";
    struct EnvGuard {
        bool had;
        std::string value;
        ~EnvGuard() {
            if (had)
                setenv("XDG_CONFIG_HOME", value.c_str(), 1);
            else
                unsetenv("XDG_CONFIG_HOME");
        }
    } guard{std::getenv("XDG_CONFIG_HOME") != nullptr,
            std::getenv("XDG_CONFIG_HOME") != nullptr ? std::getenv("XDG_CONFIG_HOME") : ""};
    setenv("XDG_CONFIG_HOME", config.c_str(), 1);

    const std::string file = config + "/outlinecrafter/outlinecrafter.ini";

    // First run: nothing to load, but the name is remembered, and saving makes
    // the folder on the way.
    Tree tree;
    EXPECT_FALSE(tree.Load(nullptr, true));
    EXPECT_STREQ(tree.GetFileName().GetText(), file.c_str());
    BuildExample(tree);
    EXPECT_TRUE(tree.Save(nullptr));
    EXPECT_EQ(ReadFile(file), kExample);

    // Without any remembered name the same file is written.
    Tree fresh;
    ASSERT_NE(fresh.SetString("fresh", "1"), nullptr);
    EXPECT_TRUE(fresh.Save(""));
    EXPECT_EQ(ReadFile(file), "fresh=1\n");
    EXPECT_TRUE(tree.Save(nullptr));

    Tree loaded;
    EXPECT_TRUE(loaded.Load(nullptr, true));
    EXPECT_STREQ(loaded.GetFileName().GetText(), file.c_str());
    EXPECT_STREQ(loaded.FindValue("/A/k2")->GetText(), "y");
}

TEST_F(IniFile, AFailedSaveReportsFailureAndKeepsTheOldFile) {
    Tree tree;
    BuildExample(tree);
    // Where no file can be made: a missing folder, a folder as the target, a
    // file as a folder.
    const std::string file = m_dir + "/file.ini";
    WriteFile(file, "old=1\n");
    for (const std::string& target : {m_dir + "/no/such/folder/s.ini", m_dir, file + "/s.ini"}) {
        EXPECT_FALSE(tree.Save(target.c_str())) << target;
    }
    EXPECT_EQ(ReadFile(file), "old=1\n");

    // Writing fails half way: the file size limit stops the temporary file.
    for (int i = 0; i < 200; ++i) {
        ASSERT_NE(tree.SetString(("/key" + std::to_string(i)).c_str(), "a value long enough to pass the limit"),
                  nullptr);
    }
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        signal(SIGXFSZ, SIG_IGN);
        rlimit limit{4096, 4096};
        setrlimit(RLIMIT_FSIZE, &limit);
        _exit(tree.Save(file.c_str()) ? 1 : 0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the failed save was reported as success";
    EXPECT_EQ(ReadFile(file), "old=1\n");
    EXPECT_EQ(Entries(), std::vector<std::string>{"file.ini"});  // no temporary file left

    ASSERT_TRUE(tree.Save(file.c_str()));  // without the limit it works
    EXPECT_GT(ReadFile(file).size(), 4096u);
}

}  // namespace
