#include "foundation/files/FFile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "tests/foundation/files/FileTestSupport.h"

namespace {

using filetest::Bytes;
using filetest::Pattern;
using filetest::ReadAll;
using filetest::WriteAll;

using filetest::kArchive;
constexpr uint32_t kSector = 4096;

class FFileTest : public filetest::TempFolderTest {};

// Counts the raw transfers and fails them on request.
class ProbedFile : public CFFile {
public:
    std::vector<uint32_t> reads;  // sizes asked of RawRead
    int seeks = 0;
    int writes = 0;
    int readsBeforeFailure = -1;   // -1: never fail
    int writesBeforeFailure = -1;

protected:
    uint32_t RawRead(void* buffer, uint32_t count) override {
        reads.push_back(count);
        if (readsBeforeFailure == 0) {
            return 0xFFFFFFFFu;
        }
        if (readsBeforeFailure > 0) {
            --readsBeforeFailure;
        }
        return CFFile::RawRead(buffer, count);
    }
    bool RawWrite(const void* buffer, uint32_t count) override {
        ++writes;
        if (writesBeforeFailure == 0) {
            return false;
        }
        if (writesBeforeFailure > 0) {
            --writesBeforeFailure;
        }
        return CFFile::RawWrite(buffer, count);
    }
    int32_t RawSeek(int64_t& position) override {
        ++seeks;
        return CFFile::RawSeek(position);
    }
};

int64_t PositionOf(IFFile& file) {
    int64_t position = -1;
    EXPECT_EQ(file.GetPosition(position), 0);
    return position;
}

int64_t SizeOf(IFFile& file) {
    int64_t size = -1;
    EXPECT_EQ(file.GetSize(size), 0);
    return size;
}

// ---------------------------------------------------------------------------
// Against a model: a byte vector and a position. Random reads, writes, moves,
// size changes and reopenings, with lengths and positions drawn around sector
// and ring boundaries; after every step position and size must agree, every
// read must return the model's bytes, and the file on disk must equal the model
// after each Close.

struct Model {
    Bytes data;
    int64_t position = 0;
};

class Driver {
public:
    Driver(uint32_t seed, uint32_t ring) : m_random(seed), m_ring(ring) {}

    uint32_t Length() {
        switch (m_random() % 6) {
            case 0:
                return 1 + m_random() % 64;
            case 1:
                return kSector - 3 + m_random() % 7;
            case 2:
                return m_ring - 3 + m_random() % 7;
            case 3:
                return m_random() % (3 * m_ring);
            default:
                return m_random() % 9000;
        }
    }

    int64_t Position(int64_t size) {
        switch (m_random() % 4) {
            case 0:
                return size;
            case 1: {
                const int64_t boundary = (size / kSector) * kSector;
                const int64_t near = boundary - 1 + static_cast<int64_t>(m_random() % 3);
                return std::clamp<int64_t>(near, 0, size);
            }
            default:
                return size == 0 ? 0 : static_cast<int64_t>(m_random() % (size + 1));
        }
    }

