#include "raster/surface/sprite/Sprite.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>

#include "raster/surface/sprite/RasterLibrary.h"

namespace {

// The image of a 0 x 0 sprite: pixels must be non-null, but nothing is ever
// read or written through it (every rectangle clips to nothing).
uint32_t g_emptyImageWord = 0;

constexpr uint64_t kMaxBlockBytes = 0xFFFFFFFFu;
constexpr int64_t kStretchLimit = 65536;

inline bool IsReady() noexcept { return RasterPixelMode == 1; }

// Opacity-mask bytes of a W x H image: ceil(W / 16) x ceil(H / 4).
inline uint64_t MaskBytes(int32_t width, int32_t height) noexcept {
    return ((static_cast<uint64_t>(width) + 15) >> 4) * ((static_cast<uint64_t>(height) + 3) >> 2);
}

inline uint64_t PixelBytes(int32_t width, int32_t height) noexcept {
    return static_cast<uint64_t>(width) * static_cast<uint64_t>(height) * 4;
}

inline int64_t Clamp64(int64_t v, int64_t lo, int64_t hi) noexcept { return v < lo ? lo : (v > hi ? hi : v); }

// Rectangle clip shared by ClipRect and ClipRectToBounds, in 64 bits so that
// no sum of caller values can overflow.
inline int32_t ClipRectImpl(int64_t cl, int64_t ct, int64_t cr, int64_t cb, int32_t& x, int32_t& y, int32_t& w,
                            int32_t& h) noexcept {
    int64_t x64 = x, y64 = y;
    const int64_t r0 = x64 + w, b0 = y64 + h;
    if (x64 < cl) x64 = cl;
    if (y64 < ct) y64 = ct;
    const int64_t w64 = std::min(cr, std::max(x64, r0)) - x64;
    const int64_t h64 = std::min(cb, std::max(y64, b0)) - y64;
    x = static_cast<int32_t>(x64);
    y = static_cast<int32_t>(y64);
    if (w64 <= 0 || h64 <= 0) {
        w = h = 0;
        return 0;
    }
    w = static_cast<int32_t>(w64);
    h = static_cast<int32_t>(h64);
    return w;
}

// A one-to-one blit's rectangles in 64 bits, so that no sum of caller values
// can overflow while they are clipped.
struct Blit64 {
    int64_t dx, dy, sx, sy, w, h;

    Blit64(int32_t dx32, int32_t dy32, int32_t sx32, int32_t sy32, int32_t w32, int32_t h32) noexcept
        : dx(dx32), dy(dy32), sx(sx32), sy(sy32), w(w32), h(h32) {}

