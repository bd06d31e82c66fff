// Small utilities: the sine-table generator against known answers and a
// long-double model, the integer/text conversions against a table that walks the
// buffer-size limits, the message boxes through a fake presenter, and the
// rectangle fill through a fake device.
#include "foundation/util/Utilities.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

namespace {

// --- Random numbers ----------------------------------------------------------

TEST(UtilitiesRandom, SineKnownAnswers) {
    const struct {
        int32_t phase;
        int32_t expected;
        const char* name;
    } cases[] = {
        {0, 0, "zero phase"},
        {6000, 1518500249, "eighth turn"},
        {12000, 2147483647, "quarter turn is the top of the range"},
        {24000, 0, "half turn rounds toward zero"},
        {36000, -2147483647, "three quarters"},
        {47999, -281104, "last entry"},
        {48000, 0, "one full turn wraps to entry 0"},
        {48000 + 6000, 1518500249, "wraps past a full turn"},
        {-1, 2145191464, "bit 31 cleared: 0x7FFFFFFF mod 48000 = 11647"},
        {INT32_MIN, 0, "bit 31 alone clears to phase 0"},
    };
    for (const auto& c : cases) EXPECT_EQ(GetSineValue(c.phase), c.expected) << c.name;
}

TEST(UtilitiesRandom, SineTableFollowsTheSineEverywhere) {
    // A long-double model; the table's double formula may differ from it by
    // one step where the product lands next to an integer.
    const long double pi2 = 6.283185307179586476925286766559L;
    for (int32_t i = 0; i < 48000; ++i) {
        const long double model = std::trunc(std::sin(pi2 * i / 48000) * 2147483647.0L);
        ASSERT_LE(std::fabs(static_cast<long double>(GetSineValue(i)) - model), 1.0L) << "entry " << i;
    }
}

TEST(UtilitiesRandom, SequencesFromKnownSeeds) {
    const struct {
        int32_t seed;
        std::vector<uint32_t> expected;
    } cases[] = {
        {0, {0x0C95A635, 0x0614EC58, 0x0937F2B2, 0x00DCB814, 0x067C0E5D, 0x02241CB0}},
        {-1, {0x0497D5D3, 0x0773354A, 0x0816B209, 0x05043522}},
        {12345, {0x0FE49D50, 0x07BC2606, 0x0F9C889C, 0x01C78A82}},
    };
    for (const auto& c : cases) {
        SetRandomSeed(c.seed);
        for (size_t i = 0; i < c.expected.size(); ++i)
            EXPECT_EQ(GetRandom(), c.expected[i]) << "seed " << c.seed << ", value " << i;
    }
}

TEST(UtilitiesRandom, FirstValueFromZeroLeavesTheSeedAtItsUnshiftedForm) {
    // The sine of phase 0 is 0, so the new state is 0 - 0x36A59CA7 = 0xC95A6359
    // and the value returned is that state shifted right by 4.
    SetRandomSeed(0);
    EXPECT_EQ(GetRandom(), 0x0C95A635u);
    const uint32_t second = GetRandom();
    SetRandomSeed(static_cast<int32_t>(0xC95A6359u));
    EXPECT_EQ(GetRandom(), second);
}

// --- Integers and text -------------------------------------------------------

constexpr size_t kBuf = 32;

// Runs a writer into a buffer of kBuf bytes filled with '#', telling it the
// size is `size`. Returns the text on success, "<false>" on failure; checks
// that nothing beyond `size` was touched and that a failure touched nothing.
template <class Writer>
std::string Write(Writer writer, size_t size) {
    char buf[kBuf];
    std::memset(buf, '#', sizeof buf);
    const bool ok = writer(buf, size);
    for (size_t i = ok ? size : 0; i < kBuf; ++i)
        if (buf[i] != '#') return "<wrote byte " + std::to_string(i) + ">";
    if (!ok) return "<false>";
    if (std::memchr(buf, 0, size) == nullptr) return "<unterminated>";
    return buf;
}

TEST(UtilitiesText, WritersAtTheirSizeLimits) {
    const char* F = "<false>";
    const struct {
        const char* kind;  // "i" signed, "u" unsigned, "x" hexadecimal
        uint64_t value;    // read as int64_t for "i"
        size_t size;
        const char* expected;
    } cases[] = {
        {"u", 0, 2, "0"},
        {"u", 0, 1, F},
        {"u", 0, 0, F},
        {"u", 12345, 6, "12345"},
        {"u", 12345, 5, F},
        {"u", 10, 3, "10"},
        {"u", UINT64_MAX, 21, "18446744073709551615"},
        {"u", UINT64_MAX, 20, F},
        {"i", 0, 2, "0"},
        {"i", static_cast<uint64_t>(-5), 3, "-5"},
        {"i", static_cast<uint64_t>(-5), 2, F},
        {"i", 5, 2, "5"},
        {"i", static_cast<uint64_t>(-100), 5, "-100"},
        {"i", static_cast<uint64_t>(INT64_MAX), 20, "9223372036854775807"},
        {"i", static_cast<uint64_t>(INT64_MAX), 19, F},
        {"i", static_cast<uint64_t>(INT64_MIN), 21, "-9223372036854775808"},
        {"i", static_cast<uint64_t>(INT64_MIN), 20, F},
        {"i", static_cast<uint64_t>(INT64_MIN + 1), 21, "-9223372036854775807"},
        {"x", 0, 2, "0"},
        {"x", 255, 3, "ff"},
        {"x", 255, 2, F},
        {"x", 0x10, 3, "10"},
        {"x", 0x0123456789ABCDEFull, 16, "123456789abcdef"},
        {"x", UINT64_MAX, 17, "ffffffffffffffff"},
        {"x", UINT64_MAX, 16, F},
    };
    for (const auto& c : cases) {
        std::string got;
        if (c.kind[0] == 'i')
            got = Write([&](char* b, size_t n) { return Int64ToText(b, n, static_cast<int64_t>(c.value)); }, c.size);
        else if (c.kind[0] == 'u')
            got = Write([&](char* b, size_t n) { return UInt64ToText(b, n, c.value); }, c.size);
        else
            got = Write([&](char* b, size_t n) { return UInt64ToHexText(b, n, c.value); }, c.size);
        EXPECT_EQ(got, c.expected) << c.kind << " " << c.value << " size " << c.size;
    }
}

TEST(UtilitiesText, WritersRefuseANullBuffer) {
    EXPECT_FALSE(Int64ToText(nullptr, 10, 1));
    EXPECT_FALSE(UInt64ToText(nullptr, 10, 1));
    EXPECT_FALSE(UInt64ToHexText(nullptr, 10, 1));
}

TEST(UtilitiesText, Readers) {
    const struct {
        const char* text;
        int64_t asInt64;
        uint64_t asUInt64;
        uint64_t asHex;
    } cases[] = {
        {"", 0, 0, 0},
        {"-12x", -12, 0, 0},
        {" 12", 0, 0, 0},  // no blanks skipped
        {"+5", 0, 0, 0},
        {"-", 0, 0, 0},
        {"--1", 0, 0, 0},
        {"007", 7, 7, 7},
        {"1aG", 1, 1, 26},
        {"0x10", 0, 0, 0},
        {"FFffFFffFFffFFff", 0, 0, UINT64_MAX},
        {"10000000000000000", 10000000000000000, 10000000000000000, 0},  // 17 hex digits wrap to 0
        {"9223372036854775807", INT64_MAX, 9223372036854775807ull, 0x3372036854775807},
        {"-9223372036854775808", INT64_MIN, 0, 0},
        {"9223372036854775808", INT64_MIN, 9223372036854775808ull, 0x3372036854775808},
        {"18446744073709551615", -1, UINT64_MAX, 0x6744073709551615},
        {"18446744073709551616", 0, 0, 0x6744073709551616},  // 2^64 wraps to 0
        {"12\x81\x40", 12, 12, 0x12},                         // a byte above 0x7F ends the digits
    };
    for (const auto& c : cases) {
        EXPECT_EQ(TextToInt64(c.text), c.asInt64) << "\"" << c.text << "\"";
        EXPECT_EQ(TextToUInt64(c.text), c.asUInt64) << "\"" << c.text << "\"";
        EXPECT_EQ(HexTextToUInt64(c.text), c.asHex) << "\"" << c.text << "\"";
    }
    EXPECT_EQ(TextToInt64(nullptr), 0);
    EXPECT_EQ(TextToUInt64(nullptr), 0u);
    EXPECT_EQ(HexTextToUInt64(nullptr), 0u);
}

TEST(UtilitiesText, WrittenTextReadsBack) {
    const uint64_t values[] = {0, 1, 9, 10, 0xF, 0x10, 1234567890123ull, 0x8000000000000000ull, UINT64_MAX,
                               static_cast<uint64_t>(-987654321)};
    char buf[24];
    for (uint64_t v : values) {
        ASSERT_TRUE(Int64ToText(buf, sizeof buf, static_cast<int64_t>(v)));
        EXPECT_EQ(TextToInt64(buf), static_cast<int64_t>(v)) << buf;
        ASSERT_TRUE(UInt64ToText(buf, sizeof buf, v));
        EXPECT_EQ(TextToUInt64(buf), v) << buf;
        ASSERT_TRUE(UInt64ToHexText(buf, sizeof buf, v));
        EXPECT_EQ(HexTextToUInt64(buf), v) << buf;
    }
}

// --- Message boxes -----------------------------------------------------------

class FakePresenter : public platform::IMessageBoxPresenter {
public:
    int32_t Show(void* owner, const char16_t* text, const char16_t* caption, uint32_t type) override {
        ++calls;
        lastOwner = owner;
        lastText = text;
        lastCaption = caption;
        lastType = type;
        return answer;
    }
    int calls = 0;
    void* lastOwner = nullptr;
    std::u16string lastText, lastCaption;
    uint32_t lastType = 0;
    int32_t answer = platform::IDCANCEL;
};

// Installs the fake for one test and leaves the library-wide owner and default
// caption as every test found them: null and empty.
class UtilitiesMessageBox : public testing::Test {
protected:
    void SetUp() override { previous_ = platform::SetMessageBoxPresenter(&fake); }
    void TearDown() override {
        SetMessageBoxOwner(nullptr, u"");
        platform::SetMessageBoxPresenter(previous_);
    }
    FakePresenter fake;

private:
    platform::IMessageBoxPresenter* previous_ = nullptr;
};

// Code page 932 bytes and their UTF-16 forms.
const char kNihongo932[] = "\x93\xFA\x96\x7B\x8C\xEA";  // 日本語
const char16_t kNihongo16[] = u"\u65E5\u672C\u8A9E";
const char kKakunin932[] = "\x8A\x6D\x94\x46";  // 確認
const char16_t kKakunin16[] = u"\u78BA\u8A8D";

TEST_F(UtilitiesMessageBox, CaptionDefaultsToTheOwnersCaption) {
    // Nothing set yet: no owner and an empty caption.
    EXPECT_EQ(ShowMessageBox("a", platform::MB_OK), platform::IDCANCEL);
    EXPECT_EQ(fake.lastOwner, nullptr);
    EXPECT_EQ(fake.lastCaption, u"");

    int window = 0;
    EXPECT_TRUE(SetMessageBoxOwner(&window, kKakunin932));
    EXPECT_EQ(ShowMessageBox(kNihongo932, platform::MB_YESNO | platform::MB_ICONQUESTION), platform::IDCANCEL);
    EXPECT_EQ(fake.lastOwner, &window);
    EXPECT_EQ(fake.lastText, kNihongo16);
    EXPECT_EQ(fake.lastCaption, kKakunin16);
    EXPECT_EQ(fake.lastType, platform::MB_YESNO | platform::MB_ICONQUESTION);

    // A caption given with the call wins, even an empty one.
    ShowMessageBox("b", platform::MB_OK, kNihongo932);
    EXPECT_EQ(fake.lastCaption, kNihongo16);
    ShowMessageBox("b", platform::MB_OK, "");
    EXPECT_EQ(fake.lastCaption, u"");

    // The wide forms take their texts as they are.
    fake.answer = platform::IDYES;
    EXPECT_EQ(ShowMessageBoxW(u"\U0001F600", platform::MB_YESNOCANCEL), platform::IDYES);
    EXPECT_EQ(fake.lastText, u"\U0001F600");
    EXPECT_EQ(fake.lastCaption, kKakunin16);
    ShowMessageBoxW(u"c", platform::MB_OK, u"own");
    EXPECT_EQ(fake.lastCaption, u"own");

    SetMessageBoxOwner(nullptr, u"wide caption");
    ShowMessageBox("d", platform::MB_OK);
    EXPECT_EQ(fake.lastOwner, nullptr);
    EXPECT_EQ(fake.lastCaption, u"wide caption");
    EXPECT_EQ(fake.calls, 7);
}

TEST_F(UtilitiesMessageBox, InvalidCodePage932ConvertsToNothing) {
    // A lead byte at the end of the text is not code page 932.
    EXPECT_TRUE(SetMessageBoxOwner(nullptr, "old"));
    EXPECT_FALSE(SetMessageBoxOwner(nullptr, "bad\x81"));
    ShowMessageBox("x", platform::MB_OK);
    EXPECT_EQ(fake.lastCaption, u"");

    ShowMessageBox("text\x81", platform::MB_OK, "cap\x81");
    EXPECT_EQ(fake.calls, 2) << "the box is still shown";
    EXPECT_EQ(fake.lastText, u"");
    EXPECT_EQ(fake.lastCaption, u"");
}

TEST_F(UtilitiesMessageBox, NullTextsAreEmpty) {
    EXPECT_TRUE(SetMessageBoxOwner(nullptr, static_cast<const char*>(nullptr)));
    ShowMessageBox(nullptr, platform::MB_OK);
    EXPECT_EQ(fake.lastText, u"");
    ShowMessageBoxW(nullptr, platform::MB_OK);
    EXPECT_EQ(fake.lastText, u"");
    EXPECT_EQ(fake.lastCaption, u"");
}

// A presenter whose modal loop changes the default caption while the box is up.
class ReentrantPresenter : public platform::IMessageBoxPresenter {
public:
    int32_t Show(void*, const char16_t*, const char16_t* caption, uint32_t) override {
        SetMessageBoxOwner(nullptr, u"a much longer caption that needs a new buffer");
        seen = caption;
        return platform::IDOK;
    }
    std::u16string seen;
};

TEST(UtilitiesMessageBoxReentry, CaptionSurvivesAChangeFromTheModalLoop) {
    ReentrantPresenter presenter;
    platform::IMessageBoxPresenter* previous = platform::SetMessageBoxPresenter(&presenter);
    SetMessageBoxOwner(nullptr, u"short");
    ShowMessageBox("t", platform::MB_OK);
    EXPECT_EQ(presenter.seen, u"short");
    SetMessageBoxOwner(nullptr, u"short");
    ShowMessageBoxW(u"t", platform::MB_OK);
    EXPECT_EQ(presenter.seen, u"short");
    SetMessageBoxOwner(nullptr, u"");
    platform::SetMessageBoxPresenter(previous);
}

// --- Drawing -----------------------------------------------------------------

class FakeDevice : public platform::IDeviceContext {
public:
    struct Fill {
        int32_t left, top, right, bottom;
        uint32_t colorref;
        bool operator==(const Fill&) const = default;
    };
    bool FillSolidRect(int32_t left, int32_t top, int32_t right, int32_t bottom, uint32_t colorref) override {
        fills.push_back({left, top, right, bottom, colorref});
        return result;
    }
    std::vector<Fill> fills;
    bool result = true;
};

TEST(UtilitiesDraw, FillRectSolidPassesTheRectangleAndColour) {
    const struct {
        int32_t left, top, width, height;
        FakeDevice::Fill expected;
        const char* name;
    } cases[] = {
        {10, 20, 30, 40, {10, 20, 40, 60, 0x00336699}, "size becomes the exclusive corner"},
        {-5, -7, 5, 7, {-5, -7, 0, 0, 0x00336699}, "negative origin"},
        {3, 4, 0, -2, {3, 4, 3, 2, 0x00336699}, "empty and inverted extents pass unchanged"},
        {INT32_MAX - 5, 0, 10, 1, {INT32_MAX - 5, 0, INT32_MAX, 1, 0x00336699}, "right edge stops at the range"},
        {0, INT32_MIN + 1, 1, -10, {0, INT32_MIN + 1, 1, INT32_MIN, 0x00336699}, "bottom edge stops at the range"},
    };
    for (const auto& c : cases) {
        FakeDevice dc;
        EXPECT_TRUE(FillRectSolid(&dc, c.left, c.top, c.width, c.height, 0x00336699)) << c.name;
        ASSERT_EQ(dc.fills.size(), 1u) << c.name;
        EXPECT_EQ(dc.fills[0], c.expected) << c.name;
    }
}

TEST(UtilitiesDraw, FillRectSolidReportsTheDevicesFailure) {
    FakeDevice dc;
    dc.result = false;
    EXPECT_FALSE(FillRectSolid(&dc, 0, 0, 1, 1, 0));
    EXPECT_EQ(dc.fills.size(), 1u);
    EXPECT_FALSE(FillRectSolid(nullptr, 0, 0, 1, 1, 0));
}

}  // namespace
