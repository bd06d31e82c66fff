// The frame loop: tick pacing, the frame message's backlog rules, the draw-rate
// decision, the per-second title, teardown lists and the frame rate.
#include <gtest/gtest.h>

#include "tests/host/HostFixture.h"

namespace hosttest {
namespace {

using Pacing = HostTest;

TEST_F(Pacing, TheTimerPostsEveryFourthTickAndEachPostRunsOneFrame) {
    LogScene scene("s", nullptr);
    host->SetStartScene(&scene);
    std::vector<int32_t> postTicks;
    for (int32_t i = 0; i < 400; ++i) {
        const int32_t before = window.posts;
        host->TimerTick();
        if (window.posts != before) postTicks.push_back(i);
        window.Deliver();
    }
    // The first tick resynchronises and posts at once.
    ASSERT_GE(postTicks.size(), 2u);
    EXPECT_EQ(postTicks[0], 0);
    for (size_t i = 2; i < postTicks.size(); ++i) EXPECT_EQ(postTicks[i] - postTicks[i - 1], 4) << i;
    EXPECT_EQ(scene.updates, static_cast<int32_t>(postTicks.size()));
}

TEST_F(Pacing, OnlyOneFrameMessageIsOutstanding) {
    for (int32_t i = 0; i < 40; ++i) host->TimerTick();
    EXPECT_EQ(window.posts, 1);
    EXPECT_EQ(window.queue.size(), 1u);
}

TEST_F(Pacing, ABacklogAbove20000IsDroppedAndTheNextTickResynchronises) {
    LogScene scene("s", nullptr);
    host->SetStartScene(&scene);
    QRKFramePacing& p = host->GetPacing();
    p.resync = false;
    p.accumulator = 20001;
    window.Send(platform::WM_HOST_FRAME);
    EXPECT_EQ(scene.updates, 0);
    EXPECT_TRUE(p.resync);
    EXPECT_EQ(p.accumulator, 20001);

    host->TimerTick();
    EXPECT_FALSE(p.resync);
    EXPECT_GE(p.accumulator, 4000);
    EXPECT_LE(p.accumulator, 7999);
    EXPECT_EQ(window.posts, 1);
    window.Deliver();
    EXPECT_EQ(scene.updates, 1);
}

TEST_F(Pacing, ResynchronisationFollowsThePhaseAndItsOffset) {
    QRKFramePacing& p = host->GetPacing();
    struct Row {
        int32_t phase, offset, rate, expected;
    } rows[] = {
        {0, 0, 1000, 5000},      // phase 1: 1000 % 4000 + 4000
        {2, 0, 1000, 7000},      // phase 3
        {3, 0, 1000, 4000},      // phase 4 wraps to 0
        {0, 1520, 1000, 6520},   // the drawing-timing offset shifts it
        {9, 0, 10000, 4000},     // 100000 % 4000
    };
    for (const Row& r : rows) {
        p.phase = r.phase;
        p.phaseOffset = r.offset;
        p.frameRate = r.rate;
        p.resync = true;
        p.accumulator = 0;
        host->TimerTick();
        EXPECT_EQ(p.accumulator, r.expected) << r.phase << " " << r.offset;
    }
}

TEST_F(Pacing, AnAccumulatorAbove120000IsTrimmedBelow124000) {
    QRKFramePacing& p = host->GetPacing();
    struct Row {
        int32_t before, after;
    } rows[] = {
        {130000, 123000},  // 131000 less two frames
        {200000, 121000},  // 201000 less twenty
        {119500, 120500},  // above 120000 but below 124000: kept
        {122999, 123999},
    };
    for (const Row& r : rows) {
        p.resync = false;
        p.postAllowed = true;
        p.accumulator = r.before;
        const int32_t posts = window.posts;
        host->TimerTick();
        EXPECT_EQ(p.accumulator, r.after) << r.before;
        EXPECT_EQ(window.posts, posts + 1) << r.before;
    }
}

TEST_F(Pacing, ABacklogIsWorkedOffInOneMessagePumpingBeforeEachFrame) {
    Start("");
    LogScene scene("s", nullptr);
    host->ChangeScene(&scene);
    std::vector<uint8_t> keySeen;
    scene.onUpdate = [&] { keySeen.push_back(host->GetInputTables().keyDown['A']); };
    window.Queue(platform::WM_KEYDOWN, 'A');
    QRKFramePacing& p = host->GetPacing();
    p.accumulator = 3 * 4000 + 1000;
    const int32_t pumps = window.pumps;
    window.Send(platform::WM_HOST_FRAME);
    EXPECT_EQ(scene.updates, 3);
    EXPECT_EQ(window.pumps - pumps, 3);
    EXPECT_EQ(keySeen, (std::vector<uint8_t>{1, 1, 1}));
    EXPECT_EQ(p.accumulator, 1000);
    EXPECT_TRUE(p.postAllowed);
    EXPECT_FALSE(p.inFrame);
}

TEST_F(Pacing, AnActiveTextInputHookStopsBacklogFrames) {
    Start("");
    LogScene scene("s", nullptr);
    host->ChangeScene(&scene);
    host->SetTextInputHookActive(true);
    host->GetPacing().accumulator = 3 * 4000 + 1000;
    window.Send(platform::WM_HOST_FRAME);
    EXPECT_EQ(scene.updates, 1);
    EXPECT_EQ(host->GetPacing().accumulator, 9000);
    EXPECT_TRUE(host->GetPacing().postAllowed);
}

TEST_F(Pacing, FramesThatCannotRun) {
    Start("");
    LogScene scene("s", nullptr);
    host->ChangeScene(&scene);
    QRKFramePacing& p = host->GetPacing();

    // Less than a frame due: nothing runs, the tick may post again.
    p.postAllowed = false;
    p.accumulator = 3999;
    window.Send(platform::WM_HOST_FRAME);
    EXPECT_EQ(scene.updates, 0);
    EXPECT_TRUE(p.postAllowed);

    // A frame message arriving inside a frame returns at once.
    p.inFrame = true;
    p.accumulator = 8000;
    window.Send(platform::WM_HOST_FRAME);
    EXPECT_EQ(scene.updates, 0);
    p.inFrame = false;

    // A capture that outlived every button: the whole frames are dropped.
    window.captured = true;
    p.accumulator = 9000;
    window.Send(platform::WM_HOST_FRAME);
    EXPECT_EQ(scene.updates, 0);
    EXPECT_EQ(p.accumulator, 1000);
    EXPECT_TRUE(p.postAllowed);
    window.captured = false;

    // Time jumping by more than five frames while pumping: resynchronise.
    window.duringPump = [&] {
        for (int32_t i = 0; i < 21; ++i) host->TimerTick();
    };
    p.resync = false;
    p.accumulator = 4000;
    window.Send(platform::WM_HOST_FRAME);
    EXPECT_EQ(scene.updates, 0);
    EXPECT_TRUE(p.resync);
    EXPECT_FALSE(p.inFrame);
}

TEST_F(Pacing, PausedFramesSkipTheScenesUnlessTheWheelTurned) {
    Start("");
    LogScene scene("s", nullptr);
    host->ChangeScene(&scene);
    window.Send(platform::WM_ACTIVATE, platform::WA_INACTIVE);
    ASSERT_TRUE(host->IsPaused());
    RunFrames(2);
    EXPECT_EQ(scene.updates, 0);
    EXPECT_EQ(scene.draws, 0);

    window.Queue(platform::WM_MOUSEWHEEL, static_cast<uintptr_t>(120) << 16);
    RunFrames(1);
    EXPECT_EQ(scene.updates, 1);

    host->GetInputTables().wheel = 0;
    window.Send(platform::WM_ACTIVATE, platform::WA_CLICKACTIVE);
    host->GetPacing().environmentDialogOpen = true;
    RunFrames(1);
    EXPECT_EQ(scene.updates, 1);
    host->GetPacing().environmentDialogOpen = false;
    RunFrames(1);
    EXPECT_EQ(scene.updates, 2);
}

TEST_F(Pacing, DrawRateDecisions) {
    struct Row {
        const char* settings;
        const char* expected;  // one letter per frame: D drawn, - skipped
    } rows[] = {
        {"", "DDDDDDDD"},
        {"DrawRate=50\n", "-D-D-D-D"},
        {"DrawRate=25\n", "---D---D"},
        {"DrawRate=75\n", "-DDD-DDD"},
    };
    for (const Row& r : rows) {
        host.reset();
        host = std::make_unique<CQRKWindowCtrl>(window);
        host->SetSecondsClock(TestClock);
        LogScene scene("s", nullptr);
        std::string seen;
        scene.onUpdate = [&] { seen += host->IsDrawFrame() ? 'D' : '-'; };
        Start(r.settings, &scene);
        for (int32_t i = 0; i < 8; ++i) RunFrames(1);
        EXPECT_EQ(seen, r.expected) << r.settings;
        host->ChangeScene(nullptr);
    }
}

TEST_F(Pacing, ADrawRateOfOneDrawsOneFrameInAHundred) {
    Start("DrawRate=1\n");
    int32_t drawn = 0;
    for (int32_t i = 0; i < 300; ++i) drawn += host->DecideDrawFrame() ? 1 : 0;
    EXPECT_EQ(drawn, 3);
}

TEST_F(Pacing, ABigFrameBacklogSkipsDrawingButKeepsTheDrawCredit) {
    Start("");
    host->GetPacing().accumulator = 40001;
    EXPECT_FALSE(host->DecideDrawFrame());
    host->GetPacing().accumulator = 4000;
    // The credit kept from the skipped frame is spent now...
    EXPECT_TRUE(host->DecideDrawFrame());
    EXPECT_TRUE(host->DecideDrawFrame());
    // ...and a credit above sixty frames' worth is reset rather than kept.
    host->GetPacing().accumulator = 40001;
    for (int32_t i = 0; i < 59; ++i) EXPECT_FALSE(host->DecideDrawFrame()) << i;
    EXPECT_TRUE(host->DecideDrawFrame());
    host->GetPacing().accumulator = 4000;
    EXPECT_TRUE(host->DecideDrawFrame());
    EXPECT_TRUE(host->DecideDrawFrame());
}

TEST_F(Pacing, FrameRateBounds) {
    struct Row {
        int32_t rate;
        bool accepted;
    } rows[] = {{99, false}, {100, true}, {1000, true}, {10000, true}, {10001, false}, {-5, false}};
    for (const Row& r : rows) {
        ASSERT_TRUE(host->SetFrameRate(500));
        EXPECT_EQ(host->SetFrameRate(r.rate), r.accepted) << r.rate;
        EXPECT_EQ(host->GetFrameRate(), r.accepted ? r.rate : 500) << r.rate;
    }
}

TEST_F(Pacing, TheTitleChangesOncePerSecondWithTheFrameCounts) {
    LogScene scene("s", nullptr);
    scene.onUpdate = [&] { host->RequestPresent(); };
    Start("", &scene);
    host->GetPacing().resync = false;
    RunFrames(1);
    RunFrames(1);
    RunFrames(1);
    EXPECT_TRUE(window.titles.empty());
    g_now = 1001;
    RunFrames(1);
    ASSERT_EQ(window.titles.size(), 1u);
    EXPECT_EQ(window.titles[0], "FPS:4 WAIT:0 Tarn Outline Crafter Tool");
    // The counts start again for the next second.
    g_now = 1002;
    RunFrames(2);
    ASSERT_EQ(window.titles.size(), 2u);
    EXPECT_EQ(window.titles[1], "FPS:1 WAIT:1 Tarn Outline Crafter Tool");
    // While a resynchronisation is pending the wait is 0.
    host->GetPacing().resync = true;
    g_now = 1003;
    RunFrames(3);
    ASSERT_EQ(window.titles.size(), 3u);
    EXPECT_EQ(window.titles[2], "FPS:2 WAIT:0 Tarn Outline Crafter Tool");
}

TEST_F(Pacing, TitleTextsByFpsMode) {
    struct Row {
        const char* settings;
        const char* expected;
    } rows[] = {
        {"FPSInfo=0\n", "Tarn Outline Crafter Tool"},
        {"FPSInfo=1\n", "FPS:60 Tarn Outline Crafter Tool"},
        {"", "FPS:60 WAIT:2 Tarn Outline Crafter Tool"},
        {"FPSInfo=3\n", "FPS:(L:62 V:60) WAIT:2 Tarn Outline Crafter Tool"},
        {"FPSInfo=9\n", "FPS:60 WAIT:2 Tarn Outline Crafter Tool"},
    };
    for (const Row& r : rows) {
        host.reset();
        host = std::make_unique<CQRKWindowCtrl>(window);
        host->SetSecondsClock(TestClock);
        Start(r.settings);
        CStr_base<64> title;
        host->MakeTitle(title, 60, 62, 2);
        EXPECT_STREQ(title.GetText(), r.expected) << r.settings;
    }
}

TEST_F(Pacing, TeardownRunsListZeroToNineEachNewestFirst) {
    struct Record {
        std::vector<int32_t>* calls;
        int32_t id;
    };
    std::vector<int32_t> calls;
    Record records[] = {{&calls, 90}, {&calls, 1}, {&calls, 2}, {&calls, 50}, {&calls, 91}};
    const int32_t lists[] = {9, 0, 0, 5, 9};
    for (int32_t i = 0; i < 5; ++i) {
        ASSERT_TRUE(host->AddTeardown(lists[i], [](void* a) {
            auto* r = static_cast<Record*>(a);
            r->calls->push_back(r->id);
        }, &records[i]));
    }
    EXPECT_FALSE(host->AddTeardown(10, [](void*) {}, nullptr));
    EXPECT_FALSE(host->AddTeardown(-1, [](void*) {}, nullptr));
    window.Send(platform::WM_DESTROY);
    EXPECT_EQ(calls, (std::vector<int32_t>{2, 1, 50, 91, 90}));
}

}  // namespace
}  // namespace hosttest
