// Which diagram fill each shape builder reaches, with which arguments, and when
// it reaches none: the builder's pixels against the fill member called directly
// on the same outline, over random pixels.
#include <gtest/gtest.h>

#include <functional>
#include <numbers>
#include <random>
#include <vector>

#include "raster/surface/shape/DiagramInfo.h"
#include "raster/surface/sprite/RasterLibrary.h"
#include "raster/surface/sprite/Sprite.h"
#include "tests/raster/RasterTestSupport.h"
#include "tests/raster/surface/shape/OutlineTestSupport.h"

namespace {

constexpr double kPi = std::numbers::pi;

enum class Kind { Mask, Fill, Alpha, ColourOnly };

constexpr uint8_t kMaskValue = 0x91;
constexpr uint32_t kColour = 0x80102030;
constexpr uint8_t kOpacity = 0xA2;
constexpr uint8_t kAlphaOpacity = 0x73;

// The fill member of a target and level, called directly.
bool Direct(CSprite& s, Kind kind, int32_t level, int32_t x, int32_t y, int32_t w, int32_t h, DiagramInfo& r) {
    using Mask = bool (CSprite::*)(int32_t, int32_t, int32_t, int32_t, DiagramInfo&, uint8_t);
    using Colour = bool (CSprite::*)(int32_t, int32_t, int32_t, int32_t, DiagramInfo&, uint32_t, uint8_t);
    static const std::vector<std::pair<int32_t, std::tuple<Mask, Colour, Mask, Colour>>> members = {
        {0, {&CSprite::FillDiagramMaskAa0, &CSprite::FillDiagramAa0, &CSprite::FillDiagramAlphaAa0,
             &CSprite::FillDiagramColorAa0}},
        {1, {&CSprite::FillDiagramMaskAa1, &CSprite::FillDiagramAa1, &CSprite::FillDiagramAlphaAa1,
             &CSprite::FillDiagramColorAa1}},
        {2, {&CSprite::FillDiagramMaskAa2, &CSprite::FillDiagramAa2, &CSprite::FillDiagramAlphaAa2,
             &CSprite::FillDiagramColorAa2}},
        {4, {&CSprite::FillDiagramMaskAa4, &CSprite::FillDiagramAa4, &CSprite::FillDiagramAlphaAa4,
             &CSprite::FillDiagramColorAa4}},
        {8, {&CSprite::FillDiagramMaskAa8, &CSprite::FillDiagramAa8, &CSprite::FillDiagramAlphaAa8,
             &CSprite::FillDiagramColorAa8}},
        {16, {&CSprite::FillDiagramMaskAa16, &CSprite::FillDiagramAa16, &CSprite::FillDiagramAlphaAa16,
              &CSprite::FillDiagramColorAa16}},
    };
    for (const auto& [l, m] : members) {
        if (l != level) continue;
        switch (kind) {
        case Kind::Mask: return (s.*std::get<0>(m))(x, y, w, h, r, kMaskValue);
        case Kind::Fill: return (s.*std::get<1>(m))(x, y, w, h, r, kColour, kOpacity);
        case Kind::ColourOnly: return (s.*std::get<3>(m))(x, y, w, h, r, kColour, kOpacity);
        default: return (s.*std::get<2>(m))(x, y, w, h, r, kAlphaOpacity);
        }
    }
    ADD_FAILURE() << "no level " << level;
    return false;
}

class ShapeDispatch : public raster_test::ReadyLibraryTest {
protected:
    void SetUp() override {
        ReadyLibraryTest::SetUp();
        raster_test::MakeRandom(background, 64, 48, rng);
    }

