// The stream container: split then unpack returns the record byte for byte
// (hand-made records with every command form, random records that follow the
// command grammar, raw records of sprites), the container's known layout, and
// the refusal of malformed containers without reading out of bounds.
#include <gtest/gtest.h>

#include <bit>
#include <cstring>
#include <memory>
#include <random>
#include <vector>

#include "imagefiles/rcg/RcgEncoder.h"
#include "imagefiles/rcg/RcgRecord.h"
#include "imagefiles/rcg/RcgStreamCoding.h"
#include "imagefiles/rcg/RcgStreams.h"
#include "raster/surface/sprite/Sprite.h"
#include "tests/imagefiles/rcg/RcgTestSupport.h"
#include "tests/raster/RasterTestSupport.h"

namespace {

using Bytes = std::vector<uint8_t>;
using rcg_test::RecordBytes;

CMemoryBlock<unsigned char> Block(const Bytes& bytes) {
    CMemoryBlock<unsigned char> block;
    std::memcpy(block.Alloc(static_cast<uint32_t>(bytes.size())), bytes.data(), bytes.size());
    return block;
}

Bytes Split(const Bytes& record) {
    CMemoryBlock<unsigned char> out;
    EXPECT_TRUE(RcgSplitStreams(out, Block(record), 2));
    if (out.GetBuffer() == nullptr) return {};
    return Bytes(out.GetBuffer(), out.GetBuffer() + out.GetCount());
}

struct Unpacked {
    int32_t result;
    Bytes record;
};

// Unpacks from an exactly sized heap copy, so a read beyond it is caught.
Unpacked Unpack(const Bytes& container) {
    std::unique_ptr<uint8_t[]> copy(new uint8_t[container.size() + 1]);
    if (!container.empty()) std::memcpy(copy.get(), container.data(), container.size());
    CMemoryBlock<unsigned char> dest;
    uint32_t innerSize = 0xDEADBEEF;
    const int32_t result = RcgUnpackStreams(dest, innerSize, copy.get(), static_cast<uint32_t>(container.size()));
    if (result != 0) {
        EXPECT_EQ(innerSize, 0xDEADBEEF);
        return {result, {}};
    }
    return {0, Bytes(dest.GetBuffer(), dest.GetBuffer() + innerSize)};
}

struct Layout {
    uint16_t type, layout;
    uint32_t inner;
    std::vector<uint8_t> codings;
    std::vector<uint32_t> stored, raw;
};

Layout Describe(const Bytes& c) {
    Layout l{RcgGet16(&c[12]), RcgGet16(&c[18]), RcgGet32(&c[14]), {}, {}, {}};
    const uint32_t slots = l.layout == 0 ? 13 : (l.type == 5 ? 15 : 16);
    for (uint32_t s = 0; s < slots; ++s) {
        const uint8_t* d = &c[20 + 9 * s];
        l.codings.push_back(d[0]);
        l.stored.push_back(RcgGet32(d + 1));
        l.raw.push_back(RcgGet32(d + 5));
    }
    return l;
}

void ExpectRoundTrip(const Bytes& record, const char* what) {
    const Bytes container = Split(record);
    ASSERT_FALSE(container.empty()) << what;
    const Layout l = Describe(container);
    uint64_t stored = 0;
    for (size_t s = 0; s < l.codings.size(); ++s) {
        EXPECT_TRUE(l.codings[s] == kRcgCodingStored || l.codings[s] == kRcgCodingByteCoder) << what;
        if (l.codings[s] == kRcgCodingByteCoder) {
            EXPECT_LT(l.stored[s], l.raw[s]) << what;
        }
        if (l.codings[s] == kRcgCodingStored) {
            EXPECT_EQ(l.stored[s], l.raw[s]) << what;
        }
        stored += l.stored[s];
    }
    EXPECT_EQ(container.size(), 20 + 9 * l.codings.size() + stored) << what;
    const Unpacked u = Unpack(container);
    ASSERT_EQ(u.result, 0) << what;
    EXPECT_EQ(u.record, record) << what;
}

// ---- Hand-made records ----

// Every command and load form once, for a record of the given type. The
// record is a valid command sequence; its pixel count does not matter here.
Bytes EveryForm(uint16_t type) {
    RecordBytes r(9, 9, type);
    const uint32_t a = 0x80112233u, b = 0xFF445566u, c = 0x00778899u, d = 0x7FAABBCCu;
    // Sequence: literal, ring (3 indices in 2 bytes), table, dictionary, cursor, wide literal.
    r.U8(0x00).U8(2).Colour(a).Colour(b);
    r.U8(0x40).U8(3).U8s({0x12, 0x03});
    r.U8(0x80).U8(2).U8s({7, 9});
    r.U8(0xC0).U8(2).U16(300).U16(65535);
    r.U8(0x88).U8(5);
    r.U8(0x30).U16(1).Colour(c);
    // Run: literal with keep, ring, table, dictionary, dictionary at the cursor.
    r.U8(0x11).U8(4).Colour(d);
    r.U8(0x41).U8(4).U8(0x0E);
    r.U8(0x81).U8(4).U8(200);
    r.U8(0xE1).U16(4).U16(1234);  // wide count
    r.U8(0xC9).U8(4);
    // TwoColourBlock: literal, ring pair, table pair, dictionary pair.
    r.U8(0x02).U8(10).Colour(a).Colour(b).U8s({0xA5, 0x02});
    r.U8(0x42).U8(8).U8(0x1F).U8(0x0F);
    r.U8(0x82).U8(8).U8s({1, 2}).U8(0xF0);
    r.U8(0xC2).U8(3).U16(5).U16(6).U8(0x05);
    // FourColourBlock: literal, ring (2 bytes), table at the cursor.
    r.U8(0x03).U8(5).Colour(a).Colour(b).Colour(c).Colour(d).U8s({0x1B, 0x02});
    r.U8(0x43).U8(4).U8s({0x01, 0x23}).U8(0xE4);
    r.U8(0x8B).U8(4).U8(0x1B);
    // RampBlock: literal pair, dictionary pair; picks byte then fields.
    r.U8(0x05).U8(6).Colour(a).Colour(d).U8(0x4B).U8s({0x1B, 0x0E});
    r.U8(0xD5).U8(4).U16(10).U16(11).U8(0x21).U8(0x6C);
    // MaskedSequence: K = 6 table indices; literal K = 2; ring K = 3; count 0.
    r.U8(0x86).U8(10).U8s({0xA5, 0x03}).U8s({1, 2, 3, 4, 5, 6});
    r.U8(0x16).U8(8).U8(0x81).Colour(b).Colour(c);
    r.U8(0x46).U8(8).U8(0x07).U8s({0x12, 0x30});
    r.U8(0xC6).U8(0);
    // MaskedRamp: literal pair, table pair.
    r.U8(0x07).U8(8).U8(0xFF).Colour(a).Colour(b);
    r.U8(0x87).U8(9).U8s({0x0F, 0x01}).U8s({3, 4});
    // Loads with the keep bit: forms 000-111, some with a start.
    r.U8(0x1C).U16(2).U16(100).Colour(a).Colour(b).Colour(c);      // 000 dictionary literals, start
    r.U8(0x34).U8(1).U16(7).U16(8);                                // 001 table from dictionary
    r.U8(0x54).U16(0).Colour(d);                                   // 010 dictionary literals only
    r.U8(0x7C).U8(0).U8(5).U16(9);                                 // 011, start
    r.U8(0x9C).U8(1).U8(250).Colour(a).Colour(b);                  // 100 table literals, start
    r.U8(0xB4).U8(2).U16(1).U16(2).U16(3);                         // 101 ring from dictionary
    r.U8(0xDC).U8(0).U8(15).Colour(c);                             // 110 ring literals, start
    r.U8(0xF4).U8(3).U8s({9, 8, 7, 6});                            // 111 ring from table
    // Product loads: ring (lists), table (ranges and complement), dictionary (16-bit start).
    r.U8(0x4C).U8(0).U8(0x00).U8s({1, 0, 0, 0}).U8s({10, 20}).U8(30).U8(40).U8(0xFF);
    r.U8(0x8C).U8(4).U8(0xD5).U8s({7, 7, 1, 0}).U8s({0, 7}).U8s({8, 9, 10, 15}).U8s({1, 2}).U8s({255, 255});
    r.U8(0xCC).U16(40000).U8(0x54).U8s({7, 7, 7, 0}).U8s({16, 23}).U8s({32, 39}).U8s({48, 55}).U8(0xFF);
    // Cursor sets: ring, table, dictionary.
    r.U8(0x44).U8(0x0C);
    r.U8(0x84).U8(77);
    r.U8(0xC4).U16(4321);
    return r.Done();
}

TEST(RcgStreamsTest, EveryCommandFormRoundTrips) {
    ExpectRoundTrip(EveryForm(2), "ARGB");
    ExpectRoundTrip(EveryForm(1), "RGB");
}

TEST(RcgStreamsTest, EmptyRecordGivesKnownContainer) {
    const Bytes record = RecordBytes(0, 0, 2).Done();
    const Bytes container = Split(record);
    Bytes expected = {137, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 6, 0, 14, 0, 0, 0, 0, 0};
    for (int s = 0; s < 13; ++s) expected.insert(expected.end(), {5, 0, 0, 0, 0, 0, 0, 0, 0});
    EXPECT_EQ(container, expected);
    const Unpacked u = Unpack(container);
    EXPECT_EQ(u.result, 0);
    EXPECT_EQ(u.record, record);
}

TEST(RcgStreamsTest, OnePixelRawRecordGivesKnownContainer) {
    const Bytes record = RecordBytes(1, 1, 2).U8(0x20).U16(1).Colour(0x80112233u).Done();
    Bytes expected = {144, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 6, 0, 21, 0, 0, 0, 0, 0};
    const uint32_t raw[13] = {1, 0, 0, 0, 0, 2, 0, 0, 0, 0, 0, 0, 4};
    for (uint32_t size : raw) expected.insert(expected.end(), {5, static_cast<uint8_t>(size), 0, 0, 0,
                                                              static_cast<uint8_t>(size), 0, 0, 0});
    expected.insert(expected.end(), {0x20, 1, 0, 0x33, 0x22, 0x11, 0x80});
    const Bytes container = Split(record);
    EXPECT_EQ(container, expected);
    EXPECT_EQ(Unpack(container).record, record);
}

// ---- Random records that follow the grammar ----

class RandomRecord {
public:
    RandomRecord(uint32_t seed, uint16_t type, bool smooth) : m_rng(seed), m_r(13, 5, type), m_smooth(smooth) {}

