// The RCG record decoder and the raw-record builder: known records, every
// command and colour source against hand-worked pixels, the store loads, the
// failure checks, and hostile input (truncation, mutation, huge sizes).
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "imagefiles/rcg/RcgRecord.h"
#include "imagefiles/rcg/RcgStreams.h"
#include "raster/surface/sprite/RasterLibrary.h"
#include "raster/surface/sprite/Sprite.h"
#include "tests/imagefiles/rcg/RcgTestSupport.h"
#include "tests/raster/RasterTestSupport.h"

namespace {

using raster_test::Pixels;
using rcg_test::RecordBytes;

class RcgDecoderTest : public raster_test::ReadyLibraryTest {};

int32_t Decode(CSprite& sprite, const std::vector<uint8_t>& record) {
    return DecodeRcg(sprite, record.data(), static_cast<uint32_t>(record.size()));
}

std::vector<uint8_t> Bytes(const CMemoryBlock<unsigned char>& block) {
    return std::vector<uint8_t>(block.GetBuffer(), block.GetBuffer() + block.GetCount());
}

std::vector<uint32_t> Ramp(uint32_t first, uint32_t last, int32_t n) {
    std::vector<uint32_t> r(static_cast<size_t>(n));
    BuildColorRamp(first, last, r.data(), n);
    return r;
}

// ---- Known records ----

TEST_F(RcgDecoderTest, RawRecordOfOnePixelIsKnownBytes) {
    CSprite sprite = raster_test::Filled(1, 1, 0x80112233u);
    CMemoryBlock<unsigned char> argb;
    ASSERT_TRUE(RcgBuildRawRecord(argb, sprite, 2));
    const std::vector<uint8_t> expectedArgb = {21, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 2, 0,
                                               0x20, 1, 0, 0x33, 0x22, 0x11, 0x80};
    EXPECT_EQ(Bytes(argb), expectedArgb);

    CMemoryBlock<unsigned char> rgb;
    ASSERT_TRUE(RcgBuildRawRecord(rgb, sprite, 1));
    const std::vector<uint8_t> expectedRgb = {20, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0x20, 1, 0, 0x33, 0x22, 0x11};
    EXPECT_EQ(Bytes(rgb), expectedRgb);

    CSprite out;
    ASSERT_EQ(Decode(out, expectedArgb), 0);
    EXPECT_EQ(Pixels(out), std::vector<uint32_t>{0x80112233u});
    ASSERT_EQ(Decode(out, expectedRgb), 0);
    EXPECT_EQ(Pixels(out), std::vector<uint32_t>{0x00112233u});  // RGB records carry no alpha
}

TEST_F(RcgDecoderTest, BlockCodedRecordOfOnePixelDecodes) {
    // Dictionary load of one colour, dictionary cursor set to 1, then a run from
    // ring entry 0 (which the load filled).
    const std::vector<uint8_t> record = {27, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 2, 0,
                                         0x14, 0x00, 0x00, 0x33, 0x22, 0x11, 0x80,
                                         0xC4, 0x01, 0x00,
                                         0x41, 0x01, 0x00};
    CSprite out;
    ASSERT_EQ(Decode(out, record), 0);
    EXPECT_EQ(Pixels(out), std::vector<uint32_t>{0x80112233u});
}

TEST_F(RcgDecoderTest, RawRecordChunksAt65535PixelsAndRoundTrips) {
    std::mt19937 rng(7);
    struct Case {
        int32_t w, h;
    };
    for (const Case c : {Case{256, 256}, Case{65535, 1}, Case{300, 219}, Case{1, 1}, Case{7, 3}}) {
        CSprite sprite = raster_test::RandomWords(c.w, c.h, rng);
        const uint64_t n = static_cast<uint64_t>(c.w) * static_cast<uint64_t>(c.h);
        for (uint16_t type : {uint16_t{1}, uint16_t{2}}) {
            SCOPED_TRACE(std::to_string(c.w) + "x" + std::to_string(c.h) + " type " + std::to_string(type));
            CMemoryBlock<unsigned char> record;
            ASSERT_TRUE(RcgBuildRawRecord(record, sprite, type));
            const uint32_t chunks = static_cast<uint32_t>((n + 65534) / 65535);
            ASSERT_EQ(record.GetCount(), 14 + 3 * chunks + (type == 1 ? 3 : 4) * n);
            EXPECT_EQ(RcgGet32(record.GetBuffer()), record.GetCount());
            if (n == 65536) {
                // Two chunks: 65,535 pixels, then 1.
                const uint8_t* second = record.GetBuffer() + 14 + 3 + 65535u * (type == 1 ? 3 : 4);
                EXPECT_EQ(second[0], 0x20);
                EXPECT_EQ(RcgGet16(second + 1), 1);
            }
            CSprite out;
            ASSERT_EQ(DecodeRcg(out, record.GetBuffer(), record.GetCount()), 0);
            std::vector<uint32_t> expected = Pixels(sprite);
            if (type == 1) {
                for (uint32_t& p : expected) p &= 0x00FFFFFFu;
            }
            EXPECT_EQ(Pixels(out), expected);
        }
    }
}

TEST_F(RcgDecoderTest, RawRecordPreconditions) {
    CSprite sprite = raster_test::Filled(2, 2, 1);
    CSprite empty;
    CMemoryBlock<unsigned char> block;
    EXPECT_FALSE(RcgBuildRawRecord(block, empty, 2));
    EXPECT_FALSE(RcgBuildRawRecord(block, sprite, 3));
    EXPECT_FALSE(RcgBuildRawRecord(block, sprite, 0));
    EXPECT_EQ(block.GetBuffer(), nullptr);
    raster_test::ResetRasterLibrary();
    EXPECT_FALSE(RcgBuildRawRecord(block, sprite, 2));
    EXPECT_EQ(block.GetBuffer(), nullptr);
}

// ---- Header checks ----

TEST_F(RcgDecoderTest, HeaderResults) {
    struct Case {
        const char* name;
        std::vector<uint8_t> record;
        int32_t result;
    };
    std::vector<uint8_t> wrongTotal = RecordBytes(0, 0).Done();
    wrongTotal[0] = 15;
    const std::vector<uint8_t> oneLonger = RecordBytes(1, 1).U8s({0x01, 1}).Colour(5).U8(0).Done();
    const Case cases[] = {
        {"shorter than a header", std::vector<uint8_t>(13, 0), 1},
        {"type 0", RecordBytes(0, 0, 0).Done(), 3},
        {"type 3", RecordBytes(0, 0, 3).Done(), 3},
        {"total size differs", wrongTotal, 4},
        {"empty image, empty stream", RecordBytes(0, 0).Done(), 0},
        {"1x1 with no commands", RecordBytes(1, 1).Done(), 136},
        {"one byte after the last pixel", oneLonger, 136},
        {"one pixel short", RecordBytes(2, 1).U8s({0x01, 1}).Colour(5).Done(), 136},
        {"load after the last pixel", RecordBytes(1, 1).U8s({0x01, 1}).Colour(5).U8s({0x44, 0}).Done(), 136},
        {"negative width", RecordBytes(0xFFFFFFFFu, 1).Done(), 5},
        {"negative height", RecordBytes(1, 0x80000000u).Done(), 5},
        {"beyond the canvas rule", RecordBytes(20000, 20000).Done(), 5},
        {"strip too high", RecordBytes(500000, 257).Done(), 5},
        {"pixel count beyond 32 bits", RecordBytes(0x10000, 0x10000).Done(), 5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CSprite out;
        EXPECT_EQ(Decode(out, c.record), c.result);
    }
}

TEST_F(RcgDecoderTest, SizeRuleRefusesBeforeTouchingTheSprite) {
    CSprite sprite = raster_test::Filled(3, 3, 0x12345678u);
    EXPECT_EQ(Decode(sprite, RecordBytes(16384, 16384).Done()), 5);
    EXPECT_EQ(sprite.GetWidth(), 3);
    EXPECT_EQ(Pixels(sprite), std::vector<uint32_t>(9, 0x12345678u));
    // A long strip within the rule is made (and here left short, so 136).
    CSprite strip;
    EXPECT_EQ(Decode(strip, RecordBytes(500000, 2).Done()), 136);
    EXPECT_EQ(strip.GetWidth(), 500000);
}

TEST_F(RcgDecoderTest, SpriteOfTheRightSizeIsDecodedInPlace) {
    const std::vector<uint8_t> onePixel = RecordBytes(2, 1).U8s({0x01, 1}).Colour(0x01020304u).Done();
    // Same size: decoded directly, the undecoded pixel keeps its old value.
    CSprite same = raster_test::Filled(2, 1, 0x55555555u);
    const uint32_t* before = same.GetPixels();
    EXPECT_EQ(Decode(same, onePixel), 136);
    EXPECT_EQ(same.GetPixels(), before);
    EXPECT_EQ(Pixels(same), (std::vector<uint32_t>{0x01020304u, 0x55555555u}));
    // Other size: made anew, opaque white where nothing was decoded.
    CSprite other = raster_test::Filled(5, 5, 0x55555555u);
    EXPECT_EQ(Decode(other, onePixel), 136);
    EXPECT_EQ(Pixels(other), (std::vector<uint32_t>{0x01020304u, 0xFFFFFFFFu}));
}

// ---- Commands and colour sources ----

// Dictionary, table and ring all hold A, B, C, D at 0..3 after this load.
constexpr uint32_t A = 0xFF102030u, B = 0x80405060u, C = 0x00708090u, D = 0x40A0B0C0u;
constexpr uint32_t E = 0x11223344u, F = 0x55667788u, G = 0x99AABBCCu;

RecordBytes WithStores(uint32_t pixels) {
    RecordBytes r(pixels, 1);
    r.U8(0x14).U16(3).Colour(A).Colour(B).Colour(C).Colour(D);
    return r;
}

TEST_F(RcgDecoderTest, CommandsWithEverySource) {
    const std::vector<uint32_t> ramp16 = Ramp(A, D, 16);
    const std::vector<uint32_t> ramp4 = Ramp(A, D, 4);
    struct Case {
        const char* name;
        std::vector<uint32_t> pixels;
        std::vector<uint8_t> record;
    };
    auto rec = [](uint32_t n, auto build) {
        RecordBytes r = WithStores(n);
        build(r);
        return r.Done();
    };
    const Case cases[] = {
        {"run literal", {E, E, E}, rec(3, [](RecordBytes& r) { r.U8s({0x01, 3}).Colour(E); })},
        {"run literal wide", {E, E, E}, rec(3, [](RecordBytes& r) { r.U8(0x21).U16(3).Colour(E); })},
        {"run ring", {C, C}, rec(2, [](RecordBytes& r) { r.U8s({0x41, 2, 0x02}); })},
        {"run table", {D, D}, rec(2, [](RecordBytes& r) { r.U8s({0x81, 2, 3}); })},
        {"run dictionary", {B, B}, rec(2, [](RecordBytes& r) { r.U8s({0xC1, 2}).U16(1); })},
        {"runs at the ring cursor", {A, B}, rec(2, [](RecordBytes& r) { r.U8s({0x49, 1, 0x49, 1}); })},
        {"runs at the table cursor", {A, B}, rec(2, [](RecordBytes& r) { r.U8s({0x89, 1, 0x89, 1}); })},
        {"sequence literal", {E, F}, rec(2, [](RecordBytes& r) { r.U8s({0x00, 2}).Colour(E).Colour(F); })},
        {"sequence ring, odd count", {C, B, D}, rec(3, [](RecordBytes& r) { r.U8s({0x40, 3, 0x21, 0x03}); })},
        {"sequence table", {D, A}, rec(2, [](RecordBytes& r) { r.U8s({0x80, 2, 3, 0}); })},
        {"sequence dictionary", {C, B}, rec(2, [](RecordBytes& r) { r.U8s({0xC0, 2}).U16(2).U16(1); })},
        {"sequence at the dictionary cursor", {A, B, C}, rec(3, [](RecordBytes& r) { r.U8s({0xC8, 3}); })},
        {"sequence at the ring cursor wraps", {0, 0, A, B}, rec(4, [](RecordBytes& r) {
             r.U8s({0x44, 14, 0x48, 4});  // cursor set rc = 14
         })},
        {"two-colour block, count 10",
         {F, E, F, E, E, F, E, F, F, E},
         rec(10, [](RecordBytes& r) { r.U8s({0x02, 10}).Colour(E).Colour(F).U8s({0xA5, 0x02}); })},
        {"two-colour block from the ring, last byte right-aligned",
         {D, B, D},
         rec(3, [](RecordBytes& r) { r.U8s({0x42, 3, 0x13, 0x05}); })},
        {"four-colour block from the table",
         {D, C, B, A, B},
         rec(5, [](RecordBytes& r) { r.U8s({0x83, 5, 3, 2, 1, 0, 0x1B, 0x02}); })},
        {"four-colour block from the ring",
         {B, A, D, C},
         rec(4, [](RecordBytes& r) { r.U8s({0x43, 4, 0x01, 0x23, 0x4E}); })},
        {"four-colour block at the dictionary cursor",
         {D, C, B, A},
         rec(4, [](RecordBytes& r) { r.U8s({0xCB, 4, 0xE4}); })},
        {"ramp block from the dictionary",
         {A, ramp16[5], ramp16[10], D},
         rec(4, [](RecordBytes& r) { r.U8s({0xC5, 4}).U16(0).U16(3).U8s({0x5A, 0x1B}); })},
        {"masked sequence, literal, leading zero bits are transparent black",
         {0, 0, E, E, F, G},
         rec(6, [](RecordBytes& r) { r.U8s({0x06, 6, 0x0B}).Colour(E).Colour(F).Colour(G); })},
        {"masked sequence from the ring, odd count of indices",
         {C, B, B, D},
         rec(4, [](RecordBytes& r) { r.U8s({0x46, 4, 0x0D, 0x21, 0x03}); })},
        {"masked sequence at the table cursor",
         {A, A, B},
         rec(3, [](RecordBytes& r) { r.U8s({0x8E, 3, 0x05}); })},
        {"masked ramp from the table",
         {ramp4[0], ramp4[0], ramp4[1], ramp4[2], ramp4[3]},
         rec(5, [](RecordBytes& r) { r.U8s({0x87, 5, 0x17, 0, 3}); })},
        {"count 0 writes nothing", {E}, rec(1, [](RecordBytes& r) { r.U8s({0x01, 0}).Colour(F).U8s({0x01, 1}).Colour(E); })},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CSprite out;
        ASSERT_EQ(Decode(out, c.record), 0);
        EXPECT_EQ(Pixels(out), c.pixels);
    }
}

TEST_F(RcgDecoderTest, TypeOneLiteralsDecodeWithoutAlpha) {
    RecordBytes r(3, 1, 1);
    r.U8s({0x00, 2}).Colour(E).Colour(F).U8s({0x01, 1}).Colour(G);
    CSprite out;
    ASSERT_EQ(Decode(out, r.Done()), 0);
    EXPECT_EQ(Pixels(out), (std::vector<uint32_t>{E & 0xFFFFFF, F & 0xFFFFFF, G & 0xFFFFFF}));
}

// The ring is observed through a sequence read at the ring cursor.
TEST_F(RcgDecoderTest, KeepBitRefillsTheRing) {
    const std::vector<uint32_t> ramp16 = Ramp(A, D, 16);
    struct Case {
        const char* name;
        std::vector<uint32_t> ring;  // the first ring entries afterwards (read from rc = 0)
        std::function<void(RecordBytes&)> command;
        uint32_t commandPixels;
    };
    const Case cases[] = {
        {"run from the ring leaves ring and cursor alone", {B, C}, [](RecordBytes& r) { r.U8s({0x44, 1, 0x51, 1, 3}); }, 1},
        {"run from a literal", {E, B}, [](RecordBytes& r) { r.U8s({0x11, 1}).Colour(E); }, 1},
        {"two-colour block", {D, C, C}, [](RecordBytes& r) { r.U8s({0x52, 1, 0x32, 0x00}); }, 1},
        {"four-colour block", {D, D, E, A, 0}, [](RecordBytes& r) { r.U8s({0x13, 1}).Colour(D).Colour(D).Colour(E).Colour(A).U8(0); }, 1},
        {"explicit sequence keeps the first colours", {F, E, C}, [](RecordBytes& r) { r.U8s({0x10, 2}).Colour(F).Colour(E); }, 2},
        {"sequence at the table cursor keeps 16 from the cursor first",
         {B, C, D, 0},
         [](RecordBytes& r) { r.U8s({0x84, 1, 0x98, 1}); },  // tc = 1
         1},
        {"ramp block keeps the whole ramp", {ramp16[0], ramp16[1], ramp16[2], ramp16[3]},
         [](RecordBytes& r) { r.U8s({0xD5, 1}).U16(0).U16(3).U8s({0x00, 0x00}); }, 1},
        {"masked ramp keeps K ramp colours", {Ramp(A, D, 3)[0], Ramp(A, D, 3)[1], Ramp(A, D, 3)[2], D},
         [](RecordBytes& r) { r.U8s({0x97, 3, 0x07, 0, 3}); }, 3},
        {"masked sequence with no colours only resets the cursor", {A, B},
         [](RecordBytes& r) { r.U8s({0x44, 2, 0x96, 1, 0x00}); }, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const uint32_t n = static_cast<uint32_t>(c.ring.size());
        RecordBytes r = WithStores(c.commandPixels + n);
        c.command(r);
        r.U8s({0x48, n});
        CSprite out;
        ASSERT_EQ(Decode(out, r.Done()), 0);
        const std::vector<uint32_t> all = Pixels(out);
        EXPECT_EQ(std::vector<uint32_t>(all.begin() + c.commandPixels, all.end()), c.ring);
    }
}

TEST_F(RcgDecoderTest, DictionaryLoadFillsTableAndRing) {
    // n = 300 colours 0x01000000 + i: the table takes the first 256, the ring 16.
    RecordBytes r(256 + 16 + 300, 1);
    r.U8(0x14).U16(299);
    for (uint32_t i = 0; i < 300; ++i) r.Colour(0x01000000u + i);
    r.U8(0xA8).U16(256).U8s({0x48, 16}).U8(0xE8).U16(300);
    CSprite out;
    ASSERT_EQ(Decode(out, r.Done()), 0);
    std::vector<uint32_t> expected;
    for (uint32_t i = 0; i < 256; ++i) expected.push_back(0x01000000u + i);
    for (uint32_t i = 0; i < 16; ++i) expected.push_back(0x01000000u + i);
    for (uint32_t i = 0; i < 300; ++i) expected.push_back(0x01000000u + i);
    EXPECT_EQ(Pixels(out), expected);
}

// Each load is followed by reads at the cursors that show what it stored.
TEST_F(RcgDecoderTest, OtherLoadForms) {
    struct Case {
        const char* name;
        std::function<void(RecordBytes&)> loadAndRead;
        std::vector<uint32_t> pixels;
    };
    const Case cases[] = {
        {"dictionary at a start, no table copy",
         [](RecordBytes& r) { r.U8(0x5C).U16(1).U16(2).Colour(E).Colour(F).U8s({0xC8, 4, 0x88, 4, 0x48, 2}); },
         {A, B, E, F, A, B, C, D, A, B}},
        {"table literals at a start", [](RecordBytes& r) { r.U8s({0x9C, 0, 1}).Colour(E).U8s({0x88, 3, 0x48, 2}); },
         {A, E, C, A, B}},
        {"table from dictionary indices, ring copy",
         [](RecordBytes& r) { r.U8s({0x34, 1}).U16(3).U16(2).U8s({0x88, 2, 0x48, 2}); }, {D, C, D, C}},
        {"table from dictionary indices at a start, no ring copy",
         [](RecordBytes& r) { r.U8s({0x7C, 0, 2}).U16(1).U8s({0x88, 4, 0x48, 1}); }, {A, B, B, D, A}},
        {"ring from dictionary indices", [](RecordBytes& r) { r.U8s({0xB4, 1}).U16(3).U16(3).U8s({0x48, 3}); },
         {D, D, C}},
        {"ring literals at a start", [](RecordBytes& r) { r.U8s({0xDC, 0, 1}).Colour(E).U8s({0x48, 3}); }, {A, E, C}},
        {"ring from table indices", [](RecordBytes& r) { r.U8s({0xF4, 2, 2, 2, 1, 0x48, 4}); }, {C, C, B, D}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RecordBytes r = WithStores(static_cast<uint32_t>(c.pixels.size()));
        c.loadAndRead(r);
        CSprite out;
        ASSERT_EQ(Decode(out, r.Done()), 0);
        EXPECT_EQ(Pixels(out), c.pixels);
    }
}

TEST_F(RcgDecoderTest, ProductLoadWritesAlphaRedGreenBlueOrder) {
    // The cube load the block encoder writes: 8 reds, 8 greens, 8 blues, one alpha.
    const uint32_t r0 = 0x48, g0 = 0x10, b0 = 0xF0, a = 0x7F;
    RecordBytes r(512 + 8, 1);
    r.U8(0xCC).U16(3072).U8(0x54).U8s({7, 7, 7, 0, r0, r0 + 7, g0, g0 + 7, b0, b0 + 7, a});
    r.U8(0xC4).U16(3072).U8(0xE8).U16(512);
    // Into the ring: one red as a range, lists of two greens, blues and alphas.
    r.U8(0x4C).U8s({0, 0x40, 0, 1, 1, 1, 5, 5, 0x21, 0x20, 0x30, 0x31, 0xFF, 0x00});
    r.U8s({0x48, 8});
    CSprite out;
    ASSERT_EQ(Decode(out, r.Done()), 0);
    std::vector<uint32_t> expected;
    for (uint32_t ri = 0; ri < 8; ++ri)
        for (uint32_t gi = 0; gi < 8; ++gi)
            for (uint32_t bi = 0; bi < 8; ++bi) expected.push_back(a << 24 | (r0 + ri) << 16 | (g0 + gi) << 8 | (b0 + bi));
    for (uint32_t alpha : {0x00u, 0xFFu})  // values in ascending order whatever the list order
        for (uint32_t g : {0x20u, 0x21u})
            for (uint32_t b : {0x30u, 0x31u}) expected.push_back(alpha << 24 | 5u << 16 | g << 8 | b);
    EXPECT_EQ(Pixels(out), expected);
}

TEST_F(RcgDecoderTest, ProductLoadLargerThanItsStoreIsRefused) {
    // Complemented single values give 255 values per channel: 255^4 colours.
    RecordBytes huge(1, 1);
    huge.U8(0xCC).U16(0).U8(0xAA).U8s({0, 0, 0, 0, 1, 2, 3, 4}).U8s({0x01, 1}).Colour(E);
    CSprite out;
    EXPECT_EQ(Decode(out, huge.Done()), kRcgProductTooLarge);
    // 17 colours do not fit the ring; 65,536 fill the dictionary exactly.
    RecordBytes ring(1, 1);
    ring.U8(0x4C).U8s({0, 0x00, 16, 0, 0, 0}).U8s({0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 1, 1, 1});
    ring.U8s({0x01, 1}).Colour(E);
    EXPECT_EQ(Decode(out, ring.Done()), kRcgProductTooLarge);
    RecordBytes full(1, 1);
    full.U8(0xCC).U16(5).U8(0x50).U8s({255, 255, 0, 0, 0, 255, 0, 255, 9, 1});
    full.U8(0xC4).U16(5 + 0x0102).U8s({0xC9, 1});
    ASSERT_EQ(Decode(out, full.Done()), 0);
    EXPECT_EQ(Pixels(out), std::vector<uint32_t>{0x01010209u});
}

// ---- Failure checks ----

TEST_F(RcgDecoderTest, FailingChecksReportTheirCodes) {
    struct Case {
        const char* name;
        std::vector<uint8_t> record;
        int32_t result;
    };
    auto rec = [](uint32_t n, std::initializer_list<uint32_t> bytes) {
        RecordBytes r = WithStores(n);
        r.U8s(bytes);
        return r.Done();
    };
    const Case cases[] = {
        {"sequence wide count short", rec(4, {0x20, 1}), 6},
        {"sequence literal at the cursor", rec(4, {0x08, 1}), 8},
        {"sequence at the table cursor beyond the pixels", rec(4, {0x88, 5}), 10},
        {"sequence literal data short", rec(4, {0x00, 2, 1, 2, 3, 4, 5}), 14},
        {"sequence ring beyond the pixels", rec(4, {0x40, 5, 0, 0, 0}), 17},
        {"run narrow count missing", rec(4, {0x01}), 23},
        {"run literal beyond the pixels", rec(1, {0x01, 2, 1, 2, 3, 4}), 31},
        {"run dictionary index short", rec(4, {0xC1, 1, 0}), 36},
        {"two-colour block bits short", rec(9, {0x82, 9, 0, 1, 0xFF}), 50},
        {"four-colour block literal at the cursor", rec(4, {0x0B, 4}), 54},
        {"ramp block picks missing", rec(4, {0x85, 4, 0, 1}), 84},
        {"masked sequence mask short", rec(9, {0x06, 9, 0xFF}), 89},
        {"masked sequence colours short", rec(2, {0x86, 2, 0x03, 1}), 95},
        {"masked ramp with one colour", rec(2, {0x87, 2, 0x02, 0, 1}), 107},
        {"masked ramp with 257 colours", [] {
             RecordBytes r = WithStores(257);
             r.U8(0xA7).U16(257);
             for (int i = 0; i < 32; ++i) r.U8(0xFF);
             r.U8s({0x01, 0, 1});
             return r.Done();
         }(), 107},
        {"dictionary load beyond the store", rec(4, {0x1C, 1, 0, 0xFF, 0xFF}), 125},
        {"table load start missing", rec(4, {0x9C, 0}), 126},
        {"ring load of 17", rec(4, {0xD4, 16}), 69},
        {"ring load beyond the ring", rec(4, {0xFC, 1, 15, 0, 0}), 135},
        {"product load with literal target", rec(4, {0x0C, 0, 0, 0, 0, 0, 0}), 115},
        {"product load header short", rec(4, {0xCC, 0, 0, 0, 0, 0, 0}), 117},
        {"product load range low above high", rec(4, {0x8C, 0, 0x40, 0, 0, 0, 0, 5, 4}), 120},
        {"product load ranges overshoot", rec(4, {0x8C, 0, 0x40, 0, 0, 0, 0, 5, 6}), 121},
        {"product load list short", rec(4, {0x8C, 0, 0x00, 0, 0, 0, 0, 1, 2, 3}), 118},
        {"cursor set with literal source", rec(4, {0x04, 0}), 72},
        {"cursor set dictionary operand missing", rec(4, {0xC4, 0}), 75},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CSprite out;
        EXPECT_EQ(Decode(out, c.record), c.result);
    }
}

// ---- Stream containers ----

TEST_F(RcgDecoderTest, StreamContainerDecodesLikeItsRecordAndFreesTheScratch) {
    std::mt19937 rng(3);
    CSprite sprite = raster_test::RandomWords(33, 17, rng);
    for (uint16_t type : {uint16_t{1}, uint16_t{2}}) {
        SCOPED_TRACE(type);
        CMemoryBlock<unsigned char> raw, container;
        ASSERT_TRUE(RcgBuildRawRecord(raw, sprite, type));
        ASSERT_TRUE(RcgSplitStreams(container, raw, 3));
        ASSERT_EQ(RcgGet16(container.GetBuffer() + 12), type + 4);
        CSprite viaContainer, direct;
        ASSERT_EQ(DecodeRcg(viaContainer, container.GetBuffer(), container.GetCount()), 0);
        ASSERT_EQ(DecodeRcg(direct, raw.GetBuffer(), raw.GetCount()), 0);
        EXPECT_EQ(Pixels(viaContainer), Pixels(direct));
        EXPECT_EQ(RcgSharedRecordBlock().GetBuffer(), nullptr);

        // A damaged container fails with the container's code, scratch freed too.
        std::vector<uint8_t> bad(container.GetBuffer(), container.GetBuffer() + container.GetCount());
        bad.push_back(0);
        RcgPut32(bad.data(), static_cast<uint32_t>(bad.size()));
        EXPECT_EQ(Decode(viaContainer, bad), kRcgContainerSizesDisagree);
        EXPECT_EQ(RcgSharedRecordBlock().GetBuffer(), nullptr);
    }
    // Shorter than a container header.
    CSprite out;
    EXPECT_EQ(Decode(out, RecordBytes(0, 0, 6).Done()), kRcgContainerHeaderBad);
}

// ---- Hostile input ----

std::vector<uint8_t> MixedRecord() {
    RecordBytes r = WithStores(0);
    r.U8s({0x01, 3}).Colour(E).U8s({0x40, 3, 0x21, 0x03}).U8s({0x02, 10}).Colour(E).Colour(F).U8s({0xA5, 0x02});
    r.U8s({0xC5, 4}).U16(0).U16(3).U8s({0x5A, 0x1B}).U8s({0x06, 6, 0x0B}).Colour(E).Colour(F).Colour(G);
    r.U8s({0x87, 5, 0x17, 0, 3}).U8(0xCC).U16(3072).U8(0x54).U8s({7, 7, 7, 0, 8, 15, 16, 23, 24, 31, 1});
    r.U8(0xC4).U16(3072).U8(0xE8).U16(40).U8s({0x34, 1}).U16(3).U16(2).U8s({0x88, 4});
    std::vector<uint8_t> bytes = r.Done();
    const uint32_t pixels = 3 + 3 + 10 + 4 + 6 + 5 + 40 + 4;
    RcgPut32(bytes.data() + 4, pixels);
    return bytes;
}

TEST_F(RcgDecoderTest, EveryTruncationFailsCleanly) {
    const std::vector<uint8_t> whole = MixedRecord();
    CSprite out;
    ASSERT_EQ(Decode(out, whole), 0);
    for (size_t n = 14; n < whole.size(); ++n) {
        // A copy of exactly n bytes so that any overread is caught by the sanitizer.
        std::vector<uint8_t> cut(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(n));
        RcgPut32(cut.data(), static_cast<uint32_t>(n));
        CSprite sprite;
        EXPECT_NE(Decode(sprite, cut), 0) << n;
    }
}

TEST_F(RcgDecoderTest, MutatedRecordsNeverReadOrWriteOutside) {
    const std::vector<uint8_t> whole = MixedRecord();
    std::mt19937 rng(99);
    for (int trial = 0; trial < 4000; ++trial) {
        std::vector<uint8_t> bytes = whole;
        const int edits = 1 + static_cast<int>(rng() % 4);
        for (int e = 0; e < edits; ++e) bytes[14 + rng() % (bytes.size() - 14)] = static_cast<uint8_t>(rng());
        CSprite sprite;
        const int32_t result = Decode(sprite, bytes);
        EXPECT_TRUE(result >= 0 && result <= 136) << result;
        EXPECT_EQ(sprite.GetWidth(), 75);
    }
}

}  // namespace
