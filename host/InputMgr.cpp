#include "host/InputMgr.h"

#include <array>
#include <cstdio>

#include "foundation/strings/Format.h"
#include "foundation/strings/Str.h"
#include "host/ErrorQueue.h"
#include "host/HostContext.h"

namespace {

// "論理入力の番号 %u が範囲外です。"
constexpr char kBadInputIndex[] =
    "\x98_\x97\x9D\x93\xFC\x97\xCD\x82\xCC\x94\xD4\x8D\x86 %u \x82\xAA\x94\xCD\x88\xCD\x8AO\x82\xC5\x82\xB7\x81\x42";
// "入力デバイスの番号 %u が範囲外です。"
constexpr char kBadDeviceIndex[] =
    "\x93\xFC\x97\xCD\x83\x66\x83o\x83\x43\x83X\x82\xCC\x94\xD4\x8D\x86 %u \x82\xAA\x94\xCD\x88\xCD\x8AO\x82\xC5\x82\xB7"
    "\x81\x42";

void ReportIndex(const char* format, uint32_t index) {
    QRKHostContext* host = QRKCurrentHost();
    if (host == nullptr || host->errorQueue == nullptr) return;
    CStr_base<64> text;
    text.Format(format, index);
    host->errorQueue->ReportError(text.GetText(), false);
}

// --- names (for tools; nothing in the program reads them) ---

struct KeyName {
    uint8_t code;
    const char* shortName;
    const char* name;
};

constexpr KeyName kKeyNames[] = {
    {0x00, "NL", "NULL"},     {0x01, "LB", "LButton"},    {0x02, "RB", "RButton"},   {0x03, "CAN", "Cancel"},
    {0x04, "MB", "MButton"},  {0x08, "BK", "Back"},       {0x09, "TAB", "Tab"},      {0x0C, "CLR", "Clear"},
    {0x0D, "RET", "Return"},  {0x10, "SFT", "Shift"},     {0x11, "CTL", "Control"},  {0x12, "ALT", "Menu"},
    {0x13, "PAU", "Pause"},   {0x14, "CAP", "Capital"},   {0x1B, "ESC", "Escape"},   {0x20, "SPC", "Space"},
    {0x21, "PGU", "PageUp"},  {0x22, "PGD", "PageDown"},  {0x23, "END", "End"},      {0x24, "HOM", "Home"},
    {0x25, "LFT", "Left"},    {0x26, "UP", "Up"},         {0x27, "RGT", "Right"},    {0x28, "DWN", "Down"},
    {0x2C, "PRT", "Snapshot"}, {0x2D, "INS", "Insert"},   {0x2E, "DEL", "Delete"},   {0x5B, "LWN", "LWin"},
    {0x5C, "RWN", "RWin"},    {0x5D, "APP", "Apps"},      {0x6A, "MUL", "Multiply"}, {0x6B, "ADD", "Add"},
    {0x6C, "SEP", "Separator"}, {0x6D, "SUB", "Subtract"}, {0x6E, "DEC", "Decimal"}, {0x6F, "DIV", "Divide"},
    {0x90, "NLK", "NumLock"}, {0x91, "SLK", "Scroll"},    {0xA0, "LSF", "LShift"},   {0xA1, "RSF", "RShift"},
    {0xA2, "LCT", "LControl"}, {0xA3, "RCT", "RControl"}, {0xA4, "LAL", "LMenu"},    {0xA5, "RAL", "RMenu"},
};

// Per code: the short and the long name (equal for digits, letters, "Num0" and
// "F1"), or two hexadecimal digits.
struct KeyNameTable {
    char text[256][12] = {};
    const char* shortNames[256] = {};
    const char* names[256] = {};

