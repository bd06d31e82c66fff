// The window manager's hit test and focus rules on a small tree of base
// windows (no caches, no host).
#include "windows/WndMgr.h"

#include <gtest/gtest.h>

#include "raster/surface/sprite/DrawMode.h"
#include "raster/surface/sprite/RasterLibrary.h"

namespace {

// A window whose focus answer and hit answer are set by the test.
class TestWnd : public IQRKWnd {
public:
    int32_t focusAnswer = 1;
    IQRKWnd* delegate = nullptr;
    bool acceptHit = true;
    int32_t getFocusCalls = 0;

    int32_t OnGetFocus(IQRKWnd*, IQRKWnd** out) override {
        ++getFocusCalls;
        if (out != nullptr) *out = delegate;
        return focusAnswer;
    }
    int32_t OnMessage(IQRKWnd* sender, uint32_t code, int32_t first, int32_t second, int32_t* point) override {
        if (code == kQRKMsgHitAccept && !acceptHit) return 0;
        return IQRKWnd::OnMessage(sender, code, first, second, point);
    }
};

class WndMgrTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { InitRasterLibrary(1); }
    void SetUp() override { ASSERT_TRUE(mgr.SetScreenSize(64, 64)); }

    bool Make(TestWnd& w, int32_t x, int32_t y, int32_t width, int32_t height, IQRKWnd* relative, int32_t link,
              bool visible = true) {
        return w.NewWindow(x, y, width, height, &mgr, relative, link, draw_mode::Code(draw_mode::kCopy), 0, visible,
                           255);
    }

    CQRKWndMgr mgr;
};

TEST_F(WndMgrTest, ScreenSizeKeepsTheOldScreenOnFailure) {
    EXPECT_TRUE(mgr.SetScreenSize(64, 64));  // same size: nothing new is dirty
    EXPECT_EQ(mgr.GetScreenDirtyCount(), 1u);
    EXPECT_FALSE(mgr.SetScreenSize(-1, 10));
    EXPECT_FALSE(mgr.SetScreenSize(20000, 20000));
    EXPECT_EQ(mgr.GetScreenWidth(), 64);
    EXPECT_EQ(mgr.GetCellMap().columns, 4);
    EXPECT_TRUE(mgr.SetScreenSize(100, 40));
    EXPECT_EQ(mgr.GetCellMap().columns, 7);
    EXPECT_EQ(mgr.GetCellMap().rows, 3);
    EXPECT_EQ(mgr.GetScreenDirtyCount(), 2u);
}

TEST_F(WndMgrTest, HitTestOrderAndHiddenParents) {
    TestWnd back, front, child, owned;
    ASSERT_TRUE(Make(back, 0, 0, 64, 64, nullptr, kQRKLinkTopLevel));
    ASSERT_TRUE(Make(front, 10, 10, 20, 20, nullptr, kQRKLinkTopLevel));
    ASSERT_TRUE(Make(child, 5, 5, 5, 5, &front, kQRKLinkChild));
    ASSERT_TRUE(Make(owned, 30, 30, 10, 10, &front, kQRKLinkOwned));
    int32_t lx = 0, ly = 0;
    EXPECT_EQ(mgr.FindWindowAt(16, 16, &lx, &ly), &child);
    EXPECT_EQ(lx, 6);
    EXPECT_EQ(ly, 6);
    EXPECT_EQ(mgr.FindWindowAt(12, 12), &front);
    EXPECT_EQ(mgr.FindWindowAt(45, 45), &owned);  // owned at 10 + 30
    EXPECT_EQ(mgr.FindWindowAt(60, 2), &back);
    front.ShowWindow(false);
    EXPECT_EQ(mgr.FindWindowAt(16, 16), &back);   // the child list goes with its parent
    EXPECT_EQ(mgr.FindWindowAt(45, 45), &owned);  // the owned list does not
    owned.acceptHit = false;
    EXPECT_EQ(mgr.FindWindowAt(45, 45), &back);
    EXPECT_EQ(mgr.FindWindowAt(70, 70), nullptr);
}

TEST_F(WndMgrTest, FocusRoutingBytes) {
    struct Case {
        uint32_t routing;
        bool result;
        int expected;  // 0 none, 1 parent, 2 child
    };
    const Case cases[] = {{0, true, 2}, {1, true, 1}, {2, false, 0}, {0x100, true, 2}};
    for (const Case& c : cases) {
        TestWnd parent, child;
        ASSERT_TRUE(Make(parent, 0, 0, 64, 64, nullptr, kQRKLinkTopLevel));
        ASSERT_TRUE(Make(child, 0, 0, 8, 8, &parent, kQRKLinkChild));
        parent.SetFocusRouting(c.routing);
        EXPECT_EQ(mgr.SetFocusWindow(&child), c.result) << c.routing;
        IQRKWnd* want = c.expected == 0 ? nullptr : c.expected == 1 ? static_cast<IQRKWnd*>(&parent) : &child;
        EXPECT_EQ(mgr.GetFocusWindow(), want) << c.routing;
        parent.Close();
    }
}

