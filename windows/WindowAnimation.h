#pragma once
// The three animations of a window: move (or move and resize) towards a
// target rectangle, opacity towards a target level, and the colour
// parameters (tone colour and the three factors) towards target values.
//
// Each record runs for F frames. Frame n (1..F) shows start + n x delta / F
// (signed division, truncated toward zero), so the last frame lands exactly
// on the target. At the end the end mode decides: 0 stop, 1 start over (the
// next frame is step 1 again), 2 back and forth (a new animation from the
// reached values back to the start, same F, end mode 2).
//
// The records only hold the arithmetic; the window applies each step
// (MoveWindow / ResizeWindow, level, colour parameters) and then calls the
// record's end handling with the values it actually reached, because a parent
// may refuse or rewrite a move. Positions are summed in 64 bits and brought
// back into the int32 range, so a window far out at a document-driven
// position cannot make a delta or a step overflow.
#include <cstdint>

struct QRKWAnimRect {
    int32_t x = 0;
    int32_t y = 0;
    int32_t width = 0;
    int32_t height = 0;
};

// Limits shared by the three Start operations.
inline constexpr int32_t kAnimationMaxFrames = 32767;
inline constexpr uint32_t kAnimationMaxEndMode = 2;

class QRKWMoveAnimation {
public:
    // A pure move to (x, y): false (the running animation kept) unless
    // -16383 <= x, y <= 16383, 1 <= frames <= 32767 and end mode <= 2.
    bool Start(const QRKWAnimRect& current, int32_t x, int32_t y, int32_t frames, uint32_t endMode) noexcept;
    // Move and resize: also false unless 1 <= width, height <= 4096.
    bool StartResize(const QRKWAnimRect& current, const QRKWAnimRect& target, int32_t frames,
                     uint32_t endMode) noexcept;
    // Stops where it is (every field 0).
    void Clear() noexcept { *this = QRKWMoveAnimation(); }

    bool IsRunning() const noexcept { return m_frames != 0; }
    // A size delta other than 0: the window resizes rather than moves.
    bool IsResize() const noexcept { return m_dw != 0 || m_dh != 0; }
    // start + delta, where the animation ends.
    QRKWAnimRect Target() const noexcept { return At(m_frames); }
    // The next step: the counter advances and the rectangle of that frame is
    // returned for the window to apply.
    QRKWAnimRect Advance() noexcept;
    // After the step was applied: at the last frame the end mode acts;
    // `reached` is the window's rectangle now (mode 2 starts back from it).
    void EndStep(const QRKWAnimRect& reached) noexcept;

    int32_t GetCounter() const noexcept { return m_counter; }
    int32_t GetFrames() const noexcept { return m_frames; }
    uint32_t GetEndMode() const noexcept { return m_endMode; }

private:
    QRKWAnimRect At(int32_t n) const noexcept;

    QRKWAnimRect m_start;
    int64_t m_dx = 0;
    int64_t m_dy = 0;
    int64_t m_dw = 0;
    int64_t m_dh = 0;
    int32_t m_counter = 0;
    int32_t m_frames = 0;
    uint32_t m_endMode = 0;
};

class QRKWOpacityAnimation {
public:
    // False (running animation kept) unless 1 <= frames <= 32767 and end mode <= 2.
    bool Start(uint8_t current, uint8_t level, int32_t frames, uint32_t endMode) noexcept;
    void Clear() noexcept { *this = QRKWOpacityAnimation(); }
    bool IsRunning() const noexcept { return m_frames != 0; }
    // start + delta.
    uint8_t Target() const noexcept { return static_cast<uint8_t>(m_start + m_delta); }
    // The level of the next frame; the end mode acts at the last frame.
    uint8_t Advance() noexcept;

private:
    int32_t m_start = 0;
    int32_t m_delta = 0;  // -255..255
    int32_t m_counter = 0;
    int32_t m_frames = 0;
    uint32_t m_endMode = 0;
};

// The colour parameters of a window: tone colour 0x00RRGGBB and the red,
// green and blue factors (0..256).
struct QRKWColorParams {
    uint32_t tone = 0;
    int32_t red = 0;
    int32_t green = 0;
    int32_t blue = 0;
};

class QRKWColorAnimation {
public:
    // False (running animation kept) unless every factor <= 256,
    // 1 <= frames <= 32767 and end mode <= 2.
    bool Start(const QRKWColorParams& current, const QRKWColorParams& target, int32_t frames,
               uint32_t endMode) noexcept;
    void Clear() noexcept { *this = QRKWColorAnimation(); }
    bool IsRunning() const noexcept { return m_frames != 0; }
    // start + delta; the tone colour's top byte is always 0.
    QRKWColorParams Target() const noexcept { return At(m_frames); }
    // The parameters of the next frame; the end mode acts at the last frame.
    QRKWColorParams Advance() noexcept;

private:
    QRKWColorParams At(int32_t n) const noexcept;

    // Start and delta of red, green, blue (tone bytes) and the three factors.
    int32_t m_start[6] = {};
    int32_t m_delta[6] = {};
    int32_t m_counter = 0;
    int32_t m_frames = 0;
    uint32_t m_endMode = 0;
};
