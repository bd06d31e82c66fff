// Layer: every source pixel that is not fully transparent replaces the
// destination pixel (its partial alpha is not a weight). With an opacity the
// opacity alone weighs the drawn pixels; the source alpha only decides whether
// a pixel is drawn.
#include "raster/blend/DrawRules.h"
#include "raster/blend/KernelTable.h"

using namespace blend;

namespace {

}  // namespace

#define OC_LAYER_KERNELS(X)                                                                                        \
    X(Table, Plain, DrawLayer, Full, _, _, (LayerReplace<Form::Full>{}))                                           \
    X(Table, PlainOpacity, DrawLayerOpacity, Full, _, DrawLayer, (LayerOpacity{opacity}))                          \
    X(Table, Stretched, DrawLayerStretched, Full, DrawLayer, _, (LayerReplace<Form::Full>{}))                      \
    X(Table, StretchedOpacity, DrawLayerStretchedOpacity, Full, DrawLayerOpacity, DrawLayerStretched,              \
      (LayerOpacity{opacity}))                                                                                     \
    X(Table, PlainTone, DrawLayerTone, Full, _, _, (LayerTone{ToneTint(tone, rp, gp, bp), LimitAmount(am)}))       \
    X(Table, StretchedTone, DrawLayerToneStretched, Full, DrawLayerTone, _,                                        \
      (LayerTone{ToneTint(tone, rp, gp, bp), LimitAmount(am)}))                                                    \
    X(Table, FromIndexed, DrawLayerFromIndexed, Full, DrawLayer, _, (LayerReplace<Form::Full>{}))                  \
    X(Table, Masked, DrawLayerMasked, Full, DrawLayer, _, (LayerReplace<Form::Full>{}))                            \
    X(Table, Plain, DrawLayerC, C, _, _, (LayerReplace<Form::C>{}))                                                \
    X(Table, PlainOpacity, DrawLayerCOpacity, C, _, DrawLayerC, (ConstantWeight<Form::C, true>{opacity}))          \
    X(Table, Stretched, DrawLayerCStretched, C, DrawLayerC, _, (LayerReplace<Form::C>{}))                          \
    X(Table, StretchedOpacity, DrawLayerCStretchedOpacity, C, DrawLayerCOpacity, DrawLayerCStretched,              \
      (ConstantWeight<Form::C, true>{opacity}))                                                                    \
    X(Table, PlainTone, DrawLayerToneC, C, _, _, (ToneStrengthC<true>{ToneTint(tone, rp, gp, bp), LimitAmount(am)})) \
    X(Table, StretchedTone, DrawLayerToneCStretched, C, DrawLayerToneC, _,                                         \
      (ToneStrengthC<true>{ToneTint(tone, rp, gp, bp), LimitAmount(am)}))                                          \
    X(Table, Masked, DrawLayerCMasked, C, DrawLayerC, _, (LayerReplace<Form::C>{}))

OC_KERNEL_FAMILY(OC_LAYER_KERNELS, LayerKernels)
