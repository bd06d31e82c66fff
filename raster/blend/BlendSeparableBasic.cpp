// Darken, Lighten, Difference and Exclusion: comparisons and one product per
// channel, carried by the Alpha and Merge methods.
#include "raster/blend/SeparableFormulas.h"

#define OC_SEPARABLE_BASIC_KERNELS(X)                                        \
    OC_SEPARABLE_MODE(X, Darken, ::blend::separable::DarkenFormula)          \
    OC_SEPARABLE_MODE(X, Lighten, ::blend::separable::LightenFormula)        \
    OC_SEPARABLE_MODE(X, Difference, ::blend::separable::DifferenceFormula)  \
    OC_SEPARABLE_MODE(X, Exclusion, ::blend::separable::ExclusionFormula)

OC_KERNEL_FAMILY(OC_SEPARABLE_BASIC_KERNELS, SeparableBasicKernels)
