// Code page 932 conversions, checked against glibc iconv called directly one
// character at a time (the reference), so that our batching, the ASCII runs and
// the patches for the Windows-only bytes are all under test.
#include "platform/Cp932.h"

#include <gtest/gtest.h>
#include <iconv.h>

#include <bit>
#include <cerrno>
#include <string>
#include <thread>
#include <vector>

namespace {

const char* Utf16Name() { return std::endian::native == std::endian::little ? "UTF-16LE" : "UTF-16BE"; }

// iconv on its own, one character per call: the reference. Returns false where
// iconv refuses the input.
class Reference {
public:
    Reference() : dec_(iconv_open(Utf16Name(), "CP932")), enc_(iconv_open("CP932", Utf16Name())) {}
    ~Reference() {
        iconv_close(dec_);
        iconv_close(enc_);
    }

    bool Decode(const std::string& bytes, std::u16string& out) {
        char16_t buf[8];
        char* in = const_cast<char*>(bytes.data());
        size_t inLeft = bytes.size();
        char* o = reinterpret_cast<char*>(buf);
        size_t outLeft = sizeof buf;
        iconv(dec_, nullptr, nullptr, nullptr, nullptr);
        if (iconv(dec_, &in, &inLeft, &o, &outLeft) == static_cast<size_t>(-1)) return false;
        out.assign(buf, (sizeof buf - outLeft) / 2);
        return true;
    }