    KeyNameTable() {
        for (int code = 0; code < 256; ++code) {
            char* t = text[code];
            if ((code >= '0' && code <= '9') || (code >= 'A' && code <= 'Z'))
                std::snprintf(t, sizeof text[code], "%c", code);
            else if (code >= 0x60 && code <= 0x69)
                std::snprintf(t, sizeof text[code], "Num%d", code - 0x60);
            else if (code >= 0x70 && code <= 0x87)
                std::snprintf(t, sizeof text[code], "F%d", code - 0x70 + 1);
            else
                std::snprintf(t, sizeof text[code], "%02X", code);
            shortNames[code] = names[code] = t;
        }
        for (const KeyName& k : kKeyNames) {
            shortNames[k.code] = k.shortName;
            names[k.code] = k.name;
        }
    }
};

const KeyNameTable& KeyNames() {
    static const KeyNameTable table;
    return table;
}

// Game-pad buttons: 32 buttons, the four directions, the hat's five states.
struct PadNameTable {
    char text[2][41][20] = {};  // room for any int, so the formatter never truncates

    PadNameTable() {
        static constexpr const char* kShort[9] = {"BL", "BR", "BU", "BD", "PC", "PL", "PR", "PU", "PD"};
        static constexpr const char* kLong[9] = {"ButtonLeft", "ButtonRight", "ButtonUp", "ButtonDown", "POVCenter",
                                                 "POVLeft",    "POVRight",    "POVUp",    "POVDown"};
        for (int b = 0; b < 41; ++b) {
            if (b < 32) {
                std::snprintf(text[0][b], sizeof text[0][b], "B%d", b + 1);
                std::snprintf(text[1][b], sizeof text[1][b], "Button%d", b + 1);
            } else {
                std::snprintf(text[0][b], sizeof text[0][b], "%s", kShort[b - 32]);
                std::snprintf(text[1][b], sizeof text[1][b], "%s", kLong[b - 32]);
            }
        }
    }
};

const PadNameTable& PadNames() {
    static const PadNameTable table;
    return table;
}

}  // namespace

// --- devices ---

bool CQRKInputDevice_Keyboard::Poll() {
    if (m_tables == nullptr) return false;
    for (int code = 0; code < 256; ++code) {
        m_states[code] = (m_tables->keyPressed[code] != 0 ? kQRKButtonWentDown : 0) |
                         (m_tables->keyReleased[code] != 0 ? kQRKButtonWentUp : 0) |
                         (m_tables->keyDown[code] != 0 ? kQRKButtonDown : 0);
        m_tables->keyPressed[code] = 0;
        m_tables->keyReleased[code] = 0;
    }
    return true;
}

const char* CQRKInputDevice_Keyboard::GetButtonShortName(uint32_t code) const {
    return code < 256 ? KeyNames().shortNames[code] : nullptr;
}

const char* CQRKInputDevice_Keyboard::GetButtonName(uint32_t code) const {
    return code < 256 ? KeyNames().names[code] : nullptr;
}

bool CQRKInputDevice_Mouse::Poll() {
    if (m_tables == nullptr) return false;
    for (int b = 0; b < 3; ++b) {
        QRKHostInputTables::Button& button = m_tables->mouse[b];
        m_states[b] = (button.pressed != 0 ? kQRKButtonWentDown : 0) | (button.released != 0 ? kQRKButtonWentUp : 0) |
                      (button.down != 0 ? kQRKButtonDown : 0) |
                      (button.doubleClicked != 0 ? kQRKButtonDoubleClicked : 0);
        button.pressed = 0;
        button.released = 0;
        button.doubleClicked = 0;
    }
    m_wheel = m_tables->wheel;
    m_tables->wheel = 0;
    return true;
}

const char* CQRKInputDevice_Mouse::GetButtonShortName(uint32_t code) const {
    static constexpr const char* kNames[3] = {"LBT", "RBT", "MBT"};
    return code < 3 ? kNames[code] : nullptr;
}

const char* CQRKInputDevice_Mouse::GetButtonName(uint32_t code) const {
    static constexpr const char* kNames[3] = {"LButton", "RButton", "MButton"};
    return code < 3 ? kNames[code] : nullptr;
}