    Bytes Make(int commands) {
        for (int i = 0; i < commands; ++i) Command();
        return m_r.Done();
    }

private:
    uint32_t Below(uint32_t n) { return static_cast<uint32_t>(m_rng() % n); }
    uint8_t Byte() { return static_cast<uint8_t>(m_smooth ? Below(4) : m_rng()); }
    void Bytes_(uint32_t n) {
        for (uint32_t i = 0; i < n; ++i) m_r.U8(Byte());
    }
    void Colour() {
        if (m_smooth) {
            m_colour += 0x00010203u;
            m_r.Colour(0xFF000000u | (m_colour & 0xFFFFFF));
        } else {
            m_r.Colour(static_cast<uint32_t>(m_rng()));
        }
    }
    void List(uint8_t command, uint32_t n) {
        if (command & kRcgCursorBit) return;
        switch (RcgSourceOf(command)) {
            case kRcgSourceLiteral: for (uint32_t i = 0; i < n; ++i) Colour(); break;
            case kRcgSourceRing: Bytes_((n + 1) / 2); break;
            case kRcgSourceTable: Bytes_(n); break;
            default: Bytes_(2 * n); break;
        }
    }
    void Colours(uint8_t command, uint32_t n) {
        if (!(command & kRcgCursorBit) && RcgSourceOf(command) == kRcgSourceRing) {
            Bytes_(n == 4 ? 2 : 1);
        } else {
            List(command, n);
        }
    }
    void Command() {
        const uint8_t code = static_cast<uint8_t>(Below(8));
        uint8_t command = static_cast<uint8_t>(code | (Below(8) << 3) | (Below(4) << 6));
        if (code == kRcgLoad) return Load(command);
        uint32_t count = Below(Below(4) == 0 ? 3 : 300);
        if (command & kRcgWideBit) {
            count += Below(2) * 700;
            m_r.U8(command).U16(count);
        } else {
            count &= 0xFF;
            m_r.U8(command).U8(count);
        }
        switch (code) {
            case kRcgSequence: List(command, count); break;
            case kRcgRun: Colours(command, 1); break;
            case kRcgTwoColourBlock: Colours(command, 2); Bytes_((count + 7) / 8); break;
            case kRcgFourColourBlock: Colours(command, 4); Bytes_((count + 3) / 4); break;
            case kRcgRampBlock: Colours(command, 2); Bytes_(1 + (count + 3) / 4); break;
            default: {
                uint32_t k = 0;
                for (uint32_t i = 0; i < (count + 7) / 8; ++i) {
                    const uint8_t mask = static_cast<uint8_t>(m_rng());
                    k += static_cast<uint32_t>(std::popcount(mask));
                    m_r.U8(mask);
                }
                if (code == kRcgMaskedSequence) List(command, k); else Colours(command, 2);
            }
        }
    }
    void Load(uint8_t command) {
        const uint8_t source = static_cast<uint8_t>(1 + Below(3));
        if (command & kRcgKeepBit) {
            const uint8_t form = RcgLoadFormOf(command);
            const bool wide = form == 0 || form == 2;
            const uint32_t n = 1 + Below(wide ? 300 : 256);
            m_r.U8(command);
            if (wide) m_r.U16(n - 1); else m_r.U8(n - 1);
            if (command & kRcgCursorBit) Bytes_(wide ? 2 : 1);
            if (form == 0 || form == 2 || form == 4 || form == 6) {
                for (uint32_t i = 0; i < n; ++i) Colour();
            } else {
                Bytes_(form == 7 ? n : 2 * n);
            }
        } else if (command & kRcgCursorBit) {
            command = static_cast<uint8_t>((command & 0x3F) | (source << 6));
            m_r.U8(command);
            Bytes_(source == kRcgSourceDictionary ? 2 : 1);
            const uint8_t mode = static_cast<uint8_t>(m_rng());
            uint8_t counts[4];
            for (uint8_t& c : counts) c = static_cast<uint8_t>(Below(Below(3) == 0 ? 256 : 8));
            m_r.U8(mode).U8s({counts[0], counts[1], counts[2], counts[3]});
            for (uint32_t ch = 0; ch < 4; ++ch) {
                uint32_t want = counts[ch] + 1u;
                if (mode & RcgProductRangesBit(ch)) {
                    while (want > 0) {
                        const uint32_t len = 1 + Below(want);
                        const uint32_t low = Below(257 - len);
                        m_r.U8(low).U8(low + len - 1);
                        want -= len;
                    }
                } else {
                    Bytes_(want);
                }
            }
        } else {
            m_r.U8((command & 0x3F) | (source << 6));
            Bytes_(source == kRcgSourceDictionary ? 2 : 1);
        }
    }

