#include "host/InputMgr.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

#include "host/ErrorQueue.h"
#include "host/HostContext.h"

namespace {

constexpr uint32_t kLeft = 0, kRight = 1, kWheel = 3, kAnyButton = 4, kCursorLeft = 5, kDecide = 9, kCancel = 10;
constexpr uint32_t kEnter = 37, kSpace = 38;
constexpr uint32_t VK_RETURN = 0x0D, VK_SPACE = 0x20, VK_ESCAPE = 0x1B, VK_LEFT = 0x25;

// The standard set over the host's tables, with a published error queue.
class InputMgrTest : public ::testing::Test {
protected:
    void SetUp() override {
        host.errorQueue = &queue;
        previousHost = QRKCurrentHost();
        QRKPublishHost(&host);
        input.SetHostTables(&tables);
        input.SetupStandardInputs(0, true);
    }
    void TearDown() override { QRKPublishHost(previousHost); }

    // What the host records from key messages.
    void KeyDown(uint32_t vk) { tables.keyPressed[vk] = tables.keyDown[vk] = 1; }
    void KeyUp(uint32_t vk) {
        tables.keyReleased[vk] = 1;
        tables.keyDown[vk] = 0;
    }
    // The owner's frame step.
    void Frame() {
        input.ClearFrameFlags();
        input.Update();
    }

