// The animation records: the positions visited under the three end modes,
// refused starts that keep a running animation, opacity and colour ends, a
// refused step (the window stays put) and positions near the int32 limits.
#include "windows/WindowAnimation.h"

#include <gtest/gtest.h>

#include <climits>
#include <vector>

namespace {

// Runs `frames` steps of a move applied to a window that accepts every move.
std::vector<int32_t> VisitedX(QRKWMoveAnimation& a, QRKWAnimRect& window, int32_t frames) {
    std::vector<int32_t> xs;
    for (int32_t i = 0; i < frames && a.IsRunning(); ++i) {
        window = a.Advance();
        xs.push_back(window.x);
        a.EndStep(window);
    }
    return xs;
}

TEST(WindowAnimation, MoveVisitsTheStepsOfEachEndMode) {
    struct Case {
        const char* name;
        uint32_t endMode;
        std::vector<int32_t> visited;
        bool runningAfter;
    };
    const Case cases[] = {
        {"stop", 0, {3, 6, 10}, false},
        {"start over", 1, {3, 6, 10, 3, 6, 10, 3, 6, 10}, true},
        {"back and forth", 2, {3, 6, 10, 7, 4, 0, 3, 6, 10}, true},
    };
    for (const Case& c : cases) {
        QRKWMoveAnimation a;
        QRKWAnimRect window{0, 5, 20, 20};
        ASSERT_TRUE(a.Start(window, 10, 5, 3, c.endMode)) << c.name;
        EXPECT_EQ(VisitedX(a, window, 9), c.visited) << c.name;
        EXPECT_EQ(a.IsRunning(), c.runningAfter) << c.name;
        EXPECT_EQ(window.y, 5) << c.name;
        EXPECT_FALSE(a.IsResize()) << c.name;
    }
}

TEST(WindowAnimation, RefusedStartsKeepTheRunningAnimation) {
    struct Case {
        const char* name;
        int32_t x, y, width, height, frames;
        uint32_t endMode;
        bool resize;
    };
    const Case cases[] = {
        {"no frames", 10, 0, 0, 0, 0, 0, false},
        {"too many frames", 10, 0, 0, 0, 32768, 0, false},
        {"x beyond the range", 16384, 0, 0, 0, 3, 0, false},
        {"y below the range", 0, -16384, 0, 0, 3, 0, false},
        {"end mode 3", 10, 0, 0, 0, 3, 3, false},
        {"width 0", 10, 0, 0, 10, 3, 0, true},
        {"height 4097", 10, 0, 10, 4097, 3, 0, true},
    };
    for (const Case& c : cases) {
        QRKWMoveAnimation a;
        const QRKWAnimRect window{0, 0, 20, 20};
        ASSERT_TRUE(a.Start(window, 100, 50, 7, 1));
        a.Advance();
        const bool ok = c.resize ? a.StartResize(window, {c.x, c.y, c.width, c.height}, c.frames, c.endMode)
                                 : a.Start(window, c.x, c.y, c.frames, c.endMode);
        EXPECT_FALSE(ok) << c.name;
        EXPECT_EQ(a.GetFrames(), 7) << c.name;
        EXPECT_EQ(a.GetCounter(), 1) << c.name;
        EXPECT_EQ(a.Target().x, 100) << c.name;
    }
    // The limits themselves are accepted.
    QRKWMoveAnimation a;
    EXPECT_TRUE(a.Start({}, -16383, 16383, 32767, 2));
    EXPECT_TRUE(a.StartResize({}, {0, 0, 4096, 1}, 1, 0));
}

TEST(WindowAnimation, MoveResizeAndBackAfterARefusedStep) {
    QRKWMoveAnimation a;
    QRKWAnimRect window{0, 0, 10, 10};
    ASSERT_TRUE(a.StartResize(window, {8, -4, 30, 2}, 4, 2));
    EXPECT_TRUE(a.IsResize());
    const QRKWAnimRect first = a.Advance();
    EXPECT_EQ(first.x, 2);
    EXPECT_EQ(first.y, -1);
    EXPECT_EQ(first.width, 15);
    EXPECT_EQ(first.height, 8);
    // The parent refuses the remaining steps: the window stays where it is,
    // and the way back starts from there, not from the target.
    a.EndStep(window);
    for (int i = 0; i < 3; ++i) {
        a.Advance();
        a.EndStep(window);
    }
    ASSERT_TRUE(a.IsRunning());
    EXPECT_EQ(a.GetCounter(), 0);
    const QRKWAnimRect back = a.Target();
    EXPECT_EQ(back.x, 0);
    EXPECT_EQ(back.width, 10);
    EXPECT_FALSE(a.IsResize());  // from the unmoved window back to the same rectangle

    a.Clear();
    EXPECT_FALSE(a.IsRunning());
    EXPECT_EQ(a.GetCounter(), 0);
}

// A window far out at a document-driven position: the delta to a target
// inside the allowed range does not fit 32 bits; the steps stay exact.
TEST(WindowAnimation, MoveFromFarOutsideDoesNotOverflow) {
    QRKWMoveAnimation a;
    QRKWAnimRect window{INT32_MAX - 5, INT32_MIN + 5, 20, 20};
    ASSERT_TRUE(a.Start(window, -16383, 16383, 2, 0));
    const QRKWAnimRect half = a.Advance();
    EXPECT_EQ(half.x, int32_t((int64_t{INT32_MAX} - 5 + (-16383 - (int64_t{INT32_MAX} - 5)) / 2)));
    EXPECT_GT(half.x, 0);
    EXPECT_LT(half.y, 0);
    const QRKWAnimRect end = a.Advance();
    EXPECT_EQ(end.x, -16383);
    EXPECT_EQ(end.y, 16383);
}

TEST(WindowAnimation, OpacityEndsExactlyOnTheTarget) {
    struct Case {
        const char* name;
        uint8_t from, to;
        int32_t frames;
        uint32_t endMode;
        std::vector<int32_t> firstLevels;  // compared with the first steps
        int32_t lastLevel;                 // level after `frames` steps
    };
    const Case cases[] = {
        {"128 to 255 over 127", 128, 255, 127, 0, {129, 130}, 255},
        {"255 to 0 over 1", 255, 0, 1, 0, {0}, 0},
        {"0 to 10 over 3", 0, 10, 3, 0, {3, 6, 10}, 10},
    };
    for (const Case& c : cases) {
        QRKWOpacityAnimation a;
        ASSERT_TRUE(a.Start(c.from, c.to, c.frames, c.endMode)) << c.name;
        int32_t level = -1;
        for (int32_t i = 0; i < c.frames; ++i) {
            level = a.Advance();
            if (size_t(i) < c.firstLevels.size()) {
                EXPECT_EQ(level, c.firstLevels[size_t(i)]) << c.name << " " << i;
            }
        }
        EXPECT_EQ(level, c.lastLevel) << c.name;
        EXPECT_FALSE(a.IsRunning()) << c.name;
    }
    // Back and forth returns to the start level.
    QRKWOpacityAnimation a;
    ASSERT_TRUE(a.Start(0, 10, 3, 2));
    std::vector<int32_t> levels;
    for (int i = 0; i < 7; ++i) levels.push_back(a.Advance());
    EXPECT_EQ(levels, (std::vector<int32_t>{3, 6, 10, 7, 4, 0, 3}));
    EXPECT_FALSE(a.Start(0, 10, 0, 0));
    EXPECT_FALSE(a.Start(0, 10, 3, 3));
    EXPECT_TRUE(a.IsRunning());
}

TEST(WindowAnimation, ColourStepsAndEnds) {
    QRKWColorAnimation a;
    const QRKWColorParams from{0x000A0B0C, 0, 256, 100};
    // A target tone colour with a top byte: the animated colour never has one.
    const QRKWColorParams to{0xFF1A2B3C, 256, 0, 100};
    ASSERT_TRUE(a.Start(from, to, 2, 0));
    const QRKWColorParams mid = a.Advance();
    EXPECT_EQ(mid.tone, 0x00121B24u);
    EXPECT_EQ(mid.red, 128);
    EXPECT_EQ(mid.green, 128);
    EXPECT_EQ(mid.blue, 100);
    const QRKWColorParams end = a.Advance();
    EXPECT_EQ(end.tone, 0x001A2B3Cu);
    EXPECT_EQ(end.red, 256);
    EXPECT_EQ(end.green, 0);
    EXPECT_FALSE(a.IsRunning());

    struct Refused {
        const char* name;
        QRKWColorParams target;
        int32_t frames;
        uint32_t endMode;
    };
    const Refused refused[] = {
        {"red factor 257", {0, 257, 0, 0}, 2, 0},
        {"blue factor 257", {0, 0, 0, 257}, 2, 0},
        {"frames 0", {0, 0, 0, 0}, 0, 0},
        {"end mode 3", {0, 0, 0, 0}, 2, 3},
    };
    for (const Refused& r : refused) {
        QRKWColorAnimation b;
        ASSERT_TRUE(b.Start(from, to, 4, 1));
        EXPECT_FALSE(b.Start(from, r.target, r.frames, r.endMode)) << r.name;
        EXPECT_EQ(b.Target().tone, 0x001A2B3Cu) << r.name;
    }

    // Back and forth over 1 frame alternates between the two ends.
    QRKWColorAnimation c;
    ASSERT_TRUE(c.Start(from, to, 1, 2));
    EXPECT_EQ(c.Advance().tone, 0x001A2B3Cu);
    EXPECT_EQ(c.Advance().tone, 0x000A0B0Cu);
    EXPECT_EQ(c.Advance().red, 256);
}

}  // namespace