    // The ellipse of each target at a level, target rectangle (1, 2, 30, 40).
    bool Ellipse(CSprite& s, Kind kind, int32_t level, DiagramInfo* r) {
        switch (kind) {
        case Kind::Mask: return s.FillEllipseMask(1, 2, 30, 40, 0, 0, 600, 520, 290, 250, level, r, kMaskValue);
        case Kind::Fill:
            return s.FillEllipse(1, 2, 30, 40, 0, 0, 600, 520, 290, 250, kColour, level, r, kOpacity);
        default: return s.FillEllipseAlpha(1, 2, 30, 40, 0, 0, 600, 520, 290, 250, level, r, kAlphaOpacity);
        }
    }

    // The background with a builder's drawing, and its result.
    std::pair<bool, std::vector<uint32_t>> Draw(const std::function<bool(CSprite&)>& draw) {
        CSprite s;
        raster_test::CopyPixels(background, s);
        const bool ok = draw(s);
        return {ok, raster_test::Pixels(s)};
    }

    std::mt19937 rng{20240611};
    CSprite background;
    DiagramInfo record;
};

TEST_F(ShapeDispatch, EachLevelReachesItsFillWithTheBuilderArguments) {
    for (const Kind kind : {Kind::Mask, Kind::Fill, Kind::Alpha}) {
        std::vector<uint32_t> previous;
        for (const int32_t level : {0, 1, 2, 4, 8, 16}) {
            SCOPED_TRACE(testing::Message() << "kind " << int(kind) << " level " << level);
            const auto built = Draw([&](CSprite& s) { return Ellipse(s, kind, level, &record); });
            EXPECT_TRUE(built.first);
            EXPECT_EQ(record.GetCount(), 5u);
            const auto direct = Draw([&](CSprite& s) { return Direct(s, kind, level, 1, 2, 30, 40, record); });
            EXPECT_TRUE(direct.first);
            EXPECT_EQ(built.second, direct.second);
            EXPECT_NE(built.second, raster_test::Pixels(background)) << "the ellipse is drawn";
            EXPECT_NE(built.second, previous) << "each level samples its own way";
            previous = built.second;
            // The rectangle limits the drawing: column 0 and rows 0, 1 stay.
            for (int32_t y = 0; y < 48; ++y) {
                for (int32_t x = 0; x < 64; ++x) {
                    if (x >= 1 && y >= 2 && x < 31) continue;
                    ASSERT_EQ(built.second[size_t(y) * 64 + x], *background.PixelAt(x, y)) << x << ", " << y;
                }
            }
        }
    }
}

TEST_F(ShapeDispatch, OtherLevelsAndAnUnstartedLibraryDrawNothing) {
    const std::vector<uint32_t> untouched = raster_test::Pixels(background);
    for (const Kind kind : {Kind::Mask, Kind::Fill, Kind::Alpha}) {
        for (const int32_t level : {-1, 3, 5, 7, 15, 17, 32, INT32_MIN, INT32_MAX}) {
            record.Reset();
            const auto r = Draw([&](CSprite& s) { return Ellipse(s, kind, level, &record); });
            EXPECT_FALSE(r.first) << level;
            EXPECT_EQ(r.second, untouched) << level;
            EXPECT_EQ(record.GetCount(), 5u) << "the outline is still built";
        }
    }
    raster_test::ResetRasterLibrary();
    for (const Kind kind : {Kind::Mask, Kind::Fill, Kind::Alpha}) {
        for (const int32_t level : {0, 1, 2, 4, 8, 16}) {
            record.Reset();
            const auto r = Draw([&](CSprite& s) { return Ellipse(s, kind, level, &record); });
            EXPECT_FALSE(r.first) << level;
            EXPECT_EQ(r.second, untouched) << level;
            EXPECT_EQ(record.GetCount(), 5u);
        }
    }
}

TEST_F(ShapeDispatch, EveryBuilderReachesItsOwnFill) {
    using Builder = std::function<bool(CSprite&, DiagramInfo*)>;
    const double a0 = kPi / 8, a1 = 11 * kPi / 8;
    const uint32_t c = kColour;
    const uint8_t m = kMaskValue, o = kOpacity, a = kAlphaOpacity;
    const int32_t W = 64, H = 48;
    const struct {
        const char* name;
        Kind kind;
        Builder build;
    } cases[] = {
        {"FillEllipseMask", Kind::Mask,
         [&](CSprite& s, DiagramInfo* r) { return s.FillEllipseMask(0, 0, W, H, 0, 0, 900, 600, 400, 300, 8, r, m); }},
        {"FillEllipse", Kind::Fill,
         [&](CSprite& s, DiagramInfo* r) {
             return s.FillEllipse(0, 0, W, H, 0, 0, 900, 600, 400, 300, c, 8, r, o);
         }},
        {"FillEllipseAlpha", Kind::Alpha,
         [&](CSprite& s, DiagramInfo* r) {
             return s.FillEllipseAlpha(0, 0, W, H, 0, 0, 900, 600, 400, 300, 8, r, a);
         }},
        {"StrokeLineMask", Kind::Mask,
         [&](CSprite& s, DiagramInfo* r) {
             return s.StrokeLineMask(0, 0, W, H, 30, 20, 900, 600, 70, 8, r, 0, 0, m);
         }},
        {"StrokeLine", Kind::Fill,
         [&](CSprite& s, DiagramInfo* r) {
             return s.StrokeLine(0, 0, W, H, 30, 20, 900, 600, 70, c, 8, r, 0, 0, o);
         }},
        {"StrokeLineAlpha", Kind::Alpha,
         [&](CSprite& s, DiagramInfo* r) {
             return s.StrokeLineAlpha(0, 0, W, H, 30, 20, 900, 600, 70, 8, r, 0, 0, a);
         }},
        {"StrokeLineColor", Kind::ColourOnly,
         [&](CSprite& s, DiagramInfo* r) {
             return s.StrokeLineColor(0, 0, W, H, 30, 20, 900, 600, 70, c, 8, r, 0, 0, o);
         }},
        {"StrokeCircleCurveMask", Kind::Mask,
         [&](CSprite& s, DiagramInfo* r) {
             return s.StrokeCircleCurveMask(0, 0, W, H, 800, 300, 300, 700, 300, 300, 1, 60, 8, r, 0, 0, m);
         }},
        {"StrokeCircleCurve", Kind::Fill,
         [&](CSprite& s, DiagramInfo* r) {
             return s.StrokeCircleCurve(0, 0, W, H, 800, 300, 300, 700, 300, 300, 1, 60, c, 8, r, 0, 0, o);
         }},
        {"StrokeCircleCurveAlpha", Kind::Alpha,
         [&](CSprite& s, DiagramInfo* r) {
             return s.StrokeCircleCurveAlpha(0, 0, W, H, 800, 300, 300, 700, 300, 300, 1, 60, 8, r, 0, 0, a);
         }},
        {"StrokeCircleCurveColor", Kind::ColourOnly,
         [&](CSprite& s, DiagramInfo* r) {
             return s.StrokeCircleCurveColor(0, 0, W, H, 800, 300, 300, 700, 300, 300, 1, 60, c, 8, r, 0, 0, o);
         }},
        {"FillRingSegmentMask", Kind::Mask,
         [&](CSprite& s, DiagramInfo* r) {
             return s.FillRingSegmentMask(0, 0, W, H, 500, 380, a0, a1, 80, 100, 100, 900, 700, 8, r, m);
         }},
        {"FillRingSegment", Kind::Fill,
         [&](CSprite& s, DiagramInfo* r) {
             return s.FillRingSegment(0, 0, W, H, 500, 380, a0, a1, 80, 100, 100, 900, 700, c, 8, r, o);
         }},
        {"FillRingSegmentAlpha", Kind::Alpha,
         [&](CSprite& s, DiagramInfo* r) {
             return s.FillRingSegmentAlpha(0, 0, W, H, 500, 380, a0, a1, 80, 100, 100, 900, 700, 8, r, a);
         }},
        {"FillEllipseRingScaledMask", Kind::Mask,
         [&](CSprite& s, DiagramInfo* r) {
             return s.FillEllipseRingScaledMask(0, 0, W, H, 500, 380, a0, a1, 80, 200, 200, 800, 600, 1, 1.25, 1.1,
                                                0.75, 8, r, m);
         }},
        {"FillEllipseRingScaled", Kind::Fill,
         [&](CSprite& s, DiagramInfo* r) {
             return s.FillEllipseRingScaled(0, 0, W, H, 500, 380, a0, a1, 80, 200, 200, 800, 600, 1, 1.25, 1.1, 0.75,
                                            c, 8, r, o);
         }},
        {"FillEllipseRingScaledAlpha", Kind::Alpha,
         [&](CSprite& s, DiagramInfo* r) {
             return s.FillEllipseRingScaledAlpha(0, 0, W, H, 500, 380, a0, a1, 80, 200, 200, 800, 600, 1, 1.25, 1.1,
                                                 0.75, 8, r, a);
         }},
        {"FillBoxFrameMask", Kind::Mask,
         [&](CSprite& s, DiagramInfo* r) { return s.FillBoxFrameMask(0, 0, W, H, 40, 50, 900, 600, 75, 8, r, m); }},
        {"FillBoxFrame", Kind::Fill,
         [&](CSprite& s, DiagramInfo* r) { return s.FillBoxFrame(0, 0, W, H, 40, 50, 900, 600, 75, c, 8, r, o); }},
        {"FillBoxFrameAlpha", Kind::Alpha,
         [&](CSprite& s, DiagramInfo* r) { return s.FillBoxFrameAlpha(0, 0, W, H, 40, 50, 900, 600, 75, 8, r, a); }},
        {"FillPieMask", Kind::Mask,
         [&](CSprite& s, DiagramInfo* r) {
             return s.FillPieMask(0, 0, W, H, 500, 380, a0, a1, 100, 100, 900, 700, 8, r, m);
         }},
        {"FillPie", Kind::Fill,
         [&](CSprite& s, DiagramInfo* r) {
             return s.FillPie(0, 0, W, H, 500, 380, a0, a1, 100, 100, 900, 700, c, 8, r, o);
         }},
        {"FillPieAlpha", Kind::Alpha,
         [&](CSprite& s, DiagramInfo* r) {
             return s.FillPieAlpha(0, 0, W, H, 500, 380, a0, a1, 100, 100, 900, 700, 8, r, a);
         }},
    };
    std::vector<outline_test::Step> maskOutline;
    const std::vector<uint32_t> untouched = raster_test::Pixels(background);
    for (const auto& cs : cases) {
        SCOPED_TRACE(cs.name);
        const auto built = Draw([&](CSprite& s) { return cs.build(s, &record); });
        EXPECT_TRUE(built.first);
        // The members of a shape (listed Mask first) build one outline.
        if (cs.kind == Kind::Mask)
            maskOutline = outline_test::Snapshot(record);
        else
            EXPECT_EQ(outline_test::Snapshot(record), maskOutline);
        EXPECT_GE(record.GetCount(), 4u);
        const auto direct = Draw([&](CSprite& s) { return Direct(s, cs.kind, 8, 0, 0, W, H, record); });
        EXPECT_EQ(built.second, direct.second);
        EXPECT_NE(built.second, untouched) << "the shape covers pixels";
        // Mask and Alpha change alpha bytes only, the colour-only strokes
        // colour bytes only.
        if (cs.kind == Kind::Mask || cs.kind == Kind::Alpha) {
            for (size_t i = 0; i < untouched.size(); ++i)
                ASSERT_EQ(built.second[i] & 0xFFFFFF, untouched[i] & 0xFFFFFF) << i;
        }
        if (cs.kind == Kind::ColourOnly) {
            for (size_t i = 0; i < untouched.size(); ++i)
                ASSERT_EQ(built.second[i] >> 24, untouched[i] >> 24) << i;
        }

        // Without a record the builder draws the same through one of its own.
        const auto own = Draw([&](CSprite& s) { return cs.build(s, nullptr) && cs.build(s, nullptr); });
        EXPECT_TRUE(own.first);
        const auto twice = Draw([&](CSprite& s) {
            return Direct(s, cs.kind, 8, 0, 0, W, H, record) && Direct(s, cs.kind, 8, 0, 0, W, H, record);
        });
        EXPECT_EQ(own.second, twice.second);
    }
}

TEST_F(ShapeDispatch, FullTurnPieIsTheEllipseOfTheSameTarget) {
    const struct {
        const char* name;
        std::function<bool(CSprite&)> pie, ellipse;
    } cases[] = {
        {"Mask",
         [&](CSprite& s) { return s.FillPieMask(1, 2, 30, 20, 500, 400, 1, 1 - 2 * kPi, 0, 0, 990, 790, 4, nullptr, 7); },
         [&](CSprite& s) { return s.FillEllipseMask(1, 2, 30, 20, 0, 0, 990, 790, 500, 400, 4, nullptr, 7); }},
        {"Fill",
         [&](CSprite& s) {
             return s.FillPie(1, 2, 30, 20, 500, 400, 0, 2 * kPi, 0, 0, 990, 790, kColour, 4, nullptr, 7);
         },
         [&](CSprite& s) { return s.FillEllipse(1, 2, 30, 20, 0, 0, 990, 790, 500, 400, kColour, 4, nullptr, 7); }},
        {"Alpha",
         [&](CSprite& s) { return s.FillPieAlpha(1, 2, 30, 20, 500, 400, -1, 9, 0, 0, 990, 790, 4, nullptr, 7); },
         [&](CSprite& s) { return s.FillEllipseAlpha(1, 2, 30, 20, 0, 0, 990, 790, 500, 400, 4, nullptr, 7); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto pie = Draw(c.pie);
        const auto ellipse = Draw(c.ellipse);
        EXPECT_TRUE(pie.first);
        EXPECT_EQ(pie.second, ellipse.second);
        EXPECT_NE(pie.second, raster_test::Pixels(background));
    }
}

TEST_F(ShapeDispatch, WholeSpriteAlphaWrappers) {
    record.SetStartPoint(-100, -100);
    record.AddLine(2000, 300, 1);
    record.AddLine(300, 1200, 1);
    record.AddLine(-100, -100, 1);
    for (const uint8_t opacity : {12, 200}) {
        const auto a0 = Draw([&](CSprite& s) { return s.FillDiagramAlphaAa0WholeIfReady(record, opacity); });
        const auto d0 = Draw([&](CSprite& s) { return s.FillDiagramAlphaAa0(0, 0, 64, 48, record, opacity); });
        const auto a16 = Draw([&](CSprite& s) { return s.FillDiagramAlphaAa16WholeIfReady(record, opacity); });
        const auto d16 = Draw([&](CSprite& s) { return s.FillDiagramAlphaAa16(0, 0, 64, 48, record, opacity); });
        EXPECT_TRUE(a0.first);
        EXPECT_TRUE(a16.first);
        EXPECT_EQ(a0.second, d0.second);
        EXPECT_EQ(a16.second, d16.second);
        EXPECT_NE(a0.second, a16.second);
    }

    // Only the IfReady forms test the ready flag.
    raster_test::ResetRasterLibrary();
    const auto a0 = Draw([&](CSprite& s) { return s.FillDiagramAlphaAa0WholeIfReady(record, 12); });
    const auto a16 = Draw([&](CSprite& s) { return s.FillDiagramAlphaAa16WholeIfReady(record, 12); });
    EXPECT_FALSE(a0.first);
    EXPECT_FALSE(a16.first);
    EXPECT_EQ(a0.second, raster_test::Pixels(background));
    EXPECT_EQ(a16.second, raster_test::Pixels(background));
}

}  // namespace