void CQRKInputDevice_GamePad::SetJoystick(uint32_t joystick) noexcept {
    m_joystick = joystick;
    std::snprintf(m_shortName, sizeof m_shortName, "P%u", joystick);
    std::snprintf(m_name, sizeof m_name, "GamePad%u", joystick);
}

const char* CQRKInputDevice_GamePad::GetButtonShortName(uint32_t code) const {
    return code < 41 ? PadNames().text[0][code] : nullptr;
}

const char* CQRKInputDevice_GamePad::GetButtonName(uint32_t code) const {
    return code < 41 ? PadNames().text[1][code] : nullptr;
}

// --- the manager ---

CQRKInputMgr::CQRKInputMgr() {
    m_devices[kQRKDeviceKeyboard] = &m_keyboard;
    m_devices[kQRKDeviceMouse] = &m_mouse;
    m_devices[kQRKDevicePlayer] = &m_player;
    for (uint32_t j = 0; j < 16; ++j) {
        m_gamePads[j].SetJoystick(j);
        m_devices[kQRKDeviceGamePad0 + j] = &m_gamePads[j];
    }
    m_enabled[kQRKDeviceKeyboard] = m_enabled[kQRKDeviceMouse] = m_enabled[kQRKDevicePlayer] = true;
}

CQRKInputMgr::~CQRKInputMgr() = default;

void CQRKInputMgr::SetHostTables(QRKHostInputTables* tables) {
    m_keyboard.SetHostTables(tables);
    m_mouse.SetHostTables(tables);
}

namespace {

// The standard set's bindings, in order; the player binding (code = input) is
// added after them.
struct StandardRow {
    uint8_t count;
    uint32_t bindings[3];
};

constexpr uint32_t Key(uint32_t vk) { return QRKBinding(kQRKDeviceKeyboard, vk); }
constexpr uint32_t Button(uint32_t b) { return QRKBinding(kQRKDeviceMouse, b); }

constexpr StandardRow kStandard[CQRKInputMgr::kStandardInputs] = {
    {1, {Button(0)}},                             // 0 left button
    {1, {Button(1)}},                             // 1 right button
    {1, {Button(2)}},                             // 2 middle button
    {1, {QRKBinding(kQRKDeviceMouse, 0, kQRKBindAxisAdd)}},  // 3 wheel
    {3, {Button(0), Button(1), Button(2)}},       // 4 any button (clicks)
    {1, {Key(0x25)}},                             // 5 cursor left
    {1, {Key(0x27)}},                             // 6 cursor right
    {1, {Key(0x26)}},                             // 7 cursor up
    {1, {Key(0x28)}},                             // 8 cursor down
    {2, {Key(0x0D), Key(0x20)}},                  // 9 decide: Enter, Space
    {1, {Key(0x1B)}},                             // 10 cancel
    {1, {Key(0x21)}},                             // 11 page up
    {1, {Key(0x22)}},                             // 12 page down
    {1, {Key('Q')}},                              // 13
    {1, {Key('W')}},                              // 14
    {1, {Key(0x11)}},                             // 15 Ctrl
    {1, {Key(0x10)}},                             // 16 Shift
    {2, {Key('0'), Key(0x60)}},                   // 17-26 digits: main row and keypad
    {2, {Key('1'), Key(0x61)}},
    {2, {Key('2'), Key(0x62)}},
    {2, {Key('3'), Key(0x63)}},
    {2, {Key('4'), Key(0x64)}},
    {2, {Key('5'), Key(0x65)}},
    {2, {Key('6'), Key(0x66)}},
    {2, {Key('7'), Key(0x67)}},
    {2, {Key('8'), Key(0x68)}},
    {2, {Key('9'), Key(0x69)}},
    {1, {Key('Z')}},                              // 27
    {1, {Key('X')}},                              // 28
    {1, {Key('C')}},                              // 29
    {1, {Key('V')}},                              // 30
    {1, {Key('B')}},                              // 31
    {1, {Key('A')}},                              // 32
    {1, {Key('S')}},                              // 33
    {1, {Key('D')}},                              // 34
    {1, {Key('F')}},                              // 35
    {1, {Key('G')}},                              // 36
    {1, {Key(0x0D)}},                             // 37 Enter
    {1, {Key(0x20)}},                             // 38 Space
    {1, {Key(0x1B)}},                             // 39 Esc
    {1, {Key(0x08)}},                             // 40 Backspace
};

}  // namespace

