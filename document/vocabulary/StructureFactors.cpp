// The factor family of structure (1101-1118).
#include "document/vocabulary/FactorTable.h"

namespace vocabulary {

constinit const FactorFamily kStructureFamily = {nullptr, 0, nullptr, 0};

}  // namespace vocabulary
