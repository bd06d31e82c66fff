// Loading and saving settings files: line ends, the remembered file name, the
// user's default settings file, and saves that fail without harming the old file.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "foundation/settings/IniExCtrl.h"
#include "tests/foundation/settings/IniTestSupport.h"
#include "tests/support/TempFolder.h"

namespace {

using initest::BuildExample;
using initest::kExample;
using initest::Tree;
using testsupport::ReadText;
using testsupport::WriteText;

class IniFile : public testsupport::TempFolderTest {
protected:
    static std::u16string Wide(const std::string& ascii) { return std::u16string(ascii.begin(), ascii.end()); }
};

TEST_F(IniFile, SavesWithLfLineEndsAndLoadsBack) {
    const std::string path = m_folder + "/settings.ini";
    Tree tree;
    BuildExample(tree);
    ASSERT_TRUE(tree.Save(path.c_str()));
    EXPECT_EQ(ReadText(path), kExample);
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
    const std::string path = m_folder + "/windows.ini";
    WriteText(path, std::string("k1=x\r\n[A]\r\n\tk2=y\r\n\t[B]\r\n\t\tk3=z\r\n\t[EndSection]\r\n[EndSection]\r\n"
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

TEST_F(IniFile, ValuesEndingInCrSurviveSaveAndLoad) {
    // Loading reads CR LF as LF, so such a line is stored with one more CR.
    const std::string path = m_folder + "/cr.ini";
    Tree tree;
    ASSERT_NE(tree.SetString("a", "end\r"), nullptr);
    ASSERT_NE(tree.SetString("b", "\r"), nullptr);
    ASSERT_NE(tree.SetString("c", "mid\rdle"), nullptr);
    ASSERT_NE(tree.SetString("d", "two\r\r"), nullptr);
    ASSERT_TRUE(tree.Save(path.c_str()));
    EXPECT_EQ(ReadText(path), "a=end\r\r\nb=\r\r\nc=mid\rdle\nd=two\r\r\r\n");

    Tree loaded;
    ASSERT_TRUE(loaded.Load(Wide(path).c_str(), true));
    for (const char* key : {"a", "b", "c", "d"}) {
        ASSERT_NE(loaded.FindValue(key), nullptr) << key;
        EXPECT_STREQ(loaded.FindValue(key)->GetText(), tree.FindValue(key)->GetText()) << key;
    }
}

TEST_F(IniFile, LoadOfAMissingFileFails) {
    const std::u16string missing = Wide(m_folder + "/missing.ini");
    Tree tree;
    BuildExample(tree);
    EXPECT_FALSE(tree.Load(missing.c_str(), false));
    EXPECT_NE(tree.FindValue("/A/k2"), nullptr);  // kept without the clear flag
    EXPECT_FALSE(tree.Load(missing.c_str(), true));
    EXPECT_EQ(tree.FindSection("A"), nullptr);
    EXPECT_EQ(tree.FindValue("/k1"), nullptr);
    EXPECT_FALSE(tree.Load(Wide(m_folder).c_str(), true));  // a folder is no file
}

TEST_F(IniFile, SaveWithoutAPathWritesTheLoadedFileEvenAfterClear) {
    // A name with characters of code page 932 and one without (é), which the
    // remembered name carries as an escape.
    const std::string path = m_folder + "/\xE8\xA8\xAD\xE5\xAE\x9A-caf\xC3\xA9.ini";
    WriteText(path, "old=1\n");
    const std::u16string wide = u"" + Wide(m_folder) + u"/\u8A2D\u5B9A-caf\u00E9.ini";
    Tree tree;
    ASSERT_TRUE(tree.Load(wide.c_str(), true));
    EXPECT_STREQ(tree.FindValue("old")->GetText(), "1");
    tree.Clear();
    ASSERT_NE(tree.SetString("new", "2"), nullptr);
    ASSERT_TRUE(tree.Save(nullptr));
    EXPECT_EQ(ReadText(path), "new=2\n");
    EXPECT_EQ(testsupport::Entries(m_folder).size(), 1u);
}

TEST_F(IniFile, TheDefaultFileIsTheUsersSettingsFile) {
    const std::string config = m_folder + "/config";
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
    EXPECT_EQ(ReadText(file), kExample);

    // Without any remembered name the same file is written.
    Tree fresh;
    ASSERT_NE(fresh.SetString("fresh", "1"), nullptr);
    EXPECT_TRUE(fresh.Save(""));
    EXPECT_EQ(ReadText(file), "fresh=1\n");
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
    const std::string file = m_folder + "/file.ini";
    WriteText(file, "old=1\n");
    for (const std::string& target : {m_folder + "/no/such/folder/s.ini", m_folder, file + "/s.ini"}) {
        EXPECT_FALSE(tree.Save(target.c_str())) << target;
    }
    EXPECT_EQ(ReadText(file), "old=1\n");

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
    EXPECT_EQ(ReadText(file), "old=1\n");
    EXPECT_EQ(testsupport::Entries(m_folder), std::vector<std::string>{"file.ini"});  // no temporary file left

    ASSERT_TRUE(tree.Save(file.c_str()));  // without the limit it works
    EXPECT_GT(ReadText(file).size(), 4096u);
}

}  // namespace