bool CQRKInputMgr::SetupStandardInputs(uint32_t n, bool standard) {
    // Every input and its bindings go; the new ones start cleared.
    m_inputs.FreeAll();
    const uint64_t count = uint64_t(n) + (standard ? kStandardInputs : 0);
    m_inputs.SetCount(static_cast<uint32_t>(count > UINT32_MAX ? UINT32_MAX : count));
    if (!standard) return true;
    for (uint32_t i = 0; i < kStandardInputs; ++i) {
        CArrayAuto<uint32_t>& bindings = m_inputs.GetAt(i)->bindings;
        for (uint32_t b = 0; b < kStandard[i].count; ++b) *bindings.AddNew() = kStandard[i].bindings[b];
        // The player never reports anything: these bindings have no effect.
        *bindings.AddNew() = QRKBinding(kQRKDevicePlayer, i, i == 3 ? kQRKBindAxisAdd : 0);
    }
    return true;
}

qrk_internal::QRKInputMgr_struct* CQRKInputMgr::Input(uint32_t i) {
    if (i < m_inputs.GetCount()) return m_inputs.GetAt(i);
    ReportIndex(kBadInputIndex, i);
    return nullptr;
}

const qrk_internal::QRKInputMgr_struct* CQRKInputMgr::GetInput(uint32_t i) const noexcept {
    return i < m_inputs.GetCount() ? m_inputs.GetIndex()[i] : nullptr;
}

bool CQRKInputMgr::AddBinding(uint32_t input, uint32_t binding) {
    qrk_internal::QRKInputMgr_struct* in = Input(input);
    if (in == nullptr) return false;
    *in->bindings.AddNew() = binding;
    return true;
}

bool CQRKInputMgr::RemoveBinding(uint32_t input, uint32_t binding) {
    qrk_internal::QRKInputMgr_struct* in = Input(input);
    if (in == nullptr) return false;
    bool removed = false;
    for (uint32_t b = in->bindings.GetCount(); b-- > 0;) {
        if (*in->bindings.GetAt(b) == binding) {
            in->bindings.RemoveAt(b);
            removed = true;
        }
    }
    return removed;
}

void CQRKInputMgr::ClearFrameFlags() {
    if (m_frozen) return;
    for (qrk_internal::QRKInputMgr_struct* in : m_inputs) {
        in->pressed = in->released = in->doubleClicked = in->repeat = false;
        in->analog = 0;
    }
}

