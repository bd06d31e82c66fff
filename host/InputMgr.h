#pragma once
// Input devices and logical inputs: the keyboard and mouse read from the host's
// input tables, a player device that reads nothing, and sixteen game pads that
// are never connected; numbered logical inputs bound to their buttons and axes.
//
// Windows and the editor never look at keys or buttons: they read logical
// inputs, each bound to any number of device buttons or axes, carrying
// per-frame flags (pressed, held, released, double-clicked, key repeat) and an
// analog value. Once per frame the owner clears the one-frame flags and calls
// Update, which polls the devices and folds every input's bindings into its
// flags. Reads take (read and clear) or peek.
//
// A read of an input that does not exist, or a binding naming a device that
// does not exist, is reported to the published host's error queue and reads
// as nothing: a bad index in one window must not end the program.
#include <cstdint>

#include "foundation/containers/ArrayAuto.h"
#include "host/HostInput.h"

// Button state as devices report it (bit flags).
inline constexpr int32_t kQRKButtonWentDown = 1;
inline constexpr int32_t kQRKButtonWentUp = 2;
inline constexpr int32_t kQRKButtonDown = 4;
inline constexpr int32_t kQRKButtonDoubleClicked = 8;

// Binding word: bits 0-15 the code (a button or an axis), bits 16-28 the
// device index, bit 29 pulse, bits 30-31 the kind (0 or 3 a button, 1 an axis
// added to the analog value, 2 an axis replacing the sum so far).
inline constexpr uint32_t kQRKBindPulse = 0x20000000u;
inline constexpr uint32_t kQRKBindAxisAdd = 0x40000000u;
inline constexpr uint32_t kQRKBindAxisSet = 0x80000000u;

// Device indices in the manager's list.
inline constexpr uint32_t kQRKDeviceKeyboard = 0;
inline constexpr uint32_t kQRKDeviceMouse = 1;
inline constexpr uint32_t kQRKDevicePlayer = 2;
inline constexpr uint32_t kQRKDeviceGamePad0 = 3;

constexpr uint32_t QRKBinding(uint32_t device, uint32_t code, uint32_t flags = 0) noexcept {
    return flags | ((device & 0x1FFFu) << 16) | (code & 0xFFFFu);
}

class IQRKInputDevice {
public:
    virtual ~IQRKInputDevice() = default;
    // The device index shifted left by 16.
    virtual uint32_t GetDeviceId() const = 0;
    virtual int32_t GetButtonCount() const { return 0; }
    virtual int32_t GetButtonState(uint32_t /*code*/) const { return 0; }
    virtual int32_t GetAxisCount() const { return 0; }
    virtual int32_t GetAxis(uint32_t /*index*/) const { return 0; }
    virtual bool Poll() { return true; }
    virtual const char* GetShortName() const = 0;
    virtual const char* GetName() const = 0;
    // Null for a code the device does not have.
    virtual const char* GetButtonShortName(uint32_t code) const = 0;
    virtual const char* GetButtonName(uint32_t code) const = 0;
};

// 256 keys by virtual-key code, from the host's key tables.
class CQRKInputDevice_Keyboard final : public IQRKInputDevice {
public:
    void SetHostTables(QRKHostInputTables* tables) noexcept { m_tables = tables; }
    uint32_t GetDeviceId() const override { return kQRKDeviceKeyboard << 16; }
    int32_t GetButtonCount() const override { return 256; }
    int32_t GetButtonState(uint32_t code) const override { return code < 256 ? m_states[code] : 0; }
    // Reads the three key tables, clearing their two edge tables; false
    // without tables (the states stay).
    bool Poll() override;
    const char* GetShortName() const override { return "KB"; }
    const char* GetName() const override { return "Keyboard"; }
    const char* GetButtonShortName(uint32_t code) const override;
    const char* GetButtonName(uint32_t code) const override;

private:
    QRKHostInputTables* m_tables = nullptr;
    int32_t m_states[256] = {};
};

// Left, right and middle button and the wheel, from the host's mouse record.
class CQRKInputDevice_Mouse final : public IQRKInputDevice {
public:
    void SetHostTables(QRKHostInputTables* tables) noexcept { m_tables = tables; }
    uint32_t GetDeviceId() const override { return kQRKDeviceMouse << 16; }
    int32_t GetButtonCount() const override { return 3; }
    int32_t GetButtonState(uint32_t code) const override { return code < 3 ? m_states[code] : 0; }
    int32_t GetAxisCount() const override { return 1; }
    // Axis 0: the wheel amount of the last poll.
    int32_t GetAxis(uint32_t index) const override { return index == 0 ? m_wheel : 0; }
    // Reads the buttons (clearing their edges) and takes the wheel amount.
    bool Poll() override;
    const char* GetShortName() const override { return "MS"; }
    const char* GetName() const override { return "Mouse"; }
    const char* GetButtonShortName(uint32_t code) const override;
    const char* GetButtonName(uint32_t code) const override;

private:
    QRKHostInputTables* m_tables = nullptr;
    int32_t m_states[3] = {};
    int32_t m_wheel = 0;
};

