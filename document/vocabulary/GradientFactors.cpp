// The factor family of gradients (501-711).
#include "document/vocabulary/FactorTable.h"

namespace vocabulary {

constinit const FactorFamily kGradientFamily = {nullptr, 0, nullptr, 0};

}  // namespace vocabulary
