#pragma once
// The member table of the colour-model component exchange (CSprite::CompositeHueHSV
// and its eleven siblings), for the tests that walk it.
#include <span>

#include "raster/blend/KernelTable.h"

namespace blend {
std::span<const KernelEntry> ComponentExchangeKernels();
}  // namespace blend