// A device with no buttons or axes; its bindings never fire.
class CQRKInputDevice_Player final : public IQRKInputDevice {
public:
    uint32_t GetDeviceId() const override { return kQRKDevicePlayer << 16; }
    const char* GetShortName() const override { return "PL"; }
    const char* GetName() const override { return "Player"; }
    const char* GetButtonShortName(uint32_t) const override { return "UNI"; }
    const char* GetButtonName(uint32_t) const override { return "UnNamedID"; }
};

// A game pad. Nothing opens one, so it stays disconnected: no buttons, no
// axes, and it fails to poll.
class CQRKInputDevice_GamePad final : public IQRKInputDevice {
public:
    void SetJoystick(uint32_t joystick) noexcept;
    uint32_t GetDeviceId() const override { return (m_joystick + kQRKDeviceGamePad0) << 16; }
    int32_t GetButtonCount() const override { return m_connected ? 41 : 0; }
    int32_t GetAxisCount() const override { return m_connected ? 7 : 0; }
    bool Poll() override { return m_connected; }
    const char* GetShortName() const override { return m_shortName; }
    const char* GetName() const override { return m_name; }
    const char* GetButtonShortName(uint32_t code) const override;
    const char* GetButtonName(uint32_t code) const override;

private:
    uint32_t m_joystick = 0;
    bool m_connected = false;
    char m_shortName[8] = "P0";
    char m_name[16] = "GamePad0";
};

namespace qrk_internal {

// One logical input.
struct QRKInputMgr_struct {
    CArrayAuto<uint32_t> bindings;
    bool pressed = false;
    bool held = false;
    bool released = false;
    bool doubleClicked = false;
    bool repeat = false;
    int32_t analog = 0;
    // Frames in a row the input has been held.
    uint32_t holdCount = 0;
};

}  // namespace qrk_internal

class CQRKInputMgr {
public:
    // Inputs 0 to 40 of the standard set.
    static constexpr uint32_t kStandardInputs = 41;
    static constexpr uint32_t kDeviceCount = 19;
    static constexpr uint32_t kRepeatDelay = 24;
    static constexpr uint32_t kRepeatPeriod = 4;

    CQRKInputMgr();
    virtual ~CQRKInputMgr();
    CQRKInputMgr(const CQRKInputMgr&) = delete;
    CQRKInputMgr& operator=(const CQRKInputMgr&) = delete;

    // The host's tables that the keyboard and the mouse read (null: they fail
    // to poll).
    void SetHostTables(QRKHostInputTables* tables);

    // Rebuilds the table with n inputs, or n + 41 with the standard set's
    // default bindings on inputs 0 to 40. Always true.
    bool SetupStandardInputs(uint32_t n, bool standard);
    uint32_t GetInputCount() const noexcept { return m_inputs.GetCount(); }

    // Appends a binding word to an input; false (reported) for a bad index.
    bool AddBinding(uint32_t input, uint32_t binding);
    // Removes every occurrence of the binding; true when there was one.
    bool RemoveBinding(uint32_t input, uint32_t binding);

    // The owner's frame step, before anything reads: clears the one-frame
    // flags and the analog values (held and hold counts stay). Nothing while
    // frozen.
    void ClearFrameFlags();
    // Polls the enabled devices and folds the bindings into the inputs' flags;
    // false (nothing changed) while frozen. Only ever sets one-frame flags.
    bool Update();

    // Reads: take clears what it answers (unless frozen), peek clears nothing.
    // An input index at or beyond the count is reported and reads false.
    bool TakePressed(uint32_t i);
    bool TakePressedOrDouble(uint32_t i);
    bool TakePressedOrRepeat(uint32_t i);
    bool TakePressedOrDoubleOrRepeat(uint32_t i);
    bool TakeDouble(uint32_t i);
    bool TakeReleased(uint32_t i);
    bool PeekPressed(uint32_t i);
    bool PeekPressedOrDouble(uint32_t i);
    bool PeekDouble(uint32_t i);
    bool PeekReleased(uint32_t i);
    bool IsHeld(uint32_t i);
    // The frame's analog value (input 3: the wheel); 0 for a bad index.
    int32_t GetAnalog(uint32_t i);

    // The input itself, or null (not reported) beyond the count.
    const qrk_internal::QRKInputMgr_struct* GetInput(uint32_t i) const noexcept;

    bool IsFrozen() const noexcept { return m_frozen; }
    void SetFrozen(bool frozen) noexcept { m_frozen = frozen; }
    IQRKInputDevice* GetDevice(uint32_t index) const noexcept {
        return index < kDeviceCount ? m_devices[index] : nullptr;
    }
    bool IsDeviceEnabled(uint32_t index) const noexcept { return index < kDeviceCount && m_enabled[index]; }

private:
    // The input, or null after reporting the bad index.
    qrk_internal::QRKInputMgr_struct* Input(uint32_t i);

    CArrayAuto<qrk_internal::QRKInputMgr_struct> m_inputs;
    IQRKInputDevice* m_devices[kDeviceCount] = {};
    bool m_enabled[kDeviceCount] = {};
    CQRKInputDevice_Keyboard m_keyboard;
    CQRKInputDevice_Mouse m_mouse;
    CQRKInputDevice_Player m_player;
    CQRKInputDevice_GamePad m_gamePads[16];
    bool m_frozen = false;
};
