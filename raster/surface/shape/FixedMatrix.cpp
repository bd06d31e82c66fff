#include "raster/surface/shape/FixedMatrix.h"

#include <cmath>

namespace {

// Any double to a 32-bit integer, truncating toward zero, saturating at the
// ends; NaN gives 0.
int32_t TruncSaturate(double v) {
    if (!(v == v)) return 0;
    if (v >= 2147483647.0) return INT32_MAX;
    if (v <= -2147483648.0) return INT32_MIN;
    return static_cast<int32_t>(v);
}

// A matrix entry clamped to -128 .. 128 and stored as 16.16.
int32_t ToFixedClamped(double v) {
    if (!(v == v)) return 0;
    if (v < -128.0) v = -128.0;
    if (v > 128.0) v = 128.0;
    return static_cast<int32_t>(v * 65536.0);
}

}  // namespace

bool InvertFixedMatrix2x2(int32_t* m, int32_t rows, int32_t columns) {
    if (rows < 2 || columns < 2) return false;
    const double a = m[0] / 65536.0;
    const double b = m[1] / 65536.0;
    const double c = m[columns] / 65536.0;
    const double d = m[columns + 1] / 65536.0;
    const double det = a * d - c * b;
    if (det >= -0.000001 && det <= 0.000001) {
        m[0] = m[1] = m[columns] = m[columns + 1] = 0;
    } else {
        m[0] = ToFixedClamped(d / det);
        m[1] = ToFixedClamped(-b / det);
        m[columns] = ToFixedClamped(-c / det);
        m[columns + 1] = ToFixedClamped(a / det);
    }
    for (int32_t row = 0; row < 2; ++row)
        for (int32_t col = 2; col < columns; ++col) {
            int32_t& e = m[row * columns + col];
            e = e == INT32_MIN ? INT32_MAX : -e;
        }
    return true;
}

bool BuildAffineMatrixFixed(int32_t m[6], double sx, double sy, double angle, double shearX, double shearY,
                            double pivotX, double pivotY, int32_t order) {
    const double C = std::cos(angle);
    const double S = std::sin(angle);
    double f00, f01, f10, f11;
    if (order == 0) {  // H D R
        f00 = C * sx + S * sy * shearX;
        f01 = C * sy * shearX - S * sx;
        f10 = C * sx * shearY + S * sy;
        f11 = C * sy - S * sx * shearY;
    } else if (order == 2) {  // R H D
        f00 = (C - S * shearY) * sx;
        f01 = (C * shearX - S) * sy;
        f10 = (C * shearY + S) * sx;
        f11 = (C + S * shearX) * sy;
    } else {  // H R D
        f00 = (C + S * shearX) * sx;
        f01 = (C * shearX - S) * sy;
        f10 = (C * shearY + S) * sx;
        f11 = (C - S * shearY) * sy;
    }
    m[0] = ToFixedClamped(f00);
    m[1] = ToFixedClamped(f01);
    m[2] = 0;
    m[3] = ToFixedClamped(f10);
    m[4] = ToFixedClamped(f11);
    m[5] = 0;
    InvertFixedMatrix2x2(m, 2, 3);
    // The pivot in pixels, the inverted entries in 16.16: the results are 16.16.
    m[2] = TruncSaturate(-(m[0] * pivotX + m[1] * pivotY));
    m[5] = TruncSaturate(-(m[3] * pivotX + m[4] * pivotY));
    return m[0] != 0 || m[1] != 0 || m[3] != 0 || m[4] != 0;
}

void BuildRotationMatrix3D(double r[9], double a1, double a2, double a3) {
    const double s1 = std::sin(a1), c1 = std::cos(a1);
    const double s2 = std::sin(a2), c2 = std::cos(a2);
    const double s3 = std::sin(a3), c3 = std::cos(a3);
    r[0] = c1 * c3 + s1 * s2 * s3;
    r[1] = c1 * s2 * s3 - s1 * c3;
    r[2] = c2 * s3;
    r[3] = s1 * c2;
    r[4] = c1 * c2;
    r[5] = -s2;
    r[6] = s1 * s2 * c3 - c1 * s3;
    r[7] = c1 * s2 * c3 + s1 * s3;
    r[8] = c2 * c3;
}
