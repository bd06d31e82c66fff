// Diffusion blurs: a cone over a diamond, a constant amount of work per pixel
// whatever the radius.
//
// The cone sum at centre c is S(c) = sum of (r + 1 - |u| - |v|) p over the
// diamond |u| + |v| <= r. One step to the right lowers by one the weight of
// every pixel of the old diamond's left half (u <= 0, plain sum B) and raises
// by one that of every pixel of the new diamond's right half (u >= 0, plain
// sum A):
//   S(c + 1) = S(c) + A(c + 1) - B(c)
//   A(c + 1) = A(c) + rimR(c + 1) - col(c)
//   B(c + 1) = B(c) + col(c + 1) - rimL(c)
// where col is the diamond's centre column (2r + 1 pixels) and rimR / rimL its
// two right / left edges. Each edge is a diagonal segment of r + 1 pixels
// ending at the diamond's left or right tip, so for the row being written the
// kernel keeps, per column, the centre-column sum and the sums of the four
// diagonal segments that leave that column's pixel up-left, down-left,
// up-right and down-right. Going down one row adds one pixel to and drops one
// from each of them (a diagonal's sums move one column sideways with it, so
// those arrays slide by one slot per row and one new segment is summed
// directly). The first pixel of each row is summed directly.
//
// A pixel contributes a, aR, aG and aB, packed two to a 64-bit word in 32-bit
// lanes (a with aG, aB with aR). The largest cone sum, 255 x 255 x N(45),
// still fits a lane; the running additions and subtractions are exact modulo
// 2^64, so a carry between lanes on the way is taken back by the same
// arithmetic and every final sum equals the direct one exactly. BlurA keeps
// the alpha sums only.
#include <algorithm>
#include <cstring>
#include <type_traits>

#include "raster/surface/sprite/RasterLibrary.h"
#include "raster/surface/sprite/RasterScratch.h"
#include "raster/surface/sprite/Sprite.h"

