#include "host/FileStream.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "foundation/files/SFile.h"
#include "tests/support/TempFolder.h"

namespace {

using namespace qrkstream;

class FileStreamTest : public testsupport::TempFolderTest {
protected:
    void SetUp() override {
        TempFolderTest::SetUp();
        testsupport::WriteText(Path("ten.bin"), "0123456789");
    }
    // Opens ten.bin with the mode; the test fails when it cannot.
    void Open(CSFile& file, const char* mode) {
        ASSERT_EQ(file.Open(Path("ten.bin").c_str(), mode, IFFile::kAttributeArchive), IFFile::kOk);
    }
};

TEST_F(FileStreamTest, SeekCountsFromTheChosenOrigin) {
    CSFile file;
    Open(file, "rb");
    IFFile2IStreamAdapter stream(&file);
    struct Case {
        const char* name;
        int64_t move;
        uint32_t origin;
        QRKStreamResult result;
        uint64_t position;  // reported, and where the file stands after a success
    };
    // Rows run in order: each starts where the previous one left the file.
    const Case cases[] = {
        {"end - 4", -4, kSeekEnd, kOk, 6},
        {"current + 2", 2, kSeekCurrent, kOk, 8},
        {"current - 3", -3, kSeekCurrent, kOk, 5},
        {"set 3", 3, kSeekSet, kOk, 3},
        {"beyond the end is allowed", 5, kSeekEnd, kOk, 15},
        {"before the start is refused", -16, kSeekCurrent, kFalse, 0},
        {"a target past 64 bits is refused", INT64_MAX, kSeekEnd, kFalse, 0},
        {"unknown origin", 0, 3, kInvalidFunction, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        uint64_t position = 99;
        EXPECT_EQ(stream.Seek(c.move, c.origin, &position), c.result);
        EXPECT_EQ(position, c.position);
        if (c.result == kOk) {
            int64_t at = -1;
            file.GetPosition(at);
            EXPECT_EQ(at, int64_t(c.position));
        }
    }
    EXPECT_EQ(stream.Seek(0, kSeekSet, nullptr), kOk) << "the position out may be null";
}

TEST_F(FileStreamTest, ReadMapsTheFileStatus) {
    char buffer[16] = {};
    uint32_t got = 99;

    CSFile reader;
    Open(reader, "rb");
    IFFile2IStreamAdapter stream(&reader);
    EXPECT_EQ(stream.Read(buffer, 4, &got), kOk);
    EXPECT_EQ(got, 4u);
    EXPECT_EQ(std::string(buffer, 4), "0123");
    EXPECT_EQ(stream.Read(buffer, 16, &got), kOk);
    EXPECT_EQ(got, 6u) << "a short read at the end";
    EXPECT_EQ(stream.Read(buffer, 16, &got), kOk);
    EXPECT_EQ(got, 0u) << "the end itself is no failure";
    EXPECT_EQ(stream.Read(nullptr, 4, &got), kInvalidPointer);
    EXPECT_EQ(got, 0u);

    CSFile writer;
    ASSERT_EQ(writer.Open(Path("out.bin").c_str(), "wb", IFFile::kAttributeArchive), IFFile::kOk);
    IFFile2IStreamAdapter writeOnly(&writer);
    got = 99;
    EXPECT_EQ(writeOnly.Read(buffer, 4, &got), kAccessDenied);
    EXPECT_EQ(got, 0u);

    // A folder opens but cannot be read: the file's status is an input/output failure.
    CSFile folder;
    if (folder.Open(m_folder.c_str(), "rb", IFFile::kAttributeArchive) == IFFile::kOk) {
        IFFile2IStreamAdapter folderStream(&folder);
        EXPECT_EQ(folderStream.Read(buffer, 4, &got), kFalse);
        EXPECT_EQ(folder.m_status, IFFile::kIoFailure);
    }

    IFFile2IStreamAdapter none(nullptr);
    got = 99;
    EXPECT_EQ(none.Read(buffer, 4, &got), kFalse);
    EXPECT_EQ(got, 0u);
    EXPECT_EQ(stream.Read(buffer, 4, nullptr), kOk) << "the count out may be null";
}

TEST_F(FileStreamTest, WriteNeverReportsARefusedWriteAsDone) {
    CSFile reader;
    Open(reader, "rb");
    IFFile2IStreamAdapter readOnly(&reader);
    CSFile closed;
    IFFile2IStreamAdapter notOpen(&closed);
    CSFile writer;
    ASSERT_EQ(writer.Open(Path("out.bin").c_str(), "wb", IFFile::kAttributeArchive), IFFile::kOk);
    IFFile2IStreamAdapter stream(&writer);
    IFFile2IStreamAdapter none(nullptr);

    struct Case {
        const char* name;
        IFFile2IStreamAdapter* stream;
        const char* data;
        uint32_t size;
        QRKStreamResult result;
        uint32_t written;
    };
    const Case cases[] = {
        {"written", &stream, "abc", 3, kOk, 3},
        {"nothing to write", &none, "abc", 0, kOk, 0},
        {"no file", &none, "abc", 3, kCannotSave, 0},
        {"null buffer", &stream, nullptr, 3, kInvalidPointer, 0},
        {"read-only file", &readOnly, "abc", 3, kAccessDenied, 0},
        {"closed file", &notOpen, "abc", 3, kCannotSave, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        uint32_t written = 99;
        EXPECT_EQ(c.stream->Write(c.data, c.size, &written), c.result);
        EXPECT_EQ(written, c.written);
    }
    writer.Close();
    EXPECT_EQ(testsupport::ReadText(Path("out.bin")), "abc");
}

TEST_F(FileStreamTest, StatGivesTheSizeOfAStreamWithoutName) {
    CSFile file;
    Open(file, "rb");
    IFFile2IStreamAdapter stream(&file);
    QRKStreamStat stat;
    stat.mode = 7;
    EXPECT_EQ(stream.Stat(&stat, kStatNoName), kOk);
    EXPECT_EQ(stat.name, nullptr);
    EXPECT_EQ(stat.type, kTypeStream);
    EXPECT_EQ(stat.size, 10u);
    EXPECT_EQ(stat.mode, 0u);

    EXPECT_EQ(stream.Stat(&stat, 0), kInvalidFlag) << "a name is never given";
    EXPECT_EQ(stream.Stat(nullptr, kStatNoName), kInvalidFlag);
    IFFile2IStreamAdapter none(nullptr);
    EXPECT_EQ(none.Stat(&stat, kStatNoName), kFalse);
    CSFile closed;
    IFFile2IStreamAdapter notOpen(&closed);
    EXPECT_EQ(notOpen.Stat(&stat, kStatNoName), kFalse);
    EXPECT_EQ(notOpen.Seek(0, kSeekEnd, nullptr), kFalse);
}

TEST_F(FileStreamTest, ReferencesOnlyCount) {
    IFFile2IStreamAdapter stream(nullptr);
    EXPECT_EQ(stream.AddRef(), 1u);
    EXPECT_EQ(stream.AddRef(), 2u);
    EXPECT_EQ(stream.Release(), 1u);
    EXPECT_EQ(stream.Release(), 0u);
    EXPECT_EQ(stream.GetRefCount(), 0) << "still alive on the stack";
    EXPECT_EQ(stream.SetSize(5), kNotImplemented);
    EXPECT_EQ(stream.Clone(nullptr), kNotImplemented);
}

}  // namespace