    std::mt19937 m_rng;
    RecordBytes m_r;
    bool m_smooth;
    uint32_t m_colour = 0;
};

TEST(RcgStreamsTest, RandomGrammarRecordsRoundTrip) {
    int planar = 0, coded = 0;
    for (uint32_t seed = 0; seed < 400; ++seed) {
        const uint16_t type = static_cast<uint16_t>(1 + seed % 2);
        const Bytes record = RandomRecord(seed, type, seed % 3 != 0).Make(1 + static_cast<int>(seed % 60));
        ExpectRoundTrip(record, ("seed " + std::to_string(seed)).c_str());
        const Layout l = Describe(Split(record));
        planar += l.layout;
        for (uint8_t c : l.codings) coded += c == kRcgCodingByteCoder;
        if (l.layout == 1) {
            EXPECT_EQ(l.codings.size(), type == 1 ? 15u : 16u);
        }
    }
    EXPECT_GT(planar, 0);
    EXPECT_GT(coded, 0);
}

// ---- Sprites ----

class RcgStreamsSpriteTest : public raster_test::ReadyLibraryTest {};

Bytes RawRecord(const CSprite& sprite, uint16_t type) {
    CMemoryBlock<unsigned char> block;
    EXPECT_TRUE(RcgBuildRawRecord(block, sprite, type));
    return Bytes(block.GetBuffer(), block.GetBuffer() + block.GetCount());
}

TEST_F(RcgStreamsSpriteTest, GradientColoursGoToPlanes) {
    const CSprite gradient = raster_test::Painted(300, 257, [](int32_t x, int32_t y) {
        return 0xFF000000u | static_cast<uint32_t>((x & 255) << 16 | (y & 255) << 8 | ((x + y) & 255));
    });
    for (uint16_t type : {uint16_t{1}, uint16_t{2}}) {
        const Bytes record = RawRecord(gradient, type);
        const Bytes container = Split(record);
        const Layout l = Describe(container);
        EXPECT_EQ(l.layout, 1);
        EXPECT_EQ(l.type, type + 4);
        EXPECT_EQ(l.codings.size(), type == 1 ? 15u : 16u);  // no alpha plane for RGB
        EXPECT_EQ(l.raw[12], 300u * 257);                    // red plane
        EXPECT_LT(container.size(), record.size() / 3);
        EXPECT_EQ(Unpack(container).record, record);
    }
}

TEST_F(RcgStreamsSpriteTest, BlockCodedRecordsRoundTrip) {
    std::mt19937 rng(17);
    const CSprite sprites[] = {
        raster_test::Painted(97, 61, [](int32_t x, int32_t y) { return (x / 20 + y / 15) % 3 ? 0xFF2040C0u : 0x00000000u; }),
        raster_test::Painted(130, 40, [](int32_t x, int32_t y) {
            return static_cast<uint32_t>((x * 2) << 24 | (y * 5) << 16 | x << 8 | (x + y));
        }),
        raster_test::RandomWords(45, 33, rng),
        raster_test::Painted(70, 70, [&rng](int32_t x, int32_t) {
            return x < 35 ? 0xFFFFFFFFu : static_cast<uint32_t>(rng() % 4) * 0x40302010u;
        }),
    };
    for (const CSprite& sprite : sprites) {
        for (uint16_t type : {uint16_t{1}, uint16_t{2}}) {
            CMemoryBlock<unsigned char> blocks;
            ASSERT_TRUE(RcgEncodeBlocks(blocks, sprite, type));
            ExpectRoundTrip(Bytes(blocks.GetBuffer(), blocks.GetBuffer() + blocks.GetCount()), "block coded");
        }
    }
}

TEST_F(RcgStreamsSpriteTest, NoiseIsStoredWhole) {
    std::mt19937 rng(9);
    const CSprite noise = raster_test::RandomWords(64, 64, rng);
    const Bytes record = RawRecord(noise, 2);
    const Bytes container = Split(record);
    const Layout l = Describe(container);
    EXPECT_EQ(l.layout, 0);
    EXPECT_EQ(l.codings[12], kRcgCodingStored);
    EXPECT_EQ(l.stored[12], 64u * 64 * 4);
    EXPECT_EQ(Unpack(container).record, record);
}

TEST_F(RcgStreamsSpriteTest, SplitRefusesWhatIsNoRecord) {
    CMemoryBlock<unsigned char> out;
    CMemoryBlock<unsigned char> empty;
    EXPECT_FALSE(RcgSplitStreams(out, empty, 2));
    EXPECT_FALSE(RcgSplitStreams(out, Block(Bytes(13, 0)), 2));
    EXPECT_FALSE(RcgSplitStreams(out, Block(RecordBytes(0, 0, 3).Done()), 2));
    EXPECT_FALSE(RcgSplitStreams(out, Block(RecordBytes(0, 0, 6).Done()), 2));
    // Broken off inside a command, a product load into no store, reversed range.
    EXPECT_FALSE(RcgSplitStreams(out, Block(RecordBytes(1, 1, 2).U8(0x20).U16(1).U8s({1, 2, 3}).Done()), 2));
    EXPECT_FALSE(RcgSplitStreams(out, Block(RecordBytes(1, 1, 2).U8(0x0C).U8s({0, 0, 0, 0, 0, 0, 1, 1, 1, 1}).Done()), 2));
    EXPECT_FALSE(RcgSplitStreams(
        out, Block(RecordBytes(1, 1, 2).U8(0x8C).U8(0).U8(0x40).U8s({1, 0, 0, 0}).U8s({5, 4}).U8s({1, 1, 1}).Done()), 2));
    // A header size beyond the block.
    Bytes longer = RecordBytes(1, 1, 2).U8(0x20).U16(1).Colour(1).Done();
    longer[0] = 30;
    EXPECT_FALSE(RcgSplitStreams(out, Block(longer), 2));
    EXPECT_EQ(out.GetBuffer(), nullptr);
}

// ---- Malformed containers ----

// A container of stored streams, written slot by slot.
Bytes Container(uint16_t type, uint16_t layout, const std::vector<Bytes>& slots) {
    uint32_t inner = 14;
    for (const Bytes& s : slots) inner += static_cast<uint32_t>(s.size());
    Bytes out = {0, 0, 0, 0, 3, 0, 0, 0, 2, 0, 0, 0, static_cast<uint8_t>(type), 0};
    out.insert(out.end(), {static_cast<uint8_t>(inner), static_cast<uint8_t>(inner >> 8), 0, 0});
    out.insert(out.end(), {static_cast<uint8_t>(layout), 0});
    for (const Bytes& s : slots) {
        const uint8_t n = static_cast<uint8_t>(s.size());
        out.insert(out.end(), {5, n, 0, 0, 0, n, 0, 0, 0});
    }
    for (const Bytes& s : slots) out.insert(out.end(), s.begin(), s.end());
    RcgPut32(out.data(), static_cast<uint32_t>(out.size()));
    return out;
}

// Slots of the 13-stream layout, all empty but those given.
std::vector<Bytes> Slots(std::initializer_list<std::pair<int, Bytes>> given, int count = 13) {
    std::vector<Bytes> slots(static_cast<size_t>(count));
    for (const auto& [slot, bytes] : given) slots[static_cast<size_t>(slot)] = bytes;
    return slots;
}

TEST(RcgStreamsTest, RebuildRefusesStreamsThatDoNotFitTheGrammar) {
    const struct {
        const char* name;
        uint16_t type, layout;
        std::vector<Bytes> slots;
        int32_t code;
    } cases[] = {
        {"well formed", 6, 0, Slots({{0, {0x01}}, {4, {1}}, {12, {1, 2, 3, 4}}}), 0},
        {"wide count missing", 6, 0, Slots({{0, {0x20}}, {5, {1}}, {12, {1}}}), 1020},
        {"narrow count missing", 6, 0, Slots({{0, {0x00}}, {5, {1}}}), 1021},
        {"mask bytes missing", 6, 0, Slots({{0, {0x06}}, {4, {9}}, {8, {1}}}), 1023},
        {"cursor set from the literal source", 6, 0, Slots({{0, {0x04}}, {1, {1}}}), 1025},
        {"ring cursor missing", 6, 0, Slots({{0, {0x44}}, {1, {1}}}), 1026},
        {"table cursor missing", 6, 0, Slots({{0, {0x84}}, {3, {1}}}), 1028},
        {"dictionary cursor missing", 6, 0, Slots({{0, {0xC4}}, {2, {1}}}), 1030},
        {"16-bit load count missing", 6, 0, Slots({{0, {0x14}}, {9, {1}}}), 1032},
        {"whole 3-byte colours missing", 5, 0, Slots({{0, {0x00}}, {4, {2}}, {12, {1, 2, 3, 4}}}), 1034},
        {"whole 4-byte colours missing", 6, 0, Slots({{0, {0x00}}, {4, {2}}, {12, {1, 2, 3, 4}}}), 1036},
        {"3 planes short", 5, 1, Slots({{0, {0x00}}, {4, {2}}, {12, {1, 2}}, {13, {1, 2}}, {14, {1}}}, 15), 1038},
        {"4 planes short", 6, 1,
         Slots({{0, {0x00}}, {4, {1}}, {12, {1}}, {13, {1}}, {14, {1}}, {6, {1}}}, 16), 1050},
        {"ring indices missing", 6, 0, Slots({{0, {0x40}}, {4, {3}}, {3, {1}}, {1, {1}}}), 1052},
        {"table indices missing", 6, 0, Slots({{0, {0x80}}, {4, {3}}, {1, {1, 2}}}), 1054},
        {"dictionary indices missing", 6, 0, Slots({{0, {0xC0}}, {4, {1}}, {2, {1}}}), 1056},
        {"ramp picks missing", 6, 0, Slots({{0, {0x85}}, {4, {4}}, {1, {1, 2}}, {7, {1}}}), 1058},
        {"two-colour bits missing", 6, 0, Slots({{0, {0x8A}}, {4, {9}}, {6, {1}}, {8, {1}}}), 1060},
        {"2-bit fields missing", 6, 0, Slots({{0, {0x8B}}, {4, {5}}, {7, {1}}, {8, {1}}}), 1062},
        {"one-byte load count missing", 6, 0, Slots({{0, {0x34}}, {1, {1}}}), 1066},
        {"load colours whole missing", 6, 0, Slots({{0, {0x14}}, {9, {1, 0}}, {12, {1, 2, 3, 4}}}), 1070},
        {"load colours planes missing", 6, 1,
         Slots({{0, {0x14}}, {9, {1, 0}}, {12, {1}}, {13, {1}}, {14, {1}}, {15, {1, 2, 3, 4, 5}}}, 16), 1074},
        {"load dictionary indices missing", 6, 0, Slots({{0, {0x34}}, {9, {1}}, {2, {1, 2, 3}}}), 1076},
        {"load table indices missing", 6, 0, Slots({{0, {0xF4}}, {9, {1}}, {1, {1}}}), 1078},
        {"product start 16-bit missing", 6, 0, Slots({{0, {0xCC}}, {2, {1}}}), 1081},
        {"product start byte missing", 6, 0, Slots({{0, {0x8C}}, {2, {1}}}), 1083},
        {"product load with literal target", 6, 0, Slots({{0, {0x0C}}, {1, {1}}}), 1085},
        {"product counts missing", 6, 0, Slots({{0, {0x8C}}, {1, {0}}, {10, {0}}, {9, {0, 0, 0}}}), 1086},
        {"product ranges short", 6, 0,
         Slots({{0, {0x8C}}, {1, {0}}, {10, {0x40}}, {9, {3, 0, 0, 0}}, {11, {0, 1, 5}}}), 1087},
        {"product ranges past the count", 6, 0,
         Slots({{0, {0x8C}}, {1, {0}}, {10, {0x40}}, {9, {1, 0, 0, 0}}, {11, {0, 2, 1, 2, 3}}}), 1088},
        {"product range reversed", 6, 0,
         Slots({{0, {0x8C}}, {1, {0}}, {10, {0x40}}, {9, {1, 0, 0, 0}}, {11, {5, 4, 1, 2, 3}}}), 1088},
        {"product list short", 6, 0, Slots({{0, {0x8C}}, {1, {0}}, {10, {0}}, {9, {3, 0, 0, 0}}, {11, {1}}}), 1090},
        {"command stream ends before the record", 6, 0, Slots({{0, {0x01}}, {4, {1, 1}}, {12, {1, 2, 3, 4}}}),
         1117},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Unpack(Container(c.type, c.layout, c.slots)).result, c.code) << c.name;
    }
}

