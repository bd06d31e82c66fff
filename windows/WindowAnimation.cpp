#include "windows/WindowAnimation.h"

#include <cstdint>

#include "windows/Window.h"

namespace {

bool ValidTiming(int32_t frames, uint32_t endMode) noexcept {
    return frames >= 1 && frames <= kAnimationMaxFrames && endMode <= kAnimationMaxEndMode;
}

int32_t ClampToInt32(int64_t v) noexcept {
    if (v < INT32_MIN) return INT32_MIN;
    if (v > INT32_MAX) return INT32_MAX;
    return static_cast<int32_t>(v);
}

// start + n x delta / F, truncated toward zero, in 64 bits.
int32_t Step(int32_t start, int64_t delta, int32_t n, int32_t frames) noexcept {
    return ClampToInt32(int64_t{start} + (delta * n) / frames);
}

}  // namespace

// ---- Move ----

bool QRKWMoveAnimation::Start(const QRKWAnimRect& current, int32_t x, int32_t y, int32_t frames,
                              uint32_t endMode) noexcept {
    if (x < -16383 || x > 16383 || y < -16383 || y > 16383 || !ValidTiming(frames, endMode)) return false;
    m_start = current;
    m_dx = int64_t{x} - current.x;
    m_dy = int64_t{y} - current.y;
    m_dw = 0;
    m_dh = 0;
    m_counter = 0;
    m_frames = frames;
    m_endMode = endMode;
    return true;
}

bool QRKWMoveAnimation::StartResize(const QRKWAnimRect& current, const QRKWAnimRect& target, int32_t frames,
                                    uint32_t endMode) noexcept {
    if (target.width < 1 || target.width > 4096 || target.height < 1 || target.height > 4096) return false;
    if (!Start(current, target.x, target.y, frames, endMode)) return false;
    m_dw = int64_t{target.width} - current.width;
    m_dh = int64_t{target.height} - current.height;
    return true;
}

QRKWAnimRect QRKWMoveAnimation::At(int32_t n) const noexcept {
    if (m_frames == 0) return m_start;
    return {Step(m_start.x, m_dx, n, m_frames), Step(m_start.y, m_dy, n, m_frames),
            Step(m_start.width, m_dw, n, m_frames), Step(m_start.height, m_dh, n, m_frames)};
}

QRKWAnimRect QRKWMoveAnimation::Advance() noexcept {
    ++m_counter;
    return At(m_counter);
}

void QRKWMoveAnimation::EndStep(const QRKWAnimRect& reached) noexcept {
    if (m_frames == 0 || m_counter < m_frames) return;
    switch (m_endMode) {
    case 1:
        m_counter = 0;
        break;
    case 2: {
        // Back towards where this run started, from where the window is now.
        const QRKWAnimRect back = m_start;
        const int32_t frames = m_frames;
        if (!StartResize(reached, back, frames, 2)) m_frames = 0;
        break;
    }
    default:
        m_frames = 0;
        break;
    }
}

// ---- Opacity ----

bool QRKWOpacityAnimation::Start(uint8_t current, uint8_t level, int32_t frames, uint32_t endMode) noexcept {
    if (!ValidTiming(frames, endMode)) return false;
    m_start = current;
    m_delta = int32_t{level} - int32_t{current};
    m_counter = 0;
    m_frames = frames;
    m_endMode = endMode;
    return true;
}

uint8_t QRKWOpacityAnimation::Advance() noexcept {
    if (m_frames == 0) return static_cast<uint8_t>(m_start);
    const int32_t n = ++m_counter;
    const uint8_t level = static_cast<uint8_t>((m_start + n * m_delta / m_frames) & 0xFF);
    if (n >= m_frames) {
        switch (m_endMode) {
        case 1: m_counter = 0; break;
        case 2:
            if (!Start(level, static_cast<uint8_t>(m_start), m_frames, 2)) m_frames = 0;
            break;
        default: m_frames = 0; break;
        }
    }
    return level;
}

// ---- Colour ----

bool QRKWColorAnimation::Start(const QRKWColorParams& current, const QRKWColorParams& target, int32_t frames,
                               uint32_t endMode) noexcept {
    if (target.red > 256 || target.green > 256 || target.blue > 256 || !ValidTiming(frames, endMode)) return false;
    const int32_t starts[6] = {int32_t((current.tone >> 16) & 0xFF), int32_t((current.tone >> 8) & 0xFF),
                               int32_t(current.tone & 0xFF),         current.red,
                               current.green,                        current.blue};
    const int32_t targets[6] = {int32_t((target.tone >> 16) & 0xFF), int32_t((target.tone >> 8) & 0xFF),
                                int32_t(target.tone & 0xFF),         target.red,
                                target.green,                        target.blue};
    for (int i = 0; i < 6; ++i) {
        m_start[i] = starts[i];
        // Factors are int32 fields a caller may have set far out of range:
        // the difference is clamped rather than allowed to wrap.
        m_delta[i] = ClampToInt32(int64_t{targets[i]} - starts[i]);
    }
    m_counter = 0;
    m_frames = frames;
    m_endMode = endMode;
    return true;
}

