#include "foundation/files/AtomicFile.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "tests/foundation/files/FileTestSupport.h"

namespace {

using filetest::Bytes;
using filetest::Entries;
using filetest::Pattern;
using filetest::ReadAll;
using filetest::WriteAll;

using filetest::kArchive;

class AtomicFileTest : public filetest::TempFolderTest {};

TEST_F(AtomicFileTest, CommitReplacesTheTargetAndLeavesNothingElse) {
    const Bytes oldContent = Pattern(5000, 1);
    const Bytes newContent = Pattern(120000, 2);
    const std::string target = Path("doc.qdx");
    WriteAll(target, oldContent);
    ASSERT_EQ(chmod(target.c_str(), 0640), 0);

    CAtomicFile file;
    ASSERT_EQ(file.Open(target.c_str(), "wb", kArchive), 0);
    EXPECT_EQ(std::string(file.GetFullPath().GetText()), target);
    EXPECT_STREQ(file.GetTitle().GetText(), "doc");
    EXPECT_EQ(ReadAll(target), oldContent);  // untouched while writing
    ASSERT_EQ(file.Write(newContent.data(), 70000), 0);
    ASSERT_EQ(file.Write(newContent.data() + 70000, 50000), 0);
    EXPECT_EQ(file.Commit(), 0);
    EXPECT_EQ(file.m_status, 0);
    EXPECT_FALSE(file.IsOpen());

    EXPECT_EQ(ReadAll(target), newContent);
    EXPECT_EQ(Entries(m_folder), std::vector<std::string>{"doc.qdx"});
    struct stat info;
    ASSERT_EQ(stat(target.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
    EXPECT_EQ(file.Commit(), -2);
}

TEST_F(AtomicFileTest, CommitCreatesAMissingTarget) {
    CAtomicFile file;
    ASSERT_EQ(file.Open(Path("new.ini").c_str(), "w+b", kArchive), 0);
    ASSERT_EQ(file.Write("[a]\n", 4), 0);
    // Readable with "w+": the content can be checked before publishing it.
    ASSERT_EQ(file.SetPosition(0), 0);
    char back[4];
    EXPECT_EQ(file.Read(back, 4), 4u);
    EXPECT_EQ(Entries(m_folder).size(), 1u);  // only the hidden temporary file
    EXPECT_EQ(file.Commit(), 0);
    EXPECT_EQ(ReadAll(Path("new.ini")), (Bytes{'[', 'a', ']', '\n'}));
    EXPECT_EQ(Entries(m_folder), std::vector<std::string>{"new.ini"});
}

TEST_F(AtomicFileTest, GivingUpLeavesTheOldFileAndNoTemporaryFile) {
    const Bytes oldContent = Pattern(3000);
    const std::string target = Path("settings.ini");
    enum class Ending { Close, Abort, Destructor };
    for (const Ending ending : {Ending::Close, Ending::Abort, Ending::Destructor}) {
        SCOPED_TRACE(static_cast<int>(ending));
        WriteAll(target, oldContent);
        {
            CAtomicFile file;
            ASSERT_EQ(file.Open(target.c_str(), "wb", kArchive), 0);
            ASSERT_EQ(file.Write("partial", 7), 0);
            if (ending == Ending::Close) {
                EXPECT_EQ(file.Close(), 0);
                EXPECT_EQ(file.Close(), -2);
            } else if (ending == Ending::Abort) {
                file.Abort();
                EXPECT_EQ(file.Commit(), -2);
            }
        }
        EXPECT_EQ(ReadAll(target), oldContent);
        EXPECT_EQ(Entries(m_folder), std::vector<std::string>{"settings.ini"});
    }
}

// The write fails half way (file size limit of the process, in a child so the
// limit stays there): Commit must report it and keep the old file as it was.
TEST_F(AtomicFileTest, AFailedWriteLeavesTheOldFileByteIdentical) {
    const Bytes oldContent = Pattern(10000, 1);
    const std::string target = Path("doc.qdx");
    WriteAll(target, oldContent);

    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        signal(SIGXFSZ, SIG_IGN);
        struct rlimit limit = {65536, 65536};
        if (setrlimit(RLIMIT_FSIZE, &limit) != 0) {
            _exit(10);
        }
        const Bytes newContent = Pattern(200000, 2);
        int code = 0;
        {
            CAtomicFile file;
            if (file.Open(target.c_str(), "wb", kArchive) != 0) {
                _exit(11);
            }
            const int32_t written = file.Write(newContent.data(), 200000);
            const int32_t committed = file.Commit();
            code = (written == 4 ? 1 : 0) | (committed == 4 ? 2 : 0) | (file.m_status == 4 ? 4 : 0);
        }
        _exit(code);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 7) << "1: write reported 4, 2: commit reported 4, 4: status 4";
    EXPECT_EQ(ReadAll(target), oldContent);
    EXPECT_EQ(Entries(m_folder), std::vector<std::string>{"doc.qdx"});
}

TEST_F(AtomicFileTest, TargetsThatCannotBeReplacedAreRefusedAtOpen) {
    ASSERT_EQ(mkdir(Path("folder").c_str(), 0755), 0);
    struct Row {
        std::string path;
        const char* mode;
        int32_t code;
    };
    const Row rows[] = {
        {Path("missing/doc.qdx"), "wb", 3},  // no such folder
        {Path("folder"), "wb", 3},           // a folder
        {Path("doc.qdx"), "rb", -1},         // only modes that start a new file
        {Path("doc.qdx"), "r+b", -1},
        {Path("doc.qdx"), "ab", -1},
        {"", "wb", -1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.path + " " + row.mode);
        CAtomicFile file;
        EXPECT_EQ(file.Open(row.path.c_str(), row.mode, kArchive), row.code);
        EXPECT_EQ(file.m_status, row.code);
        EXPECT_FALSE(file.IsOpen());
    }
    EXPECT_EQ(Entries(m_folder), std::vector<std::string>{"folder"});
}

TEST_F(AtomicFileTest, ALinkedTargetKeepsItsLink) {
    ASSERT_EQ(mkdir(Path("real").c_str(), 0755), 0);
    WriteAll(Path("real/file.ini"), Pattern(100));
    ASSERT_EQ(symlink("real/file.ini", Path("link.ini").c_str()), 0);
    CAtomicFile file;
    ASSERT_EQ(file.Open(Path("link.ini").c_str(), "wb", kArchive), 0);
    ASSERT_EQ(file.Write("new", 3), 0);
    ASSERT_EQ(file.Commit(), 0);
    struct stat info;
    ASSERT_EQ(lstat(Path("link.ini").c_str(), &info), 0);
    EXPECT_TRUE(S_ISLNK(info.st_mode));
    EXPECT_EQ(ReadAll(Path("real/file.ini")), (Bytes{'n', 'e', 'w'}));
    EXPECT_EQ(Entries(Path("real")), std::vector<std::string>{"file.ini"});
}

}  // namespace
