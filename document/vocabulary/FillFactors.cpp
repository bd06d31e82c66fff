// The factor family of fill, replacement, mask and matrix (801-857).
#include "document/vocabulary/FactorTable.h"

namespace vocabulary {

constinit const FactorFamily kFillFamily = {nullptr, 0, nullptr, 0};

}  // namespace vocabulary