QRKWColorParams QRKWColorAnimation::At(int32_t n) const noexcept {
    int32_t v[6];
    for (int i = 0; i < 6; ++i) v[i] = m_frames == 0 ? m_start[i] : Step(m_start[i], m_delta[i], n, m_frames);
    // Each byte of the tone colour stays within its byte, so the top byte is 0.
    const uint32_t tone = ((uint32_t(v[0]) & 0xFF) << 16) | ((uint32_t(v[1]) & 0xFF) << 8) | (uint32_t(v[2]) & 0xFF);
    return {tone, v[3], v[4], v[5]};
}

QRKWColorParams QRKWColorAnimation::Advance() noexcept {
    if (m_frames == 0) return At(0);
    const int32_t n = ++m_counter;
    const QRKWColorParams now = At(n);
    if (n >= m_frames) {
        switch (m_endMode) {
        case 1: m_counter = 0; break;
        case 2: {
            QRKWColorParams back;
            back.tone = (uint32_t(m_start[0]) << 16) | (uint32_t(m_start[1]) << 8) | uint32_t(m_start[2]);
            back.red = m_start[3];
            back.green = m_start[4];
            back.blue = m_start[5];
            if (!Start(now, back, m_frames, 2)) m_frames = 0;
            break;
        }
        default: m_frames = 0; break;
        }
    }
    return now;
}

// ---- The window's operations ----

namespace {

QRKWAnimRect CurrentRect(int32_t x, int32_t y, int32_t w, int32_t h) noexcept { return {x, y, w, h}; }

}  // namespace

bool IQRKWnd::StartMoveAnimation(int32_t x, int32_t y, int32_t frames, int32_t endMode) {
    return m_moveAnimation.Start(CurrentRect(m_x, m_y, m_width, m_height), x, y, frames,
                                 static_cast<uint32_t>(endMode));
}

bool IQRKWnd::StartMoveResizeAnimation(int32_t x, int32_t y, int32_t width, int32_t height, int32_t frames,
                                       int32_t endMode) {
    return m_moveAnimation.StartResize(CurrentRect(m_x, m_y, m_width, m_height), {x, y, width, height}, frames,
                                       static_cast<uint32_t>(endMode));
}

bool IQRKWnd::FinishMoveAnimation() {
    if (!m_moveAnimation.IsRunning()) return true;
    const QRKWAnimRect t = m_moveAnimation.Target();
    const bool done = m_moveAnimation.IsResize() ? ResizeWindow(t.x, t.y, t.width, t.height) : MoveWindow(t.x, t.y);
    if (!done) return false;
    m_moveAnimation.Clear();
    return true;
}

void IQRKWnd::ClearMoveAnimation() { m_moveAnimation.Clear(); }

bool IQRKWnd::StartOpacityAnimation(int32_t level, int32_t frames, int32_t endMode) {
    return m_opacityAnimation.Start(m_level, static_cast<uint8_t>(level), frames, static_cast<uint32_t>(endMode));
}

bool IQRKWnd::FinishOpacityAnimation() {
    if (m_opacityAnimation.IsRunning()) {
        m_level = m_opacityAnimation.Target();
        m_opacityAnimation.Clear();
    }
    return true;
}

void IQRKWnd::ClearOpacityAnimation() { m_opacityAnimation.Clear(); }

bool IQRKWnd::StartColorAnimation(uint32_t colour, int32_t red, int32_t green, int32_t blue, int32_t frames,
                                  int32_t endMode) {
    return m_colorAnimation.Start({m_toneColour, m_redFactor, m_greenFactor, m_blueFactor}, {colour, red, green, blue},
                                  frames, static_cast<uint32_t>(endMode));
}

bool IQRKWnd::FinishColorAnimation() {
    if (m_colorAnimation.IsRunning()) {
        const QRKWColorParams t = m_colorAnimation.Target();
        m_toneColour = t.tone;
        m_redFactor = t.red;
        m_greenFactor = t.green;
        m_blueFactor = t.blue;
        m_colorAnimation.Clear();
    }
    return true;
}

void IQRKWnd::ClearColorAnimation() { m_colorAnimation.Clear(); }

void IQRKWnd::StepAnimations() {
    if (m_moveAnimation.IsRunning()) {
        const QRKWAnimRect r = m_moveAnimation.Advance();
        // A refused move or resize is ignored; the window stays where it is.
        if (m_moveAnimation.IsResize()) {
            ResizeWindow(r.x, r.y, r.width, r.height);
        } else {
            MoveWindow(r.x, r.y);
        }
        m_moveAnimation.EndStep(CurrentRect(m_x, m_y, m_width, m_height));
    }
    if (m_opacityAnimation.IsRunning()) {
        m_level = m_opacityAnimation.Advance();
        Invalidate();
    }
    if (m_colorAnimation.IsRunning()) {
        const QRKWColorParams c = m_colorAnimation.Advance();
        m_toneColour = c.tone;
        m_redFactor = c.red;
        m_greenFactor = c.green;
        m_blueFactor = c.blue;
        Invalidate();
    }
}