    QRKHostInputTables tables;
    CQRKInputMgr input;
    CQRKErrorQueue queue;
    QRKHostContext host;
    QRKHostContext* previousHost = nullptr;
};

TEST_F(InputMgrTest, AHeldKeyPressesOnceRepeatsFromFrame24AndReleasesAfter) {
    KeyDown(VK_ESCAPE);
    std::set<int> pressed, repeats;
    for (int frame = 1; frame <= 40; ++frame) {
        Frame();
        if (input.PeekPressed(kCancel)) pressed.insert(frame);
        if (input.TakePressedOrRepeat(kCancel) && frame != 1) repeats.insert(frame);
        EXPECT_TRUE(input.IsHeld(kCancel));
        EXPECT_FALSE(input.PeekReleased(kCancel));
    }
    EXPECT_EQ(pressed, (std::set<int>{1}));
    EXPECT_EQ(repeats, (std::set<int>{24, 28, 32, 36, 40}));
    EXPECT_EQ(input.GetInput(kCancel)->holdCount, 40u);

    KeyUp(VK_ESCAPE);
    Frame();
    EXPECT_TRUE(input.PeekReleased(kCancel));
    EXPECT_FALSE(input.IsHeld(kCancel));
    EXPECT_EQ(input.GetInput(kCancel)->holdCount, 0u);
    // Escape's other input saw the same.
    EXPECT_TRUE(input.PeekReleased(39));
}

TEST_F(InputMgrTest, ASecondKeyOfAHeldInputDoesNotPressAgain) {
    KeyDown(VK_SPACE);
    Frame();
    EXPECT_TRUE(input.TakePressed(kDecide));
    KeyDown(VK_RETURN);
    Frame();
    EXPECT_FALSE(input.PeekPressed(kDecide));
    EXPECT_TRUE(input.PeekPressed(kEnter)) << "Enter alone presses its own input";
    KeyUp(VK_SPACE);
    Frame();
    EXPECT_FALSE(input.PeekReleased(kDecide)) << "Enter still holds it";
    EXPECT_TRUE(input.PeekReleased(kSpace));
    KeyUp(VK_RETURN);
    Frame();
    EXPECT_TRUE(input.PeekReleased(kDecide));

    // The editor takes Space away from "decide".
    EXPECT_TRUE(input.RemoveBinding(kDecide, QRKBinding(kQRKDeviceKeyboard, VK_SPACE)));
    EXPECT_FALSE(input.RemoveBinding(kDecide, QRKBinding(kQRKDeviceKeyboard, VK_SPACE)));
    KeyDown(VK_SPACE);
    Frame();
    EXPECT_FALSE(input.PeekPressed(kDecide));
    EXPECT_TRUE(input.PeekPressed(kSpace));
}

TEST_F(InputMgrTest, TheWheelIsAnAnalogValueWithoutFlags) {
    tables.wheel = 120 + 120 + 120;  // three notches summed by the host
    Frame();
    EXPECT_EQ(input.GetAnalog(kWheel), 360);
    EXPECT_EQ(tables.wheel, 0) << "the mouse takes the amount";
    const auto* wheel = input.GetInput(kWheel);
    EXPECT_FALSE(wheel->pressed || wheel->held || wheel->released || wheel->doubleClicked || wheel->repeat);
    Frame();
    EXPECT_EQ(input.GetAnalog(kWheel), 0);

    // Added axes sum, a replacing axis drops what came before it.
    struct Case {
        const char* name;
        uint32_t first, second, third;
        int32_t expected;
    };
    const uint32_t add = QRKBinding(kQRKDeviceMouse, 0, kQRKBindAxisAdd);
    const uint32_t set = QRKBinding(kQRKDeviceMouse, 0, kQRKBindAxisSet);
    const Case cases[] = {
        {"add add add", add, add, add, -360},
        {"add add set", add, add, set, -120},
        {"set add add", set, add, add, -360},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        input.SetupStandardInputs(1, false);
        input.AddBinding(0, c.first);
        input.AddBinding(0, c.second);
        input.AddBinding(0, c.third);
        tables.wheel = -120;
        Frame();
        EXPECT_EQ(input.GetAnalog(0), c.expected);
    }
}

TEST_F(InputMgrTest, ADoubleClickReachesTheButtonAndTheAnyButtonInput) {
    tables.mouse[0].doubleClicked = 1;
    tables.mouse[0].down = 1;
    Frame();
    EXPECT_TRUE(input.PeekDouble(kLeft));
    EXPECT_TRUE(input.PeekDouble(kAnyButton));
    EXPECT_FALSE(input.PeekDouble(kRight));
    EXPECT_EQ(tables.mouse[0].doubleClicked, 0) << "the edge is consumed";
    EXPECT_TRUE(input.TakeDouble(kLeft));
    EXPECT_FALSE(input.PeekDouble(kLeft));
    EXPECT_TRUE(input.TakePressedOrDouble(kAnyButton)) << "taking one input leaves the other";
    Frame();
    EXPECT_FALSE(input.PeekDouble(kAnyButton));
}

TEST_F(InputMgrTest, TakingConsumesAndPeekingDoesNot) {
    KeyDown(VK_LEFT);
    Frame();
    EXPECT_TRUE(input.PeekPressed(kCursorLeft));
    EXPECT_TRUE(input.PeekPressedOrDouble(kCursorLeft));
    EXPECT_TRUE(input.TakePressed(kCursorLeft));
    EXPECT_FALSE(input.TakePressed(kCursorLeft));
    EXPECT_FALSE(input.PeekPressed(kCursorLeft));
    EXPECT_TRUE(input.IsHeld(kCursorLeft)) << "held is not a one-frame flag";

    // While frozen, Update changes no input (the devices still poll) and
    // takes answer without clearing.
    input.SetFrozen(true);
    EXPECT_FALSE(input.Update());
    EXPECT_EQ(input.GetInput(kCursorLeft)->holdCount, 1u);
    input.SetFrozen(false);
    KeyUp(VK_LEFT);
    Frame();
    input.SetFrozen(true);
    EXPECT_TRUE(input.TakeReleased(kCursorLeft));
    EXPECT_TRUE(input.TakeReleased(kCursorLeft));
    input.SetFrozen(false);
    EXPECT_TRUE(input.TakeReleased(kCursorLeft));
    EXPECT_FALSE(input.TakeReleased(kCursorLeft));
}

TEST_F(InputMgrTest, ReadingAnInputThatDoesNotExistIsReportedAndReadsFalse) {
    input.SetupStandardInputs(0, false);
    EXPECT_EQ(input.GetInputCount(), 0u);
    KeyDown(VK_ESCAPE);
    Frame();
    EXPECT_FALSE(input.TakePressed(kCancel));
    EXPECT_FALSE(input.PeekPressed(kCancel));
    EXPECT_FALSE(input.IsHeld(kCancel));
    EXPECT_EQ(input.GetAnalog(kWheel), 0);
    EXPECT_FALSE(input.AddBinding(0, QRKBinding(kQRKDeviceKeyboard, VK_ESCAPE)));
    EXPECT_TRUE(queue.HasPending());
    EXPECT_EQ(input.GetInput(0), nullptr);

    input.SetupStandardInputs(29, true);
    EXPECT_EQ(input.GetInputCount(), 70u);
    EXPECT_FALSE(input.TakePressed(70));
}

TEST_F(InputMgrTest, ABindingToAMissingDeviceIsSkippedAndReported) {
    input.AddBinding(kCursorLeft, QRKBinding(0x1000, 1));
    input.AddBinding(kCursorLeft, QRKBinding(kQRKDeviceGamePad0, 1));  // disabled: skipped quietly
    KeyDown(VK_LEFT);
    Frame();
    EXPECT_TRUE(input.PeekPressed(kCursorLeft)) << "the other bindings still count";
    EXPECT_TRUE(queue.HasPending());
}

TEST_F(InputMgrTest, AHeldPulseBindingPressesAndReleasesEveryFrame) {
    const uint32_t vkP = 'P';
    input.SetupStandardInputs(1, false);
    input.AddBinding(0, QRKBinding(kQRKDeviceKeyboard, vkP, kQRKBindPulse));
    struct Step {
        const char* name;
        int key;  // +1 goes down, -1 goes up, 0 stays
        bool pressed, released, held;
    };
    const Step steps[] = {
        {"goes down", +1, true, false, true},
        {"held", 0, true, true, true},
        {"still held", 0, true, true, true},
        {"goes up", -1, false, true, false},
        {"idle", 0, false, false, false},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.name);
        if (s.key > 0) KeyDown(vkP);
        if (s.key < 0) KeyUp(vkP);
        Frame();
        EXPECT_EQ(input.PeekPressed(0), s.pressed);
        EXPECT_EQ(input.PeekReleased(0), s.released);
        EXPECT_EQ(input.IsHeld(0), s.held);
    }
}

