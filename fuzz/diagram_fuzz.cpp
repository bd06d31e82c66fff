// libFuzzer target over the diagram rasteriser: random outlines of every
// element kind (Lines, CircleCurves, Arcs valid and not, Jumps, Returns, Tips,
// Separators, further start points), with coordinates near the sprite, far
// off it and at the ends of the 32-bit range, filled by every target at a
// random level, rectangle and clip, and stroked by every driver.
//
// Checks, all through the public members:
//  - no crash, no undefined behaviour, no exception (the sanitizers);
//  - every target of one level gives the same result for the same outline and
//    rectangle, and no pixel outside the clipped rectangle changes;
//  - coverage stays within 0..256: on transparent pixels the mask target at
//    value 255 writes min(c, 255), at value 1 it writes 1 exactly where c is
//    256, and at value 128 (weight 129) (c x 129) >> 8; a coverage above 256
//    breaks one of these (at level 0 every covered pixel gets the value);
//  - the mask and alpha targets keep the colour bytes; the alpha target never
//    lowers alpha and follows the union rule with that coverage; the colour
//    target keeps alpha; the plain target at opacity 255 makes a fully covered
//    pixel exactly the colour; the level-0 pixel fill sets exactly the
//    pixels the level-0 mask fill covers;
//  - the colour-only stroke keeps alpha, the alpha stroke never lowers it and
//    keeps colour, the mask stroke keeps colour.
// A failed check prints what failed and aborts.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <vector>

#include "raster/diagram/DiagramFillTable.h"
#include "raster/surface/shape/DiagramInfo.h"
#include "raster/surface/sprite/RasterLibrary.h"
#include "raster/surface/sprite/Sprite.h"

namespace {

[[noreturn]] void Fail(const char* what, int32_t x, int32_t y) {
    std::fprintf(stderr, "diagram_fuzz: %s at pixel (%d, %d)\n", what, x, y);
    std::abort();
}

int32_t Coordinate(FuzzedDataProvider& in, int32_t spanSixteenths) {
    switch (in.ConsumeIntegralInRange<int>(0, 7)) {
    case 0:
        return in.ConsumeIntegral<int32_t>();  // anywhere in the 32-bit range
    case 1:
        return in.ConsumeBool() ? std::numeric_limits<int32_t>::max() - in.ConsumeIntegralInRange<int32_t>(0, 64)
                                : std::numeric_limits<int32_t>::min() + in.ConsumeIntegralInRange<int32_t>(0, 64);
    case 2:
        return in.ConsumeIntegralInRange<int32_t>(-(1 << 20), 1 << 20);
    default:
        return in.ConsumeIntegralInRange<int32_t>(-256, spanSixteenths + 256);
    }
}

int32_t Saturate(double v) {
    if (!(v > -2147483648.0)) return std::numeric_limits<int32_t>::min();
    if (!(v < 2147483647.0)) return std::numeric_limits<int32_t>::max();
    return static_cast<int32_t>(std::lround(v));
}

void BuildOutline(FuzzedDataProvider& in, DiagramInfo& d, int32_t span) {
    d.Reset();
    int32_t x = Coordinate(in, span), y = Coordinate(in, span);
    d.SetStartPoint(x, y);
    const int n = in.ConsumeIntegralInRange<int>(0, 40);
    for (int i = 0; i < n && in.remaining_bytes() > 0; ++i) {
        switch (in.ConsumeIntegralInRange<int>(0, 11)) {
        case 0:
        case 1:
        case 2:
            x = Coordinate(in, span);
            y = Coordinate(in, span);
            d.AddLine(x, y, in.ConsumeIntegralInRange<uint8_t>(0, 1));
            break;
        case 3: {
            const int32_t cx = Coordinate(in, span), cy = Coordinate(in, span);
            x = Coordinate(in, span);
            y = Coordinate(in, span);
            d.AddCircleCurve(x, y, cx, cy, in.ConsumeIntegral<uint8_t>(), in.ConsumeIntegralInRange<uint8_t>(0, 1));
            break;
        }
        case 4: {  // any centre: ends in different quadrants fail the preparation
            const int32_t cx = Coordinate(in, span), cy = Coordinate(in, span);
            x = Coordinate(in, span);
            y = Coordinate(in, span);
            d.AddArc(x, y, cx, cy, 1);
            break;
        }
        case 5: {  // a quarter-ellipse piece that starts at the current point
            const double rx = 1 + in.ConsumeIntegralInRange<int32_t>(0, 1 << in.ConsumeIntegralInRange<int>(4, 30));
            const double ry = 1 + in.ConsumeIntegralInRange<int32_t>(0, 1 << in.ConsumeIntegralInRange<int>(4, 30));
            const double quadrant = in.ConsumeIntegralInRange<int>(0, 3) * 1.5707963267948966;
            const double t0 = quadrant + in.ConsumeProbability<double>() * 1.5707963267948966;
            const double t1 = quadrant + in.ConsumeProbability<double>() * 1.5707963267948966;
            const int32_t cx = Saturate(x - rx * std::cos(t0)), cy = Saturate(y - ry * std::sin(t0));
            x = Saturate(cx + rx * std::cos(t1));
            y = Saturate(cy + ry * std::sin(t1));
            d.AddArc(x, y, cx, cy, 1);
            break;
        }
        case 6:
            x = Coordinate(in, span);
            y = Coordinate(in, span);
            d.AddJump(x, y);
            break;
        case 7:
            d.AddReturn();
            break;
        case 8:
            d.AddTip();
            break;
        case 9:
            d.AddSeparator();
            break;
        case 10:  // a further start point (no builder makes one; the fills must cope)
            x = Coordinate(in, span);
            y = Coordinate(in, span);
            d.AddJump(x, y);
            d[d.GetCount() - 1].Type = DiagramInfoFactor::kStart;
            break;
        default:  // back to the start
            d.AddLine(d[0].X, d[0].Y, 1);
            x = d[0].X;
            y = d[0].Y;
            break;
        }
    }
}

struct Rect {
    int32_t x, y, w, h;
};

// The sprite's clip rectangle: left, top, right, bottom.
struct Clip {
    int32_t left, top, right, bottom;
};

// A sprite of the size with the clip rectangle, pixels from the generator.
struct Canvas {
    CSprite sprite;
    std::vector<uint32_t> before;