bool CQRKInputMgr::Update() {
    for (uint32_t d = 0; d < kDeviceCount; ++d) {
        if (m_enabled[d]) m_devices[d]->Poll();
    }
    if (m_frozen) return false;

    for (qrk_internal::QRKInputMgr_struct* in : m_inputs) {
        const bool wasHeld = in->held;
        bool anyPressed = false, anyHeld = false, anyReleased = false, anyDouble = false;
        // 64 bits: axis values added up cannot overflow; the frame's value
        // saturates.
        int64_t sum = 0;
        for (const uint32_t* word : in->bindings) {
            const uint32_t w = *word;
            const uint32_t device = (w >> 16) & 0x1FFFu;
            if (device >= kDeviceCount) {
                ReportIndex(kBadDeviceIndex, device);
                continue;
            }
            if (!m_enabled[device]) continue;
            const uint32_t code = w & 0xFFFFu;
            switch (w >> 30) {
            case 1:
                sum += m_devices[device]->GetAxis(code);
                break;
            case 2:
                sum = m_devices[device]->GetAxis(code);
                break;
            default: {
                const int32_t state = m_devices[device]->GetButtonState(code);
                anyPressed |= (state & kQRKButtonWentDown) != 0;
                anyReleased |= (state & kQRKButtonWentUp) != 0;
                anyHeld |= (state & kQRKButtonDown) != 0;
                anyDouble |= (state & kQRKButtonDoubleClicked) != 0;
                // A held pulse binding presses and releases its input every frame.
                if ((w & kQRKBindPulse) != 0 && wasHeld && (state & kQRKButtonWentUp) == 0)
                    in->pressed = in->released = true;
                break;
            }
            }
        }
        // A second binding going down while the input is held does not press again.
        if (anyPressed && !wasHeld) in->pressed = true;
        if (anyHeld) {
            ++in->holdCount;
            in->held = true;
        } else {
            in->holdCount = 0;
            in->held = false;
        }
        if (anyDouble) in->doubleClicked = true;
        if (anyReleased && !anyHeld) in->released = true;
        sum += in->analog;
        in->analog = static_cast<int32_t>(sum < INT32_MIN ? INT32_MIN : sum > INT32_MAX ? INT32_MAX : sum);
        if (in->holdCount >= kRepeatDelay && (in->holdCount - kRepeatDelay) % kRepeatPeriod == 0) in->repeat = true;
    }
    return true;
}

// The reads. Each answers from the flags it names and, for a take, clears
// them unless the manager is frozen.
bool CQRKInputMgr::TakePressed(uint32_t i) {
    auto* in = Input(i);
    if (in == nullptr) return false;
    const bool result = in->pressed;
    if (!m_frozen) in->pressed = false;
    return result;
}

bool CQRKInputMgr::TakePressedOrDouble(uint32_t i) {
    auto* in = Input(i);
    if (in == nullptr) return false;
    const bool result = in->pressed || in->doubleClicked;
    if (!m_frozen) in->pressed = in->doubleClicked = false;
    return result;
}

bool CQRKInputMgr::TakePressedOrRepeat(uint32_t i) {
    auto* in = Input(i);
    if (in == nullptr) return false;
    const bool result = in->pressed || in->repeat;
    if (!m_frozen) in->pressed = in->repeat = false;
    return result;
}

bool CQRKInputMgr::TakePressedOrDoubleOrRepeat(uint32_t i) {
    auto* in = Input(i);
    if (in == nullptr) return false;
    const bool result = in->pressed || in->doubleClicked || in->repeat;
    if (!m_frozen) in->pressed = in->doubleClicked = in->repeat = false;
    return result;
}

bool CQRKInputMgr::TakeDouble(uint32_t i) {
    auto* in = Input(i);
    if (in == nullptr) return false;
    const bool result = in->doubleClicked;
    if (!m_frozen) in->doubleClicked = false;
    return result;
}

bool CQRKInputMgr::TakeReleased(uint32_t i) {
    auto* in = Input(i);
    if (in == nullptr) return false;
    const bool result = in->released;
    if (!m_frozen) in->released = false;
    return result;
}

bool CQRKInputMgr::PeekPressed(uint32_t i) {
    auto* in = Input(i);
    return in != nullptr && in->pressed;
}

bool CQRKInputMgr::PeekPressedOrDouble(uint32_t i) {
    auto* in = Input(i);
    return in != nullptr && (in->pressed || in->doubleClicked);
}

bool CQRKInputMgr::PeekDouble(uint32_t i) {
    auto* in = Input(i);
    return in != nullptr && in->doubleClicked;
}

bool CQRKInputMgr::PeekReleased(uint32_t i) {
    auto* in = Input(i);
    return in != nullptr && in->released;
}

bool CQRKInputMgr::IsHeld(uint32_t i) {
    auto* in = Input(i);
    return in != nullptr && in->held;
}

int32_t CQRKInputMgr::GetAnalog(uint32_t i) {
    auto* in = Input(i);
    return in != nullptr ? in->analog : 0;
}