    uint32_t Next() { return m_random(); }

private:
    std::mt19937 m_random;
    uint32_t m_ring;
};

void CheckAgainstModel(const std::string& path, uint32_t seed, uint32_t ring, bool exactReads, bool writeThrough,
                       const char* firstMode) {
    SCOPED_TRACE("seed " + std::to_string(seed) + " ring " + std::to_string(ring) + " mode " + firstMode +
                 (exactReads ? " exact" : "") + (writeThrough ? " write-through" : ""));
    Driver driver(seed, ring);
    Model model;
    if (firstMode[0] != 'w') {
        model.data = Pattern(driver.Next() % (2 * ring + 3 * kSector), seed);
        WriteAll(path, model.data);
    }
    CFFile file;
    ASSERT_EQ(file.SetOptions(exactReads, writeThrough), 0);
    ASSERT_EQ(file.SetBufferSize(ring), 0);
    ASSERT_EQ(file.GetRingSize(), ring);
    ASSERT_EQ(file.Open(path.c_str(), firstMode, kArchive), 0);
    if (firstMode[0] == 'a') {
        model.position = static_cast<int64_t>(model.data.size());
    }

    const char* const reopenModes[] = {"r+b", "a+b"};
    for (int step = 0; step < 300; ++step) {
        const int64_t size = static_cast<int64_t>(model.data.size());
        const uint32_t op = driver.Next() % 21;
        std::string what;
        if (op < 6) {
            const uint32_t n = driver.Length();
            what = "read " + std::to_string(n);
            Bytes got(n + 1, 0xEE);
            const uint32_t expected = static_cast<uint32_t>(std::min<int64_t>(n, size - model.position));
            ASSERT_EQ(file.Read(got.data(), n), expected) << what << " step " << step;
            ASSERT_TRUE(std::equal(got.begin(), got.begin() + expected, model.data.begin() + model.position))
                << what << " step " << step;
            model.position += expected;
        } else if (op < 12) {
            const uint32_t n = driver.Length();
            what = "write " + std::to_string(n);
            const Bytes bytes = Pattern(n, driver.Next());
            ASSERT_EQ(file.Write(bytes.data(), n), 0) << what << " step " << step;
            if (model.position + n > size) {
                model.data.resize(model.position + n);
            }
            std::copy(bytes.begin(), bytes.end(), model.data.begin() + model.position);
            model.position += n;
        } else if (op < 16) {
            const int64_t target = driver.Position(size);
            what = "set position " + std::to_string(target);
            ASSERT_EQ(file.SetPosition(target), 0) << what << " step " << step;
            model.position = target;
        } else if (op == 16) {
            const int32_t offset = -static_cast<int32_t>(driver.Next() % 5000);
            const int64_t target = std::max<int64_t>(size + offset, 0);
            what = "seek from the end " + std::to_string(offset);
            ASSERT_EQ(file.Seek(static_cast<int32_t>(target - size), 2), 0) << what << " step " << step;
            model.position = target;
        } else if (op < 19) {
            const int64_t target = driver.Position(size) + (driver.Next() % 2 ? driver.Length() : 0);
            what = "set size " + std::to_string(target);
            ASSERT_EQ(file.SetSize(target), 0) << what << " step " << step;
            model.data.resize(static_cast<size_t>(target), 0);
            model.position = target;
        } else if (op == 19) {
            // Changing the options midway leaves the ring wherever it stands.
            const uint32_t bits = driver.Next();
            what = "options " + std::to_string(bits & 3);
            ASSERT_EQ(file.SetOptions((bits & 1) != 0, (bits & 2) != 0), 0) << what << " step " << step;
        } else {
            const char* mode = reopenModes[driver.Next() % 2];
            what = std::string("reopen ") + mode;
            ASSERT_EQ(file.Close(), 0) << what << " step " << step;
            ASSERT_EQ(ReadAll(path), model.data) << what << " step " << step;
            ASSERT_EQ(file.Open(path.c_str(), mode, kArchive), 0) << what << " step " << step;
            model.position = mode[0] == 'a' ? static_cast<int64_t>(model.data.size()) : 0;
        }
        ASSERT_EQ(file.m_status, 0) << what << " step " << step;
        ASSERT_EQ(PositionOf(file), model.position) << what << " step " << step;
        ASSERT_EQ(SizeOf(file), static_cast<int64_t>(model.data.size())) << what << " step " << step;
    }
    ASSERT_EQ(file.Close(), 0);
    EXPECT_EQ(ReadAll(path), model.data);
}

TEST_F(FFileTest, BehavesLikeAPlainByteArrayAcrossSectorAndRingBoundaries) {
    struct Config {
        uint32_t ring;
        bool exactReads;
        bool writeThrough;
        const char* mode;
    };
    const Config configs[] = {
        {65536, false, false, "r+b"}, {65536, true, false, "a+b"}, {65536, false, true, "w+b"},
        {65536, true, true, "r+b"},   {524288, false, false, "a+b"}, {131072, false, false, "w+b"},
    };
    uint32_t seed = 1;
    for (const Config& config : configs) {
        for (int repeat = 0; repeat < 3; ++repeat, ++seed) {
            CheckAgainstModel(Path(std::to_string(seed) + ".model"), seed, config.ring, config.exactReads,
                              config.writeThrough, config.mode);
            if (HasFatalFailure()) {
                return;
            }
        }
    }
}

// ---------------------------------------------------------------------------

TEST_F(FFileTest, HeaderReadsThenTheRestThenNothing) {
    const Bytes content = Pattern(1000);
    WriteAll(Path("f.bmp"), content);
    CFFile file;
    ASSERT_EQ(file.Open(Path("f.bmp").c_str(), "rb", kArchive), 0);
    EXPECT_STREQ(file.GetTitle().GetText(), "f");
    Bytes got(1000);
    EXPECT_EQ(file.Read(got.data(), 14), 14u);
    EXPECT_EQ(file.Read(got.data() + 14, 40), 40u);
    EXPECT_EQ(file.Read(got.data() + 54, 946), 946u);
    EXPECT_EQ(got, content);
    EXPECT_EQ(file.Read(got.data(), 10), 0u);
    EXPECT_EQ(file.m_status, 0);
    EXPECT_EQ(file.Close(), 0);
}

TEST_F(FFileTest, WritesEndAtExactlyTheWrittenSize) {
    struct Row {
        const char* mode;
        size_t before;  // bytes in the file before Open
        size_t added;   // bytes written after Open
    };
    const Row rows[] = {
        {"wb", 5000, 1000},          // emptied, then a partial first sector
        {"wb", 0, 3 * kSector},      // whole sectors only
        {"wb", 0, 600000},           // more than the ring
        {"ab", 1000, 10},            // the old partial last sector is kept
        {"ab", kSector, 10},         // appending at a sector boundary
        {"ab", 0, 10},
        {"ab", 70000, 600000},
    };
    int index = 0;
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.mode) + " " + std::to_string(row.before) + " + " + std::to_string(row.added));
        const std::string path = Path(std::to_string(index++) + ".bin");
        const Bytes before = Pattern(row.before, 1);
        const Bytes added = Pattern(row.added, 2);
        WriteAll(path, before);
        CFFile file;
        ASSERT_EQ(file.Open(path.c_str(), row.mode, kArchive), 0);
        EXPECT_EQ(file.Write(added.data(), static_cast<uint32_t>(added.size())), 0);
        EXPECT_EQ(file.Close(), 0);
        Bytes expected = row.mode[0] == 'a' ? before : Bytes();
        expected.insert(expected.end(), added.begin(), added.end());
        EXPECT_EQ(ReadAll(path), expected);
    }
}