    Canvas(int32_t w, int32_t h, const Clip& clip, uint32_t seed, bool randomAlpha) {
        sprite.Create(w, h, false);
        uint32_t s = seed * 2654435761u + 1;
        for (int32_t y = 0; y < h; ++y)
            for (int32_t x = 0; x < w; ++x) {
                s = s * 1664525u + 1013904223u;
                *sprite.PixelAt(x, y) = randomAlpha ? s : s & 0x00FFFFFFu;
            }
        sprite.SetClipRect(clip.left, clip.top, clip.right, clip.bottom);
        for (int32_t y = 0; y < h; ++y)
            for (int32_t x = 0; x < w; ++x) before.push_back(*sprite.PixelAt(x, y));
    }
    uint32_t Was(int32_t x, int32_t y) const { return before[size_t(y) * sprite.GetWidth() + x]; }
    uint32_t Is(int32_t x, int32_t y) const { return *sprite.PixelAt(x, y); }
    // Aborts when a pixel outside the rectangle, cut to the clip, changed.
    void CheckOutside(Rect r, const char* what) const {
        sprite.ClipRect(r.x, r.y, r.w, r.h);
        for (int32_t y = 0; y < sprite.GetHeight(); ++y)
            for (int32_t x = 0; x < sprite.GetWidth(); ++x) {
                const bool inside = x >= r.x && x < r.x + r.w && y >= r.y && y < r.y + r.h;
                if (!inside && Is(x, y) != Was(x, y)) Fail(what, x, y);
            }
    }
};

void FuzzFills(FuzzedDataProvider& in, DiagramInfo& d, int32_t w, int32_t h, const Clip& clip, const Rect& r) {
    const int slot = in.ConsumeIntegralInRange<int>(0, 5);  // level 0, 1, 2, 4, 8, 16
    const bool level0 = slot == 0;
    const diagram_fill::ValueFill mask = diagram_fill::kMask[slot], alphaFill = diagram_fill::kAlpha[slot];
    const diagram_fill::ColourFill plainFill = diagram_fill::kPlain[slot], colourFill = diagram_fill::kColourOnly[slot];
    const uint32_t seed = in.ConsumeIntegral<uint32_t>();
    const uint8_t opacity = in.ConsumeIntegral<uint8_t>();
    const uint32_t colour = in.ConsumeIntegral<uint32_t>();

    Canvas at255(w, h, clip, seed, false), at1(w, h, clip, seed, false), at128(w, h, clip, seed, false);
    const bool result = (at255.sprite.*mask)(r.x, r.y, r.w, r.h, d, 255);
    if ((at1.sprite.*mask)(r.x, r.y, r.w, r.h, d, 1) != result) Fail("mask fill result differs", -1, -1);
    if ((at128.sprite.*mask)(r.x, r.y, r.w, r.h, d, 128) != result) Fail("mask fill result differs", -1, -1);
    at255.CheckOutside(r, "mask fill wrote outside the rectangle");

    // Coverage per pixel, with the checks that keep it within 0..256.
    std::vector<int32_t> cov(size_t(w) * size_t(h));
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) {
            const uint32_t p255 = at255.Is(x, y), p1 = at1.Is(x, y), p128 = at128.Is(x, y);
            if (((p255 ^ at255.Was(x, y)) | (p1 ^ at1.Was(x, y)) | (p128 ^ at128.Was(x, y))) & 0x00FFFFFFu)
                Fail("mask fill changed colour", x, y);
            const int32_t a255 = int32_t(p255 >> 24), a1 = int32_t(p1 >> 24), a128 = int32_t(p128 >> 24);
            int32_t c;
            if (level0) {
                if (a255 != 0 && a255 != 255) Fail("level-0 mask fill wrote a partial value", x, y);
                if (a1 != (a255 != 0 ? 1 : 0) || a128 != (a255 != 0 ? 128 : 0))
                    Fail("level-0 mask fills disagree", x, y);
                c = a255 != 0 ? 256 : 0;
            } else {
                if (a1 > 1 || (a1 == 1 && a255 != 255)) Fail("coverage above 256", x, y);
                c = a1 == 1 ? 256 : a255;
                if (a128 != ((c * 129) >> 8)) Fail("coverage outside 0..256 (mask at 128)", x, y);
            }
            cov[size_t(y) * w + x] = c;
        }

