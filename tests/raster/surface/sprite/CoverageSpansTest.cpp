#include "raster/surface/sprite/CoverageSpans.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "raster/surface/sprite/RasterLibrary.h"
#include "raster/surface/sprite/Sprite.h"
#include "tests/raster/RasterTestSupport.h"

namespace {

using CoverageSpansTest = raster_test::ReadyLibraryTest;

uint32_t Expand(uint32_t v) { return v + (v >> 7); }
uint32_t Channel(uint32_t p, int shift) { return (p >> shift) & 0xFF; }

// ---------------------------------------------------------------------------
// The pixel rules of the diagram fills, written out channel by channel from
// their definitions (not through PixelRules.h): what every path of Run must
// give for one pixel d at coverage c.

// Source-over: a = 256 stores; otherwise Q = a + ((256 - a) x dA >> 8),
// I = a x ReciprocalTable[Q] >> 15, channels (s x I + d x (256 - I)) >> 8.
uint32_t PlainModel(uint32_t d, uint32_t colour, uint32_t opacity, uint32_t c) {
    const uint32_t a = (c * Expand(opacity)) >> 8;
    if (a == 0) return d;
    if (a == 256) return (colour & 0xFFFFFFu) | 0xFF000000u;
    const uint32_t q = a + (((256 - a) * (d >> 24)) >> 8);
    const uint32_t i = (a * ReciprocalTable[q]) >> 15;
    uint32_t out = q << 24;
    for (int shift = 0; shift < 24; shift += 8)
        out |= ((Channel(colour, shift) * i + Channel(d, shift) * (256 - i)) >> 8) << shift;
    return out;
}

// Colour only: channels (d x (256 - a) + s x a) >> 8, alpha kept.
uint32_t ColourOnlyModel(uint32_t d, uint32_t colour, uint32_t opacity, uint32_t c) {
    const uint32_t a = (c * Expand(opacity)) >> 8;
    if (a == 0) return d;
    uint32_t out = d & 0xFF000000u;
    for (int shift = 0; shift < 24; shift += 8)
        out |= ((Channel(d, shift) * (256 - a) + Channel(colour, shift) * a) >> 8) << shift;
    return out;
}

// Alpha: a = 256 gives 255, otherwise a + ((A x (256 - a)) >> 8); colour kept.
uint32_t AlphaModel(uint32_t d, uint32_t opacity, uint32_t c) {
    const uint32_t a = (c * Expand(opacity)) >> 8;
    if (a == 0) return d;
    const uint32_t alpha = a == 256 ? 255 : a + (((d >> 24) * (256 - a)) >> 8);
    return (d & 0xFFFFFFu) | (alpha << 24);
}

// Mask: a = 0 unchanged, a = 256 gives 255, otherwise a; colour kept.
uint32_t MaskModel(uint32_t d, uint32_t value, uint32_t c) {
    const uint32_t a = (c * Expand(value)) >> 8;
    if (a == 0) return d;
    return (d & 0xFFFFFFu) | (std::min(a, 255u) << 24);
}

// ---------------------------------------------------------------------------
// A destination row that sends every path of the vector loops its share:
// blocks of eight opaque, transparent and one-alpha pixels (the same alpha
// twice, then another and back, so the mixer of one alpha is kept and
// replaced), mixed pixels that hold every alpha 0..255 (each with colour bytes
// at both ends), then short blocks and an odd tail. Colours differ per channel
// so that a carry would show.
std::vector<uint32_t> TestRow() {
    std::vector<uint32_t> row;
    std::mt19937 rng(61);
    auto block = [&](int count, uint32_t alpha) {
        for (int k = 0; k < count; ++k) row.push_back((alpha << 24) | (static_cast<uint32_t>(rng()) & 0xFFFFFFu));
    };
    for (uint32_t alpha : {255u, 0u, 128u, 128u, 65u, 128u, 1u, 254u}) block(8, alpha);
    for (uint32_t a = 0; a < 256; ++a) {
        const uint32_t c = (a % 3 == 0) ? 0xFFFFFFu : (a % 3 == 1) ? 0x000000u : static_cast<uint32_t>(rng()) & 0xFFFFFFu;
        row.push_back((((a * 97) & 0xFF) << 24) | c);  // every alpha once, scattered over the groups
    }
    for (uint32_t alpha : {255u, 0u, 128u}) block(4, alpha);
    row.push_back(0xFF000000u);
    row.push_back(0x00FFFFFFu);
    row.push_back(0x80808080u);  // 335 pixels
    return row;
}

// The runs each check hands to an operation: the whole row from each of the
// first eight positions (every alignment of the blocks to the groups, every
// tail length) and short runs of 1 to 7 pixels inside the blocks.
struct Run {
    int32_t start, n;
};
std::vector<Run> TestRuns(int32_t size) {
    std::vector<Run> runs;
    for (int32_t start = 0; start < 8; ++start) runs.push_back({start, size - start});
    for (int32_t n = 1; n <= 7; ++n)
        for (int32_t start : {0, 8, 16, 24, 34, 60, size - 15, size - 11, size - 7}) runs.push_back({start, n});
    return runs;
}

// Runs op over each run of a fresh copy of the row at coverage c and compares
// every pixel with model(pixel).
template <class Op, class Model>
void ExpectRunsFollowModel(const Op& op, uint32_t c, Model model, const std::string& what) {
    static const std::vector<uint32_t> row = TestRow();
    static const std::vector<Run> runs = TestRuns(static_cast<int32_t>(row.size()));
    std::vector<uint32_t> modelled(row.size());
    std::transform(row.begin(), row.end(), modelled.begin(), model);
    std::vector<uint32_t> d, expected;
    for (const Run& r : runs) {
        d = row;
        op.Run(d.data() + r.start, r.n, c);
        expected = row;
        std::copy(modelled.begin() + r.start, modelled.begin() + r.start + r.n, expected.begin() + r.start);
        if (d == expected) continue;
        const auto i = std::mismatch(d.begin(), d.end(), expected.begin()).first - d.begin();
        FAIL() << what << " c " << c << " run " << r.start << "+" << r.n << " pixel " << i << std::hex << ": before "
               << row[i] << " got " << d[i] << " expected " << expected[i];
    }
}

// Opacities and values with the turning points of the weight (127/128, 254/255)
// and a scatter between.
const uint32_t kOpacities[] = {1, 3, 64, 100, 127, 128, 129, 192, 200, 253, 254, 255};

TEST_F(CoverageSpansTest, EveryCoverageAndOpacityFollowsThePixelRules) {
    for (uint32_t o : kOpacities) {
        for (uint32_t c = 1; c <= 256; ++c) {
            const std::string tag = "opacity " + std::to_string(o);
            for (uint32_t colour : {0x00C86432u, 0x7FFF00FFu}) {
                ExpectRunsFollowModel(coverage::ColourOverSpan(colour, static_cast<uint8_t>(o)), c,
                                      [&](uint32_t d) { return PlainModel(d, colour, o, c); }, "over, " + tag);
                ExpectRunsFollowModel(coverage::ColourOnlySpan(colour, static_cast<uint8_t>(o)), c,
                                      [&](uint32_t d) { return ColourOnlyModel(d, colour, o, c); }, "colour, " + tag);
            }
            ExpectRunsFollowModel(coverage::AlphaUnionSpan(static_cast<uint8_t>(o)), c,
                                  [&](uint32_t d) { return AlphaModel(d, o, c); }, "alpha, " + tag);
            ExpectRunsFollowModel(coverage::MaskValueSpan(static_cast<uint8_t>(o)), c,
                                  [&](uint32_t d) { return MaskModel(d, o, c); }, "mask, " + tag);
            if (HasFatalFailure()) return;
        }
    }
}

TEST_F(CoverageSpansTest, WholePixelAndPixelValueSpansWriteTheirValue) {
    for (uint32_t v = 1; v < 256; ++v) {
        ExpectRunsFollowModel(coverage::MaskValueSpan::Whole(static_cast<uint8_t>(v)), 256,
                              [&](uint32_t d) { return (d & 0xFFFFFFu) | (v << 24); }, "whole " + std::to_string(v));
    }
    for (uint32_t value : {0u, 0xFFFFFFFFu, 0x5A5A5A5Au, 0x80FF0010u}) {
        for (uint32_t c : {1u, 128u, 256u}) {
            ExpectRunsFollowModel(coverage::PixelValueSpan(value, 1), c, [&](uint32_t) { return value; }, "value");
        }
    }
}

// Value or opacity 0 draws nothing, as does a run of no pixels; a coverage
// whose weight comes out 0 leaves the pixels too.
TEST_F(CoverageSpansTest, NothingToDraw) {
    EXPECT_TRUE(coverage::ColourOverSpan(0xFFFFFF, 0).DrawsNothing());
    EXPECT_TRUE(coverage::ColourOnlySpan(0xFFFFFF, 0).DrawsNothing());
    EXPECT_TRUE(coverage::AlphaUnionSpan(0).DrawsNothing());
    EXPECT_TRUE(coverage::MaskValueSpan(0).DrawsNothing());
    EXPECT_TRUE(coverage::MaskValueSpan::Whole(0).DrawsNothing());
    EXPECT_TRUE(coverage::PixelValueSpan(0x12345678u, 0).DrawsNothing());
    EXPECT_FALSE(coverage::ColourOverSpan(0, 1).DrawsNothing());
    EXPECT_FALSE(coverage::MaskValueSpan(1).DrawsNothing());
    EXPECT_FALSE(coverage::PixelValueSpan(0, 0x80).DrawsNothing());

    const std::vector<uint32_t> row = TestRow();
    std::vector<uint32_t> d = row;
    coverage::ColourOverSpan(0xFFFFFF, 255).Run(d.data(), 0, 256);
    coverage::PixelValueSpan(0, 1).Run(d.data(), 0, 256);
    coverage::ColourOverSpan(0xFFFFFF, 1).Run(d.data(), static_cast<int32_t>(d.size()), 255);  // (255 x 1) >> 8 = 0
    coverage::MaskValueSpan(1).Run(d.data(), static_cast<int32_t>(d.size()), 255);
    coverage::AlphaUnionSpan(127).Run(d.data(), static_cast<int32_t>(d.size()), 2);  // (2 x 127) >> 8 = 0
    EXPECT_EQ(d, row);
}

// The worked values the fills are known by, one pixel each.
TEST_F(CoverageSpansTest, WorkedValues) {
    struct Case {
        const char* name;
        std::function<void(uint32_t*)> draw;
        uint32_t before, after;
    };
    using namespace coverage;
    const Case cases[] = {
        // Source-over.
        {"a = 128 over transparent: alpha 128, exactly the colour",
         [](uint32_t* d) { ColourOverSpan(0xC86432, 255).Run(d, 1, 128); }, 0x00123456u, 0x80C86432u},
        {"a = 128 over opaque: alpha 255, a half mix",
         [](uint32_t* d) { ColourOverSpan(0xC86432, 255).Run(d, 1, 128); }, 0xFF0032FAu, 0xFF644B96u},
        {"opacity 255, full coverage: colour | 0xFF000000 whatever was there",
         [](uint32_t* d) { ColourOverSpan(0x7FC86432, 255).Run(d, 1, 256); }, 0x80123456u, 0xFFC86432u},
        {"opacity 128 weighs as 129", [](uint32_t* d) { ColourOverSpan(0xFFFFFF, 128).Run(d, 1, 256); },
         0xFF000000u, 0xFF808080u},
        {"opacity 127 weighs as 127", [](uint32_t* d) { ColourOverSpan(0xFFFFFF, 127).Run(d, 1, 256); },
         0xFF000000u, 0xFF7E7E7Eu},
        {"opacity 128 over transparent: alpha 129",
         [](uint32_t* d) { ColourOverSpan(0xC86432, 128).Run(d, 1, 256); }, 0x00000000u, 0x81C86432u},
        // Mask.
        {"mask 200, full coverage: 201", [](uint32_t* d) { MaskValueSpan(200).Run(d, 1, 256); }, 0x00123456u,
         0xC9123456u},
        {"mask 200, whole pixel: 200", [](uint32_t* d) { MaskValueSpan::Whole(200).Run(d, 1, 256); }, 0xFF123456u,
         0xC8123456u},
        {"mask 200, coverage 128: 100", [](uint32_t* d) { MaskValueSpan(200).Run(d, 1, 128); }, 0xFF123456u,
         0x64123456u},
        {"mask 255, coverage 1: 1", [](uint32_t* d) { MaskValueSpan(255).Run(d, 1, 1); }, 0xFF123456u, 0x01123456u},
        {"mask 255, coverage 255: 255", [](uint32_t* d) { MaskValueSpan(255).Run(d, 1, 255); }, 0x00123456u,
         0xFF123456u},
        {"mask 1, coverage 256: 1", [](uint32_t* d) { MaskValueSpan(1).Run(d, 1, 256); }, 0xFF123456u, 0x01123456u},
        {"mask 1, coverage 255: unchanged", [](uint32_t* d) { MaskValueSpan(1).Run(d, 1, 255); }, 0xFF123456u,
         0xFF123456u},
        // Alpha.
        {"alpha 128 on 0: 129", [](uint32_t* d) { AlphaUnionSpan(128).Run(d, 1, 256); }, 0x00123456u, 0x81123456u},
        {"alpha 128 twice on 0: 129, then 192",
         [](uint32_t* d) {
             AlphaUnionSpan(128).Run(d, 1, 256);
             AlphaUnionSpan(128).Run(d, 1, 256);
         },
         0x00123456u, 0xC0123456u},
        {"alpha 128 on 100: 178", [](uint32_t* d) { AlphaUnionSpan(128).Run(d, 1, 256); }, 0x64123456u, 0xB2123456u},
        {"alpha 128 on 255 stays", [](uint32_t* d) { AlphaUnionSpan(128).Run(d, 1, 256); }, 0xFF123456u,
         0xFF123456u},
        {"alpha 255, coverage 128, on 128: 192", [](uint32_t* d) { AlphaUnionSpan(255).Run(d, 1, 128); },
         0x80123456u, 0xC0123456u},
        // Colour only.
        {"colour only 200 toward 0 at coverage 1: 199", [](uint32_t* d) { ColourOnlySpan(0x000000, 255).Run(d, 1, 1); },
         0x00C8C8C8u, 0x00C7C7C7u},
        {"colour only, full: the colour, alpha 0 kept",
         [](uint32_t* d) { ColourOnlySpan(0xFFFF0000, 255).Run(d, 1, 256); }, 0x00123456u, 0x00FF0000u},
        {"colour only, the colour's alpha byte ignored",
         [](uint32_t* d) { ColourOnlySpan(0x00FF0000, 255).Run(d, 1, 256); }, 0x7F123456u, 0x7FFF0000u},
    };
    for (const Case& k : cases) {
        uint32_t px[5] = {0xDEADBEEFu, k.before, 0xDEADBEEFu};
        k.draw(px + 1);
        EXPECT_EQ(px[1], k.after) << k.name << std::hex << ": got " << px[1];
        EXPECT_EQ(px[0], 0xDEADBEEFu) << k.name;
        EXPECT_EQ(px[2], 0xDEADBEEFu) << k.name;
    }
}

// ---------------------------------------------------------------------------
// Twins: each operation at a weight a is a raster member the system already
// has, applied to a whole sprite. With a = (c x v') >> 8:
//   ColourOverSpan  DrawAlpha of a solid source of the colour with alpha
//                   min(a, 255); FillRectOpacity at opacity a (a < 256) and
//                   FillRect of colour | 0xFF000000 (a = 256); DrawAlphaOpacity
//                   of the solid opaque source at opacity a + 1 (a < 254; 255
//                   is its full form), which weighs (255 x (a + 1)) >> 8 = a;
//   ColourOnlySpan  FillRectC (a = 256), FillRectCOpacity and DrawAlphaC of a
//                   solid source with alpha a (a < 255: both write the colour
//                   itself at 255, where the span still mixes at 255/256);
//   AlphaUnionSpan  AddAlpha of a solid source with alpha min(a, 255), and
//                   AddAlphaFromOpacity of a solid opaque source at opacity
//                   min(a, 255) (an opaque source pixel counts 256);
//   MaskValueSpan   FillRectA with min(a, 255); Whole(v): FillRectA with v;
//   PixelValueSpan  FillRect with the value.
// The twins are compared on sprites of random, opaque, transparent and mixed
// rows, the span run over each row.

class SpanTwins : public CoverageSpansTest {
protected:
    static constexpr int32_t kW = 37, kH = 6;
    CSprite base;