    void Store(int32_t& dx32, int32_t& dy32, int32_t& sx32, int32_t& sy32, int32_t& w32, int32_t& h32) const noexcept {
        dx32 = static_cast<int32_t>(dx);
        dy32 = static_cast<int32_t>(dy);
        sx32 = static_cast<int32_t>(sx);
        sy32 = static_cast<int32_t>(sy);
        w32 = static_cast<int32_t>(w);
        h32 = static_cast<int32_t>(h);
    }
};

// The destination half of a one-to-one blit clip (the source was clipped
// already); returns false when nothing is left.
inline bool ClipBlitDestination(int64_t cl, int64_t ct, int64_t cr, int64_t cb, Blit64& b) noexcept {
    const int64_t r0 = b.dx + b.w, b0 = b.dy + b.h;
    if (b.dx < cl) {
        b.sx += cl - b.dx;
        b.dx = cl;
    }
    if (b.dy < ct) {
        b.sy += ct - b.dy;
        b.dy = ct;
    }
    b.w = std::min(cr, std::max(b.dx, r0)) - b.dx;
    b.h = std::min(cb, std::max(b.dy, b0)) - b.dy;
    if (b.w <= 0 || b.h <= 0) {
        b.w = b.h = 0;
        return false;
    }
    return true;
}

// The full one-to-one blit clip against a source image of srcW x srcH pixels.
void ClipBlitImpl(int64_t cl, int64_t ct, int64_t cr, int64_t cb, int64_t srcW, int64_t srcH, int32_t& dx,
                  int32_t& dy, int32_t& sx, int32_t& sy, int32_t& w, int32_t& h) noexcept {
    Blit64 b(dx, dy, sx, sy, w, h);
    if (b.sx < 0) {
        b.dx -= b.sx;
        b.w += b.sx;
        b.sx = 0;
    }
    if (b.sy < 0) {
        b.dy -= b.sy;
        b.h += b.sy;
        b.sy = 0;
    }
    if (b.w < 0) b.w = 0;
    if (b.h < 0) b.h = 0;
    if (b.sx + b.w > srcW) b.w = srcW - b.sx;
    if (b.sy + b.h > srcH) b.h = srcH - b.sy;
    ClipBlitDestination(cl, ct, cr, cb, b);
    b.Store(dx, dy, sx, sy, w, h);
}

// One axis of a stretched draw's source clip: a source span (s, sLen) reaching
// outside 0..size is cut to it, and the destination span (d, dLen) by the same
// share, k destination pixels a source pixel (|values| <= 2^32 here, so the
// truncations are exact).
inline void CutStretchedToSource(int64_t& d, int64_t& dLen, int64_t& s, int64_t& sLen, int64_t size,
                                 double k) noexcept {
    if (s < 0) {
        const int64_t cut = static_cast<int64_t>(std::trunc(static_cast<double>(s) * k));
        sLen += s;
        d -= cut;
        dLen += cut;
        s = 0;
    }
    if (s + sLen > size) {
        dLen -= static_cast<int64_t>(std::trunc(static_cast<double>(s + sLen - size) * k));
        sLen = size - s;
    }
}

// One axis of a stretched draw's destination clip to lo..hi: the first sample
// moves on by a step for each destination pixel cut at the start.
inline void CutStretchedToClip(int64_t& d, int64_t& dLen, int64_t& start, int64_t step, int64_t lo,
                               int64_t hi) noexcept {
    if (d < lo) {
        dLen -= lo - d;
        start += (lo - d) * step;
        d = lo;
    }
    if (d + dLen > hi) dLen = hi - d;
}

}  // namespace

CSprite::~CSprite() = default;

CSprite::CSprite(CSprite&& other) noexcept
    : m_storage(std::move(other.m_storage)),
      m_pixels(other.m_pixels),
      m_pixelOrigin(other.m_pixelOrigin),
      m_width(other.m_width),
      m_height(other.m_height),
      m_stride(other.m_stride),
      m_clipLeft(other.m_clipLeft),
      m_clipTop(other.m_clipTop),
      m_clipRight(other.m_clipRight),
      m_clipBottom(other.m_clipBottom),
      m_opacityMask(other.m_opacityMask),
      m_flags(other.m_flags) {
    other.SetImageFields(nullptr, 0, 0);
}

CSprite& CSprite::operator=(CSprite&& other) noexcept {
    if (this == &other) return *this;
    m_storage = std::move(other.m_storage);
    m_pixels = std::exchange(other.m_pixels, nullptr);
    m_pixelOrigin = std::exchange(other.m_pixelOrigin, nullptr);
    m_width = std::exchange(other.m_width, 0);
    m_height = std::exchange(other.m_height, 0);
    m_stride = std::exchange(other.m_stride, 0);
    m_clipLeft = std::exchange(other.m_clipLeft, 0);
    m_clipTop = std::exchange(other.m_clipTop, 0);
    m_clipRight = std::exchange(other.m_clipRight, 0);
    m_clipBottom = std::exchange(other.m_clipBottom, 0);
    m_opacityMask = std::exchange(other.m_opacityMask, nullptr);
    m_flags = std::exchange(other.m_flags, 0u);
    return *this;
}

void CSprite::SetImageFields(uint32_t* pixels, int32_t width, int32_t height) noexcept {
    m_pixels = m_pixelOrigin = pixels;
    m_width = width;
    m_height = height;
    m_stride = width;
    m_clipLeft = m_clipTop = 0;
    m_clipRight = width;
    m_clipBottom = height;
    m_opacityMask = nullptr;
    m_flags = 0;
}

