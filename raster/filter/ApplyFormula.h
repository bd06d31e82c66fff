#pragma once
// The per-channel formula's power tables and tone curve (CSprite::ApplyFormula).
//
// The curve is a polynomial in x = v / 255 and in 1 - x: c1 x^3 + c2 x^2 +
// c3 x + c4 (1 - x)^3 + c5 (1 - x)^2 + c6 (1 - x) + c7, limited to 0..1 and
// truncated to 0..255 after multiplying by 255. The powers come from three
// tables; entry 255 - i gives the powers of 1 - x.
#include <array>
#include <cstdint>

namespace formula {

// i^p / 255^p for i = 0..255 as one division of exact integers, so each entry
// is the double nearest the true power.
constexpr std::array<double, 256> PowerTable(int32_t power) {
    std::array<double, 256> table{};
    double scale = 1.0;
    for (int32_t n = 0; n < power; ++n) scale *= 255.0;
    for (int32_t i = 0; i < 256; ++i) {
        int64_t v = 1;
        for (int32_t n = 0; n < power; ++n) v *= i;
        table[i] = static_cast<double>(v) / scale;
    }
    return table;
}

inline constexpr std::array<double, 256> LinearTable = PowerTable(1);
inline constexpr std::array<double, 256> SquareTable = PowerTable(2);
inline constexpr std::array<double, 256> CubeTable = PowerTable(3);

// The curve for coefficients c[0..6] (c1..c7): entry i is the new value of a
// channel value i. Each sum is formed in the same order of additions every
// time; a result below 0 (or not a number) gives 0, above 1 gives 255.
void BuildFormulaCurve(const double (&c)[7], int32_t (&curve)[256]) noexcept;

}  // namespace formula
