#include "raster/filter/TrigTables.h"

#include <cmath>

// A named namespace: the raster library is built in unity batches.
namespace trig_build {

// Doubles become integers by truncation toward zero unless 0.5 is added first;
// the constants are used exactly as written.
constexpr double kPolarAngleFactor = 20860.7567009409;      // a hair below 65536 / pi
constexpr double kSineStep = 2.3968449810713143e-05;        // 2 pi / 2^18
constexpr double kArcsineStep = 3.814697265625e-06;         // 1 / 2^18
constexpr double kQ24 = 16777216.0;
constexpr double kQ30 = 1073741824.0;
constexpr double kQ22 = 4194304.0;
constexpr int32_t kHalfPiQ24 = 26353589;                    // asin(1) in Q24, truncated

void FillPolar(uint32_t* polar) {
    for (uint32_t row = 0; row < CTrigTables::kPolarSide; ++row) {
        uint32_t* out = polar + row * CTrigTables::kPolarSide;
        const double y = row;
        for (uint32_t column = 0; column < CTrigTables::kPolarSide; ++column) {
            const double x = column;
            const uint32_t angle = static_cast<uint32_t>(std::atan2(y, x) * kPolarAngleFactor);
            const double length = std::sqrt(y * y + x * x);
            const double unitsPerPixel = (row < 256 && column < 256) ? 256.0 : 32.0;
            const uint32_t radius = static_cast<uint32_t>(length * unitsPerPixel + 0.5);
            out[column] = (radius << 15) | angle;
        }
    }
}

// The first quarter computed, the rest mirrored: sin(pi - a) = sin a and
// sin(pi + a) = sin(2 pi - a) = -sin a.
void FillSine(int32_t* sine) {
    constexpr uint32_t turn = CTrigTables::kTurn, half = turn / 2, quarter = turn / 4;
    sine[0] = 0;
    sine[half] = 0;
    sine[turn] = 0;
    for (uint32_t i = 1; i <= quarter; ++i) {
        const int32_t v = static_cast<int32_t>(std::sin(i * kSineStep) * kQ24);
        sine[i] = v;
        sine[half - i] = v;
        sine[half + i] = -v;
        sine[turn - i] = -v;
    }
    for (uint32_t g = 1; g < CTrigTables::kGuards; ++g) sine[turn + g] = sine[g];
}

void FillArcsineAndCircleRoot(int32_t* arcsine, int32_t* circleRoot) {
    constexpr uint32_t turn = CTrigTables::kTurn;
    arcsine[0] = 0;
    circleRoot[0] = 1 << 30;
    for (uint32_t j = 1; j < turn; ++j) {
        arcsine[j] = static_cast<int32_t>(std::asin(j * kArcsineStep) * kQ24);
        const uint64_t square = uint64_t{j} * j;  // exact; below 2^36
        circleRoot[j] = static_cast<int32_t>(std::sqrt(1.0 - static_cast<double>(square) * 0x1p-36) * kQ30);
    }
    for (uint32_t g = 0; g < CTrigTables::kGuards; ++g) {
        arcsine[turn + g] = kHalfPiQ24;
        circleRoot[turn + g] = 0;
    }
}

void FillSquareRoot(uint32_t* root) {
    root[0] = 0;
    for (uint32_t k = 1; k < CTrigTables::kRootSize; ++k)
        root[k] = static_cast<uint32_t>(std::sqrt(static_cast<double>(k)) * kQ22);
    // sqrt(2^20) x 2^22 = 2^32, saturated.
    for (uint32_t g = 0; g < CTrigTables::kGuards; ++g) root[CTrigTables::kRootSize + g] = 0xFFFFFFFFu;
}

// theta / sin(theta) for x = cos(theta) = k / 2^18: the arc sine of
// sqrt(1 - x^2) over sqrt(1 - x^2). Entry 0 (the equator, theta = pi / 2)
// follows the same rule and gives about pi / 2, which puts such points on the
// rim of their disc, where the neighbouring entries lead.
void FillSphereRatio(uint32_t* ratio, const int32_t* arcsine, const int32_t* circleRoot) {
    constexpr uint32_t turn = CTrigTables::kTurn;
    for (uint32_t k = 0; k < turn; ++k) {
        const int32_t c = circleRoot[k];
        const int64_t a = arcsine[c >> 12];
        ratio[k] = static_cast<uint32_t>((a << 30) / (int64_t{c} + 1));
    }
    for (uint32_t g = 0; g < CTrigTables::kGuards; ++g) ratio[turn + g] = static_cast<uint32_t>(kHalfPiQ24);
}

}  // namespace trig_build

using namespace trig_build;

void CTrigTables::InitTrigTables() {
    if (m_polar == nullptr) {
        uint32_t* polar = m_polarBlock.Alloc(kPolarEntries);
        m_polar = polar;
        FillPolar(polar);
    }
    if (m_sine == nullptr) {
        int32_t* block = m_trigBlock.Alloc(kTrigEntries);
        m_sine = block;
        FillSine(m_sine);
        m_arcsine = block + (kTurn + kGuards);
        m_circleRoot = block + 2 * (kTurn + kGuards);
        FillArcsineAndCircleRoot(m_arcsine, m_circleRoot);
        // Signed and unsigned views of the same 32-bit words.
        m_squareRoot = reinterpret_cast<uint32_t*>(block + 3 * (kTurn + kGuards));
        FillSquareRoot(m_squareRoot);
    }
}

void CTrigTables::InitSphereRatioTable() {
    if (m_sphereRatio != nullptr) return;
    InitTrigTables();
    uint32_t* ratio = m_ratioBlock.Alloc(kTurn + kGuards);
    m_sphereRatio = ratio;
    FillSphereRatio(ratio, m_arcsine, m_circleRoot);
}

CTrigTables& TrigTables() {
    static CTrigTables tables;
    return tables;
}
