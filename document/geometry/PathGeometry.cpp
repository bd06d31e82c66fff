// Path nodes into outline elements: the bridge from a path factor's QDXPath
// list to the DiagramInfo the rasteriser draws.
//
// Scaling rounds half away from zero, with the side taken from the unscaled
// coordinate, so a path and its mirror image stay mirror images at any scale.
// Scales of exactly 1.0 copy the coordinates untouched.
#include <cstdint>

#include "document/model/QDXFactor.h"
#include "raster/surface/shape/DiagramInfo.h"

namespace {

// trunc(v) in 64 bits, saturated at the 32-bit range; NaN gives 0.
int64_t TruncSaturated(double v) noexcept {
    if (!(v == v)) return 0;
    if (v >= 2147483647.0) return INT32_MAX;
    if (v <= -2147483648.0) return INT32_MIN;
    return static_cast<int32_t>(v);
}

int32_t ScaleCoordinate(int32_t v, double scale) noexcept {
    const double scaled = double(v) * scale;
    const int64_t r = v >= 0 ? TruncSaturated(scaled + 0.5) : -TruncSaturated(0.5 - scaled);
    return static_cast<int32_t>(r < INT32_MIN ? INT32_MIN : r > INT32_MAX ? INT32_MAX : r);
}

}  // namespace

bool QDXPath::AppendToDiagram(DiagramInfo& outline, double sx, double sy) const {
    int32_t x = X, y = Y, x2 = X2, y2 = Y2;
    if (sx != 1.0 || sy != 1.0) {
        x = ScaleCoordinate(X, sx);
        y = ScaleCoordinate(Y, sy);
        x2 = ScaleCoordinate(X2, sx);
        y2 = ScaleCoordinate(Y2, sy);
    }
    // Only Line, CircleCurve and Arc carry the disabled mark into the outline.
    switch (Type) {
    case kLine:
        return outline.AddLine(x, y, Enabled ? 1 : 0);
    case kCircleCurve:
        return outline.AddCircleCurve(x, y, x2, y2, CurveFlag ? 1 : 0, Enabled ? 1 : 0);
    case kArc:
        return outline.AddArc(x, y, x2, y2, Enabled ? 1 : 0);
    case kJump:
        return outline.AddJump(x, y);
    case kReturn:
        return outline.AddReturn();
    case kTip:
        return outline.AddTip();
    case kSeparator:
        return outline.AddSeparator();
    default:
        return false;
    }
}
