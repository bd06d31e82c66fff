// Scanline flood fill.
//
// The region of a fill is the 4-connected component of the seed among the
// pixels of the clipped rectangle that belong to it (match the seed and are
// not already what the fill writes). A written pixel never belongs to the
// region again, so the pixels themselves mark what is done and no visited map
// is needed.
//
// The fill works on horizontal spans instead of single points. The queue holds
// scan jobs: "row y, columns xl..xr, next to the filled span xl..xr of row
// y - dir". A job walks its columns; every region pixel it meets starts a run
// that is widened to a maximal span on both sides, written at once, and gives
// the job for the row beyond (y + dir) and, where the span sticks out past the
// parent span, jobs back towards the parent row for the overhanging parts (the
// parent covered only xl..xr of that row). Every written span thus queues at
// most three jobs, and every region pixel next to a written one lies in the
// columns of a queued job until that job has run.
//
// Memory: the queue holds the jobs of the fill's front, 16 bytes each. Jobs
// are taken oldest first, so the front stays about the outline of what is
// filled so far: a few jobs for a plain region, one per tooth for a comb, a
// handful for serpentines and mazes, and about (width + height) / 2 on
// percolating random noise, where a depth-first order keeps a side branch
// for every step it took and grows with the area. A job whose columns no
// longer hold a region pixel (another branch got there first) is dropped
// whenever the queue reaches its soft limit of 4 x (width + height) jobs;
// the limit doubles only when more than half the jobs are still live. The
// bound in all cases is the number of spans of the region; O(width + height)
// holds for every shape measured, but a region built so that very many
// branches meet the front at once (an H-tree of one-pixel corridors) can
// exceed it.
#include "raster/surface/fill/FloodFill.h"

#include <algorithm>
#include <cstdlib>
#include <new>

#include "raster/surface/sprite/Sprite.h"

namespace {

struct ScanJob {
    int32_t y;
    int32_t left;
    int32_t right;
    int32_t dir;
};

// The process-wide span queue: a ring of jobs, emptied by every fill and
// never shrunk. Jobs are taken oldest first, so the fill spreads out
// breadth-first and the queue holds its front rather than every side branch
// it passed on the way (a depth-first stack keeps those, and on noisy regions
// grows with the area).
class SpanQueue {
public:
    ~SpanQueue() { std::free(m_jobs); }

    void Clear() noexcept {
        m_head = 0;
        m_count = 0;
        m_peak = 0;
    }
    bool Empty() const noexcept { return m_count == 0; }
    uint32_t Count() const noexcept { return m_count; }
    ScanJob Take() noexcept {
        const ScanJob job = m_jobs[m_head];
        m_head = (m_head + 1) & (m_capacity - 1);
        --m_count;
        return job;
    }
    void Push(int32_t y, int32_t left, int32_t right, int32_t dir) {
        if (m_count == m_capacity) Grow();
        m_jobs[(m_head + m_count) & (m_capacity - 1)] = ScanJob{y, left, right, dir};
        if (++m_count > m_peak) m_peak = m_count;
    }
    // Keeps only the jobs for which keep() is true, in their order.
    template <class Keep>
    void Filter(const Keep& keep) noexcept {
        const uint32_t mask = m_capacity - 1;
        uint32_t kept = 0;
        for (uint32_t i = 0; i < m_count; ++i) {
            const ScanJob& job = m_jobs[(m_head + i) & mask];
            if (keep(job)) m_jobs[(m_head + kept++) & mask] = job;
        }
        m_count = kept;
    }
    uint64_t PeakBytes() const noexcept { return uint64_t{m_peak} * sizeof(ScanJob); }
    uint64_t CapacityBytes() const noexcept { return uint64_t{m_capacity} * sizeof(ScanJob); }

private:
    // Doubles the ring (a power of two), the jobs moved to its start in order;
    // on failure the queue stays as it was.
    void Grow() {
        const uint64_t wanted = m_capacity == 0 ? 1024 : uint64_t{m_capacity} * 2;
        if (wanted > (uint64_t{1} << 28)) throw std::bad_alloc();
        auto* grown = static_cast<ScanJob*>(std::malloc(wanted * sizeof(ScanJob)));
        if (grown == nullptr) throw std::bad_alloc();
        for (uint32_t i = 0; i < m_count; ++i) grown[i] = m_jobs[(m_head + i) & (m_capacity - 1)];
        std::free(m_jobs);
        m_jobs = grown;
        m_head = 0;
        m_capacity = static_cast<uint32_t>(wanted);
    }