TEST(RcgStreamsTest, RefusesMalformedHeadersAndSizes) {
    const Bytes good = Split(EveryForm(2));
    ASSERT_EQ(Unpack(good).result, 0);
    auto with = [&good](auto change) {
        Bytes c = good;
        change(c);
        return Unpack(c).result;
    };
    auto descriptor = [](Bytes& c, int slot) { return c.data() + 20 + 9 * slot; };

    CMemoryBlock<unsigned char> dest;
    uint32_t inner = 0;
    EXPECT_EQ(RcgUnpackStreams(dest, inner, nullptr, 100), 1001);
    EXPECT_EQ(Unpack(Bytes(good.begin(), good.begin() + 19)).result, 1002);
    EXPECT_EQ(with([](Bytes& c) { c[12] = 4; }), 1002);
    EXPECT_EQ(with([](Bytes& c) { c[12] = 7; }), 1002);
    EXPECT_EQ(with([](Bytes& c) { c[18] = 2; }), 1003);
    EXPECT_EQ(with([](Bytes& c) { c.push_back(0); }), 1004);
    EXPECT_EQ(Unpack(Bytes(good.begin(), good.end() - 1)).result, 1004);
    // Stored sizes one byte more than the data present.
    EXPECT_EQ(with([&](Bytes& c) { RcgPut32(descriptor(c, 0) + 1, RcgGet32(descriptor(c, 0) + 1) + 1); }), 1005);
    // Descriptors cut off: a 20-byte container.
    Bytes header(good.begin(), good.begin() + 20);
    RcgPut32(header.data(), 20);
    EXPECT_EQ(Unpack(header).result, 1005);
    // Inner size below the header, and raw sizes that do not add up to it.
    EXPECT_EQ(with([](Bytes& c) { RcgPut32(&c[14], 13); }), 1005);
    EXPECT_EQ(with([](Bytes& c) { RcgPut32(&c[14], RcgGet32(&c[14]) + 1); }), 1005);
    // Raw sizes moved between two stored streams: they still add up, but a
    // stored stream no longer matches its raw size.
    const Layout l = Describe(good);
    std::vector<int> storedSlots;
    for (size_t s = 0; s < l.codings.size(); ++s) {
        if (l.codings[s] == kRcgCodingStored && l.raw[s] > 0) storedSlots.push_back(static_cast<int>(s));
    }
    ASSERT_GE(storedSlots.size(), 2u);
    EXPECT_EQ(with([&](Bytes& c) {
                  uint8_t* from = descriptor(c, storedSlots[0]) + 5;
                  uint8_t* to = descriptor(c, storedSlots[1]) + 5;
                  RcgPut32(from, RcgGet32(from) - 1);
                  RcgPut32(to, RcgGet32(to) + 1);
              }),
              1018);
}