TEST_F(FFileTest, WritingInsideKeepsTheSizeAndTheBytesAround) {
    const Bytes content = Pattern(300000);
    WriteAll(Path("f"), content);
    const Bytes patch = Pattern(70000, 9);
    CFFile file;
    ASSERT_EQ(file.Open(Path("f").c_str(), "r+b", kArchive), 0);
    const int64_t at = 5000;
    ASSERT_EQ(file.SetPosition(at), 0);
    EXPECT_EQ(file.Write(patch.data(), static_cast<uint32_t>(patch.size())), 0);
    EXPECT_EQ(file.Close(), 0);
    Bytes expected = content;
    std::copy(patch.begin(), patch.end(), expected.begin() + at);
    EXPECT_EQ(ReadAll(Path("f")), expected);
}

// Write-through leaves the ring's head mid-ring; later writes then wrap round the
// ring's end, and a write over the wrapped bytes must follow them.
TEST_F(FFileTest, OverwritingBytesThatWrapRoundTheRingEnd) {
    CFFile file;
    ASSERT_EQ(file.SetBufferSize(65536), 0);
    ASSERT_EQ(file.SetOptions(false, true), 0);
    ASSERT_EQ(file.Open(Path("f").c_str(), "w+b", kArchive), 0);
    Bytes model = Pattern(5000, 1);
    ASSERT_EQ(file.Write(model.data(), 5000), 0);  // one sector goes out, 904 bytes stay
    ASSERT_EQ(file.SetOptions(false, false), 0);
    const Bytes more = Pattern(64532, 2);           // fills the ring to 100 bytes short
    ASSERT_EQ(file.Write(more.data(), 64532), 0);
    model.insert(model.end(), more.begin(), more.end());
    const int64_t at = 65096;
    ASSERT_EQ(file.SetPosition(at), 0);
    const Bytes patch = Pattern(1000, 3);
    ASSERT_EQ(file.Write(patch.data(), 1000), 0);
    std::copy(patch.begin(), patch.end(), model.begin() + at);
    ASSERT_EQ(file.SetPosition(at - 10), 0);
    Bytes back(1020);
    ASSERT_EQ(file.Read(back.data(), 1020), 1020u);
    EXPECT_TRUE(std::equal(back.begin(), back.end(), model.begin() + at - 10));
    EXPECT_EQ(file.Close(), 0);
    EXPECT_EQ(ReadAll(Path("f")), model);
}