    ScanJob* m_jobs = nullptr;
    uint32_t m_head = 0;
    uint32_t m_count = 0;
    uint32_t m_capacity = 0;
    uint32_t m_peak = 0;
};

SpanQueue& Queue() {
    static SpanQueue queue;
    return queue;
}

// Whole-pixel fill: region = matches the seed and differs from the value.
struct ValueRule {
    uint32_t seed;
    uint32_t value;
    bool transparentSeed;
    bool Inside(uint32_t p) const noexcept {
        const bool matches = transparentSeed ? (p >> 24) == 0 : p == seed;
        return matches && p != value;
    }
    uint32_t Paint(uint32_t) const noexcept { return value; }
};

// Colour fill: region = visible pixels of the seed's colour; alpha kept. A
// painted pixel has the new colour, which differs from the seed's.
struct ColourRule {
    uint32_t seedColour;
    uint32_t colour;
    bool Inside(uint32_t p) const noexcept { return (p >> 24) != 0 && (p & 0x00FFFFFFu) == seedColour; }
    uint32_t Paint(uint32_t p) const noexcept { return (p & 0xFF000000u) | colour; }
};

template <class Rule>
void ScanlineFill(CSprite& sprite, int32_t left, int32_t top, int32_t right, int32_t bottom, int32_t seedX,
                  int32_t seedY, const Rule& rule) {
    SpanQueue& queue = Queue();
    queue.Clear();
    const auto fillSpan = [&](uint32_t* row, int32_t a, int32_t b) {
        for (int32_t i = a; i <= b; ++i) row[i] = rule.Paint(row[i]);
    };
    // A job whose columns hold no region pixel any more would find nothing:
    // another path has filled its row meanwhile. When the queue reaches its
    // soft limit such stale jobs are dropped; the limit doubles only when the
    // jobs still alive fill more than half of it.
    uint64_t softLimit = std::max<uint64_t>(1024, 4 * (uint64_t(right - left) + uint64_t(bottom - top)));
    const auto alive = [&](const ScanJob& job) {
        const uint32_t* row = sprite.PixelAt(0, job.y);
        for (int32_t i = job.left; i <= job.right; ++i)
            if (rule.Inside(row[i])) return true;
        return false;
    };
    const auto pushJob = [&](int32_t y, int32_t a, int32_t b, int32_t dir) {
        if (y < top || y >= bottom || a > b) return;
        if (queue.Count() >= softLimit) {
            queue.Filter(alive);
            if (queue.Count() > softLimit / 2) softLimit *= 2;
        }
        queue.Push(y, a, b, dir);
    };

    {
        uint32_t* row = sprite.PixelAt(0, seedY);
        if (!rule.Inside(row[seedX])) return;
        int32_t a = seedX, b = seedX;
        while (a > left && rule.Inside(row[a - 1])) --a;
        while (b + 1 < right && rule.Inside(row[b + 1])) ++b;
        fillSpan(row, a, b);
        pushJob(seedY + 1, a, b, 1);
        pushJob(seedY - 1, a, b, -1);
    }

    while (!queue.Empty()) {
        const ScanJob job = queue.Take();
        uint32_t* row = sprite.PixelAt(0, job.y);
        int32_t x = job.left;
        while (x <= job.right) {
            while (x <= job.right && !rule.Inside(row[x])) ++x;
            if (x > job.right) break;
            int32_t a = x, b = x;
            if (a == job.left)
                while (a > left && rule.Inside(row[a - 1])) --a;
            while (b + 1 < right && rule.Inside(row[b + 1])) ++b;
            fillSpan(row, a, b);
            pushJob(job.y + job.dir, a, b, job.dir);
            pushJob(job.y - job.dir, a, job.left - 2, -job.dir);
            pushJob(job.y - job.dir, job.right + 2, b, -job.dir);
            x = b + 2;
        }
    }
}

// Clips the rectangle and tests the seed; false when nothing is to be done.
bool ClipForFill(const CSprite& sprite, int32_t& x, int32_t& y, int32_t& w, int32_t& h, int32_t seedX,
                 int32_t seedY) {
    if (!sprite.HasImage() || sprite.ClipRect(x, y, w, h) <= 0) return false;
    return seedX >= x && seedY >= y && int64_t{seedX} < int64_t{x} + w && int64_t{seedY} < int64_t{y} + h;
}

}  // namespace

void CSprite::FloodFill(int32_t x, int32_t y, int32_t w, int32_t h, int32_t seedX, int32_t seedY, uint32_t value) {
    if (!ClipForFill(*this, x, y, w, h, seedX, seedY)) return;
    const uint32_t seed = *PixelAt(seedX, seedY);
    if (seed == value) return;
    const ValueRule rule{seed, value, (seed >> 24) == 0};
    ScanlineFill(*this, x, y, x + w, y + h, seedX, seedY, rule);
}

void CSprite::FloodFillC(int32_t x, int32_t y, int32_t w, int32_t h, int32_t seedX, int32_t seedY,
                         uint32_t colour) {
    if (!ClipForFill(*this, x, y, w, h, seedX, seedY)) return;
    const uint32_t seedColour = *PixelAt(seedX, seedY) & 0x00FFFFFFu;
    colour &= 0x00FFFFFFu;
    if (seedColour == colour) return;
    const ColourRule rule{seedColour, colour};
    ScanlineFill(*this, x, y, x + w, y + h, seedX, seedY, rule);
}

uint64_t raster_test::FloodFillLastPeakBytes() noexcept { return Queue().PeakBytes(); }
uint64_t raster_test::FloodFillStackCapacityBytes() noexcept { return Queue().CapacityBytes(); }