TEST(RcgStreamsTest, RefusesHugeSizesBeforeAllocating) {
    // 64-bit sums: two raw sizes that add up to inner - 14 only modulo 2^32.
    Bytes c = Container(6, 0, Slots({{0, {0x01}}, {4, {1}}, {12, {1, 2, 3, 4}}}));
    auto descriptor = [&c](int slot) { return c.data() + 20 + 9 * slot; };
    c[20 + 9 * 1] = kRcgCodingByteCoder;
    RcgPut32(descriptor(1) + 5, 0xFFFFFFFFu);
    RcgPut32(descriptor(2) + 5, 0x10u);
    c[20 + 9 * 2] = kRcgCodingByteCoder;
    RcgPut32(&c[14], 14 + 6 + 0x0F);  // what a 32-bit sum would give
    EXPECT_EQ(Unpack(c).result, 1005);

    // Stored sizes that wrap 32 bits.
    Bytes d = Container(6, 0, Slots({{0, {0x01}}, {4, {1}}, {12, {1, 2, 3, 4}}}));
    d[20 + 9 * 1] = 9;
    RcgPut32(d.data() + 20 + 9 * 1 + 1, 0xFFFFFFFFu);
    d[20 + 9 * 2] = 9;
    RcgPut32(d.data() + 20 + 9 * 2 + 1, 1);
    EXPECT_EQ(Unpack(d).result, 1005);

    // An inner size of nearly 4 GiB claimed by a few coded bytes.
    for (uint8_t coding : {uint8_t{0}, uint8_t{2}, uint8_t{6}, uint8_t{9}}) {
        Bytes e = Container(6, 0, Slots({{0, {0x01}}, {4, {1}}, {12, {1, 2, 3, 4}}}));
        e[20 + 9 * 12] = coding;
        RcgPut32(e.data() + 20 + 9 * 12 + 5, 0xFFFFFFFFu - 16);
        RcgPut32(&e[14], 0xFFFFFFFFu);
        EXPECT_EQ(Unpack(e).result, 1019) << int(coding);
    }
}