    void SetUp() override {
        CoverageSpansTest::SetUp();
        std::mt19937 rng(7);
        base = raster_test::Painted(kW, kH, [&](int32_t x, int32_t y) -> uint32_t {
            const uint32_t colour = static_cast<uint32_t>(rng()) & 0xFFFFFFu;
            switch (y) {
                case 0: return colour | 0xFF000000u;
                case 1: return colour;
                case 2: return ((x / 4) % 2 == 0 ? 0xFF000000u : 0u) | colour;
                default: return raster_test::RandomPixel(rng);
            }
        });
    }

    // base with op run over every row at coverage c.
    template <class Op>
    std::vector<uint32_t> BySpan(const Op& op, uint32_t c) {
        CSprite s;
        raster_test::CopyPixels(base, s);
        if (!op.DrawsNothing())
            for (int32_t y = 0; y < kH; ++y) op.Run(s.PixelAt(0, y), kW, c);
        return raster_test::Pixels(s);
    }

    // base after member(sprite).
    std::vector<uint32_t> ByMember(const std::function<void(CSprite&)>& member) {
        CSprite s;
        raster_test::CopyPixels(base, s);
        member(s);
        return raster_test::Pixels(s);
    }

    static CSprite Solid(uint32_t value) { return raster_test::Filled(kW, kH, value); }
};

const uint32_t kTwinCoverages[] = {1, 2, 100, 128, 200, 255, 256};

TEST_F(SpanTwins, ColourOverSpanIsTheAlphaDrawOfASolidSource) {
    const uint32_t colour = 0x3A9CE1u;
    for (uint32_t o = 1; o < 256; ++o) {
        for (uint32_t c : kTwinCoverages) {
            const uint32_t a = (c * Expand(o)) >> 8;
            if (a == 0) continue;
            const std::vector<uint32_t> span = BySpan(coverage::ColourOverSpan(colour, static_cast<uint8_t>(o)), c);
            const std::string tag = "opacity " + std::to_string(o) + " coverage " + std::to_string(c);
            const CSprite source = Solid(colour | (std::min(a, 255u) << 24));
            ASSERT_EQ(span, ByMember([&](CSprite& s) { s.DrawAlpha(0, 0, source, 0, 0, kW, kH); })) << tag;
            if (a == 256) {
                ASSERT_EQ(span, ByMember([&](CSprite& s) { s.FillRect(0, 0, kW, kH, colour | 0xFF000000u); })) << tag;
            } else {
                ASSERT_EQ(span, ByMember([&](CSprite& s) {
                              s.FillRectOpacity(0, 0, kW, kH, colour, static_cast<uint8_t>(a));
                          }))
                    << tag;
            }
            if (a < 254) {
                const CSprite opaque = Solid(colour | 0xFF000000u);
                ASSERT_EQ(span, ByMember([&](CSprite& s) {
                              s.DrawAlphaOpacity(0, 0, opaque, 0, 0, kW, kH, static_cast<uint8_t>(a + 1));
                          }))
                    << tag;
            }
        }
    }
}

TEST_F(SpanTwins, ColourOnlySpanIsTheColourFill) {
    const uint32_t colour = 0xE1179Cu;
    for (uint32_t o = 1; o < 256; ++o) {
        for (uint32_t c : kTwinCoverages) {
            const uint32_t a = (c * Expand(o)) >> 8;
            if (a == 0 || a == 255) continue;
            const std::vector<uint32_t> span = BySpan(coverage::ColourOnlySpan(colour, static_cast<uint8_t>(o)), c);
            const std::string tag = "opacity " + std::to_string(o) + " coverage " + std::to_string(c);
            if (a == 256) {
                ASSERT_EQ(span, ByMember([&](CSprite& s) { s.FillRectC(0, 0, kW, kH, colour); })) << tag;
                continue;
            }
            ASSERT_EQ(span, ByMember([&](CSprite& s) {
                          s.FillRectCOpacity(0, 0, kW, kH, colour, static_cast<uint8_t>(a));
                      }))
                << tag;
            const CSprite source = Solid(colour | (a << 24));
            ASSERT_EQ(span, ByMember([&](CSprite& s) { s.DrawAlphaC(0, 0, source, 0, 0, kW, kH); })) << tag;
        }
    }
}

TEST_F(SpanTwins, AlphaUnionSpanIsTheAlphaAccumulationOfASolidSource) {
    const CSprite opaque = Solid(0xFF000000u);
    for (uint32_t o = 1; o < 256; ++o) {
        for (uint32_t c : kTwinCoverages) {
            const uint32_t a = (c * Expand(o)) >> 8;
            if (a == 0) continue;
            const std::vector<uint32_t> span = BySpan(coverage::AlphaUnionSpan(static_cast<uint8_t>(o)), c);
            const std::string tag = "opacity " + std::to_string(o) + " coverage " + std::to_string(c);
            const uint32_t a8 = std::min(a, 255u);
            const CSprite source = Solid(0x00FFFFFFu | (a8 << 24));
            ASSERT_EQ(span, ByMember([&](CSprite& s) { s.AddAlpha(0, 0, source, 0, 0, kW, kH); })) << tag;
            ASSERT_EQ(span, ByMember([&](CSprite& s) {
                          s.AddAlphaFromOpacity(0, 0, opaque, 0, 0, kW, kH, static_cast<uint8_t>(a8));
                      }))
                << tag;
        }
    }
}

TEST_F(SpanTwins, MaskAndPixelValueSpansAreTheRectangleFills) {
    for (uint32_t v = 1; v < 256; ++v) {
        for (uint32_t c : kTwinCoverages) {
            const uint32_t a = (c * Expand(v)) >> 8;
            if (a == 0) continue;
            ASSERT_EQ(BySpan(coverage::MaskValueSpan(static_cast<uint8_t>(v)), c),
                      ByMember([&](CSprite& s) { s.FillRectA(0, 0, kW, kH, std::min(a, 255u)); }))
                << "value " << v << " coverage " << c;
        }
        ASSERT_EQ(BySpan(coverage::MaskValueSpan::Whole(static_cast<uint8_t>(v)), 256),
                  ByMember([&](CSprite& s) { s.FillRectA(0, 0, kW, kH, v); }))
            << "whole " << v;
    }
    for (uint32_t value : {0u, 0xFFFFFFFFu, 0x12345678u}) {
        ASSERT_EQ(BySpan(coverage::PixelValueSpan(value, 0xFF), 256),
                  ByMember([&](CSprite& s) { s.FillRect(0, 0, kW, kH, value); }));
    }
}

}  // namespace