    bool Encode(const std::u16string& units, std::string& out) {
        char buf[16];
        char* in = const_cast<char*>(reinterpret_cast<const char*>(units.data()));
        size_t inLeft = units.size() * 2;
        char* o = buf;
        size_t outLeft = sizeof buf;
        iconv(enc_, nullptr, nullptr, nullptr, nullptr);
        if (iconv(enc_, &in, &inLeft, &o, &outLeft) == static_cast<size_t>(-1)) return false;
        out.assign(buf, sizeof buf - outLeft);
        return true;
    }

private:
    iconv_t dec_;
    iconv_t enc_;
};

// Our conversions on whole strings; decoding failure gives nullopt-like false.
bool Decode(const std::string& bytes, std::u16string& out) {
    out.assign(platform::Cp932DecodedLength(bytes.data(), bytes.size()), u'\0');
    ptrdiff_t n = platform::Cp932ToUtf16(bytes.data(), bytes.size(), out.data(), out.size());
    if (n < 0) return false;
    out.resize(static_cast<size_t>(n));
    return true;
}

std::string Encode(const std::u16string& units, bool* usedDefault = nullptr) {
    std::string out(platform::Utf16ToCp932MaxBytes(units.size()), '\0');
    bool used = false;
    ptrdiff_t n = platform::Utf16ToCp932(units.data(), units.size(), out.data(), out.size(), &used);
    EXPECT_GE(n, 0);
    out.resize(n < 0 ? 0 : static_cast<size_t>(n));
    bool sizeUsed = false;
    EXPECT_EQ(platform::Utf16ToCp932Size(units.data(), units.size(), &sizeUsed), n);
    EXPECT_EQ(sizeUsed, used);
    if (usedDefault) *usedDefault = used;
    return out;
}

struct Special {
    unsigned char byte;
    char16_t unit;
};
constexpr Special kSpecials[] = {{0x80, 0x0080}, {0xA0, 0xF8F0}, {0xFD, 0xF8F1}, {0xFE, 0xF8F2}, {0xFF, 0xF8F3}};

bool IsTrailByte(int t) { return t >= 0x40 && t <= 0xFC && t != 0x7F; }

// Every double-byte code with a valid lead and trail byte, defined or not.
std::vector<std::string> AllDoubleByteCodes() {
    std::vector<std::string> codes;
    for (int lead = 0x81; lead <= 0xFC; ++lead) {
        if (!platform::IsCp932LeadByte(static_cast<unsigned char>(lead))) continue;
        for (int trail = 0x40; trail <= 0xFC; ++trail) {
            if (IsTrailByte(trail)) codes.push_back({static_cast<char>(lead), static_cast<char>(trail)});
        }
    }
    return codes;
}

TEST(Cp932Test, EveryDoubleByteCodeDecodesLikeIconv) {
    Reference ref;
    std::string all;
    std::u16string allExpected;
    int defined = 0;
    for (const std::string& code : AllDoubleByteCodes()) {
        std::u16string expected;
        std::u16string got;
        bool refOk = ref.Decode(code, expected);
        ASSERT_EQ(Decode(code, got), refOk) << std::hex << (code[0] & 0xFF) << (code[1] & 0xFF);
        if (!refOk) continue;
        ++defined;
        ASSERT_EQ(got, expected);
        ASSERT_EQ(expected.size(), 1u);
        // Mixed with ASCII and the special bytes, in one long text.
        all += code;
        allExpected += expected;
        if (defined % 7 == 0) {
            all += "a\\";
            allExpected += u"a\\";
        }
        if (defined % 11 == 0) {
            const Special& s = kSpecials[defined % 5];
            all += static_cast<char>(s.byte);
            allExpected += s.unit;
        }
    }
    EXPECT_GT(defined, 9000);  // JIS X 0208, NEC row 13, IBM extensions, user area
    std::u16string got;
    ASSERT_TRUE(Decode(all, got));
    EXPECT_EQ(got, allExpected);
}

TEST(Cp932Test, EveryDecodedCharacterEncodesToACodeThatDecodesBack) {
    // Codes Windows maps back to themselves round-trip exactly; NEC and IBM duplicates
    // go to the one canonical code that iconv also picks.
    Reference ref;
    std::u16string all;
    std::string allEncoded;
    int exact = 0;
    int duplicates = 0;
    for (const std::string& code : AllDoubleByteCodes()) {
        std::u16string u;
        if (!ref.Decode(code, u)) continue;
        bool used = true;
        std::string back = Encode(u, &used);
        EXPECT_FALSE(used);
        std::string canonical;
        ASSERT_TRUE(ref.Encode(u, canonical));
        ASSERT_EQ(back, canonical);
        std::u16string again;
        ASSERT_TRUE(Decode(back, again));
        ASSERT_EQ(again, u);
        (back == code ? exact : duplicates)++;
        all += u;
        allEncoded += back;
    }
    EXPECT_GT(exact, 9000);
    EXPECT_GT(duplicates, 390);  // NEC-selected IBM rows and the NEC/IBM/JIS overlaps
    EXPECT_EQ(Encode(all), allEncoded);
}

TEST(Cp932Test, DuplicateCodesPreferJisThenNecThenIbm) {
    struct Row {
        const char* name;
        std::string code;
        std::string canonical;
    };
    const Row rows[] = {
        {"not sign: IBM and NEC-selected to JIS", "\xFA\x54", "\x81\xCA"},
        {"because: NEC row 13 to JIS", "\x87\x9A", "\x81\xE6"},
        {"roman numeral one: IBM to NEC row 13", "\xFA\x4A", "\x87\x54"},
        {"small roman one: NEC-selected to IBM", "\xEE\xEF", "\xFA\x40"},
        {"kanji: NEC-selected to IBM", "\xED\x40", "\xFA\x5C"},
    };
    for (const Row& r : rows) {
        std::u16string u;
        ASSERT_TRUE(Decode(r.code, u)) << r.name;
        EXPECT_EQ(Encode(u), r.canonical) << r.name;
    }
}

TEST(Cp932Test, NoCharacterEncodesToALookAlike) {
    // Over the whole BMP: whatever encodes without "?" decodes back to itself, and
    // the only characters with a form are those some code decodes to.
    Reference ref;
    std::u16string mappable;
    for (uint32_t cp = 1; cp < 0x10000; ++cp) {
        if (cp >= 0xD800 && cp <= 0xDFFF) continue;
        std::u16string u(1, static_cast<char16_t>(cp));
        bool used = false;
        std::string bytes = Encode(u, &used);
        if (used) {
            ASSERT_EQ(bytes, "?") << std::hex << cp;
            continue;
        }
        std::u16string back;
        ASSERT_TRUE(Decode(bytes, back)) << std::hex << cp;
        ASSERT_EQ(back, u) << std::hex << cp;
        mappable += u;
    }
    // 128 ASCII, 63 half-width katakana, the 5 special bytes, and the double-byte set.
    std::string refBytes;
    int refDoubleByte = 0;
    for (const std::string& code : AllDoubleByteCodes()) {
        std::u16string u;
        if (ref.Decode(code, u) && ref.Encode(u, refBytes) && refBytes == code) ++refDoubleByte;
    }
    EXPECT_EQ(mappable.size(), 127u + 63u + 5u + static_cast<size_t>(refDoubleByte));
}

TEST(Cp932Test, IconvsOneWayMappingsBecomeQuestionMarks) {
    // iconv maps these onto codes that decode to a different character; Windows
    // without best fit has no form for them.
    const char16_t oneWay[] = {0x00A2, 0x00A3, 0x00A5, 0x00AC, 0x2014, 0x2016, 0x203E, 0x2212, 0x301C};
    for (char16_t u : oneWay) {
        bool used = false;
        EXPECT_EQ(Encode(std::u16string(1, u), &used), "?") << std::hex << static_cast<int>(u);
        EXPECT_TRUE(used);
    }
    bool used = false;
    EXPECT_EQ(Encode(u"\\~\x2015\xFF5E\x2225\xFF0D", &used), "\\~\x81\x5C\x81\x60\x81\x61\x81\x7C");
    EXPECT_FALSE(used);
}

TEST(Cp932Test, PatchedCharactersAreFoundAtEveryPositionOfALongText) {
    // Long texts are scanned in groups of units; a patched character must be seen
    // wherever it stands in its group.
    struct Row {
        char16_t unit;
        std::string bytes;
    };
    const Row rows[] = {{0x00A5, "?"}, {0x301C, "?"}, {0x0080, "\x80"}, {0xF8F3, "\xFF"}};
    for (const Row& r : rows) {
        for (size_t before = 0; before < 20; ++before) {
            std::u16string text(before, u'\x3042');
            text += r.unit;
            text += std::u16string(9, u'a');
            std::string expected;
            for (size_t i = 0; i < before; ++i) expected += "\x82\xA0";
            expected += r.bytes + std::string(9, 'a');
            ASSERT_EQ(Encode(text), expected) << std::hex << int(r.unit) << " after " << before;
        }
    }
}

TEST(Cp932Test, SpecialSingleBytesMapLikeWindows) {
    for (const Special& s : kSpecials) {
        std::string byte(1, static_cast<char>(s.byte));
        std::u16string u;
        ASSERT_TRUE(Decode(byte, u));
        EXPECT_EQ(u, std::u16string(1, s.unit));
        bool used = true;
        EXPECT_EQ(Encode(u, &used), byte);
        EXPECT_FALSE(used);
        // In the middle of double-byte text, where iconv stops and resumes.
        std::u16string mixed;
        ASSERT_TRUE(Decode("\x82\xA0" + byte + byte + "\x88\x9F", mixed));
        EXPECT_EQ(mixed, std::u16string(u"\x3042") + s.unit + s.unit + u"\x4E9C");
        EXPECT_EQ(Encode(mixed), "\x82\xA0" + byte + byte + "\x88\x9F");
    }
    // As a trail byte 0x80 belongs to its lead byte.
    std::u16string u;
    ASSERT_TRUE(Decode("\x81\x80", u));
    EXPECT_EQ(u, u"\x00F7");
}

TEST(Cp932Test, InvalidTextFailsToDecode) {
    struct Row {
        const char* name;
        std::string bytes;
    };
    const Row rows[] = {
        {"lead byte at the end", "abc\x82"},
        {"lead byte before an ASCII control", std::string("\x82\x1F", 2)},
        {"lead byte before 0x7F", "\x82\x7F"},
        {"lead byte before 0xFD", "\x82\xFD"},
        {"undefined code in row 9", "\x85\x40"},
        {"undefined code after good text", "\x82\xA0\x82\xA2\xEB\x40"},
    };
    for (const Row& r : rows) {
        std::u16string out;
        EXPECT_FALSE(Decode(r.bytes, out)) << r.name;
    }
    std::u16string out;
    EXPECT_TRUE(Decode("", out));
    EXPECT_TRUE(out.empty());
}

TEST(Cp932Test, CharactersWithoutAFormGiveOneQuestionMarkEach) {
    struct Row {
        const char* name;
        std::u16string text;
        std::string expected;
    };
    const Row rows[] = {
        {"pair without a form", u"A\U0001F600B", "A?B"},
        {"two pairs in a row", u"\U0001F600\U00020BB7", "??"},
        {"lone high surrogate", std::u16string(u"a") + char16_t(0xD83D) + u"b", "a?b"},
        {"lone high surrogate at the end", std::u16string(u"\x3042") + char16_t(0xD83D), "\x82\xA0?"},
        {"lone low surrogate", std::u16string(u"\x3042") + char16_t(0xDE00) + u"\x3044", "\x82\xA0?\x82\xA2"},
        {"high surrogate before a special", std::u16string(1, char16_t(0xD83D)) + char16_t(0xF8F0), "?\xA0"},
        {"variation selector", u"\x845B\xFE0F", "\x8A\x8B?"},
        {"a leading U+FEFF is a character, not a byte order mark", u"\xFEFF" u"a\xFEFF", "?a?"},
    };
    for (const Row& r : rows) {
        bool used = false;
        EXPECT_EQ(Encode(r.text, &used), r.expected) << r.name;
        EXPECT_TRUE(used) << r.name;
    }
}

TEST(Cp932Test, SizeKeepsASurrogatePairOnItsSliceBoundary) {
    // The size query works in slices; a pair across a slice edge is still one "?".
    for (size_t prefix : {510u, 511u, 512u, 1023u}) {
        std::u16string text(prefix, u'x');
        text += u"\U0001F600\x3042";
        bool used = false;
        ptrdiff_t size = platform::Utf16ToCp932Size(text.data(), text.size(), &used);
        EXPECT_EQ(size, static_cast<ptrdiff_t>(prefix + 3)) << prefix;
        EXPECT_TRUE(used);
    }
}

TEST(Cp932Test, TooSmallBufferFailsWithoutOverrun) {
    char16_t units[4] = {u'#', u'#', u'#', u'#'};
    EXPECT_EQ(platform::Cp932ToUtf16("abc", 3, units, 2), -1);
    EXPECT_EQ(platform::Cp932ToUtf16("\x82\xA0\x82\xA2\x82\xA4", 6, units, 2), -1);
    EXPECT_EQ(platform::Cp932ToUtf16("a\xA0\xA0", 3, units, 2), -1);
    EXPECT_EQ(units[2], u'#');

    char bytes[4] = {'#', '#', '#', '#'};
    EXPECT_EQ(platform::Utf16ToCp932(u"abc", 3, bytes, 2, nullptr), -1);
    EXPECT_EQ(platform::Utf16ToCp932(u"\x3042\x3044", 2, bytes, 3, nullptr), -1);
    EXPECT_EQ(platform::Utf16ToCp932(u"\x3042\x00A5", 2, bytes, 2, nullptr), -1);
    EXPECT_EQ(bytes[3], '#');
}

TEST(Cp932Test, ThreadsConvertAtTheSameTime) {
    std::string text;
    std::u16string expected;
    for (int i = 0; i < 2000; ++i) {
        text += "\x93\xFA\x96\x7B\x8C\xEA text \xA0";
        expected += u"\x65E5\x672C\x8A9E text \xF8F0";
    }
    std::vector<std::thread> threads;
    std::vector<int> failures(4, 0);
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            for (int round = 0; round < 50; ++round) {
                std::u16string u;
                if (!Decode(text, u) || u != expected) ++failures[t];
                std::string back(platform::Utf16ToCp932MaxBytes(u.size()), '\0');
                ptrdiff_t n = platform::Utf16ToCp932(u.data(), u.size(), back.data(), back.size(), nullptr);
                if (n < 0 || back.substr(0, static_cast<size_t>(n)) != text) ++failures[t];
            }
        });
    }
    for (std::thread& th : threads) th.join();
    EXPECT_EQ(failures, std::vector<int>(4, 0));
}

}  // namespace
