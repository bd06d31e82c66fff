// Which diagram kernel each shape builder reaches, with which arguments, and
// when it reaches none. A recording rasteriser stands in for the scan converter.
#include <gtest/gtest.h>

#include <functional>
#include <numbers>
#include <set>
#include <vector>

#include "raster/diagram/DiagramRasteriser.h"
#include "raster/surface/shape/DiagramInfo.h"
#include "raster/surface/sprite/RasterLibrary.h"
#include "raster/surface/sprite/Sprite.h"
#include "tests/raster/surface/shape/OutlineTestSupport.h"

namespace {

constexpr double kPi = std::numbers::pi;

enum class Kind { Mask, Fill, Alpha, ColourOnly };

struct Call {
    Kind kind;
    CSprite* target;
    int32_t level, x, y, w, h;
    DiagramInfo* record;
    uint32_t elements;  // outline length when the kernel was reached
    uint32_t colour;
    uint8_t value;  // value or opacity
    int32_t width;
    DiagramInfo* scratch;
};

class RecordingRasteriser : public IDiagramRasteriser {
public:
    std::vector<Call> calls;
    bool result = true;

    bool FillMask(CSprite& t, int32_t level, int32_t x, int32_t y, int32_t w, int32_t h, DiagramInfo& r,
                  uint8_t value) override {
        calls.push_back({Kind::Mask, &t, level, x, y, w, h, &r, r.GetCount(), 0, value, 0, nullptr});
        return result;
    }
    bool Fill(CSprite& t, int32_t level, int32_t x, int32_t y, int32_t w, int32_t h, DiagramInfo& r,
              uint32_t colour, uint8_t opacity) override {
        calls.push_back({Kind::Fill, &t, level, x, y, w, h, &r, r.GetCount(), colour, opacity, 0, nullptr});
        return result;
    }
    bool FillAlpha(CSprite& t, int32_t level, int32_t x, int32_t y, int32_t w, int32_t h, DiagramInfo& r,
                   uint8_t opacity) override {
        calls.push_back({Kind::Alpha, &t, level, x, y, w, h, &r, r.GetCount(), 0, opacity, 0, nullptr});
        return result;
    }
    bool FillColour(CSprite& t, int32_t level, int32_t x, int32_t y, int32_t w, int32_t h, DiagramInfo& r,
                    uint32_t colour, uint8_t opacity) override {
        calls.push_back({Kind::ColourOnly, &t, level, x, y, w, h, &r, r.GetCount(), colour, opacity, 0, nullptr});
        return result;
    }
};

constexpr uint8_t kMaskValue = 0x11;
constexpr uint32_t kColour = 0x80102030;
constexpr uint8_t kOpacity = 0x22;
constexpr uint8_t kAlphaOpacity = 0x33;

class ShapeDispatch : public ::testing::Test {
protected:
    void SetUp() override {
        InitRasterLibrary(1);
        ASSERT_TRUE(sprite.Create(64, 48, false));
        previous = SetDiagramRasteriser(&fake);
    }
    void TearDown() override {
        SetDiagramRasteriser(previous);
        InitRasterLibrary(1);  // back to started for whoever runs next
    }

    // The ellipse of each target at a level, target rectangle (1, 2, 30, 40).
    bool Ellipse(Kind kind, int32_t level) {
        switch (kind) {
        case Kind::Mask: return sprite.FillEllipseMask(1, 2, 30, 40, 0, 0, 96, 64, 48, 32, level, &record, kMaskValue);
        case Kind::Fill:
            return sprite.FillEllipse(1, 2, 30, 40, 0, 0, 96, 64, 48, 32, kColour, level, &record, kOpacity);
        default: return sprite.FillEllipseAlpha(1, 2, 30, 40, 0, 0, 96, 64, 48, 32, level, &record, kAlphaOpacity);
        }
    }