    Canvas alpha(w, h, clip, seed, true);
    if ((alpha.sprite.*alphaFill)(r.x, r.y, r.w, r.h, d, opacity) != result) Fail("alpha fill result differs", -1, -1);
    alpha.CheckOutside(r, "alpha fill wrote outside the rectangle");
    const int32_t weight = opacity + (opacity >> 7);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) {
            const uint32_t was = alpha.Was(x, y), now = alpha.Is(x, y);
            if ((was ^ now) & 0x00FFFFFFu) Fail("alpha fill changed colour", x, y);
            const int32_t A = int32_t(was >> 24), a = (cov[size_t(y) * w + x] * weight) >> 8;
            if (int32_t(now >> 24) < A) Fail("alpha fill lowered alpha", x, y);
            const int32_t expected = a == 0 ? A : a == 256 ? 255 : a + ((A * (256 - a)) >> 8);
            if (int32_t(now >> 24) != expected) Fail("alpha fill off the union rule", x, y);
        }

    Canvas plain(w, h, clip, seed, true);
    if ((plain.sprite.*plainFill)(r.x, r.y, r.w, r.h, d, colour, opacity) != result)
        Fail("plain fill result differs", -1, -1);
    plain.CheckOutside(r, "plain fill wrote outside the rectangle");
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) {
            const int32_t c = cov[size_t(y) * w + x];
            if (c == 0 && plain.Is(x, y) != plain.Was(x, y)) Fail("plain fill changed an uncovered pixel", x, y);
            if (opacity == 255 && c == 256 && plain.Is(x, y) != (colour | 0xFF000000u))
                Fail("plain fill: a full pixel at 255 is not the colour", x, y);
        }

    Canvas onlyColour(w, h, clip, seed, true);
    if ((onlyColour.sprite.*colourFill)(r.x, r.y, r.w, r.h, d, colour, opacity) != result)
        Fail("colour fill result differs", -1, -1);
    onlyColour.CheckOutside(r, "colour fill wrote outside the rectangle");
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) {
            if ((onlyColour.Is(x, y) ^ onlyColour.Was(x, y)) & 0xFF000000u) Fail("colour fill changed alpha", x, y);
            if (cov[size_t(y) * w + x] == 0 && onlyColour.Is(x, y) != onlyColour.Was(x, y))
                Fail("colour fill changed an uncovered pixel", x, y);
        }

    if (level0) {
        Canvas pixel(w, h, clip, seed, true);
        const uint32_t value = in.ConsumeIntegral<uint32_t>();
        const uint8_t gate = in.ConsumeIntegral<uint8_t>();
        if (pixel.sprite.FillDiagramPixelAa0(r.x, r.y, r.w, r.h, d, value, gate) != result && gate != 0)
            Fail("pixel fill result differs", -1, -1);
        for (int32_t y = 0; y < h; ++y)
            for (int32_t x = 0; x < w; ++x) {
                const bool set = gate != 0 && cov[size_t(y) * w + x] != 0;
                if (pixel.Is(x, y) != (set ? value : pixel.Was(x, y))) Fail("pixel fill off the covered set", x, y);
            }
    }
}

