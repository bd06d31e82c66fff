// Easing curves, one template for the 32-bit and the 64-bit evaluator.
//
// Integer curves take the product first and divide last, in a type twice as
// wide as the arguments (int64 for the 32-bit form, __int128 for the 64-bit
// form), so tri(T) x c never overflows. Floating-point curves follow the
// evaluation order of their formulas exactly; the conversion back truncates
// toward zero and clamps to the result type.
#include "raster/filter/Easing.h"

#include <cmath>
#include <limits>

namespace {

__extension__ typedef __int128 Int128;

constexpr double kPi = 3.141592653589793;
constexpr double kHalfPi = 1.5707963267948966;
constexpr double kTwoPi = 6.283185307179586;

template <class Int>
struct Wider;
template <>
struct Wider<int32_t> {
    using type = int64_t;
};
template <>
struct Wider<int64_t> {
    using type = Int128;
};

template <class Int>
Int Trunc(double v) noexcept {
    if (!(v == v)) return 0;
    constexpr double lo = static_cast<double>(std::numeric_limits<Int>::min());
    constexpr double hi = static_cast<double>(std::numeric_limits<Int>::max());
    if (v <= lo) return std::numeric_limits<Int>::min();
    if (v >= hi) return std::numeric_limits<Int>::max();
    return static_cast<Int>(v);
}

template <class Int, class W>
Int Narrow(W v) noexcept {
    if (v < static_cast<W>(std::numeric_limits<Int>::min())) return std::numeric_limits<Int>::min();
    if (v > static_cast<W>(std::numeric_limits<Int>::max())) return std::numeric_limits<Int>::max();
    return static_cast<Int>(v);
}

template <class Int>
class Curves {
public:
    using W = typename Wider<Int>::type;

    static W Tri(Int n) noexcept { return static_cast<W>(n) * (static_cast<W>(n) + 1) / 2; }
    // a x b / d, product first; d != 0.
    static Int MulDiv(W a, Int b, W d) noexcept { return Narrow<Int>(a * static_cast<W>(b) / d); }
    // Clamps the step into [0, T]; false when T is not positive.
    static bool Prepare(Int& t, Int T) noexcept {
        if (T <= 0) return false;
        if (t < 0) t = 0;
        if (t > T) t = T;
        return true;
    }

    static Int Linear(Int t, Int T, Int c) noexcept {
        if (!Prepare(t, T) || t >= T) return c;
        return MulDiv(t, c, T);
    }
    static Int TriIn(Int t, Int T, Int c) noexcept {
        if (!Prepare(t, T) || t >= T) return c;
        return MulDiv(Tri(t), c, Tri(T));
    }
    static Int TriOut(Int t, Int T, Int c) noexcept {
        if (!Prepare(t, T) || t >= T) return c;
        return MulDiv(Tri(T) - Tri(T - t), c, Tri(T));
    }
    static Int QuadIn(Int t, Int T, Int c) noexcept {
        if (!Prepare(t, T) || t >= T) return c;
        const double u = static_cast<double>(t) / static_cast<double>(T);
        return Trunc<Int>(u * u * static_cast<double>(c));
    }
    static Int QuadOut(Int t, Int T, Int c) noexcept {
        if (!Prepare(t, T) || t >= T) return c;
        const double u = static_cast<double>(t) / static_cast<double>(T);
        return Trunc<Int>((1.0 - (1.0 - u) * (1.0 - u)) * static_cast<double>(c));
    }
    static Int SineIn(Int t, Int T, Int c) noexcept {
        if (!Prepare(t, T) || t >= T) return c;
        return Trunc<Int>(
            (std::cos(kPi - static_cast<double>(t) * kHalfPi / static_cast<double>(T)) + 1.0) * static_cast<double>(c));
    }
    static Int SineOut(Int t, Int T, Int c) noexcept {
        if (!Prepare(t, T) || t >= T) return c;
        return Trunc<Int>(std::sin(static_cast<double>(t) * kHalfPi / static_cast<double>(T)) * static_cast<double>(c));
    }
    // Oscillating curves 256..259 (kind 0..3); end values 0, 0, c, 0.
    static Int Wave(int kind, Int t, Int T, Int c, uint32_t e) noexcept {
        if (!Prepare(t, T) || t >= T) return kind == 2 ? c : 0;
        const double u = static_cast<double>(t) / static_cast<double>(T);
        const double angle = u * kTwoPi * static_cast<double>(e);
        const double cd = static_cast<double>(c);
        switch (kind) {
            case 0: return Trunc<Int>(u * std::sin(angle) * cd);
            case 1: return Trunc<Int>(std::sin(angle) * (1.0 - u) * cd);
            case 2: return Trunc<Int>(u * std::cos(angle) * cd);
            default: return Trunc<Int>(std::cos(angle) * (1.0 - u) * cd);
        }
    }

