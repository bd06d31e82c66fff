// Screen, Overlay, HardLight and SoftLight, carried by the Alpha and Merge
// methods. Screen, Overlay and HardLight also serve draw modes of the
// draw-mode dispatch.
#include "raster/blend/SeparableFormulas.h"

#define OC_SEPARABLE_LIGHT_KERNELS(X)                                      \
    OC_SEPARABLE_MODE(X, Screen, ::blend::separable::ScreenFormula)        \
    OC_SEPARABLE_MODE(X, Overlay, ::blend::separable::OverlayFormula)      \
    OC_SEPARABLE_MODE(X, HardLight, ::blend::separable::HardLightFormula)  \
    OC_SEPARABLE_MODE(X, SoftLight, ::blend::separable::SoftLightFormula)

OC_KERNEL_FAMILY(OC_SEPARABLE_LIGHT_KERNELS, SeparableLightKernels)
