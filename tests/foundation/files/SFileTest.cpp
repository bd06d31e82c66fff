#include "foundation/files/SFile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <string>

#include "foundation/files/FFile.h"
#include "tests/foundation/files/FileTestSupport.h"

namespace {

using filetest::Bytes;
using filetest::Pattern;
using filetest::ReadAll;
using filetest::WriteAll;

class SFileTest : public filetest::TempFolderTest {};

using filetest::kArchive;
constexpr uint32_t kRead = IFFile::kOpen | IFFile::kReadable;
constexpr uint32_t kWrite = IFFile::kOpen | IFFile::kWritable | IFFile::kWriteDirection;
constexpr uint32_t kBoth = IFFile::kOpen | IFFile::kReadable | IFFile::kWritable;
constexpr uint32_t kAll = kWrite | IFFile::kReadable;

TEST_F(SFileTest, ModesOpenCreateAndEmptyLikeTheCLibrary) {
    struct Row {
        const char* mode;
        bool exists;      // a 100-byte file is there before Open
        int32_t code;     // Open's result
        uint32_t flags;   // after Open
        int64_t size;     // GetSize after Open
        int64_t position; // GetPosition after Open
        int64_t onDisk;   // file size after Close (-1: no file)
    };
    const Row rows[] = {
        {"rb", true, 0, kRead, 100, 0, 100},
        {"r", false, 3, 0, 0, 0, -1},
        {"rw", true, 0, kRead, 100, 0, 100},  // "r" wins over "w"
        {"wb", true, 0, kWrite, 0, 0, 0},     // emptied
        {"wt", false, 0, kWrite, 0, 0, 0},    // created
        {"ab", true, 0, kWrite, 100, 100, 100},
        {"a", false, 0, kWrite, 0, 0, 0},
        {"r+b", true, 0, kBoth, 100, 0, 100},
        {"r+", false, 3, 0, 0, 0, -1},
        {"w+", true, 0, kAll, 0, 0, 0},
        {"+a", true, 0, kAll, 100, 100, 100},
        {"+", true, -1, 0, 0, 0, 100},
        {"b", true, -1, 0, 0, 0, 100},
        {"", true, -1, 0, 0, 0, 100},
        {nullptr, true, -1, 0, 0, 0, 100},
    };
    int index = 0;
    for (const Row& row : rows) {
        const std::string path = Path(std::to_string(index++) + ".bin");
        SCOPED_TRACE(std::string("mode \"") + (row.mode ? row.mode : "(null)") + "\"");
        const Bytes before = Pattern(100);
        if (row.exists) {
            WriteAll(path, before);
        }
        CSFile file;
        EXPECT_EQ(file.Open(path.c_str(), row.mode, kArchive), row.code);
        EXPECT_EQ(file.m_status, row.code);
        EXPECT_EQ(file.GetFlags(), row.flags);
        if (row.code == 0) {
            int64_t size = -1;
            int64_t position = -1;
            EXPECT_EQ(file.GetSize(size), 0);
            EXPECT_EQ(file.GetPosition(position), 0);
            EXPECT_EQ(size, row.size);
            EXPECT_EQ(position, row.position);
            EXPECT_EQ(file.Close(), 0);
        } else {
            EXPECT_STREQ(file.GetFullPath().GetText(), "");
            EXPECT_STREQ(file.GetTitle().GetText(), "");
        }
        if (row.onDisk < 0) {
            EXPECT_FALSE(filetest::Exists(path));
        } else {
            const Bytes after = ReadAll(path);
            EXPECT_EQ(static_cast<int64_t>(after.size()), row.onDisk);
            if (row.onDisk == 100) {
                EXPECT_EQ(after, before);
            }
        }
    }
}

TEST_F(SFileTest, EmptyOrMissingPathIsABadArgument) {
    CSFile file;
    EXPECT_EQ(file.Open("", "wb", kArchive), -1);
    EXPECT_EQ(file.Open(nullptr, "wb", kArchive), -1);
    EXPECT_EQ(file.m_status, -1);
    // A folder cannot be opened as a file; nor can a missing folder hold one.
    EXPECT_EQ(file.Open(m_folder.c_str(), "rb", kArchive), 3);
    EXPECT_EQ(file.Open(Path("missing/x").c_str(), "wb", kArchive), 3);
}

TEST_F(SFileTest, ClosedObjectRefusesWithTheDocumentedCodes) {
    CSFile file;
    char buffer[4] = {};
    int64_t value = 5;
    EXPECT_EQ(file.Read(buffer, 4), 0u);
    EXPECT_EQ(file.m_status, -2);
    EXPECT_EQ(file.Write(buffer, 4), -2);
    EXPECT_EQ(file.SetPosition(value), -2);
    EXPECT_EQ(file.SetSize(value), -2);
    EXPECT_EQ(file.Seek(0, 0), -2);
    EXPECT_EQ(file.Close(), -2);

    // GetPosition and GetSize report without recording.
    file.m_status = 123;
    EXPECT_EQ(file.GetPosition(value), -2);
    EXPECT_EQ(file.GetSize(value), -2);
    EXPECT_EQ(file.m_status, 123);
    EXPECT_EQ(value, 5);

    // From the current position there is no position to ask for.
    EXPECT_EQ(file.Seek(0, 1), 4);
    EXPECT_EQ(file.m_status, 4);

    EXPECT_EQ(file.Flush(), 0);
    EXPECT_EQ(file.SetBufferSize(4096), 7);
    EXPECT_EQ(file.SetOptions(true, true), 7);
    EXPECT_EQ(file.GetFlags(), 0u);
}

TEST_F(SFileTest, OpenOnAnOpenObjectKeepsTheFirstFileUsable) {
    const Bytes first = Pattern(100, 1);
    const Bytes second = Pattern(50, 2);
    WriteAll(Path("a"), first);
    WriteAll(Path("b"), second);
    CSFile file;
    ASSERT_EQ(file.Open(Path("a").c_str(), "rb", kArchive), 0);
    EXPECT_EQ(file.Open(Path("b").c_str(), "wb", kArchive), 2);
    EXPECT_EQ(file.m_status, 2);
    EXPECT_EQ(ReadAll(Path("b")), second);  // not emptied
    Bytes got(100);
    EXPECT_EQ(file.Read(got.data(), 100), 100u);
    EXPECT_EQ(got, first);
    EXPECT_EQ(file.Close(), 0);
    EXPECT_EQ(file.Close(), -2);
}

TEST_F(SFileTest, ReadsStopAtTheEndWithSuccess) {
    const Bytes content = Pattern(100);
    WriteAll(Path("f"), content);
    CSFile file;
    ASSERT_EQ(file.Open(Path("f").c_str(), "rb", kArchive), 0);
    Bytes got(150);
    EXPECT_EQ(file.Read(got.data(), 150), 100u);
    EXPECT_EQ(file.m_status, 0);
    EXPECT_TRUE(std::equal(content.begin(), content.end(), got.begin()));
    EXPECT_EQ(file.Read(got.data(), 150), 0u);
    EXPECT_EQ(file.m_status, 0);
    int64_t position = 0;
    EXPECT_EQ(file.GetPosition(position), 0);
    EXPECT_EQ(position, 100);
}

TEST_F(SFileTest, OperationsTheModeDoesNotAllowAreRefusedWith5) {
    WriteAll(Path("f"), Pattern(100));
    char buffer[8] = {};
    int64_t size = 10;
    CSFile reader;
    ASSERT_EQ(reader.Open(Path("f").c_str(), "rb", kArchive), 0);
    EXPECT_EQ(reader.Write(buffer, 8), 5);
    EXPECT_EQ(reader.m_status, 5);
    EXPECT_EQ(reader.SetSize(size), 5);
    reader.Close();

    CSFile writer;
    ASSERT_EQ(writer.Open(Path("g").c_str(), "wb", kArchive), 0);
    EXPECT_EQ(writer.Read(buffer, 8), 0u);
    EXPECT_EQ(writer.m_status, 5);
    EXPECT_EQ(ReadAll(Path("f")).size(), 100u);
}

TEST_F(SFileTest, SeekCountsFromEachOriginAndMayPassTheEnd) {
    const Bytes content = Pattern(100);
    WriteAll(Path("f"), content);
    CSFile file;
    ASSERT_EQ(file.Open(Path("f").c_str(), "r+b", kArchive), 0);
    int64_t position = 0;

    EXPECT_EQ(file.Seek(-10, 2), 0);
    file.GetPosition(position);
    EXPECT_EQ(position, 90);
    unsigned char tail[20];
    EXPECT_EQ(file.Read(tail, 20), 10u);
    EXPECT_EQ(0, std::memcmp(tail, content.data() + 90, 10));

    EXPECT_EQ(file.Seek(-5, 1), 0);
    file.GetPosition(position);
    EXPECT_EQ(position, 95);
    EXPECT_EQ(file.Seek(7, 0), 0);
    file.GetPosition(position);
    EXPECT_EQ(position, 7);

    EXPECT_EQ(file.Seek(0, 3), -1);
    EXPECT_EQ(file.m_status, -1);
    int64_t negative = -1;
    EXPECT_EQ(file.SetPosition(negative), -2);
    EXPECT_EQ(file.m_status, -2);

    // Beyond the end: accepted; a write there extends the file with zeros between.
    int64_t beyond = 150;
    EXPECT_EQ(file.SetPosition(beyond), 0);
    EXPECT_EQ(file.Write("WXYZ", 4), 0);
    int64_t size = 0;
    file.GetSize(size);
    EXPECT_EQ(size, 154);
    EXPECT_EQ(file.Close(), 0);
    Bytes expected = content;
    expected.resize(150, 0);
    expected.insert(expected.end(), {'W', 'X', 'Y', 'Z'});
    EXPECT_EQ(ReadAll(Path("f")), expected);
}

TEST_F(SFileTest, SetSizeCutsOrExtendsAndLeavesThePositionThere) {
    const Bytes content = Pattern(100);
    WriteAll(Path("f"), content);
    CSFile file;
    ASSERT_EQ(file.Open(Path("f").c_str(), "r+b", kArchive), 0);
    int64_t size = -1;
    EXPECT_EQ(file.SetSize(size), 6);
    EXPECT_EQ(file.m_status, 6);

    size = 10;
    EXPECT_EQ(file.SetSize(size), 0);
    int64_t reported = 0;
    file.GetSize(reported);
    EXPECT_EQ(reported, 10);
    file.GetPosition(reported);
    EXPECT_EQ(reported, 10);
    EXPECT_EQ(ReadAll(Path("f")), Bytes(content.begin(), content.begin() + 10));

    size = 30;
    EXPECT_EQ(file.SetSize(size), 0);
    file.Close();
    Bytes expected(content.begin(), content.begin() + 10);
    expected.resize(30, 0);
    EXPECT_EQ(ReadAll(Path("f")), expected);
}

TEST_F(SFileTest, AppendStartsAtTheEndAndGrowsTheFile) {
    const Bytes content = Pattern(100);
    WriteAll(Path("f"), content);
    CSFile file;
    ASSERT_EQ(file.Open(Path("f").c_str(), "ab", kArchive), 0);
    EXPECT_EQ(file.Write("12345", 5), 0);
    int64_t size = 0;
    int64_t position = 0;
    file.GetSize(size);
    file.GetPosition(position);
    EXPECT_EQ(size, 105);
    EXPECT_EQ(position, 105);
    file.Close();
    Bytes expected = content;
    expected.insert(expected.end(), {'1', '2', '3', '4', '5'});
    EXPECT_EQ(ReadAll(Path("f")), expected);
}

// /dev/full refuses every write; reading process memory at address 0 fails.
TEST_F(SFileTest, InputOutputFailureIsStickyUntilClose) {
    struct Case {
        const char* path;
        const char* mode;
        bool write;
    };
    for (const Case& c : {Case{"/dev/full", "wb", true}, Case{"/proc/self/mem", "rb", false}}) {
        SCOPED_TRACE(c.path);
        CSFile file;
        ASSERT_EQ(file.Open(c.path, c.mode, kArchive), 0);
        char buffer[16] = {};
        if (c.write) {
            EXPECT_EQ(file.Write(buffer, 16), 4);
        } else {
            EXPECT_EQ(file.Read(buffer, 16), 0u);
        }
        EXPECT_EQ(file.m_status, 4);

        int64_t value = 0;
        EXPECT_EQ(file.Read(buffer, 16), 0u);
        EXPECT_EQ(file.Write(buffer, 16), 4);
        EXPECT_EQ(file.SetPosition(value), 4);
        EXPECT_EQ(file.GetPosition(value), 4);
        EXPECT_EQ(file.GetSize(value), 4);
        EXPECT_EQ(file.SetSize(value), 4);
        EXPECT_EQ(file.Seek(0, 1), 4);
        // Nothing that merely records a code hides the failure.
        EXPECT_EQ(file.Flush(), 4);
        EXPECT_EQ(file.SetOptions(false, false), 7);
        EXPECT_EQ(file.Seek(0, 9), -1);
        EXPECT_EQ(file.Open(Path("other").c_str(), "wb", kArchive), 2);
        EXPECT_EQ(file.m_status, 4);
        EXPECT_EQ(file.Write(buffer, 16), 4);

        EXPECT_EQ(file.Close(), 0);
        ASSERT_EQ(file.Open(Path("other").c_str(), "wb", kArchive), 0);
        EXPECT_EQ(file.m_status, 0);
        EXPECT_EQ(file.Write("ok", 2), 0);
        file.Close();
        EXPECT_EQ(ReadAll(Path("other")), (Bytes{'o', 'k'}));
    }
}

TEST_F(SFileTest, TitleAndFullPathComeFromTheAbsolutePath) {
    WriteAll(Path("pic.old.qdx"), Pattern(3));
    // The same file named relative to the current folder.
    char cwd[4096];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    std::string relative;
    for (const char* p = cwd; *p != '\0'; ++p) {
        if (*p == '/' && p[1] != '\0') {
            relative += "../";
        }
    }
    relative += Path("pic.old.qdx").substr(1);

    CSFile file;
    ASSERT_EQ(file.Open(relative.c_str(), "rb", kArchive), 0);
    EXPECT_EQ(std::string(file.GetFullPath().GetText()), Path("pic.old.qdx"));
    EXPECT_STREQ(file.GetTitle().GetText(), "pic.old");
    EXPECT_EQ(file.Close(), 0);
    EXPECT_STREQ(file.GetFullPath().GetText(), "");
    EXPECT_STREQ(file.GetTitle().GetText(), "");
    EXPECT_EQ(file.GetFlags(), 0u);
}

TEST_F(SFileTest, StoredPathsReachTheFileSystemWithSlashesAndUtf8) {
    ASSERT_EQ(mkdir(Path("sub").c_str(), 0755), 0);
    // A backslash-separated path whose name holds a character outside code page 932.
    const std::string stored = m_folder + "\\sub\\%u[1F600]x.bin";
    CSFile file;
    ASSERT_EQ(file.Open(stored.c_str(), "wb", kArchive), 0);
    EXPECT_STREQ(file.GetTitle().GetText(), "%u[1F600]x");
    EXPECT_EQ(file.Write("hi", 2), 0);
    file.Close();
    EXPECT_EQ(ReadAll(Path("sub/\xF0\x9F\x98\x80x.bin")), (Bytes{'h', 'i'}));
}

TEST_F(SFileTest, ReadersShareAFileAndAWriterKeepsItToItself) {
    const Bytes content = Pattern(100);
    WriteAll(Path("f"), content);
    const std::string p = Path("f");
    const char* path = p.c_str();
    {
        CSFile reader1;
        CSFile reader2;
        ASSERT_EQ(reader1.Open(path, "rb", kArchive), 0);
        EXPECT_EQ(reader2.Open(path, "rb", kArchive), 0);
        CSFile writer;
        EXPECT_EQ(writer.Open(path, "wb", kArchive), 3);
        EXPECT_EQ(ReadAll(p), content);  // refused before emptying anything
    }
    CSFile writer;
    ASSERT_EQ(writer.Open(path, "r+b", kArchive), 0);
    CSFile reader;
    EXPECT_EQ(reader.Open(path, "rb", kArchive), 3);
    CFFile buffered;
    EXPECT_EQ(buffered.Open(path, "ab", kArchive), 3);
    writer.Close();
    EXPECT_EQ(reader.Open(path, "rb", kArchive), 0);
}

TEST_F(SFileTest, ReadOnlyAndDeleteOnCloseAttributes) {
    const std::string temporary = Path("temporary");
    CSFile file;
    ASSERT_EQ(file.Open(temporary.c_str(), "w+b", kArchive | IFFile::kDeleteOnClose), 0);
    EXPECT_EQ(file.Write("abc", 3), 0);
    EXPECT_TRUE(filetest::Exists(temporary));
    EXPECT_EQ(file.Close(), 0);
    EXPECT_FALSE(filetest::Exists(temporary));

    // The creating handle may still write; the file is read-only afterwards.
    const std::string locked = Path("locked");
    ASSERT_EQ(file.Open(locked.c_str(), "wb", kArchive | IFFile::kAttributeReadOnly), 0);
    EXPECT_EQ(file.Write("abc", 3), 0);
    file.Close();
    struct stat info;
    ASSERT_EQ(stat(locked.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0222, 0u);
    EXPECT_EQ(ReadAll(locked), (Bytes{'a', 'b', 'c'}));
}

}  // namespace
