#include "platform/Surface.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

namespace {

using platform::CMemorySurfaceBitmap;
using platform::CMemorySurfaceDevice;

CMemorySurfaceBitmap* AsMemory(const std::unique_ptr<platform::ISurfaceBitmap>& b) {
    return static_cast<CMemorySurfaceBitmap*>(b.get());
}

TEST(MemorySurface, SelectionLinksOneBitmapToOneDevice) {
    CMemorySurfaceDevice a, b;
    auto bitmap = a.CreateCompatibleBitmap(2, 2);
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(a.SelectBitmap(bitmap.get()), nullptr);
    EXPECT_TRUE(AsMemory(bitmap)->IsSelected());
    EXPECT_EQ(b.SelectBitmap(bitmap.get()), nullptr);  // refused: selected elsewhere
    EXPECT_EQ(b.GetSelectedBitmap(), nullptr);
    auto other = a.CreateCompatibleBitmap(1, 1);
    EXPECT_EQ(a.SelectBitmap(other.get()), bitmap.get());  // the previous one comes back
    EXPECT_FALSE(AsMemory(bitmap)->IsSelected());
    EXPECT_EQ(b.SelectBitmap(bitmap.get()), nullptr);
    EXPECT_EQ(b.GetSelectedBitmap(), bitmap.get());

    // Either side may go first.
    bitmap.reset();
    EXPECT_EQ(b.GetSelectedBitmap(), nullptr);
    {
        CMemorySurfaceDevice c;
        auto third = c.CreateCompatibleBitmap(1, 1);
        c.SelectBitmap(third.get());
        auto d = std::make_unique<CMemorySurfaceDevice>();
        auto fourth = d->CreateCompatibleBitmap(1, 1);
        d->SelectBitmap(fourth.get());
        d.reset();
        EXPECT_FALSE(AsMemory(fourth)->IsSelected());
    }
    EXPECT_EQ(a.CreateCompatibleBitmap(-1, 3), nullptr);
}

TEST(MemorySurface, RowTransfersFitTheBitmapAndRefuseSelectedOnes) {
    CMemorySurfaceDevice dc;
    auto bitmap = dc.CreateCompatibleBitmap(3, 2);
    const std::vector<uint32_t> rows = {1, 2, 3, 4, 5, 6};
    EXPECT_EQ(dc.SetBitmapRows(*bitmap, 0, 2, rows.data(), 3), 2);
    std::vector<uint32_t> back(6, 0);
    EXPECT_EQ(dc.GetBitmapRows(*bitmap, 0, 2, back.data(), 3), 2);
    EXPECT_EQ(back, rows);
    EXPECT_EQ(dc.SetBitmapRows(*bitmap, 1, 2, rows.data(), 3), 1);  // only row 1 exists
    EXPECT_EQ(AsMemory(bitmap)->GetPixels()[3], 1u);
    dc.SelectBitmap(bitmap.get());
    EXPECT_EQ(dc.SetBitmapRows(*bitmap, 0, 2, rows.data(), 3), 0);
    EXPECT_EQ(dc.GetBitmapRows(*bitmap, 0, 2, back.data(), 3), 0);
}

TEST(MemorySurface, FillAndBlits) {
    CMemorySurfaceDevice src, dst;
    auto sb = src.CreateCompatibleBitmap(3, 1);
    auto db = dst.CreateCompatibleBitmap(6, 2);
    src.SelectBitmap(sb.get());
    dst.SelectBitmap(db.get());
    const uint32_t* d = AsMemory(db)->GetPixels();

    EXPECT_TRUE(src.FillSolidRect(-5, -5, 100, 100, 0x00030201));  // clipped to the bitmap
    EXPECT_EQ(AsMemory(sb)->GetPixels()[2], 0x00010203u);
    AsMemory(sb)->GetPixels()[0] = 0xA;
    AsMemory(sb)->GetPixels()[1] = 0xB;
    AsMemory(sb)->GetPixels()[2] = 0xC;

    // Three pixels stretched onto six: each twice; one row onto two.
    ASSERT_TRUE(dst.StretchBlt(0, 0, 6, 2, src, 0, 0, 3, 1, platform::SRCCOPY));
    const std::vector<uint32_t> stretched = {0xA, 0xA, 0xB, 0xB, 0xC, 0xC};
    EXPECT_EQ(std::vector<uint32_t>(d, d + 6), stretched);
    EXPECT_EQ(std::vector<uint32_t>(d + 6, d + 12), stretched);

    // Six onto three samples pixel centres: 1, 3, 5.
    ASSERT_TRUE(src.StretchBlt(0, 0, 3, 1, dst, 0, 0, 6, 1, platform::SRCCOPY));
    const uint32_t* s = AsMemory(sb)->GetPixels();
    EXPECT_EQ(std::vector<uint32_t>(s, s + 3), (std::vector<uint32_t>{0xA, 0xB, 0xC}));

    // Partly outside both bitmaps: only what lies inside is drawn.
    ASSERT_TRUE(dst.BitBlt(4, 1, 3, 1, src, -1, 0, platform::SRCCOPY));
    EXPECT_EQ(d[6 + 4], 0xCu);  // source column -1 does not exist: left alone
    EXPECT_EQ(d[6 + 5], 0xAu);

    // Onto itself, overlapping.
    ASSERT_TRUE(dst.BitBlt(1, 0, 5, 1, dst, 0, 0, platform::SRCCOPY));
    EXPECT_EQ(std::vector<uint32_t>(d, d + 6), (std::vector<uint32_t>{0xA, 0xA, 0xA, 0xB, 0xB, 0xC}));

    EXPECT_FALSE(dst.BitBlt(0, 0, 1, 1, src, 0, 0, 0x00EE0086));  // SRCPAINT is not supported
    CMemorySurfaceDevice empty;
    EXPECT_FALSE(dst.BitBlt(0, 0, 1, 1, empty, 0, 0, platform::SRCCOPY));
    EXPECT_FALSE(empty.BitBlt(0, 0, 1, 1, src, 0, 0, platform::SRCCOPY));
    EXPECT_FALSE(empty.FillSolidRect(0, 0, 1, 1, 0));
}

}  // namespace