bool CSprite::Create(int32_t width, int32_t height, bool fillOpaque) {
    if (m_pixels != nullptr || width < 0 || height < 0) return false;
    if (width == 0 && height == 0) {
        SetImageFields(&g_emptyImageWord, 0, 0);
        return true;
    }
    const uint64_t pixelBytes = PixelBytes(width, height);
    const uint64_t bytes = pixelBytes + 4 + MaskBytes(width, height);
    if (bytes > kMaxBlockBytes) return false;
    uint32_t* pixels = reinterpret_cast<uint32_t*>(m_storage.Alloc(static_cast<uint32_t>(bytes)));
    std::memset(pixels, fillOpaque ? 0xFF : 0x00, static_cast<size_t>(pixelBytes));
    SetImageFields(pixels, width, height);
    return true;
}

bool CSprite::CreateWithinLimits(int32_t width, int32_t height, bool fillOpaque) {
    if (!IsSpriteSizeAllowed(width, height) || !IsReady()) return false;
    return Create(width, height, fillOpaque);
}

bool CSprite::ResizeImpl(int32_t width, int32_t height, bool clear) {
    if (!IsSpriteSizeAllowed(width, height) || !IsReady() || width < 0 || height < 0) return false;
    const uint64_t needed = PixelBytes(width, height) + MaskBytes(width, height);
    if (m_storage.GetCount() < needed + 4) {
        // The smallest multiple of 256 KiB strictly above needed + 4.
        const uint64_t bytes = (needed + 0x40004) & ~static_cast<uint64_t>(0x3FFFF);
        if (bytes > kMaxBlockBytes) return false;
        // The new block first: if it cannot be had, the old image stays intact.
        CMemoryBlock<unsigned char> fresh;
        fresh.Alloc(static_cast<uint32_t>(bytes));
        m_storage = std::move(fresh);
    }
    uint32_t* pixels = reinterpret_cast<uint32_t*>(m_storage.GetBuffer());
    if (clear) std::memset(pixels, 0, static_cast<size_t>(PixelBytes(width, height)));
    SetImageFields(pixels, width, height);
    return true;
}

bool CSprite::ResizeUncleared(int32_t width, int32_t height) { return ResizeImpl(width, height, false); }

bool CSprite::RecreateIfReady(int32_t width, int32_t height) { return ResizeImpl(width, height, true); }

void CSprite::Release() {
    if (m_pixels == nullptr) return;
    m_storage.Free();
    SetImageFields(nullptr, 0, 0);
}

void CSprite::SetClipRect(int32_t left, int32_t top, int32_t right, int32_t bottom) noexcept {
    m_clipLeft = std::clamp(left, 0, std::max(m_width, 0));
    m_clipTop = std::clamp(top, 0, std::max(m_height, 0));
    m_clipRight = right < 0 ? 0 : (right > m_width ? m_width : std::max(right, m_clipLeft));
    m_clipBottom = bottom < 0 ? 0 : (bottom > m_height ? m_height : std::max(bottom, m_clipTop));
}

int32_t CSprite::ClipRect(int32_t& x, int32_t& y, int32_t& w, int32_t& h) const {
    return ClipRectImpl(m_clipLeft, m_clipTop, m_clipRight, m_clipBottom, x, y, w, h);
}

int32_t ClipRectToBounds(int32_t left, int32_t top, int32_t right, int32_t bottom, int32_t& x, int32_t& y,
                         int32_t& w, int32_t& h) noexcept {
    return ClipRectImpl(left, top, right, bottom, x, y, w, h);
}

int32_t ClipBlitToBounds(int32_t left, int32_t top, int32_t right, int32_t bottom, int32_t& dx, int32_t& dy,
                         int32_t& sx, int32_t& sy, int32_t& w, int32_t& h) noexcept {
    Blit64 b(dx, dy, sx, sy, w, h);
    const bool left_over = ClipBlitDestination(left, top, right, bottom, b);
    b.Store(dx, dy, sx, sy, w, h);
    return left_over ? dx : 0;
}

void CSprite::ClipBlitPaired(int32_t& dx, int32_t& dy, const CSprite& source, int32_t& sx, int32_t& sy,
                             const CSprite& third, int32_t& tx, int32_t& ty, int32_t& w, int32_t& h) const {
    const int32_t x0 = dx;
    const int32_t y0 = dy;
    ClipBlit(dx, dy, source, sx, sy, w, h);
    if (w <= 0 || h <= 0) return;
    tx += dx - x0;
    ty += dy - y0;
    const int32_t x1 = dx;
    const int32_t y1 = dy;
    ClipBlit(dx, dy, third, tx, ty, w, h);
    if (w <= 0 || h <= 0) return;
    sx += dx - x1;
    sy += dy - y1;
}

