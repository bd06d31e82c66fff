// The older RCG record layout: records built byte by byte decode to
// hand-worked pixels, every failing check reports its code, the stream
// container rebuilds records byte for byte under every coding and layout, and
// truncated, mutated and hostile input is refused without reading outside it.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstring>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "imagefiles/rcg/RcgLegacy.h"
#include "tests/imagefiles/rcg/RcgTestSupport.h"
#include "raster/surface/sprite/Sprite.h"
#include "tests/raster/RasterTestSupport.h"

namespace {

using raster_test::Pixels;

class RcgLegacyTest : public raster_test::ReadyLibraryTest {};

// A legacy record: 32-bit total size, 16-bit width, height and type.
struct LegacyBytes : rcg_test::RecordBytes {
    LegacyBytes(uint32_t width, uint32_t height, uint16_t type = 2)
        : RecordBytes(width, height, type, RecordBytes::kLegacy) {}
};

// Decodes from a heap copy of exactly the record's size, so that a read beyond
// it is caught by the address sanitizer.
int32_t Decode(CSprite& sprite, const std::vector<uint8_t>& record) {
    sprite.Release();
    std::unique_ptr<uint8_t[]> copy(new uint8_t[record.size() + (record.empty() ? 1 : 0)]);
    if (!record.empty()) std::memcpy(copy.get(), record.data(), record.size());
    return DecodeRcgLegacy(sprite, copy.get(), static_cast<uint32_t>(record.size()));
}

std::vector<uint8_t> Bytes(const CMemoryBlock<unsigned char>& block) {
    return std::vector<uint8_t>(block.GetBuffer(), block.GetBuffer() + block.GetCount());
}

constexpr uint32_t A = 0xFF112233u, B = 0x80445566u, C = 0x00778899u, D = 0x40AABBCCu;

// ---- The record decoder ----

TEST_F(RcgLegacyTest, EmptyImagesAndTheShortestCommand) {
    CSprite s;
    EXPECT_EQ(Decode(s, LegacyBytes(0, 0).Done()), 0);
    EXPECT_EQ(s.GetWidth(), 0);
    EXPECT_EQ(Decode(s, LegacyBytes(1, 1).Done()), kRcgLegacyCommandShort);
    // 0 pixels: success exactly when the command stream is empty.
    EXPECT_EQ(Decode(s, LegacyBytes(0, 5).U8s({0x81, 0, 0}).Done()), kRcgLegacyBytesAfterPixels);
}

// (name, record, width, expected pixels) rows worked by hand.
struct PixelCase {
    const char* name;
    std::vector<uint8_t> record;
    std::vector<uint32_t> pixels;
};

std::vector<PixelCase> PixelCases() {
    std::vector<PixelCase> cases;
    // 0x02: two colours loaded at T[0], T[1]; count 10 reads two bytes of bits,
    // pixels 8 and 9 are bits 1 and 0 of the second byte.
    cases.push_back({"two-colour bits", LegacyBytes(10, 1).U8(0x02).Colours({A, B}).U8(10).U8s({0xB2, 0x02}).Done(),
                     {B, A, B, B, A, A, B, A, B, A}});
    // Kind 4 with count 3: high and low nibble of byte 1, low nibble of byte 2.
    {
        LegacyBytes r(3, 1);
        r.U8(0x04);
        for (uint32_t i = 0; i < 16; ++i) r.Colour(0x01000000u * i + i);
        r.U8(3).U8s({0x5A, 0xF3});
        cases.push_back({"nibbles, odd count", r.Done(), {0x05000005u, 0x0A00000Au, 0x03000003u}});
    }
    // Two 0x03 loads land at 0-3 and 4-7: the second command's field 3 is its
    // own fourth colour; index 2 then still names the first load's colour.
    cases.push_back({"successive block loads",
                     LegacyBytes(3, 1)
                         .U8(0x03).Colours({A, B, C, D}).U8(1).U8(0x01)   // field 1 -> B
                         .U8(0x03).Colours({D, C, B, A}).U8(1).U8(0x03)   // field 3 -> A (T[7])
                         .U8s({0x91, 2, 1})                               // run of T[2] = C
                         .Done(),
                     {B, A, C}});
    // 0x01 loads at 0; a following 0x02 rounds the cursor 1 up to 2, so T[1]
    // stays 0.
    cases.push_back({"cursor rounds up to the block",
                     LegacyBytes(4, 1)
                         .U8(0x01).Colour(A).U8(1)
                         .U8(0x02).Colours({B, C}).U8(2).U8(0x01)   // fields 0, 1 -> T[2], T[3]
                         .U8s({0x91, 1, 1})                         // T[1], never loaded
                         .Done(),
                     {A, B, C, 0}});
    // 0x45: load at 16-bit position 300 with block 256: base 256, bytes index
    // from there.
    cases.push_back({"load at a position, base rounded down",
                     LegacyBytes(3, 1).U8(0x45).U16(300).U8(2).Colours({A, B}).U8(3).U8s({44, 45, 0}).Done(),
                     {A, B, 0}});
    // 8-bit position (bit 4) and a 16-bit count (bit 5) with a run.
    cases.push_back({"8-bit position, wide count",
                     LegacyBytes(300, 1).U8(0x71).U8(7).U8(1).Colour(D).U16(300).Done(), std::vector<uint32_t>(300, D)});
    // Kind 3 with count 5: the fifth pixel is the low 2 bits of byte 2.
    cases.push_back({"2-bit fields, partial byte",
                     LegacyBytes(5, 1).U8(0x03).Colours({A, B, C, D}).U8(5).U8s({0x1B, 0x02}).Done(),
                     {A, B, C, D, C}});
    // Kind 5 at an index: bytes add to base 256; kind 6 at index 0: 16-bit values.
    cases.push_back({"byte and word indices",
                     LegacyBytes(4, 1)
                         .U8(0x45).U16(256).U8(1).Colour(A).U8(0)             // count 0: load only
                         .U8(0x45).U16(65535).U8(1).Colour(B).U8(0)           // the last table entry
                         .U8(0x85).U16(256).U8(2).U8s({0, 1})                 // T[256], T[257]
                         .U8(0x86).U16(0).U8(2).U16(65535).U16(256)           // T[65535], T[256]
                         .Done(),
                     {A, 0, B, A}});
    // Kind 6 loaded at the cursor: block 65,536 with a 16-bit load count.
    cases.push_back({"word indices after a table load",
                     LegacyBytes(3, 1).U8(0x06).U16(2).Colours({C, D}).U8(3).U16(1).U16(0).U16(1).Done(), {D, C, D}});
    // Block 256 at the cursor: 8-bit load count, cursor rounded to 256.
    cases.push_back({"byte load count at the cursor",
                     LegacyBytes(3, 1)
                         .U8(0x01).Colour(A).U8(1)                  // cursor 0 -> 1
                         .U8(0x05).U8(2).Colours({B, C}).U8(2).U8s({1, 0})   // loads at 256
                         .Done(),
                     {A, C, B}});
    // Literal colours (kind 0); the cursor load is empty.
    cases.push_back({"literal colours", LegacyBytes(2, 1).U8(0x00).U8(2).Colours({D, B}).Done(), {D, B}});
    // Rows: pixels run on across row ends in buffer order.
    cases.push_back({"two rows", LegacyBytes(2, 2).U8(0x01).Colour(A).U8(3).U8s({0x81, 0, 0, 1}).Done(),
                     {A, A, A, A}});
    return cases;
}

TEST_F(RcgLegacyTest, RecordsDecodeToHandWorkedPixels) {
    for (const PixelCase& c : PixelCases()) {
        SCOPED_TRACE(c.name);
        CSprite s;
        ASSERT_EQ(Decode(s, c.record), 0);
        EXPECT_EQ(Pixels(s), c.pixels);
    }
}

TEST_F(RcgLegacyTest, RgbRecordsDecodeWithAlphaZero) {
    CSprite s;
    ASSERT_EQ(Decode(s, LegacyBytes(3, 1, 1).U8(0x00).U8(1).Colour(A).U8(0x01).Colour(B).U8(2).Done()), 0);
    EXPECT_EQ(Pixels(s), (std::vector<uint32_t>{A & 0xFFFFFF, B & 0xFFFFFF, B & 0xFFFFFF}));
}

TEST_F(RcgLegacyTest, FailingChecksReportTheirCodes) {
    struct Case {
        const char* name;
        std::vector<uint8_t> record;
        int32_t code;
    };
    std::vector<uint8_t> nine = LegacyBytes(0, 0).Done();
    nine.pop_back();
    std::vector<uint8_t> oversize = LegacyBytes(1, 1).U8(0x91).U8(0).U8(1).Done();
    oversize[0] = 99;
    const std::vector<Case> cases = {
        {"no header", nine, kRcgLegacyNoData},
        {"type 3", LegacyBytes(0, 0, 3).Done(), kRcgLegacyBadType},
        {"type 0", LegacyBytes(0, 0, 0).Done(), kRcgLegacyBadType},
        {"size differs", oversize, kRcgLegacySizeMismatch},
        {"canvas rule", LegacyBytes(20000, 20000).U8s({0x91, 0, 0}).Done(), kRcgLegacyCannotCreate},
        {"command short", LegacyBytes(2, 1).U8s({0x91, 0, 1}).U8s({0x91, 0}).Done(), kRcgLegacyCommandShort},
        {"block load short", LegacyBytes(2, 1).U8(0x02).Colour(A).U8(0).Done(), kRcgLegacyLoadShort},
        {"position load count missing", LegacyBytes(1, 1).U8(0x41).U16(7).Done(), kRcgLegacyLoadShort},
        {"position load colours short", LegacyBytes(1, 1).U8s({0x51, 7, 2}).Colour(A).U8(1).Done(),
         kRcgLegacyLoadShort},
        {"position + n above the table", LegacyBytes(1, 1).U8(0x41).U16(65535).U8(2).Colours({A, B}).U8(1).Done(),
         kRcgLegacyLoadBeyondTable},
        {"position load, kind 0", LegacyBytes(1, 1).U8s({0x50, 0, 0, 1}).Colour(A).Done(),
         kRcgLegacyLoadWithoutBlock},
        {"position load, kind 7", LegacyBytes(1, 1).U8s({0x57, 0, 0, 1}).Done(), kRcgLegacyLoadWithoutBlock},
        {"count missing", LegacyBytes(1, 1).U8(0x01).Colour(A).Done(), kRcgLegacyCountShort},
        {"wide count missing", LegacyBytes(1, 1).U8s({0xB1, 0, 1}).Done(), kRcgLegacyCountShort},
        {"kind 7", LegacyBytes(1, 1).U8s({0x97, 0, 1}).Done(), kRcgLegacyInvalidKind},
        {"kind 7 at the cursor", LegacyBytes(1, 1).U8s({0x07, 1, 0}).Done(), kRcgLegacyInvalidKind},
        {"literals short", LegacyBytes(2, 1).U8s({0x00, 2}).Colour(A).Done(), kRcgLegacyLiteralsShort},
        {"count above pixels left", LegacyBytes(2, 1).U8s({0x91, 0, 3}).Done(), kRcgLegacyCountAboveLeft},
        {"bits short", LegacyBytes(9, 1).U8s({0x92, 0, 9, 0xFF}).Done(), kRcgLegacyDataShort},
        {"words short", LegacyBytes(2, 1).U8s({0x86, 0, 0, 2, 0, 0, 0}).Done(), kRcgLegacyDataShort},
        {"kind 6 at a non-zero index", LegacyBytes(1, 1).U8s({0x86, 1, 0, 1, 0, 0}).Done(),
         kRcgLegacyBaseMisaligned},
        {"kind 2 at an odd index", LegacyBytes(1, 1).U8s({0x92, 3, 1, 0}).Done(), kRcgLegacyBaseMisaligned},
        {"kind 3 at index 2", LegacyBytes(1, 1).U8s({0x93, 2, 1, 0}).Done(), kRcgLegacyBaseMisaligned},
        {"kind 4 at index 8", LegacyBytes(1, 1).U8s({0x94, 8, 1, 0}).Done(), kRcgLegacyBaseMisaligned},
        {"kind 5 at index 128", LegacyBytes(1, 1).U8s({0x95, 128, 1, 0}).Done(), kRcgLegacyBaseMisaligned},
        {"bytes after the last pixel", LegacyBytes(1, 1).U8s({0x91, 0, 1, 0x91, 0, 0}).Done(),
         kRcgLegacyBytesAfterPixels},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CSprite s;
        EXPECT_EQ(Decode(s, c.record), c.code);
    }
    CSprite s;
    EXPECT_EQ(DecodeRcgLegacy(s, nullptr, 20), kRcgLegacyNoData);
}

TEST_F(RcgLegacyTest, SpriteThatHoldsAnImageIsRefusedAndFailuresKeepDecodedPixels) {
    const std::vector<uint8_t> record = LegacyBytes(3, 1).U8(0x01).Colour(A).U8(1).U8s({0x91, 0, 5}).Done();
    CSprite s;
    ASSERT_TRUE(s.Create(1, 1, false));
    EXPECT_EQ(DecodeRcgLegacy(s, record.data(), static_cast<uint32_t>(record.size())), kRcgLegacyCannotCreate);
    EXPECT_EQ(Pixels(s), std::vector<uint32_t>{0u});  // untouched
    // The second command asks for more pixels than are left: the first pixel
    // stays decoded, the rest opaque white.
    EXPECT_EQ(Decode(s, record), kRcgLegacyCountAboveLeft);
    EXPECT_EQ(Pixels(s), (std::vector<uint32_t>{A, 0xFFFFFFFFu, 0xFFFFFFFFu}));
}

// ---- The stream container ----

constexpr uint32_t kBlock[8] = {0, 1, 2, 4, 16, 256, 65536, 0};

// The record's operands sorted into the sixteen streams, as the container
// stores them (an independent walk of the record grammar).
struct Streams {
    std::vector<uint8_t> s[16];
};

Streams SplitRecord(const std::vector<uint8_t>& rec, bool planar) {
    Streams out;
    const uint32_t cb = rec[8] == 1 ? 3 : 4;
    size_t p = 10;
    auto take = [&](int stream, size_t n) {
        out.s[stream].insert(out.s[stream].end(), rec.begin() + p, rec.begin() + p + n);
        p += n;
    };
    auto colours = [&](size_t n) {
        if (!planar) return take(12, n * cb);
        const int planes[4] = {14, 13, 12, 15};
        for (size_t i = 0; i < n; ++i)
            for (uint32_t b = 0; b < cb; ++b) out.s[planes[b]].push_back(rec[p++]);
    };
    while (p < rec.size()) {
        const uint8_t c = rec[p++];
        out.s[0].push_back(c);
        const uint32_t k = c & 7, block = kBlock[k];
        const bool narrow = c & 0x10;
        if (c >= 0x80) {
            take(narrow ? 1 : 2, narrow ? 1 : 2);
        } else if (c >= 0x40) {
            take(narrow ? 1 : 2, narrow ? 1 : 2);
            const size_t n = rec[p];
            take(10, 1);
            colours(n);
        } else if (block <= 16) {
            colours(block);
        } else if (block == 256) {
            const size_t n = rec[p];
            take(10, 1);
            colours(n);
        } else {
            const size_t n = rec[p] | (rec[p + 1] << 8);
            take(11, 2);
            colours(n);
        }
        size_t count;
        if (c & 0x20) {
            count = rec[p] | (rec[p + 1] << 8);
            take(4, 2);
        } else {
            count = rec[p];
            take(3, 1);
        }
        const size_t bytes[8] = {0, 0, (count + 7) / 8, (count + 3) / 4, (count + 1) / 2, count, 2 * count, 0};
        if (k == 0) colours(count);
        else if (k >= 2 && k <= 6) take(3 + k, bytes[k]);
    }
    return out;
}

// A container of the record's streams, stream i coded with coding(i).
std::vector<uint8_t> MakeContainer(const std::vector<uint8_t>& rec, bool planar,
                                   const std::function<uint8_t(int)>& coding) {
    const Streams st = SplitRecord(rec, planar);
    const uint16_t type = static_cast<uint16_t>(rec[8] + 4);
    const int n = !planar ? 13 : (type == 5 ? 15 : 16);
    LegacyBytes head(rec[4] | (rec[5] << 8), rec[6] | (rec[7] << 8), type);
    head.U32(static_cast<uint32_t>(rec.size())).U16(planar ? 1 : 0);
    std::vector<uint8_t> data;
    const uint32_t units[16] = {1, 1, 2, 1, 2, 1, 1, 1, 1, 2, 1, 2, 1, 1, 1, 1};
    for (int i = 0; i < n; ++i) {
        const uint32_t unit = (i == 12 && !planar) ? (type == 5 ? 3u : 4u) : units[i];
        const std::vector<uint8_t> stored = rcg_test::LegacyCodedStream(st.s[i], coding(i), unit);
        head.U8(coding(i)).U32(static_cast<uint32_t>(stored.size())).U32(static_cast<uint32_t>(st.s[i].size()));
        data.insert(data.end(), stored.begin(), stored.end());
    }
    for (uint8_t b : data) head.U8(b);
    return head.Done();
}

// A record using every kind, both position widths, both count widths and
// every load form.
std::vector<uint8_t> RichRecord(uint16_t type) {
    LegacyBytes r(40, 2, type);
    r.U8(0x00).U8(2).Colours({A, B});                          // literals
    r.U8(0x02).Colours({C, D}).U8(9).U8s({0x5A, 0x01});        // bits
    r.U8(0x03).Colours({A, B, C, D}).U8(6).U8s({0xE4, 0x0B});  // 2-bit fields
    r.U8(0x54).U8(16).U8(2).Colours({D, A}).U8(3).U8s({0x01, 0x00});  // nibbles at 16
    r.U8(0x45).U16(512).U8(1).Colour(B).U8(2).U8s({0, 0});     // bytes at 512
    r.U8(0x06).U16(1).Colour(C).U8(2).U16(0).U16(0);           // words
    r.U8(0x05).U8(1).Colour(D).U8(1).U8(0);                    // byte load count at the cursor
    r.U8(0xB1).U8(16).U16(20);                                 // run, 8-bit index, wide count
    r.U8(0xA1).U16(512).U16(35);                               // run, 16-bit index, wide count
    return r.Done();
}

TEST_F(RcgLegacyTest, ContainerRebuildsTheRecordUnderEveryCodingAndLayout) {
    for (uint16_t type : {1, 2}) {
        const std::vector<uint8_t> record = RichRecord(type);
        CSprite direct;
        ASSERT_EQ(Decode(direct, record), 0);
        for (bool planar : {false, true}) {
            for (int coding = 0; coding <= 5; ++coding) {
                SCOPED_TRACE("type " + std::to_string(type) + (planar ? " planar" : " whole") + " coding " +
                             std::to_string(coding));
                // Empty streams take an out-of-range coding, which is allowed for them.
                const std::vector<uint8_t> container = MakeContainer(record, planar, [&](int i) {
                    return SplitRecord(record, planar).s[i].empty() ? uint8_t(200) : uint8_t(coding);
                });
                EXPECT_EQ(container[14], planar ? 1 : 0);
                CMemoryBlock<unsigned char> rebuilt;
                ASSERT_EQ(RcgUnpackStreamsLegacy(rebuilt, container.data(), static_cast<uint32_t>(container.size())),
                          0);
                EXPECT_EQ(Bytes(rebuilt), record);
                CSprite viaContainer;
                ASSERT_EQ(Decode(viaContainer, container), 0);
                EXPECT_EQ(Pixels(viaContainer), Pixels(direct));
            }
        }
    }
}

TEST_F(RcgLegacyTest, PlanarLayoutHasFifteenOrSixteenStreams) {
    const auto stored = [](int) { return uint8_t(5); };
    const std::vector<uint8_t> rgb = MakeContainer(RichRecord(1), true, stored);
    const std::vector<uint8_t> argb = MakeContainer(RichRecord(2), true, stored);
    // Header 16 + 9 per descriptor + the operand bytes (the same for both
    // layouts except the header of the extra alpha plane and its bytes).
    const size_t rgbBody = RichRecord(1).size() - 10, argbBody = RichRecord(2).size() - 10;
    EXPECT_EQ(rgb.size(), 16 + 9 * 15 + rgbBody);
    EXPECT_EQ(argb.size(), 16 + 9 * 16 + argbBody);
}

// One stream coding at a time: (coding, unit, stored bytes, plain length,
// expected bytes or result code).
TEST_F(RcgLegacyTest, StreamCodingsKnownAnswers) {
    struct Case {
        const char* name;
        uint8_t coding;
        uint32_t unit;
        std::vector<uint8_t> stored;
        uint32_t plain;
        int32_t code;
        std::vector<uint8_t> expected;
        uint64_t preLimit = 1 << 20;
    };
    const std::vector<Case> cases = {
        {"literal then overlapping copy", 0, 1, {0x18, 'a', 'b', 'c', 0x0B}, 6, 0, {'a', 'b', 'c', 'c', 'c', 'c'}},
        {"copy from the zero history", 0, 1, {0x12, 0x08, 'z'}, 3, 0, {0, 0, 'z'}},
        {"units of two", 0, 2, {0x08, 'a', 'b', 0x0A}, 6, 0, {'a', 'b', 'a', 'b', 'a', 'b'}},
        {"16-bit tokens", 1, 2, {0x10, 0x00, 1, 2, 3, 4, 0x09, 0x00}, 6, 0, {1, 2, 3, 4, 3, 4}},
        {"pre-stage then bytes", 2, 1, {0x83, 0x00, 0x08, 'A', 0x09, 0x01}, 3, 0, {'A', 'A', 'A'}},
        {"pre-stage then 16-bit", 3, 1, {0x85, 0x00, 0x08, 0x00, 'Q', 0x0B, 0x00, 0x02}, 4, 0, {'Q', 'Q', 'Q', 'Q'}},
        {"pre-stage repeats elements", 4, 2, {0x81, 0x00, 'a', 'b', 0x03}, 8, 0,
         {'a', 'b', 'a', 'b', 'a', 'b', 'a', 'b'}},
        {"long pre-stage literal", 4, 1, [] {
             std::vector<uint8_t> v = {0x80, 0x01};  // (1 << 7) | 0 = 128 bytes
             for (int i = 0; i < 128; ++i) v.push_back(uint8_t(i));
             return v;
         }(),
         128, 0, [] {
             std::vector<uint8_t> v;
             for (int i = 0; i < 128; ++i) v.push_back(uint8_t(i));
             return v;
         }()},
        {"stored", 5, 1, {1, 2, 3}, 3, 0, {1, 2, 3}},
        {"stored, lengths differ", 5, 1, {1, 2, 3}, 4, kRcgLegacyStoredMismatch, {}},
        {"unknown coding, empty", 6, 1, {}, 0, 0, {}},
        {"unknown coding, not empty", 6, 1, {1}, 1, kRcgLegacyUnknownCoding, {}},
        {"copy distance 0", 0, 1, {0x01}, 1, kRcgLegacyCopyDistanceZero, {}},
        {"copy before the history", 1, 1, {0x09, 0x01}, 1, kRcgLegacyCopyBeforeHistory, {}},
        {"copy at the edge of the history", 1, 1, {0x01, 0x01}, 1, 0, {0}},  // distance 32
        {"copy beyond the plain length", 0, 1, {0x0F}, 3, kRcgLegacyCopyOverflow, {}},
        {"literal short", 0, 1, {0x18, 'a'}, 3, kRcgLegacyLiteralShort, {}},
        {"literal beyond the plain length", 0, 1, {0x10, 'a', 'b'}, 1, kRcgLegacyLiteralOverflow, {}},
        {"odd trailing byte", 1, 1, {0x08, 0x00, 'a', 0x00}, 1, kRcgLegacyTokenShort, {}},
        {"too short", 0, 1, {0x08, 'a'}, 2, kRcgLegacyLengthMismatch, {}},
        {"repeat of zero times is nothing", 4, 2, {0x81, 0x00, 'a', 'b', 0x01, 0x00}, 4, 0, {'a', 'b', 'a', 'b'}},
        {"repeat with nothing produced", 4, 1, {0x05}, 5, kRcgLegacyPreRepeatTooEarly, {}},
        {"repeat with half an element", 4, 2, {0x80, 0x00, 0x01}, 2, kRcgLegacyPreRepeatTooEarly, {}},
        {"pre-stage header short", 4, 1, {0x81}, 1, kRcgLegacyPreLiteralHeaderShort, {}},
        {"pre-stage literal short", 4, 1, {0x83, 0x00, 'a'}, 3, kRcgLegacyPreLiteralShort, {}},
        {"pre-stage beyond its block", 4, 1, {0x81, 0x00, 'a', 0x7F}, 128, kRcgLegacyPreStageOverflow, {}, 100},
        {"pre-stage output not the plain length", 4, 1, {0x81, 0x00, 'a'}, 2, kRcgLegacyLengthMismatch, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::unique_ptr<uint8_t[]> copy(new uint8_t[c.stored.size() + 1]);
        if (!c.stored.empty()) std::memcpy(copy.get(), c.stored.data(), c.stored.size());
        std::vector<uint8_t> out = {9, 9};
        EXPECT_EQ(RcgDecodeStreamLegacy(copy.get(), static_cast<uint32_t>(c.stored.size()), c.coding, c.unit,
                                        c.plain, c.preLimit, out),
                  c.code);
        if (c.code == 0) {
            EXPECT_EQ(out, c.expected);
        }
    }
}

// Builds a container header with the descriptors given and data of the
// stated lengths (contents zero).
std::vector<uint8_t> RawContainer(uint16_t type, uint16_t layout, uint32_t rebuilt,
                                  const std::vector<std::array<uint32_t, 3>>& descriptors, size_t dataBytes) {
    LegacyBytes c(1, 1, type);
    c.U32(rebuilt).U16(layout);
    for (const auto& d : descriptors) c.U8(d[0]).U32(d[1]).U32(d[2]);
    for (size_t i = 0; i < dataBytes; ++i) c.U8(0);
    return c.Done();
}

TEST_F(RcgLegacyTest, ContainerHeaderChecks) {
    const std::vector<uint8_t> good = MakeContainer(RichRecord(2), false, [](int) { return uint8_t(5); });
    struct Case {
        const char* name;
        std::vector<uint8_t> container;
        int32_t code;
    };
    auto patched = [&](size_t at, std::initializer_list<uint8_t> bytes) {
        std::vector<uint8_t> v = good;
        std::copy(bytes.begin(), bytes.end(), v.begin() + at);
        return v;
    };
    std::vector<uint8_t> extraByte = good;
    extraByte.push_back(0);
    // The total size still agrees with the length, but not with the descriptors.
    for (int i = 0; i < 4; ++i) extraByte[i] = static_cast<uint8_t>(extraByte.size() >> (8 * i));
    const std::vector<std::array<uint32_t, 3>> empty13(13, {5, 0, 0});
    std::vector<uint8_t> shortHeader(good.begin(), good.begin() + 15);
    const std::vector<Case> cases = {
        {"short header", shortHeader, kRcgLegacyContainerBadType},
        {"type 7", patched(8, {7, 0}), kRcgLegacyContainerBadType},
        {"layout 2", patched(14, {2, 0}), kRcgLegacyContainerBadLayout},
        {"total size differs", patched(0, {1}), kRcgLegacyContainerSizeMismatch},
        {"stored lengths disagree", extraByte, kRcgLegacyContainerSizesDisagree},
        {"descriptors cut off", RawContainer(6, 0, 10, std::vector<std::array<uint32_t, 3>>(12, {5, 0, 0}), 0),
         kRcgLegacyContainerSizesDisagree},
        {"rebuilt length below the header", RawContainer(6, 0, 9, empty13, 0), kRcgLegacyRebuiltTooShort},
        {"rebuilt length beyond the streams", RawContainer(6, 0, 0xFFFFFFF0u, empty13, 0), kRcgLegacyRebuiltTooLong},
        {"empty container, empty record", RawContainer(6, 0, 10, empty13, 0), 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CMemoryBlock<unsigned char> out;
        EXPECT_EQ(RcgUnpackStreamsLegacy(out, c.container.data(), static_cast<uint32_t>(c.container.size())), c.code);
    }
    CMemoryBlock<unsigned char> out;
    EXPECT_EQ(RcgUnpackStreamsLegacy(out, nullptr, 100), kRcgLegacyNoContainer);
    out.Alloc(1);
    EXPECT_EQ(RcgUnpackStreamsLegacy(out, good.data(), static_cast<uint32_t>(good.size())),
              kRcgLegacyOutputNotEmpty);
}

// Claimed lengths never become allocations: a 60-byte container claiming a
// 4 GB record and 4 GB streams is refused at once.
TEST_F(RcgLegacyTest, ClaimedLengthsAreNotAllocatedAhead) {
    std::vector<std::array<uint32_t, 3>> d(13, {5, 0, 0});
    d[0] = {1, 2, 0xFFFFFFF0u};  // two bytes of 16-bit tokens claiming 4 GB
    d[1] = {0, 1, 0xFFFFFFF0u};
    const std::vector<uint8_t> container = RawContainer(6, 0, 0xFFFFFFF0u, d, 3);
    const auto start = std::chrono::steady_clock::now();
    CMemoryBlock<unsigned char> out;
    EXPECT_NE(RcgUnpackStreamsLegacy(out, container.data(), static_cast<uint32_t>(container.size())), 0);
    EXPECT_EQ(out.GetBuffer(), nullptr);
    CSprite s;
    EXPECT_NE(Decode(s, container), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
}

TEST_F(RcgLegacyTest, RebuildChecks) {
    const std::vector<uint8_t> record = RichRecord(2);
    const Streams st = SplitRecord(record, false);
    // Rebuild from streams given directly (all stored).
    auto build = [&](const Streams& s, uint32_t rebuilt) {
        LegacyBytes head(40, 2, 6);
        head.U32(rebuilt).U16(0);
        for (int i = 0; i < 13; ++i) head.U8(5).U32(uint32_t(s.s[i].size())).U32(uint32_t(s.s[i].size()));
        for (int i = 0; i < 13; ++i)
            for (uint8_t b : s.s[i]) head.U8(b);
        return head.Done();
    };
    auto unpack = [](const std::vector<uint8_t>& c) {
        CMemoryBlock<unsigned char> out;
        return RcgUnpackStreamsLegacy(out, c.data(), static_cast<uint32_t>(c.size()));
    };
    const uint32_t size = static_cast<uint32_t>(record.size());
    ASSERT_EQ(unpack(build(st, size)), 0);
    // Stream 0 with a command byte left over, or the record one byte longer.
    Streams extra = st;
    extra.s[0].push_back(0x91);
    extra.s[1].push_back(0);
    extra.s[3].push_back(0);
    EXPECT_EQ(unpack(build(extra, size)), kRcgLegacyCommandsEndMismatch);
    // (A spare colour byte, which nothing reads, keeps the stream lengths
    // large enough for the longer record.)
    Streams spare = st;
    spare.s[12].push_back(0);
    EXPECT_EQ(unpack(build(spare, size + 1)), kRcgLegacyCommandsEndMismatch);
    EXPECT_EQ(unpack(build(st, size + 1)), kRcgLegacyRebuiltTooLong);
    // The record ends inside the last command's operands.
    EXPECT_EQ(unpack(build(st, size - 1)), kRcgLegacyPixelCountNoRoom);
    // An operand stream one byte short.
    for (int i : {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}) {
        SCOPED_TRACE(i);
        Streams cut = st;
        ASSERT_FALSE(cut.s[i].empty());
        cut.s[i].pop_back();
        cut.s[i == 12 ? 11 : 12].push_back(0);  // a spare byte keeps the lengths adding up
        const int32_t code = unpack(build(cut, size));
        EXPECT_TRUE(code == kRcgLegacyBytesShort || code == kRcgLegacyLoadCountShort ||
                    code == kRcgLegacyColoursShort || code == kRcgLegacyPixelCountShort ||
                    code == kRcgLegacyPixelDataShort)
            << code;
    }
    // Kind 7, and a command byte with bits 7 and 6 set.
    Streams bad = st;
    bad.s[0] = {0x97};
    bad.s[1] = {0};
    bad.s[3] = {0};
    EXPECT_EQ(unpack(build(bad, 13)), kRcgLegacyRebuildInvalidKind);
    bad.s[0] = {0xD1};
    EXPECT_EQ(unpack(build(bad, 13)), kRcgLegacyRebuildIndexLoad);
}

// ---- Hostile input ----

TEST_F(RcgLegacyTest, EveryTruncationIsRefused) {
    const std::vector<uint8_t> record = RichRecord(2);
    const std::vector<uint8_t> container = MakeContainer(record, true, [](int i) { return uint8_t(i % 6); });
    for (const std::vector<uint8_t>* whole : {&record, &container}) {
        for (size_t n = 0; n < whole->size(); ++n) {
            std::vector<uint8_t> cut(whole->begin(), whole->begin() + n);
            CSprite s;
            EXPECT_NE(Decode(s, cut), 0) << n;
            // The same prefix with its size field agreeing.
            if (n >= 4) {
                for (int i = 0; i < 4; ++i) cut[i] = static_cast<uint8_t>(n >> (8 * i));
                EXPECT_NE(Decode(s, cut), 0) << n;
            }
        }
    }
}

TEST_F(RcgLegacyTest, MutatedRecordsAndContainersNeverReadOutside) {
    std::mt19937 rng(12345);
    std::vector<std::vector<uint8_t>> seeds;
    for (const PixelCase& c : PixelCases()) seeds.push_back(c.record);
    seeds.push_back(RichRecord(1));
    seeds.push_back(RichRecord(2));
    for (int coding = 0; coding <= 5; ++coding) {
        seeds.push_back(MakeContainer(RichRecord(2), coding & 1, [&](int) { return uint8_t(coding); }));
    }
    int decoded = 0;
    for (int round = 0; round < 4000; ++round) {
        std::vector<uint8_t> v = seeds[rng() % seeds.size()];
        const int edits = 1 + static_cast<int>(rng() % 4);
        for (int e = 0; e < edits; ++e) {
            const size_t at = rng() % v.size();
            switch (rng() % 4) {
                case 0: v[at] = static_cast<uint8_t>(rng()); break;
                case 1: v[at] ^= static_cast<uint8_t>(1u << (rng() % 8)); break;
                case 2: v.erase(v.begin() + static_cast<std::ptrdiff_t>(at)); break;
                default: v.insert(v.begin() + static_cast<std::ptrdiff_t>(at), static_cast<uint8_t>(rng())); break;
            }
            if (v.empty()) v.push_back(0);
        }
        // Half the time keep the size field agreeing, so the command stream
        // itself is exercised.
        if ((round & 1) && v.size() >= 4) {
            for (int i = 0; i < 4; ++i) v[i] = static_cast<uint8_t>(v.size() >> (8 * i));
        }
        // Keep sizes small so the round stays quick.
        if (v.size() >= 8 && (v[5] | v[7]) != 0) {
            v[5] = 0;
            v[7] = 0;
        }
        CSprite s;
        if (Decode(s, v) == 0) ++decoded;
    }
    EXPECT_GT(decoded, 0);
}

}  // namespace
