#pragma once
// Small helpers shared by the compositing kernel tests.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "raster/blend/KernelTable.h"
#include "raster/blend/SeparableFormulas.h"
#include "raster/surface/sprite/RasterLibrary.h"
#include "raster/surface/sprite/Sprite.h"
#include "tests/raster/RasterTestSupport.h"

namespace blend_test {

// Kernels need the union table; a second start-up is a harmless refusal.
class KernelTest : public ::testing::Test {
protected:
    void SetUp() override { InitRasterLibrary(1); }
};

// Gives tests the field that only the indexed conversion sets.
class TestSprite : public CSprite {
public:
    void SetDepthCode(uint32_t code) { m_flags = code; }
};

using raster_test::Fill;
using raster_test::Make;
using raster_test::Pixels;

// A pixel whose alpha is 0 or 255 about a quarter of the time each, so that
// every branch of the rules is taken often.
inline uint32_t RandomPixel(std::mt19937& rng) {
    const uint32_t colour = rng() & 0x00FFFFFFu;
    uint32_t alpha = rng() & 0xFF;
    switch (rng() & 3) {
        case 0: alpha = 0; break;
        case 1: alpha = 255; break;
        default: break;
    }
    return colour | (alpha << 24);
}

inline void FillRandom(CSprite& sprite, std::mt19937& rng) {
    for (int32_t y = 0; y < sprite.GetHeight(); ++y)
        for (int32_t x = 0; x < sprite.GetWidth(); ++x) *sprite.PixelAt(x, y) = RandomPixel(rng);
}

// Copies the pixels and the clip rectangle of one sprite into another of the
// same size.
inline void CopyState(const CSprite& from, CSprite& to) {
    raster_test::CopyPixels(from, to);
    to.SetClipRect(from.GetClipLeft(), from.GetClipTop(), from.GetClipRight(), from.GetClipBottom());
}

// Every member of every kernel family.
inline std::vector<blend::KernelEntry> AllKernels() {
    std::vector<blend::KernelEntry> out;
    for (auto table : {blend::CopyKernels(), blend::AlphaKernels(), blend::BlendKernels(), blend::LayerKernels(),
                       blend::BackKernels(), blend::SeparableBasicKernels(), blend::SeparableDivideKernels(),
                       blend::SeparableLightKernels(), blend::SeparableLinearKernels(), blend::AddKernels(),
                       blend::SubKernels(), blend::RevMulKernels(), blend::XorKernels(), blend::MulKernels(),
                       blend::DivKernels()})
        out.insert(out.end(), table.begin(), table.end());
    return out;
}

inline const blend::KernelEntry* FindKernel(const std::string& name) {
    static const std::vector<blend::KernelEntry> all = AllKernels();
    for (const auto& e : all)
        if (name == e.name) return &e;
    return nullptr;
}

// The arguments of one call, whatever the shape reads of them.
struct CallArgs {
    int32_t dx = 0, dy = 0, dw = 0, dh = 0;
    int32_t sx = 0, sy = 0, sw = 0, sh = 0;  // w, h of plain shapes are sw, sh
    uint32_t level = 255;                    // opacity (low byte) or level
    uint32_t tone = 0, rp = 0, gp = 0, bp = 0, am = 256;
};

inline void Call(const blend::KernelEntry& e, CSprite& target, const CSprite& source, const CallArgs& a) {
    using namespace blend;
    switch (e.shape) {
        case Shape::Plain:
        case Shape::Masked:
        case Shape::FromIndexed:
            (target.*std::get<PlainFn>(e.fn))(a.dx, a.dy, source, a.sx, a.sy, a.sw, a.sh);
            break;
        case Shape::PlainOpacity:
            (target.*std::get<PlainOpacityFn>(e.fn))(a.dx, a.dy, source, a.sx, a.sy, a.sw, a.sh,
                                                     static_cast<uint8_t>(a.level));
            break;
        case Shape::PlainLevel:
            (target.*std::get<PlainLevelFn>(e.fn))(a.dx, a.dy, source, a.sx, a.sy, a.sw, a.sh, a.level);
            break;
        case Shape::PlainTone:
            (target.*std::get<PlainToneFn>(e.fn))(a.dx, a.dy, source, a.sx, a.sy, a.sw, a.sh, a.tone, a.rp, a.gp,
                                                  a.bp, a.am);
            break;
        case Shape::Stretched:
            (target.*std::get<StretchedFn>(e.fn))(a.dx, a.dy, a.dw, a.dh, source, a.sx, a.sy, a.sw, a.sh);
            break;
        case Shape::StretchedOpacity:
            (target.*std::get<StretchedOpacityFn>(e.fn))(a.dx, a.dy, a.dw, a.dh, source, a.sx, a.sy, a.sw, a.sh,
                                                         static_cast<uint8_t>(a.level));
            break;
        case Shape::StretchedLevel:
            (target.*std::get<StretchedLevelFn>(e.fn))(a.dx, a.dy, a.dw, a.dh, source, a.sx, a.sy, a.sw, a.sh,
                                                       a.level);
            break;
        case Shape::StretchedTone:
            (target.*std::get<StretchedToneFn>(e.fn))(a.dx, a.dy, a.dw, a.dh, source, a.sx, a.sy, a.sw, a.sh,
                                                      a.tone, a.rp, a.gp, a.bp, a.am);
            break;
    }
}

inline bool IsStretched(blend::Shape s) {
    return s == blend::Shape::Stretched || s == blend::Shape::StretchedOpacity || s == blend::Shape::StretchedLevel ||
           s == blend::Shape::StretchedTone;
}

// One pixel of source drawn over one pixel of destination by a plain member.
template <class DrawFn>
uint32_t OnePixel(uint32_t src, uint32_t dst, DrawFn draw) {
    CSprite s;
    CSprite d;
    EXPECT_TRUE(s.Create(1, 1, false));
    EXPECT_TRUE(d.Create(1, 1, false));
    *s.PixelAt(0, 0) = src;
    *d.PixelAt(0, 0) = dst;
    draw(d, s);
    return *d.PixelAt(0, 0);
}

using Draw = std::function<void(CSprite&, const CSprite&)>;

inline Draw Plain(blend::PlainFn f) {
    return [f](CSprite& t, const CSprite& s) { (t.*f)(0, 0, s, 0, 0, s.GetWidth(), s.GetHeight()); };
}
inline Draw Opacity(blend::PlainOpacityFn f, uint8_t o) {
    return [f, o](CSprite& t, const CSprite& s) { (t.*f)(0, 0, s, 0, 0, s.GetWidth(), s.GetHeight(), o); };
}
inline Draw Tone(blend::PlainToneFn f, uint32_t tone, uint32_t rp, uint32_t gp, uint32_t bp, uint32_t am) {
    return [=](CSprite& t, const CSprite& s) {
        (t.*f)(0, 0, s, 0, 0, s.GetWidth(), s.GetHeight(), tone, rp, gp, bp, am);
    };
}

struct PixelCase {
    const char* name;
    Draw draw;
    uint32_t source, destination, expected;
};

inline void ExpectCases(const std::vector<PixelCase>& cases) {
    for (const auto& c : cases)
        EXPECT_EQ(OnePixel(c.source, c.destination, c.draw), c.expected)
            << c.name << std::hex << ": source 0x" << c.source << " destination 0x" << c.destination;
}

// Draws the same random source and destination with two draws and compares.
inline void ExpectSameDrawing(const Draw& a, const Draw& b, std::mt19937& rng, const char* what) {
    CSprite source, one, two;
    Make(source, 64, 64);
    Make(one, 64, 64);
    FillRandom(source, rng);
    FillRandom(one, rng);
    CopyState(one, two);
    a(one, source);
    b(two, source);
    EXPECT_EQ(Pixels(one), Pixels(two)) << what;
}

}  // namespace blend_test
