#include "document/text/Text128Codec.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

// The alphabet in symbol order, written out independently of the codec's tables.
const std::string& Alphabet() {
    static const std::string alphabet = [] {
        std::string s = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz{|}";
        for (int b = 0xA1; b <= 0xDF; ++b) s.push_back(static_cast<char>(b));
        return s;
    }();
    return alphabet;
}

// Reference encoder, bit by bit: bit i of the byte string (most significant bit
// of the first byte first) is bit 6 - i % 7 of symbol i / 7; a started symbol is
// zero-filled.
std::string ReferenceEncode(const Bytes& data) {
    const size_t bits = data.size() * 8;
    std::vector<unsigned> values((bits + 6) / 7, 0);
    for (size_t i = 0; i < bits; ++i)
        if ((data[i / 8] >> (7 - i % 8)) & 1) values[i / 7] |= 1u << (6 - i % 7);
    std::string text;
    for (unsigned v : values) text.push_back(Alphabet()[v]);
    return text;
}

Bytes RandomBytes(size_t n, uint32_t seed) {
    std::mt19937 rng(seed);
    Bytes data(n);
    for (auto& b : data) b = static_cast<uint8_t>(rng());
    return data;
}

Bytes Range(uint8_t first, uint8_t last) {
    Bytes data;
    for (unsigned b = first; b <= last; ++b) data.push_back(static_cast<uint8_t>(b));
    return data;
}

template <unsigned N>
std::string TextOf(const CStr_base<N>& s) {
    return std::string(s.GetText(), size_t(s.GetLength()));
}

// Decodes text into a buffer of the given capacity with a guard byte after it.
// Fills the buffer with 0xEE first so unwritten bytes show.
struct Decoded {
    uint32_t result;
    Bytes buffer;  // capacity bytes
    bool guardIntact;
};
template <unsigned N>
Decoded DecodeInto(const CStr_base<N>& text, uint32_t capacity) {
    Bytes storage(size_t(capacity) + 1, 0xEE);
    uint32_t result;
    if constexpr (N == 1024) {
        // Only the 64 and 16384 classes decode; the 1024 class's text goes through a copy.
        CStr_base<16384> copy;
        copy.AssignString(text);
        result = DecodeText128(copy, storage.data(), capacity);
    } else {
        result = DecodeText128(text, storage.data(), capacity);
    }
    const bool guard = storage[capacity] == 0xEE;
    storage.resize(capacity);
    return {result, storage, guard};
}

template <unsigned N>
uint32_t SizeQuery(const CStr_base<N>& text) {
    if constexpr (N == 1024) {
        CStr_base<16384> copy;
        copy.AssignString(text);
        return DecodeText128(copy, nullptr, 0);
    } else {
        return DecodeText128(text, nullptr, 0);
    }
}

template <class S>
class Text128CodecTyped : public ::testing::Test {};
using StringClasses = ::testing::Types<CStr_base<64>, CStr_base<1024>, CStr_base<16384>>;
TYPED_TEST_SUITE(Text128CodecTyped, StringClasses);

