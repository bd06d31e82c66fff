// Projective and 3D set-up in double precision.
//
// The solvers are plain Gauss-Jordan elimination in the given row order (the
// first usable pivot below, not the largest), with a cancellation rule: a
// difference far below the terms it came from is noise and becomes 0. A
// system that is singular, or so nearly singular that the solution overflows
// or the coefficients no longer fit the 64-bit fixed-point matrix, is refused,
// so that the caller draws its documented transparent fill instead of
// converting infinities to integers.
#include "raster/filter/Homography.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <utility>

#include "raster/surface/shape/FixedMatrix.h"

namespace {

constexpr double kPivotBand = 1e-15;
constexpr double kCancellation = 67108864.0;  // 2^26
constexpr double kFixedOne = 16777216.0;      // 2^24
// Above this a coefficient times 2^24 leaves the 64-bit range.
constexpr double kMaxCoefficient = 9.2e18 / kFixedOne;

inline double SubtractProduct(double value, double product) noexcept {
    const double result = value - product;
    return std::fabs(product) > kCancellation * std::fabs(result) ? 0.0 : result;
}

template <int N>
bool SolveLinear(double* a, double* b) {
    for (int k = 0; k < N; ++k) {
        if (std::fabs(a[k * N + k]) <= kPivotBand) {
            int swap = -1;
            for (int r = k + 1; r < N; ++r) {
                if (std::fabs(a[r * N + k]) > kPivotBand) {
                    swap = r;
                    break;
                }
            }
            if (swap < 0) return false;
            for (int c = 0; c < N; ++c) std::swap(a[k * N + c], a[swap * N + c]);
            std::swap(b[k], b[swap]);
        }
        const double pivot = a[k * N + k];
        for (int c = k + 1; c < N; ++c) a[k * N + c] /= pivot;
        b[k] /= pivot;
        a[k * N + k] = 1.0;
        for (int r = k + 1; r < N; ++r) {
            const double e = a[r * N + k];
            for (int c = k + 1; c < N; ++c) a[r * N + c] = SubtractProduct(a[r * N + c], e * a[k * N + c]);
            b[r] = SubtractProduct(b[r], e * b[k]);
            a[r * N + k] = 0.0;
        }
    }
    for (int k = N - 1; k >= 1; --k) {
        for (int r = 0; r < k; ++r) {
            b[r] = SubtractProduct(b[r], a[r * N + k] * b[k]);
            a[r * N + k] = 0.0;
        }
    }
    for (int k = 0; k < N; ++k)
        if (!std::isfinite(b[k])) return false;
    return true;
}

inline bool FitsFixed(double v) noexcept { return std::isfinite(v) && std::fabs(v) < kMaxCoefficient; }

inline int64_t ToFixed24(double v) noexcept { return static_cast<int64_t>(v * kFixedOne); }

struct Point3 {
    double x, y, z;
};

inline void Turn(Point3& p, const double r[9]) noexcept {
    const Point3 q = p;
    p.x = r[0] * q.x + r[1] * q.y + r[2] * q.z;
    p.y = r[3] * q.x + r[4] * q.y + r[5] * q.z;
    p.z = r[6] * q.x + r[7] * q.y + r[8] * q.z;
}

inline int32_t Saturate32(int64_t v) noexcept {
    return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
}

}  // namespace

bool SolveLinear8(double a[64], double b[8]) { return SolveLinear<8>(a, b); }
bool SolveLinear6(double a[36], double b[6]) { return SolveLinear<6>(a, b); }

int32_t TruncToInt32Saturated(double v) noexcept {
    if (std::isnan(v)) return 0;
    if (v >= 2147483647.0) return INT32_MAX;
    if (v <= -2147483648.0) return INT32_MIN;
    return static_cast<int32_t>(v);
}

bool ComputeHomography(double x0, double y0, double x1, double y1, double x2, double y2, double x3, double y3,
                       double u0, double v0, double u1, double v1, double u2, double v2, double u3, double v3,
                       int64_t out[9]) {
    const double xs[4] = {x0, x1, x2, x3}, ys[4] = {y0, y1, y2, y3};
    const double us[4] = {u0, u1, u2, u3}, vs[4] = {v0, v1, v2, v3};
    double a[64] = {};
    double b[8] = {};
    const auto uRow = [&](int row, int c) {
        double* e = a + row * 8;
        e[0] = xs[c], e[1] = ys[c], e[2] = 1.0;
        e[6] = -xs[c] * us[c], e[7] = -ys[c] * us[c];
        b[row] = us[c];
    };
    const auto vRow = [&](int row, int c) {
        double* e = a + row * 8;
        e[3] = xs[c], e[4] = ys[c], e[5] = 1.0;
        e[6] = -xs[c] * vs[c], e[7] = -ys[c] * vs[c];
        b[row] = vs[c];
    };
    uRow(0, 0), uRow(1, 1), uRow(2, 2);
    vRow(3, 0), vRow(4, 1), vRow(5, 2);
    uRow(6, 3), vRow(7, 3);
    if (!SolveLinear8(a, b)) return false;
    for (double m : b)
        if (!FitsFixed(m)) return false;
    for (int k = 0; k < 8; ++k) out[k] = ToFixed24(b[k]);
    out[8] = int64_t{1} << 24;
    return true;
}

