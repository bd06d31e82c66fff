// LinearBurn, LinearLight and VividLight, carried by the Alpha and Merge
// methods.
#include "raster/blend/SeparableFormulas.h"

#define OC_SEPARABLE_LINEAR_KERNELS(X)                                         \
    OC_SEPARABLE_MODE(X, LinearBurn, ::blend::separable::LinearBurnFormula)    \
    OC_SEPARABLE_MODE(X, LinearLight, ::blend::separable::LinearLightFormula)  \
    OC_SEPARABLE_MODE(X, VividLight, ::blend::separable::VividLightFormula)

OC_KERNEL_FAMILY(OC_SEPARABLE_LINEAR_KERNELS, SeparableLinearKernels)