TYPED_TEST(Text128CodecTyped, EncodesKnownAnswers) {
    struct Case {
        const char* name;
        Bytes data;
        std::string text;
    };
    const Case cases[] = {
        {"no bytes", {}, ""},
        {"one zero byte", {0x00}, "00"},
        {"byte 0xFF: top symbol, then the rest zero-filled", {0xFF}, "\xDF\x7D"},
        {"byte 0x80", {0x80}, "}0"},
        {"one whole group", Range(1, 7), "0}}mWKC7"},
        {"a whole group and one byte", Range(1, 8), "0}}mWKC740"},
        {"seven 0xFF", Bytes(7, 0xFF), std::string(8, '\xDF')},
        {"two whole groups", {1, 2, 3, 4, 5, 6, 7, 1, 2, 3, 4, 5, 6, 7}, "0}}mWKC70}}mWKC7"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TypeParam s;
        EXPECT_TRUE(EncodeText128(s, c.data.data(), uint32_t(c.data.size())));
        EXPECT_EQ(TextOf(s), c.text);
        EXPECT_EQ(std::strlen(s.GetText()), c.text.size());
    }
}

TYPED_TEST(Text128CodecTyped, EncodingReplacesTheContent) {
    TypeParam s;
    s.Assign("some earlier text that is longer than the encoding");
    const Bytes one = {0x00};
    EncodeText128(s, one.data(), 1);
    EXPECT_EQ(TextOf(s), "00");
    EncodeText128(s, nullptr, 0);
    EXPECT_EQ(TextOf(s), "");
}

// Encoding the string's own bytes: the input must be read before the buffer
// grows or is overwritten.
TYPED_TEST(Text128CodecTyped, EncodesItsOwnText) {
    for (uint32_t n : {1u, 7u, 13u, 40u, 200u}) {
        SCOPED_TRACE(n);
        std::string original;
        for (uint32_t i = 0; i < n; ++i) original.push_back(static_cast<char>('a' + i % 26));
        TypeParam s;
        s.Assign(original.c_str());
        EncodeText128(s, reinterpret_cast<const uint8_t*>(s.GetText()), n);
        EXPECT_EQ(TextOf(s), ReferenceEncode(Bytes(original.begin(), original.end())));
    }
}

// Sizes whose reservation passes 32 bits must not wrap to a small one (with
// 0xE0000000 bytes the size is exactly 2^32 + 1): the string refuses like
// Reserve and keeps its content, and the data is never read.
TYPED_TEST(Text128CodecTyped, RefusesSizesTheStringCannotHold) {
    const uint8_t data[8] = {};
    for (uint32_t count : {0xFFFFFFFFu, 0xE0000000u, 0x6F200000u}) {
        SCOPED_TRACE(count);
        TypeParam s;
        s.Assign("kept");
        EXPECT_THROW(EncodeText128(s, data, count), int);
        EXPECT_EQ(TextOf(s), "kept");
    }
}

TYPED_TEST(Text128CodecTyped, RoundTripsRandomBytes) {
    std::vector<size_t> lengths;
    for (size_t n = 0; n <= 64; ++n) lengths.push_back(n);
    for (size_t n : {1000u, 65536u, 100003u, 1000006u}) lengths.push_back(n);
    for (size_t n : lengths) {
        SCOPED_TRACE(n);
        const Bytes data = RandomBytes(n, uint32_t(n * 7919 + 1));
        TypeParam s;
        ASSERT_TRUE(EncodeText128(s, data.data(), uint32_t(n)));
        const size_t symbols = n / 7 * 8 + (n % 7 ? n % 7 + 1 : 0);
        ASSERT_EQ(size_t(s.GetLength()), symbols);
        ASSERT_EQ(TextOf(s), ReferenceEncode(data));

        // The size query's bound, then the exact size: both decode everything.
        const uint32_t query = SizeQuery(s);
        EXPECT_EQ(query, (symbols + 7) / 8 * 7);
        EXPECT_GE(query, n);
        for (uint32_t capacity : {query, uint32_t(n)}) {
            const Decoded d = DecodeInto(s, capacity);
            ASSERT_EQ(d.result, n);
            EXPECT_TRUE(std::equal(data.begin(), data.end(), d.buffer.begin()));
            EXPECT_TRUE(d.guardIntact);
        }
        if (n != 0) {
            EXPECT_EQ(DecodeInto(s, uint32_t(n - 1)).result, kText128Failed);
        }
    }
}

// --- decoding: the 64 and 16384 classes ---

template <class S>
class Text128DecodeTyped : public ::testing::Test {};
using DecodingClasses = ::testing::Types<CStr_base<64>, CStr_base<16384>>;
TYPED_TEST_SUITE(Text128DecodeTyped, DecodingClasses);

template <class S>
S Text(const std::string& text) {
    S s;
    s.Assign(text.c_str());
    return s;
}

TYPED_TEST(Text128DecodeTyped, DecodesKnownAnswers) {
    struct Case {
        const char* name;
        std::string text;
        Bytes bytes;
    };
    const Case cases[] = {
        {"empty text", "", {}},
        {"lone symbol gives nothing", "5", {}},
        {"two symbols", "00", {0x00}},
        {"fill bits are not checked", "01", {0x00}},
        {"fill bits all set", "\xDF\xDF", {0xFF}},
        {"top symbol", "\xDF\x7D", {0xFF}},
        {"one whole group", "0}}mWKC7", Range(1, 7)},
        {"a whole group and a short one", "0}}mWKC740", Range(1, 8)},
        {"nine symbols: the ninth is ignored", "0}}mWKC74", Range(1, 7)},
        {"seventeen symbols", "0}}mWKC70}}mWKC7z", {1, 2, 3, 4, 5, 6, 7, 1, 2, 3, 4, 5, 6, 7}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const TypeParam s = Text<TypeParam>(c.text);
        const Decoded d = DecodeInto(s, 64);
        ASSERT_EQ(d.result, c.bytes.size());
        EXPECT_TRUE(std::equal(c.bytes.begin(), c.bytes.end(), d.buffer.begin()));
        // Nothing is written beyond the bytes decoded.
        for (size_t i = c.bytes.size(); i < d.buffer.size(); ++i) ASSERT_EQ(d.buffer[i], 0xEE) << i;
    }
}

TYPED_TEST(Text128DecodeTyped, SizeQueryIsAWholeGroupBound) {
    const struct {
        std::string text;
        uint32_t size;
    } cases[] = {{"", 0}, {"5", 7}, {"00", 7}, {"0}}mWKC7", 7}, {"0}}mWKC740", 14}, {std::string(17, 'z'), 21}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(DecodeText128(Text<TypeParam>(c.text), nullptr, 0), c.size);
        EXPECT_EQ(DecodeText128(Text<TypeParam>(c.text), nullptr, 3), c.size) << "capacity is ignored";
    }
}

// A byte outside the alphabet fails wherever it stands: in a whole group, in
// the short last group, or alone after the last group.
TYPED_TEST(Text128DecodeTyped, RejectsBytesOutsideTheAlphabet) {
    const struct {
        const char* name;
        std::string text;
    } cases[] = {
        {"line feed", "0}}m\nKC740"},
        {"blank", "0}}mWKC7 0"},
        {"tilde", "~"},
        {"tilde as ninth symbol", "0}}mWKC7~"},
        {"tilde in the second whole group", "0}}mWKC70}}mWK~7"},
        {"carriage return", "0\r"},
        {"double quote", "\"0"},
        {"lead byte of a two-byte character", "0}}mWKC7\x82\xA0"},
        {"byte 0xA0 below the katakana", "\xA0" "0"},
        {"byte 0xE0 above the katakana", "0\xE0"},
        {"byte 0x7E after the braces", "0\x7E"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(DecodeInto(Text<TypeParam>(c.text), 64).result, kText128Failed);
    }
}

// Each byte decodes to its place in the alphabet, and only the 128 alphabet
// bytes decode: "<b>0" gives one byte, the symbol's value shifted left by one.
// Encoding the byte 2v starts with symbol v.
TYPED_TEST(Text128DecodeTyped, AlphabetOrder) {
    for (unsigned b = 1; b < 256; ++b) {
        SCOPED_TRACE(b);
        const size_t value = Alphabet().find(static_cast<char>(b));
        const Decoded d = DecodeInto(Text<TypeParam>(std::string(1, static_cast<char>(b)) + "0"), 8);
        if (value == std::string::npos) {
            EXPECT_EQ(d.result, kText128Failed);
        } else {
            ASSERT_EQ(d.result, 1u);
            EXPECT_EQ(d.buffer[0], uint8_t(value << 1));
        }
    }
    for (unsigned v = 0; v < 128; ++v) {
        const uint8_t byte = uint8_t(v << 1);
        TypeParam s;
        EncodeText128(s, &byte, 1);
        EXPECT_EQ(TextOf(s), std::string(1, Alphabet()[v]) + "0") << v;
    }
}

// Capacity: exact fits; one byte short fails after writing the whole groups
// before the one that does not fit, and nothing of that group.
TYPED_TEST(Text128DecodeTyped, CapacityLimits) {
    const TypeParam s = Text<TypeParam>("0}}mWKC740");
    const Bytes expected = Range(1, 8);
    const struct {
        uint32_t capacity;
        uint32_t result;
        size_t written;
    } cases[] = {{14, 8, 8}, {8, 8, 8}, {7, kText128Failed, 7}, {6, kText128Failed, 0}, {0, kText128Failed, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.capacity);
        const Decoded d = DecodeInto(s, c.capacity);
        EXPECT_EQ(d.result, c.result);
        EXPECT_TRUE(d.guardIntact);
        for (size_t i = 0; i < d.buffer.size(); ++i)
            EXPECT_EQ(d.buffer[i], i < c.written ? expected[i] : 0xEE) << i;
    }
    // The empty text and a lone symbol need no room at all.
    EXPECT_EQ(DecodeInto(Text<TypeParam>(""), 0).result, 0u);
    EXPECT_EQ(DecodeInto(Text<TypeParam>("z"), 0).result, 0u);
}

}  // namespace
