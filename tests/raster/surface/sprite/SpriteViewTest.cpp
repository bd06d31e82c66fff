#include "raster/surface/sprite/SpriteView.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>

#include "platform/Surface.h"
#include "raster/surface/sprite/RasterLibrary.h"

namespace {

using platform::CMemorySurfaceBitmap;
using platform::CMemorySurfaceDevice;

// A window stand-in: a memory device with a bitmap of its own selected.
struct Window {
    CMemorySurfaceDevice device;
    std::unique_ptr<platform::ISurfaceBitmap> bitmap;
    Window(int32_t w, int32_t h) : bitmap(device.CreateCompatibleBitmap(w, h)) { device.SelectBitmap(bitmap.get()); }
    uint32_t At(int32_t x, int32_t y) const {
        auto* b = static_cast<CMemorySurfaceBitmap*>(bitmap.get());
        return b->GetPixels()[y * b->GetWidth() + x];
    }
};

CMemorySurfaceBitmap* MemoryBitmap(const CSpriteView& v) { return dynamic_cast<CMemorySurfaceBitmap*>(v.GetBitmap()); }

class SpriteViewTest : public ::testing::Test {
protected:
    void SetUp() override { InitRasterLibrary(1); }
    CMemorySurfaceDevice screen;
};

TEST_F(SpriteViewTest, DeviceObjectsNeedPixelsAndAreMadeOnce) {
    CSpriteView v;
    EXPECT_FALSE(v.HasGdiObjects());
    EXPECT_FALSE(v.IsBitmapSelected());
    EXPECT_FALSE(v.CreateGdiObjects(&screen));  // no pixels
    EXPECT_TRUE(v.DeleteGdiObjects());          // nothing to delete
    ASSERT_TRUE(v.Create(8, 4, false));
    EXPECT_FALSE(v.CreateGdiObjects(nullptr));
    ASSERT_TRUE(v.CreateGdiObjects(&screen));
    ASSERT_NE(MemoryBitmap(v), nullptr);
    EXPECT_EQ(v.GetBitmap()->GetWidth(), 8);
    EXPECT_EQ(v.GetBitmap()->GetHeight(), 4);

    // A resized view keeps its old bitmap until the objects are deleted.
    ASSERT_TRUE(v.ResizeUncleared(20, 10));
    platform::ISurfaceBitmap* old = v.GetBitmap();
    EXPECT_TRUE(v.CreateGdiObjects(&screen));
    EXPECT_EQ(v.GetBitmap(), old);
    EXPECT_EQ(v.GetBitmap()->GetWidth(), 8);
    EXPECT_FALSE(v.Upload());  // the rows no longer fit
    EXPECT_TRUE(v.DeleteGdiObjects());
    EXPECT_FALSE(v.HasGdiObjects());
    EXPECT_EQ(v.GetBitmap(), nullptr);
    ASSERT_TRUE(v.CreateGdiObjects(&screen));
    EXPECT_EQ(v.GetBitmap()->GetWidth(), 20);
    EXPECT_TRUE(v.Upload());
}

TEST_F(SpriteViewTest, SelectedBitmapBlocksTransfersDeletionAndRelease) {
    CSpriteView v;
    ASSERT_TRUE(v.Create(4, 2, false));
    EXPECT_EQ(v.SelectBitmap(), nullptr);  // no device yet
    ASSERT_TRUE(v.CreateGdiObjects(&screen));
    for (int32_t i = 0; i < 8; ++i) v.GetPixels()[i] = 0x11111111u * static_cast<uint32_t>(i);
    ASSERT_TRUE(v.Upload());

    platform::ISurfaceDevice* dc = v.SelectBitmap();
    ASSERT_NE(dc, nullptr);
    EXPECT_EQ(dc, v.GetMemoryDevice());
    EXPECT_TRUE(v.IsBitmapSelected());
    EXPECT_EQ(v.SelectBitmap(), nullptr);  // twice

    v.GetPixels()[0] = 0xCAFEBABE;
    EXPECT_FALSE(v.Upload());  // refused, bitmap untouched
    EXPECT_EQ(MemoryBitmap(v)->GetPixels()[0], 0u);
    EXPECT_FALSE(v.ReadBack());
    EXPECT_EQ(v.GetPixels()[0], 0xCAFEBABEu);
    EXPECT_FALSE(v.DeleteGdiObjects());
    EXPECT_TRUE(v.HasGdiObjects());
    Window window(4, 2);
    EXPECT_FALSE(v.StretchBltTo(&window.device, 0, 0, 4, 2, 0, 0, 4, 2, platform::SRCCOPY));
    EXPECT_FALSE(v.BitBltTo(&window.device, 0, 0, 4, 2, 0, 0, platform::SRCCOPY));

    bool thrown = false;
    try {
        v.Release();
    } catch (CSpriteView* p) {
        thrown = p == &v;
    }
    EXPECT_TRUE(thrown);
    EXPECT_TRUE(v.HasImage());  // nothing was released

    v.DeselectBitmap();
    EXPECT_FALSE(v.IsBitmapSelected());
    v.DeselectBitmap();  // harmless when not selected
    auto* mem = static_cast<CMemorySurfaceDevice*>(v.GetMemoryDevice());
    EXPECT_EQ(mem->GetSelectedBitmap(), nullptr);  // the saved (empty) selection is back
    v.Release();
    EXPECT_FALSE(v.HasGdiObjects());
    EXPECT_FALSE(v.HasImage());
}

TEST_F(SpriteViewTest, DrawingIntoTheBitmapComesBackIntoThePixels) {
    CSpriteView v;
    ASSERT_TRUE(v.Create(6, 3, true));
    ASSERT_TRUE(v.CreateGdiObjects(&screen));
    ASSERT_TRUE(v.Upload());
    platform::ISurfaceDevice* dc = v.SelectBitmap();
    ASSERT_NE(dc, nullptr);
    ASSERT_TRUE(dc->FillSolidRect(1, 1, 4, 3, 0x00332211));  // COLORREF: red 0x11, green 0x22, blue 0x33
    v.DeselectBitmap();
    ASSERT_TRUE(v.ReadBack());
    for (int32_t y = 0; y < 3; ++y)
        for (int32_t x = 0; x < 6; ++x) {
            const bool filled = x >= 1 && x < 4 && y >= 1;
            // Read back replaces all four bytes: the device wrote no alpha.
            EXPECT_EQ(*v.PixelAt(x, y), filled ? 0x00112233u : 0xFFFFFFFFu) << x << "," << y;
        }
}

TEST_F(SpriteViewTest, StretchBltToShowsThePixelsOnceTheLibraryIsReady) {
    CSpriteView v;
    ASSERT_TRUE(v.Create(2, 2, false));
    const uint32_t px[4] = {0xFF0000FF, 0xFF00FF00, 0xFFFF0000, 0x80123456};
    for (int32_t i = 0; i < 4; ++i) v.GetPixels()[i] = px[i];
    Window window(4, 4);

    raster_test::ResetRasterLibrary();
    EXPECT_FALSE(v.StretchBltTo(&window.device, 0, 0, 4, 4, 0, 0, 2, 2, platform::SRCCOPY));
    EXPECT_TRUE(v.HasGdiObjects());  // made before the ready test
    EXPECT_EQ(window.At(0, 0), 0u);
    InitRasterLibrary(1);

    ASSERT_TRUE(v.StretchBltTo(&window.device, 0, 0, 4, 4, 0, 0, 2, 2, platform::SRCCOPY));
    for (int32_t y = 0; y < 4; ++y)
        for (int32_t x = 0; x < 4; ++x) EXPECT_EQ(window.At(x, y), px[(y / 2) * 2 + x / 2]) << x << "," << y;
    EXPECT_FALSE(v.IsBitmapSelected());
    EXPECT_EQ(static_cast<CMemorySurfaceDevice*>(v.GetMemoryDevice())->GetSelectedBitmap(), nullptr);

    // The pixels are uploaded on every show.
    v.GetPixels()[0] = 0xFFABCDEF;
    ASSERT_TRUE(v.BitBltTo(&window.device, 1, 1, 2, 2, 0, 0, platform::SRCCOPY));
    EXPECT_EQ(window.At(1, 1), 0xFFABCDEFu);
    EXPECT_EQ(window.At(2, 2), px[3]);
    EXPECT_EQ(window.At(0, 0), px[0]);

    // A raster operation the device does not support is reported, not hidden.
    EXPECT_FALSE(v.StretchBltTo(&window.device, 0, 0, 4, 4, 0, 0, 2, 2, 0x00EE0086 /* SRCPAINT */));
    EXPECT_FALSE(v.StretchBltTo(nullptr, 0, 0, 4, 4, 0, 0, 2, 2, platform::SRCCOPY));
}

// A window that reads the caller's memory: it records what it was shown, and
// can be told to decline, as a device without the direct path does.
struct DirectWindow final : platform::ISurfaceDevice {
    CMemorySurfaceDevice inner;  // everything else: a plain memory device
    bool accept = true;
    int32_t calls = 0;
    const uint32_t* pixels = nullptr;
    int32_t args[11] = {};
    bool FillSolidRect(int32_t l, int32_t t, int32_t r, int32_t b, uint32_t c) override {
        return inner.FillSolidRect(l, t, r, b, c);
    }
    std::unique_ptr<ISurfaceDevice> CreateCompatibleDevice() override { return inner.CreateCompatibleDevice(); }
    std::unique_ptr<platform::ISurfaceBitmap> CreateCompatibleBitmap(int32_t w, int32_t h) override {
        return inner.CreateCompatibleBitmap(w, h);
    }
    platform::ISurfaceBitmap* SelectBitmap(platform::ISurfaceBitmap* b) override { return inner.SelectBitmap(b); }
    int32_t SetBitmapRows(platform::ISurfaceBitmap& b, int32_t s, int32_t n, const uint32_t* r, int32_t w) override {
        return inner.SetBitmapRows(b, s, n, r, w);
    }
    int32_t GetBitmapRows(platform::ISurfaceBitmap& b, int32_t s, int32_t n, uint32_t* r, int32_t w) override {
        return inner.GetBitmapRows(b, s, n, r, w);
    }
    bool StretchBlt(int32_t x, int32_t y, int32_t w, int32_t h, ISurfaceDevice& src, int32_t sx, int32_t sy,
                    int32_t sw, int32_t sh, uint32_t rop) override {
        return inner.StretchBlt(x, y, w, h, src, sx, sy, sw, sh, rop);
    }
    bool BitBlt(int32_t x, int32_t y, int32_t w, int32_t h, ISurfaceDevice& src, int32_t sx, int32_t sy,
                uint32_t rop) override {
        return inner.BitBlt(x, y, w, h, src, sx, sy, rop);
    }
    const uint32_t* GetSelectedPixels(int32_t& w, int32_t& h) const override { return inner.GetSelectedPixels(w, h); }
    bool StretchFromMemory(int32_t x, int32_t y, int32_t w, int32_t h, const uint32_t* p, int32_t width,
                           int32_t height, int32_t stride, int32_t sx, int32_t sy, int32_t sw, int32_t sh,
                           uint32_t rop) override {
        ++calls;
        if (!accept) return false;
        pixels = p;
        const int32_t a[11] = {x, y, w, h, width, height, stride, sx, sy, sw, sh};
        std::copy(a, a + 11, args);
        return rop == platform::SRCCOPY;
    }
};

TEST_F(SpriteViewTest, AWindowThatReadsMemoryIsShownTheSpritesOwnPixels) {
    CSpriteView v;
    ASSERT_TRUE(v.Create(5, 3, true));
    DirectWindow window;
    ASSERT_TRUE(v.StretchBltTo(&window, 1, 2, 10, 6, 0, 1, 5, 2, platform::SRCCOPY));
    EXPECT_EQ(window.pixels, v.GetPixels());  // no copy in between
    const int32_t expected[11] = {1, 2, 10, 6, 5, 3, 5, 0, 1, 5, 2};
    for (int32_t i = 0; i < 11; ++i) EXPECT_EQ(window.args[i], expected[i]) << i;
    EXPECT_FALSE(v.HasGdiObjects());  // nothing made, nothing uploaded

    // Refused while the bitmap is selected, and before the library is ready,
    // without asking the window.
    ASSERT_TRUE(v.CreateGdiObjects(&window));
    ASSERT_NE(v.SelectBitmap(), nullptr);
    window.calls = 0;
    EXPECT_FALSE(v.StretchBltTo(&window, 0, 0, 5, 3, 0, 0, 5, 3, platform::SRCCOPY));
    v.DeselectBitmap();
    raster_test::ResetRasterLibrary();
    EXPECT_FALSE(v.StretchBltTo(&window, 0, 0, 5, 3, 0, 0, 5, 3, platform::SRCCOPY));
    EXPECT_EQ(window.calls, 0);
    InitRasterLibrary(1);

    // A window that declines gets the upload path: its blit from the bitmap.
    window.accept = false;
    auto target = window.CreateCompatibleBitmap(5, 3);
    window.inner.SelectBitmap(target.get());
    v.GetPixels()[0] = 0xFF123456;
    ASSERT_TRUE(v.StretchBltTo(&window, 0, 0, 5, 3, 0, 0, 5, 3, platform::SRCCOPY));
    EXPECT_EQ(window.calls, 1);
    EXPECT_EQ(static_cast<CMemorySurfaceBitmap*>(target.get())->GetPixels()[0], 0xFF123456u);
    window.inner.SelectBitmap(nullptr);
}

TEST_F(SpriteViewTest, EmptyViewRefusesEverything) {
    CSpriteView v;
    Window window(2, 2);
    EXPECT_EQ(v.SelectBitmap(), nullptr);
    EXPECT_FALSE(v.Upload());
    EXPECT_FALSE(v.ReadBack());
    EXPECT_FALSE(v.StretchBltTo(&window.device, 0, 0, 2, 2, 0, 0, 2, 2, platform::SRCCOPY));
    EXPECT_FALSE(v.HasGdiObjects());
    v.Release();  // nothing to release, no throw
}

TEST_F(SpriteViewTest, DestroyingASelectedViewLeavesNoDanglingSelection) {
    auto v = std::make_unique<CSpriteView>();
    ASSERT_TRUE(v->Create(3, 3, true));
    ASSERT_TRUE(v->CreateGdiObjects(&screen));
    ASSERT_NE(v->SelectBitmap(), nullptr);
    v.reset();  // the sanitizer build checks that nothing touches freed objects
    SUCCEED();
}

}  // namespace