void FuzzStrokes(FuzzedDataProvider& in, DiagramInfo& d, int32_t w, int32_t h, const Clip& clip, const Rect& r) {
    static constexpr int32_t kStrokeLevels[] = {0, 1, 2, 4, 8, 16, 3, -1};
    const int32_t level = kStrokeLevels[in.ConsumeIntegralInRange<int>(0, 7)];
    int32_t width;
    switch (in.ConsumeIntegralInRange<int>(0, 3)) {
    case 0: width = in.ConsumeIntegral<int32_t>(); break;
    default: width = in.ConsumeIntegralInRange<int32_t>(-2, 400); break;
    }
    const uint8_t opacity = in.ConsumeBool() ? 255 : in.ConsumeIntegral<uint8_t>();
    const uint32_t colour = in.ConsumeIntegral<uint32_t>();
    const uint32_t seed = in.ConsumeIntegral<uint32_t>();
    DiagramInfo scratch;
    DiagramInfo* given = in.ConsumeBool() ? &scratch : nullptr;

    Canvas plain(w, h, clip, seed, true);
    plain.sprite.StrokeDiagram(r.x, r.y, r.w, r.h, d, width, colour, level, given, opacity);
    plain.CheckOutside(r, "stroke wrote outside the rectangle");

    Canvas onlyColour(w, h, clip, seed, true);
    onlyColour.sprite.StrokeDiagramColor(r.x, r.y, r.w, r.h, d, width, colour, level, given, opacity);
    onlyColour.CheckOutside(r, "colour stroke wrote outside the rectangle");

    Canvas alpha(w, h, clip, seed, true);
    alpha.sprite.StrokeDiagramAlpha(r.x, r.y, r.w, r.h, d, width, level, given, opacity);
    alpha.CheckOutside(r, "alpha stroke wrote outside the rectangle");

    Canvas mask(w, h, clip, seed, true);
    mask.sprite.StrokeDiagramMask(r.x, r.y, r.w, r.h, d, width, level, given, opacity);
    mask.CheckOutside(r, "mask stroke wrote outside the rectangle");

    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) {
            if ((onlyColour.Is(x, y) ^ onlyColour.Was(x, y)) & 0xFF000000u) Fail("colour stroke changed alpha", x, y);
            if ((alpha.Is(x, y) ^ alpha.Was(x, y)) & 0x00FFFFFFu) Fail("alpha stroke changed colour", x, y);
            if ((alpha.Is(x, y) >> 24) < (alpha.Was(x, y) >> 24)) Fail("alpha stroke lowered alpha", x, y);
            if ((mask.Is(x, y) ^ mask.Was(x, y)) & 0x00FFFFFFu) Fail("mask stroke changed colour", x, y);
        }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool ready = InitRasterLibrary(1);
    (void)ready;
    FuzzedDataProvider in(data, size);
    const int32_t w = in.ConsumeIntegralInRange<int32_t>(1, 40), h = in.ConsumeIntegralInRange<int32_t>(1, 40);
    // The clip rectangle and the rectangle to draw in.
    Clip clip{0, 0, w, h};
    if (in.ConsumeBool())
        clip = {in.ConsumeIntegralInRange<int32_t>(-4, w + 4), in.ConsumeIntegralInRange<int32_t>(-4, h + 4),
                in.ConsumeIntegralInRange<int32_t>(-4, w + 4), in.ConsumeIntegralInRange<int32_t>(-4, h + 4)};
    Rect r{0, 0, w, h};
    if (in.ConsumeBool())
        r = {in.ConsumeIntegralInRange<int32_t>(-64, 64), in.ConsumeIntegralInRange<int32_t>(-64, 64),
             in.ConsumeIntegralInRange<int32_t>(-64, 128), in.ConsumeIntegralInRange<int32_t>(-64, 128)};
    const bool stroke = in.ConsumeBool();
    DiagramInfo d;
    BuildOutline(in, d, std::max(w, h) * 16);
    if (stroke)
        FuzzStrokes(in, d, w, h, clip, r);
    else
        FuzzFills(in, d, w, h, clip, r);
    return 0;
}
