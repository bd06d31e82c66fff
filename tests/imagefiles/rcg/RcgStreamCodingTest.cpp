// The stream codings: every token of the byte coder and the older codings
// decoded from hand-written bytes, the decoder's refusals, the writer's choice
// of tokens on inputs where it is plain, and encode/decode round trips.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "imagefiles/rcg/RcgStreamCoding.h"

namespace {

using Bytes = std::vector<uint8_t>;

struct Decoded {
    int32_t result;
    Bytes bytes;
};

// Decodes through an exactly sized input copy (so a read past it is caught by
// the address sanitizer) into an output behind just the zero history that the
// coding can reach (so a reference further back is caught too).
Decoded DecodeStream(const Bytes& in, uint8_t coding, uint32_t unit, uint32_t raw, uint64_t preStageSize = 1 << 16) {
    std::unique_ptr<uint8_t[]> input(new uint8_t[in.size() + 1]);
    if (!in.empty()) std::memcpy(input.get(), in.data(), in.size());
    const size_t history = RcgStreamHistory(coding, unit);
    Bytes out(history + raw, 0);
    Bytes pre(static_cast<size_t>(preStageSize));
    const int32_t result = RcgDecodeStream(input.get(), static_cast<uint32_t>(in.size()), coding, unit,
                                           out.data() + history, raw, pre.data(), preStageSize);
    return {result, Bytes(out.begin() + static_cast<ptrdiff_t>(history), out.end())};
}

Bytes Encode(const Bytes& data) {
    Bytes input(kRcgEncoderHistory + data.size(), 0);
    std::copy(data.begin(), data.end(), input.begin() + kRcgEncoderHistory);
    Bytes out(static_cast<size_t>(RcgByteCoderBound(data.size())));
    const uint64_t n = RcgEncodeByteCoder(input.data() + kRcgEncoderHistory, static_cast<uint32_t>(data.size()),
                                          out.data(), out.size());
    EXPECT_NE(n, kRcgCodingDoesNotFit);
    out.resize(static_cast<size_t>(n));
    return out;
}

Bytes Text(const std::string& s) { return Bytes(s.begin(), s.end()); }

Bytes Cat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

Bytes Words(std::initializer_list<uint32_t> words) {
    Bytes out;
    for (uint32_t w : words) {
        out.push_back(static_cast<uint8_t>(w));
        out.push_back(static_cast<uint8_t>(w >> 8));
    }
    return out;
}

// ---- Decoding known tokens ----

struct KnownCase {
    const char* name;
    uint8_t coding;
    uint32_t unit;
    Bytes in;
    Bytes expected;
};

TEST(RcgStreamCodingTest, DecodesKnownTokens) {
    const Bytes seventeen = Text("0123456789abcdefg");
    const KnownCase cases[] = {
        {"continued sequence starts at 0 with step 2", 6, 1, {0x63}, Words({0, 2, 4, 6})},
        {"step +1 sequence wraps", 6, 1, {0x42, 0xFE, 0xFF}, Words({0xFFFE, 0xFFFF, 0})},
        {"step -1 sequence", 6, 1, {0x51, 0x01, 0x00}, Words({1, 0})},
        {"general sequence", 6, 1, {0x72, 0x10, 0x00, 0x00, 0x01}, Words({0x0010, 0x0110, 0x0210})},
        {"continued after a general sequence", 6, 1, {0x70, 5, 0, 3, 0, 0x61}, Words({5, 8, 11})},
        {"pairs sharing the low byte", 6, 1, {0x20, 0xAA, 1, 2, 3, 4}, {0xAA, 1, 0xAA, 2, 0xAA, 3, 0xAA, 4}},
        {"pairs sharing the high byte", 6, 1, {0x30, 0xBB, 1, 2, 3, 4}, {1, 0xBB, 2, 0xBB, 3, 0xBB, 4, 0xBB}},
        {"long literal", 6, 1, Cat({{0x10, 0x01}, seventeen}), seventeen},
        {"long match at distance 1 repeats the last byte", 6, 1, {0x00, 'A', 0x80, 0x00}, Bytes(13, 'A')},
        {"long match into the history reads zeros", 6, 1, {0x80, 0xFF}, Bytes(12, 0)},
        {"short match 0xD2 substitutes position 3", 6, 1, Cat({{0x07}, Text("abcdefgh"), {0xD2, 7, 'X'}}),
         Text("abcdefghabcXef")},
        {"short match copies forward through its substitute", 6, 1, {0x00, 'Z', 0xD2, 0x00, 'Y'},
         Text("ZZZZYYY")},
        {"unit-2 one-byte LZ 0x19 copies 2 bytes from 6 back", 0, 2, {0x18, 1, 2, 3, 4, 5, 6, 0x19},
         {1, 2, 3, 4, 5, 6, 1, 2}},
        {"unit-1 16-bit LZ", 1, 1, {0x18, 0x00, 7, 8, 9, 0x1B, 0x00}, {7, 8, 9, 7, 8, 9}},
        {"unit LZ copy from the history", 0, 4, {0x09}, Bytes(4, 0)},
        {"runs then stored (last single byte ignored)", 4, 1,
         {0x53, 0xAB, 0xCD, 0x02, 1, 2, 0xC1, 0x02, 0x77, 0xFF},
         Cat({{0xAB, 0xCD, 0xAB, 0xCD, 0xAB, 0xCD, 1, 2}, Bytes(33, 0x77)})},
        {"long literal of the pre-stage", 4, 1, Cat({{0x80 | 1, 0x00}, Bytes(1, 9)}), {9}},
        {"runs then one-byte LZ", 2, 1, {0x04, 0x18, 1, 2, 3, 0x43, 0x1B},
         {1, 2, 3, 1, 2, 3, 1, 2, 3, 1, 2, 3}},
        {"runs then 16-bit LZ", 3, 2, {0x02, 0x08, 0x00, 0x42, 0xAA, 0x02, 0x09, 0x00},
         {0xAA, 0xAA, 0xAA, 0xAA}},
        {"stored", 5, 1, {1, 2, 3}, {1, 2, 3}},
        {"unknown coding of an empty stream", 9, 1, {}, {}},
    };
    for (const KnownCase& c : cases) {
        const Decoded d = DecodeStream(c.in, c.coding, c.unit, static_cast<uint32_t>(c.expected.size()));
        EXPECT_EQ(d.result, 0) << c.name;
        EXPECT_EQ(d.bytes, c.expected) << c.name;
    }
}

// ---- Refusals ----

struct ErrorCase {
    const char* name;
    uint8_t coding;
    uint32_t unit;
    Bytes in;
    uint32_t raw;
    int32_t code;
    uint64_t preStage = 1 << 16;
};

TEST(RcgStreamCodingTest, RefusesBrokenStreams) {
    const ErrorCase cases[] = {
        {"long literal header missing", 6, 1, {0x10}, 8, 1093},
        {"literal bytes missing", 6, 1, {0x02, 1}, 3, 1094},
        {"literal beyond the raw size", 6, 1, {0x02, 1, 2, 3}, 2, 1095},
        {"sequence start missing", 6, 1, {0x40, 1}, 2, 1096},
        {"sequence step missing", 6, 1, {0x70, 1, 0, 1}, 2, 1114},
        {"sequence one byte beyond the raw size", 6, 1, {0x63}, 7, 1024},
        {"pairs bytes missing", 6, 1, {0x20, 1, 2, 3, 4}, 8, 1112},
        {"pairs beyond the raw size", 6, 1, {0x20, 1, 2, 3, 4, 5}, 7, 1113},
        {"match distance missing", 6, 1, {0x80}, 12, 1107},
        {"substitute byte missing", 6, 1, {0xD0, 0}, 4, 1107},
        {"match beyond the raw size", 6, 1, {0xC0, 0}, 3, 1108},
        {"a token after the output is full", 6, 1, {0x00, 1, 0x00, 2}, 1, 1019},
        {"stream ends short of the raw size", 6, 1, {0x00, 1}, 2, 1019},
        {"one-byte LZ copy beyond the raw size", 0, 1, {0x10, 1, 2, 0x12}, 3, 1012},
        {"one-byte LZ copy of bytes not yet decoded", 0, 1, {0x10, 1, 2, 0x0A}, 4, 1012},
        {"one-byte LZ literal beyond the raw size", 0, 1, {0x18, 1, 2, 3}, 2, 1013},
        {"one-byte LZ literal bytes missing", 0, 1, {0x18, 1}, 3, 1014},
        {"16-bit LZ copy beyond the raw size", 1, 1, {0x10, 0x00, 1, 2, 0x12, 0x00}, 3, 1015},
        {"16-bit LZ literal beyond the raw size", 1, 1, {0x18, 0x00, 1, 2, 3}, 2, 1016},
        {"16-bit LZ literal bytes missing", 1, 1, {0x18, 0x00, 1}, 3, 1017},
        {"16-bit LZ trailing odd byte", 1, 1, {0x10, 0x00, 1, 2, 0x05}, 2, 1019},
        {"stored length differs", 5, 1, {1, 2, 3}, 2, 1018},
        {"pre-stage run element missing", 4, 1, {0x50, 0xAA}, 2, 1008},
        {"pre-stage run beyond the pre-stage block", 4, 1, {0x4F, 0xAA}, 15, 1009, 14},
        {"pre-stage literal missing", 4, 1, {0x05, 1}, 5, 1010},
        {"pre-stage literal beyond the pre-stage block", 4, 1, {0x03, 1, 2, 3}, 3, 1011, 2},
        {"runs then stored, length differs", 4, 1, {0x41, 0xAA}, 2, 1018},
        {"coding 7 on a non-empty stream", 7, 1, {1}, 1, 1019},
    };
    for (const ErrorCase& c : cases) {
        EXPECT_EQ(DecodeStream(c.in, c.coding, c.unit, c.raw, c.preStage).result, c.code) << c.name;
    }
}

TEST(RcgStreamCodingTest, EveryTruncationOfACodedStreamIsRefused) {
    Bytes data;
    std::mt19937 rng(7);
    for (int i = 0; i < 3000; ++i) data.push_back(static_cast<uint8_t>(i % 97 < 40 ? i / 7 : rng() % 4));
    const Bytes coded = Encode(data);
    ASSERT_EQ(DecodeStream(coded, 6, 1, static_cast<uint32_t>(data.size())).bytes, data);
    for (size_t cut = 0; cut < coded.size(); ++cut) {
        const Bytes part(coded.begin(), coded.begin() + static_cast<ptrdiff_t>(cut));
        EXPECT_NE(DecodeStream(part, 6, 1, static_cast<uint32_t>(data.size())).result, 0) << cut;
    }
}

TEST(RcgStreamCodingTest, RandomBytesUnderEveryCodingStayInBounds) {
    std::mt19937 rng(11);
    for (int round = 0; round < 3000; ++round) {
        Bytes in(rng() % 64);
        for (uint8_t& b : in) b = static_cast<uint8_t>(rng());
        const uint8_t coding = static_cast<uint8_t>(rng() % 8);
        const uint32_t unit = 1 + rng() % 4;
        const uint32_t raw = rng() % 200;
        const Decoded d = DecodeStream(in, coding, unit, raw, rng() % 300);
        if (d.result == 0) {
            EXPECT_EQ(d.bytes.size(), raw);
        } else {
            EXPECT_TRUE((d.result >= 1008 && d.result <= 1019) || (d.result >= 1093 && d.result <= 1114) ||
                        d.result == 1024)
                << d.result;
        }
    }
}

TEST(RcgStreamCodingTest, MaxDecodedSizeBoundsEveryCoding) {
    // The densest inputs of each coding stay within the bound used to refuse
    // impossible sizes.
    EXPECT_LE(12u, RcgMaxDecodedSize(6, 1, 2));           // long match from the history
    EXPECT_GE(RcgMaxDecodedSize(6, 1, 2), 75u);           // longest match
    EXPECT_GE(RcgMaxDecodedSize(6, 1, 1), 32u);           // continued sequence of 16 words
    EXPECT_GE(RcgMaxDecodedSize(0, 4, 1), 28u);           // one-byte token, 7 units of 4
    EXPECT_GE(RcgMaxPreStageSize(6), 4095u * 4);          // long run of 4-byte elements
    const Decoded densest = DecodeStream({0xFF, 0xFF, 0xAA, 0xBB, 0xCC, 0xDD}, 4, 1, 4095 * 4, 4095 * 4);
    EXPECT_EQ(densest.result, 0);
    EXPECT_EQ(RcgMaxDecodedSize(5, 1, 10), 10u);
    EXPECT_EQ(RcgMaxDecodedSize(7, 1, 10), 0u);
}

// ---- The writer ----

TEST(RcgStreamCodingTest, IncompressibleBytesBecomeLongLiterals) {
    std::mt19937 rng(1);
    Bytes data(5000);
    for (uint8_t& b : data) b = static_cast<uint8_t>(rng());
    const Bytes coded = Encode(data);
    ASSERT_EQ(coded.size(), 2 + 4096 + 2 + 904u);
    EXPECT_EQ(coded[0], 0x1F);
    EXPECT_EQ(coded[1], 0xFF);
    EXPECT_TRUE(std::equal(data.begin(), data.begin() + 4096, coded.begin() + 2));
    EXPECT_EQ(coded[4098], 0x10 | (903 & 15));
    EXPECT_EQ(coded[4099], 903 >> 4);
    EXPECT_TRUE(std::equal(data.begin() + 4096, data.end(), coded.begin() + 4100));
}

TEST(RcgStreamCodingTest, WriterChoosesTheExpectedTokens) {
    Bytes ascending;
    for (uint32_t w = 0; w < 100; ++w) ascending.insert(ascending.end(), {static_cast<uint8_t>(w), 0});
    const Bytes distinct = {17, 201, 5, 99, 140, 33, 250, 61, 7, 188, 90, 12, 230, 45, 160, 3, 111, 76, 219, 28};
    const struct {
        const char* name;
        Bytes data;
        Bytes coded;
    } cases[] = {
        {"words counting up: a +1 sequence, then continued tokens", ascending,
         {0x4F, 0, 0, 0x6F, 0x6F, 0x6F, 0x6F, 0x6F, 0x63}},
        {"zeros: a sequence of step 0, then continued tokens", Bytes(100, 0),
         {0x7F, 0, 0, 0, 0, 0x6F, 0x6F, 0x61}},
        {"words sharing their high byte", {5, 0x20, 9, 0x20, 2, 0x20, 7, 0x20, 1, 0x20},
         {0x31, 0x20, 5, 9, 2, 7, 1}},
        {"a repeat with one differing byte: short match with substitute", Text("qwertyuiopqwerXyuiop"),
         Cat({{0x09}, Text("qwertyuiop"), {0xDE, 0x09, 'X'}})},
        {"a repeat of 20 bytes: long match", Cat({distinct, distinct}),
         Cat({{0x13, 0x01}, distinct, {0x88, 19}})},
        {"saved sequence continues two words", Cat({Words({7, 8, 9}), {0xEE}, Words({10, 11, 13})}),
         {0x42, 7, 0, 0x00, 0xEE, 0x61, 0x01, 0x0D, 0x00}},
    };
    for (const auto& c : cases) {
        const Bytes coded = Encode(c.data);
        EXPECT_EQ(coded, c.coded) << c.name;
        EXPECT_EQ(DecodeStream(coded, 6, 1, static_cast<uint32_t>(c.data.size())).bytes, c.data) << c.name;
    }
}

Bytes Pattern(int kind, size_t n, std::mt19937& rng) {
    Bytes out(n);
    for (size_t i = 0; i < n; ++i) {
        switch (kind) {
            case 0: out[i] = static_cast<uint8_t>(rng()); break;                      // noise
            case 1: out[i] = static_cast<uint8_t>(rng() % 3); break;                  // small alphabet
            case 2: out[i] = static_cast<uint8_t>(i & 1 ? (i / 64) : rng() % 7); break;  // pairs
            case 3: out[i] = static_cast<uint8_t>((i / 2) * (i & 1 ? 0 : 3));  break;  // word ramps
            case 4: out[i] = static_cast<uint8_t>("the quick brown fox "[i % 20] ^ (rng() % 50 == 0)); break;
            default: out[i] = static_cast<uint8_t>(i % 300 < 150 ? 0 : rng() % 2 ? 0xFF : i); break;
        }
    }
    return out;
}

TEST(RcgStreamCodingTest, EncodeThenDecodeReturnsTheStream) {
    std::mt19937 rng(3);
    for (int round = 0; round < 600; ++round) {
        const size_t n = round < 500 ? rng() % 400 : 20000 + rng() % 50000;
        const Bytes data = Pattern(round % 6, n, rng);
        const Bytes coded = Encode(data);
        const Decoded d = DecodeStream(coded, 6, 1, static_cast<uint32_t>(n));
        ASSERT_EQ(d.result, 0) << round;
        ASSERT_EQ(d.bytes, data) << round;
        EXPECT_LE(coded.size(), RcgByteCoderBound(n));
        if (round % 6 == 3 && n > 100) {
            EXPECT_LT(coded.size(), n / 4) << round;
        }
    }
}

TEST(RcgStreamCodingTest, WriterStopsAtItsCapacity) {
    std::mt19937 rng(5);
    const Bytes data = Pattern(4, 3000, rng);
    const size_t full = Encode(data).size();
    Bytes input(kRcgEncoderHistory + data.size(), 0);
    std::copy(data.begin(), data.end(), input.begin() + kRcgEncoderHistory);
    for (uint64_t capacity : {uint64_t{0}, uint64_t{1}, uint64_t{full / 2}, uint64_t{full - 1}, uint64_t{full}}) {
        Bytes out(static_cast<size_t>(capacity) + 16, 0xEE);
        const uint64_t n = RcgEncodeByteCoder(input.data() + kRcgEncoderHistory, static_cast<uint32_t>(data.size()),
                                              out.data(), capacity);
        EXPECT_EQ(n, capacity == full ? full : kRcgCodingDoesNotFit) << capacity;
        for (size_t i = static_cast<size_t>(capacity); i < out.size(); ++i) ASSERT_EQ(out[i], 0xEE) << capacity;
    }
}

}  // namespace
