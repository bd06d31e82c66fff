#include "windows/widgets/SelfMatrixApplier.h"

#include <cstring>

#include "foundation/strings/Format.h"
#include "raster/colour/ColourMatrix.h"
#include "raster/surface/sprite/RasterLibrary.h"
#include "raster/surface/sprite/Sprite.h"

namespace {

// The "(RxC" label of a packed count; "(?\?\?" for a count that is no shape of
// the family (the extended family has no one-column or five-column shapes).
const char* ShapeLabel(uint32_t type, uint32_t count) {
    if (type == SelfMatrixApplier::kTypeExtended) {
        switch (count) {
        case 6: return "(3x2";
        case 8: return "(4x2";
        case 9: return "(3x3";
        case 12: return "(4x3";
        case 18: return "(3x6";
        case 21: return "(3x7";
        case 27: return "(3x9";
        case 32: return "(4x8";
        case 36: return "(4x9";
        default: return "(?\?\?";
        }
    }
    switch (count) {
    case 3: return "(3x1";
    case 4: return "(4x1";
    case 6: return "(3x2";
    case 8: return "(4x2";
    case 9: return "(3x3";
    case 12: return "(3x4";
    case 15: return "(3x5";
    case 16: return "(4x4";
    case 20: return "(4x5";
    default: return "(?\?\?";
    }
}

}  // namespace

void SelfMatrixApplier::Reset() {
    m_level = 255;
    m_count = 0;
    m_type = kTypeNone;
}

bool SelfMatrixApplier::SetSimpleMatrix(const int32_t* coefficients, uint32_t count, uint8_t level) {
    if (count > static_cast<uint32_t>(colour_matrix::kSimpleSize)) return false;
    if (count == static_cast<uint32_t>(colour_matrix::kSimpleSize)) {
        m_count = static_cast<uint32_t>(ColorMatrix::Compact(coefficients, m_coefficients));
    } else {
        if (count != 0) std::memmove(m_coefficients, coefficients, count * sizeof(int32_t));
        m_count = count;
    }
    m_type = kTypeSimple;
    m_level = level;
    return true;
}

bool SelfMatrixApplier::SetExtendedMatrix(const int32_t* coefficients, uint32_t count, uint8_t level) {
    if (count > static_cast<uint32_t>(colour_matrix::kExtendedSize)) return false;
    if (count == static_cast<uint32_t>(colour_matrix::kExtendedSize)) {
        m_count = static_cast<uint32_t>(ColorExMatrix::Compact(coefficients, m_coefficients));
    } else {
        if (count != 0) std::memmove(m_coefficients, coefficients, count * sizeof(int32_t));
        m_count = count;
    }
    m_type = kTypeExtended;
    m_level = level;
    return true;
}

void SelfMatrixApplier::Apply(CSprite& sprite, int32_t x, int32_t y, int32_t w, int32_t h) {
    if (m_type == kTypeNone || !IsRasterReady()) return;
    const int32_t count = static_cast<int32_t>(m_count);
    const int32_t* matrix = m_coefficients;
    int32_t folded[kMaxCoefficients];
    if (m_level < 255) {
        std::memcpy(folded, m_coefficients, sizeof folded);
        if (m_type == kTypeExtended) {
            ColorExMatrix::ApplyOpacity(folded, count, m_level);
        } else {
            ColorMatrix::ApplyOpacity(folded, count, m_level);
        }
        matrix = folded;
    }
    // The dispatchers pick the kernel by count and do nothing for a count
    // that is no shape of the family.
    if (m_type == kTypeExtended) {
        sprite.ApplyColorExMatrix(x, y, w, h, matrix, count);
    } else {
        sprite.ApplyColorMatrix(x, y, w, h, matrix, count);
    }
}

void SelfMatrixApplier::Describe(CStr_base<1024>& text) {
    if (m_type == kTypeNone) {
        text.Assign("Type:None");
        return;
    }
    const bool extended = m_type == kTypeExtended;
    text.Assign(extended ? "Type:ColorExMatrix " : "Type:ColorMatrix ");
    text.Append(ShapeLabel(m_type, m_count));
    text.Append(")[");
    const uint32_t shown = m_count < (extended ? 36u : 20u) ? m_count : (extended ? 36u : 20u);
    CStr_base<64> number;
    for (uint32_t i = 0; i < shown; ++i) {
        // "%F": "%f" without trailing zeros, and without a "." left bare.
        number.Format("%F,", static_cast<double>(m_coefficients[i]) / 65536.0);
        text.AppendString(number);
    }
    // Drops the final "," (or the "[" when there were no coefficients).
    text.SetLength(text.GetLength() - 1);
    number.Format("] alv:%lu", static_cast<uint32_t>(m_level));
    text.AppendString(number);
}