    static Int Ease(uint32_t type, Int t, Int T, Int c) noexcept {
        const uint32_t curve = type & 0xFFFFu;
        uint32_t e = type >> 16;
        if (e == 0) e = 1;
        if (curve > 18 && (curve < 256 || curve > 263)) return c;
        if (curve >= 256) {
            if (!Prepare(t, T) || t >= T) return (curve == 258 || curve == 263) ? c : 0;
        } else if (!Prepare(t, T) || t >= T) {
            return c;
        }
        switch (curve) {
            case 0: return Linear(t, T, c);
            case 1: return TriIn(t, T, c);
            case 2: return TriOut(t, T, c);
            case 5: return QuadIn(t, T, c);
            case 6: return QuadOut(t, T, c);
            case 9: return SineIn(t, T, c);
            case 10: return SineOut(t, T, c);
            case 256: return Wave(0, t, T, c, e);
            case 257: return Wave(1, t, T, c, e);
            case 258: return Wave(2, t, T, c, e);
            case 259: return Wave(3, t, T, c, e);
            default: break;
        }
        const Int half = T / 2;
        const Int t2 = t - half;
        const Int T2 = T - half;  // >= 1 since T >= 1
        const Int r = c / 2;
        const Int c2 = c - r;
        const double dc2 = static_cast<double>(c2);
        const double dt2 = static_cast<double>(t2);
        const double dT2 = static_cast<double>(T2);
        if (curve >= 260) {
            // Each half runs a whole wave over the full amount and cycle count.
            static constexpr int kFirst[4] = {0, 1, 2, 3};
            static constexpr int kSecond[4] = {1, 0, 3, 2};
            const uint32_t i = curve - 260;
            if (t < half) return Wave(kFirst[i], t, half, c, e);
            return Wave(kSecond[i], t2, T2, c, e);
        }
        switch (curve) {
            case 3:
                if (t < half) return MulDiv(Tri(t), r, Tri(half));
                return Narrow<Int>(static_cast<W>(r) + (Tri(T2) - Tri(T - t)) * static_cast<W>(c2) / Tri(T2));
            case 4:
                if (t < half) return MulDiv(Tri(half) - Tri(half - t), r, Tri(half));
                return Narrow<Int>(static_cast<W>(r) + Tri(t2) * static_cast<W>(c2) / Tri(T2));
            case 7:
                if (t < half) {
                    const double v = static_cast<double>(t) / static_cast<double>(half);
                    return Trunc<Int>(v * v * static_cast<double>(r));
                } else {
                    const double q = 1.0 - dt2 / dT2;
                    return Sum(r, Trunc<Int>((1.0 - q * q) * dc2));
                }
            case 8:
                if (t < half) {
                    const double v = static_cast<double>(t) / static_cast<double>(half);
                    return Trunc<Int>((1.0 - (1.0 - v) * (1.0 - v)) * static_cast<double>(r));
                } else {
                    const double q = dt2 / dT2;
                    return Sum(r, Trunc<Int>(q * q * dc2));
                }
            case 11:
                if (t < half) return SineIn(t, half, r);
                return Sum(r, Trunc<Int>(std::sin(dt2 * kHalfPi / dT2) * dc2));
            case 12:
                if (t < half)
                    return Trunc<Int>(std::sin(static_cast<double>(t) * kHalfPi / static_cast<double>(half)) *
                                      static_cast<double>(r));
                return Sum(r, SineIn(t2, T2, c2));
            default: break;
        }
        // Curves 13..18: linear to c over the first half, then swings about c.
        if (t < half) return MulDiv(t, c, half);
        const double q = static_cast<double>(c - (static_cast<W>(3) * c) / 4);
        const double k = static_cast<double>(c - (static_cast<W>(13) * c) / 16);
        const Int p1 = half + Trunc<Int>(0.4 * dT2);
        const Int p2 = half + Trunc<Int>(0.7 * dT2);
        const Int p3 = half + Trunc<Int>(0.9 * dT2);
        auto swing = [&](Int from, Int to) {  // sin((t - from) x pi / (to - from))
            return std::sin(static_cast<double>(t - from) * kPi / static_cast<double>(to - from));
        };
        auto minus = [&](double v) { return Narrow<Int>(static_cast<W>(c) - static_cast<W>(Trunc<Int>(v))); };
        auto plus = [&](double v) { return Narrow<Int>(static_cast<W>(c) + static_cast<W>(Trunc<Int>(v))); };
        switch (curve) {
            case 13: return minus(swing(half, T) * q);
            case 14:
                if (t < p2) return minus(swing(half, p2) * q);
                return minus(swing(p2, T) * 0.3 * q);
            case 15: return plus(swing(half, T) * q);
            case 16:
                if (t < p2) return plus(swing(half, p2) * q);
                return minus(swing(p2, T) * -0.3 * q);
            case 17:
                if (t < p2) return plus(swing(half, p2) * k);
                return minus(swing(p2, T) * 0.3 * k);
            default:  // 18
                if (t < p1) return plus(swing(half, p1) * k);
                if (t < p2) return minus(swing(p1, p2) * 0.75 * k);
                if (t < p3) return minus(swing(p2, p3) * -0.5 * k);
                return minus(swing(p3, T) * -0.25 * k);
        }
    }

private:
    static Int Sum(Int a, Int b) noexcept { return Narrow<Int>(static_cast<W>(a) + static_cast<W>(b)); }
};

using C32 = Curves<int32_t>;
using C64 = Curves<int64_t>;

}  // namespace