TEST(InputDevices, NamesForTools) {
    CQRKInputMgr input;
    const IQRKInputDevice* keyboard = input.GetDevice(kQRKDeviceKeyboard);
    struct Row {
        uint32_t code;
        const char* shortName;
        const char* name;
    };
    const Row rows[] = {{0, "NL", "NULL"},   {1, "LB", "LButton"},    {8, "BK", "Back"},   {13, "RET", "Return"},
                        {33, "PGU", "PageUp"}, {'7', "7", "7"},      {'K', "K", "K"},      {96, "Num0", "Num0"},
                        {112, "F1", "F1"},   {7, "07", "07"},         {10, "0A", "0A"}};
    for (const Row& r : rows) {
        EXPECT_STREQ(keyboard->GetButtonShortName(r.code), r.shortName) << r.code;
        EXPECT_STREQ(keyboard->GetButtonName(r.code), r.name) << r.code;
    }
    EXPECT_STREQ(input.GetDevice(kQRKDeviceMouse)->GetButtonName(2), "MButton");
    EXPECT_EQ(input.GetDevice(kQRKDeviceMouse)->GetButtonName(3), nullptr);
    const IQRKInputDevice* pad = input.GetDevice(kQRKDeviceGamePad0 + 15);
    EXPECT_STREQ(pad->GetName(), "GamePad15");
    EXPECT_EQ(pad->GetDeviceId(), 18u << 16);
    EXPECT_STREQ(pad->GetButtonName(36), "POVCenter");
    EXPECT_STREQ(pad->GetButtonShortName(31), "B32");
    EXPECT_EQ(pad->GetButtonCount(), 0) << "never connected";
    EXPECT_FALSE(input.IsDeviceEnabled(kQRKDeviceGamePad0));
}

}  // namespace
