// The factor family of filter and colour-space (1401-1417, 5001-5007).
#include "document/vocabulary/FactorTable.h"

namespace vocabulary {

constinit const FactorFamily kFilterFamily = {nullptr, 0, nullptr, 0};

}  // namespace vocabulary