int32_t EaseValue(uint32_t type, int32_t t, int32_t duration, int32_t c) { return C32::Ease(type, t, duration, c); }
int64_t EaseValue64(uint32_t type, int64_t t, int64_t duration, int64_t c) {
    return C64::Ease(type, t, duration, c);
}

int32_t EaseTriangularIn(int32_t t, int32_t d, int32_t c) { return C32::TriIn(t, d, c); }
int32_t EaseTriangularOut(int32_t t, int32_t d, int32_t c) { return C32::TriOut(t, d, c); }
int32_t EaseQuadIn(int32_t t, int32_t d, int32_t c) { return C32::QuadIn(t, d, c); }
int32_t EaseQuadOut(int32_t t, int32_t d, int32_t c) { return C32::QuadOut(t, d, c); }
int32_t EaseSineIn(int32_t t, int32_t d, int32_t c) { return C32::SineIn(t, d, c); }
int32_t EaseSineOut(int32_t t, int32_t d, int32_t c) { return C32::SineOut(t, d, c); }
int32_t EaseGrowingSine(int32_t t, int32_t d, int32_t c, uint32_t e) { return C32::Wave(0, t, d, c, e); }
int32_t EaseDecayingSine(int32_t t, int32_t d, int32_t c, uint32_t e) { return C32::Wave(1, t, d, c, e); }
int32_t EaseGrowingCosine(int32_t t, int32_t d, int32_t c, uint32_t e) { return C32::Wave(2, t, d, c, e); }
int32_t EaseDecayingCosine(int32_t t, int32_t d, int32_t c, uint32_t e) { return C32::Wave(3, t, d, c, e); }

int64_t EaseTriangularIn64(int64_t t, int64_t d, int64_t c) { return C64::TriIn(t, d, c); }
int64_t EaseTriangularOut64(int64_t t, int64_t d, int64_t c) { return C64::TriOut(t, d, c); }
int64_t EaseQuadIn64(int64_t t, int64_t d, int64_t c) { return C64::QuadIn(t, d, c); }
int64_t EaseQuadOut64(int64_t t, int64_t d, int64_t c) { return C64::QuadOut(t, d, c); }
int64_t EaseSineIn64(int64_t t, int64_t d, int64_t c) { return C64::SineIn(t, d, c); }
int64_t EaseSineOut64(int64_t t, int64_t d, int64_t c) { return C64::SineOut(t, d, c); }
int64_t EaseGrowingSine64(int64_t t, int64_t d, int64_t c, uint32_t e) { return C64::Wave(0, t, d, c, e); }
int64_t EaseDecayingSine64(int64_t t, int64_t d, int64_t c, uint32_t e) { return C64::Wave(1, t, d, c, e); }
int64_t EaseGrowingCosine64(int64_t t, int64_t d, int64_t c, uint32_t e) { return C64::Wave(2, t, d, c, e); }
int64_t EaseDecayingCosine64(int64_t t, int64_t d, int64_t c, uint32_t e) { return C64::Wave(3, t, d, c, e); }

double Atan2Int(double y, int32_t x) { return std::atan2(y, static_cast<double>(x)); }
double Atan2UInt(double y, uint32_t x) { return std::atan2(y, static_cast<double>(x)); }
