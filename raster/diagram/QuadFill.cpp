// The quadrilateral fill of the diagram warps: one mesh cell, given by four
// corners in sixteenths of a pixel, filled with one 32-bit value, unblended
// and without anti-aliasing.
//
// The cell is swept row by row along the row centres c = 16 row + 8. Each of
// the four edges, oriented downward, is active on the rows whose centre lies
// in [upper y, lower y) (a horizontal edge never is) and crosses the row at
//   upper x + ((lower x - upper x) (c - upper y)) / (lower y - upper y),
// the division truncating toward zero. A row is filled from the pixel that
// holds its leftmost crossing up to the last pixel whose centre does not lie
// right of its rightmost one; so two cells that share an edge leave no gap,
// and a concave or self-crossing cell fills everything between its outermost
// crossings.
//
// The crossings are carried from row to row as a quotient and a remainder of
// the division, so a row costs additions only, and no product is ever formed
// beyond 64 bits: corners anywhere in the 32-bit range give exact crossings
// (a 32-bit product of the edge's run and rise would overflow for cells a few
// thousand pixels tall).
#include <algorithm>
#include <cstdint>

#include "raster/surface/sprite/Sprite.h"

namespace {

// The crossing of one downward edge with the successive row centres.
struct EdgeWalk {
    int32_t firstRow = 0;  // rows firstRow .. endRow - 1 are crossed
    int32_t endRow = 0;
    int64_t x = 0;          // crossing at the current row
    int64_t sign = 1;       // direction of the run
    uint64_t rise = 1;      // lower y - upper y, > 0
    uint64_t remainder = 0; // |run| (c - upper y) mod rise
    uint64_t stepWhole = 0; // 16 |run| / rise
    uint64_t stepRest = 0;  // 16 |run| mod rise

    void Advance() noexcept {
        uint64_t whole = stepWhole;
        remainder += stepRest;
        if (remainder >= rise) {
            remainder -= rise;
            ++whole;
        }
        x += sign * static_cast<int64_t>(whole);
    }
};

// Smallest row whose centre 16 row + 8 is at least y.
int64_t FirstRowAtOrBelow(int64_t y) noexcept {
    const int64_t t = y - 8;
    return t >= 0 ? (t + 15) / 16 : -((-t) / 16);
}

// Sets up the edge from (ax, ay) to (bx, by) for the rows top .. bottom - 1;
// false when it crosses none of them.
bool StartEdge(EdgeWalk& e, int64_t ax, int64_t ay, int64_t bx, int64_t by, int32_t top, int32_t bottom) noexcept {
    if (ay == by) return false;
    if (ay > by) {
        std::swap(ax, bx);
        std::swap(ay, by);
    }
    const int64_t first = std::max<int64_t>(top, FirstRowAtOrBelow(ay));
    const int64_t end = std::min<int64_t>(bottom, FirstRowAtOrBelow(by));
    if (first >= end) return false;
    e.firstRow = static_cast<int32_t>(first);
    e.endRow = static_cast<int32_t>(end);
    const int64_t run = bx - ax;
    e.sign = run < 0 ? -1 : 1;
    const uint64_t absRun = static_cast<uint64_t>(run < 0 ? -run : run);  // < 2^32
    e.rise = static_cast<uint64_t>(by - ay);                               // < 2^32
    const uint64_t down = static_cast<uint64_t>(first * 16 + 8 - ay);      // < rise
    const uint64_t product = absRun * down;                                // < 2^64
    e.x = ax + e.sign * static_cast<int64_t>(product / e.rise);
    e.remainder = product % e.rise;
    e.stepWhole = (absRun * 16) / e.rise;
    e.stepRest = (absRun * 16) % e.rise;
    return true;
}

}  // namespace

bool CSprite::FillQuadFixed(int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t x3,
                            int32_t y3, uint32_t value) {
    const int64_t xs[4] = {x0, x1, x2, x3};
    const int64_t ys[4] = {y0, y1, y2, y3};
    const int64_t minX = std::min({xs[0], xs[1], xs[2], xs[3]});
    const int64_t maxX = std::max({xs[0], xs[1], xs[2], xs[3]});
    const int64_t minY = std::min({ys[0], ys[1], ys[2], ys[3]});
    const int64_t maxY = std::max({ys[0], ys[1], ys[2], ys[3]});

    // The pixels whose centres lie between the least and greatest coordinate.
    int32_t left = static_cast<int32_t>((minX + 7) >> 4);
    int32_t top = static_cast<int32_t>((minY + 7) >> 4);
    int32_t width = static_cast<int32_t>(((maxX + 8) >> 4) - left);
    int32_t height = static_cast<int32_t>(((maxY + 8) >> 4) - top);
    if (ClipRect(left, top, width, height) == 0) return false;

    const int32_t bottom = top + height;
    EdgeWalk edges[4];
    int active = 0;
    for (int i = 0; i < 4; ++i) {
        const int j = (i + 1) & 3;
        if (StartEdge(edges[active], xs[i], ys[i], xs[j], ys[j], top, bottom)) ++active;
    }

    const int64_t boxLeft = int64_t(left) * 16;
    const int64_t boxRight = (int64_t(left) + width) * 16;
    for (int32_t row = top; row < bottom; ++row) {
        int64_t lo = boxRight;
        int64_t hi = boxLeft;
        for (int k = 0; k < active; ++k) {
            EdgeWalk& e = edges[k];
            if (row < e.firstRow || row >= e.endRow) continue;
            lo = std::min(lo, e.x);
            hi = std::max(hi, e.x);
            e.Advance();
        }
        // Both bounds lie inside the box, so the divisions never see a
        // negative number and truncate like the shifts of the pixel grid.
        const int64_t from = std::max(lo, boxLeft) / 16;
        const int64_t to = (std::min(hi, boxRight) + 8) / 16;
        if (from < to) std::fill_n(PixelAt(static_cast<int32_t>(from), row), to - from, value);
    }
    return true;
}