TEST_F(FFileTest, SetSizeCutsOrGrowsWithZeros) {
    const Bytes content = Pattern(1000);
    for (const int64_t newSize : {int64_t(700), int64_t(1300), int64_t(0), int64_t(3 * kSector + 5)}) {
        SCOPED_TRACE(newSize);
        WriteAll(Path("f"), content);
        CFFile file;
        ASSERT_EQ(file.Open(Path("f").c_str(), "r+b", kArchive), 0);
        EXPECT_EQ(file.SetSize(newSize), 0);
        EXPECT_EQ(PositionOf(file), newSize);
        EXPECT_EQ(SizeOf(file), newSize);
        EXPECT_EQ(file.Close(), 0);
        Bytes expected = content;
        expected.resize(static_cast<size_t>(newSize), 0);
        EXPECT_EQ(ReadAll(Path("f")), expected);
    }
    CFFile file;
    ASSERT_EQ(file.Open(Path("f").c_str(), "r+b", kArchive), 0);
    EXPECT_EQ(file.SetSize(-1), 6);
    EXPECT_EQ(file.m_status, 6);
}

TEST_F(FFileTest, PositionsMustLieWithinTheFile) {
    WriteAll(Path("f"), Pattern(1000));
    CFFile file;
    EXPECT_EQ(file.SetPosition(0), 6);  // closed
    ASSERT_EQ(file.Open(Path("f").c_str(), "rb", kArchive), 0);
    EXPECT_EQ(file.SetPosition(1000), 0);
    EXPECT_EQ(file.SetPosition(1001), 6);
    EXPECT_EQ(file.m_status, 6);
    EXPECT_EQ(file.SetPosition(-1), 6);
    EXPECT_EQ(file.Seek(-1001, 2), 6);
    EXPECT_EQ(file.Seek(-10, 2), 0);
    EXPECT_EQ(PositionOf(file), 990);
    EXPECT_EQ(file.Seek(0, 3), -1);
}

TEST_F(FFileTest, ClosedObjectRefusesWithTheDocumentedCodes) {
    CFFile file;
    char buffer[4] = {};
    int64_t value = 5;
    EXPECT_EQ(file.Read(buffer, 4), 0u);
    EXPECT_EQ(file.m_status, 5);
    EXPECT_EQ(file.Write(buffer, 4), 5);
    EXPECT_EQ(file.SetPosition(value), 6);
    EXPECT_EQ(file.Flush(), -2);
    EXPECT_EQ(file.SetSize(value), -2);
    EXPECT_EQ(file.Close(), -2);
    EXPECT_EQ(file.SetFileTime(nullptr, nullptr, nullptr), -2);
    EXPECT_EQ(file.GetFileTime(nullptr, nullptr, nullptr), 0);
    file.m_status = 123;
    EXPECT_EQ(file.GetPosition(value), -2);
    EXPECT_EQ(file.GetSize(value), -2);
    EXPECT_EQ(file.m_status, 123);
    EXPECT_EQ(file.Seek(0, 1), 4);
    EXPECT_EQ(file.SetBufferSize(65536), 0);
    EXPECT_EQ(file.SetOptions(true, false), 0);
}

TEST_F(FFileTest, OptionsSurviveCloseAndReopen) {
    CFFile file;
    ASSERT_EQ(file.SetOptions(true, true), 0);
    EXPECT_EQ(file.GetFlags(), uint32_t(IFFile::kExactReads | IFFile::kWriteThrough));
    ASSERT_EQ(file.Open(Path("f").c_str(), "wb", kArchive), 0);
    EXPECT_EQ(file.GetFlags(), uint32_t(IFFile::kOpen | IFFile::kWritable | IFFile::kWriteDirection |
                                        IFFile::kExactReads | IFFile::kWriteThrough));
    file.Close();
    EXPECT_EQ(file.GetFlags(), uint32_t(IFFile::kExactReads | IFFile::kWriteThrough));
    ASSERT_EQ(file.SetOptions(false, true), 0);
    EXPECT_EQ(file.GetFlags(), uint32_t(IFFile::kWriteThrough));
}

TEST_F(FFileTest, BufferSizeRoundsUpToTheGranularity) {
    struct Row {
        uint32_t asked;
        int32_t code;
        uint32_t ring;
    };
    const Row rows[] = {
        {70000, 0, 131072}, {65536, 0, 65536}, {1, 0, 65536}, {0, 1, 65536}, {0xFFFFFFFFu, 1, 65536},
    };
    CFFile file;
    EXPECT_EQ(file.GetRingSize(), 524288u);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.asked);
        EXPECT_EQ(file.SetBufferSize(row.asked), row.code);
        EXPECT_EQ(file.m_status, row.code);
        EXPECT_EQ(file.GetRingSize(), row.ring);
    }
}

