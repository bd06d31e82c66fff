// RCG container files: reading records out of hand-made containers of both
// forms, refusing damaged or hostile ones, and writing containers atomically.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "imagefiles/rcg/RcgContainer.h"
#include "imagefiles/rcg/RcgEncoder.h"
#include "imagefiles/rcg/RcgRecord.h"
#include "raster/surface/sprite/Sprite.h"
#include "tests/imagefiles/rcg/RcgTestSupport.h"
#include "tests/raster/RasterTestSupport.h"
#include "tests/support/TempFolder.h"

namespace {

using rcg_test::RecordBytes;
using testsupport::ReadText;
using testsupport::WriteText;

std::string Le32(uint32_t v) {
    std::string s(4, '\0');
    for (int i = 0; i < 4; ++i) s[i] = static_cast<char>(v >> (8 * i));
    return s;
}
std::string Le16(uint32_t v) { return Le32(v).substr(0, 2); }
std::string Text(const std::vector<uint8_t>& bytes) { return std::string(bytes.begin(), bytes.end()); }
std::vector<uint8_t> Bytes(const CMemoryBlock<unsigned char>& block) {
    return std::vector<uint8_t>(block.GetBuffer(), block.GetBuffer() + block.GetCount());
}

// Two small records: a 2 x 1 run and a 1 x 1 literal pixel.
const std::vector<uint8_t> kRecord0 = RecordBytes(2, 1).U8s({0x01, 2}).Colour(0x80FF0000u).Done();
const std::vector<uint8_t> kRecord1 = RecordBytes(1, 1).U8s({0x00, 1}).Colour(0x0000FF00u).Done();

std::string Rcg2(const std::vector<std::vector<uint8_t>>& records) {
    std::string table, body;
    uint32_t offset = 9 + 4 * static_cast<uint32_t>(records.size());
    for (const auto& r : records) {
        table += Le32(offset);
        body += Text(r);
        offset += static_cast<uint32_t>(r.size());
    }
    return "RCG20" + Le32(static_cast<uint32_t>(records.size())) + table + body;
}

std::string Rcg1(const std::vector<std::vector<uint8_t>>& records) {
    std::string table, body;
    uint32_t offset = 7 + 4 * static_cast<uint32_t>(records.size());
    for (const auto& r : records) {
        table += Le32(offset);
        body += Text(r);
        offset += static_cast<uint32_t>(r.size());
    }
    return "RCG11" + Le16(static_cast<uint32_t>(records.size())) + table + body;
}

class RcgContainerTest : public testsupport::TempFolderTest {
protected:
    void SetUp() override {
        testsupport::TempFolderTest::SetUp();
        InitRasterLibrary(1);
    }
    int32_t Read(const std::string& content, int32_t index, std::vector<uint8_t>* record = nullptr) {
        const std::string path = Path("c.rcg");
        WriteText(path, content);
        CMemoryBlock<unsigned char> block;
        const int32_t result = ReadRcgFrame(block, path.c_str(), index);
        if (result == 0) {
            EXPECT_EQ(block.GetBuffer(), nullptr);
        }
        if (record != nullptr) *record = Bytes(block);
        return result;
    }
};

TEST_F(RcgContainerTest, ReadsEveryRecordOfBothForms) {
    std::vector<uint8_t> record;
    EXPECT_EQ(Read(Rcg2({kRecord0, kRecord1}), 0, &record), 20);
    EXPECT_EQ(record, kRecord0);
    EXPECT_EQ(Read(Rcg2({kRecord0, kRecord1}), 1, &record), 20);
    EXPECT_EQ(record, kRecord1);
    EXPECT_EQ(Read(Rcg1({kRecord0, kRecord1}), 1, &record), 11);
    EXPECT_EQ(record, kRecord1);
    // A record of the old form goes to the same decoder.
    CSprite sprite;
    ASSERT_EQ(DecodeRcg(sprite, record.data(), static_cast<uint32_t>(record.size())), 0);
    EXPECT_EQ(raster_test::Pixels(sprite), std::vector<uint32_t>{0x0000FF00u});
}

TEST_F(RcgContainerTest, RefusesDamagedAndHostileContainers) {
    const std::string good = Rcg2({kRecord0});
    std::string longLength = good;
    longLength.replace(13, 4, Le32(static_cast<uint32_t>(kRecord0.size()) + 1));
    std::string hugeLength = good;
    hugeLength.replace(13, 4, Le32(0xFFFFFFF0u));
    std::string length4 = good;
    length4.replace(13, 4, Le32(4));
    std::string offsetBeyond = good;
    offsetBeyond.replace(9, 4, Le32(100000));
    struct Case {
        const char* name;
        std::string content;
        int32_t index;
    };
    const Case cases[] = {
        {"empty file", "", 0},
        {"\"RCG2\" with form byte 1", "RCG21" + good.substr(5), 0},
        {"\"RCG1\" with form byte 0", "RCG10" + Rcg1({kRecord0}).substr(5), 0},
        {"unknown magic", "RCG30" + good.substr(5), 0},
        {"index equal to the count", good, 1},
        {"negative index, new form", good, -1},
        {"negative index, old form", Rcg1({kRecord0}), -1},
        {"count 0", "RCG20" + Le32(0), 0},
        {"table cut short", good.substr(0, 11), 0},
        {"offset beyond the file", offsetBeyond, 0},
        {"length one byte beyond the file", longLength, 0},
        {"length of 4 GiB in a small file", hugeLength, 0},
        {"length of 4", length4, 0},
        {"length field cut short", good.substr(0, 15), 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Read(c.content, c.index), 0);
    }
}

TEST_F(RcgContainerTest, RefusesMissingFileAndFullBlock) {
    CMemoryBlock<unsigned char> block;
    EXPECT_EQ(ReadRcgFrame(block, Path("missing.rcg").c_str(), 0), 0);
    const std::string path = Path("c.rcg");
    WriteText(path, Rcg2({kRecord0}));
    block.Alloc(3);
    EXPECT_EQ(ReadRcgFrame(block, path.c_str(), 0), 0);
    EXPECT_EQ(block.GetCount(), 3u);
}

TEST_F(RcgContainerTest, EmptyContainerIsNineBytes) {
    const std::string path = Path("empty.rcg");
    ASSERT_TRUE(SaveRcgFile(path.c_str(), nullptr, 0, 2, GetSingleSprite, 3));
    EXPECT_EQ(ReadText(path), std::string("RCG20\0\0\0\0", 9));
    CMemoryBlock<unsigned char> block;
    EXPECT_EQ(ReadRcgFrame(block, path.c_str(), 0), 0);
}

// A gradient with a transparent corner: codes differently at every level.
CSprite TestImage(int32_t w, int32_t h, uint32_t seed) {
    return raster_test::Painted(w, h, [seed](int32_t x, int32_t y) {
        if (x < 3 && y < 3) return 0u;
        return 0xFF000000u | static_cast<uint32_t>(x * 5 + seed) << 16 | static_cast<uint32_t>(y * 3) << 8 |
               static_cast<uint32_t>((x ^ y) & 0x1F);
    });
}

TEST_F(RcgContainerTest, OneImageContainerHoldsTheEncodedRecord) {
    CSprite sprite = TestImage(40, 30, 7);
    for (int32_t level = 0; level <= 3; ++level) {
        SCOPED_TRACE(level);
        const std::string path = Path("one.rcg");
        ASSERT_TRUE(SaveRcgFile(path.c_str(), &sprite, 1, 2, GetSingleSprite, level));
        CMemoryBlock<unsigned char> expected;
        ASSERT_TRUE(RcgEncodeRecord(expected, sprite, 2, level));
        const std::string file = ReadText(path);
        EXPECT_EQ(file, "RCG20" + Le32(1) + Le32(13) + Text(Bytes(expected)));

        CMemoryBlock<unsigned char> record;
        ASSERT_EQ(ReadRcgFrame(record, path.c_str(), 0), 20);
        CSprite decoded;
        ASSERT_EQ(DecodeRcg(decoded, record.GetBuffer(), record.GetCount()), 0);
        EXPECT_EQ(raster_test::Pixels(decoded), raster_test::Pixels(sprite));
    }
}

TEST_F(RcgContainerTest, ManyImagesReadBackInOrder) {
    std::vector<CSprite> sprites;
    sprites.push_back(TestImage(5, 4, 1));
    sprites.push_back(TestImage(64, 2, 2));
    sprites.push_back(TestImage(1, 1, 3));
    const RcgImageGetter getter = [](const void* items, uint32_t i) -> const CSprite* {
        return &(*static_cast<const std::vector<CSprite>*>(items))[i];
    };
    const std::string path = Path("many.rcg");
    ASSERT_TRUE(SaveRcgFile(path.c_str(), &sprites, 3, 2, getter, 3));
    const std::string file = ReadText(path);
    uint32_t offset = 9 + 12;
    for (uint32_t i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(file.substr(9 + 4 * i, 4), Le32(offset));  // records back to back after the table
        CMemoryBlock<unsigned char> record;
        ASSERT_EQ(ReadRcgFrame(record, path.c_str(), static_cast<int32_t>(i)), 20);
        offset += record.GetCount();
        CSprite decoded;
        ASSERT_EQ(DecodeRcg(decoded, record.GetBuffer(), record.GetCount()), 0);
        EXPECT_EQ(raster_test::Pixels(decoded), raster_test::Pixels(sprites[i]));
    }
    EXPECT_EQ(file.size(), offset);
}

TEST_F(RcgContainerTest, FailedSaveLeavesTheOldFile) {
    const std::string path = Path("keep.rcg");
    WriteText(path, "old content");
    CSprite sprite = raster_test::Filled(2, 2, 0xFF000000u);
    // The getter has no sprite for index 1; record 0 was already written.
    EXPECT_FALSE(SaveRcgFile(path.c_str(), &sprite, 2, 2, GetSingleSprite, 3));
    EXPECT_EQ(ReadText(path), "old content");
    // A record that cannot be coded (bad level, bad type, empty sprite).
    EXPECT_FALSE(SaveRcgFile(path.c_str(), &sprite, 1, 2, GetSingleSprite, 4));
    EXPECT_FALSE(SaveRcgFile(path.c_str(), &sprite, 1, 3, GetSingleSprite, 1));
    CSprite empty;
    EXPECT_FALSE(SaveRcgFile(path.c_str(), &empty, 1, 2, GetSingleSprite, 1));
    EXPECT_EQ(ReadText(path), "old content");
    EXPECT_EQ(testsupport::Entries(m_folder), std::vector<std::string>{"keep.rcg"});
    // A folder that does not exist cannot be written.
    EXPECT_FALSE(SaveRcgFile(Path("no/such/x.rcg").c_str(), &sprite, 1, 2, GetSingleSprite, 3));
}

TEST_F(RcgContainerTest, SingleSpriteGetter) {
    CSprite sprite;
    EXPECT_EQ(GetSingleSprite(&sprite, 0), &sprite);
    EXPECT_EQ(GetSingleSprite(&sprite, 1), nullptr);
}

}  // namespace
