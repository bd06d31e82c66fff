#pragma once
// The linear run shared by every gradient: one component (a colour channel,
// an alpha, or a hue, saturation or third component of a colour model) runs
// from a at the first pixel to b at the last of N = n + 1 pixels.
//
// The value is carried with 20 fraction bits in a signed 32-bit accumulator:
// step s = ((a - b) x 2^20) / n (truncating), inner pixel i gets
// ((a x 2^20) - i x s) >> 20 (arithmetic shift, rounding toward minus
// infinity), reached by subtracting s once per pixel; the last pixel is b
// itself, so both ends are exact. Inputs stay within +-2047 so that every
// intermediate fits 32 bits (hues are clamped to -1023..1023 for that reason).
#include <cstdint>

struct GradientRun {
    int32_t acc = 0;
    int32_t step = 0;

    // Run from a to b over n + 1 pixels (n >= 1).
    static GradientRun Make(int32_t a, int32_t b, int32_t n) noexcept {
        return {static_cast<int32_t>(static_cast<uint32_t>(a) << 20),
                static_cast<int32_t>((static_cast<int64_t>(a - b) * (1 << 20)) / n)};
    }
    // Run across one row of the four-corner shapes: from the left edge
    // accumulator to the right one, the step being the truncating division of
    // the accumulators' difference (not of 8-bit values).
    static GradientRun Between(int32_t leftAcc, int32_t rightAcc, int32_t n) noexcept {
        return {leftAcc, static_cast<int32_t>((static_cast<int64_t>(leftAcc) - rightAcc) / n)};
    }
    int32_t Value() const noexcept { return acc >> 20; }
    void Advance() noexcept { acc -= step; }
};