namespace {

enum class BlurKind { kAll, kAlpha, kColour };

// a | aG << 32 and aB | aR << 32.
struct BlurSum4 {
    uint64_t ag = 0, br = 0;
    static BlurSum4 Of(uint32_t p) noexcept {
        const uint64_t a = p >> 24;
        return {a * (1u | (uint64_t{(p >> 8) & 0xFFu} << 32)), a * ((p & 0xFFu) | (uint64_t{(p >> 16) & 0xFFu} << 32))};
    }
    void Add(const BlurSum4& o) noexcept { ag += o.ag, br += o.br; }
    void Sub(const BlurSum4& o) noexcept { ag -= o.ag, br -= o.br; }
    void AddWeighted(const BlurSum4& o, uint32_t weight) noexcept { ag += o.ag * weight, br += o.br * weight; }
    uint32_t Alpha() const noexcept { return static_cast<uint32_t>(ag); }
    uint32_t Red() const noexcept { return static_cast<uint32_t>(br >> 32); }
    uint32_t Green() const noexcept { return static_cast<uint32_t>(ag >> 32); }
    uint32_t Blue() const noexcept { return static_cast<uint32_t>(br); }
};

struct BlurSum1 {
    uint32_t a = 0;
    static BlurSum1 Of(uint32_t p) noexcept { return {p >> 24}; }
    void Add(const BlurSum1& o) noexcept { a += o.a; }
    void Sub(const BlurSum1& o) noexcept { a -= o.a; }
    void AddWeighted(const BlurSum1& o, uint32_t weight) noexcept { a += o.a * weight; }
    uint32_t Alpha() const noexcept { return a; }
};

// N(r) = (r + 1)(r + 2)(2r + 3) / 3 - (r + 1)^2, the sum of the weights.
constexpr uint32_t ConeNorm(uint32_t r) noexcept { return (r + 1) * (r + 2) * (2 * r + 3) / 3 - (r + 1) * (r + 1); }

template <BlurKind K, bool kRanged, class Sum>
inline uint32_t BlurResult(uint32_t d, uint32_t p, const Sum& s, uint32_t norm, uint32_t lo, uint32_t hi) noexcept {
    const uint32_t sa = s.Alpha();
    const bool inRange = !kRanged || (p >= lo && p <= hi);
    if constexpr (K == BlurKind::kAlpha) {
        return (d & 0x00FFFFFFu) | ((inRange ? sa / norm : p >> 24) << 24);
    } else {
        if (sa == 0) return K == BlurKind::kAll && inRange ? d & 0x00FFFFFFu : (K == BlurKind::kAll ? p : d);
        if (!inRange) return K == BlurKind::kAll ? p : (d & 0xFF000000u) | (p & 0x00FFFFFFu);
        const uint32_t colour = ((s.Red() / sa) << 16) | ((s.Green() / sa) << 8) | (s.Blue() / sa);
        return K == BlurKind::kAll ? ((sa / norm) << 24) | colour : (d & 0xFF000000u) | colour;
    }
}

// The region is clipped and trimmed: the source holds every pixel within r of
// the centres (sx .. sx + w - 1, sy .. sy + h - 1), and w, h >= 1.
template <BlurKind K, bool kRanged>
void BlurRegion(CSprite& dst, int32_t dx, int32_t dy, const CSprite& src, int32_t sx, int32_t sy, int32_t w,
                int32_t h, int32_t r, uint8_t lo, uint8_t hi) {
    using Sum = std::conditional_t<K == BlurKind::kAlpha, BlurSum1, BlurSum4>;
    static_assert(std::is_trivially_copyable_v<Sum>);
    const uint32_t low = uint32_t{lo} << 24;
    const uint32_t high = (uint32_t{hi} << 24) | 0x00FFFFFFu;
    const uint32_t norm = ConeNorm(static_cast<uint32_t>(r));

    // Centre columns, then four diagonal arrays of w + h slots each (the
    // segments of one row occupy w - 1 consecutive slots that slide by one
    // per row).
    const uint64_t slots = uint64_t(w) + uint64_t(h);
    const uint64_t count = uint64_t(w) + 4 * slots;
    Sum* const col = reinterpret_cast<Sum*>(RasterScratch().ScratchBytes(count * sizeof(Sum), count * sizeof(Sum)));
    Sum* const upLeftStore = col + w;     // keyed by the right tip: rimR's upper edge
    Sum* const downLeftStore = upLeftStore + slots;  // rimR's lower edge
    Sum* const upRightStore = downLeftStore + slots;  // keyed by the left tip: rimL's upper edge
    Sum* const downRightStore = upRightStore + slots;  // rimL's lower edge

    const uint32_t* const base = src.GetPixels();
    const int64_t stride = src.GetStride();
    auto at = [&](int32_t x, int32_t y) noexcept { return Sum::Of(base[int64_t(y) * stride + x]); };
    auto segment = [&](int32_t x, int32_t y, int32_t ax, int32_t ay) noexcept {
        Sum s;
        for (int32_t t = 0; t <= r; ++t) s.Add(at(x + ax * t, y + ay * t));
        return s;
    };

    const int32_t keys = w - 1;         // rim segments per row
    const int32_t rightTip = sx + 1 + r;  // key of slot 0 of the right-tip arrays
    const int32_t leftTip = sx - r;       // key of slot 0 of the left-tip arrays
    for (int32_t j = 0; j < h; ++j) {
        const int32_t cy = sy + j;
        Sum* const upLeft = upLeftStore + (h - 1 - j);
        Sum* const downLeft = downLeftStore + j;
        Sum* const upRight = upRightStore + j;
        Sum* const downRight = downRightStore + (h - 1 - j);
        if (j == 0) {
            for (int32_t i = 0; i < w; ++i) {
                Sum s;
                for (int32_t v = -r; v <= r; ++v) s.Add(at(sx + i, cy + v));
                col[i] = s;
            }
            for (int32_t i = 0; i < keys; ++i) {
                upLeft[i] = segment(rightTip + i, cy, -1, -1);
                downLeft[i] = segment(rightTip + i, cy, -1, 1);
                upRight[i] = segment(leftTip + i, cy, 1, -1);
                downRight[i] = segment(leftTip + i, cy, 1, 1);
            }
        } else {
            for (int32_t i = 0; i < w; ++i) {
                col[i].Add(at(sx + i, cy + r));
                col[i].Sub(at(sx + i, cy - r - 1));
            }
            if (keys > 0) {
                for (int32_t i = 1; i < keys; ++i) {
                    const int32_t x = rightTip + i;
                    upLeft[i].Add(at(x, cy));
                    upLeft[i].Sub(at(x - r - 1, cy - r - 1));
                    const int32_t xl = leftTip + i;
                    downRight[i].Add(at(xl + r, cy + r));
                    downRight[i].Sub(at(xl - 1, cy - 1));
                }
                for (int32_t i = 0; i + 1 < keys; ++i) {
                    const int32_t x = rightTip + i;
                    downLeft[i].Add(at(x - r, cy + r));
                    downLeft[i].Sub(at(x + 1, cy - 1));
                    const int32_t xl = leftTip + i;
                    upRight[i].Add(at(xl, cy));
                    upRight[i].Sub(at(xl + 1 + r, cy - 1 - r));
                }
                // The one segment of each array that the row before did not hold.
                upLeft[0] = segment(rightTip, cy, -1, -1);
                downRight[0] = segment(leftTip, cy, 1, 1);
                downLeft[keys - 1] = segment(rightTip + keys - 1, cy, -1, 1);
                upRight[keys - 1] = segment(leftTip + keys - 1, cy, 1, -1);
            }
        }

        // The row's first diamond, summed directly.
        Sum cone, right, left;
        for (int32_t v = -r; v <= r; ++v) {
            const int32_t reach = r - (v < 0 ? -v : v);
            for (int32_t u = -reach; u <= reach; ++u) {
                const Sum p = at(sx + u, cy + v);
                cone.AddWeighted(p, static_cast<uint32_t>(reach + 1 - (u < 0 ? -u : u)));
                if (u >= 0) right.Add(p);
                if (u <= 0) left.Add(p);
            }
        }

        const uint32_t* centre = base + int64_t(cy) * stride + sx;
        uint32_t* out = dst.PixelAt(dx, dy + j);
        for (int32_t i = 0;; ++i) {
            out[i] = BlurResult<K, kRanged>(out[i], centre[i], cone, norm, low, high);
            if (i + 1 >= w) break;
            const int32_t x = sx + i;
            right.Add(upLeft[i]);
            right.Add(downLeft[i]);
            right.Sub(at(x + 1 + r, cy));
            right.Sub(col[i]);
            cone.Add(right);
            cone.Sub(left);
            left.Add(col[i + 1]);
            left.Sub(upRight[i]);
            left.Sub(downRight[i]);
            left.Add(at(x - r, cy));
        }
    }
}

template <BlurKind K>
void BlurFromSource(CSprite& dst, int32_t dx, int32_t dy, const CSprite& src, int32_t sx, int32_t sy, int32_t w,
                    int32_t h, int32_t r, uint8_t lo, uint8_t hi, bool ranged) {
    if (!dst.HasImage() || !src.HasImage() || &dst == &src) return;
    dst.ClipBlit(dx, dy, src, sx, sy, w, h);
    if (w <= 0 || h <= 0) return;
    if (static_cast<uint32_t>(r - 1) > 44u) return;
    // The source must reach r pixels beyond every centre (and one more to the
    // right and below).
    if (sx < r) {
        dx += r - sx, w -= r - sx, sx = r;
    }
    if (sy < r) {
        dy += r - sy, h -= r - sy, sy = r;
    }
    if (src.GetWidth() - sx - w - 1 < r) w = src.GetWidth() - sx - r - 1;
    if (src.GetHeight() - sy - h - 1 < r) h = src.GetHeight() - sy - r - 1;
    if (w < 1 || h < 1) return;
    if (ranged && !(lo == 0 && hi == 255))
        BlurRegion<K, true>(dst, dx, dy, src, sx, sy, w, h, r, lo, hi);
    else
        BlurRegion<K, false>(dst, dx, dy, src, sx, sy, w, h, r, 0, 255);
}

// work (0, 0, pw, ph) := the sprite's pixels from (ox, oy), each coordinate
// clamped to the sprite's image.
void CopyClampedToWork(CSprite& work, const CSprite& s, int32_t ox, int32_t oy, int32_t pw, int32_t ph) {
    const int64_t width = s.GetWidth(), height = s.GetHeight();
    const int64_t left = std::clamp<int64_t>(-int64_t(ox), 0, pw);
    const int64_t end = std::clamp<int64_t>(width - ox, left, pw);
    for (int32_t j = 0; j < ph; ++j) {
        const int64_t row = std::clamp<int64_t>(int64_t(oy) + j, 0, height - 1);
        const uint32_t* in = s.PixelAt(0, static_cast<int32_t>(row));
        uint32_t* out = work.PixelAt(0, j);
        std::fill(out, out + left, in[0]);
        if (end > left) std::memcpy(out + left, in + (ox + left), static_cast<size_t>(end - left) * 4);
        std::fill(out + end, out + pw, in[width - 1]);
    }
}

template <BlurKind K>
bool BlurInPlace(CSprite& s, int32_t x, int32_t y, int32_t w, int32_t h, int32_t r, uint8_t lo, uint8_t hi) {
    if (!s.HasImage() || s.ClipRect(x, y, w, h) == 0 || h <= 0) return true;
    if (static_cast<uint32_t>(r - 1) > 44u || !IsRasterReady()) return true;
    CSprite& work = RasterWorkSprite();
    if (&work == &s) return false;  // it cannot hold its own padded copy
    const int64_t pw = int64_t(w) + 2 * r + 1, ph = int64_t(h) + 2 * r + 1;
    if (pw > INT32_MAX || ph > INT32_MAX) return false;
    if (work.GetWidth() < pw || work.GetHeight() < ph) {
        if (!work.ResizeUncleared(static_cast<int32_t>(pw), static_cast<int32_t>(ph))) return false;
    }
    CopyClampedToWork(work, s, x - r, y - r, static_cast<int32_t>(pw), static_cast<int32_t>(ph));
    BlurFromSource<K>(s, x, y, work, r, r, w, h, r, lo, hi, true);
    return true;
}

}  // namespace

