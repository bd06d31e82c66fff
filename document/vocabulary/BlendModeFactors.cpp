// The factor family of blend modes (1201-1269).
#include "document/vocabulary/FactorTable.h"

namespace vocabulary {

constinit const FactorFamily kBlendModeFamily = {nullptr, 0, nullptr, 0};

}  // namespace vocabulary