// ---- The animations of a window in a tree ----

#include "windows/WndMgr.h"

namespace {

// A parent that refuses every move of its windows when asked to.
class RefusingParent : public IQRKWnd {
public:
    bool refuseMoves = false;
    int32_t OnMessage(IQRKWnd* sender, uint32_t code, int32_t first, int32_t second, int32_t* point) override {
        if (refuseMoves && (code == kQRKMsgMoveQuery || code == kQRKMsgResizeQuery)) return 0;
        return IQRKWnd::OnMessage(sender, code, first, second, point);
    }
};

void RunFrame(IQRKWnd& w) { w.Process(nullptr, nullptr, {0, 0}, {0, 0}, true); }

TEST(WindowAnimationInTree, ProcessStepsTheMoveBackAndForth) {
    CQRKWndMgr manager;
    IQRKWnd w;
    ASSERT_TRUE(w.NewWindow(0, 7, 20, 20, &manager, nullptr, kQRKLinkTopLevel, 0x70000001, 0, true, 255));
    ASSERT_TRUE(w.StartMoveAnimation(10, 7, 3, 2));
    std::vector<int32_t> xs;
    for (int i = 0; i < 9; ++i) {
        RunFrame(w);
        xs.push_back(w.GetX());
    }
    EXPECT_EQ(xs, (std::vector<int32_t>{3, 6, 10, 7, 4, 0, 3, 6, 10}));
    EXPECT_EQ(w.GetY(), 7);
    w.ClearMoveAnimation();
    RunFrame(w);
    EXPECT_EQ(w.GetX(), 10);
    w.Close();
}

TEST(WindowAnimationInTree, FinishIsRefusedByTheParentAndTheAnimationKeepsRunning) {
    CQRKWndMgr manager;
    RefusingParent parent;
    IQRKWnd child;
    ASSERT_TRUE(parent.NewWindow(0, 0, 100, 100, &manager, nullptr, kQRKLinkTopLevel, 0x70000001, 0, true, 255));
    ASSERT_TRUE(child.NewWindow(0, 0, 10, 10, &manager, &parent, kQRKLinkChild, 0x70000001, 0, true, 255));
    ASSERT_TRUE(child.StartMoveResizeAnimation(40, 20, 30, 30, 5, 0));
    parent.refuseMoves = true;
    EXPECT_FALSE(child.FinishMoveAnimation());
    EXPECT_EQ(child.GetX(), 0);
    // Still running: once the parent agrees, the next frame moves it.
    parent.refuseMoves = false;
    RunFrame(parent);
    EXPECT_EQ(child.GetX(), 8);
    EXPECT_EQ(child.GetWidth(), 14);
    EXPECT_TRUE(child.FinishMoveAnimation());
    EXPECT_EQ(child.GetX(), 40);
    EXPECT_EQ(child.GetHeight(), 30);
    EXPECT_TRUE(child.FinishMoveAnimation());  // not running: true at once
    parent.Close();
}

TEST(WindowAnimationInTree, OpacityAndColourStepAndFinish) {
    CQRKWndMgr manager;
    IQRKWnd w;
    ASSERT_TRUE(w.NewWindow(0, 0, 20, 20, &manager, nullptr, kQRKLinkTopLevel, 0x70000003, 0, true, 255));
    RunFrame(w);
    w.DirtyRects().SetCount(0);
    ASSERT_TRUE(w.StartOpacityAnimation(0, 1, 0));
    ASSERT_TRUE(w.StartColorAnimation(0xFF102030, 256, 0, 128, 4, 0));
    RunFrame(w);
    EXPECT_EQ(w.GetOpacity(), 0);
    EXPECT_GT(w.DirtyRects().GetCount(), 0u);  // a running animation invalidates
    ASSERT_TRUE(w.FinishColorAnimation());
    uint32_t tone = 1;
    int32_t r = 0, g = 0, b = 0;
    w.GetColorParams(&tone, &r, &g, &b);
    EXPECT_EQ(tone, 0x00102030u);
    EXPECT_EQ(r, 256);
    EXPECT_EQ(b, 128);
    EXPECT_FALSE(w.StartColorAnimation(0, 257, 0, 0, 4, 0));
    w.Close();
    // Close resets every animation: a new window starts still.
    ASSERT_TRUE(w.NewWindow(0, 0, 20, 20, &manager, nullptr, kQRKLinkTopLevel, 0x70000001, 0, true, 255));
    RunFrame(w);
    EXPECT_EQ(w.GetOpacity(), 255);
    w.Close();
}

}  // namespace