void CSprite::ClipBlit(int32_t& dx, int32_t& dy, const CSprite& source, int32_t& sx, int32_t& sy, int32_t& w,
                       int32_t& h) const {
    ClipBlitImpl(m_clipLeft, m_clipTop, m_clipRight, m_clipBottom, source.m_width, source.m_height, dx, dy, sx, sy,
                 w, h);
}

void CSprite::ClipBlitIndexed(int32_t& dx, int32_t& dy, const CSprite& source, int32_t& sx, int32_t& sy,
                              int32_t& w, int32_t& h) const {
    // Pixels per 32-bit word and the header row's width in words (4 + palette).
    static constexpr int32_t kPixelsPerWord[5] = {0, 32, 16, 8, 4};
    static constexpr int32_t kMinWords[5] = {0, 6, 8, 20, 260};
    const uint32_t depth = source.GetDepthCode();
    if (depth < 1 || depth > 4 || source.m_width < kMinWords[depth]) {
        w = h = 0;
        return;
    }
    const int64_t pixelWidth = static_cast<int64_t>(source.m_width) * kPixelsPerWord[depth];
    const int64_t pixelHeight = static_cast<int64_t>(source.m_height) - 1;
    ClipBlitImpl(m_clipLeft, m_clipTop, m_clipRight, m_clipBottom, pixelWidth, pixelHeight, dx, dy, sx, sy, w, h);
}

void CSprite::ClipBlitStretched(int32_t& dx, int32_t& dy, int32_t& dw, int32_t& dh, int64_t& stepX, int64_t& stepY,
                                int64_t& startX, int64_t& startY, const CSprite& source, int32_t& sx, int32_t& sy,
                                int32_t& sw, int32_t& sh) const {
    if (sw <= 0 || sh <= 0) {
        dw = dh = 0;
        return;
    }
    int64_t dx64 = Clamp64(dx, -kStretchLimit, kStretchLimit);
    int64_t dy64 = Clamp64(dy, -kStretchLimit, kStretchLimit);
    int64_t dw64 = Clamp64(dw, -kStretchLimit, kStretchLimit);
    int64_t dh64 = Clamp64(dh, -kStretchLimit, kStretchLimit);
    int64_t sx64 = Clamp64(sx, -kStretchLimit, kStretchLimit);
    int64_t sy64 = Clamp64(sy, -kStretchLimit, kStretchLimit);
    int64_t sw64 = Clamp64(sw, -kStretchLimit, kStretchLimit);
    int64_t sh64 = Clamp64(sh, -kStretchLimit, kStretchLimit);
    const double kx = static_cast<double>(dw64) / static_cast<double>(sw64);
    const double ky = static_cast<double>(dh64) / static_cast<double>(sh64);

    // Source edges: cut the source rectangle to the image and the destination
    // by the same share.
    CutStretchedToSource(dx64, dw64, sx64, sw64, source.m_width, kx);
    CutStretchedToSource(dy64, dh64, sy64, sh64, source.m_height, ky);

    auto store = [&] {
        dx = static_cast<int32_t>(dx64);
        dy = static_cast<int32_t>(dy64);
        dw = static_cast<int32_t>(dw64);
        dh = static_cast<int32_t>(dh64);
        sx = static_cast<int32_t>(sx64);
        sy = static_cast<int32_t>(sy64);
        sw = static_cast<int32_t>(sw64);
        sh = static_cast<int32_t>(sh64);
    };
    // A source rectangle that lies wholly outside the image can leave a
    // destination behind through rounding; it must not be sampled.
    if (dw64 <= 0 || dh64 <= 0 || sw64 <= 0 || sh64 <= 0) {
        store();
        dw = dh = 0;
        return;
    }

    // 16.16 steps; the start samples the centre of each destination pixel. The
    // largest sample, start + (dw - 1) x step, stays below sw x 65536.
    stepX = (sw64 * 65536) / dw64;
    stepY = (sh64 * 65536) / dh64;
    startX = stepX / 2;
    startY = stepY / 2;

    CutStretchedToClip(dx64, dw64, startX, stepX, m_clipLeft, m_clipRight);
    CutStretchedToClip(dy64, dh64, startY, stepY, m_clipTop, m_clipBottom);

    store();
    if (dw64 <= 0 || dh64 <= 0) dw = dh = 0;
}