bool CSprite::Blur(int32_t x, int32_t y, int32_t w, int32_t h, int32_t r, uint8_t lo, uint8_t hi) {
    return BlurInPlace<BlurKind::kAll>(*this, x, y, w, h, r, lo, hi);
}
bool CSprite::BlurA(int32_t x, int32_t y, int32_t w, int32_t h, int32_t r, uint8_t lo, uint8_t hi) {
    return BlurInPlace<BlurKind::kAlpha>(*this, x, y, w, h, r, lo, hi);
}
bool CSprite::BlurC(int32_t x, int32_t y, int32_t w, int32_t h, int32_t r, uint8_t lo, uint8_t hi) {
    return BlurInPlace<BlurKind::kColour>(*this, x, y, w, h, r, lo, hi);
}

void CSprite::BlurFrom(int32_t dx, int32_t dy, const CSprite& source, int32_t sx, int32_t sy, int32_t w, int32_t h,
                       int32_t r, uint8_t lo, uint8_t hi) {
    BlurFromSource<BlurKind::kAll>(*this, dx, dy, source, sx, sy, w, h, r, lo, hi, true);
}
void CSprite::BlurAFrom(int32_t dx, int32_t dy, const CSprite& source, int32_t sx, int32_t sy, int32_t w, int32_t h,
                        int32_t r, uint8_t lo, uint8_t hi) {
    BlurFromSource<BlurKind::kAlpha>(*this, dx, dy, source, sx, sy, w, h, r, lo, hi, true);
}
void CSprite::BlurCFrom(int32_t dx, int32_t dy, const CSprite& source, int32_t sx, int32_t sy, int32_t w, int32_t h,
                        int32_t r, uint8_t lo, uint8_t hi) {
    BlurFromSource<BlurKind::kColour>(*this, dx, dy, source, sx, sy, w, h, r, lo, hi, true);
}
void CSprite::BlurFullRange(int32_t dx, int32_t dy, const CSprite& source, int32_t sx, int32_t sy, int32_t w,
                            int32_t h, int32_t r) {
    BlurFromSource<BlurKind::kAll>(*this, dx, dy, source, sx, sy, w, h, r, 0, 255, false);
}
void CSprite::BlurAFullRange(int32_t dx, int32_t dy, const CSprite& source, int32_t sx, int32_t sy, int32_t w,
                             int32_t h, int32_t r) {
    BlurFromSource<BlurKind::kAlpha>(*this, dx, dy, source, sx, sy, w, h, r, 0, 255, false);
}
void CSprite::BlurCFullRange(int32_t dx, int32_t dy, const CSprite& source, int32_t sx, int32_t sy, int32_t w,
                             int32_t h, int32_t r) {
    BlurFromSource<BlurKind::kColour>(*this, dx, dy, source, sx, sy, w, h, r, 0, 255, false);
}
