#pragma once
// SelfMatrixApplier: an optional colour matrix that a window applies to its
// own cache after rendering it.
//
// It holds one packed matrix of either family of raster/colour/ColourMatrix.h
// (simple 4 x 5 or extended 4 x 9, packed to the smallest shape its zeros
// allow) and the opacity at which it is applied. A full matrix is packed on
// the way in; a shorter coefficient list is taken as already packed. Apply
// folds the opacity into a copy of the packed coefficients (the stored matrix
// never changes) and runs the kernel of the shape in place. While it holds no
// matrix, and while the raster library is not started, Apply changes nothing.
#include <cstdint>

#include "foundation/strings/Str.h"

class CSprite;

class SelfMatrixApplier {
public:
    static constexpr uint32_t kTypeNone = 0;
    static constexpr uint32_t kTypeExtended = 0x7000007E;
    static constexpr uint32_t kTypeSimple = 0x7000007F;
    static constexpr uint32_t kMaxCoefficients = 36;

    SelfMatrixApplier() noexcept = default;
    virtual ~SelfMatrixApplier() = default;

    // Level 255, no matrix.
    virtual void Reset();
    // Applies the matrix in place to (x, y, w, h) of the sprite.
    virtual void Apply(CSprite& sprite, int32_t x, int32_t y, int32_t w, int32_t h);
    // One line: "Type:None", or the family, shape, coefficients and level,
    // e.g. "Type:ColorMatrix (3x1)[1,0.5,0] alv:255".
    virtual void Describe(CStr_base<1024>& text);
    // False (nothing changed) when count > 20. A count of 20 is a full matrix
    // and is packed; a smaller count is stored as given.
    virtual bool SetSimpleMatrix(const int32_t* coefficients, uint32_t count, uint8_t level);
    // False (nothing changed) when count > 36. A count of 36 is a full matrix
    // and is packed; a smaller count is stored as given.
    virtual bool SetExtendedMatrix(const int32_t* coefficients, uint32_t count, uint8_t level);

    uint32_t GetType() const noexcept { return m_type; }
    uint32_t GetCount() const noexcept { return m_count; }
    uint8_t GetLevel() const noexcept { return m_level; }
    const int32_t* GetCoefficients() const noexcept { return m_coefficients; }

private:
    // 16.16 fixed point.
    int32_t m_coefficients[kMaxCoefficients] = {};
    uint32_t m_count = 0;
    uint32_t m_type = kTypeNone;
    uint8_t m_level = 255;
};