void CSprite::BuildOpacityMask() {
    if (m_pixels == nullptr || !IsReady()) return;
    unsigned char* block = m_storage.GetBuffer();
    if (block == nullptr || m_width <= 0 || m_height <= 0) return;
    const uint64_t maskOffset = static_cast<uint64_t>(m_height) * static_cast<uint64_t>(m_stride) * 4;
    const uint64_t maskSize = MaskBytes(m_width, m_height);
    // Only a block laid out by this class has room for the mask.
    if (reinterpret_cast<unsigned char*>(m_pixels) != block || maskOffset + maskSize > m_storage.GetCount()) return;

    uint8_t* mask = block + maskOffset;
    std::memset(mask, 0, static_cast<size_t>(maskSize));
    const int32_t maskStride = GetMaskStride();
    const int32_t blocksPerRow = m_width / 4;  // complete 4-pixel block columns
    const int32_t groups = m_height / 4;       // complete 4-row groups
    for (int32_t g = 0; g < groups; ++g) {
        const uint32_t* r0 = m_pixels + static_cast<int64_t>(g) * 4 * m_stride;
        const uint32_t* r1 = r0 + m_stride;
        const uint32_t* r2 = r1 + m_stride;
        const uint32_t* r3 = r2 + m_stride;
        uint8_t* maskRow = mask + static_cast<int64_t>(g) * maskStride;
        for (int32_t k = 0; k < blocksPerRow; ++k) {
            const int32_t x = k * 4;
            uint32_t all = 0xFFFFFFFFu, any = 0;
            for (int32_t i = 0; i < 4; ++i) {
                all &= r0[x + i] & r1[x + i] & r2[x + i] & r3[x + i];
                any |= r0[x + i] | r1[x + i] | r2[x + i] | r3[x + i];
            }
            const int shift = 6 - 2 * (k & 3);  // the low bit of the block's pair
            if ((all >> 24) == 0xFF)
                maskRow[k >> 2] |= static_cast<uint8_t>(2u << shift);
            else if ((any >> 24) == 0)
                maskRow[k >> 2] |= static_cast<uint8_t>(1u << shift);
        }
    }
    m_opacityMask = mask;
}

bool CSprite::IsRectTransparent(int32_t x, int32_t y, int32_t w, int32_t h) const {
    if (ClipRect(x, y, w, h) == 0) return true;
    const uint32_t* row = PixelAt(x, y);
    for (int32_t j = 0; j < h; ++j, row += m_stride) {
        uint32_t any = 0;
        for (int32_t i = 0; i < w; ++i) any |= row[i];
        if ((any >> 24) != 0) return false;
    }
    return true;
}

bool CSprite::IsTransparentIfReady() const {
    if (!IsReady()) return false;
    return IsRectTransparent(0, 0, m_width, m_height);
}

uint32_t CSprite::GetPixelRGB(int32_t x, int32_t y) const {
    if (!IsReady() || m_pixels == nullptr) return 0;
    if (x < 0 || y < 0 || x >= m_width || y >= m_height) return 0;
    return *PixelAt(x, y) & 0x00FFFFFFu;
}

void CSprite::AndPixels(int32_t x, int32_t y, int32_t w, int32_t h, uint32_t mask) {
    if (ClipRect(x, y, w, h) == 0) return;
    uint32_t* row = PixelAt(x, y);
    for (int32_t j = 0; j < h; ++j, row += m_stride)
        for (int32_t i = 0; i < w; ++i) row[i] &= mask;
}

int32_t CSprite::CountMatchingPixels(int32_t dx, int32_t dy, const CSprite& source, int32_t sx, int32_t sy,
                                     int32_t w, int32_t h, uint32_t mask) const {
    ClipBlit(dx, dy, source, sx, sy, w, h);
    if (w <= 0 || h <= 0) return 0;
    int32_t count = 0;
    const uint32_t* d = PixelAt(dx, dy);
    const uint32_t* s = source.PixelAt(sx, sy);
    for (int32_t j = 0; j < h; ++j, d += m_stride, s += source.m_stride)
        for (int32_t i = 0; i < w; ++i) count += ((d[i] ^ s[i]) & mask) == 0;
    return count;
}
