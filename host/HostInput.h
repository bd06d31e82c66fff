#pragma once
// The host's record of the keyboard and the mouse, filled from window messages
// on the GUI thread and read (and its edges cleared) by the input devices once
// per poll.
#include <cstdint>

struct QRKHostInputTables {
    // Per button (0 left, 1 right, 2 middle): pressed (edge), down, released
    // (edge), double-clicked (edge).
    struct Button {
        uint8_t pressed = 0;
        uint8_t down = 0;
        uint8_t released = 0;
        uint8_t doubleClicked = 0;
    };
    Button mouse[3];
    // Sum of the signed wheel deltas received since the mouse last read it.
    int32_t wheel = 0;
    // By virtual-key code: pressed (edge), down, released (edge).
    uint8_t keyPressed[256] = {};
    uint8_t keyDown[256] = {};
    uint8_t keyReleased[256] = {};

    void Clear() noexcept { *this = QRKHostInputTables{}; }
};
