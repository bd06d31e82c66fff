// The factor family of tone object drawing (401-480).
#include "document/vocabulary/FactorTable.h"

namespace vocabulary {

constinit const FactorFamily kToneFamily = {nullptr, 0, nullptr, 0};

}  // namespace vocabulary
