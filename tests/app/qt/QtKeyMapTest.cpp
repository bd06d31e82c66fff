#include "platform/qt/QtKeyMap.h"

#include <gtest/gtest.h>

#include <Qt>

namespace {

using platform::VirtualKeyFromQtKey;

// Windows virtual-key codes, as a Windows keyboard reports the same keys.
struct Row {
    const char* name;
    int key;
    bool keypad;
    uint32_t vk;
};

constexpr Row kRows[] = {
    {"A", Qt::Key_A, false, 0x41},
    {"Z", Qt::Key_Z, false, 0x5A},
    {"0 main", Qt::Key_0, false, 0x30},
    {"9 main", Qt::Key_9, false, 0x39},
    {"0 keypad", Qt::Key_0, true, 0x60},  // VK_NUMPAD0
    {"5 keypad", Qt::Key_5, true, 0x65},
    {"9 keypad", Qt::Key_9, true, 0x69},  // VK_NUMPAD9
    {"* keypad", Qt::Key_Asterisk, true, 0x6A},  // VK_MULTIPLY
    {"+ keypad", Qt::Key_Plus, true, 0x6B},      // VK_ADD
    {"- keypad", Qt::Key_Minus, true, 0x6D},     // VK_SUBTRACT
    {". keypad", Qt::Key_Period, true, 0x6E},    // VK_DECIMAL
    {"/ keypad", Qt::Key_Slash, true, 0x6F},     // VK_DIVIDE
    {"Enter keypad", Qt::Key_Enter, true, 0x0D},
    {"Home keypad (NumLock off)", Qt::Key_Home, true, 0x24},
    {"= main", Qt::Key_Equal, false, 0xBB},  // VK_OEM_PLUS
    {"+ main (shifted =)", Qt::Key_Plus, false, 0xBB},
    {", main", Qt::Key_Comma, false, 0xBC},  // VK_OEM_COMMA
    {"- main", Qt::Key_Minus, false, 0xBD},  // VK_OEM_MINUS
    {". main", Qt::Key_Period, false, 0xBE},  // VK_OEM_PERIOD
    {"/ main", Qt::Key_Slash, false, 0xBF},   // VK_OEM_2
    {"? main (shifted /)", Qt::Key_Question, false, 0xBF},
    {"! (shifted 1)", Qt::Key_Exclam, false, 0x31},
    {"* main (shifted 8)", Qt::Key_Asterisk, false, 0x38},
    {"Backspace", Qt::Key_Backspace, false, 0x08},
    {"Tab", Qt::Key_Tab, false, 0x09},
    {"Shift+Tab", Qt::Key_Backtab, false, 0x09},
    {"Return", Qt::Key_Return, false, 0x0D},
    {"Shift", Qt::Key_Shift, false, 0x10},
    {"Control", Qt::Key_Control, false, 0x11},
    {"Alt", Qt::Key_Alt, false, 0x12},
    {"Escape", Qt::Key_Escape, false, 0x1B},
    {"Space", Qt::Key_Space, false, 0x20},
    {"PageUp", Qt::Key_PageUp, false, 0x21},
    {"Left", Qt::Key_Left, false, 0x25},
    {"Down", Qt::Key_Down, false, 0x28},
    {"Delete", Qt::Key_Delete, false, 0x2E},
    {"F1", Qt::Key_F1, false, 0x70},
    {"F10", Qt::Key_F10, false, 0x79},
    {"F12", Qt::Key_F12, false, 0x7B},
    {"F24", Qt::Key_F24, false, 0x87},
    {"[", Qt::Key_BracketLeft, false, 0xDB},
    {"\\", Qt::Key_Backslash, false, 0xDC},
    {"'", Qt::Key_Apostrophe, false, 0xDE},
    {"Henkan", Qt::Key_Henkan, false, 0x1C},
    {"Muhenkan", Qt::Key_Muhenkan, false, 0x1D},
    {"no code: Volume Up", Qt::Key_VolumeUp, false, 0},
    {"no code: unknown", Qt::Key_unknown, false, 0},
};

TEST(QtKeyMapTest, QtKeysBecomeTheVirtualKeysOfTheSameKeys) {
    for (const Row& row : kRows) EXPECT_EQ(VirtualKeyFromQtKey(row.key, row.keypad), row.vk) << row.name;
}

TEST(QtKeyMapTest, EveryLetterAndFunctionKeyMaps) {
    for (int k = Qt::Key_A; k <= Qt::Key_Z; ++k) EXPECT_EQ(VirtualKeyFromQtKey(k, false), uint32_t(k));
    for (int i = 0; i < 24; ++i) EXPECT_EQ(VirtualKeyFromQtKey(Qt::Key_F1 + i, false), 0x70u + uint32_t(i));
}

}  // namespace
