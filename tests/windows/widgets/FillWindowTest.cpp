// The fill window's Paint: only the part of the requested rectangle that
// lies inside the window is filled, by the draw mode; hidden paints nothing.
#include "windows/widgets/FillWindow.h"

#include <gtest/gtest.h>

#include "raster/surface/sprite/RasterLibrary.h"
#include "windows/WndMgr.h"

namespace {

TEST(FillWindow, PaintFillsOnlyThePartInsideTheWindow) {
    InitRasterLibrary(1);
    struct Case {
        const char* name;
        uint32_t mode;
        bool visible;
        int32_t sx, sy;
        int32_t fx, fy, fw, fh;  // expected filled rectangle of the target (fw 0: none)
        uint32_t filled;
    };
    const Case cases[] = {
        {"inside", 0x70000001, true, 0, 0, 0, 0, 16, 16, 0xFF102030u},
        {"negative source offset", 0x70000001, true, -5, -3, 5, 3, 11, 13, 0xFF102030u},
        {"past the right and bottom edges", 0x70000001, true, 10, 12, 0, 0, 10, 8, 0xFF102030u},
        {"ALPHA keeps the target's alpha", 0x70000002, true, 0, 0, 0, 0, 16, 16, 0x40102030u},
        {"hidden", 0x70000001, false, 0, 0, 0, 0, 0, 0, 0},
        {"a mode without a fill", 0x70000013, true, 0, 0, 0, 0, 0, 0, 0},
    };
    for (const Case& c : cases) {
        CQRKWndMgr manager;
        QRKWFillWindow w;
        ASSERT_TRUE(w.NewWindow(0, 0, 20, 20, &manager, nullptr, kQRKLinkTopLevel, c.mode, 0, c.visible, 128))
            << c.name;
        w.colour = 0x102030;
        CSprite target;
        ASSERT_TRUE(target.Create(24, 24, false));
        target.FillRect(0, 0, 24, 24, 0x40FFFFFFu);
        w.Paint(0, 0, target, c.sx, c.sy, 16, 16);
        for (int32_t y = 0; y < 24; ++y)
            for (int32_t x = 0; x < 24; ++x) {
                const bool inside = x >= c.fx && x < c.fx + c.fw && y >= c.fy && y < c.fy + c.fh;
                ASSERT_EQ(*target.PixelAt(x, y), inside ? c.filled : 0x40FFFFFFu) << c.name << " " << x << "," << y;
            }
        EXPECT_TRUE(w.ResetContents());
        EXPECT_EQ(w.colour, 0xFFFFFFu);
        w.Close();
    }
}

}  // namespace