    CSprite sprite;
    DiagramInfo record;
    RecordingRasteriser fake;
    IDiagramRasteriser* previous = nullptr;
};

TEST_F(ShapeDispatch, EachLevelReachesItsKernelWithTheBuilderArguments) {
    int n = 0;
    for (const Kind kind : {Kind::Mask, Kind::Fill, Kind::Alpha}) {
        for (const int32_t level : {0, 1, 2, 4, 8, 16}) {
            fake.calls.clear();
            fake.result = (n++ % 2) == 0;
            EXPECT_EQ(Ellipse(kind, level), fake.result) << "the builder returns the kernel's result";
            ASSERT_EQ(fake.calls.size(), 1u) << level;
            const Call& c = fake.calls[0];
            EXPECT_EQ(c.kind, kind);
            EXPECT_EQ(c.level, level);
            EXPECT_EQ(c.target, &sprite);
            EXPECT_EQ(c.x, 1);
            EXPECT_EQ(c.y, 2);
            EXPECT_EQ(c.w, 30);
            EXPECT_EQ(c.h, 40);
            EXPECT_EQ(c.record, &record);
            EXPECT_EQ(c.elements, 5u) << "the outline is complete before the kernel runs";
            EXPECT_EQ(c.colour, kind == Kind::Fill ? kColour : 0u);
            EXPECT_EQ(c.value, kind == Kind::Mask ? kMaskValue : kind == Kind::Fill ? kOpacity : kAlphaOpacity);
        }
    }
}

TEST_F(ShapeDispatch, OtherLevelsAndAnUnstartedLibraryDrawNothing) {
    for (const Kind kind : {Kind::Mask, Kind::Fill, Kind::Alpha}) {
        for (const int32_t level : {-1, 3, 5, 7, 15, 17, 32, INT32_MIN, INT32_MAX}) {
            record.Reset();
            EXPECT_FALSE(Ellipse(kind, level)) << level;
            EXPECT_EQ(record.GetCount(), 5u) << "the outline is still built";
        }
    }
    raster_test::ResetRasterLibrary();
    for (const Kind kind : {Kind::Mask, Kind::Fill, Kind::Alpha}) {
        for (const int32_t level : {0, 1, 2, 4, 8, 16}) {
            record.Reset();
            EXPECT_FALSE(Ellipse(kind, level)) << level;
            EXPECT_EQ(record.GetCount(), 5u);
        }
    }
    EXPECT_TRUE(fake.calls.empty());
}

TEST_F(ShapeDispatch, EveryBuilderReachesItsOwnKernel) {
    using Builder = std::function<bool(CSprite&, DiagramInfo*)>;
    const double a0 = kPi / 8, a1 = 3 * kPi / 8;
    const uint32_t c = kColour;
    const uint8_t m = kMaskValue, o = kOpacity, a = kAlphaOpacity;
    const struct {
        const char* name;
        Kind kind;
        Builder build;
    } cases[] = {
        {"FillEllipseMask", Kind::Mask,
         [&](CSprite& s, DiagramInfo* r) { return s.FillEllipseMask(0, 0, 9, 9, 0, 0, 90, 60, 40, 30, 8, r, m); }},
        {"FillEllipse", Kind::Fill,
         [&](CSprite& s, DiagramInfo* r) { return s.FillEllipse(0, 0, 9, 9, 0, 0, 90, 60, 40, 30, c, 8, r, o); }},
        {"FillEllipseAlpha", Kind::Alpha,
         [&](CSprite& s, DiagramInfo* r) { return s.FillEllipseAlpha(0, 0, 9, 9, 0, 0, 90, 60, 40, 30, 8, r, a); }},
        {"StrokeLineMask", Kind::Mask,
         [&](CSprite& s, DiagramInfo* r) { return s.StrokeLineMask(0, 0, 9, 9, 0, 0, 90, 60, 16, 8, r, 0, 0, m); }},
        {"StrokeLine", Kind::Fill,
         [&](CSprite& s, DiagramInfo* r) { return s.StrokeLine(0, 0, 9, 9, 0, 0, 90, 60, 16, c, 8, r, 0, 0, o); }},
        {"StrokeLineAlpha", Kind::Alpha,
         [&](CSprite& s, DiagramInfo* r) { return s.StrokeLineAlpha(0, 0, 9, 9, 0, 0, 90, 60, 16, 8, r, 0, 0, a); }},
        {"StrokeLineColor", Kind::ColourOnly,
         [&](CSprite& s, DiagramInfo* r) {
             return s.StrokeLineColor(0, 0, 9, 9, 0, 0, 90, 60, 16, c, 8, r, 0, 0, o);
         }},
        {"StrokeCircleCurveMask", Kind::Mask,
         [&](CSprite& s, DiagramInfo* r) {
             return s.StrokeCircleCurveMask(0, 0, 9, 9, 90, 0, 0, 90, 0, 0, 1, 16, 8, r, 0, 0, m);
         }},
        {"StrokeCircleCurve", Kind::Fill,
         [&](CSprite& s, DiagramInfo* r) {
             return s.StrokeCircleCurve(0, 0, 9, 9, 90, 0, 0, 90, 0, 0, 1, 16, c, 8, r, 0, 0, o);
         }},
        {"StrokeCircleCurveAlpha", Kind::Alpha,
         [&](CSprite& s, DiagramInfo* r) {
             return s.StrokeCircleCurveAlpha(0, 0, 9, 9, 90, 0, 0, 90, 0, 0, 1, 16, 8, r, 0, 0, a);
         }},
        {"StrokeCircleCurveColor", Kind::ColourOnly,
         [&](CSprite& s, DiagramInfo* r) {
             return s.StrokeCircleCurveColor(0, 0, 9, 9, 90, 0, 0, 90, 0, 0, 1, 16, c, 8, r, 0, 0, o);
         }},
        {"FillRingSegmentMask", Kind::Mask,
         [&](CSprite& s, DiagramInfo* r) {
             return s.FillRingSegmentMask(0, 0, 9, 9, 50, 50, a0, a1, 8, 0, 0, 99, 99, 8, r, m);
         }},
        {"FillRingSegment", Kind::Fill,
         [&](CSprite& s, DiagramInfo* r) {
             return s.FillRingSegment(0, 0, 9, 9, 50, 50, a0, a1, 8, 0, 0, 99, 99, c, 8, r, o);
         }},
        {"FillRingSegmentAlpha", Kind::Alpha,
         [&](CSprite& s, DiagramInfo* r) {
             return s.FillRingSegmentAlpha(0, 0, 9, 9, 50, 50, a0, a1, 8, 0, 0, 99, 99, 8, r, a);
         }},
        {"FillEllipseRingScaledMask", Kind::Mask,
         [&](CSprite& s, DiagramInfo* r) {
             return s.FillEllipseRingScaledMask(0, 0, 9, 9, 50, 50, a0, a1, 8, 0, 0, 99, 99, 1, 2, 3, 4, 8, r, m);
         }},
        {"FillEllipseRingScaled", Kind::Fill,
         [&](CSprite& s, DiagramInfo* r) {
             return s.FillEllipseRingScaled(0, 0, 9, 9, 50, 50, a0, a1, 8, 0, 0, 99, 99, 1, 2, 3, 4, c, 8, r, o);
         }},
        {"FillEllipseRingScaledAlpha", Kind::Alpha,
         [&](CSprite& s, DiagramInfo* r) {
             return s.FillEllipseRingScaledAlpha(0, 0, 9, 9, 50, 50, a0, a1, 8, 0, 0, 99, 99, 1, 2, 3, 4, 8, r, a);
         }},
        {"FillBoxFrameMask", Kind::Mask,
         [&](CSprite& s, DiagramInfo* r) { return s.FillBoxFrameMask(0, 0, 9, 9, 0, 0, 99, 99, 5, 8, r, m); }},
        {"FillBoxFrame", Kind::Fill,
         [&](CSprite& s, DiagramInfo* r) { return s.FillBoxFrame(0, 0, 9, 9, 0, 0, 99, 99, 5, c, 8, r, o); }},
        {"FillBoxFrameAlpha", Kind::Alpha,
         [&](CSprite& s, DiagramInfo* r) { return s.FillBoxFrameAlpha(0, 0, 9, 9, 0, 0, 99, 99, 5, 8, r, a); }},
        {"FillPieMask", Kind::Mask,
         [&](CSprite& s, DiagramInfo* r) { return s.FillPieMask(0, 0, 9, 9, 50, 50, a0, a1, 0, 0, 99, 99, 8, r, m); }},
        {"FillPie", Kind::Fill,
         [&](CSprite& s, DiagramInfo* r) { return s.FillPie(0, 0, 9, 9, 50, 50, a0, a1, 0, 0, 99, 99, c, 8, r, o); }},
        {"FillPieAlpha", Kind::Alpha,
         [&](CSprite& s, DiagramInfo* r) {
             return s.FillPieAlpha(0, 0, 9, 9, 50, 50, a0, a1, 0, 0, 99, 99, 8, r, a);
         }},
    };
    std::set<DiagramInfo*> ownRecords;
    std::vector<outline_test::Step> maskOutline;
    for (const auto& cs : cases) {
        SCOPED_TRACE(cs.name);
        fake.calls.clear();
        EXPECT_TRUE(cs.build(sprite, &record));
        // The three members of a shape (listed Mask first) build one outline.
        if (cs.kind == Kind::Mask)
            maskOutline = outline_test::Snapshot(record);
        else
            EXPECT_EQ(outline_test::Snapshot(record), maskOutline);
        ASSERT_EQ(fake.calls.size(), 1u);
        const Call call = fake.calls[0];  // a copy: the list is refilled below
        EXPECT_EQ(call.kind, cs.kind);
        EXPECT_EQ(call.level, 8);
        EXPECT_EQ(call.record, &record);
        EXPECT_EQ(call.elements, record.GetCount());
        EXPECT_GE(call.elements, 4u);
        const bool coloured = cs.kind == Kind::Fill || cs.kind == Kind::ColourOnly;
        EXPECT_EQ(call.colour, coloured ? kColour : 0u);
        EXPECT_EQ(call.value, cs.kind == Kind::Mask ? kMaskValue : coloured ? kOpacity : kAlphaOpacity);

        // Without a record each builder uses one of its own, the same each call.
        fake.calls.clear();
        EXPECT_TRUE(cs.build(sprite, nullptr));
        EXPECT_TRUE(cs.build(sprite, nullptr));
        ASSERT_EQ(fake.calls.size(), 2u);
        EXPECT_NE(fake.calls[0].record, &record);
        EXPECT_EQ(fake.calls[0].record, fake.calls[1].record);
        EXPECT_EQ(fake.calls[0].elements, call.elements) << "the same outline in the builder's own record";
        ownRecords.insert(fake.calls[0].record);
    }
    EXPECT_EQ(ownRecords.size(), 23u) << "one record per builder";
}

TEST_F(ShapeDispatch, FullTurnPieIsTheEllipseOfTheSameTarget) {
    const struct {
        Kind kind;
        std::function<bool(DiagramInfo*)> pie, ellipse;
    } cases[] = {
        {Kind::Mask,
         [&](DiagramInfo* r) { return sprite.FillPieMask(1, 2, 3, 4, 50, 40, 1, 1 - 2 * kPi, 0, 0, 99, 99, 4, r, 7); },
         [&](DiagramInfo* r) { return sprite.FillEllipseMask(1, 2, 3, 4, 0, 0, 99, 99, 50, 40, 4, r, 7); }},
        {Kind::Fill,
         [&](DiagramInfo* r) {
             return sprite.FillPie(1, 2, 3, 4, 50, 40, 0, 2 * kPi, 0, 0, 99, 99, kColour, 4, r, 7);
         },
         [&](DiagramInfo* r) { return sprite.FillEllipse(1, 2, 3, 4, 0, 0, 99, 99, 50, 40, kColour, 4, r, 7); }},
        {Kind::Alpha,
         [&](DiagramInfo* r) { return sprite.FillPieAlpha(1, 2, 3, 4, 50, 40, -1, 9, 0, 0, 99, 99, 4, r, 7); },
         [&](DiagramInfo* r) { return sprite.FillEllipseAlpha(1, 2, 3, 4, 0, 0, 99, 99, 50, 40, 4, r, 7); }},
    };
    for (const auto& c : cases) {
        fake.calls.clear();
        EXPECT_TRUE(c.pie(nullptr));
        EXPECT_TRUE(c.ellipse(nullptr));
        ASSERT_EQ(fake.calls.size(), 2u);
        EXPECT_EQ(fake.calls[0].kind, c.kind);
        EXPECT_EQ(fake.calls[0].elements, 5u);
        EXPECT_EQ(fake.calls[0].record, fake.calls[1].record) << "drawn through the ellipse builder's record";
        EXPECT_EQ(fake.calls[0].x, 1);
        EXPECT_EQ(fake.calls[0].h, 4);
        EXPECT_EQ(fake.calls[0].level, 4);
        EXPECT_EQ(fake.calls[0].value, 7);
    }
}

TEST_F(ShapeDispatch, WholeSpriteWrappers) {
    // One Line: the stroke drivers reach one fill, of the segment's outline.
    record.SetStartPoint(16, 16);
    record.AddLine(400, 300, 1);
    DiagramInfo scratch;
    fake.result = false;
    EXPECT_FALSE(sprite.StrokeDiagramWhole(record, 24, kColour, 4, &scratch, 255));
    fake.result = true;
    EXPECT_TRUE(sprite.StrokeDiagramAlphaWhole(record, 40, 16, nullptr, 255));
    EXPECT_TRUE(sprite.FillDiagramAlphaAa0WholeIfReady(record, 12));
    EXPECT_TRUE(sprite.FillDiagramAlphaAa16WholeIfReady(record, 13));
    ASSERT_EQ(fake.calls.size(), 4u);

    const Call& stroke = fake.calls[0];
    EXPECT_EQ(stroke.kind, Kind::Fill);
    EXPECT_EQ(stroke.target, &sprite);
    EXPECT_EQ(stroke.x, 0);
    EXPECT_EQ(stroke.y, 0);
    EXPECT_EQ(stroke.w, 64);
    EXPECT_EQ(stroke.h, 48);
    EXPECT_EQ(stroke.record, &scratch);
    EXPECT_EQ(stroke.elements, 5u) << "the segment's quadrilateral";
    EXPECT_EQ(stroke.colour, kColour);
    EXPECT_EQ(stroke.level, 4);
    EXPECT_EQ(stroke.value, 255);

    const Call& strokeAlpha = fake.calls[1];
    EXPECT_EQ(strokeAlpha.kind, Kind::Alpha);
    EXPECT_EQ(strokeAlpha.target, &sprite);
    EXPECT_EQ(strokeAlpha.w, 64);
    EXPECT_EQ(strokeAlpha.h, 48);
    EXPECT_NE(strokeAlpha.record, &record);
    EXPECT_NE(strokeAlpha.record, &scratch);
    EXPECT_EQ(strokeAlpha.level, 16);
    EXPECT_EQ(strokeAlpha.value, 255);

    for (int i = 2; i < 4; ++i) {
        const Call& fill = fake.calls[i];
        EXPECT_EQ(fill.kind, Kind::Alpha);
        EXPECT_EQ(fill.level, i == 2 ? 0 : 16);
        EXPECT_EQ(fill.x, 0);
        EXPECT_EQ(fill.y, 0);
        EXPECT_EQ(fill.w, 64);
        EXPECT_EQ(fill.h, 48);
        EXPECT_EQ(fill.record, &record);
        EXPECT_EQ(fill.value, i == 2 ? 12 : 13);
    }

    // The IfReady forms test the ready flag; the strokes stop at their first
    // segment, whose builder tests it.
    raster_test::ResetRasterLibrary();
    fake.calls.clear();
    EXPECT_FALSE(sprite.FillDiagramAlphaAa0WholeIfReady(record, 12));
    EXPECT_FALSE(sprite.FillDiagramAlphaAa16WholeIfReady(record, 12));
    EXPECT_FALSE(sprite.StrokeDiagramWhole(record, 24, kColour, 4, nullptr, 255));
    EXPECT_FALSE(sprite.StrokeDiagramAlphaWhole(record, 24, 4, nullptr, 255));
    EXPECT_TRUE(fake.calls.empty());
}

TEST_F(ShapeDispatch, WithoutARasteriserTheKernelsRefuse) {
    SetDiagramRasteriser(nullptr);
    EXPECT_FALSE(sprite.FillDiagramMaskAa0(0, 0, 64, 48, record, 255));
    EXPECT_FALSE(sprite.FillDiagramAa16(0, 0, 64, 48, record, kColour, 255));
    EXPECT_FALSE(sprite.FillDiagramAlphaAa4(0, 0, 64, 48, record, 255));
    EXPECT_FALSE(sprite.StrokeDiagram(0, 0, 64, 48, record, 16, kColour, 16, nullptr, 255));
    EXPECT_FALSE(sprite.StrokeDiagramAlpha(0, 0, 64, 48, record, 16, 16, nullptr, 255));
    EXPECT_FALSE(Ellipse(Kind::Fill, 16));
    EXPECT_EQ(record.GetCount(), 5u);
}

}  // namespace