TEST_F(FFileTest, BufferSizeNeverDropsBufferedBytes) {
    const Bytes content = Pattern(200000);
    CFFile file;
    ASSERT_EQ(file.Open(Path("f").c_str(), "w+b", kArchive), 0);
    ASSERT_EQ(file.Write(content.data(), static_cast<uint32_t>(content.size())), 0);
    EXPECT_EQ(file.SetBufferSize(65536), 1);
    EXPECT_EQ(file.GetRingSize(), 524288u);
    EXPECT_EQ(file.SetBufferSize(262144), 0);
    // Read back through the resized ring, then out to the disk.
    ASSERT_EQ(file.SetPosition(1000), 0);
    Bytes got(500);
    EXPECT_EQ(file.Read(got.data(), 500), 500u);
    EXPECT_TRUE(std::equal(got.begin(), got.end(), content.begin() + 1000));
    EXPECT_EQ(file.Close(), 0);
    EXPECT_EQ(ReadAll(Path("f")), content);
}

TEST_F(FFileTest, SteppingBackWithinWhatWasReadStaysInMemory) {
    const Bytes content = Pattern(100000);
    WriteAll(Path("f"), content);
    ProbedFile file;
    ASSERT_EQ(file.Open(Path("f").c_str(), "rb", kArchive), 0);
    Bytes got(5000);
    ASSERT_EQ(file.Read(got.data(), 5000), 5000u);
    const size_t reads = file.reads.size();
    const int seeks = file.seeks;

    ASSERT_EQ(file.SetPosition(1000), 0);  // back, within the look-behind
    ASSERT_EQ(file.Read(got.data(), 100), 100u);
    EXPECT_TRUE(std::equal(got.begin(), got.begin() + 100, content.begin() + 1000));
    ASSERT_EQ(file.SetPosition(90000), 0);  // ahead, within the ring
    ASSERT_EQ(file.Read(got.data(), 100), 100u);
    EXPECT_TRUE(std::equal(got.begin(), got.begin() + 100, content.begin() + 90000));
    ASSERT_EQ(file.SetPosition(20), 0);  // everything skipped over stays behind the head
    ASSERT_EQ(file.Read(got.data(), 100), 100u);
    EXPECT_TRUE(std::equal(got.begin(), got.begin() + 100, content.begin() + 20));
    EXPECT_EQ(file.reads.size(), reads);
    EXPECT_EQ(file.seeks, seeks);
}

TEST_F(FFileTest, ExactReadsAskOnlyForTheSectorsNeeded) {
    WriteAll(Path("f"), Pattern(1000000));
    for (const bool exact : {false, true}) {
        SCOPED_TRACE(exact);
        ProbedFile file;
        file.SetOptions(exact, false);
        ASSERT_EQ(file.Open(Path("f").c_str(), "rb", kArchive), 0);
        char buffer[10000];
        ASSERT_EQ(file.Read(buffer, 100), 100u);
        ASSERT_EQ(file.Read(buffer, 10000), 10000u);  // 3996 from the ring, 6004 more
        const std::vector<uint32_t> expected =
            exact ? std::vector<uint32_t>{kSector, 2 * kSector} : std::vector<uint32_t>{524288};
        EXPECT_EQ(file.reads, expected);
    }
}

TEST_F(FFileTest, WriteThroughPutsWholeSectorsOnTheDiskAtOnce) {
    const Bytes content = Pattern(5000);
    for (const bool writeThrough : {false, true}) {
        SCOPED_TRACE(writeThrough);
        CFFile file;
        file.SetOptions(false, writeThrough);
        ASSERT_EQ(file.Open(Path("f").c_str(), "wb", kArchive), 0);
        ASSERT_EQ(file.Write(content.data(), 5000), 0);
        const Bytes onDisk = ReadAll(Path("f"));
        if (writeThrough) {
            ASSERT_GE(onDisk.size(), kSector);
            EXPECT_TRUE(std::equal(onDisk.begin(), onDisk.begin() + kSector, content.begin()));
        } else {
            EXPECT_TRUE(onDisk.empty());
        }
        EXPECT_EQ(file.Close(), 0);
        EXPECT_EQ(ReadAll(Path("f")), content);
    }
}

