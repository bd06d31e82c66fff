// The window tree: linking, z-order, invalidation, messages, closing and the
// passes over long sibling lists.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "host/ErrorQueue.h"
#include "windows/WndMgr.h"

namespace {

struct Received {
    IQRKWnd* to;
    IQRKWnd* sender;
    uint32_t code;
    int32_t first;
    int32_t x, y;
};

// Records every message it receives and may refuse one code.
class RecWnd : public IQRKWnd {
public:
    explicit RecWnd(std::vector<Received>* log = nullptr, int id = 0) : m_log(log), m_id(id) {}
    int32_t OnMessage(IQRKWnd* sender, uint32_t code, int32_t first, int32_t second, int32_t* point) override {
        if (m_log != nullptr) m_log->push_back({this, sender, code, first, point ? point[0] : 0, point ? point[1] : 0});
        if (code == refuse) return 0;
        return IQRKWnd::OnMessage(sender, code, first, second, point);
    }
    int32_t Process(CQRKInputMgr* input, IQRKWnd* focus, tagPOINT mouse, tagPOINT origin, bool draw) override {
        if (order != nullptr) order->push_back(m_id);
        return IQRKWnd::Process(input, focus, mouse, origin, draw) | (focus == this ? 1 : 0);
    }
    void Refresh() override {
        ++refreshes;
        IQRKWnd::Refresh();
    }
    uint32_t refuse = 0;
    int refreshes = 0;
    std::vector<int>* order = nullptr;

private:
    std::vector<Received>* m_log;
    int m_id;
};

bool Create(IQRKWnd& w, CQRKWndMgr& m, IQRKWnd* rel, int32_t type, int32_t x = 0, int32_t y = 0, int32_t cx = 32,
            int32_t cy = 32, bool visible = true) {
    return w.NewWindow(x, y, cx, cy, &m, rel, type, 0x70000001, 0, visible, 255);
}

std::vector<IQRKWnd*> ListOf(IQRKWnd* head) {
    std::vector<IQRKWnd*> v;
    for (IQRKWnd* w = head; w != nullptr; w = w->GetNext()) v.push_back(w);
    return v;
}

class WindowTree : public ::testing::Test {
protected:
    void SetUp() override { mgr.SetErrorQueue(&queue); }
    CQRKErrorQueue queue;
    CQRKWndMgr mgr;
};

TEST_F(WindowTree, NewWindowRefusals) {
    CQRKWndMgr other;
    RecWnd parent, foreign, uncreated;
    ASSERT_TRUE(Create(parent, mgr, nullptr, 0));
    ASSERT_TRUE(Create(foreign, other, nullptr, 0));
    struct Row {
        const char* name;
        IQRKWnd* relative;
        int32_t type;
    } rows[] = {
        {"link type 5", &parent, 5},
        {"negative link type", &parent, -1},
        {"child of another manager's window", &foreign, 1},
        {"after another manager's window", &foreign, 4},
        {"child of a window not created", &uncreated, 1},
        {"child of nothing", nullptr, 1},
    };
    for (const Row& r : rows) {
        RecWnd w;
        EXPECT_FALSE(Create(w, mgr, r.relative, r.type)) << r.name;
        EXPECT_EQ(w.GetLinkType(), -1) << r.name;
    }
    EXPECT_EQ(ListOf(mgr.GetFirstTopLevel()), std::vector<IQRKWnd*>{&parent});
    EXPECT_EQ(parent.GetFirstChild(), nullptr);
    EXPECT_FALSE(Create(parent, mgr, nullptr, 0)) << "already created";
    EXPECT_FALSE(Create(parent, mgr, &foreign, 0)) << "already created, top level";
}

TEST_F(WindowTree, LinkTypes) {
    RecWnd top, a, b, c, owned, attached, afterTail, afterTop, afterChild;
    ASSERT_TRUE(Create(top, mgr, nullptr, 0));
    ASSERT_TRUE(Create(a, mgr, &top, 1));
    ASSERT_TRUE(Create(b, mgr, &top, 1));  // new head
    ASSERT_TRUE(Create(owned, mgr, &top, 2));
    ASSERT_TRUE(Create(attached, mgr, &top, 3));
    ASSERT_TRUE(Create(afterTail, mgr, &a, 4));
    ASSERT_TRUE(Create(afterTop, mgr, &top, 4));
    ASSERT_TRUE(Create(afterChild, mgr, &b, 4));
    EXPECT_EQ(ListOf(top.GetFirstChild()), (std::vector<IQRKWnd*>{&b, &afterChild, &a, &afterTail}));
    EXPECT_EQ(ListOf(mgr.GetFirstTopLevel()), (std::vector<IQRKWnd*>{&top, &afterTop}));
    struct Row {
        IQRKWnd* w;
        int32_t type;
    } rows[] = {{&top, 0}, {&a, 1}, {&b, 1}, {&owned, 2}, {&attached, 3}, {&afterTail, 1}, {&afterTop, 0},
                {&afterChild, 1}, {&c, -1}};
    for (const Row& r : rows) EXPECT_EQ(r.w->GetLinkType(), r.type);
    EXPECT_EQ(afterChild.GetParent(), &top);
    EXPECT_EQ(afterTop.GetParent(), nullptr);
}

TEST_F(WindowTree, InvalidateRectClipsLeftAndTopOnly) {
    RecWnd w;
    ASSERT_TRUE(Create(w, mgr, nullptr, 0, 0, 0, 10, 10));
    w.DirtyRects().RemoveAll();
    struct Row {
        int32_t x, y, cx, cy;
        bool ok;
        tagRECT stored;
    } rows[] = {
        {-10, -10, 5, 5, false, {}},
        {-10, -10, 20, 20, true, {0, 0, 10, 10}},
        {-10, 0, 10, 5, false, {}},  // right edge 0: nothing left
        {-10, 0, 11, 5, true, {0, 0, 1, 5}},
        {10, 0, 5, 5, false, {}},  // at the width
        {0, 9, 5, 50, true, {0, 9, 5, 59}},
        {2, 2, INT32_MAX, INT32_MAX, true, {2, 2, INT32_MAX, INT32_MAX}},  // no wrap-around
        {INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX, false, {}},
    };
    for (const Row& r : rows) {
        const uint32_t before = w.DirtyRects().GetCount();
        EXPECT_EQ(w.InvalidateRect(r.x, r.y, r.cx, r.cy), r.ok) << r.x << "," << r.y << "," << r.cx;
        if (!r.ok) {
            EXPECT_EQ(w.DirtyRects().GetCount(), before);
            continue;
        }
        const tagRECT& s = *w.DirtyRects().GetLast();
        EXPECT_EQ(s.left, r.stored.left);
        EXPECT_EQ(s.top, r.stored.top);
        EXPECT_EQ(s.right, r.stored.right);
        EXPECT_EQ(s.bottom, r.stored.bottom);
    }
    RecWnd uncreated;
    EXPECT_FALSE(uncreated.InvalidateRect(0, 0, 1, 1));
}

TEST_F(WindowTree, ZOrder) {
    struct Row {
        const char* name;
        int op;  // 0 MoveInZOrder, 1 BringToFront, 2 SendToBack
        int who;
        int32_t places;
        bool ok;
        std::vector<int> order;
    } rows[] = {
        {"zero places", 0, 1, 0, false, {0, 1, 2, 3}},
        {"one towards the tail", 0, 1, 1, true, {0, 2, 1, 3}},
        {"to the tail", 0, 1, 2, true, {0, 2, 3, 1}},
        {"past the tail", 0, 1, 3, false, {0, 1, 2, 3}},
        {"one towards the head", 0, 2, -1, true, {0, 2, 1, 3}},
        {"to the head", 0, 2, -2, true, {2, 0, 1, 3}},
        {"past the head", 0, 2, -3, false, {0, 1, 2, 3}},
        {"front", 1, 3, 0, true, {3, 0, 1, 2}},
        {"front of the head", 1, 0, 0, true, {0, 1, 2, 3}},
        {"back", 2, 0, 0, true, {1, 2, 3, 0}},
    };
    for (const Row& r : rows) {
        CQRKWndMgr m;
        RecWnd w[4];
        for (int i = 3; i >= 0; --i) ASSERT_TRUE(Create(w[i], m, nullptr, 0));
        const bool ok = r.op == 0 ? w[r.who].MoveInZOrder(r.places)
                                  : (r.op == 1 ? w[r.who].BringToFront() : w[r.who].SendToBack());
        EXPECT_EQ(ok, r.ok) << r.name;
        std::vector<int> order;
        for (IQRKWnd* x : ListOf(m.GetFirstTopLevel())) order.push_back(int(static_cast<RecWnd*>(x) - w));
        EXPECT_EQ(order, r.order) << r.name;
        for (IQRKWnd* x = m.GetFirstTopLevel(); x != nullptr; x = x->GetNext())
            if (x->GetNext() != nullptr) {
                EXPECT_EQ(x->GetNext()->GetPrev(), x) << r.name;
            }
    }
}

TEST_F(WindowTree, BroadcastReachesEveryWindowOnceIncludingHiddenWindowsLists) {
    std::vector<Received> log;
    RecWnd top(&log), hidden(&log), child(&log), owned(&log), attached(&log), sib(&log), deep(&log);
    ASSERT_TRUE(Create(sib, mgr, nullptr, 0));
    ASSERT_TRUE(Create(top, mgr, nullptr, 0));
    ASSERT_TRUE(Create(hidden, mgr, &top, 1, 0, 0, 8, 8, false));
    ASSERT_TRUE(Create(child, mgr, &hidden, 1));
    ASSERT_TRUE(Create(owned, mgr, &hidden, 2));
    ASSERT_TRUE(Create(attached, mgr, &hidden, 3));
    ASSERT_TRUE(Create(deep, mgr, &owned, 3));
    log.clear();
    top.OnMessage(nullptr, kQRKMsgFocusChanged, 0, 0, nullptr);
    std::vector<IQRKWnd*> got;
    for (const Received& r : log) got.push_back(r.to);
    // Depth first, lists from the tail; each window once.
    EXPECT_EQ(got, (std::vector<IQRKWnd*>{&top, &sib, &hidden, &child, &owned, &deep, &attached}));
}

TEST_F(WindowTree, MouseMessagesBubbleFromChildWindowsOnly) {
    std::vector<Received> log;
    RecWnd parent(&log), child(&log), grandchild(&log), owned(&log), attached(&log);
    ASSERT_TRUE(Create(parent, mgr, nullptr, 0, 100, 200));
    ASSERT_TRUE(Create(child, mgr, &parent, 1, 10, 20));
    ASSERT_TRUE(Create(grandchild, mgr, &child, 1, 1, 2));
    ASSERT_TRUE(Create(owned, mgr, &parent, 2, 5, 5));
    ASSERT_TRUE(Create(attached, mgr, &parent, 3, 5, 5));
    struct Row {
        const char* name;
        IQRKWnd* to;
        uint32_t code;
        std::vector<Received> expect;
    } rows[] = {
        {"move from a child", &child, kQRKMsgMouseMoved,
         {{&child, nullptr, kQRKMsgMouseMoved, 0, 3, 4}, {&parent, &child, kQRKMsgMouseMoved, 0, 103, 204}}},
        {"wheel from a grandchild", &grandchild, kQRKMsgWheel,
         {{&grandchild, nullptr, kQRKMsgWheel, 0, 3, 4},
          {&child, &grandchild, kQRKMsgWheel, 0, 13, 24},
          {&parent, &child, kQRKMsgWheel, 0, 113, 224}}},
        {"owned", &owned, kQRKMsgMouseMoved, {{&owned, nullptr, kQRKMsgMouseMoved, 0, 3, 4}}},
        {"attached", &attached, kQRKMsgMouseMoved, {{&attached, nullptr, kQRKMsgMouseMoved, 0, 3, 4}}},
        {"other code", &child, kQRKMsgHitAccept, {{&child, nullptr, kQRKMsgHitAccept, 0, 3, 4}}},
    };
    for (const Row& r : rows) {
        log.clear();
        int32_t pt[2] = {3, 4};
        r.to->OnMessage(nullptr, r.code, 0, 0, pt);
        ASSERT_EQ(log.size(), r.expect.size()) << r.name;
        for (size_t i = 0; i < log.size(); ++i) {
            EXPECT_EQ(log[i].to, r.expect[i].to) << r.name << i;
            EXPECT_EQ(log[i].sender, r.expect[i].sender) << r.name << i;
            EXPECT_EQ(log[i].x, r.expect[i].x) << r.name << i;
            EXPECT_EQ(log[i].y, r.expect[i].y) << r.name << i;
        }
        EXPECT_EQ(pt[0], 3) << "the sender's point is not rewritten";
    }
}

TEST_F(WindowTree, DefaultAnswersAndUnknownCodesReportedOncePerCode) {
    RecWnd shown, hidden;
    ASSERT_TRUE(Create(shown, mgr, nullptr, 0));
    ASSERT_TRUE(Create(hidden, mgr, nullptr, 0, 0, 0, 8, 8, false));
    EXPECT_EQ(shown.OnMessage(nullptr, kQRKMsgHitAccept, 0, 0, nullptr), 1);
    EXPECT_EQ(hidden.OnMessage(nullptr, kQRKMsgHitAccept, 0, 0, nullptr), 0);
    EXPECT_EQ(shown.OnMessage(nullptr, kQRKMsgMoveQuery, 0, 0, nullptr), 1);
    EXPECT_EQ(queue.GetReportCount(), 0u);
    EXPECT_EQ(shown.OnMessage(nullptr, 5, 7, 9, nullptr), 0);
    EXPECT_EQ(queue.GetReportCount(), 1u);
    EXPECT_TRUE(queue.HasPending());
    // Other parameters with the same code: no new text.
    EXPECT_EQ(shown.OnMessage(nullptr, 5, 8, 1, nullptr), 0);
    EXPECT_EQ(hidden.OnMessage(nullptr, 5, 9, 2, nullptr), 0);
    EXPECT_EQ(queue.GetReportCount(), 1u);
    EXPECT_EQ(shown.OnMessage(nullptr, 6, 7, 9, nullptr), 0);
    EXPECT_EQ(queue.GetReportCount(), 2u);
}

TEST_F(WindowTree, QueriesRefusedLeaveTheWindowUnchanged) {
    std::vector<Received> log;
    RecWnd parent(&log), w(&log);
    ASSERT_TRUE(Create(parent, mgr, nullptr, 0));
    ASSERT_TRUE(Create(w, mgr, &parent, 1, 1, 2, 10, 10));
    parent.refuse = kQRKMsgMoveQuery;
    EXPECT_FALSE(w.MoveWindow(5, 5));
    parent.refuse = kQRKMsgResizeQuery;
    EXPECT_FALSE(w.ResizeWindow(5, 5, 3, 3));
    parent.refuse = kQRKMsgDrawModeQuery;
    EXPECT_FALSE(w.SetDrawMode(0x70000002));
    parent.refuse = kQRKMsgMayClose;
    EXPECT_FALSE(w.Close());
    EXPECT_EQ(w.GetX(), 1);
    EXPECT_EQ(w.GetWidth(), 10);
    EXPECT_EQ(w.GetDrawMode(), 0x70000001u);
    EXPECT_EQ(w.GetLinkType(), 1);
    parent.refuse = 0;
}

TEST_F(WindowTree, MoveShowAndColourEdges) {
    std::vector<Received> log;
    RecWnd parent(&log), a(&log), b(&log);
    ASSERT_TRUE(Create(parent, mgr, nullptr, 0));
    ASSERT_TRUE(Create(b, mgr, &parent, 1, 0, 0, 8, 8, true));
    ASSERT_TRUE(Create(a, mgr, &parent, 1, 3, 4, 8, 8, false));
    a.DirtyRects().RemoveAll();
    b.DirtyRects().RemoveAll();
    log.clear();
    EXPECT_TRUE(a.MoveWindow(3, 4));
    EXPECT_EQ(a.DirtyRects().GetCount(), 0u) << "same position invalidates nothing";
    log.clear();
    EXPECT_TRUE(a.ShowWindow(false)) << "hiding a hidden window";
    EXPECT_TRUE(log.empty());
    const int bRefreshes = b.refreshes;
    EXPECT_TRUE(a.ShowWindow(true));
    EXPECT_GT(b.refreshes, bRefreshes) << "a later sibling is refreshed as well";
    EXPECT_EQ(b.DirtyRects().GetCount(), 1u);
    EXPECT_FALSE(a.SetColorParams(0x123456, 257, 0, 0));
    uint32_t c;
    int32_t r, g, bl;
    a.GetColorParams(&c, &r, &g, &bl);
    EXPECT_EQ(c, 0u);
    EXPECT_TRUE(a.SetColorParams(0x123456, 256, 256, 256));
    a.GetColorParams(&c, &r, &g, &bl);
    EXPECT_EQ(c, 0x123456u);
    EXPECT_EQ(r, 256);
}

TEST_F(WindowTree, ScreenPositionAndOnScreenDoNotOverflow) {
    ASSERT_TRUE(mgr.GetScreen().Create(64, 64, false));
    RecWnd top, child, attached;
    ASSERT_TRUE(Create(top, mgr, nullptr, 0, INT32_MAX - 10, 5, 30, 30));
    ASSERT_TRUE(Create(child, mgr, &top, 1, 100, 1, 4, 4));
    ASSERT_TRUE(Create(attached, mgr, &child, 3, 2, 2, 4, 4));
    tagPOINT p{};
    ASSERT_TRUE(child.GetScreenPos(&p));
    EXPECT_EQ(p.x, INT32_MAX);
    EXPECT_EQ(p.y, 6);
    ASSERT_TRUE(attached.GetScreenPos(&p));
    EXPECT_EQ(p.y, 7);
    EXPECT_FALSE(top.IsOnScreen({0, 0}));
    EXPECT_TRUE(top.IsOnScreen({INT32_MIN + 20, 0}));
    EXPECT_FALSE(top.PtInWindow({INT32_MIN, 6}));
    EXPECT_TRUE(top.PtInWindow({INT32_MAX, 6}));
}

TEST_F(WindowTree, ClosingInTheMiddleOfTheFocusChainKeepsItLinked) {
    RecWnd a, b, c;
    ASSERT_TRUE(Create(a, mgr, nullptr, 0));
    ASSERT_TRUE(Create(b, mgr, nullptr, 0));
    ASSERT_TRUE(Create(c, mgr, nullptr, 0));
    a.SetFocus();
    b.SetFocus();
    c.SetFocus();
    ASSERT_TRUE(b.Close());
    EXPECT_EQ(c.FocusChainPrev(), &a);
    EXPECT_EQ(a.FocusChainNext(), &c);
    EXPECT_TRUE(c.HasFocus());
    ASSERT_TRUE(c.Close());
    EXPECT_TRUE(a.HasFocus());
    EXPECT_EQ(b.GetLinkType(), -1);
    EXPECT_TRUE(Create(b, mgr, nullptr, 0)) << "a closed window can be created again";
}

TEST_F(WindowTree, CloseClosesSubordinatesAndResets) {
    std::vector<Received> log;
    RecWnd top(&log), child(&log), owned(&log), attached(&log);
    ASSERT_TRUE(Create(top, mgr, nullptr, 0));
    ASSERT_TRUE(Create(child, mgr, &top, 1));
    ASSERT_TRUE(Create(owned, mgr, &top, 2));
    ASSERT_TRUE(Create(attached, mgr, &top, 3));
    top.SetOpacity(9);
    log.clear();
    ASSERT_TRUE(top.Close());
    for (RecWnd* w : {&top, &child, &owned, &attached}) {
        EXPECT_EQ(w->GetManager(), nullptr);
        EXPECT_EQ(w->GetOpacity(), 128);
        EXPECT_EQ(w->GetWidth(), 0);
    }
    EXPECT_EQ(mgr.GetFirstTopLevel(), nullptr);
    // Each subordinate asked and told its parent; attached, owned, child.
    std::vector<IQRKWnd*> closed;
    for (const Received& r : log)
        if (r.code == kQRKMsgClosed) closed.push_back(r.sender);
    EXPECT_EQ(closed, (std::vector<IQRKWnd*>{&attached, &owned, &child}));
}

// A parent destroyed before its child and a child destroyed while its parent
// lives: no message reaches a window being destroyed, no link dangles.
TEST_F(WindowTree, DestroyingWindowsInTheTreeSendsNothing) {
    std::vector<Received> log;
    auto parent = std::make_unique<RecWnd>(&log);
    auto child = std::make_unique<RecWnd>(&log);
    auto other = std::make_unique<RecWnd>(&log);
    ASSERT_TRUE(Create(*parent, mgr, nullptr, 0));
    ASSERT_TRUE(Create(*child, mgr, parent.get(), 1));
    ASSERT_TRUE(Create(*other, mgr, parent.get(), 1));
    other->SetFocus();
    log.clear();
    other.reset();
    EXPECT_TRUE(log.empty());
    EXPECT_EQ(parent->GetFirstChild(), child.get());
    EXPECT_EQ(child->GetPrev(), nullptr);
    EXPECT_EQ(mgr.GetFocusWindow(), nullptr);
    parent.reset();
    EXPECT_TRUE(log.empty());
    EXPECT_EQ(mgr.GetFirstTopLevel(), nullptr);
    EXPECT_EQ(child->GetManager(), nullptr);
    EXPECT_EQ(child->GetParent(), nullptr);
}

TEST(WindowManagerLifetime, ManagerClosesItsWindowsBeforeItGoes) {
    RecWnd a, b;
    {
        CQRKWndMgr m;
        ASSERT_TRUE(Create(a, m, nullptr, 0));
        ASSERT_TRUE(Create(b, m, &a, 2));
    }
    EXPECT_EQ(a.GetManager(), nullptr);
    EXPECT_EQ(b.GetManager(), nullptr);
}

TEST_F(WindowTree, ProcessVisitsListsFromTheTailAndReportsTheFocus) {
    std::vector<int> order;
    RecWnd w0(nullptr, 0), w1(nullptr, 1), w2(nullptr, 2), c(nullptr, 10), hiddenParent(nullptr, 20),
        hiddenChild(nullptr, 21), hiddenOwned(nullptr, 22);
    ASSERT_TRUE(Create(hiddenParent, mgr, nullptr, 0, 0, 0, 4, 4, false));
    ASSERT_TRUE(Create(w2, mgr, nullptr, 0));
    ASSERT_TRUE(Create(w1, mgr, nullptr, 0));
    ASSERT_TRUE(Create(w0, mgr, nullptr, 0));
    ASSERT_TRUE(Create(c, mgr, &w1, 1));
    ASSERT_TRUE(Create(hiddenChild, mgr, &hiddenParent, 1));
    ASSERT_TRUE(Create(hiddenOwned, mgr, &hiddenParent, 2));
    for (RecWnd* w : {&w0, &w1, &w2, &c, &hiddenParent, &hiddenChild, &hiddenOwned}) w->order = &order;
    EXPECT_TRUE(c.IsFirstProcessPending());
    const int32_t r = IQRKWnd::ProcessList(mgr.GetFirstTopLevel(), nullptr, &c, {0, 0}, {0, 0}, true);
    EXPECT_EQ(order, (std::vector<int>{20, 22, 2, 1, 10, 0}));
    EXPECT_EQ(r, 2) << "the focus window is below a later sibling";
    EXPECT_FALSE(c.IsFirstProcessPending());
    EXPECT_EQ(c.DirtyRects().GetCount(), 1u);
    EXPECT_EQ(IQRKWnd::ProcessList(&w1, nullptr, &c, {0, 0}, {0, 0}, true) & 1, 1);
}

// Thousands of siblings: every pass walks them without using the stack.
TEST_F(WindowTree, LongSiblingListsDoNotExhaustTheStack) {
    constexpr int kCount = 100000;
    std::vector<Received> log;
    RecWnd parent(&log);
    ASSERT_TRUE(Create(parent, mgr, nullptr, 0));
    std::vector<std::unique_ptr<RecWnd>> kids;
    kids.reserve(kCount);
    for (int i = 0; i < kCount; ++i) {
        kids.push_back(std::make_unique<RecWnd>());
        ASSERT_TRUE(Create(*kids.back(), mgr, &parent, i % 2 == 0 ? 1 : 2, i, 0, 2, 2));
    }
    IQRKWnd::ProcessList(mgr.GetFirstTopLevel(), nullptr, nullptr, {0, 0}, {0, 0}, true);
    parent.RefreshTree();
    // NewWindow; RefreshTree reaches it in the child list and through the
    // parent's own Refresh.
    EXPECT_EQ(kids[0]->refreshes, 3);
    parent.ShowWindow(false);
    parent.ShowWindow(true);
    EXPECT_EQ(kids[0]->refreshes, 5);  // shown again: the same two ways
    int before = kids[1]->refreshes;
    parent.OnMessage(nullptr, kQRKMsgFocusChanged, 0, 0, nullptr);
    ASSERT_TRUE(parent.MoveWindow(1, 1));  // parent moved through both lists
    EXPECT_EQ(kids[1]->refreshes, before);
    ASSERT_TRUE(parent.Close());
    EXPECT_EQ(kids.back()->GetManager(), nullptr);
}

// A window whose cache cannot be had.
class NoCacheWnd : public RecWnd {
public:
    bool CreateCache(int32_t w, int32_t h) override { return failCreate ? false : IQRKWnd::CreateCache(w, h); }
    bool ResizeCache(int32_t, int32_t) override { return false; }
    bool failCreate = true;
};

TEST_F(WindowTree, CacheFailuresAreReportedAndCloseTheWindow) {
    RecWnd parent, sibling;
    ASSERT_TRUE(Create(parent, mgr, nullptr, 0));
    ASSERT_TRUE(Create(sibling, mgr, &parent, 1));
    NoCacheWnd w;
    EXPECT_FALSE(Create(w, mgr, &parent, 1));
    EXPECT_EQ(queue.GetReportCount(), 1u);
    EXPECT_EQ(w.GetManager(), nullptr);
    EXPECT_EQ(ListOf(parent.GetFirstChild()), std::vector<IQRKWnd*>{&sibling});
    w.failCreate = false;
    ASSERT_TRUE(Create(w, mgr, &parent, 1, 0, 0, 8, 8));
    EXPECT_TRUE(w.ResizeWindow(4, 4, 8, 8)) << "same size: no new cache";
    EXPECT_FALSE(w.ResizeWindow(4, 4, 9, 8));
    EXPECT_EQ(queue.GetReportCount(), 2u);
    EXPECT_EQ(w.GetManager(), nullptr);
    EXPECT_EQ(ListOf(parent.GetFirstChild()), std::vector<IQRKWnd*>{&sibling});
}

TEST_F(WindowTree, ParentMovedReachesTheWholeSubtreeOfChildAndOwnedLists) {
    std::vector<Received> log;
    RecWnd top(&log), c1(&log), c2(&log), c1c(&log), o1(&log), o1a(&log), a1(&log);
    ASSERT_TRUE(Create(top, mgr, nullptr, 0));
    ASSERT_TRUE(Create(c2, mgr, &top, 1));
    ASSERT_TRUE(Create(c1, mgr, &top, 1));
    ASSERT_TRUE(Create(c1c, mgr, &c1, 1));
    ASSERT_TRUE(Create(o1, mgr, &top, 2));
    ASSERT_TRUE(Create(o1a, mgr, &o1, 3));
    ASSERT_TRUE(Create(a1, mgr, &top, 3));
    log.clear();
    ASSERT_TRUE(top.MoveWindow(7, 7));
    std::vector<IQRKWnd*> got;
    for (const Received& r : log)
        if (r.code == kQRKMsgParentMoved) {
            got.push_back(r.to);
            EXPECT_EQ(r.sender, &top);
        }
    EXPECT_EQ(got, (std::vector<IQRKWnd*>{&c1, &c2, &c1c, &o1, &o1a})) << "not the attached list";
}

}  // namespace