TEST_F(WndMgrTest, FocusNegotiationAnswers) {
    TestWnd a, b, inner;
    ASSERT_TRUE(Make(a, 0, 0, 8, 8, nullptr, kQRKLinkTopLevel));
    ASSERT_TRUE(Make(b, 8, 0, 8, 8, nullptr, kQRKLinkTopLevel));
    ASSERT_TRUE(Make(inner, 0, 0, 4, 4, &b, kQRKLinkChild));
    ASSERT_TRUE(mgr.SetFocusWindow(&a));
    // 3: the delegate takes it.
    b.focusAnswer = 3;
    b.delegate = &inner;
    EXPECT_TRUE(mgr.SetFocusWindow(&b));
    EXPECT_EQ(mgr.GetFocusWindow(), &inner);
    EXPECT_EQ(mgr.GetFocusChangeState(), CQRKWndMgr::kFocusChanged);
    // 0: refused, the old focus is asked to take it up again.
    a.focusAnswer = 0;
    const int32_t before = inner.getFocusCalls;
    EXPECT_FALSE(mgr.SetFocusWindow(&a));
    EXPECT_EQ(mgr.GetFocusWindow(), &inner);
    EXPECT_EQ(inner.getFocusCalls, before + 1);
    // Endless redirection (a delegate of itself) ends as a refusal.
    a.focusAnswer = 3;
    a.delegate = &a;
    EXPECT_FALSE(mgr.SetFocusWindow(&a));
    EXPECT_EQ(a.getFocusCalls, 1 + 1 + CQRKWndMgr::kMaxFocusRedirections + 1);
}

TEST_F(WndMgrTest, ReleaseWalksTheHistoryBack) {
    TestWnd a, b, c;
    ASSERT_TRUE(Make(a, 0, 0, 8, 8, nullptr, kQRKLinkTopLevel));
    ASSERT_TRUE(Make(b, 8, 0, 8, 8, nullptr, kQRKLinkTopLevel));
    ASSERT_TRUE(Make(c, 16, 0, 8, 8, nullptr, kQRKLinkTopLevel));
    ASSERT_TRUE(mgr.SetFocusWindow(&a));
    ASSERT_TRUE(mgr.SetFocusWindow(&b));
    ASSERT_TRUE(mgr.SetFocusWindow(&c));
    EXPECT_TRUE(mgr.ReleaseFocus());
    EXPECT_EQ(mgr.GetFocusWindow(), &b);
    EXPECT_TRUE(mgr.ReleaseFocus());
    EXPECT_EQ(mgr.GetFocusWindow(), &a);
    EXPECT_TRUE(mgr.ReleaseFocus());
    EXPECT_EQ(mgr.GetFocusWindow(), nullptr);
    EXPECT_FALSE(mgr.ReleaseFocus());
}

TEST_F(WndMgrTest, ReleaseSkipsAClosedWindow) {
    TestWnd a, b, c;
    ASSERT_TRUE(Make(a, 0, 0, 8, 8, nullptr, kQRKLinkTopLevel));
    ASSERT_TRUE(Make(b, 8, 0, 8, 8, nullptr, kQRKLinkTopLevel));
    ASSERT_TRUE(Make(c, 16, 0, 8, 8, nullptr, kQRKLinkTopLevel));
    ASSERT_TRUE(mgr.SetFocusWindow(&a));
    ASSERT_TRUE(mgr.SetFocusWindow(&b));
    ASSERT_TRUE(mgr.SetFocusWindow(&c));
    ASSERT_TRUE(b.Close());
    EXPECT_TRUE(mgr.ReleaseFocus());
    EXPECT_EQ(mgr.GetFocusWindow(), &a);
}

}  // namespace

namespace {

// A cached window that records the cells it is asked to paint.
class CountingWnd : public CQRKWnd {
public:
    int32_t paints = 0;
    void Paint(int32_t, int32_t, CSprite&, int32_t, int32_t, int32_t, int32_t) override { ++paints; }
};

TEST_F(WndMgrTest, CopyWindowHidesChangesBelowItsWholeCells) {
    CountingWnd lower, upper;
    ASSERT_TRUE(lower.NewWindow(0, 0, 64, 64, &mgr, nullptr, kQRKLinkTopLevel, draw_mode::Code(draw_mode::kAlpha), 0,
                                true, 255));
    ASSERT_TRUE(upper.NewWindow(8, 0, 32, 32, &mgr, nullptr, kQRKLinkTopLevel, draw_mode::Code(draw_mode::kCopy), 0,
                                true, 255));
    for (IQRKWnd* w : {static_cast<IQRKWnd*>(&lower), static_cast<IQRKWnd*>(&upper)})
        w->Process(nullptr, nullptr, tagPOINT{0, 0}, tagPOINT{0, 0}, true);
    CSprite target;
    ASSERT_TRUE(target.Create(64, 64, false));
    EXPECT_TRUE(mgr.Draw(0, 0, target, 0, 0, 64, 64, true));
    // Everything dirty: the lower window skips column 1 of rows 0-1 (taken over).
    EXPECT_EQ(lower.paints, 16 - 2);
    EXPECT_EQ(upper.paints, 6);
    EXPECT_FALSE(mgr.Draw(0, 0, target, 0, 0, 64, 64, true));  // nothing invalidated

    struct Case {
        int32_t x, y;
        bool changed;
        int32_t lowerPaints, upperPaints;
    };
    const Case cases[] = {
        {20, 4, false, 0, 0},  // column 1, under the opaque window
        {2, 4, true, 1, 1},    // column 0, cut by the window's edge
        {50, 50, true, 1, 0},  // outside the window
    };
    for (const Case& c : cases) {
        lower.paints = upper.paints = 0;
        lower.InvalidateRect(c.x, c.y, 2, 2);
        EXPECT_EQ(mgr.Draw(0, 0, target, 0, 0, 64, 64, true), c.changed) << c.x;
        EXPECT_EQ(lower.paints, c.lowerPaints) << c.x;
        EXPECT_EQ(upper.paints, c.upperPaints) << c.x;
    }
    upper.Close();
    lower.Close();
}

}  // namespace