void ClampSpanToCorners(int32_t& position, int32_t& size, int32_t c0, int32_t c1, int32_t c2, int32_t c3) {
    const int64_t p = position;
    const int64_t end = p + size;
    const int64_t low = std::min({int64_t{c0}, int64_t{c1}, int64_t{c2}, int64_t{c3}, end + 1});
    const int64_t high = std::max({p, int64_t{c0}, int64_t{c1}, int64_t{c2}, int64_t{c3}}) + 1;
    const int64_t newStart = std::max(p, low);
    const int64_t newEnd = std::min(end, high);
    position = Saturate32(newStart);
    size = Saturate32(std::max<int64_t>(0, newEnd - newStart));
}

void BuildRotationMatrix3DFixed(int64_t out[9], double a, double b, double c) {
    double r[9];
    BuildRotationMatrix3D(r, a, b, c);
    for (int k = 0; k < 9; ++k) out[k] = ToFixed24(std::isfinite(r[k]) ? r[k] : 0.0);
}

bool BuildProjectionHomography(double centreX, double centreY, double depth, double planeW, double planeH,
                               double angleA, double angleB, double angleC, double srcX, double srcY, double srcW,
                               double srcH, double viewX, double viewY, double distance, double eyeX, double eyeY,
                               double pivotX, double pivotY, double pivotZ, int64_t out[9], int32_t originX,
                               int32_t originY, int32_t& dx, int32_t& dy, int32_t& dw, int32_t& dh) {
    const double inputs[] = {centreX, centreY, depth,   planeW,   planeH, angleA, angleB, angleC, srcX,   srcY,
                             srcW,    srcH,    viewX,   viewY,    distance, eyeX, eyeY,   pivotX, pivotY, pivotZ};
    for (double v : inputs)
        if (!std::isfinite(v)) return false;
    // The plane's corners about the pivot, turned, then placed at the centre.
    const double left = -planeW / 2 - pivotX, right = planeW / 2 - pivotX;
    const double top = -planeH / 2 - pivotY, bottom = planeH / 2 - pivotY;
    Point3 corner[4] = {{left, top, -pivotZ}, {right, top, -pivotZ}, {left, bottom, -pivotZ}, {right, bottom, -pivotZ}};
    double r[9];
    BuildRotationMatrix3D(r, angleA, angleB, angleC);
    for (Point3& p : corner) {
        Turn(p, r);
        p.x += centreX + pivotX;
        p.y += centreY + pivotY;
    }
    // Seen from behind: everything mirrored in x and z.
    double zShift = pivotZ;
    if (distance <= -1.0) {
        distance = -distance, eyeX = -eyeX, viewX = -viewX, depth = -depth;
        for (Point3& p : corner) p.x = -p.x, p.z = -p.z;
        zShift = -pivotZ;
    }
    int64_t matrix[9];
    if (distance >= 1.0) {
        for (Point3& p : corner) p.z += zShift - depth;
        if (viewX != 0.0 || viewY != 0.0) {
            double view[9];
            BuildRotationMatrix3D(view, 0.0, std::atan2(viewY, distance), std::atan2(-viewX, distance));
            for (Point3& p : corner) Turn(p, view);
        }
        for (Point3& p : corner) {
            const double k = distance / std::max(1.0, distance - p.z);
            p.x = (p.x - eyeX) * k + eyeX;
            p.y = (p.y - eyeY) * k + eyeY;
        }
        if (!ComputeHomography(corner[0].x, corner[0].y, corner[1].x, corner[1].y, corner[2].x, corner[2].y,
                               corner[3].x, corner[3].y, srcX, srcY, srcX + srcW, srcY, srcX, srcY + srcH,
                               srcX + srcW, srcY + srcH, matrix))
            return false;
    } else {
        for (Point3& p : corner) p.x -= viewX, p.y -= viewY;
        double a[36] = {};
        double b[6] = {srcX, srcX + srcW, srcX, srcY, srcY, srcY + srcH};
        for (int c = 0; c < 3; ++c) {
            double* uRow = a + c * 6;
            uRow[0] = corner[c].x, uRow[1] = corner[c].y, uRow[2] = 1.0;
            double* vRow = a + (c + 3) * 6;
            vRow[3] = corner[c].x, vRow[4] = corner[c].y, vRow[5] = 1.0;
        }
        if (!SolveLinear6(a, b)) return false;
        for (double m : b)
            if (!FitsFixed(m)) return false;
        for (int k = 0; k < 6; ++k) matrix[k] = ToFixed24(b[k]);
        matrix[6] = matrix[7] = 0;
        matrix[8] = int64_t{1} << 24;
    }
    for (const Point3& p : corner)
        if (!std::isfinite(p.x) || !std::isfinite(p.y)) return false;
    int32_t cx[4], cy[4];
    for (int k = 0; k < 4; ++k) {
        cx[k] = TruncToInt32Saturated(corner[k].x + originX);
        cy[k] = TruncToInt32Saturated(corner[k].y + originY);
    }
    ClampSpanToCorners(dx, dw, cx[0], cx[1], cx[2], cx[3]);
    ClampSpanToCorners(dy, dh, cy[0], cy[1], cy[2], cy[3]);
    std::copy(matrix, matrix + 9, out);
    return true;
}