TEST_F(FFileTest, InputOutputFailureIsStickyAndCloseReportsIt) {
    struct Case {
        const char* name;
        const char* mode;
        bool failWrite;
    };
    for (const Case& c : {Case{"write", "w+b", true}, Case{"read", "r+b", false}}) {
        SCOPED_TRACE(c.name);
        WriteAll(Path("f"), Pattern(10000));
        ProbedFile file;
        ASSERT_EQ(file.Open(Path("f").c_str(), c.mode, kArchive), 0);
        Bytes buffer = Pattern(600000);
        if (c.failWrite) {
            file.writesBeforeFailure = 0;
            EXPECT_EQ(file.Write(buffer.data(), 600000), 4);  // more than the ring: must write
        } else {
            file.readsBeforeFailure = 0;
            EXPECT_EQ(file.Read(buffer.data(), 100), 0u);
        }
        EXPECT_EQ(file.m_status, 4);
        const int writes = file.writes;
        const size_t reads = file.reads.size();

        int64_t value = 0;
        EXPECT_EQ(file.Read(buffer.data(), 10), 0u);
        EXPECT_EQ(file.Write(buffer.data(), 10), 4);
        EXPECT_EQ(file.SetPosition(value), 4);
        EXPECT_EQ(file.GetPosition(value), 4);
        EXPECT_EQ(file.GetSize(value), 4);
        EXPECT_EQ(file.SetSize(value), 4);
        EXPECT_EQ(file.Flush(), 4);
        EXPECT_EQ(file.Seek(0, 1), 4);
        EXPECT_EQ(file.SetOptions(false, false), 0);
        EXPECT_EQ(file.SetBufferSize(1048576), 0);
        EXPECT_EQ(file.Open(Path("g").c_str(), "wb", kArchive), 2);
        EXPECT_EQ(file.m_status, 4);
        EXPECT_EQ(file.writes, writes);
        EXPECT_EQ(file.reads.size(), reads);

        // Closing succeeds, but says the file may lack data.
        EXPECT_EQ(file.Close(), -2);
        EXPECT_FALSE(file.IsOpen());
        EXPECT_EQ(file.Open(Path("f").c_str(), "rb", kArchive), 0);
        EXPECT_EQ(file.m_status, 0);
    }
}

TEST_F(FFileTest, AFileCutBehindOurBackFailsInsteadOfLooping) {
    WriteAll(Path("f"), Pattern(100000));
    CFFile file;
    file.SetBufferSize(65536);
    ASSERT_EQ(file.Open(Path("f").c_str(), "rb", kArchive), 0);
    Bytes got(200000);
    ASSERT_EQ(file.Read(got.data(), 10), 10u);
    ASSERT_EQ(truncate(Path("f").c_str(), 20), 0);
    EXPECT_EQ(file.Read(got.data(), 200000), 0u);
    EXPECT_EQ(file.m_status, 4);
}

TEST_F(FFileTest, SetFileTimeWritesTheFileOutAndStampsIt) {
    // 2020-01-02 03:04:05.1234567 UTC in 100-nanosecond ticks since 1601.
    const uint64_t ticks = (uint64_t(1577934245) + 11644473600ull) * 10000000ull + 1234567;
    const FILETIME stamp{static_cast<uint32_t>(ticks), static_cast<uint32_t>(ticks >> 32)};
    const Bytes content = Pattern(1000);
    CFFile file;
    ASSERT_EQ(file.Open(Path("f").c_str(), "wb", kArchive), 0);
    ASSERT_EQ(file.Write(content.data(), 1000), 0);
    EXPECT_EQ(file.SetFileTime(nullptr, &stamp, &stamp), 0);
    EXPECT_FALSE(file.IsOpen());
    EXPECT_EQ(ReadAll(Path("f")), content);

    struct stat info;
    ASSERT_EQ(stat(Path("f").c_str(), &info), 0);
    EXPECT_EQ(info.st_mtim.tv_sec, 1577934245);
    EXPECT_EQ(info.st_mtim.tv_nsec, 123456700);

    ASSERT_EQ(file.Open(Path("f").c_str(), "rb", kArchive), 0);
    FILETIME lastWrite{};
    FILETIME lastAccess{};
    EXPECT_NE(file.GetFileTime(nullptr, &lastAccess, &lastWrite), 0);
    EXPECT_EQ(lastWrite.dwLowDateTime, stamp.dwLowDateTime);
    EXPECT_EQ(lastWrite.dwHighDateTime, stamp.dwHighDateTime);
    EXPECT_EQ(file.SetFileTime(nullptr, nullptr, nullptr), 0);
    EXPECT_EQ(file.SetFileTime(nullptr, nullptr, nullptr), -2);
    EXPECT_EQ(file.m_status, -2);
}

}  // namespace
