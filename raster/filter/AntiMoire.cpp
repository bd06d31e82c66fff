// Anti-moire: flattens stretches of a row whose grey keeps turning while its
// level stays put.
//
// Each row is scanned once. Every move (from pixel k - 1 into pixel k) is a
// turn or not by a direction state that starts rising: a strictly lower grey
// turns a rising state, a strictly higher one a falling state. The flags of
// the last 2M + 1 moves ride in a 128-bit shift register (bit 0 the newest),
// so the turn count of the window is a population count; the two half sums
// slide by one pixel per step. The flags are decided in scan order from the
// greys as they were: a flattened stretch always ends before the pixels the
// scan reads next.
#include <algorithm>
#include <bit>
#include <cstdint>

#include "raster/surface/sprite/Sprite.h"

namespace {

// The turn flags of one row in scan order.
class MoireTurns {
public:
    explicit MoireTurns(const uint32_t* row) noexcept : m_row(row) {}
    // The flag of the move into pixel k; moves must be asked for in order.
    bool Next(int32_t k) noexcept {
        const uint32_t before = m_row[k - 1] & 0xFFu, now = m_row[k] & 0xFFu;
        if (m_rising ? now < before : now > before) {
            m_rising = !m_rising;
            return true;
        }
        return false;
    }

private:
    const uint32_t* m_row;
    bool m_rising = true;
};

// The flags of the last moves, newest in bit 0 of low.
struct MoireWindow {
    uint64_t low = 0, high = 0;
    void Push(bool turn) noexcept {
        high = (high << 1) | (low >> 63);
        low = (low << 1) | (turn ? 1u : 0u);
    }
    // Turns among the newest `moves` flags (moves <= 127).
    uint32_t Count(uint32_t moves) const noexcept {
        if (moves <= 64) return static_cast<uint32_t>(std::popcount(moves == 64 ? low : low & ((uint64_t{1} << moves) - 1)));
        return static_cast<uint32_t>(std::popcount(low) + std::popcount(high & ((uint64_t{1} << (moves - 64)) - 1)));
    }
};

inline uint32_t Grey(const uint32_t* row, int32_t k) noexcept { return row[k] & 0xFFu; }

}  // namespace

void CSprite::AntiMoire(int32_t n, int32_t tolerance, int32_t limit) {
    if (m_pixels == nullptr || m_width <= 0) return;
    const int32_t half = static_cast<int32_t>(std::max<uint32_t>(2, std::min<uint32_t>(uint32_t(n), 63)));
    if (half > m_width / 2) return;
    const uint32_t turnsNeeded = std::min<uint32_t>(2u * half, uint32_t(limit));
    const int64_t level = int64_t{std::min<uint32_t>(uint32_t(tolerance), 255)} * half;
    const int32_t width = m_width, window = 2 * half;

    for (int32_t y = 0; y < m_height; ++y) {
        uint32_t* row = PixelAt(0, y);
        MoireTurns turns(row);
        MoireWindow flags;
        // Moves 1 .. 2M - 1 enter the window ahead of the first test.
        for (int32_t k = 1; k < window; ++k) flags.Push(turns.Next(k));
        int64_t left = 0, right = 0;  // greys u - 2M .. u - M - 1 and u - M .. u - 1
        for (int32_t k = 0; k < half; ++k) left += Grey(row, k), right += Grey(row, half + k);

        int32_t start = -1;  // the open run's first pixel, -1 when none is open
        int32_t u = window;
        while (u < width) {
            flags.Push(turns.Next(u));
            // Moves max(1, u - 2M) .. u: move 0 does not exist.
            const uint32_t moves = static_cast<uint32_t>(std::min(window + 1, u));
            const int64_t difference = left - right;
            const bool pattern = flags.Count(moves) >= turnsNeeded && difference >= -level && difference <= level;
            if (pattern || start < 0) {
                if (pattern && start < 0) start = u - half / 2 - half;
                left += int64_t(Grey(row, u - half)) - Grey(row, u - window);
                right += int64_t(Grey(row, u)) - Grey(row, u - half);
                ++u;
                continue;
            }
            // The pattern ended: flatten the run to the left half's mean after
            // it took in pixel u - M.
            const uint32_t grey =
                static_cast<uint32_t>((left - Grey(row, u - window) + Grey(row, u - half)) / half);
            const uint32_t colour = grey * 0x010101u;
            for (int32_t k = start; k <= u - half / 2; ++k) row[k] = (row[k] & 0xFF000000u) | colour;
            start = -1;
            // Pixels u + 1 .. u + 2M refill the halves; the scan goes on at u + 2M + 1.
            const int32_t next = u + window + 1;
            if (next >= width) break;
            for (int32_t k = u + 1; k < next; ++k) flags.Push(turns.Next(k));
            left = right = 0;
            for (int32_t k = 0; k < half; ++k) left += Grey(row, u + 1 + k), right += Grey(row, u + 1 + half + k);
            u = next;
        }
    }
}
