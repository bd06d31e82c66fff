#include "platform/PosixFile.h"

#include <gtest/gtest.h>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <set>
#include <string>

#include "tests/support/TempFolder.h"

namespace {

class PosixFileTest : public testsupport::TempFolderTest {};

// A FIFO would block open() until a writer comes; a folder opens read-only on
// Linux. Neither is a file the system can use.
TEST_F(PosixFileTest, OnlyFilesAndDevicesOpenAndNothingBlocks) {
    const std::string fifo = m_folder + "/fifo";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    platform::FileOpenRequest reader;
    EXPECT_EQ(platform::OpenFile(fifo.c_str(), reader), -1);
    EXPECT_EQ(platform::OpenFile(m_folder.c_str(), reader), -1);

    const int device = platform::OpenFile("/dev/null", reader);
    ASSERT_GE(device, 0);
    // Blocking again once open, and closed on exec.
    EXPECT_EQ(fcntl(device, F_GETFL) & O_NONBLOCK, 0);
    EXPECT_NE(fcntl(device, F_GETFD) & FD_CLOEXEC, 0);
    EXPECT_TRUE(platform::CloseFile(device));
}

TEST_F(PosixFileTest, UniqueFilesNeverReuseAName) {
    std::set<std::string> names;
    for (int i = 0; i < 50; ++i) {
        std::string path;
        const int fd = platform::CreateUniqueFile(m_folder + "/.doc.new-", path);
        ASSERT_GE(fd, 0);
        EXPECT_EQ(path.rfind(m_folder + "/.doc.new-", 0), 0u);
        EXPECT_EQ(path.size(), m_folder.size() + 10 + 6);
        EXPECT_TRUE(names.insert(path).second);
        platform::CloseFile(fd);
    }
    std::string path = "unchanged";
    EXPECT_EQ(platform::CreateUniqueFile(m_folder + "/missing/x-", path), -1);
    EXPECT_EQ(path, "unchanged");
}

TEST_F(PosixFileTest, TransfersAreWholeUntilTheEnd) {
    const std::string file = m_folder + "/f";
    platform::FileOpenRequest request;
    request.write = true;
    request.disposition = platform::FileDisposition::CreateAlways;
    const int fd = platform::OpenFile(file.c_str(), request);
    ASSERT_GE(fd, 0);
    std::string data(300000, 'x');
    ASSERT_TRUE(platform::WriteFile(fd, data.data(), static_cast<uint32_t>(data.size())));
    int64_t at = -1;
    ASSERT_TRUE(platform::SeekFile(fd, 299990, at));
    EXPECT_EQ(at, 299990);
    char buffer[100];
    EXPECT_EQ(platform::ReadFile(fd, buffer, 100), 10);
    EXPECT_EQ(platform::ReadFile(fd, buffer, 100), 0);
    EXPECT_FALSE(platform::SeekFile(fd, -1, at));
    EXPECT_TRUE(platform::CloseFile(fd));
}

}  // namespace
