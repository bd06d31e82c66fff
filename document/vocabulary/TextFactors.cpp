// The factor family of text (1001-1014).
#include "document/vocabulary/FactorTable.h"

namespace vocabulary {

constinit const FactorFamily kTextFamily = {nullptr, 0, nullptr, 0};

}  // namespace vocabulary
