// Back: the source drawn behind the destination. The destination is the upper
// layer; only transparent and partly transparent destination pixels change.
// At full opacity the union table (destination over source) gives the weight
// of the destination colour and the combined alpha; with an opacity or a tone
// strength the combined alpha is computed directly and the division by it goes
// through ReciprocalTable.
#include "raster/blend/DrawRules.h"
#include "raster/blend/KernelTable.h"

using namespace blend;

namespace {

}  // namespace

#define OC_BACK_KERNELS(X)                                                                                         \
    X(Table, Plain, DrawBack, Full, _, _, (Behind<Form::Full>{}))                                                  \
    X(Table, PlainOpacity, DrawBackOpacity, Full, _, DrawBack, (BehindOpacity<Form::Full>{opacity}))               \
    X(Table, Stretched, DrawBackStretched, Full, DrawBack, _, (Behind<Form::Full>{}))                              \
    X(Table, StretchedOpacity, DrawBackStretchedOpacity, Full, DrawBackOpacity, DrawBackStretched,                 \
      (BehindOpacity<Form::Full>{opacity}))                                                                        \
    X(Table, PlainTone, DrawBackTone, Full, _, _, (BackTone{ToneTint(tone, rp, gp, bp), LimitAmount(am)}))         \
    X(Table, StretchedTone, DrawBackToneStretched, Full, DrawBackTone, _,                                          \
      (BackTone{ToneTint(tone, rp, gp, bp), LimitAmount(am)}))                                                     \
    X(Table, Plain, DrawBackC, C, _, _, (Behind<Form::C>{}))                                                       \
    X(Table, PlainOpacity, DrawBackCOpacity, C, _, DrawBackC, (BehindOpacity<Form::C>{opacity}))                   \
    X(Table, Stretched, DrawBackCStretched, C, DrawBackC, _, (Behind<Form::C>{}))                                  \
    X(Table, StretchedOpacity, DrawBackCStretchedOpacity, C, DrawBackCOpacity, DrawBackCStretched,                 \
      (BehindOpacity<Form::C>{opacity}))                                                                           \
    X(Table, PlainTone, DrawBackToneC, C, _, _, (BackToneC{ToneTint(tone, rp, gp, bp), LimitAmount(am)}))          \
    X(Table, StretchedTone, DrawBackToneCStretched, C, DrawBackToneC, _,                                           \
      (BackToneC{ToneTint(tone, rp, gp, bp), LimitAmount(am)}))

OC_KERNEL_FAMILY(OC_BACK_KERNELS, BackKernels)