TEST(RcgStreamsTest, CorruptedContainersNeverReadOutOfBounds) {
    std::mt19937 rng(21);
    for (uint32_t seed = 0; seed < 12; ++seed) {
        const Bytes good = Split(RandomRecord(seed, static_cast<uint16_t>(1 + seed % 2), seed % 2 == 0).Make(30));
        for (int round = 0; round < 400; ++round) {
            Bytes c = good;
            const int flips = 1 + static_cast<int>(rng() % 3);
            for (int f = 0; f < flips; ++f) c[rng() % c.size()] ^= static_cast<uint8_t>(1u << (rng() % 8));
            if (rng() % 4 == 0) RcgPut32(c.data(), static_cast<uint32_t>(c.size()));  // keep the total right
            const Unpacked u = Unpack(c);
            if (u.result == 0) {
                EXPECT_EQ(u.record.size(), RcgGet32(&c[14]));
            }
        }
        // Every truncation, with the total size fixed up.
        for (size_t cut = 20; cut < good.size(); ++cut) {
            Bytes c(good.begin(), good.begin() + static_cast<ptrdiff_t>(cut));
            RcgPut32(c.data(), static_cast<uint32_t>(cut));
            EXPECT_NE(Unpack(c).result, 0) << cut;
        }
    }
}

TEST(RcgStreamsTest, DestinationIsReusedAndScratchReleased) {
    const Bytes record = EveryForm(2);
    const Bytes container = Split(record);
    CMemoryBlock<unsigned char>& shared = RcgSharedRecordBlock();
    uint32_t inner = 0;
    ASSERT_EQ(RcgUnpackStreams(shared, inner, container.data(), static_cast<uint32_t>(container.size())), 0);
    EXPECT_EQ(inner, record.size());
    const unsigned char* first = shared.GetBuffer();
    // A smaller record reuses the block.
    const Bytes small = RecordBytes(1, 1, 2).U8(0x20).U16(1).Colour(5).Done();
    const Bytes smallContainer = Split(small);
    ASSERT_EQ(RcgUnpackStreams(shared, inner, smallContainer.data(), static_cast<uint32_t>(smallContainer.size())), 0);
    EXPECT_EQ(shared.GetBuffer(), first);
    EXPECT_EQ(Bytes(shared.GetBuffer(), shared.GetBuffer() + inner), small);
    {
        RcgScratchGuard guard;
    }
    EXPECT_EQ(RcgSharedRecordBlock().GetBuffer(), nullptr);
}

}  // namespace
