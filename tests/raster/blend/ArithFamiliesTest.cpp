// The arithmetic blend families Add, Sub, RevMul, Xor, Mul and Div: worked
// examples of their per-pixel rules, the packed-lane and SIMD paths against
// channel-by-channel rules over all byte pairs, and the shape duties of every
// member (clipping, forms, opacity endpoints, stretched and indexed twins).
#include <gtest/gtest.h>
#include <pixman.h>

#include <algorithm>
#include <random>
#include <set>
#include <span>
#include <string>
#include <vector>

#include "raster/blend/ArithRules.h"
#include "tests/raster/blend/BlendTestSupport.h"

namespace {

using namespace blend_test;
using blend::Form;
using blend::KernelEntry;
using blend::Shape;

std::vector<KernelEntry> ArithKernels() {
    std::vector<KernelEntry> out;
    for (auto table : {blend::AddKernels(), blend::SubKernels(), blend::RevMulKernels(), blend::XorKernels(),
                       blend::MulKernels(), blend::DivKernels()})
        out.insert(out.end(), table.begin(), table.end());
    return out;
}

const KernelEntry& Member(const std::string& name) {
    static const std::vector<KernelEntry> all = ArithKernels();
    for (const auto& e : all)
        if (name == e.name) return e;
    ADD_FAILURE() << "no member " << name;
    return all.front();
}

// A plain member by name, at full opacity or with an opacity.
Draw P(const char* name) { return Plain(std::get<blend::PlainFn>(Member(name).fn)); }
Draw O(const char* name, uint8_t opacity) {
    return Opacity(std::get<blend::PlainOpacityFn>(Member(name).fn), opacity);
}

class ArithTest : public KernelTest {};

// ---------------------------------------------------------------------------
// Worked examples, one table per family

TEST_F(ArithTest, AddWorkedExamples) {
    ExpectCases({
        {"alphas add, colours saturate", P("BlendAddImmediate"), 0x80102030, 0x40F0F0F0, 0xC0FFFFFF},
        {"alpha 1 adds its whole colour", P("BlendAddImmediate"), 0x01102030, 0x40101010, 0x41203040},
        {"C keeps the alpha", P("BlendAddCImmediate"), 0x80102030, 0x40F0F0F0, 0x40FFFFFF},
        {"opacity scales every source byte", O("BlendAddImmediateOpacity", 128), 0x80402010, 0x10101010,
         0x50302018},
        {"Alpha at 255 adds the colour exactly", P("BlendAddAlpha"), 0xFF102030, 0x20101010, 0xFF203040},
        {"Alpha weights the colour, adds the alpha", P("BlendAddAlpha"), 0x80FF0080, 0x10000000, 0x90800040},
        {"Alpha with opacity", O("BlendAddAlphaOpacity", 128), 0x80FF0080, 0x10000000, 0x503F0020},
        {"Merge: A = 256, no division", P("BlendAddMerge"), 0x80FF0000, 0x800000FF, 0xFF800080},
        {"Merge: A = 128, P = 63", P("BlendAddMerge"), 0x40FF0000, 0x400000FF, 0x807D007D},
        {"Merge C keeps the alpha", P("BlendAddCMerge"), 0x40FF0000, 0x400000FF, 0x407D007D},
        {"Merge opacity 1 over alpha 0", O("BlendAddMergeOpacity", 1), 0x80123456, 0x00ABCDEF, 0x00FFFFFF},
        {"Merge opacity 1 renormalises", O("BlendAddMergeOpacity", 1), 0x10000000, 0x64C8C8C8, 0x64C6C6C6},
        {"Merge opacity 1 keeps an opaque pixel", O("BlendAddMergeOpacity", 1), 0x10000000, 0xFFC8C8C8,
         0xFFC8C8C8},
        {"A saturates", P("BlendAddA"), 0x64123456, 0xC8ABCDEF, 0xFFABCDEF},
        {"A with opacity", O("BlendAddAOpacity", 128), 0x64123456, 0x10ABCDEF, 0x42ABCDEF},
    });
}

TEST_F(ArithTest, SubWorkedExamples) {
    ExpectCases({
        {"every byte clamps", P("BlendSubImmediate"), 0x80102030, 0x40F01020, 0x00E00000},
        {"C keeps the alpha", P("BlendSubCImmediate"), 0x80102030, 0x40F01020, 0x40E00000},
        {"full opacity 128 rounds down", O("BlendSubImmediateOpacity", 128), 0xFF010101, 0xFF808080, 0x80808080},
        {"C opacity 128: G rounded up", O("BlendSubCImmediateOpacity", 128), 0xFF010101, 0xFF808080, 0xFF807F80},
        {"Alpha", P("BlendSubAlpha"), 0x80018001, 0xFF808080, 0x7F804080},
        {"Alpha C: G loses 128 x 129 / 256 rounded up", P("BlendSubCAlpha"), 0x80018001, 0xFF808080, 0xFF803F80},
        {"Merge", P("BlendSubMerge"), 0x40FF0000, 0xC0808080, 0x8041BFBF},
        {"Merge: nothing remains", P("BlendSubMerge"), 0x80123456, 0x40ABCDEF, 0x00FFFFFF},
        {"Merge C: nothing remains", P("BlendSubCMerge"), 0x80123456, 0x40ABCDEF, 0x40FFFFFF},
        {"Merge opacity 1 over alpha 0", O("BlendSubMergeOpacity", 1), 0x80123456, 0x00ABCDEF, 0x00FFFFFF},
        {"Merge opacity 1 renormalises", O("BlendSubMergeOpacity", 1), 0x10000000, 0x64C8C8C8, 0x64C6C6C6},
        {"A clamps", P("BlendSubA"), 0x64123456, 0x32ABCDEF, 0x00ABCDEF},
        {"A with opacity", O("BlendSubAOpacity", 128), 0x64123456, 0x80ABCDEF, 0x4EABCDEF},
    });
}

TEST_F(ArithTest, RevMulWorkedExamples) {
    ExpectCases({
        {"opaque black", P("BlendRevMul"), 0xFF000000, 0xFF808080, 0x01808080},
        {"opaque white", P("BlendRevMul"), 0xFFFFFFFF, 0xFF808080, 0x01000000},
        {"half grey", P("BlendRevMul"), 0x80404040, 0xFF808080, 0x80606060},
        {"alpha 1 darkens fully", P("BlendRevMul"), 0x01FFFFFF, 0xFF808080, 0xFF000000},
        {"opacity 128", O("BlendRevMulOpacity", 128), 0x80404040, 0xFF808080, 0xBF707070},
        {"C opacity 128", O("BlendRevMulCOpacity", 128), 0x80404040, 0xFF808080, 0xFF707070},
        {"C", P("BlendRevMulC"), 0xFF404040, 0x80808080, 0x80606060},
        {"A", P("BlendRevMulA"), 0x80000000, 0xFF808080, 0x7F808080},
        {"A opacity 128", O("BlendRevMulAOpacity", 128), 0x80000000, 0xFF808080, 0xBF808080},
        {"A at sA 0", P("BlendRevMulA"), 0x00FFFFFF, 0x9A808080, 0x9A808080},
        {"A at sA 255", P("BlendRevMulA"), 0xFF000000, 0xFFFFFFFF, 0x00FFFFFF},
    });
}

TEST_F(ArithTest, XorWorkedExamples) {
    ExpectCases({
        {"onto transparent", P("BlendXor"), 0xFF112233, 0x00445566, 0xFF112233},
        {"C onto transparent", P("BlendXorC"), 0xFF112233, 0x00445566, 0x00112233},
        {"A onto transparent", P("BlendXorA"), 0x80112233, 0x00445566, 0x80445566},
        {"opaque onto opaque", P("BlendXor"), 0xFF112233, 0xFF445566, 0x00445566},
        {"opaque onto half", P("BlendXor"), 0xFF112233, 0x80445566, 0x7F112233},
        {"S 63, T 64, W 126", P("BlendXor"), 0x80FF0000, 0x800000FF, 0x7F7D0081},
        {"C: S 63, T 64, W 126", P("BlendXorC"), 0x80FF0000, 0x800000FF, 0x807D0081},
        {"A: S + T", P("BlendXorA"), 0x80FF0000, 0x800000FF, 0x7F0000FF},
        {"A: opaque source", P("BlendXorA"), 0xFF000000, 0x40123456, 0xBF123456},
        {"S + T = 0", P("BlendXor"), 0x01FFFFFF, 0x01445566, 0x00445566},
        {"transparent source", P("BlendXorA"), 0x00FFFFFF, 0x40445566, 0x40445566},
    });
}

TEST_F(ArithTest, MulWorkedExamples) {
    ExpectCases({
        {"opaque white keeps all", P("BlendMulImmediate"), 0xFFFFFFFF, 0x9A123456, 0x9A123456},
        {"opaque black: black, alpha kept", P("BlendMulImmediate"), 0xFF000000, 0x9A123456, 0x9A000000},
        {"transparent source clears alpha", P("BlendMulImmediate"), 0x00FFFFFF, 0x9A123456, 0x00123456},
        {"red byte as alpha fraction", P("BlendMulImmediate"), 0xFEFFFFFF, 0x01FF0000, 0x01FF0000},
        {"sA 255 keeps dA", P("BlendMulImmediate"), 0xFF808080, 0xC8FF0000, 0xC8800000},
        {"C: transparent source", P("BlendMulCImmediate"), 0x00000000, 0x9A123456, 0x9A123456},
        {"opacity 128 black on white", O("BlendMulImmediateOpacity", 128), 0xFF000000, 0xFFFFFFFF, 0xFF7F7F7F},
        {"opacity 128 transparent source", O("BlendMulImmediateOpacity", 128), 0x00000000, 0xFF123456,
         0x7F123456},
        {"A: sA 255 keeps", P("BlendMulA"), 0xFF000000, 0x9A123456, 0x9A123456},
        {"A: sA 0 clears", P("BlendMulA"), 0x00FFFFFF, 0x9A123456, 0x00123456},
        {"Alpha: transparent source", P("BlendMulAlpha"), 0x00FFFFFF, 0x9A123456, 0x00123456},
        {"Alpha: opaque black", P("BlendMulAlpha"), 0xFF000000, 0xFF808080, 0xFF000000},
        {"Alpha: half black", P("BlendMulAlpha"), 0x80000000, 0xFF808080, 0x803F3F3F},
        {"Alpha C: transparent", P("BlendMulCAlpha"), 0x00000000, 0xFF808080, 0xFF808080},
        {"Alpha opacity, a = 0", O("BlendMulAlphaOpacity", 1), 0x80000000, 0xFF808080, 0xFF808080},
        {"Alpha opacity 128, a = 0", O("BlendMulAlphaOpacity", 128), 0x01000000, 0xFF808080, 0x80808080},
        {"Merge: transparent destination", P("BlendMulMerge"), 0x80123456, 0x00ABCDEF, 0x80123456},
        {"Merge opacity 128: transparent destination", O("BlendMulMergeOpacity", 128), 0x80123456, 0x00ABCDEF,
         0x40123456},
        {"Merge: white over half black", P("BlendMulMerge"), 0xFFFFFFFF, 0x80000000, 0xFF808080},
        {"Merge: opaque over opaque", P("BlendMulMerge"), 0xFF808080, 0xFF808080, 0xFF404040},
        {"Merge: half over opaque", P("BlendMulMerge"), 0x80000000, 0xFF808080, 0xFF404040},
        {"Merge: transparent source", P("BlendMulMerge"), 0x00000000, 0x80808080, 0x80808080},
        {"Merge C: opaque over opaque", P("BlendMulCMerge"), 0xFF808080, 0x80808080, 0x80606060},
    });
}

TEST_F(ArithTest, DivWorkedExamples) {
    ExpectCases({
        {"opaque white keeps all", P("BlendDivImmediate"), 0xFFFFFFFF, 0x9A123456, 0x9A123456},
        {"source 0 saturates nonzero", P("BlendDivImmediate"), 0xFF000000, 0xFF120056, 0xFFFF00FF},
        {"q(100,200) q(77,255) q(200,100)", P("BlendDivImmediate"), 0xFFC8FF64, 0xFF644DC8, 0xFF7F4DFF},
        {"transparent source clears alpha", P("BlendDivImmediate"), 0x00123456, 0xFF445566, 0x00445566},
        {"transparent source, opacity 128", O("BlendDivImmediateOpacity", 128), 0x00123456, 0xFF445566,
         0x7F445566},
        {"opacity 128: 200 / 100", O("BlendDivImmediateOpacity", 128), 0xFF646464, 0xFFC8C8C8, 0xFFE3E3E3},
        {"C: transparent source", P("BlendDivCImmediate"), 0x00123456, 0xFF445566, 0xFF445566},
        {"C opacity: transparent source", O("BlendDivCImmediateOpacity", 128), 0x00123456, 0xFF445566,
         0xFF445566},
        {"Alpha: a' = 129", P("BlendDivAlpha"), 0x80323232, 0xFF646464, 0xFFB2B2B2},
        {"Alpha: transparent source", P("BlendDivAlpha"), 0x00323232, 0xFF646464, 0x00646464},
        {"Alpha opacity: a = 0", O("BlendDivAlphaOpacity", 128), 0x01323232, 0xFF646464, 0x7F646464},
        {"Alpha C: transparent", P("BlendDivCAlpha"), 0x00323232, 0xFF646464, 0xFF646464},
        {"Merge: v = 129", P("BlendDivMerge"), 0xFF646464, 0x80323232, 0xFF717171},
        {"Merge: transparent source", P("BlendDivMerge"), 0x00646464, 0x80323232, 0x80323232},
        {"Merge: transparent destination", P("BlendDivMerge"), 0x80646464, 0x00323232, 0x80646464},
        {"A", P("BlendDivA"), 0x80000000, 0x40123456, 0x7F123456},
        {"A: transparent source", P("BlendDivA"), 0x00000000, 0x40123456, 0x00123456},
        {"A opacity: transparent source", O("BlendDivAOpacity", 128), 0x00000000, 0xFF123456, 0x7F123456},
        {"identical pixels cleared", P("KeepChangedPixels"), 0x12345678, 0x12345678, 0x00000000},
        {"changed, alpha 0 written as 1", P("KeepChangedPixels"), 0x00123456, 0x00123457, 0x01123456},
        {"changed pixel taken", P("KeepChangedPixels"), 0x80123456, 0xFF123456, 0x80123456},
        {"bytewise wrap, no borrow", P("WrapSubtract"), 0x20103040, 0x10203040, 0xF0100000},
    });
}

TEST_F(ArithTest, WrapSubtractToSourceWritesOnlyTheSource) {
    CSprite source, target;
    Make(source, 3, 2);
    Make(target, 3, 2);
    Fill(source, 0x20103040);
    Fill(target, 0x10203040);
    *source.PixelAt(0, 0) = 0x01010101;
    target.WrapSubtractToSource(1, 0, source, 0, 0, 5, 5);  // clipped to 2 x 2
    EXPECT_EQ(Pixels(target), std::vector<uint32_t>(6, 0x10203040));
    EXPECT_EQ(Pixels(source),
              (std::vector<uint32_t>{0x0F1F2F3F, 0xF0100000, 0x20103040, 0xF0100000, 0xF0100000, 0x20103040}));
}

// A transparent source pixel leaves the destination alone in the members whose
// rules skip it, at full opacity and at every opacity.
TEST_F(ArithTest, TransparentSourceLeavesThePixelInSkippingMembers) {
    std::vector<std::string> skipping;
    for (const auto& e : ArithKernels()) {
        const std::string n = e.name;
        if (e.shape != Shape::Plain && e.shape != Shape::PlainOpacity) continue;
        const bool addSub = n.rfind("BlendAdd", 0) == 0 || n.rfind("BlendSub", 0) == 0;
        const bool mulDiv = n.rfind("BlendMul", 0) == 0 || n.rfind("BlendDiv", 0) == 0;
        const bool revMulXor = n.rfind("BlendRevMul", 0) == 0 || n.rfind("BlendXor", 0) == 0;
        if (e.form == Form::A && !revMulXor) continue;
        if (n == "BlendRevMulA" || n == "BlendRevMulAOpacity") continue;  // every pixel, unchanged by the rule
        if (addSub || revMulXor || (mulDiv && (e.form == Form::C || n.find("Merge") != std::string::npos)))
            skipping.push_back(n);
    }
    EXPECT_EQ(skipping.size(), 12u + 12u + 4u + 3u + 8u + 8u);
    std::mt19937 rng(5);
    for (const auto& n : skipping) {
        for (int trial = 0; trial < 20; ++trial) {
            const uint32_t src = rng() & 0x00FFFFFFu;
            const uint32_t dst = rng();
            const Draw draw = Member(n).shape == Shape::Plain ? P(n.c_str()) : O(n.c_str(), 1 + rng() % 254);
            ASSERT_EQ(OnePixel(src, dst, draw), dst) << n << std::hex << " 0x" << src << " onto 0x" << dst;
        }
    }
}

// ---------------------------------------------------------------------------
// Packed lanes and SIMD rows against the channel-by-channel rules, for every
// pair of bytes in every channel.

uint32_t ByteOf(uint32_t p, int c) { return (p >> (8 * c)) & 0xFF; }

// Sprites in which pixel (x, y) pairs source byte x with destination byte y in
// every channel; the source alpha is x, or `alpha` when given. The width
// leaves a tail after the four-pixel SIMD runs.
void BytePairs(CSprite& source, CSprite& target, int32_t alpha = -1) {
    Make(source, 259, 256);
    Make(target, 259, 256);
    for (int32_t y = 0; y < 256; ++y)
        for (int32_t x = 0; x < 259; ++x) {
            const uint32_t b = static_cast<uint32_t>(x & 0xFF);
            uint32_t s = b * 0x01010101u;
            if (alpha >= 0) s = (s & 0x00FFFFFFu) | (static_cast<uint32_t>(alpha) << 24);
            *source.PixelAt(x, y) = s;
            *target.PixelAt(x, y) = static_cast<uint32_t>(y) * 0x01010101u;
        }
}

using ChannelRule = std::function<uint32_t(uint32_t s, uint32_t d, int channel)>;

// Draws with `draw` and checks every pixel against the per-channel rule;
// pixels with a transparent source must be unchanged when skipsTransparent.
void ExpectChannelRule(const Draw& draw, const ChannelRule& rule, int32_t alpha, const char* what,
                       bool skipsTransparent = true) {
    CSprite source, target;
    BytePairs(source, target, alpha);
    const auto before = Pixels(target);
    draw(target, source);
    const auto after = Pixels(target);
    const auto src = Pixels(source);
    int failures = 0;
    for (size_t i = 0; i < after.size() && failures < 5; ++i) {
        uint32_t expected = 0;
        if (skipsTransparent && (src[i] >> 24) == 0) {
            expected = before[i];
        } else {
            for (int c = 0; c < 4; ++c) expected |= rule(src[i], before[i], c) << (8 * c);
        }
        if (after[i] != expected) {
            ++failures;
            ADD_FAILURE() << what << std::hex << ": source 0x" << src[i] << " destination 0x" << before[i]
                          << " gave 0x" << after[i] << ", expected 0x" << expected;
        }
    }
}

TEST_F(ArithTest, AddAndSubLanesMatchChannelRulesOverAllBytePairs) {
    auto sat = [](uint32_t x) { return std::min<uint32_t>(x, 255); };
    auto clamp = [](int32_t x) { return static_cast<uint32_t>(std::max(x, 0)); };
    auto keepAlpha = [](ChannelRule r) {
        return ChannelRule([r](uint32_t s, uint32_t d, int c) { return c == 3 ? ByteOf(d, 3) : r(s, d, c); });
    };
    for (uint8_t h : {uint8_t{1}, uint8_t{77}, uint8_t{128}, uint8_t{254}}) {
        SCOPED_TRACE(h);
        const ChannelRule addImm = [&](uint32_t s, uint32_t d, int c) { return sat(ByteOf(d, c) + ByteOf(s, c)); };
        const ChannelRule addImmO = [&](uint32_t s, uint32_t d, int c) {
            return sat(ByteOf(d, c) + ((h * ByteOf(s, c)) >> 8));
        };
        const ChannelRule subImm = [&](uint32_t s, uint32_t d, int c) {
            return clamp(int32_t(ByteOf(d, c)) - int32_t(ByteOf(s, c)));
        };
        const ChannelRule subImmO = [&](uint32_t s, uint32_t d, int c) {
            return clamp(int32_t(ByteOf(d, c)) - int32_t((h * ByteOf(s, c)) >> 8));
        };
        // Green of the colour-only Sub forms takes the weighted amount away
        // rounded up.
        auto subC = [&](uint32_t weight) {
            return ChannelRule([=](uint32_t s, uint32_t d, int c) {
                if (c == 3) return ByteOf(d, 3);
                if (c == 1) return clamp(int32_t(ByteOf(d, 1) * 256) - int32_t(ByteOf(s, 1) * weight)) >> 8;
                return clamp(int32_t(ByteOf(d, c)) - int32_t((ByteOf(s, c) * weight) >> 8));
            });
        };
        ExpectChannelRule(P("BlendAddImmediate"), addImm, -1, "AddImmediate");
        ExpectChannelRule(P("BlendAddCImmediate"), keepAlpha(addImm), -1, "AddCImmediate");
        ExpectChannelRule(O("BlendAddImmediateOpacity", h), addImmO, -1, "AddImmediateOpacity");
        ExpectChannelRule(O("BlendAddCImmediateOpacity", h), keepAlpha(addImmO), -1, "AddCImmediateOpacity");
        ExpectChannelRule(P("BlendSubImmediate"), subImm, -1, "SubImmediate");
        ExpectChannelRule(P("BlendSubCImmediate"), keepAlpha(subImm), -1, "SubCImmediate");
        ExpectChannelRule(O("BlendSubImmediateOpacity", h), subImmO, -1, "SubImmediateOpacity");
        ExpectChannelRule(O("BlendSubCImmediateOpacity", h), subC(h), -1, "SubCImmediateOpacity");

        // Alpha method: one source alpha per pass, the colour pairs exhaustive.
        const uint32_t sA = h;
        const uint32_t w = sA + (sA >> 7);
        const uint32_t v = (h * w) >> 8;
        const ChannelRule addAlpha = [&](uint32_t s, uint32_t d, int c) {
            return c == 3 ? sat(ByteOf(d, 3) + sA) : sat(ByteOf(d, c) + ((ByteOf(s, c) * w) >> 8));
        };
        const ChannelRule addAlphaO = [&](uint32_t s, uint32_t d, int c) {
            return c == 3 ? sat(ByteOf(d, 3) + ((sA * h) >> 8)) : sat(ByteOf(d, c) + ((ByteOf(s, c) * v) >> 8));
        };
        const ChannelRule subAlpha = [&](uint32_t s, uint32_t d, int c) {
            return c == 3 ? clamp(int32_t(ByteOf(d, 3)) - int32_t(sA))
                          : clamp(int32_t(ByteOf(d, c)) - int32_t((ByteOf(s, c) * w) >> 8));
        };
        ExpectChannelRule(P("BlendAddAlpha"), addAlpha, int32_t(sA), "AddAlpha");
        ExpectChannelRule(P("BlendAddCAlpha"), keepAlpha(addAlpha), int32_t(sA), "AddCAlpha");
        ExpectChannelRule(O("BlendAddAlphaOpacity", h), addAlphaO, int32_t(sA), "AddAlphaOpacity");
        ExpectChannelRule(P("BlendSubAlpha"), subAlpha, int32_t(sA), "SubAlpha");
        ExpectChannelRule(P("BlendSubCAlpha"), subC(w), int32_t(sA), "SubCAlpha");
        ExpectChannelRule(O("BlendSubCAlphaOpacity", h), subC(v), int32_t(sA), "SubCAlphaOpacity");
    }
}

TEST_F(ArithTest, MulImmediateRowsMatchChannelRulesOverAllBytePairs) {
    // Colour (d x (s + 1)) >> 8, kept under a transparent source; alpha
    // ((sA + 1) x (dA x 256 + dR)) >> 16. Byte pairs with the source alpha x,
    // then every destination alpha and red under each source alpha.
    const ChannelRule full = [](uint32_t s, uint32_t d, int c) {
        const uint32_t sA = s >> 24;
        if (c == 3) return ((sA + 1) * (ByteOf(d, 3) * 256 + ByteOf(d, 2))) >> 16;
        return sA == 0 ? ByteOf(d, c) : (ByteOf(d, c) * (ByteOf(s, c) + 1)) >> 8;
    };
    const ChannelRule colourOnly = [&](uint32_t s, uint32_t d, int c) { return c == 3 ? ByteOf(d, 3) : full(s, d, c); };
    ExpectChannelRule(P("BlendMulImmediate"), full, -1, "MulImmediate", false);
    ExpectChannelRule(P("BlendMulCImmediate"), colourOnly, -1, "MulCImmediate");
    CSprite source, target, expected;
    Make(source, 256, 256);
    Make(target, 256, 256);
    for (int32_t y = 0; y < 256; ++y)
        for (int32_t x = 0; x < 256; ++x) {
            *source.PixelAt(x, y) = static_cast<uint32_t>(y) << 24 | 0x00FFFFFF;
            *target.PixelAt(x, y) = static_cast<uint32_t>(x) << 24 | static_cast<uint32_t>(255 - x) << 16 | 0x1234;
        }
    CopyState(target, expected);
    for (int32_t y = 0; y < 256; ++y)
        for (int32_t x = 0; x < 256; ++x) {
            uint32_t& p = *expected.PixelAt(x, y);
            const uint32_t s = *source.PixelAt(x, y);
            uint32_t out = 0;
            for (int c = 0; c < 4; ++c) out |= full(s, p, c) << (8 * c);
            p = out;
        }
    target.BlendMulImmediate(0, 0, source, 0, 0, 256, 256);
    EXPECT_EQ(Pixels(target), Pixels(expected));
}

// pixman's ADD is the saturating byte sum of premultiplied pixels: on any
// pixel with a source alpha above 0 it must agree with Add Immediate, which
// adds the bytes as they are.
TEST_F(ArithTest, AddImmediateEqualsPixmanAdd) {
    std::mt19937 rng(3);
    CSprite source, target;
    Make(source, 203, 61);
    Make(target, 203, 61);
    for (int32_t y = 0; y < 61; ++y)
        for (int32_t x = 0; x < 203; ++x) {
            *source.PixelAt(x, y) = rng() | 0x01000000u;
            *target.PixelAt(x, y) = rng();
        }
    std::vector<uint32_t> reference = Pixels(target);
    pixman_image_t* pixSource =
        pixman_image_create_bits(PIXMAN_a8r8g8b8, 203, 61, source.GetPixels(), source.GetStride() * 4);
    pixman_image_t* pixTarget = pixman_image_create_bits(PIXMAN_a8r8g8b8, 203, 61, reference.data(), 203 * 4);
    pixman_image_composite32(PIXMAN_OP_ADD, pixSource, nullptr, pixTarget, 0, 0, 0, 0, 0, 0, 203, 61);
    pixman_image_unref(pixSource);
    pixman_image_unref(pixTarget);
    target.BlendAddImmediate(0, 0, source, 0, 0, 203, 61);
    EXPECT_EQ(Pixels(target), reference);
}

// The Merge rules of Add and Sub written with plain divisions: the table
// multiplications must give the same quotients on random pixels.
TEST_F(ArithTest, MergeDivisionsMatchPlainDivision) {
    std::mt19937 rng(11);
    for (int trial = 0; trial < 20000; ++trial) {
        const uint32_t s = RandomPixel(rng), d = RandomPixel(rng);
        const uint32_t sA = s >> 24, dA = d >> 24;
        if (sA == 0) continue;
        const uint32_t w = sA + (sA >> 7), u = dA + (dA >> 7);
        // Add Merge.
        uint32_t add = 0;
        const uint32_t sum = sA + dA;
        for (int c = 0; c < 3; ++c) {
            const uint32_t sc = ByteOf(s, c), dc = ByteOf(d, c);
            const uint32_t p = c == 1 ? (sc * w + dc * u) >> 8 : ((sc * w) >> 8) + ((dc * u) >> 8);
            const uint32_t ch = sum >= 255 ? std::min<uint32_t>(p, 255) : p >= sum ? 255 : 255 * p / sum;
            add |= ch << (8 * c);
        }
        add |= std::min<uint32_t>(sum, 255) << 24;
        ASSERT_EQ(OnePixel(s, d, P("BlendAddMerge")), add) << std::hex << s << " " << d;
        // Sub Merge.
        uint32_t sub = 0x00FFFFFF;
        if (sA < dA) {
            const int32_t rest = int32_t(dA - sA);
            sub = uint32_t(rest) << 24;
            for (int c = 0; c < 3; ++c) {
                const int32_t sc = int32_t(ByteOf(s, c) * w), dc = int32_t(ByteOf(d, c) * u);
                const int32_t p = c == 1 ? (dc - sc) >> 8 : (dc >> 8) - (sc >> 8);
                const uint32_t ch = p < 0 ? 0 : p >= rest ? 255 : uint32_t(255 * p / rest);
                sub |= ch << (8 * c);
            }
        }
        ASSERT_EQ(OnePixel(s, d, P("BlendSubMerge")), sub) << std::hex << s << " " << d;
    }
}

// The stretched opacity member of Mul Alpha keeps its own alpha rule
// (257 x dA where the others use 257 x dA + 1); its colour is its plain twin's.
TEST_F(ArithTest, MulAlphaStretchedOpacityAlphaRule) {
    CSprite source, one, two;
    Make(source, 1, 1);
    Make(one, 1, 1);
    Make(two, 1, 1);
    *source.PixelAt(0, 0) = 0x80FFFFFF;
    *one.PixelAt(0, 0) = 0xFF000000;
    *two.PixelAt(0, 0) = 0xFF000000;
    one.BlendMulAlphaOpacity(0, 0, source, 0, 0, 1, 1, 128);
    two.BlendMulAlphaStretchedOpacity(0, 0, 1, 1, source, 0, 0, 1, 1, 128);
    EXPECT_EQ(*one.PixelAt(0, 0), 0xC0000000u);  // ((16384 + 32768) x 65536) >> 24 = 192
    EXPECT_EQ(*two.PixelAt(0, 0), 0xBF000000u);  // ((16384 + 32768) x 65535) >> 24 = 191
    *source.PixelAt(0, 0) = 0x01FFFFFF;         // a = 0
    *two.PixelAt(0, 0) = 0xFF000000;
    two.BlendMulAlphaStretchedOpacity(0, 0, 1, 1, source, 0, 0, 1, 1, 128);
    EXPECT_EQ(*two.PixelAt(0, 0), 0x7F000000u);  // (32768 x 65535) >> 24
}

// ---------------------------------------------------------------------------
// Shape duties of every member

// The clipping, form, opacity-endpoint and twin duties of these members are
// checked with every other family's in KernelTableTest.cpp.
class ArithTableTest : public ArithTest {
protected:
    std::mt19937 rng{20261210};
};

TEST_F(ArithTableTest, TablesListEveryMemberOnceWithItsTwins) {
    std::set<std::string> names;
    for (const auto& e : ArithKernels()) EXPECT_TRUE(names.insert(e.name).second) << e.name;
    EXPECT_EQ(blend::AddKernels().size(), 28u);
    EXPECT_EQ(blend::SubKernels().size(), 28u);
    EXPECT_EQ(blend::RevMulKernels().size(), 15u);
    EXPECT_EQ(blend::XorKernels().size(), 3u);
    EXPECT_EQ(blend::MulKernels().size(), 31u);
    EXPECT_EQ(blend::DivKernels().size(), 30u);  // and the two frame differences
    for (const auto& e : ArithKernels()) {
        SCOPED_TRACE(e.name);
        for (const char* twin : {e.plainTwin, e.fullTwin}) {
            if (!twin) continue;
            EXPECT_TRUE(names.count(twin)) << twin;
            EXPECT_EQ(Member(twin).form, e.form);
        }
        const bool opacity = e.shape == Shape::PlainOpacity || e.shape == Shape::StretchedOpacity;
        EXPECT_EQ(e.fullTwin != nullptr, opacity);
        const bool exempt = std::string(e.name) == "BlendMulAlphaStretchedOpacity";
        if (!exempt) {
            EXPECT_EQ(e.plainTwin != nullptr, IsStretched(e.shape) || e.shape == Shape::FromIndexed);
        }
    }
}

// A source and destination that are the same sprite, rectangles apart.
TEST_F(ArithTableTest, SameSpriteWithSeparateRectangles) {
    for (const char* name : {"BlendAddImmediate", "BlendMulMerge", "BlendDivAlpha", "BlendXor"}) {
        CSprite sprite, copy, expected;
        Make(sprite, 20, 8);
        FillRandom(sprite, rng);
        CopyState(sprite, copy);
        CopyState(sprite, expected);
        (sprite.*std::get<blend::PlainFn>(Member(name).fn))(10, 0, sprite, 0, 0, 10, 8);
        (expected.*std::get<blend::PlainFn>(Member(name).fn))(10, 0, copy, 0, 0, 10, 8);
        EXPECT_EQ(Pixels(sprite), Pixels(expected)) << name;
    }
}

}  // namespace
