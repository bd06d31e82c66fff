#include "platform/qt/QtKeyMap.h"

#include <Qt>

namespace platform {
namespace {

// Which events a row matches: keypad keys only, other keys only, or both.
enum class Pad : uint8_t { Any, Only, Never };

struct KeyRow {
    int key;
    Pad pad;
    uint16_t vk;
};

// Letters and the main digits are the same numbers in both systems (0x30-0x39,
// 0x41-0x5A) and are computed, not listed. The keypad digits are 0x60-0x69
// with NumLock on; with it off the keypad sends the navigation keys, which map
// as the navigation keys do, as on Windows.
constexpr KeyRow kKeys[] = {
    {Qt::Key_Backspace, Pad::Any, 0x08},
    {Qt::Key_Tab, Pad::Any, 0x09},
    {Qt::Key_Backtab, Pad::Any, 0x09},
    {Qt::Key_Clear, Pad::Any, 0x0C},
    {Qt::Key_Return, Pad::Any, 0x0D},
    {Qt::Key_Enter, Pad::Any, 0x0D},
    {Qt::Key_Shift, Pad::Any, 0x10},
    {Qt::Key_Control, Pad::Any, 0x11},
    {Qt::Key_Alt, Pad::Any, 0x12},
    {Qt::Key_AltGr, Pad::Any, 0x12},
    {Qt::Key_Pause, Pad::Any, 0x13},
    {Qt::Key_CapsLock, Pad::Any, 0x14},
    {Qt::Key_Kana_Lock, Pad::Any, 0x15},
    {Qt::Key_Hiragana_Katakana, Pad::Any, 0x15},
    {Qt::Key_Kanji, Pad::Any, 0x19},
    {Qt::Key_Escape, Pad::Any, 0x1B},
    {Qt::Key_Henkan, Pad::Any, 0x1C},
    {Qt::Key_Muhenkan, Pad::Any, 0x1D},
    {Qt::Key_Space, Pad::Any, 0x20},
    {Qt::Key_PageUp, Pad::Any, 0x21},
    {Qt::Key_PageDown, Pad::Any, 0x22},
    {Qt::Key_End, Pad::Any, 0x23},
    {Qt::Key_Home, Pad::Any, 0x24},
    {Qt::Key_Left, Pad::Any, 0x25},
    {Qt::Key_Up, Pad::Any, 0x26},
    {Qt::Key_Right, Pad::Any, 0x27},
    {Qt::Key_Down, Pad::Any, 0x28},
    {Qt::Key_Select, Pad::Any, 0x29},
    {Qt::Key_Printer, Pad::Any, 0x2A},
    {Qt::Key_Execute, Pad::Any, 0x2B},
    {Qt::Key_Print, Pad::Any, 0x2C},
    {Qt::Key_SysReq, Pad::Any, 0x2C},
    {Qt::Key_Insert, Pad::Any, 0x2D},
    {Qt::Key_Delete, Pad::Any, 0x2E},
    {Qt::Key_Help, Pad::Any, 0x2F},
    {Qt::Key_Meta, Pad::Any, 0x5B},
    {Qt::Key_Super_L, Pad::Any, 0x5B},
    {Qt::Key_Super_R, Pad::Any, 0x5C},
    {Qt::Key_Menu, Pad::Any, 0x5D},
    {Qt::Key_Sleep, Pad::Any, 0x5F},
    // The keypad's operators.
    {Qt::Key_Asterisk, Pad::Only, 0x6A},
    {Qt::Key_Plus, Pad::Only, 0x6B},
    {Qt::Key_Comma, Pad::Only, 0x6C},
    {Qt::Key_Minus, Pad::Only, 0x6D},
    {Qt::Key_Period, Pad::Only, 0x6E},
    {Qt::Key_Slash, Pad::Only, 0x6F},
    {Qt::Key_NumLock, Pad::Any, 0x90},
    {Qt::Key_ScrollLock, Pad::Any, 0x91},
    // Punctuation of the main block, shifted and unshifted (US layout).
    {Qt::Key_Semicolon, Pad::Never, 0xBA},
    {Qt::Key_Colon, Pad::Never, 0xBA},
    {Qt::Key_Equal, Pad::Never, 0xBB},
    {Qt::Key_Plus, Pad::Never, 0xBB},
    {Qt::Key_Comma, Pad::Never, 0xBC},
    {Qt::Key_Less, Pad::Never, 0xBC},
    {Qt::Key_Minus, Pad::Never, 0xBD},
    {Qt::Key_Underscore, Pad::Never, 0xBD},
    {Qt::Key_Period, Pad::Never, 0xBE},
    {Qt::Key_Greater, Pad::Never, 0xBE},
    {Qt::Key_Slash, Pad::Never, 0xBF},
    {Qt::Key_Question, Pad::Never, 0xBF},
    {Qt::Key_QuoteLeft, Pad::Never, 0xC0},
    {Qt::Key_AsciiTilde, Pad::Never, 0xC0},
    {Qt::Key_BracketLeft, Pad::Never, 0xDB},
    {Qt::Key_BraceLeft, Pad::Never, 0xDB},
    {Qt::Key_Backslash, Pad::Never, 0xDC},
    {Qt::Key_Bar, Pad::Never, 0xDC},
    {Qt::Key_BracketRight, Pad::Never, 0xDD},
    {Qt::Key_BraceRight, Pad::Never, 0xDD},
    {Qt::Key_Apostrophe, Pad::Never, 0xDE},
    {Qt::Key_QuoteDbl, Pad::Never, 0xDE},
    // The shifted digits.
    {Qt::Key_Exclam, Pad::Never, 0x31},
    {Qt::Key_At, Pad::Never, 0x32},
    {Qt::Key_NumberSign, Pad::Never, 0x33},
    {Qt::Key_Dollar, Pad::Never, 0x34},
    {Qt::Key_Percent, Pad::Never, 0x35},
    {Qt::Key_AsciiCircum, Pad::Never, 0x36},
    {Qt::Key_Ampersand, Pad::Never, 0x37},
    {Qt::Key_Asterisk, Pad::Never, 0x38},
    {Qt::Key_ParenLeft, Pad::Never, 0x39},
    {Qt::Key_ParenRight, Pad::Never, 0x30},
};

}  // namespace

uint32_t VirtualKeyFromQtKey(int qtKey, bool keypad) noexcept {
    if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9)
        return keypad ? 0x60u + static_cast<uint32_t>(qtKey - Qt::Key_0) : static_cast<uint32_t>(qtKey);
    if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) return static_cast<uint32_t>(qtKey);
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24) return 0x70u + static_cast<uint32_t>(qtKey - Qt::Key_F1);
    for (const KeyRow& row : kKeys) {
        if (row.key != qtKey) continue;
        if (row.pad == Pad::Only && !keypad) continue;
        if (row.pad == Pad::Never && keypad) continue;
        return row.vk;
    }
    return 0;
}

}  // namespace platform
