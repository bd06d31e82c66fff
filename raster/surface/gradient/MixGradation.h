#pragma once
// One control point of a multi-point gradient (CSprite::MixGradation and its
// C and A forms). The document model keeps the points of a gradient contiguous
// in a CMemoryBlock<MixGradationPoint>; the gradients only read them, so the
// record stays a plain standard-layout struct in its stored field order.
#include <cstdint>
#include <type_traits>

struct MixGradationPoint {
    double x;           // position in sprite pixels
    double y;
    double zeroRadius;  // distance at which the weight is 0
    double fullRadius;  // distance at which the weight reaches `strength`
    double scaleUp;     // factor on the vertical offset for pixels above the point or on its row
    double scaleDown;   // ... for pixels below it
    double scaleLeft;   // factor on the horizontal offset for pixels left of the point or in its column
    double scaleRight;  // ... for pixels right of it
    double alpha;       // the point's colour, nominally 0..255 each, not clamped
    double red;
    double green;
    double blue;
    double strength;  // weight inside the full radius (1.0 = full)
    int32_t mode;     // low two bits: 0 MIX, 1 ADD, 2 SUB, 3 inert
};

static_assert(std::is_standard_layout_v<MixGradationPoint> && std::is_trivially_copyable_v<MixGradationPoint>);

// The low two bits of MixGradationPoint::mode.
enum MixGradationMode : int32_t { kMixGradationMix = 0, kMixGradationAdd = 1, kMixGradationSub = 2 };

namespace gradient_detail {
// True when the gradients may use 256-bit vectors: the processor has AVX2 and
// no test asked for the baseline paths.
bool UseWideVectors() noexcept;
}  // namespace gradient_detail

namespace raster_test {
// on: the gradients take their baseline vector paths even where the processor
// has AVX2, so that tests reach both; off: chosen by the processor again.
void UseBaselineGradientVectors(bool on);
}  // namespace raster_test
